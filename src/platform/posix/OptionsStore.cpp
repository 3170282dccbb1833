#include "platform/posix/OptionsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/SysUtils.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace emberhall {

namespace {

std::string EnvOr(const char* name, const char* fallback = nullptr) {
  const char* v = std::getenv(name);
  if (v && *v) return v;
  return fallback ? fallback : "";
}

std::string FirstOfList(const std::string& list) { return list.substr(0, list.find(':')); }

std::string OsError(const std::string& what, const std::string& file) {
  return what + " " + file + ": " + std::strerror(errno);
}

// Backslash escapes keep every value on one line; "=" is escaped in names.
std::string Escape(const std::string& s, bool isName) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    bool edge = i == 0 || i + 1 == s.size();
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else if (c == '\t' && edge) out += "\\t";
    else if (c == ' ' && edge) out += "\\s";
    else if (c == '=' && isName) out += "\\=";
    else out += c;
  }
  return out;
}

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 's' ? ' ' : c;
  }
  return out;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

// Reads a whole file; false with errno set when it exists but cannot be read.
bool ReadWholeFile(const std::string& file, std::string& text, bool& exists) {
  exists = false;
  text.clear();
  int fd;
  while ((fd = open(file.c_str(), O_RDONLY | O_CLOEXEC)) < 0 && errno == EINTR) {
  }
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR;
  exists = true;
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) text.append(buf, static_cast<size_t>(n));
  int err = errno;
  close(fd);
  errno = err;
  return n == 0;
}

// Holds an exclusive lock on a folder while a file in it is rewritten.
class TFolderLock {
 public:
  explicit TFolderLock(const std::string& dir) : FFd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (FFd < 0) throw EOSError(OsError("Cannot open the folder", dir));
    while (flock(FFd, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~TFolderLock() { close(FFd); }
  int Fd() const { return FFd; }

 private:
  int FFd;
};

}  // namespace

std::string StoreRootDirectory(TStoreRoot Root) {
  if (Root == TStoreRoot::CurrentUser) {
    std::string dir = EnvOr("EMBERHALL_CONFIG_HOME");
    if (dir.empty()) dir = EnvOr("XDG_CONFIG_HOME");
    if (dir.empty()) dir = EnvOr("HOME", "/tmp") + "/.config";
    return IncludeTrailingPathDelimiter(dir);
  }
  std::string dirs = EnvOr("EMBERHALL_CONFIG_DIRS");
  if (dirs.empty()) dirs = EnvOr("XDG_CONFIG_DIRS");
  if (FirstOfList(dirs).empty()) dirs = "/etc/xdg";
  return IncludeTrailingPathDelimiter(FirstOfList(dirs));
}

std::string StoreFileName(TStoreRoot Root, const std::string& KeyPath) {
  std::string path;
  for (char c : KeyPath) path += c == '\\' ? '/' : c;
  while (!path.empty() && path.front() == '/') path.erase(0, 1);
  while (!path.empty() && path.back() == '/') path.pop_back();
  return StoreRootDirectory(Root) + path + ".ini";
}

std::string FormatOptions(const std::vector<std::pair<std::string, std::string>>& Values) {
  std::string text;
  for (const auto& [name, value] : Values) text += Escape(name, true) + "=" + Escape(value, false) + "\n";
  return text;
}

std::vector<std::pair<std::string, std::string>> ParseOptions(const std::string& Text) {
  std::vector<std::pair<std::string, std::string>> values;
  size_t start = 0;
  while (start < Text.size()) {
    size_t end = Text.find('\n', start);
    if (end == std::string::npos) end = Text.size();
    std::string line = Text.substr(start, end - start);
    start = end + 1;
    std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#' || trimmed[0] == '[') continue;
    size_t eq = 0;
    while (eq < line.size() && line[eq] != '=') eq += line[eq] == '\\' ? 2 : 1;
    if (eq >= line.size()) continue;
    std::string name = Unescape(Trim(line.substr(0, eq)));
    std::string value = Unescape(Trim(line.substr(eq + 1)));
    if (name.empty() || name.find('\0') != std::string::npos) continue;
    bool replaced = false;
    for (auto& nv : values)
      if (nv.first == name) nv.second = value, replaced = true;
    if (!replaced) values.emplace_back(name, value);
  }
  return values;
}

TOptionsKey::TOptionsKey(TStoreRoot Root, const std::string& KeyPath, bool ReadOnly)
    : FFileName(StoreFileName(Root, KeyPath)), FReadOnly(ReadOnly) {
  if (!ReadOnly) {
    const std::string dir = ExtractFileDir(FFileName);
    if (!ForceDirectories(dir)) throw EOSError(OsError("Cannot create the folder", dir));
    if (access(dir.c_str(), W_OK) != 0) throw EOSError(OsError("Cannot write to", dir));
  }
  std::string text;
  if (!ReadWholeFile(FFileName, text, FExists)) throw EOSError(OsError("Cannot read", FFileName));
  FValues = ParseOptions(text);
}

bool TOptionsKey::ValueExists(const std::string& Name) const {
  for (const auto& nv : FValues)
    if (nv.first == Name) return true;
  return false;
}

std::string TOptionsKey::ReadString(const std::string& Name) const {
  for (const auto& nv : FValues)
    if (nv.first == Name) return nv.second;
  return "";
}

void TOptionsKey::WriteString(const std::string& Name, const std::string& Value) {
  if (FReadOnly) throw EOSError("The options key " + FFileName + " is open for reading only");
  TFolderLock lock(ExtractFileDir(FFileName));
  RemoveStaleTemporaries(FFileName);
  // Merge into what is stored now: another program may have written since.
  std::string text;
  bool exists = false;
  if (!ReadWholeFile(FFileName, text, exists)) throw EOSError(OsError("Cannot read", FFileName));
  FValues = ParseOptions(text);
  bool replaced = false;
  for (auto& nv : FValues)
    if (nv.first == Name) nv.second = Value, replaced = true;
  if (!replaced) FValues.emplace_back(Name, Value);

  ReplaceFileContents(FFileName, FormatOptions(FValues));
  fsync(lock.Fd());
  FExists = true;
}

}  // namespace emberhall
