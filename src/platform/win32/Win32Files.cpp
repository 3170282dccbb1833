#include <atomic>
#include <filesystem>

#include "platform/Files.h"
#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

// The UTF-16 name; a name that is not UTF-8 would name another file.
std::wstring Widen(const std::string& FileName) {
  std::wstring wide;
  if (!StrictWideOf(FileName, wide)) throw EOSError("Cannot use the file name " + FileName + ": it is not UTF-8 text");
  return wide;
}


[[noreturn]] void Fail(const std::string& What, const std::string& FileName, DWORD Error) {
  throw EOSError(What + " " + FileName + ": " + SystemErrorText(Error));
}

// Closes a file handle at the end of the scope.
class THandle {
 public:
  explicit THandle(HANDLE Handle) : FHandle(Handle) {}
  ~THandle() { Close(); }
  THandle(const THandle&) = delete;
  THandle& operator=(const THandle&) = delete;
  HANDLE Get() const { return FHandle; }
  bool Close() {
    const bool ok = FHandle == INVALID_HANDLE_VALUE || CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE FHandle;
};

// Six letters or digits for a temporary name; uniqueness comes from the
// exclusive creation, so these need only differ between attempts.
std::string TemporarySuffix() {
  static std::atomic<uint64_t> counter{0};
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  uint64_t x = static_cast<uint64_t>(now.QuadPart) ^ (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^
               (++counter * 0x9E3779B97F4A7C15ull);
  x ^= x >> 33;
  x *= 0xFF51AFD7ED558CCDull;
  x ^= x >> 33;
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string s;
  for (int i = 0; i < 6; ++i, x /= 62) s += digits[x % 62];
  return s;
}

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& FileName, size_t MaxBytes, bool FollowLinks) {
  // Without FollowLinks a link is opened itself, and refused below.
  THandle file(CreateFileW(Widen(FileName).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | (FollowLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                           nullptr));
  if (file.Get() == INVALID_HANDLE_VALUE) Fail("Cannot open", FileName, GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file.Get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.Get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
    throw EOSError("Cannot read " + FileName + ": not a regular file");
  const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > MaxBytes) throw EOSError("Cannot read " + FileName + ": the file is too large");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file.Get(), bytes.data() + done, chunk, &got, nullptr)) Fail("Cannot read", FileName, GetLastError());
    if (got == 0) break;  // shrank meanwhile
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

void ReplaceFileContents(const std::string& FileName, const std::string& Text, unsigned /*NewFileMode*/) {
  const std::wstring target = Widen(FileName);
  const std::string prefix = ExtractFilePath(FileName) + "." + ExtractFileName(FileName) + ".";
  std::string temp;
  HANDLE created = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && created == INVALID_HANDLE_VALUE; ++attempt) {
    temp = prefix + TemporarySuffix();
    // CREATE_NEW never opens what exists, a link included.
    created = CreateFileW(Widen(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  if (created == INVALID_HANDLE_VALUE) Fail("Cannot create a file in", ExtractFileDir(FileName), GetLastError());
  THandle file(created);
  try {
    size_t done = 0;
    while (done < Text.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(Text.size() - done, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file.Get(), Text.data() + done, chunk, &written, nullptr) || written == 0)
        Fail("Cannot write", temp, GetLastError());
      done += written;
    }
    if (!FlushFileBuffers(file.Get())) Fail("Cannot flush", temp, GetLastError());
    if (!file.Close()) Fail("Cannot write", temp, GetLastError());
    if (!MoveFileExW(Widen(temp).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      Fail("Cannot replace", FileName, GetLastError());
  } catch (...) {
    file.Close();
    DeleteFileW(Widen(temp).c_str());
    throw;
  }
}

void RemoveStaleTemporaries(const std::string& FileName) {
  const std::string prefix = "." + ExtractFileName(FileName) + ".";
  // The folder with its separator: for C:\x that is C:\ (ExtractFileDir
  // gives C:, the current folder of drive C).
  const std::string folder = ExtractFilePath(FileName);
  std::filesystem::path dir;
  try {
    dir = Widen(folder.empty() ? "." : folder);
  } catch (const EOSError&) {
    return;  // no such file can have been written
  }
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = Utf8Of(it->path().filename().wstring());
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
      DeleteFileW(it->path().wstring().c_str());
  }
}

}  // namespace emberhall
