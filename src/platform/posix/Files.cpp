#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/SysUtils.h"

namespace emberhall {

namespace {

[[noreturn]] void Fail(const std::string& What, const std::string& FileName, int Error) {
  throw EOSError(What + " " + FileName + ": " + std::strerror(Error));
}

void WriteAll(int Fd, const std::string& Text, const std::string& FileName) {
  size_t done = 0;
  while (done < Text.size()) {
    const ssize_t n = write(Fd, Text.data() + done, Text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("Cannot write", FileName, errno);
    done += static_cast<size_t>(n);
  }
}

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& FileName, size_t MaxBytes, bool FollowLinks) {
  const int fd = open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (FollowLinks ? 0 : O_NOFOLLOW));
  if (fd < 0) Fail("Cannot open", FileName, errno);
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    throw EOSError("Cannot read " + FileName + ": not a regular file");
  }
  if (static_cast<uint64_t>(st.st_size) > MaxBytes) {
    close(fd);
    throw EOSError("Cannot read " + FileName + ": the file is too large");
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      Fail("Cannot read", FileName, error);
    }
    if (n == 0) break;  // shrank meanwhile
    done += static_cast<size_t>(n);
  }
  close(fd);
  bytes.resize(done);
  return bytes;
}

void ReplaceFileContents(const std::string& FileName, const std::string& Text, unsigned NewFileMode) {
  const std::string dir = ExtractFileDir(FileName);
  std::string temp = ExtractFilePath(FileName) + "." + ExtractFileName(FileName) + ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) Fail("Cannot create a file in", dir, errno);
  try {
    WriteAll(fd, Text, temp);
    struct stat st {};
    fchmod(fd, stat(FileName.c_str(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode);
    if (fsync(fd) != 0) Fail("Cannot flush", temp, errno);
    const int closed = close(fd);
    fd = -1;
    if (closed != 0) Fail("Cannot write", temp, errno);
    if (rename(temp.c_str(), FileName.c_str()) != 0) Fail("Cannot replace", FileName, errno);
  } catch (...) {
    if (fd >= 0) close(fd);
    unlink(temp.c_str());
    throw;
  }
}

void RemoveStaleTemporaries(const std::string& FileName) {
  const std::string prefix = "." + ExtractFileName(FileName) + ".";
  std::error_code ec;
  std::filesystem::directory_iterator it(ExtractFileDir(FileName), ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::error_code ignored;
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
      std::filesystem::remove(it->path(), ignored);
  }
}

}  // namespace emberhall
