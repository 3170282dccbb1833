// Where things live on this system: the running program, the temp and
// runtime folders, and the monotonic millisecond clock.
#pragma once

#include <cstdint>
#include <string>

namespace emberhall {

// Full path of the running program.
std::string ProgramFileName();
// The folder for temporary files, with a trailing "/".
std::string TempDirectory();
// The folder for this user's lock and record files, with a trailing "/".
// It is used only when it is a folder owned by this user that no one else
// may enter; otherwise the answer is "" and stderr says why, once per folder.
// (POSIX: $XDG_RUNTIME_DIR, or "emberhall-<uid>" in the temp folder, made
// with mode 0700 and never a link.)
std::string RuntimeDirectory();
// Folders the system keeps its libraries and settings in, trailing "/".
std::string SystemDirectory();
std::string WindowsDirectory();
// Creates a folder and its parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);

// Milliseconds of a monotonic clock, wrapping at 2^32.
uint32_t MonotonicMilliseconds();

}  // namespace emberhall
