#include "platform/SysUtils.h"

#include <gtest/gtest.h>

using namespace emberhall;

TEST(SysUtils, FloatToStrForms) {
  struct Case { long double value; const char* text; };
  const Case cases[] = {
      {0.5L, "0.5"}, {1.0L, "1"}, {static_cast<float>(0.1), "0.1"}, {1.0L / 3.0L, "0.3333333"},
      {0.00005L, "5E-5"}, {12345678.0L, "1.234568E7"}, {0.0L, "0"}, {-2.5L, "-2.5"},
      {0.0001L, "0.0001"}, {1234567.0L, "1234567"}, {9999999.5L, "1E7"}, {100.0L, "100"},
      {static_cast<float>(0.25), "0.25"}, {-0.000012345678L, "-1.234568E-5"}, {1e20L, "1E20"},
  };
  for (const Case& c : cases) EXPECT_EQ(FloatToStr(c.value), c.text) << static_cast<double>(c.value);
}

TEST(SysUtils, IntegerTexts) {
  struct Case { const char* text; bool ok; int32_t value; };
  const Case cases[] = {
      {"0", true, 0}, {"-1", true, -1}, {"  42", true, 42}, {"+7", true, 7}, {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN}, {"2147483648", false, 0}, {"$FF", true, 255}, {"0x10", true, 16},
      {"", false, 0}, {"12a", false, 0}, {"1.5", false, 0}, {"42 ", false, 0}, {"-", false, 0},
  };
  for (const Case& c : cases) {
    int32_t v = 0;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  try {
    StrToInt("abc");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
  }
}

TEST(SysUtils, FloatTexts) {
  struct Case { const char* text; bool ok; long double value; };
  const Case cases[] = {
      {"1", true, 1}, {"-0.5", true, -0.5L}, {"1e3", true, 1000}, {"2.5E-1", true, 0.25L}, {".5", true, 0.5L},
      {"3.", true, 3}, {" 7 ", true, 7}, {"", false, 0}, {"1,5", false, 0}, {"e5", false, 0}, {"1e", false, 0},
      {"--1", false, 0}, {"0x10", false, 0}, {"nan", false, 0},
  };
  for (const Case& c : cases) {
    long double v = 0;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  try {
    StrToFloat("x");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
  }
}

TEST(SysUtils, FileNamePartsReadBothSeparators) {
  struct Case { const char* name; const char* file; const char* path; const char* dir; const char* ext; };
  const Case cases[] = {
      {"/a/b/c.txt", "c.txt", "/a/b/", "/a/b", ".txt"},
      {"C:\\Games\\Fire.SCR", "Fire.SCR", "C:\\Games\\", "C:\\Games", ".SCR"},
      {"a\\b/c", "c", "a\\b/", "a\\b", ""},
      {"plain", "plain", "", ".", ""},
      {"/top", "top", "/", "/", ""},
      {"dir.d/name", "name", "dir.d/", "dir.d", ""},  // a dot in a folder is no extension
      {"x.tar.gz", "x.tar.gz", "", ".", ".gz"},
      {"folder/", "", "folder/", "folder", ""},
      {"", "", "", ".", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileDir(c.name), c.dir) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
  }
}
