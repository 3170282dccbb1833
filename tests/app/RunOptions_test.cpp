#include "app/RunOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

using namespace emberhall;

namespace emberhall {
bool ParseRunOptionBytes(const uint8_t* Data, size_t Size);  // fuzz/RunOptionsTarget.cpp
}

namespace {

// The fields of a record that differ from "nothing given", as one line.
std::string Describe(const TRunOptions& o) {
  std::string s;
  auto add = [&](const std::string& part) { s += (s.empty() ? "" : " ") + part; };
  if (o.FrameRateLimit >= 0) add("limit=" + std::to_string(o.FrameRateLimit));
  if (o.HackWindow == hwRoot) add("root");
  if (o.HackWindow == hwOwnWindow) add("window");
  if (o.HackWindow == hwWindowId) add("id=" + std::to_string(o.WindowId));
  if (o.ShowFPS) add(std::string("fps=") + (*o.ShowFPS ? "on" : "off"));
  if (o.FireplaceIndex) add("fireplace=" + std::to_string(*o.FireplaceIndex));
  if (o.FlameColorIndex) add("color=" + std::to_string(*o.FlameColorIndex));
  if (o.FlameWidthPercent) add("width=" + std::to_string(*o.FlameWidthPercent));
  if (o.FlameDecay) add("decay=" + std::to_string(*o.FlameDecay));
  if (o.ClockMode) add("clock=" + std::to_string(*o.ClockMode));
  if (o.CrackleSound) add(std::string("sound=") + (*o.CrackleSound ? "on" : "off"));
  return s;
}

std::vector<std::string> Words(const std::string& Line) {
  std::istringstream in(Line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

// The name="value" pairs of one XML tag.
std::map<std::string, std::string> Attributes(const std::string& Tag) {
  std::map<std::string, std::string> attrs;
  for (size_t eq = Tag.find("=\""); eq != std::string::npos; eq = Tag.find("=\"", eq + 1)) {
    const size_t nameStart = Tag.find_last_of(" \n\t", eq) + 1;
    const size_t valueEnd = Tag.find('"', eq + 2);
    if (valueEnd == std::string::npos) break;
    attrs[Tag.substr(nameStart, eq - nameStart)] = Tag.substr(eq + 2, valueEnd - eq - 2);
    eq = valueEnd;
  }
  return attrs;
}

}  // namespace

TEST(RunOptions, OptionsAreTakenOutOfTheSwitchesWithTheirValues) {
  struct Case {
    const char* params;
    const char* rest;
    const char* record;  // Describe of the result, or the error message
    bool error = false;
  };
  const Case cases[] = {
      {"/s --fps-limit 30", "/s", "limit=30"},
      {"-fps-limit 0 /p 123", "/p 123", "limit=0"},
      {"--fps-limit=25 /s", "/s", "limit=25"},
      {"/c", "/c", ""},
      {"/s --fps-limit", "", "--fps-limit needs a number from 0 to 1000", true},
      {"/s --fps-limit fast", "", "--fps-limit needs a number from 0 to 1000, not 'fast'", true},
      {"/s -fps-limit -1", "", "-fps-limit needs a number from 0 to 1000, not '-1'", true},
      {"/s -fps-limit 1001", "", "-fps-limit needs a number from 0 to 1000, not '1001'", true},
      {"--fps-limit 0x3c", "", "--fps-limit needs a number from 0 to 1000, not '0x3c'", true},
      {"--fps-limit=", "", "--fps-limit needs a number from 0 to 1000, not ''", true},
      // Show the frame rate: a flag in both forms; a number after it is the old limit, refused.
      {"-root -fps", "", "root fps=on"},
      {"--FPS /s", "/s", "fps=on"},
      {"/s --fps 30", "", "--fps takes no value (the frame-rate limit is --fps-limit N)", true},
      {"--fps=30", "", "--fps takes no value (the frame-rate limit is --fps-limit N)", true},
      {"--root=1", "", "--root takes no value", true},
      // The windows of the daemons.
      {"--root", "", "root"},
      {"-window", "", "window"},
      {"-window-id 4711", "", "id=4711"},
      {"--window-id=0x1A00003", "", "id=27262979"},
      {"-window-id 0XfFfFfFfF", "", "id=4294967295"},
      {"-root -root", "", "root"},
      {"-window-id", "", "-window-id needs a window id (decimal, or hexadecimal with 0x)", true},
      {"-window-id 0", "", "-window-id needs a window id (decimal, or hexadecimal with 0x), not '0'", true},
      {"-window-id 0x", "", "-window-id needs a window id (decimal, or hexadecimal with 0x), not '0x'", true},
      {"-window-id 4294967296", "", "-window-id needs a window id (decimal, or hexadecimal with 0x), not '4294967296'",
       true},
      {"-window-id -12", "", "-window-id needs a window id (decimal, or hexadecimal with 0x), not '-12'", true},
      {"-window-id 0x12g", "", "-window-id needs a window id (decimal, or hexadecimal with 0x), not '0x12g'", true},
      {"-root -window", "", "only one of -root, -window-id and -window can be given", true},
      {"-window-id 5 -window-id 6", "", "only one of -root, -window-id and -window can be given", true},
      // The fireplace's settings; the last of a repeated option counts.
      {"--fireplace vee --flame-color yellow", "", "fireplace=0 color=2"},
      {"--fireplace=Cylindrical --flame-color=ORANGE", "", "fireplace=2 color=1"},
      {"--fireplace rectangular --fireplace vee", "", "fireplace=0"},
      {"--fireplace round", "", "--fireplace needs vee, rectangular or cylindrical, not 'round'", true},
      {"--flame-color", "", "--flame-color needs red, orange or yellow", true},
      {"--flame-color blue", "", "--flame-color needs red, orange or yellow, not 'blue'", true},
      {"--flame-width 50 --flame-decay 5", "", "width=50 decay=5"},
      {"--flame-width 100 --flame-decay 1", "", "width=100 decay=1"},
      {"--flame-width 49", "", "--flame-width needs a number from 50 to 100, not '49'", true},
      {"--flame-width 101", "", "--flame-width needs a number from 50 to 100, not '101'", true},
      {"--flame-decay 0", "", "--flame-decay needs a number from 1 to 5, not '0'", true},
      {"--flame-decay 2.5", "", "--flame-decay needs a number from 1 to 5, not '2.5'", true},
      {"--clock none", "", "clock=0"},
      {"--clock 24", "", "clock=1"},
      {"-clock 12", "", "clock=2"},  // taken as an option, not as the switch "C"
      {"--clock 6", "", "--clock needs none, 24 or 12, not '6'", true},
      {"-sound", "", "sound=on"},  // not the switch "S"
      {"--sound --no-sound", "", "sound=off"},
      {"--no-sound --sound /s", "/s", "sound=on"},
      // Not ours: left for the switches.
      {"/s -s -x --frobnicate 7 - --", "/s -s -x --frobnicate 7 - --", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> params = Words(c.params);
    const size_t given = params.size();
    try {
      const TRunOptions options = ExtractRunOptions(params);
      EXPECT_FALSE(c.error) << c.params;
      EXPECT_EQ(params, Words(c.rest)) << c.params;
      EXPECT_EQ(Describe(options), c.record) << c.params;
      EXPECT_EQ(options.Words.size() + params.size(), given) << c.params;  // kept for a copy that takes the run
    } catch (const EUsageError& e) {
      EXPECT_TRUE(c.error) << c.params << ": " << e.what();
      EXPECT_STREQ(e.what(), c.record) << c.params;
    }
  }
}

TEST(RunOptions, TheDaemonNamesTheRootRunsWindowInItsEnvironment) {
  struct TCase {
    THackWindow Window;
    const char* Value;  // $XSCREENSAVER_WINDOW
    HWND Expected;      // 0 with Refused
    bool Refused;
  } cases[] = {
      {hwRoot, nullptr, 0, false},  // unset: the root window
      {hwRoot, "", 0, false},
      {hwRoot, "4194312", 4194312, false},
      {hwRoot, "0x400008", 0x400008, false},
      {hwRoot, "0X1a", 0x1a, false},
      {hwRoot, "0", 0, true},
      {hwRoot, "0x", 0, true},
      {hwRoot, "window", 0, true},
      {hwRoot, "-5", 0, true},
      {hwRoot, "0x100000000", 0, true},
      {hwWindowId, "junk", 77, false},  // only -root reads it
      {hwNone, "junk", 0, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Value ? c.Value : "(unset)");
    TRunOptions o;
    o.HackWindow = c.Window;
    o.WindowId = c.Window == hwWindowId ? 77 : 0;
    if (c.Refused) {
      EXPECT_THROW(ResolveDaemonWindow(o, c.Value), EUsageError);
      continue;
    }
    ResolveDaemonWindow(o, c.Value);
    EXPECT_EQ(o.WindowId, c.Expected);
  }
}

TEST(RunOptions, UsageTextNamesEveryOption) {
  const std::string usage = UsageText("emberhall");
  for (const char* name : {"/s", "/p", "/c", "/a", "-root", "-window-id", "-window ", "--fps ", "--fps-limit",
                           "--fireplace vee|rectangular|cylindrical", "--flame-color red|orange|yellow",
                           "--flame-width <50..100>", "--flame-decay <1..5>", "--clock none|24|12", "--sound",
                           "--no-sound"})
    EXPECT_NE(usage.find(name), std::string::npos) << name;
}

// Every command line the XScreenSaver settings tool can build from the
// installed settings description is made of options the program knows.
TEST(RunOptions, EveryArgumentOfTheSettingsDescriptionIsAnOption) {
  std::ifstream in(EMBERHALL_PACKAGING_DIR "/xscreensaver/emberhall.xml");
  ASSERT_TRUE(in) << "the settings description is missing";
  const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  int arguments = 0;
  std::string all;
  for (size_t at = xml.find('<'); at != std::string::npos; at = xml.find('<', at + 1)) {
    const size_t end = xml.find('>', at);
    ASSERT_NE(end, std::string::npos);
    const std::string tag = xml.substr(at + 1, end - at - 1);
    const std::string name = tag.substr(0, tag.find_first_of(" \n/"));
    if (name != "command" && name != "number" && name != "boolean" && name != "option") continue;
    const std::map<std::string, std::string> attrs = Attributes(tag);
    for (const char* key : {"arg", "arg-set", "arg-unset"}) {
      if (!attrs.count(key)) continue;
      const std::string arg = attrs.at(key);
      std::vector<std::string> lines = {arg};
      const size_t percent = arg.find('%');
      if (percent != std::string::npos) {  // a number: its value goes in place of "%"
        lines.clear();
        for (const char* bound : {"low", "high", "default"}) {
          ASSERT_TRUE(attrs.count(bound)) << arg << " has no " << bound;
          lines.push_back(std::string(arg).replace(percent, 1, attrs.at(bound)));
        }
      }
      for (const std::string& line : lines) {
        std::vector<std::string> params = Words(line);
        EXPECT_NO_THROW(ExtractRunOptions(params)) << line;
        EXPECT_TRUE(params.empty()) << line << ": not an option of the program";
        all += " " + line;
        ++arguments;
      }
    }
  }
  EXPECT_GE(arguments, 21);  // the command, 3 choices of each of 3 lists, 3 values of each of 3 numbers, 2 check boxes
  std::vector<std::string> params = Words(all);  // everything at once, as a hand-edited line might be
  EXPECT_NO_THROW(ExtractRunOptions(params)) << all;
}

// Every command line of the options fuzz corpus is taken apart or refused
// cleanly, and what is taken keeps to its ranges and reads back the same.
TEST(FuzzCorpus, RunOptionsReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EMBERHALL_FUZZ_CORPUS "/options")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(ParseRunOptionBytes(bytes.data(), bytes.size())) << entry.path();
    ++replayed;
  }
  EXPECT_GE(replayed, 8);
}
