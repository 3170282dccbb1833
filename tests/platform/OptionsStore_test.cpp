#include "platform/posix/OptionsStore.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/SysUtils.h"
#include "platform/posix/Process.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {
const char* kKey = "Software\\Korvell Software\\Emberhall 1";
}

TEST(OptionsStore, FileNamesFollowTheKeyPath) {
  TScopedConfig config;
  EXPECT_EQ(StoreFileName(TStoreRoot::CurrentUser, kKey), config.UserRoot() + "/Software/Korvell Software/Emberhall 1.ini");
  EXPECT_EQ(StoreFileName(TStoreRoot::LocalMachine, "Control Panel\\desktop"),
            config.MachineRoot() + "/Control Panel/desktop.ini");
}

TEST(OptionsStore, TextFormRoundTripsAnyValue) {
  std::vector<std::pair<std::string, std::string>> values = {
      {"Plain", "200"}, {"Spaces", "  two  "}, {"Lines", "a\nb\r\nc"}, {"Back\\slash", "C:\\Games\\"},
      {"a=b", "x=y"}, {"Empty", ""}, {"Tab", "\tx\t"}};
  EXPECT_EQ(ParseOptions(FormatOptions(values)), values);
}

TEST(OptionsStore, HandEditedAndTruncatedFilesReadWhatIsThere) {
  struct Case { const char* text; std::vector<std::pair<std::string, std::string>> values; };
  const Case cases[] = {
      {"", {}},
      {"FlameWidth=200\nFlameDecay=3", {{"FlameWidth", "200"}, {"FlameDecay", "3"}}},
      {"; comment\n[section]\n  FlameWidth = 150  \r\n", {{"FlameWidth", "150"}}},
      {"garbage line\n=novalue\nClock=-1\nClock=0\n", {{"Clock", "0"}}},
      {"FlameWid", {}},
      {"A=1\nB=2", {{"A", "1"}, {"B", "2"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseOptions(c.text), c.values) << c.text;
  const char raw[] = "Bin\0ary=1\nX=\xff\xfe\n";
  auto binary = ParseOptions(std::string(raw, sizeof raw - 1));
  ASSERT_EQ(binary.size(), 1u);
  EXPECT_EQ(binary[0].first, "X");
}

TEST(OptionsStore, WritesMergeIntoTheStoredFileAndLeaveNoTemporaries) {
  TScopedConfig config;
  TOptionsKey a(TStoreRoot::CurrentUser, kKey, false);
  TOptionsKey b(TStoreRoot::CurrentUser, kKey, false);
  a.WriteString("One", "1");
  b.WriteString("Two", "2");  // b opened before One existed: it must not lose it
  TOptionsKey reader(TStoreRoot::CurrentUser, kKey, true);
  EXPECT_EQ(reader.ReadString("One"), "1");
  EXPECT_EQ(reader.ReadString("Two"), "2");
  EXPECT_FALSE(reader.ValueExists("Three"));
  auto dir = std::filesystem::path(a.FileName()).parent_path();
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir)) ++files, (void)e;
  EXPECT_EQ(files, 1);
}

TEST(OptionsStore, ErrorsOfUnreadableAndUnwritableKeys) {
  TScopedConfig config;
  // A folder where the file should be cannot be read.
  std::filesystem::create_directories(StoreFileName(TStoreRoot::CurrentUser, kKey));
  EXPECT_THROW(TOptionsKey(TStoreRoot::CurrentUser, kKey, true), EOSError);
  // A file where the folder should be cannot be written.
  WriteFile(config.MachineRoot(), "not a folder");
  EXPECT_THROW(TOptionsKey(TStoreRoot::LocalMachine, kKey, false), EOSError);
  // A missing key reads as empty.
  TOptionsKey missing(TStoreRoot::CurrentUser, "Software\\Nobody 1", true);
  EXPECT_FALSE(missing.Exists());
  EXPECT_FALSE(missing.ValueExists("x"));
}

// A writer killed at any moment leaves the old or the new file, never a
// partial one, and the next save removes its temporary file.
TEST(OptionsStore, KilledWriterNeverLeavesAPartialFile) {
  TScopedConfig config;
  std::string file = StoreFileName(TStoreRoot::CurrentUser, kKey);
  TOptionsKey(TStoreRoot::CurrentUser, kKey, false).WriteString("V", std::string(200, 'x'));
  for (int round = 0; round < 12; ++round) {
    pid_t pid = 0;
    std::string error;
    ASSERT_TRUE(SpawnProcess(std::string(EMBERHALL_TEST_HELPER) + " write-options \"" + kKey + "\" 100000 V", "", 0,
                             pid, error))
        << error;
    usleep(static_cast<useconds_t>(20000 + round * 7000));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::string text = ReadFile(file);
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.back(), '\n');
    for (const auto& [name, value] : ParseOptions(text)) {
      ASSERT_EQ(name[0], 'V');
      ASSERT_GE(value.size(), 200u);
      ASSERT_EQ(value.find_first_not_of('x'), std::string::npos);
    }
  }
  TOptionsKey(TStoreRoot::CurrentUser, kKey, false).WriteString("Last", "1");
  int files = 0;
  for (auto& e : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path())) ++files, (void)e;
  EXPECT_EQ(files, 1);
}

TEST(OptionsStore, TwoProgramsSavingAtOnceLoseNothing) {
  TScopedConfig config;
  pid_t a = 0, b = 0;
  std::string error;
  std::string cmd = std::string(EMBERHALL_TEST_HELPER) + " write-options \"" + kKey + "\" 200 ";
  ASSERT_TRUE(SpawnProcess(cmd + "A", "", 0, a, error)) << error;
  ASSERT_TRUE(SpawnProcess(cmd + "B", "", 0, b, error)) << error;
  int status = 0;
  waitpid(a, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  waitpid(b, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  auto values = ParseOptions(ReadFile(StoreFileName(TStoreRoot::CurrentUser, kKey)));
  EXPECT_EQ(values.size(), 40u);
}
