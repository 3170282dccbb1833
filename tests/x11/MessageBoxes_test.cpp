// The real message boxes, shown as a user would see them.
#include <gtest/gtest.h>
// Xlib after gtest: its macros (None, Bool) clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "support/TestSupport.h"

using namespace emberhall::test;

namespace {

bool FindWindowNamed(Display* d, Window w, const std::string& name) {
  char* title = nullptr;
  if (XFetchName(d, w, &title) && title) {
    bool match = name == title;
    XFree(title);
    if (match) return true;
  }
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return false;
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i) found = FindWindowNamed(d, children[i], name);
  if (children) XFree(children);
  return found;
}

}  // namespace

TEST(MessageBoxes, WithoutADisplayTheTextGoesToStderr) {
  const char* cases[] = {"env -u DISPLAY ", "EMBERHALL_MESSAGES=stderr "};
  for (const char* prefix : cases) {
    TCommandRun run = RunCommand(std::string(prefix) + EMBERHALL_TEST_HELPER + " alert 'Create RC failed' Emberhall");
    EXPECT_EQ(run.ExitCode, 0) << prefix;
    EXPECT_EQ(run.Output, "Emberhall: Create RC failed\n") << prefix;
  }
}

TEST(MessageBoxes, WithADisplayAnAlertShowsWithItsCaption) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) GTEST_SKIP() << "needs the test script's Xvfb";
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  // Other programs' windows may vanish while the tree is walked.
  XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  pid_t pid = fork();
  if (pid == 0) {
    unsetenv("EMBERHALL_MESSAGES");
    execl(EMBERHALL_TEST_HELPER, EMBERHALL_TEST_HELPER, "alert", "Something failed", "Emberhall Alert Test",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  bool shown = false;
  for (int i = 0; i < 100 && !shown; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    shown = FindWindowNamed(d, DefaultRootWindow(d), "Emberhall Alert Test");
  }
  int status = 0;
  EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0);  // still waiting for its click
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  XCloseDisplay(d);
  EXPECT_TRUE(shown);
}
