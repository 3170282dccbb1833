#include "platform/x11/DisplayRecord.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

namespace emberhall {
bool ParseDisplayRecordBytes(const uint8_t* Data, size_t Size);

namespace {

const char* const kRecord =
    "pid=42\nprogram=/usr/bin/emberhall\noutput=HDMI-1\ncrtc=63\nmode=70\nposition=1920 0\nrotation=2\n"
    "outputs=65 66 \nscreen=3840 1080 1020 286\nswitched=0\nintended=71\n";

TEST(DisplayRecord, TextFormRoundTrips) {
  TDisplayRecord r;
  ASSERT_TRUE(ParseDisplayRecord(kRecord, r));
  EXPECT_EQ(r.Pid, 42);
  EXPECT_EQ(r.Original.Output, "HDMI-1");
  EXPECT_EQ(r.Original.X, 1920);
  EXPECT_EQ(r.Original.Rotation, 2);
  EXPECT_EQ(r.Original.Outputs, (std::vector<unsigned long>{65, 66}));
  EXPECT_EQ(r.Original.MmWidth, 1020);
  EXPECT_EQ(r.Intended, 71u);
  EXPECT_EQ(FormatDisplayRecord(r), kRecord);
}

// A record that cannot be trusted is refused as a whole.
TEST(DisplayRecord, MissingOrOutOfRangeFieldsRefuseTheRecord) {
  struct TCase { const char* From; const char* To; bool Accepted; };
  const TCase cases[] = {
      {"intended=71\n", "", true},                 // older records have no intended mode
      {"pid=42\nprogram=/usr/bin/emberhall\n", "", true},
      {"switched=0\n", "", false},
      {"crtc=63", "crtc=0", false},
      {"crtc=63", "crtc=x63", false},
      {"crtc=63", "crtc=536870912", false},        // beyond 29 bits
      {"position=1920 0", "position=1920", false},
      {"position=1920 0", "position=1920 0 7", false},
      {"position=1920 0", "position=-40000 0", false},
      {"screen=3840 1080 1020 286", "screen=0 1080 1020 286", false},
      {"screen=3840 1080 1020 286", "screen=3840 1080 1020", false},
      {"screen=3840 1080 1020 286", "screen=3840 1080 -1 286", false},
      {"rotation=2", "rotation=0", false},
      {"outputs=65 66 ", "outputs=65 0", false},
      {"outputs=65 66 ", "outputs=", false},
      {"output=HDMI-1", "output=", false},
      {"pid=42", "pid=99999999999", false},
  };
  for (const TCase& c : cases) {
    std::string text = kRecord;
    text.replace(text.find(c.From), std::string(c.From).size(), c.To);
    TDisplayRecord r;
    EXPECT_EQ(ParseDisplayRecord(text, r), c.Accepted) << c.From << " -> " << c.To;
  }
  std::string many = kRecord;
  std::string outputs = "outputs=";
  for (int i = 1; i <= 65; ++i) outputs += std::to_string(i) + " ";
  many.replace(many.find("outputs=65 66 "), 14, outputs);
  TDisplayRecord r;
  EXPECT_FALSE(ParseDisplayRecord(many, r));
}

// Every input of the display-record fuzz corpus is read without a crash,
// and what parses survives its own text form.
TEST(FuzzCorpus, DisplayRecordsReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EMBERHALL_FUZZ_CORPUS "/record")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(ParseDisplayRecordBytes(bytes.data(), bytes.size())) << entry.path();
    ++replayed;
  }
  EXPECT_GE(replayed, 6);
}

}  // namespace
}  // namespace emberhall
