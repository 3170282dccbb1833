// Arbitrary bytes as a scene description: read plain and scrambled into a
// scene (without touching files or resources), written back and re-read.
// Built as a libFuzzer target with EMBERHALL_FUZZ_MAIN; the tests replay the
// corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneObjects.h"

namespace emberhall {

void LoadSceneDescriptionBytes(const uint8_t* Data, size_t Size) {
  RegisterSceneClasses();
  const std::span<const uint8_t> bytes(Data, Size);
  for (const bool scrambled : {false, true}) {
    TMainScene scene;
    TResourceLoader loader;
    loader.Scrambled = scrambled;
    loader.Section = scene.Name;
    loader.MainScene = &scene;
    loader.OpenBytes(bytes);
    try {
      scene.LoadFromLoader(loader);
      scene.SourceLocation = 0;  // children never reach for files or resources
      loader.LoadChildren(&scene);
    } catch (const Exception&) {
      // A refused description: the tree keeps what was built.
    }
    TResourceLoader writer;
    writer.MainScene = &scene;
    writer.Section = scene.Name;
    writer.NewDocument();  // no file name: nothing is saved
    try {
      writer.SaveChildren(&scene);
    } catch (const Exception&) {
    }
    const std::vector<std::string> lines = writer.Ini()->Lines();
    TIniDocument again(lines);
    const std::vector<std::string> source = SplitSourceLines(bytes);
    if (!source.empty()) {
      try {
        scene.FindByPath(source.front());
      } catch (const Exception&) {
      }
    }
  }
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  emberhall::LoadSceneDescriptionBytes(Data, Size);
  return 0;
}
#endif
