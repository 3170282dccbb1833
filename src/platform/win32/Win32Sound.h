// The sound player on Windows' PlaySoundW: a resource sound plays from the
// program's embedded bytes (SND_MEMORY), a file by its name. Both are checked
// first, so that the system never reads past a WAV that claims more bytes
// than it has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Sound.h"
#include "platform/WaveCheck.h"

namespace emberhall {

class TWin32Sound : public ISoundPlayer {
 public:
  TWin32Sound() = default;
  TWin32Sound(const TWin32Sound&) = delete;
  TWin32Sound& operator=(const TWin32Sound&) = delete;
  ~TWin32Sound() override;

  void Play(const std::string& Name, TSoundSource Source, bool Looping) override;
  void Stop() override;
  // The last Play handed its sound to the system (which plays it on its
  // own thread) and no Stop followed.
  bool Started() const { return FStarted; }

 private:
  bool FStarted = false;
  bool FNoDeviceReported = false;
};

}  // namespace emberhall
