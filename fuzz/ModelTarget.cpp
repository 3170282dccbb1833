// Arbitrary bytes as a 3DM model: loaded into a file's records, which must
// then hold together: every material is found by its name (also after a
// rename), and no object keeps more frames than its source can carry.
// Built as a libFuzzer target with EMBERHALL_FUZZ_MAIN; the tests replay the
// corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/SysUtils.h"
#include "scene/File3DM.h"

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
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  emberhall::LoadModelBytes(Data, Size);
  return 0;
}
#endif
