#include "platform/win32/Win32Sound.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/WaveCheck.h"
#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"
#include <mmsystem.h>
#undef PlaySound

namespace emberhall {

TWin32Sound::~TWin32Sound() { Stop(); }

void TWin32Sound::Play(const std::string& Name, TSoundSource Source, bool Looping) {
  Stop();
  // A resource plays from the embedded bytes, which stay valid for the
  // program's life as the system needs them while it plays; a file plays by
  // its name once its bytes passed the same checks.
  std::span<const uint8_t> memory;
  std::wstring file;
  try {
    if (Source == TSoundSource::Resource) {
      const TResourceData resource = FindResourceData(Name, TResourceType::Sound);
      if (!resource.Found) throw EOSError("no sound resource of this name");
      memory = CheckedWave(resource.Bytes);
    } else {
      CheckedWave(ReadFileBytes(Name, MaxWaveBytes));
      file = WideOf(Name);
    }
  } catch (const EOSError& e) {
    std::fprintf(stderr, "emberhall: no sound from %s: %s\n", Name.c_str(), e.what());
    return;
  }
  if (waveOutGetNumDevs() == 0) {
    if (!FNoDeviceReported)
      std::fprintf(stderr, "emberhall: no sound device (no wave output); the program goes on without sound\n");
    FNoDeviceReported = true;
    return;
  }
  const DWORD mode = SND_ASYNC | SND_NODEFAULT | (Looping ? SND_LOOP : 0);
  const BOOL played = memory.empty()
                          ? PlaySoundW(file.c_str(), nullptr, mode | SND_FILENAME)
                          : PlaySoundW(reinterpret_cast<const wchar_t*>(memory.data()), nullptr, mode | SND_MEMORY);
  if (!played) {
    std::fprintf(stderr, "emberhall: no sound from %s: the system could not play it\n", Name.c_str());
    return;
  }
  FStarted = true;
}

void TWin32Sound::Stop() {
  // No sound name stops whatever this program plays.
  PlaySoundW(nullptr, nullptr, 0);
  FStarted = false;
}

}  // namespace emberhall
