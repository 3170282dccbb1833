#include "platform/Paths.h"

#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

namespace {

// Why Dir cannot be this user's private folder; "" when it can.
std::string NotPrivate(const std::string& Dir, bool FollowLink) {
  struct stat st {};
  if ((FollowLink ? stat(Dir.c_str(), &st) : lstat(Dir.c_str(), &st)) != 0) return std::strerror(errno);
  if (S_ISLNK(st.st_mode)) return "it is a link";
  if (!S_ISDIR(st.st_mode)) return "it is not a folder";
  if (st.st_uid != getuid()) return "it belongs to user " + std::to_string(st.st_uid);
  if (st.st_mode & 077) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return std::string("other users may use it (mode ") + mode + ")";
  }
  return "";
}

void SayNotUsed(const std::string& Dir, const std::string& Why) {
  static std::string said;
  if (said == Dir) return;
  said = Dir;
  std::fprintf(stderr,
               "Emberhall: the runtime folder %s is not used (%s); the program runs without its single-instance lock "
               "and without a display record, so it does not switch the display mode\n",
               Dir.c_str(), Why.c_str());
}

}  // namespace

std::string RuntimeDirectory() {
  const char* r = std::getenv("XDG_RUNTIME_DIR");
  const bool own = !(r && *r);
  std::string dir = own ? TempDirectory() + "emberhall-" + std::to_string(getuid()) : std::string(r);
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (own && mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    SayNotUsed(dir, std::strerror(errno));
    return "";
  }
  // The session's own folder may be reached through a link; ours may not.
  const std::string why = NotPrivate(dir, !own);
  if (!why.empty()) {
    SayNotUsed(dir, why);
    return "";
  }
  return IncludeTrailingPathDelimiter(dir);
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
