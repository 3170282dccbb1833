#include "gl/GLPrimitives.h"

#include <vector>

#include "gl/GLE.h"
#include "platform/SysUtils.h"

namespace emberhall {

namespace {

TGLVector FaceNormal(const TGLVector& a, const TGLVector& b, const TGLVector& c) {
  const float ux = b.X - a.X, uy = b.Y - a.Y, uz = b.Z - a.Z;
  const float vx = c.X - a.X, vy = c.Y - a.Y, vz = c.Z - a.Z;
  return {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

void Accumulate(TGLVector& n, const TGLVector& f) {
  n.X += f.X;
  n.Y += f.Y;
  n.Z += f.Z;
}

}  // namespace

TGLTextureCoordDArray& TGLPrimitive::GetTextureCoords(int I) {
  if (I < 0 || I > 2) throw Exception("TGLPrimitive.GetTextureCoords error: Index out of bounds");
  return TexCoords[I];
}

void TGLPrimitive::ComputeNormals() {
  const int32_t n = Vertices.Count;
  Normals.SetCount(n);
  Normals.ZeroAll();
  TGLVector* normals = Normals.Items();
  const TGLVector* v = Vertices.Items();
  if (Mode == GL_TRIANGLES && Indices.Count > 0) {
    const uint32_t* idx = Indices.Items();
    std::vector<int32_t> contributions(static_cast<size_t>(n), 0);
    for (int32_t k = 0; k + 2 < Indices.Count; k += 3) {
      // A triangle that names a missing vertex is skipped rather than read past the array.
      if (idx[k] >= static_cast<uint32_t>(n) || idx[k + 1] >= static_cast<uint32_t>(n) ||
          idx[k + 2] >= static_cast<uint32_t>(n))
        continue;
      const TGLVector f = FaceNormal(v[idx[k]], v[idx[k + 1]], v[idx[k + 2]]);
      for (int j = 0; j < 3; ++j) {
        Accumulate(normals[idx[k + j]], f);
        ++contributions[idx[k + j]];
      }
    }
    for (int32_t i = 0; i < n; ++i) {
      if (contributions[i] == 0) continue;
      normals[i].X /= contributions[i];
      normals[i].Y /= contributions[i];
      normals[i].Z /= contributions[i];
    }
  } else if (Mode == GL_TRIANGLES || (Mode == GL_QUADS && Indices.Count == 0)) {
    const int32_t group = Mode == GL_TRIANGLES ? 3 : 4;
    for (int32_t k = 0; k + group - 1 < n; k += group) {
      const TGLVector f = FaceNormal(v[k], v[k + 1], v[k + 2]);
      for (int j = 0; j < group; ++j) normals[k + j] = f;
    }
  }
  NormalizeVectors(normals, normals, n);
}

void TGLPrimitive::TransformVertices(const TGLMatrix& M) {
  TransformVectors(Vertices.Items(), Vertices.Items(), Vertices.Count, M);
}

void TGLPrimitive::MorphVertices(const TGLVectorDArray& From, const TGLVectorDArray& To, float T) {
  if (From.Count != To.Count) return;
  Vertices.SetCount(From.Count);
  LerpVectors(From.Items(), To.Items(), Vertices.Items(), T, From.Count);
}

void TGLPrimitive::MorphNormals(const TGLVectorDArray& From, const TGLVectorDArray& To, float T) {
  if (Normals.Count == 0 || From.Count != To.Count) return;
  Normals.SetCount(From.Count);
  LerpVectors(From.Items(), To.Items(), Normals.Items(), T, From.Count);
}

void TGLPrimitive::Draw() {
  const int32_t n = Vertices.Count;
  if (n == 0) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(3, GL_FLOAT, 12, Vertices.Data);
  if (Colors.Count == n) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_UNSIGNED_BYTE, 4, Colors.Data);
  } else {
    glDisableClientState(GL_COLOR_ARRAY);
    if (Colors.Count == 1) glColor4ubv(Colors.Data);
  }
  if (Normals.Count == n) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 12, Normals.Data);
  } else {
    glDisableClientState(GL_NORMAL_ARRAY);
    if (Normals.Count == 1) glNormal3fv(reinterpret_cast<const GLfloat*>(Normals.Data));
  }
  // A set of any other length than the vertices' is not drawn from.
  if (TexCoords[0].Count == n) {
    glTexCoordPointer(2, GL_FLOAT, 8, TexCoords[0].Data);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  } else {
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  }
  if (glLockArraysEXT) glLockArraysEXT(0, n);
  if (Indices.Count > 0) {
    glDrawElements(Mode, Indices.Count, GL_UNSIGNED_INT, Indices.Data);
  } else {
    glDrawArrays(Mode, 0, n);
  }
  if (glUnlockArraysEXT) glUnlockArraysEXT();
}

void TGLPrimitiveList::ContextCreated() {
  MaxTextureUnits = 1;
  if (ExtensionSupported("GL_ARB_multitexture")) {
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    MaxTextureUnits = units;
  }
}

TGLDisplayList::~TGLDisplayList() = default;

void TGLDisplayList::Build() {
  if (!OnBuild) return;
  if (Built) Delete();
  Base = glGenLists(Count);
  OnBuild(this);
  Built = true;
}

void TGLDisplayList::CallLists(int32_t N, const void* Codes) {
  if (!Built) Build();
  if (!Built || N <= 0) return;
  glListBase(Base);
  glCallLists(N, CallType, Codes);
}

void TGLDisplayList::Delete() {
  if (!Built) return;
  glDeleteLists(Base, Count);
  Built = false;
}

void TGLDisplayListList::BuildAll() {
  for (int i = 0; i < Count(); ++i) Items(i)->Build();
}

void TGLDisplayListList::DeleteAll() {
  for (int i = 0; i < Count(); ++i) Items(i)->Delete();
}

}  // namespace emberhall
