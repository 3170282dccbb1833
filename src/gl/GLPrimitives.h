// Geometry in client-side arrays drawn with vertex arrays, and blocks of
// display lists compiled by a callback.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gl/GLArrays.h"
#include "gl/GLItems.h"
#include "gl/OGL.h"

namespace emberhall {

class TGLPrimitive : public TGLItem {
 public:
  explicit TGLPrimitive(TGLItemList* AList) : TGLItem(AList) {}

  // Set I in 0..2; otherwise "TGLPrimitive.GetTextureCoords error: Index out of bounds".
  TGLTextureCoordDArray& GetTextureCoords(int I);
  // Smooth normals for indexed triangles, flat ones for plain triangles and
  // quads, zero otherwise; all normalised at the end.
  void ComputeNormals();
  void TransformVertices(const TGLMatrix& M);
  void MorphVertices(const TGLVectorDArray& From, const TGLVectorDArray& To, float T);
  void MorphNormals(const TGLVectorDArray& From, const TGLVectorDArray& To, float T);
  void Draw();

  TGLIndexDArray Indices;
  TGLTextureCoordDArray TexCoords[3];
  TGLVectorDArray Normals;
  TGLVectorDArray Vertices;
  TGLColorDArray Colors;
  GLenum Mode = GL_TRIANGLES;
};

class TGLPrimitiveList : public TGLTypedItemList<TGLPrimitive> {
 public:
  explicit TGLPrimitiveList(TCustomOpenGL* AOpenGL) : TGLTypedItemList(AOpenGL) {}
  void ContextCreated() override;

  int32_t MaxTextureUnits = 1;
};

class TGLDisplayList : public TGLItem {
 public:
  using TBuildEvent = std::function<void(TGLDisplayList* Sender)>;

  explicit TGLDisplayList(TGLItemList* AList) : TGLItem(AList) {}
  ~TGLDisplayList() override;

  void Build();
  void BeginList(int32_t I) { glNewList(Base + static_cast<GLuint>(I), GL_COMPILE); }
  void EndList() { glEndList(); }
  // Code c calls list Base + c.
  void CallLists(int32_t N, const void* Codes);
  void CallString(const std::string& S) { CallLists(static_cast<int32_t>(S.size()), S.data()); }
  void Delete();

  bool Built = false;
  GLuint Base = 0;
  int32_t Count = 1;
  TBuildEvent OnBuild;
  GLenum CallType = GL_UNSIGNED_BYTE;
};

class TGLDisplayListList : public TGLTypedItemList<TGLDisplayList> {
 public:
  explicit TGLDisplayListList(TCustomOpenGL* AOpenGL) : TGLTypedItemList(AOpenGL) {}
  void BuildAll();
  void DeleteAll();
};

}  // namespace emberhall
