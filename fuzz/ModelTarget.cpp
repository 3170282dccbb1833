// Arbitrary bytes as a 3DM model: loaded into a file's records, which must
// then hold together: every material is found by its name (also after a
// rename), and no object keeps more frames than its source can carry.
// Then the model is built into a mesh: either a clear error or groups whose
// indices all name vertices of their primitive. The build runs on an OpenGL
// object whose context is never started: building makes no GL call (its
// materials and primitives are plain records until drawn), and without a
// texture list no picture is read.
// Built as a libFuzzer target with EMBERHALL_FUZZ_MAIN; the tests replay the
// corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "gl/GLContext.h"
#include "gl/GLPrimitives.h"
#include "platform/SysUtils.h"
#include "scene/File3DM.h"
#include "scene/SceneMaterials.h"
#include "scene/SceneMeshes.h"

namespace emberhall {

namespace {

void Check(bool Holds) {
  if (!Holds) std::abort();
}

void CheckNamesAndRename(T3DMMaterialList& List) {
  for (T3DMMaterial* m : List.Items()) {
    Check(m->Owner == &List && List.FindByName(m->Name) != nullptr);
    if (auto* multi = dynamic_cast<T3DMMaterialMultiSubObject*>(m)) CheckNamesAndRename(multi->SubMaterials);
  }
  if (List.Count() == 0) return;
  T3DMMaterial* first = List.Get(0);
  first->SetName(UpperCase(first->Name) + "x");
  Check(List.FindByName(first->Name) != nullptr && List.Get(List.Count() - 1) == first);
}

void CheckGroups(const TMeshGroupList& Groups) {
  for (const TMeshGroup* g : Groups.Items) {
    const TGLPrimitive& p = *g->Primitive;
    Check(p.Indices.Count % 3 == 0 && p.Normals.Count == p.Vertices.Count);
    for (int32_t i = 0; i < p.Indices.Count; ++i) Check(p.Indices.Items()[i] < static_cast<uint32_t>(p.Vertices.Count));
    for (const TGLVectorDArray* frame : g->VertexFrames.Items) Check(frame->Count == p.Vertices.Count);
  }
}

void BuildModelMesh(const uint8_t* Data, size_t Size) {
  TCustomOpenGL openGL;
  {
    TMainScene scene;
    scene.OpenGL = &openGL;
    auto* materials = new TSceneMaterialList();
    materials->Name = "Materials";
    scene.AddWithOptions(materials, 0);
    auto* list = new TSceneMeshList();
    list->Name = "Meshes";
    scene.AddWithOptions(list, 0);
    list->Materials = materials;
    auto* mesh = new TSceneMesh();
    mesh->Name = "Mesh";
    list->AddItem(mesh);
    T3DMMeshLoader loader;
    try {
      loader.File->LoadFromBytes(std::span<const uint8_t>(Data, Size));
    } catch (const Exception&) {
      // Built from what was read before the error, as a draw would not be.
    }
    try {
      loader.BuildMesh("fuzz.3dm", mesh);
    } catch (const Exception&) {
      return;
    }
    CheckGroups(mesh->OpaqueGroups);
    CheckGroups(mesh->TransparentGroups);
    mesh->SetTime(3.5f);
  }
}

}  // namespace

void LoadModelBytes(const uint8_t* Data, size_t Size) {
  T3DMFile file;
  try {
    file.LoadFromBytes(std::span<const uint8_t>(Data, Size));
  } catch (const Exception&) {
    // A refused model keeps what was read before the error.
  }
  for (const auto& object : file.Objects) {
    const int vertices = object->Vertices.Count();
    Check(static_cast<int64_t>(object->Frames.Count()) * (vertices + 1) <= static_cast<int64_t>((Size + 1) / 8));
    Check(object->FaceMatIDs.size() <= Size && static_cast<size_t>(vertices) <= Size);
  }
  CheckNamesAndRename(file.Materials);
  BuildModelMesh(Data, Size);
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  emberhall::LoadModelBytes(Data, Size);
  return 0;
}
#endif
