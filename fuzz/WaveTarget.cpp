// Arbitrary bytes as a WAV file: checked and decoded as the sound player
// does, then converted to the sample layouts a device may ask for.
// Built as a libFuzzer target with EMBERHALL_FUZZ_MAIN; the tests replay the
// corpus through the same function.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/SysUtils.h"
#include "platform/sdl/SdlWave.h"

namespace emberhall {

void LoadWaveBytes(const uint8_t* Data, size_t Size) {
  try {
    const TWaveSamples wave = DecodeWave(std::span<const uint8_t>(Data, Size));
    for (const auto& [format, channels] : {std::pair{SampleS16LE, 2}, {SampleF32LE, 1}, {SampleU8, 6}})
      ConvertWave(wave, format, channels);
  } catch (const EOSError&) {
    // A refused sound: nothing plays.
  }
}

}  // namespace emberhall

#ifdef EMBERHALL_FUZZ_MAIN
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  emberhall::LoadWaveBytes(Data, Size);
  return 0;
}
#endif
