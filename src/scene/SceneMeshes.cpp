#include "scene/SceneMeshes.h"

#include <algorithm>
#include <cmath>

#include "gl/GLContext.h"
#include "gl/GLLights.h"
#include "gl/GLPrimitives.h"
#include "platform/SysUtils.h"
#include "scene/File3DM.h"
#include "scene/RenderCaches.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneMaterials.h"
#include "scene/SceneTextures.h"

namespace emberhall {

// ---- TMeshGroupList ----

void TMeshGroupList::DrawGroups() {
  for (TMeshGroup* group : Items) {
    UseGroupMaterial(group->GroupMaterial);
    BindSceneTexture(group->Texture);
    group->Primitive->Draw();
  }
}

// A group with fewer frames than asked for (an object of the model without
// animation beside an animated one) keeps its positions.
void TMeshGroupList::LerpGroupVertices(int A, int B, float F) {
  for (TMeshGroup* group : Items)
    if (std::max(A, B) < group->VertexFrames.Count())
      group->Primitive->MorphVertices(*group->VertexFrames.GetFrame(A), *group->VertexFrames.GetFrame(B), F);
}

void TMeshGroupList::LerpGroupNormals(int A, int B, float F) {
  for (TMeshGroup* group : Items)
    if (std::max(A, B) < group->NormalFrames.Count())
      group->Primitive->MorphNormals(*group->NormalFrames.GetFrame(A), *group->NormalFrames.GetFrame(B), F);
}

// ---- TSceneMeshList ----

void TSceneMeshList::SaveToLoader(TResourceLoader& Loader) {
  TResource::SaveToLoader(Loader);
  Loader.WriteReference("Materials", Materials);
  Loader.WriteReference("Textures", Textures);
}

void TSceneMeshList::LoadFromLoader(TResourceLoader& Loader) {
  // The references first: the meshes loaded with the children look at them.
  Materials = dynamic_cast<TMainObjectList*>(Loader.ReadReference("Materials", Materials));
  Textures = dynamic_cast<TSceneTextureList*>(Loader.ReadReference("Textures", Textures));
  TResource::LoadFromLoader(Loader);
}

void TSceneMeshList::ListResources(std::vector<std::string>& Lines) {
  for (int i = 0; i < GetCount(); ++i)
    if (TSceneMesh* mesh = GetMesh(i)) Lines.push_back(ResourceNameOf(mesh->SourceName) + " RCData " + mesh->SourceName);
}

TSceneMesh* TSceneMeshList::GetMesh(int Index) const { return dynamic_cast<TSceneMesh*>(GetItem(Index)); }

// ---- TSceneMesh ----

TSceneMeshList* TSceneMesh::MeshList() const {
  auto* list = dynamic_cast<TSceneMeshList*>(Owner);
  if (!list) throw Exception("TSceneMesh error: " + Name + " is held by no TSceneMeshList");
  return list;
}

void TSceneMesh::EnsureLoaded() {
  if (Loaded || SourceName.empty()) return;
  TSceneMeshList* list = MeshList();
  T3DMMeshLoader loader;
  loader.BasePath = list->Path;
  loader.SetFromResource((list->SourceLocation & slResource) != 0);
  try {
    loader.LoadMesh(SourceName, this);
  } catch (...) {
    // Half-built groups would be drawn as if complete.
    ClearGroups();
    throw;
  }
  Loaded = true;
}

void TSceneMesh::ClearGroups() {
  OpaqueGroups.Clear();
  TransparentGroups.Clear();
}

void TSceneMesh::SetSourceName(const std::string& Value) {
  if (Value == SourceName) return;
  SourceName = Value;
  Loaded = false;
}

TMeshGroup* TSceneMesh::AddGroup(int FrameCount, int Sub, TSceneTexture* Texture) {
  if (!Material) throw Exception("TSceneMesh.AddGroup error: Material is not assigned!");
  TGroupMaterial* material = Material->GetGroup(Sub);
  TMainScene* scene = MeshList()->MainScene;
  if (!scene || !scene->OpenGL)
    throw Exception("TSceneMesh.AddGroup error: " + Name + " is in no scene with an OpenGL context");
  TMeshGroup* group;
  if (IsTranslucent(material) || (Texture && Texture->HasAlpha())) {
    group = TransparentGroups.NewGroup();
    Alpha = true;
  } else {
    group = OpaqueGroups.NewGroup();
  }
  group->Texture = Texture;
  group->GroupMaterial = material;
  for (int i = 0; i < FrameCount; ++i) group->VertexFrames.AddFrame();
  group->Primitive = scene->OpenGL->Primitives.Add();
  return group;
}

int TSceneMesh::FrameCount() const {
  const TMeshGroupList& groups = OpaqueGroups.Count() > 0 ? OpaqueGroups : TransparentGroups;
  return groups.Count() > 0 ? groups.Get(0)->VertexFrames.Count() : 0;
}

void TSceneMesh::SetTime(float T) {
  const int n = FrameCount();
  if (n == 0 || !std::isfinite(T)) return;
  const double whole = std::floor(static_cast<double>(T));
  const float f = static_cast<float>(static_cast<double>(T) - whole);
  int d = static_cast<int>(std::fmod(whole, static_cast<double>(n)));
  if (d < 0) d += n;
  const int next = d + 1 == n ? 0 : d + 1;
  Time = static_cast<float>(d) + f;
  OpaqueGroups.LerpGroupVertices(d, next, f);
  TransparentGroups.LerpGroupVertices(d, next, f);
  OpaqueGroups.LerpGroupNormals(d, next, f);
  TransparentGroups.LerpGroupNormals(d, next, f);
}

void TSceneMesh::Animate(float DeltaTime) { SetTime(DeltaTime * FPS + Time); }

void TSceneMesh::ApplyGroupAlpha() {
  for (TMeshGroup* group : TransparentGroups.Items) {
    const float a = std::clamp(group->GroupMaterial->GLMaterial->Diffuse.Alpha * 255.0f, 0.0f, 255.0f);
    const uint32_t alpha = static_cast<uint32_t>(std::nearbyint(a));
    TGLColorDArray& colors = group->Primitive->Colors;
    for (int32_t i = 0; i < colors.Count; ++i) colors.SetItem(i, (colors.GetItem(i) & 0x00FFFFFFu) | alpha << 24);
  }
}

void TSceneMesh::RenderOpaque() {
  EnsureLoaded();
  if (OpaqueGroups.Count() == 0) return;
  SetBlending(false);
  OpaqueGroups.DrawGroups();
}

void TSceneMesh::RenderTransparent() {
  EnsureLoaded();
  if (TransparentGroups.Count() == 0) return;
  SetBlending(true);
  TransparentGroups.DrawGroups();
}

void TSceneMesh::SaveToLoader(TResourceLoader& Loader) {
  TMainObject::SaveToLoader(Loader);
  Loader.WriteReference("Material", Material);
  Loader.WriteFloat("FPS", FPS);
  Loader.WriteString("SourceName", SourceName);
}

void TSceneMesh::LoadFromLoader(TResourceLoader& Loader) {
  TMainObject::LoadFromLoader(Loader);
  ClearGroups();
  Loaded = false;
  FPS = Loader.ReadFloat("FPS", 6);
  const auto* list = dynamic_cast<TResource*>(Owner);
  SetSourceName(Loader.ReadPath("SourceName", list ? list->Path : std::string(), ""));
  Material = dynamic_cast<TSceneMaterial*>(Loader.ReadReference("Material", Material));
}

// ---- TVertIndices3DMList ----

int32_t TVertIndices3DMList::GetIndex(int32_t Vertex, int32_t TexCoord, int32_t Color) {
  std::vector<int32_t>& bucket = Buckets.at(static_cast<size_t>(Vertex - 1));
  for (int32_t e : bucket)
    if (Entries[static_cast<size_t>(e)].TexCoord == TexCoord) return Entries[static_cast<size_t>(e)].Index;
  bucket.push_back(static_cast<int32_t>(Entries.size()));
  Entries.push_back({Vertex, NextId, TexCoord, Color});
  return NextId++;
}

// ---- T3DMMeshLoader ----

T3DMMeshLoader::T3DMMeshLoader() : File(std::make_unique<T3DMFile>()) {}
T3DMMeshLoader::~T3DMMeshLoader() = default;

void T3DMMeshLoader::SetFromResource(bool Value) { File->FromResource = Value; }

bool T3DMMeshLoader::LoadFile(const std::string& Name) {
  File->Clear();
  File->LoadFromFile(CombinePath(BasePath, Name));
  return File->ObjectCount() > 0;
}

void T3DMMeshLoader::LoadMesh(const std::string& Name, TSceneMesh* Mesh) {
  if (!LoadFile(Name)) return;
  Mesh->SetSourceName(Name);
  BuildMesh(Name, Mesh);
}

void T3DMMeshLoader::BuildMesh(const std::string& ModelName, TSceneMesh* Mesh) {
  FModelName = ModelName;
  TSceneMeshList* list = Mesh->MeshList();
  CreateMaterials(list);
  for (const auto& object : File->Objects) AddMesh(Mesh, list, *object);
}

void T3DMMeshLoader::CreateMaterials(TSceneMeshList* MeshList) {
  if (!MeshList->Materials) return;
  for (T3DMMaterial* m : File->Materials.Items()) {
    // A nameless material cannot be a scene node: objects naming it find no
    // scene material.
    TSceneMaterial* created = nullptr;
    if (!m->Name.empty() && !MeshList->Materials->FindByName(m->Name)) {
      auto material = std::make_unique<TSceneMaterial>();
      material->Name = m->Name;
      MeshList->Materials->AddItem(material.get());
      created = material.release();
    }
    if (auto* standard = dynamic_cast<T3DMMaterialStandard*>(m)) {
      CreateTextures(MeshList, *standard);
      if (created) ApplyStandard(*created, *standard);
    } else if (auto* multi = dynamic_cast<T3DMMaterialMultiSubObject*>(m)) {
      for (T3DMMaterial* sub : multi->SubMaterials.Items()) {
        // Sub-materials are standard ones; another kind has nothing to apply.
        auto* s = dynamic_cast<T3DMMaterialStandard*>(sub);
        if (!s) continue;
        CreateTextures(MeshList, *s);
        if (created) ApplyStandard(*created, *s);
      }
    }
  }
}

void T3DMMeshLoader::CreateTextures(TSceneMeshList* MeshList, const T3DMMaterialStandard& S) {
  if (!MeshList->Textures) return;
  const std::string& d = S.DiffuseMap;
  const std::string& o = S.OpacityMap;
  const std::string& name = o.empty() ? d : o;
  if (name.empty() || MeshList->Textures->FindTexture(name)) return;
  if (!o.empty())
    MeshList->Textures->AddAlphaTexture(d, o);
  else if (S.Opacity == 99)
    MeshList->Textures->AddSpriteTexture(d);
  else
    MeshList->Textures->AddTexture(d);
}

void T3DMMeshLoader::Fail(const T3DMObject& Object, const std::string& What) const {
  throw Exception("T3DMMeshLoader.AddMesh error: " + FModelName + ", object \"" + Object.Name + "\": " + What);
}

void T3DMMeshLoader::CheckObject(const T3DMObject& Object) const {
  const size_t faces = Object.VertexFaces.Items().size();
  if (Object.FaceMatIDs.size() < faces) Fail(Object, "fewer face material IDs than faces");
  if (Object.HasTextureCoords && Object.TextureCoordFaces.Items().size() < faces)
    Fail(Object, "fewer texture-coordinate faces than faces");
  if (Object.HasColors && Object.ColorFaces.Items().size() < faces) Fail(Object, "fewer colour faces than faces");
  const int vertices = Object.Vertices.Count();
  const int coords = Object.TextureCoords.Count();
  for (size_t f = 0; f < faces; ++f)
    for (int j = 0; j < 3; ++j) {
      const int32_t v = Object.VertexFaces.Items()[f][static_cast<size_t>(j)];
      if (v < 1 || v > vertices)
        Fail(Object, "face " + IntToStr(static_cast<int64_t>(f) + 1) + " names vertex " + IntToStr(v) + " of " +
                         IntToStr(vertices));
      if (!Object.HasTextureCoords) continue;
      const int32_t t = Object.TextureCoordFaces.Items()[f][static_cast<size_t>(j)];
      if (t < 1 || t > coords)
        Fail(Object, "face " + IntToStr(static_cast<int64_t>(f) + 1) + " names texture coordinate " + IntToStr(t) +
                         " of " + IntToStr(coords));
    }
  for (int i = 0; i < Object.Frames.Count(); ++i)
    if (Object.Frames.Frames[static_cast<size_t>(i)].Count() < vertices)
      Fail(Object, "frame " + IntToStr(i) + " has fewer vertices than the object");
  if (Object.HasTransform)
    for (const auto& row : Object.Transform)
      for (float value : row)
        if (!std::isfinite(value)) Fail(Object, "the transform is not finite");
}

void T3DMMeshLoader::AddMesh(TSceneMesh* Mesh, TSceneMeshList* MeshList, const T3DMObject& Object) {
  Mesh->Material = MeshList->Materials
                       ? dynamic_cast<TSceneMaterial*>(MeshList->Materials->FindByName(Object.MaterialName))
                       : nullptr;
  const T3DMMaterial* m3 = File->Materials.FindByName(Object.MaterialName);
  const int n = Mesh->Material ? Mesh->Material->GroupCount() : 0;
  const size_t faces = Object.VertexFaces.Items().size();
  if (faces == 0) return;  // nothing to draw (an object without vertices has no faces either)
  // The material IDs first: their errors are the ones a model is known by.
  for (size_t i = 0; i < faces && i < Object.FaceMatIDs.size(); ++i) {
    const int32_t id = Object.FaceMatIDs[i];
    if (id > 1000) throw Exception("T3DMMeshLoader.AddMesh: FaceID>1000");
    if (id < 1) Fail(Object, "face " + IntToStr(static_cast<int64_t>(i) + 1) + " has material ID " + IntToStr(id) +
                                 " (IDs start at 1)");
  }
  CheckObject(Object);
  if (Mesh->Material && n == 0) Fail(Object, "material \"" + Mesh->Material->Name + "\" has no groups");
  // Faces of each ID in order, IDs in order of first appearance.
  std::vector<int32_t> ids;
  std::vector<std::vector<int>> faceLists;
  std::vector<TMeshGroup*> groups;
  std::vector<int> slotOfId(1001, -1);
  for (size_t i = 0; i < faces; ++i) {
    const int32_t id = Object.FaceMatIDs[i];
    int& slot = slotOfId[static_cast<size_t>(id)];
    if (slot < 0) {
      slot = static_cast<int>(ids.size());
      ids.push_back(id);
      faceLists.emplace_back();
      groups.push_back(NewMeshGroup(Mesh, m3, id - 1 < n ? id - 1 : n - 1));
    }
    faceLists[static_cast<size_t>(slot)].push_back(static_cast<int>(i));
  }
  for (size_t g = 0; g < groups.size(); ++g) BuildGroupPrimitive(groups[g], faceLists[g], Object);
  Mesh->ApplyGroupAlpha();
  MeshList->Alpha = MeshList->Alpha || Mesh->TransparentGroups.Count() > 0;
}

TMeshGroup* T3DMMeshLoader::NewMeshGroup(TSceneMesh* Mesh, const T3DMMaterial* M3, int Sub) {
  // An object whose material the file lacks gets no texture from it; its
  // groups still use the scene material of that name when there is one.
  const T3DMMaterialStandard* s = dynamic_cast<const T3DMMaterialStandard*>(M3);
  if (const auto* multi = dynamic_cast<const T3DMMaterialMultiSubObject*>(M3))
    s = Sub >= 0 && Sub < multi->SubMaterials.Count()
            ? dynamic_cast<const T3DMMaterialStandard*>(multi->SubMaterials.Get(Sub))
            : nullptr;
  TSceneTexture* texture = nullptr;
  TSceneTextureList* textures = Mesh->MeshList()->Textures;
  if (s && textures) {
    const std::string& name = s->OpacityMap.empty() ? s->DiffuseMap : s->OpacityMap;
    if (!name.empty()) texture = textures->FindTexture(name);
  }
  return Mesh->AddGroup(0, Sub, texture);
}

void T3DMMeshLoader::BuildGroupPrimitive(TMeshGroup* Group, const std::vector<int>& Faces, const T3DMObject& Object) {
  TGLPrimitive& p = *Group->Primitive;
  p.Mode = GL_TRIANGLES;
  TVertIndices3DMList indices(Object.Vertices.Count());
  p.Indices.SetCount(static_cast<int32_t>(3 * Faces.size()));
  int32_t next = 0;
  for (int f : Faces)
    for (size_t j = 0; j < 3; ++j) {
      const size_t face = static_cast<size_t>(f);
      const int32_t v = Object.VertexFaces.Items()[face][j];
      const int32_t t = Object.HasTextureCoords ? Object.TextureCoordFaces.Items()[face][j] : 0;
      const int32_t c = Object.HasColors ? Object.ColorFaces.Items()[face][j] : 0;
      p.Indices.SetItem(next++, static_cast<uint32_t>(indices.GetIndex(v, t, c)));
    }
  const int32_t count = indices.NextId;
  p.Vertices.SetCount(count);
  if (Object.HasTextureCoords) p.GetTextureCoords(0).SetCount(count);
  for (const auto& e : indices.Entries) {
    const T3DMVertex& v = Object.Vertices.Items()[static_cast<size_t>(e.Vertex - 1)];
    p.Vertices.SetVector(e.Index, v.X, v.Y, v.Z);
    if (Object.HasTextureCoords) {
      const T3DMTextureCoord& t = Object.TextureCoords.Items()[static_cast<size_t>(e.TexCoord - 1)];
      p.TexCoords[0].SetCoord(e.Index, t.U, t.V);
    }
  }
  for (const T3DMVertexList& frame : Object.Frames.Frames) {
    TGLVectorDArray& positions = *Group->VertexFrames.AddFrame();
    Group->NormalFrames.AddFrame();
    positions.SetCount(count);
    for (const auto& e : indices.Entries) {
      const T3DMVertex& v = frame.Items()[static_cast<size_t>(e.Vertex - 1)];
      positions.SetVector(e.Index, v.X, v.Y, v.Z);
    }
  }
  if (Object.HasTransform) {
    // Rows of the model's transform for row vectors; then Z-up turned Y-up.
    TGLMatrix m{};
    for (size_t i = 0; i < 4; ++i) {
      for (size_t j = 0; j < 3; ++j) m[4 * i + j] = Object.Transform[i][j];
      m[4 * i + 3] = i == 3 ? 1.0f : 0.0f;
    }
    MultiplyMatrix(m, RotationMatrixX(270), m);
    p.TransformVertices(m);
    for (TGLVectorDArray* frame : Group->VertexFrames.Items)
      TransformVectors(frame->Items(), frame->Items(), frame->Count, m);
  }
  if (Group->VertexFrames.Count() == 0) {
    p.ComputeNormals();
    return;
  }
  for (int i = Group->VertexFrames.Count() - 1; i >= 0; --i) {
    Group->VertexFrames.GetFrame(i)->CopyTo(&p.Vertices);
    p.ComputeNormals();
    p.Normals.CopyTo(Group->NormalFrames.GetFrame(i));
  }
}

// ---- TSceneSprite ----

void TSceneSprite::UpdateSpriteMesh() {
  if (!MeshBuilt) {
    if (!Texture) throw Exception("TSceneSprite.UpdateSpriteMesh error: Texture=nil!");
    ClearGroups();
    BindSceneTexture(Texture);
    TGLPrimitive& p = *AddGroup(0, 0, Texture)->Primitive;
    p.Mode = GL_QUADS;
    const float x0 = static_cast<float>(OriginX), y0 = static_cast<float>(OriginY);
    const float x1 = static_cast<float>(OriginX + Width - 1), y1 = static_cast<float>(OriginY + Height - 1);
    p.Vertices.SetCount(4);
    p.Vertices.SetVector(0, x0, y1, 0);
    p.Vertices.SetVector(1, x0, y0, 0);
    p.Vertices.SetVector(2, x1, y0, 0);
    p.Vertices.SetVector(3, x1, y1, 0);
    p.ComputeNormals();
    const int32_t w = Texture->Texture ? Texture->Texture->Width : 0;
    const int32_t h = Texture->Texture ? Texture->Texture->Height : 0;
    const float tw = w > 0 ? static_cast<float>(w - 1) : 1.0f;
    const float th = h > 0 ? static_cast<float>(h - 1) : 1.0f;
    const float uL = static_cast<float>(StartU) / tw;
    const float vB = static_cast<float>(th - static_cast<float>(StartV) - static_cast<float>(Height) + 1) / th;
    const float uR = static_cast<float>(Width - 1) / tw + uL;
    const float vT = static_cast<float>(Height - 1) / th + vB;
    TGLTextureCoordDArray& t = p.GetTextureCoords(0);
    t.SetCount(4);
    t.SetCoord(0, uL, vT);
    t.SetCoord(1, uL, vB);
    t.SetCoord(2, uR, vB);
    t.SetCoord(3, uR, vT);
    MeshBuilt = true;
  }
  const TGLPackedColor color = PackRGBA(Color[0], Color[1], Color[2], Color[3]);
  for (TMeshGroupList* groups : {&OpaqueGroups, &TransparentGroups})
    if (groups->Count() > 0) {
      TGLColorDArray& colors = groups->Get(0)->Primitive->Colors;
      colors.SetCount(1);
      colors.SetItem(0, color);
    }
}

void TSceneSprite::RenderOpaque() {
  UpdateSpriteMesh();
  TSceneMesh::RenderOpaque();
}

void TSceneSprite::RenderTransparent() {
  UpdateSpriteMesh();
  TSceneMesh::RenderTransparent();
}

void TSceneSprite::SaveToLoader(TResourceLoader& Loader) {
  TSceneMesh::SaveToLoader(Loader);
  Loader.WriteInteger("Width", Width);
  Loader.WriteInteger("Height", Height);
  Loader.WriteInteger("OriginX", OriginX);
  Loader.WriteInteger("OriginY", OriginY);
  Loader.WriteInteger("StartU", StartU);
  Loader.WriteInteger("StartV", StartV);
  Loader.WriteReference("Texture", Texture);
}

void TSceneSprite::LoadFromLoader(TResourceLoader& Loader) {
  TSceneMesh::LoadFromLoader(Loader);
  Width = Loader.ReadInteger("Width", Width);
  Height = Loader.ReadInteger("Height", Height);
  OriginX = Loader.ReadInteger("OriginX", OriginX);
  OriginY = Loader.ReadInteger("OriginY", OriginY);
  StartU = Loader.ReadInteger("StartU", StartU);
  StartV = Loader.ReadInteger("StartV", StartV);
  Texture = dynamic_cast<TSceneTexture*>(Loader.ReadReference("Texture", Texture));
  MeshBuilt = false;
}

void RegisterMeshClasses() {
  RegisterSceneClassOf<TSceneMeshList>();
  RegisterSceneClassOf<TSceneMesh>();
  RegisterSceneClassOf<TSceneSprite>();
}

}  // namespace emberhall
