// Runs the built program as a user or a screensaver daemon would, under the
// test script's display, each run with its own folders.
#pragma once

#include <gtest/gtest.h>
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/TestSupport.h"
#include "x11/XTestKeys.h"

namespace emberhall::test {

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) GTEST_SKIP() << "needs the test script's Xvfb";
    probe = XOpenDisplay(nullptr);
    ASSERT_NE(probe, nullptr);
  }
  // Every run not seen to end is killed, with whatever it forked (each run
  // leads a process group of its own): one left holding the keyboard, or a
  // child holding a copy of its X connection, would fail every later test
  // on the display.
  void TearDown() override {
    for (const pid_t p : unended) {
      kill(-p, SIGKILL);
      kill(p, SIGKILL);
      waitpid(p, nullptr, 0);
    }
    unended.clear();
    pid = -1;
    if (probe) XCloseDisplay(probe);
  }
  pid_t Start(const std::vector<std::string>& args) {
    pid = fork();
    if (pid > 0) unended.push_back(pid);
    if (pid == 0) {
      setpgid(0, 0);
      if (runAs.Uid != 0 && !BecomeUser()) _exit(125);
      setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
      setenv("EMBERHALL_CONFIG_HOME", config.File("user").c_str(), 1);
      setenv("EMBERHALL_CONFIG_DIRS", config.File("machine").c_str(), 1);
      for (const auto& [name, value] : environment) {
        if (value.empty()) unsetenv(name.c_str());
        else setenv(name.c_str(), value.c_str(), 1);
      }
      if (chdir(work.Path().c_str()) != 0) _exit(126);
      if (!errorFile.empty() && !freopen(errorFile.c_str(), "a", stderr)) _exit(126);
      std::vector<char*> argv = {const_cast<char*>(program.c_str())};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    return pid;
  }
  // Signals the running program (never a process group: pid is checked).
  void Signal(int Sig) {
    if (pid > 0) kill(pid, Sig);
    else ADD_FAILURE() << "the program is not running";
  }
  // Waits for the program's end; its exit code, or -1 when it runs on.
  int WaitEnd(std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        std::erase(unended, pid);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  // The stacks of the running program's threads (when the machine has gdb),
  // for the message of a run that did not end when it should.
  std::string Stacks() {
    if (pid <= 0 || access("/usr/bin/gdb", X_OK) != 0) return "";
    return RunCommand("/usr/bin/gdb -batch -p " + std::to_string(pid) + " -ex 'thread apply all bt' 2>&1").Output;
  }
  // What the program left in its runtime folder. The folder "pulse" is the
  // sound server client's, which the crackle's audio library makes there
  // when it looks for a server; it is no trace of the program.
  std::vector<std::string> LeftInRuntimeFolder() {
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(runtime.Path()))
      if (entry.path().filename() != "pulse") left.push_back(entry.path().filename().string());
    return left;
  }
  bool KeyboardTaken() {
    const int r = XGrabKeyboard(probe, DefaultRootWindow(probe), True, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (r == GrabSuccess) XUngrabKeyboard(probe, CurrentTime);
    XSync(probe, False);
    return r == AlreadyGrabbed;
  }
  bool WaitFullScreen() {
    for (int i = 0; i < 250; ++i) {
      if (KeyboardTaken()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  void Press(KeySym sym) { emberhall::test::PressKey(probe, sym); }

  // Runs the program as another user from here on: the folders become theirs.
  void RunAs(uid_t Uid, gid_t Gid) {
    runAs = {Uid, Gid};
    for (const TTempDir* dir : {&runtime, &config, &work}) {
      if (chown(dir->Path().c_str(), Uid, Gid) != 0) ADD_FAILURE() << "chown " << dir->Path();
    }
  }
  bool BecomeUser() {
    return setgroups(0, nullptr) == 0 && setgid(runAs.Gid) == 0 && setuid(runAs.Uid) == 0;
  }

  TTempDir runtime, config, work;
  std::string program = EMBERHALL_PROGRAM;
  // Set (or, with an empty value, removed) in the program's environment.
  std::vector<std::pair<std::string, std::string>> environment;
  // Where the program's standard error goes when set.
  std::string errorFile;
  struct {
    uid_t Uid = 0;
    gid_t Gid = 0;
  } runAs;
  Display* probe = nullptr;
  pid_t pid = -1;
  std::vector<pid_t> unended;  // started and not yet waited for
};


}  // namespace emberhall::test
