// Plays one WAV sound, optionally looping, from a file or from a sound
// resource of the program, through the platform's sound player.
#pragma once

#include <string>

namespace emberhall {

class TSimpleSound {
 public:
  TSimpleSound() = default;
  TSimpleSound(const TSimpleSound&) = delete;
  TSimpleSound& operator=(const TSimpleSound&) = delete;
  // Stops the sound.
  ~TSimpleSound();

  // Stops, then starts the sound from its beginning; returns at once.
  // Failures play nothing and raise nothing.
  void Play();
  // Stops every sound of the program.
  void Stop();

  bool Looping = false;
  // Plays the sound resource named after FileName instead of the file: its
  // file-name part with the first "." made "_" ("fireplace.wav" ->
  // "fireplace_wav"), matched without regard to case.
  bool FromResource = false;
  std::string FileName;
};

}  // namespace emberhall
