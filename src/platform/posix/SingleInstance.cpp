#include "platform/posix/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Paths.h"

namespace emberhall {

std::string TInstanceLock::FileNameOf(const std::string& Name) {
  const std::string dir = RuntimeDirectory();
  if (dir.empty()) return "";
  std::string safe;
  for (char c : Name) safe += c == '/' ? '_' : c;
  return dir + safe + ".lock";
}

TInstanceLock::~TInstanceLock() { Release(); }

bool TInstanceLock::Acquire(const std::string& Name) {
  Release();
  const std::string file = FileNameOf(Name);
  if (file.empty()) return true;  // no usable runtime folder
  for (int attempt = 0; attempt < 5; ++attempt) {
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      close(fd);
      return error != EWOULDBLOCK;
    }
    // The holder before us may have removed the file after we opened it:
    // the lock counts only while the path still names the locked file.
    struct stat held{}, named{};
    if (fstat(fd, &held) == 0 && lstat(file.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev) {
      FFd = fd;
      FFileName = file;
      return true;
    }
    close(fd);
  }
  return true;
}

void TInstanceLock::Release() {
  if (FFd < 0) return;
  unlink(FFileName.c_str());
  close(FFd);
  FFd = -1;
}

}  // namespace emberhall
