// Playing one WAV sound at a time through the system's audio output, from an
// embedded sound resource or from a file.
#pragma once

#include <string>

namespace emberhall {

enum class TSoundSource { File, Resource };

class ISoundPlayer {
 public:
  virtual ~ISoundPlayer() = default;
  // Stops whatever plays, then plays the WAV named Name (a resource name, or
  // a file name with "\" or "/" as separators) from its first sample, once or
  // in a loop until stopped; returns at once. A sound that cannot be found or
  // decoded, or a system without audio output, plays nothing: the reason goes
  // to stderr as one line, and nothing is raised.
  virtual void Play(const std::string& Name, TSoundSource Source, bool Looping) = 0;
  // Stops every sound of the program.
  virtual void Stop() = 0;
};

}  // namespace emberhall
