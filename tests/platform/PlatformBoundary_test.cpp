// Code outside src/platform/ includes only the neutral headers of
// src/platform/ and the standard library (and OpenGL's own headers): no
// header of a backend folder, no system header of one platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// The headers of the C++ standard library (C++20) and OpenGL's own.
const std::set<std::string> kNeutralSystemHeaders = {
    "algorithm", "any", "array", "atomic", "barrier", "bit", "bitset", "cassert", "cctype", "cerrno", "cfenv",
    "cfloat", "charconv", "chrono", "cinttypes", "climits", "clocale", "cmath", "compare", "complex", "concepts",
    "condition_variable", "coroutine", "csetjmp", "csignal", "cstdarg", "cstddef", "cstdint", "cstdio", "cstdlib",
    "cstring", "ctime", "cuchar", "cwchar", "cwctype", "deque", "exception", "execution", "filesystem", "format",
    "forward_list", "fstream", "functional", "future", "initializer_list", "iomanip", "ios", "iosfwd", "iostream",
    "istream", "iterator", "latch", "limits", "list", "locale", "map", "memory", "memory_resource", "mutex", "new",
    "numbers", "numeric", "optional", "ostream", "queue", "random", "ranges", "ratio", "regex", "scoped_allocator",
    "semaphore", "set", "shared_mutex", "source_location", "span", "sstream", "stack", "stdexcept", "stop_token",
    "streambuf", "string", "string_view", "syncstream", "system_error", "thread", "tuple", "type_traits",
    "typeindex", "typeinfo", "unordered_map", "unordered_set", "utility", "valarray", "variant", "vector",
    "version", "GL/gl.h", "GL/glu.h", "GL/glext.h"};

// Why an include breaks the boundary, or "" when it does not. Angle
// brackets name system headers; quotes name the project's own, of which
// only the top level of platform/ is open to the code above it.
std::string Violation(char Open, const std::string& Header) {
  if (Open == '<') return kNeutralSystemHeaders.count(Header) ? "" : "system header of one platform";
  static const std::regex backend(R"((^|/)platform/[^/]+/)");
  return std::regex_search(Header, backend) ? "header of a backend folder" : "";
}

struct TOffence {
  std::string File;
  int Line;
  std::string Include;
  std::string Why;
};

// Every include that breaks the boundary in the files under Root/src
// outside Root/src/platform/.
std::vector<TOffence> ScanTree(const fs::path& Root) {
  static const std::regex include(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
  std::vector<TOffence> found;
  const fs::path src = Root / "src";
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string rel = fs::relative(entry.path(), Root).generic_string();
    if (rel.rfind("src/platform/", 0) == 0) continue;
    const std::string ext = entry.path().extension().string();
    if (ext != ".h" && ext != ".cpp" && ext != ".inc") continue;
    std::ifstream in(entry.path());
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      std::smatch m;
      if (!std::regex_search(line, m, include)) continue;
      const std::string why = Violation(m[1].str()[0], m[2].str());
      const std::string close = m[1].str() == "<" ? ">" : "\"";
      if (!why.empty()) found.push_back({rel, number, m[1].str() + m[2].str() + close, why});
    }
  }
  std::sort(found.begin(), found.end(),
            [](const TOffence& a, const TOffence& b) { return a.File != b.File ? a.File < b.File : a.Line < b.Line; });
  return found;
}

std::string Listing(const std::vector<TOffence>& Offences) {
  std::ostringstream out;
  for (const TOffence& o : Offences) out << "  " << o.File << ":" << o.Line << ": " << o.Include << " (" << o.Why << ")\n";
  return out.str();
}

TEST(PlatformBoundary, IncludesAreClassified) {
  struct Case {
    char open;
    const char* header;
    bool breaks;
  } cases[] = {
      {'<', "X11/Xlib.h", true},         {'<', "GL/glx.h", true},
      {'<', "unistd.h", true},           {'<', "poll.h", true},
      {'<', "sys/stat.h", true},         {'<', "FL/Fl.H", true},
      {'<', "SDL.h", true},              {'<', "jpeglib.h", true},
      {'<', "windows.h", true},          {'<', "GL/gl.h", false},
      {'<', "GL/glu.h", false},          {'<', "vector", false},
      {'"', "platform/x11/X11Windows.h", true}, {'"', "platform/posix/Files.h", true},
      {'"', "platform/win32/Anything.h", true}, {'"', "platform/Files.h", false},
      {'"', "gl/OGL.h", false},          {'"', "../platform/fltk/FltkServices.h", true},
  };
  for (const Case& c : cases) EXPECT_EQ(!Violation(c.open, c.header).empty(), c.breaks) << c.open << c.header;
}

TEST(PlatformBoundary, AScanFindsWhatATreeBreaks) {
  emberhall::test::TTempDir dir;
  const fs::path root(dir.Path());
  fs::create_directories(root / "src/app");
  fs::create_directories(root / "src/platform/x11");
  std::ofstream(root / "src/app/Window.cpp") << "#include <vector>\n  #  include <X11/Xlib.h>\n"
                                              << "#include \"platform/x11/X11Windows.h\"\n";
  std::ofstream(root / "src/platform/x11/X11Windows.cpp") << "#include <X11/Xlib.h>\n";
  const std::vector<TOffence> found = ScanTree(root);
  ASSERT_EQ(found.size(), 2u) << Listing(found);
  EXPECT_EQ(found[0].File, "src/app/Window.cpp");
  EXPECT_EQ(found[0].Line, 2);
  EXPECT_EQ(found[1].Include, "\"platform/x11/X11Windows.h\"");
}

TEST(PlatformBoundary, NothingAbovePlatformIncludesABackend) {
  const std::vector<TOffence> offences = ScanTree(EMBERHALL_SOURCE_DIR);
  EXPECT_TRUE(offences.empty()) << "Outside src/platform/, these includes break the platform boundary:\n"
                                << Listing(offences);
}

}  // namespace
