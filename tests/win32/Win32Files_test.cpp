// Files, the log, paths, the single-instance semaphore and libraries opened
// at run time, against the real system.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/DynamicLibrary.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/SysUtils.h"
#include "platform/win32/SingleInstance.h"
#include "platform/win32/Win32LogFile.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

using namespace emberhall;

namespace {

// A folder of its own in the temp folder, removed at the end. Its name is
// not ASCII, so every path below it checks the UTF-8 handling.
class TTempDir {
 public:
  TTempDir() {
    static int count = 0;
    FPath = TempDirectory() + "emberhall-t\xC3\xA9st-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    std::filesystem::create_directories(std::filesystem::path(WideOf(FPath)));
  }
  ~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(WideOf(FPath)), ec);
  }
  std::string File(const std::string& Name) const { return FPath + "\\" + Name; }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(WideOf(FPath))))
      names.push_back(Utf8Of(e.path().filename().wstring()));
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string FPath;
};

void WriteText(const std::string& Name, const std::string& Text) {
  FILE* f = _wfopen(WideOf(Name).c_str(), L"wb");
  ASSERT_NE(f, nullptr) << Name;
  fwrite(Text.data(), 1, Text.size(), f);
  fclose(f);
}

std::string ReadText(const std::string& Name) {
  std::string text;
  FILE* f = _wfopen(WideOf(Name).c_str(), L"rb");
  if (!f) return "(missing)";
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}

}  // namespace

TEST(Win32Files, ReadFileBytesRefusesWhatIsNotASmallRegularFile) {
  TTempDir dir;
  WriteText(dir.File("hundred"), std::string(100, 'a'));
  WriteText(dir.File("empty"), "");
  EXPECT_EQ(ReadFileBytes(dir.File("hundred"), 100).size(), 100u);
  EXPECT_EQ(ReadFileBytes(dir.File("empty"), 0).size(), 0u);
  EXPECT_EQ(ReadFileBytes(dir.File("hundred"), 100, false).size(), 100u);  // a plain file is no link
  struct Case { std::string name; size_t max; };
  const Case refused[] = {
      {dir.File("hundred"), 99},  // larger than allowed: refused before reading
      {dir.File("missing"), 100},
      {dir.File(""), 100},  // the folder itself
      {"NUL", 100},         // a device
      {dir.File("\xff"), 100},
  };
  for (const Case& c : refused) EXPECT_THROW(ReadFileBytes(c.name, c.max), EOSError) << c.name;
}

TEST(Win32Files, ReplaceFileContentsLeavesTheOldOrTheNewFileAndNoTemporary) {
  TTempDir dir;
  const std::string file = dir.File("record");
  ReplaceFileContents(file, "one");
  ReplaceFileContents(file, std::string(300000, 'x'));
  EXPECT_EQ(ReadText(file), std::string(300000, 'x'));
  ReplaceFileContents(file, "two");
  EXPECT_EQ(ReadText(file), "two");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"record"});

  // Held open by a program that does not let it be replaced: the old file
  // stays whole and the temporary goes.
  const HANDLE held = CreateFileW(WideOf(file).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_THROW(ReplaceFileContents(file, "three"), EOSError);
  CloseHandle(held);
  EXPECT_EQ(ReadText(file), "two");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"record"});

  // A folder that does not exist: nothing is written anywhere.
  EXPECT_THROW(ReplaceFileContents(dir.File("no\\record"), "x"), EOSError);
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"record"});
}

TEST(Win32Files, StaleTemporariesOfOneFileAreRemovedAndNothingElse) {
  TTempDir dir;
  for (const char* n : {".name.record.AbC123", ".name.record.zzzzzz", ".name.record.new", ".other.AbC123", "name.record",
                        ".name.record.toolong1"})
    WriteText(dir.File(n), "x");
  RemoveStaleTemporaries(dir.File("name.record"));
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{".name.record.new", ".name.record.toolong1", ".other.AbC123",
                                                   "name.record"}));
}

TEST(Win32Files, LogGrowsInZeroBlocksAndExcludesOtherWriters) {
  TTempDir dir;
  const std::string file = dir.File("emberhall.log");
  WriteText(file, std::string(40000, 'o'));  // an old log is replaced
  TWin32LogFile log;
  log.Open(file);
  EXPECT_EQ(ReadText(file), std::string(16384, '\0'));  // others may read it meanwhile
  const std::string line(998, 'a');                      // 1000 bytes with CR LF
  std::string expected;
  for (int i = 0; i < 17; ++i) {
    log.WriteLine(line);
    expected += line + "\r\n";
  }
  std::string text = ReadText(file);
  EXPECT_EQ(text.size(), 16000u + 16384u);  // the 17th line got a new block at its position
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_EQ(text.find_first_not_of('\0', expected.size()), std::string::npos);
  log.WriteLine(std::string(40000, 'b'));  // a line longer than a block lands whole
  EXPECT_EQ(ReadText(file).substr(expected.size(), 40002), std::string(40000, 'b') + "\r\n");

  TWin32LogFile other;
  EXPECT_THROW(other.Open(file), EOSError);
  EXPECT_EQ(ReadText(file).substr(0, 1000), expected.substr(0, 1000));  // untouched by that attempt
  EXPECT_THROW(other.Open(dir.File("missing\\x.log")), EOSError);
  log.Close();
  other.Open(file);  // a new run starts an empty log
  other.WriteLine("x");
  text = ReadText(file);
  EXPECT_EQ(text.size(), 16384u);
  EXPECT_EQ(text.substr(0, 3), "x\r\n");
}

TEST(Win32Files, OneSemaphoreHolderAtATime) {
  const std::string name = "emberhall test " + std::to_string(GetCurrentProcessId()) + "Semaphore";
  TSemaphoreInstanceLock first, second;
  EXPECT_TRUE(first.Acquire(name));
  EXPECT_TRUE(first.Held());
  EXPECT_FALSE(second.Acquire(name));  // another instance runs
  EXPECT_FALSE(second.Held());
  EXPECT_TRUE(second.Acquire(name + "2"));  // another name is free
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_TRUE(second.Acquire(name));  // free again once released
  EXPECT_TRUE(second.Held());
  // A name with "\" still names one lock.
  TSemaphoreInstanceLock third, fourth;
  EXPECT_TRUE(third.Acquire(name + "\\sub"));
  EXPECT_TRUE(third.Held());
  EXPECT_FALSE(fourth.Acquire(name + "\\sub"));
}

TEST(Win32Files, PathsOfTheSystem) {
  const std::string exe = ProgramFileName();
  EXPECT_EQ(LowerCase(ExtractFileExt(exe)), ".exe") << exe;
  EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::path(WideOf(exe)))) << exe;
  for (const std::string& d : {TempDirectory(), SystemDirectory(), WindowsDirectory(), RuntimeDirectory()}) {
    ASSERT_FALSE(d.empty());
    EXPECT_EQ(d.back(), '\\') << d;
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(WideOf(d)))) << d;
  }
  TTempDir dir;
  const std::string deep = dir.File("a/b\\\xE6\x97\xA5/c");
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(WideOf(deep))));
  WriteText(dir.File("file"), "x");
  EXPECT_FALSE(ForceDirectories(dir.File("file\\below")));

  // The clock has millisecond steps, not the 10-16 ms of the tick count.
  const uint32_t start = MonotonicMilliseconds();
  uint32_t previous = start, smallest = 1000;
  while (MonotonicMilliseconds() - start < 100) {
    const uint32_t now = MonotonicMilliseconds();
    if (now != previous) smallest = std::min(smallest, now - previous), previous = now;
  }
  EXPECT_LE(smallest, 2u);
}

TEST(Win32Files, LibrariesOpenedAtRunTime) {
  const int before = OpenLibraryCount();
  TLibraryHandle kernel = emberhall::LoadLibrary("kernel32.dll");
  ASSERT_NE(kernel, nullptr);
  EXPECT_EQ(OpenLibraryCount(), before + 1);
  void (*sleep)(DWORD) = nullptr;
  ResolveSymbol(kernel, sleep, "Sleep");
  EXPECT_NE(sleep, nullptr);
  EXPECT_EQ(emberhall::GetProcAddress(kernel, "NoSuchExport"), nullptr);
  emberhall::FreeLibrary(kernel);
  EXPECT_EQ(OpenLibraryCount(), before);
  for (const char* missing : {"emberhall-no-such.dll", "PASSWORD.CPL", "\xff.dll", ""})
    EXPECT_EQ(emberhall::LoadLibrary(missing), nullptr) << missing;
  EXPECT_EQ(OpenLibraryCount(), before);
  EXPECT_EQ(emberhall::GetProcAddress(nullptr, "Sleep"), nullptr);
}
