#include <cstdio>
#include <filesystem>

#include "platform/Paths.h"
#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"
#include <mmsystem.h>

namespace emberhall {

namespace {


// The text of a call that fills a buffer and returns the length it wrote,
// or the size it needs when the buffer is too small (GetTempPathW and its
// kind); "" when it fails.
template <class Call>
std::string Query(Call call) {
  std::wstring buffer(MAX_PATH + 1, L'\0');
  for (int attempt = 0; attempt < 4; ++attempt) {
    const UINT n = call(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) return Utf8Of(std::wstring(buffer.data(), n));
    buffer.resize(n + 1);
  }
  return "";
}

std::string WithSeparator(std::string Dir) {
  if (!Dir.empty() && Dir.back() != '\\' && Dir.back() != '/') Dir += '\\';
  return Dir;
}

// Requests the finest resolution of the system timer that timeGetTime
// reads, for as long as the program runs.
class TTimerResolution {
 public:
  TTimerResolution() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == MMSYSERR_NOERROR) FPeriod = caps.wPeriodMin > 1 ? caps.wPeriodMin : 1;
    if (timeBeginPeriod(FPeriod) != TIMERR_NOERROR) {
      FPeriod = 1;
      if (timeBeginPeriod(FPeriod) != TIMERR_NOERROR) FPeriod = 0;
    }
  }
  ~TTimerResolution() {
    if (FPeriod) timeEndPeriod(FPeriod);
  }

 private:
  UINT FPeriod = 1;
};

}  // namespace

std::string ProgramFileName() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return "";
    if (n < buffer.size()) return Utf8Of(std::wstring(buffer.data(), n));
    buffer.resize(buffer.size() * 2);  // cut short: the path is longer
  }
  return "";
}

std::string TempDirectory() {
  std::string dir = Query([](wchar_t* b, UINT n) { return static_cast<UINT>(GetTempPathW(n, b)); });
  return dir.empty() ? WithSeparator(WindowsDirectory() + "Temp") : WithSeparator(dir);
}

std::string RuntimeDirectory() {
  // The user's local (not roaming) application data: in the user's own
  // profile and kept across restarts, so that a record left by a killed run
  // is still there at the next start.
  std::string base = Query([](wchar_t* b, UINT n) { return static_cast<UINT>(GetEnvironmentVariableW(L"LOCALAPPDATA", b, n)); });
  if (base.empty()) base = TempDirectory();
  const std::string dir = WithSeparator(base) + "Emberhall";
  std::wstring wide;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (StrictWideOf(dir, wide)) {
    CreateDirectoryW(wide.c_str(), nullptr);
    attributes = GetFileAttributesW(wide.c_str());
  }
  // A link could lead anywhere, so it is not used.
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    static std::string said;
    if (said != dir) {
      said = dir;
      std::fprintf(stderr,
                   "Emberhall: the runtime folder %s is not used (%s); the program runs without a display record, so it "
                   "does not switch the display mode\n",
                   dir.c_str(), attributes == INVALID_FILE_ATTRIBUTES ? "it cannot be made" : "it is not a plain folder");
    }
    return "";
  }
  return WithSeparator(dir);
}

std::string SystemDirectory() {
  return WithSeparator(Query([](wchar_t* b, UINT n) { return GetSystemDirectoryW(b, n); }));
}

std::string WindowsDirectory() {
  return WithSeparator(Query([](wchar_t* b, UINT n) { return GetWindowsDirectoryW(b, n); }));
}

bool ForceDirectories(const std::string& path) {
  std::wstring wide;
  if (path.empty() || !StrictWideOf(path, wide)) return false;
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(wide), ec);
  return std::filesystem::is_directory(std::filesystem::path(wide), ec);
}

uint32_t MonotonicMilliseconds() {
  static TTimerResolution resolution;
  return timeGetTime();
}

}  // namespace emberhall
