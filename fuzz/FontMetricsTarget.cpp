// Arbitrary bytes as a font metrics text and as the keys of a font section
// (the character series among them). Built as a libFuzzer target with
// EMBERHALL_FUZZ_MAIN; the tests replay the corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneFonts.h"

namespace emberhall {

void LoadFontMetricsBytes(const uint8_t* Data, size_t Size) {
  const std::span<const uint8_t> bytes(Data, Size);
  for (int32_t cell : {1, 16, 4096}) {
    try {
      const auto records = ParseFontMetrics(bytes, cell, "fuzz");
      for (const TCharRecord& r : records)
        if (r.Width < 0 || r.Width > cell || r.Height < 0 || r.Height > cell) __builtin_trap();
    } catch (const Exception&) {
    }
  }
  std::string description = "[Font]\nType=TSceneFont\n";
  description.append(reinterpret_cast<const char*>(Data), Size);
  TResourceLoader loader;
  loader.OpenBytes({reinterpret_cast<const uint8_t*>(description.data()), description.size()});
  loader.Section = "Font";
  TSceneFont font;
  font.SetName("Font");
  try {
    font.LoadFromLoader(loader);
  } catch (const Exception&) {
  }
  int enabled = 0;
  for (const TCharRecord& r : font.Glyphs) enabled += r.Enabled;
  if (enabled != font.CharCount) __builtin_trap();
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  emberhall::LoadFontMetricsBytes(Data, Size);
  return 0;
}
#endif
