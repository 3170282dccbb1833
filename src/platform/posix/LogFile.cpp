#include "platform/posix/LogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/SysUtils.h"

namespace emberhall {

namespace {

void WriteAt(int fd, const char* data, size_t size, int64_t at) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(at + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EOSError(std::string("Cannot write the log: ") + std::strerror(errno));
    done += static_cast<size_t>(n);
  }
}

}  // namespace

TLogFile::~TLogFile() { Close(); }

void TLogFile::AppendZeroBlock(int64_t At) {
  int fd = open(FFileName.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (At == 0 ? O_TRUNC : 0), 0644);
  if (fd < 0) throw EOSError("Cannot create the log " + FFileName + ": " + std::strerror(errno));
  std::vector<char> zeros(BlockSize, 0);
  try {
    WriteAt(fd, zeros.data(), zeros.size(), At);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);
  FSize = At + BlockSize;
}

void TLogFile::ReopenAt(int64_t Position) {
  FFd = open(FFileName.c_str(), O_RDWR | O_CLOEXEC);
  if (FFd < 0) throw EOSError("Cannot open the log " + FFileName + ": " + std::strerror(errno));
  if (flock(FFd, LOCK_EX | LOCK_NB) != 0) {
    close(FFd);
    FFd = -1;
    throw EOSError("The log " + FFileName + " is in use by another program");
  }
  FPosition = Position;
}

void TLogFile::Open(const std::string& FileName) {
  Close();
  FFileName = FileName;
  // A log that another program is writing is left alone.
  int probe = open(FileName.c_str(), O_RDWR | O_CLOEXEC);
  if (probe >= 0) {
    bool busy = flock(probe, LOCK_EX | LOCK_NB) != 0;
    close(probe);
    if (busy) throw EOSError("The log " + FileName + " is in use by another program");
  }
  AppendZeroBlock(0);
  ReopenAt(0);
}

void TLogFile::WriteLine(const std::string& Text) {
  if (FFd < 0) return;
  std::string line = Text + "\r\n";
  int64_t end = FPosition + static_cast<int64_t>(line.size());
  if (end > FSize) {
    // The new zero block starts where the line will be written.
    int64_t remembered = FPosition;
    close(FFd);
    FFd = -1;
    AppendZeroBlock(remembered);
    ReopenAt(remembered);
  }
  WriteAt(FFd, line.data(), line.size(), FPosition);
  FPosition = end;
  if (end > FSize) FSize = end;
}

void TLogFile::Close() {
  if (FFd >= 0) close(FFd);
  FFd = -1;
}

}  // namespace emberhall
