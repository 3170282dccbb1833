#include "platform/Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/SysUtils.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

TEST(Files, ANewFileGetsTheModeAskedForAndAnOldOneKeepsItsOwn) {
  TTempDir dir;
  const std::string file = dir.File("record");
  ReplaceFileContents(file, "one", 0600);
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  chmod(file.c_str(), 0640);
  ReplaceFileContents(file, "two", 0600);
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadFile(file), "two");
}

TEST(Files, ALinkInPlaceOfTheFileIsReplacedNotWrittenThrough) {
  TTempDir dir, elsewhere;
  const std::string victim = elsewhere.File("precious");
  WriteFile(victim, "keep me");
  const std::string file = dir.File("record");
  ASSERT_EQ(symlink(victim.c_str(), file.c_str()), 0);
  EXPECT_THROW(ReadFileBytes(file, 100, false), EOSError);
  EXPECT_EQ(ReadFileBytes(file, 100).size(), 7u);  // followed when allowed
  ReplaceFileContents(file, "new");
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_FALSE(std::filesystem::is_symlink(file));
  EXPECT_EQ(ReadFile(file), "new");
}

TEST(Files, StaleTemporariesOfOneFileAreRemovedAndNothingElse) {
  TTempDir dir;
  const std::string file = dir.File("name.record");
  for (const char* n : {".name.record.AbC123", ".name.record.zzzzzz", ".name.record.new", ".other.AbC123",
                        "name.record", ".name.record.toolong1"})
    WriteFile(dir.File(n), "x");
  RemoveStaleTemporaries(file);
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".name.record.new", ".name.record.toolong1", ".other.AbC123",
                                            "name.record"}));
}
