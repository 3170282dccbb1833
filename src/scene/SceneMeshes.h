// Meshes from 3DM models: a mesh list holds meshes, each naming one model.
// The first draw of a mesh reads its model, creates the scene materials and
// textures the model calls for (those the description declares win), splits
// every object's faces by material ID into groups and fills one GL
// primitive per group with shared vertices, computed normals and, for
// animated models, one position and one normal array per frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gl/GLArrays.h"
#include "scene/SceneObjects.h"

namespace emberhall {

class T3DMFile;
class T3DMMaterial;
class T3DMMaterialStandard;
class T3DMObject;
class TGLPrimitive;
class TGroupMaterial;
class TSceneMaterial;
class TSceneMesh;
class TSceneTexture;
class TSceneTextureList;

class TVertexFrameList : public TBaseList<TGLVectorDArray> {
 public:
  TGLVectorDArray* AddFrame() { return Add(new TGLVectorDArray()); }
  TGLVectorDArray* GetFrame(int Index) const { return Get(Index); }
};

class TMeshGroup {
 public:
  TSceneTexture* Texture = nullptr;
  TGroupMaterial* GroupMaterial = nullptr;
  // Belongs to the context's primitive list, not to the group.
  TGLPrimitive* Primitive = nullptr;
  TVertexFrameList VertexFrames;
  TVertexFrameList NormalFrames;
};

class TMeshGroupList : public TBaseList<TMeshGroup> {
 public:
  TMeshGroup* NewGroup() { return Add(new TMeshGroup()); }
  void DrawGroups();
  void LerpGroupVertices(int A, int B, float F);
  void LerpGroupNormals(int A, int B, float F);
};

class TSceneMeshList : public TResource {
 public:
  const char* ClassName() const override { return "TSceneMeshList"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  // "<resource name> RCData <SourceName>" for every mesh.
  void ListResources(std::vector<std::string>& Lines) override;
  // In name order; null for a child that is no mesh.
  TSceneMesh* GetMesh(int Index) const;

  // Where the meshes find and create their materials and textures; a
  // reference to a node of another type reads as none.
  TMainObjectList* Materials = nullptr;
  TSceneTextureList* Textures = nullptr;
};

class TSceneMesh : public TMainObject {
 public:
  const char* ClassName() const override { return "TSceneMesh"; }
  void Animate(float DeltaTime) override;
  void RenderOpaque() override;
  void RenderTransparent() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  // The owner as a mesh list; raises when the mesh is held by none.
  TSceneMeshList* MeshList() const;
  // Builds the model unless built or without SourceName; a build that
  // raises leaves Loaded false, so the next draw tries again.
  void EnsureLoaded();
  void ClearGroups();
  void SetSourceName(const std::string& Value);
  // A group with group material Sub of Material, in the blended list when
  // that is translucent or Texture has alpha, with FrameCount empty frames
  // and a new primitive of the scene's context.
  TMeshGroup* AddGroup(int FrameCount, int Sub, TSceneTexture* Texture);
  // Moves to frame position T (looping) and interpolates the groups.
  void SetTime(float T);
  int FrameCount() const;
  void ApplyGroupAlpha();

  TMeshGroupList OpaqueGroups;
  TMeshGroupList TransparentGroups;
  TSceneMaterial* Material = nullptr;
  float FPS = 6;
  std::string SourceName;
  float Time = 0;
  bool Loaded = false;
};

// One record per distinct pair of 3DM vertex and texture coordinate of a group.
class TVertIndices3DMList {
 public:
  struct TEntry {
    int32_t Vertex;    // 1-based
    int32_t Index;     // output index
    int32_t TexCoord;  // 1-based, 0 for none
    int32_t Color;     // 1-based, 0 for none; stored, never compared
  };

  explicit TVertIndices3DMList(int VertexCount) : Buckets(static_cast<size_t>(VertexCount)) {}
  // Vertex must be in 1..VertexCount.
  int32_t GetIndex(int32_t Vertex, int32_t TexCoord, int32_t Color);

  std::vector<TEntry> Entries;
  std::vector<std::vector<int32_t>> Buckets;  // positions in Entries
  int32_t NextId = 0;
};

class T3DMMeshLoader {
 public:
  T3DMMeshLoader();
  ~T3DMMeshLoader();
  T3DMMeshLoader(const T3DMMeshLoader&) = delete;
  T3DMMeshLoader& operator=(const T3DMMeshLoader&) = delete;

  void SetFromResource(bool Value);
  // True when the model has at least one object.
  bool LoadFile(const std::string& Name);
  void LoadMesh(const std::string& Name, TSceneMesh* Mesh);
  // Builds the mesh from the file already read (ModelName only names it in
  // errors).
  void BuildMesh(const std::string& ModelName, TSceneMesh* Mesh);
  void CreateMaterials(TSceneMeshList* MeshList);
  void CreateTextures(TSceneMeshList* MeshList, const T3DMMaterialStandard& S);
  void AddMesh(TSceneMesh* Mesh, TSceneMeshList* MeshList, const T3DMObject& Object);
  TMeshGroup* NewMeshGroup(TSceneMesh* Mesh, const T3DMMaterial* M3, int Sub);
  void BuildGroupPrimitive(TMeshGroup* Group, const std::vector<int>& Faces, const T3DMObject& Object);

  std::string BasePath = ".\\";
  std::unique_ptr<T3DMFile> File;

 private:
  // Raises an error naming the model and Object.
  [[noreturn]] void Fail(const T3DMObject& Object, const std::string& What) const;
  // Checks the object's faces, frames and transform before anything is built.
  void CheckObject(const T3DMObject& Object) const;
  std::string FModelName;
};

// A mesh of one textured quad cut out of a texture, for 2D layers.
class TSceneSprite : public TSceneMesh {
 public:
  const char* ClassName() const override { return "TSceneSprite"; }
  void RenderOpaque() override;
  void RenderTransparent() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  void UpdateSpriteMesh();

  int32_t Width = 256;
  int32_t Height = 256;
  int32_t OriginX = 0;
  int32_t OriginY = 0;
  int32_t StartU = 0;
  int32_t StartV = 0;
  TSceneTexture* Texture = nullptr;
  bool MeshBuilt = false;
  uint8_t Color[4] = {255, 255, 255, 255};  // red, green, blue, alpha
};

// Registers TSceneMeshList, TSceneMesh and TSceneSprite.
void RegisterMeshClasses();

}  // namespace emberhall
