#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include "platform/posix/SingleInstance.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace {

// Restores an environment variable at the end of the scope.
class TScopedEnv {
 public:
  TScopedEnv(const char* Name, const char* Value) : FName(Name) {
    const char* old = std::getenv(Name);
    FHad = old != nullptr;
    if (old) FOld = old;
    if (Value) setenv(Name, Value, 1);
    else unsetenv(Name);
  }
  ~TScopedEnv() {
    if (FHad) setenv(FName.c_str(), FOld.c_str(), 1);
    else unsetenv(FName.c_str());
  }

 private:
  std::string FName, FOld;
  bool FHad = false;
};

}  // namespace

// Only a folder of this user that no one else may enter is used for the
// lock and the record; anything else is refused with the reason on stderr.
TEST(RuntimeFolder, OnlyAPrivateFolderOfThisUserIsUsed) {
  struct TCase {
    const char* Name;
    bool FromSession;  // $XDG_RUNTIME_DIR, else emberhall-<uid> in $TMPDIR
    std::function<void(const std::string& Folder, const TTempDir& Scratch)> Prepare;
    const char* Refusal;  // nullptr: used
  } cases[] = {
      {"made when missing", false, [](const std::string&, const TTempDir&) {}, nullptr},
      {"our own, private", false, [](const std::string& f, const TTempDir&) { mkdir(f.c_str(), 0700); }, nullptr},
      {"open to others", false, [](const std::string& f, const TTempDir&) { mkdir(f.c_str(), 0755); chmod(f.c_str(), 0755); },
       "mode 0755"},
      {"another user's", false,
       [](const std::string& f, const TTempDir&) {
         mkdir(f.c_str(), 0700);
         if (chown(f.c_str(), 65534, 65534) != 0) {}
       },
       "belongs to user 65534"},
      {"a link to a private folder", false,
       [](const std::string& f, const TTempDir& s) {
         mkdir(s.File("real").c_str(), 0700);
         if (symlink(s.File("real").c_str(), f.c_str()) != 0) {}
       },
       "a link"},
      {"a file", false, [](const std::string& f, const TTempDir&) { WriteFile(f, ""); }, "not a folder"},
      {"session folder", true, [](const std::string& f, const TTempDir&) { mkdir(f.c_str(), 0700); }, nullptr},
      {"session folder open to others", true,
       [](const std::string& f, const TTempDir&) { mkdir(f.c_str(), 0777); chmod(f.c_str(), 0777); }, "mode 0777"},
      {"session folder missing", true, [](const std::string&, const TTempDir&) {}, "No such file"},
  };
  for (const TCase& c : cases) {
    if (std::string(c.Name) == "another user's" && geteuid() != 0) continue;  // needs chown
    TTempDir tmp, scratch;
    const std::string folder = c.FromSession ? tmp.File("session") : tmp.File("emberhall-" + std::to_string(getuid()));
    TScopedEnv tmpdir("TMPDIR", tmp.Path().c_str());
    TScopedEnv runtime("XDG_RUNTIME_DIR", c.FromSession ? folder.c_str() : nullptr);
    c.Prepare(folder, scratch);
    testing::internal::CaptureStderr();
    const std::string dir = RuntimeDirectory();
    TInstanceLock lock;
    const bool acquired = lock.Acquire("testSemaphore");
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(acquired) << c.Name;  // a refused folder refuses no instance
    if (!c.Refusal) {
      EXPECT_EQ(dir, folder + "/") << c.Name;
      EXPECT_TRUE(lock.Held()) << c.Name;
      struct stat st {};
      ASSERT_EQ(lstat(folder.c_str(), &st), 0) << c.Name;
      EXPECT_EQ(st.st_mode & 0777, 0700u) << c.Name;
      EXPECT_EQ(said, "") << c.Name;
    } else {
      EXPECT_EQ(dir, "") << c.Name;
      EXPECT_FALSE(lock.Held()) << c.Name;
      EXPECT_NE(said.find(c.Refusal), std::string::npos) << c.Name << ": " << said;
      EXPECT_NE(said.find(folder), std::string::npos) << c.Name << ": " << said;
    }
  }
}
