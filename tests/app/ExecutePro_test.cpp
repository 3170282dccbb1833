#include "app/ExecutePro.h"

#include <gtest/gtest.h>

#include <signal.h>

#include "platform/posix/Process.h"
#include "platform/posix/Signals.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

TEST(ExecutePro, CommandLineSplit) {
  struct Case { const char* line; const char* file; const char* params; const char* dir; };
  const Case cases[] = {
      {"C:\\Games\\Fire.EXE -s", "C:\\Games\\Fire.EXE", "-s", "C:\\Games\\"},
      {"/opt/fire/emberhall.exe -s -x", "/opt/fire/emberhall.exe", "-s -x", "/opt/fire/"},
      {"prog -s", "prog", "-s", ""},
      // "/" separates folders here, so a "/s" switch moves the split into the parameters.
      {"prog /s", "prog /s", "", "prog /"},
      {"notes.txt", "notes.txt", "", ""},
      {"prog", "prog", "", ""},
      {".hidden file", ".hidden file", "", ""},  // a "." in the first place keeps the whole name
      {"my prog.exe -a", "my prog.exe", "-a", ""},
      {"run.exe /p c:\\x.y", "run.exe /p c:\\x.y", "", "run.exe /p c:\\"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    TExecutePro e(nullptr);
    e.SetCommandLine(c.line);
    EXPECT_EQ(e.FileToRun, c.file) << c.line;
    EXPECT_EQ(e.Parameters, c.params) << c.line;
    EXPECT_EQ(e.DefaultDirectory, c.dir) << c.line;
  }
  TExecutePro e(nullptr);
  e.SetCommandLine("/a/prog.exe");
  e.SetCommandLine("/b/other.exe");
  EXPECT_EQ(e.DefaultDirectory, "/a/");  // only filled while empty
}

TEST(ExecutePro, IsProgramAndPriorities) {
  EXPECT_TRUE(TExecutePro::IsProgram("C:\\FIRE.EXE"));
  EXPECT_TRUE(TExecutePro::IsProgram("a.exe.txt"));
  EXPECT_FALSE(TExecutePro::IsProgram("notes.txt"));
  EXPECT_EQ(NiceValueOf(ProcessPriorityOf(epNormal)), 0);
  EXPECT_EQ(NiceValueOf(ProcessPriorityOf(epIdle)), 19);
  EXPECT_LT(NiceValueOf(ProcessPriorityOf(epHigh)), 0);
  EXPECT_EQ(SplitCommandLine("a \"b c\" \"d\"\"e\"  f"), (std::vector<std::string>{"a", "b c", "d\"e", "f"}));
  // Quoted arguments read back as they were.
  const std::vector<std::string> arguments = {"/data folder/x.EXE", "/s", "", "say \"hi\"", "tab\there", "plain"};
  std::string line;
  for (const std::string& a : arguments) line += QuoteCommandArgument(a) + " ";
  EXPECT_EQ(SplitCommandLine(line), arguments);
  EXPECT_EQ(QuoteCommandArgument("plain"), "plain");
}

// Asked to end while waiting: the started program is asked to end too, and
// the wait ends with it.
TEST(ExecutePro, ATerminationSignalEndsTheWaitThroughTheChild) {
  TFakeServices services;
  TApplication app;  // installs the termination handlers
  TExecutePro e(nullptr);
  e.Mode = emProcess;
  HWND wnd = app.CreateHandlerWindow([&](HWND, uint32_t, WPARAM, LPARAM) -> LRESULT {
    raise(SIGTERM);
    return 0;
  });
  app.PostMessage(wnd, WM_NULL, 0, 0);
  const auto start = std::chrono::steady_clock::now();
  e.ExecuteCommand(std::string(EMBERHALL_TEST_HELPER) + " sleep-exit 10 0");
  const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(waited, 5.0);
  EXPECT_EQ(e.LastExitCode, 128 + SIGTERM);
  EXPECT_TRUE(TerminationRequested());
  ClearTerminationRequest();
}

TEST(ExecutePro, WaitsForARealChildWhileHandlingMessages) {
  TFakeServices services;
  TApplication app;
  TExecutePro e(nullptr);
  e.Mode = emProcess;
  int handled = 0;
  HWND wnd = app.CreateHandlerWindow([&](HWND, uint32_t, WPARAM, LPARAM) -> LRESULT { return ++handled; });
  app.PostMessage(wnd, WM_NULL, 0, 0);
  auto start = std::chrono::steady_clock::now();
  e.ExecuteCommand(std::string(EMBERHALL_TEST_HELPER) + " sleep-exit 0.3 7");
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(waited, 0.3);
  EXPECT_EQ(e.LastExitCode, 7);
  EXPECT_EQ(handled, 1);  // messages kept flowing during the wait
  EXPECT_TRUE(services.Messages.empty());
}

TEST(ExecutePro, StopsWaitingWhenTheApplicationTerminates) {
  TFakeServices services;
  TApplication app;
  TExecutePro e(nullptr);
  e.Mode = emProcess;
  HWND wnd = app.CreateHandlerWindow([&](HWND, uint32_t, WPARAM, LPARAM) -> LRESULT {
    app.Terminate();
    return 0;
  });
  app.PostMessage(wnd, WM_CLOSE, 0, 0);
  auto start = std::chrono::steady_clock::now();
  e.ExecuteCommand(std::string(EMBERHALL_TEST_HELPER) + " sleep-exit 2 0");
  double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(waited, 2.0);
  EXPECT_EQ(e.LastExitCode, -1);
}

TEST(ExecutePro, FailureIsShownOnceWithoutRaising) {
  TFakeServices services;
  TApplication app;
  app.Title = "Emberhall";
  TExecutePro e(nullptr);
  e.DefaultDirectory = "/tmp";
  EXPECT_NO_THROW(e.ExecuteCommand("/nonexistent/prog.exe /s"));
  ASSERT_EQ(services.Messages.size(), 1u);
  EXPECT_EQ(services.Messages[0].Text,
            "TExecutePro.ProcessExecute error:  CommandLine: /nonexistent/prog.exe /s DefaultDirectory: /tmp Message: "
            "No such file or directory");
  EXPECT_EQ(services.Messages[0].Caption, "Emberhall");
}
