// Child processes on Windows: command lines split and quoted as the system's
// own parser reads them, real children (this test program started again with
// a child switch, and cmd.exe) with their exit codes, working folder,
// priority class and a polite request to end.
#include "platform/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"
#include <shellapi.h>

namespace emberhall {
namespace {

using namespace std::chrono_literals;

// Arguments that only survive a command line when quoted right.
const std::vector<std::string> TrickyArguments = {
    "plain", "", "a b", R"(C:\Program Files\)", R"(say "hi")", R"(a\"b)", R"(a\\b)", "tab\there", R"(\\)", "\""};

// This program started by the tests below as a child: the switches make it
// end at once with a code, compare its arguments (as its runtime parsed
// them), look for a file in its working folder, or wait in a window for
// WM_CLOSE.
LRESULT CALLBACK ChildWindowProc(::HWND Window, UINT Message, WPARAM W, LPARAM L) {
  if (Message == WM_CLOSE) {
    PostQuitMessage(7);
    return 0;
  }
  return DefWindowProcW(Window, Message, W, L);
}

[[noreturn]] void RunChildWindow() {
  WNDCLASSW type{};
  type.lpfnWndProc = &ChildWindowProc;
  type.hInstance = GetModuleHandleW(nullptr);
  type.lpszClassName = L"EmberhallProcessTestChild";
  RegisterClassW(&type);
  if (!CreateWindowExW(0, type.lpszClassName, L"child", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                       type.hInstance, nullptr))
    ExitProcess(8);
  // Ends by itself after a while, should the request never come.
  SetTimer(nullptr, 0, 20000, nullptr);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER) ExitProcess(9);
    DispatchMessageW(&message);
  }
  ExitProcess(static_cast<UINT>(message.wParam));
}

const bool ChildRun = [] {
  if (__argc < 2) return false;
  const std::string mode = __argv[1];
  if (mode == "--emberhall-child-exit" && __argc == 3) ExitProcess(static_cast<UINT>(std::atoi(__argv[2])));
  if (mode == "--emberhall-child-args") {
    const std::vector<std::string> got(__argv + 2, __argv + __argc);
    ExitProcess(got == TrickyArguments ? 0 : 1);
  }
  if (mode == "--emberhall-child-has-file" && __argc == 3)
    ExitProcess(std::filesystem::exists(__argv[2]) ? 5 : 6);
  if (mode == "--emberhall-child-window") RunChildWindow();
  return false;
}();

std::string ThisProgram() {
  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return Utf8Of(std::wstring(path, n));
}

// The exit code of a started process, or -2 when it still runs after 15 s.
int WaitForExit(TProcessId Id) {
  int code = -1;
  for (auto start = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - start < 15s;) {
    if (!ProcessRunning(Id, code)) return code;
    std::this_thread::sleep_for(10ms);
  }
  return -2;
}

std::vector<std::string> SystemSplit(const std::string& Line) {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(WideOf(Line).c_str(), &count);
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.push_back(Utf8Of(args[i]));
  LocalFree(args);
  return result;
}

struct TSplitCase {
  std::string Line;
  std::vector<std::string> Arguments;
  bool SystemAgrees = true;  // CommandLineToArgvW gives the same
};

TEST(Win32Process, SplitsCommandLinesAsTheSystemDoes) {
  const TSplitCase cases[] = {
      {"prog a  b", {"prog", "a", "b"}},
      {R"("C:\Program Files\x.exe" /s)", {R"(C:\Program Files\x.exe)", "/s"}},
      {"C:\\dir\\x.exe \"a b\"\tc", {R"(C:\dir\x.exe)", "a b", "c"}},
      {R"(p a\\b c\)", {"p", R"(a\\b)", R"(c\)"}},
      {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
      {R"(p a\"b)", {"p", R"(a"b)"}},
      {R"(p a\\\"b)", {"p", R"(a\"b)"}},
      {R"(p "" x)", {"p", "", "x"}},
      {R"(p "a""b")", {"p", R"(a"b)"}},
      {R"(p "d""e f")", {"p", R"(d"e)", "f"}},
      {R"(p """)", {"p", "\""}},
      {R"(p a"b c"d)", {"p", "ab cd"}},
      {R"("prog name"x y)", {"prog name", "x", "y"}},
      {R"("C:\dir\"x)", {R"(C:\dir\)", "x"}},
      {R"(p "unterminated arg)", {"p", "unterminated arg"}},
      {"C:\\a\\b.exe", {"C:\\a\\b.exe"}},
      // Blanks before the program, and nothing at all: the system would give
      // an empty program name, and for "" this program's own path.
      {"  p a", {"p", "a"}, false},
      {"", {}, false},
      {" \t ", {}, false},
  };
  for (const TSplitCase& c : cases) {
    EXPECT_EQ(SplitCommandLine(c.Line), c.Arguments) << c.Line;
    if (c.SystemAgrees) {
      EXPECT_EQ(SystemSplit(c.Line), c.Arguments) << c.Line;
    }
  }
}

// Quoted arguments read back as they were: by SplitCommandLine, by the
// system's parser, and by a started program's runtime.
TEST(Win32Process, QuotedArgumentsReadBackEverywhere) {
  EXPECT_EQ(QuoteCommandArgument("plain"), "plain");
  EXPECT_EQ(QuoteCommandArgument(R"(a\b)"), R"(a\b)");
  EXPECT_EQ(QuoteCommandArgument(""), R"("")");
  EXPECT_EQ(QuoteCommandArgument(R"(C:\Program Files\)"), R"("C:\Program Files\\")");
  EXPECT_EQ(QuoteCommandArgument(R"(say "hi")"), R"("say \"hi\"")");
  std::string line = QuoteCommandArgument(ThisProgram()) + " --emberhall-child-args";
  for (const std::string& a : TrickyArguments) line += " " + QuoteCommandArgument(a);
  std::vector<std::string> expected = {ThisProgram(), "--emberhall-child-args"};
  expected.insert(expected.end(), TrickyArguments.begin(), TrickyArguments.end());
  EXPECT_EQ(SplitCommandLine(line), expected);
  EXPECT_EQ(SystemSplit(line), expected);
  TProcessId id = 0;
  std::string error;
  ASSERT_TRUE(StartProcess(line, "", TProcessPriority::Normal, id, error)) << error;
  EXPECT_EQ(WaitForExit(id), 0) << "the child read other arguments from " << line;
}

// Exit codes come back as the child gave them, 259 (the system's "still
// active") included; the child runs in the given folder; a process seen
// ended is forgotten.
TEST(Win32Process, ExitCodesOfRealChildren) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "emberhall process test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "marker.txt") << "x";
  const std::string self = QuoteCommandArgument(ThisProgram());
  const struct {
    std::string Line, Directory;
    int ExitCode;
  } cases[] = {
      {"cmd.exe /c exit 3", "", 3},  // found in the system's program path
      {self + " --emberhall-child-exit 0", "", 0},
      {self + " --emberhall-child-exit 259", "", 259},
      {self + " --emberhall-child-has-file marker.txt", Utf8Of(dir.wstring()), 5},
  };
  for (const auto& c : cases) {
    TProcessId id = 0;
    std::string error;
    ASSERT_TRUE(StartProcess(c.Line, c.Directory, TProcessPriority::Normal, id, error)) << c.Line << ": " << error;
    EXPECT_GT(id, 0) << c.Line;
    EXPECT_EQ(WaitForExit(id), c.ExitCode) << c.Line;
    int code = 0;
    EXPECT_FALSE(ProcessRunning(id, code)) << c.Line;
    EXPECT_EQ(code, -1) << c.Line << ": a process already seen ended is still known";
  }
  std::filesystem::remove_all(dir);
}

// What cannot start fails with the system's text, on one line.
TEST(Win32Process, FailedStartsSayWhy) {
  const struct {
    std::string Line, Directory;
  } cases[] = {
      {"", ""},
      {"   ", ""},
      {"emberhall-no-such-program.exe /s", ""},
      {R"("C:\no such folder\x.exe")", ""},
      {"cmd.exe /c exit 0", R"(C:\emberhall no such folder)"},
  };
  for (const auto& c : cases) {
    TProcessId id = 0;
    std::string error;
    EXPECT_FALSE(StartProcess(c.Line, c.Directory, TProcessPriority::Normal, id, error)) << c.Line;
    EXPECT_FALSE(error.empty()) << c.Line;
    EXPECT_EQ(error.find_first_of("\r\n"), std::string::npos) << c.Line << ": " << error;
  }
  int code = 0;
  EXPECT_FALSE(ProcessRunning(0, code));
  EXPECT_EQ(code, -1);
}

// Each priority gives its class (real time may become high where the user
// may not raise a process that far). The process stays known, and so
// queryable, until it is seen ended.
TEST(Win32Process, PriorityClasses) {
  const struct {
    TProcessPriority Priority;
    DWORD Class, OrClass;
  } cases[] = {
      {TProcessPriority::Normal, NORMAL_PRIORITY_CLASS, NORMAL_PRIORITY_CLASS},
      {TProcessPriority::High, HIGH_PRIORITY_CLASS, HIGH_PRIORITY_CLASS},
      {TProcessPriority::Idle, IDLE_PRIORITY_CLASS, IDLE_PRIORITY_CLASS},
      {TProcessPriority::RealTime, REALTIME_PRIORITY_CLASS, HIGH_PRIORITY_CLASS},
  };
  for (const auto& c : cases) {
    TProcessId id = 0;
    std::string error;
    ASSERT_TRUE(StartProcess(QuoteCommandArgument(ThisProgram()) + " --emberhall-child-exit 4", "", c.Priority, id,
                             error))
        << error;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    ASSERT_NE(process, nullptr);
    const DWORD got = GetPriorityClass(process);
    CloseHandle(process);
    EXPECT_TRUE(got == c.Class || got == c.OrClass) << int(c.Priority) << ": class " << std::hex << got;
    EXPECT_EQ(WaitForExit(id), 4);
  }
}

// AskProcessToEnd closes the child's window, and the child ends as its
// window procedure decides.
TEST(Win32Process, TheRequestToEndClosesTheChildsWindows) {
  TProcessId id = 0;
  std::string error;
  ASSERT_TRUE(StartProcess(QuoteCommandArgument(ThisProgram()) + " --emberhall-child-window", "",
                           TProcessPriority::Normal, id, error))
      << error;
  // The window may not exist yet: the request is repeated until it ends.
  int code = -2;
  for (auto start = std::chrono::steady_clock::now(); std::chrono::steady_clock::now() - start < 15s;) {
    AskProcessToEnd(id);
    if (!ProcessRunning(id, code)) break;
    std::this_thread::sleep_for(50ms);
  }
  if (code == 8) GTEST_SKIP() << "the child could not make a window (Wine without a display)";
  EXPECT_EQ(code, 7) << "9 = WM_CLOSE never came, -2 = still running";
}

// The shell's "open" of a batch file runs it in the given folder; nothing is
// waited for.
TEST(Win32Process, ShellOpenRunsTheFileInItsFolder) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "emberhall shell test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "make marker.bat") << "@echo opened> marker.txt\r\n";
  ShellOpen(Utf8Of((dir / "make marker.bat").wstring()), Utf8Of(dir.wstring()));
  bool made = false;
  for (auto start = std::chrono::steady_clock::now(); !made && std::chrono::steady_clock::now() - start < 15s;) {
    std::this_thread::sleep_for(50ms);
    made = std::filesystem::exists(dir / "marker.txt");
  }
  EXPECT_TRUE(made) << "the batch file did not run in " << dir.string();
  // The batch file's console may still hold the marker for a moment.
  std::this_thread::sleep_for(200ms);
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace
}  // namespace emberhall
