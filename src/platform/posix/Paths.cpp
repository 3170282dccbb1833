#include "platform/posix/Paths.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/SysUtils.h"

namespace emberhall {

std::string ProgramFileName() {
  std::error_code ec;
  auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : p.string();
}

std::string TempDirectory() {
  const char* t = std::getenv("TMPDIR");
  return IncludeTrailingPathDelimiter((t && *t) ? t : "/tmp");
}

std::string RuntimeDirectory() {
  const char* r = std::getenv("XDG_RUNTIME_DIR");
  if (r && *r) return IncludeTrailingPathDelimiter(r);
  std::string dir = TempDirectory() + "emberhall-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  return dir + "/";
}

std::string SystemDirectory() { return "/usr/lib/"; }

std::string WindowsDirectory() { return "/etc/"; }

bool ForceDirectories(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  return std::filesystem::is_directory(path, ec);
}

uint32_t MonotonicMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

}  // namespace emberhall
