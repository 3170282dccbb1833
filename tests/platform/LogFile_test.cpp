#include "platform/posix/LogFile.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "platform/SysUtils.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

TEST(LogFile, GrowsInZeroBlocksAndKeepsLinesThenZeros) {
  TTempDir dir;
  std::string file = dir.File("emberhall.log");
  WriteFile(file, std::string(40000, 'o'));  // an old log is replaced
  TLogFile log;
  log.Open(file);
  EXPECT_EQ(std::filesystem::file_size(file), 16384u);
  std::string line(998, 'a');  // 1000 bytes with CR LF
  std::string expected;
  for (int i = 0; i < 16; ++i) {
    log.WriteLine(line);
    expected += line + "\r\n";
  }
  EXPECT_EQ(std::filesystem::file_size(file), 16384u);  // 16 000 bytes fit
  log.WriteLine(line);  // reaches past the end: a block of zeros at the write position
  expected += line + "\r\n";
  EXPECT_EQ(std::filesystem::file_size(file), 16000u + 16384u);
  std::string text = ReadFile(file);
  EXPECT_EQ(text.substr(0, expected.size()), expected);
  EXPECT_EQ(text.find_first_not_of('\0', expected.size()), std::string::npos);

  log.WriteLine(std::string(40000, 'b'));  // a line longer than a block still lands whole
  text = ReadFile(file);
  EXPECT_EQ(text.substr(expected.size(), 40002), std::string(40000, 'b') + "\r\n");
  log.Close();

  TLogFile again;  // a new run starts an empty log
  again.Open(file);
  again.WriteLine("x");
  text = ReadFile(file);
  EXPECT_EQ(text.size(), 16384u);
  EXPECT_EQ(text.substr(0, 3), "x\r\n");
}

TEST(LogFile, OtherWritersAreExcludedAndFailuresAreErrors) {
  TTempDir dir;
  TLogFile a, b;
  a.Open(dir.File("x.log"));
  EXPECT_THROW(b.Open(dir.File("x.log")), EOSError);
  EXPECT_THROW(b.Open(dir.File("missing/x.log")), EOSError);
}
