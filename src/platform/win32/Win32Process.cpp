// Child processes on Windows: CreateProcessW with priority classes, exit
// codes through the process handle, WM_CLOSE to the child's windows, and
// ShellExecuteW's "open". Command lines follow CommandLineToArgvW's rules,
// the ones a started program's runtime uses to build its arguments.
#include "platform/Process.h"

#include <map>
#include <mutex>

#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"
#include <shellapi.h>
#undef ShellExecute

namespace emberhall {

namespace {


bool IsBlank(char C) { return C == ' ' || C == '\t'; }

// The handles of the processes this program started and has not yet seen
// end, by process id.
std::mutex processLock;
std::map<TProcessId, HANDLE>& Processes() {
  static std::map<TProcessId, HANDLE> processes;
  return processes;
}

DWORD PriorityClassOf(TProcessPriority Priority) {
  switch (Priority) {
    case TProcessPriority::High: return HIGH_PRIORITY_CLASS;
    case TProcessPriority::Idle: return IDLE_PRIORITY_CLASS;
    case TProcessPriority::RealTime: return REALTIME_PRIORITY_CLASS;
    default: return NORMAL_PRIORITY_CLASS;
  }
}

BOOL CALLBACK CloseWindowOfProcess(::HWND Window, LPARAM Id) {
  DWORD owner = 0;
  GetWindowThreadProcessId(Window, &owner);
  if (owner == static_cast<DWORD>(Id)) PostMessageW(Window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

// The first argument, the program, ends at the first blank or, when it
// begins with a quote, at the next quote; backslashes are plain characters
// in it. In the others, 2n backslashes before a quote give n backslashes and
// the quote opens or closes a quoted part; 2n+1 give n and a literal quote;
// backslashes before anything else stay as they are. A quote right after a
// closing one is a literal quote (so "" inside quotes stands for one) and the
// part stays closed.
std::vector<std::string> SplitCommandLine(const std::string& CommandLine) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = CommandLine.size();
  while (i < n && IsBlank(CommandLine[i])) ++i;
  if (i == n) return args;
  std::string current;
  if (CommandLine[i] == '"') {
    const size_t end = CommandLine.find('"', i + 1);
    current = CommandLine.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
    i = end == std::string::npos ? n : end + 1;
  } else {
    while (i < n && !IsBlank(CommandLine[i])) current += CommandLine[i++];
  }
  args.push_back(current);
  current.clear();
  while (i < n && IsBlank(CommandLine[i])) ++i;
  if (i == n) return args;
  // quotes counts the quotes of the current run: odd while inside a quoted
  // part, and a third quote in a row is a literal one.
  int quotes = 0;
  size_t backslashes = 0;
  bool inArg = false;
  for (; i < n; ++i) {
    const char c = CommandLine[i];
    if (IsBlank(c) && quotes == 0) {
      if (inArg) args.push_back(current);
      current.clear();
      inArg = false;
      backslashes = 0;
      continue;
    }
    inArg = true;
    if (c == '\\') {
      current += c;
      ++backslashes;
    } else if (c == '"') {
      current.resize(current.size() - backslashes / 2);
      if (backslashes % 2 == 1) {
        current.back() = '"';
      } else {
        ++quotes;
      }
      backslashes = 0;
      while (i + 1 < n && CommandLine[i + 1] == '"') {
        ++i;
        if (++quotes == 3) {
          current += '"';
          quotes = 0;
        }
      }
      if (quotes == 2) quotes = 0;
    } else {
      current += c;
      backslashes = 0;
    }
  }
  if (inArg) args.push_back(current);
  return args;
}

// Quoted when needed; inside the quotes a quote becomes \" and the
// backslashes before a quote (also before the closing one) are doubled, so
// that SplitCommandLine and every Windows runtime read the argument back.
std::string QuoteCommandArgument(const std::string& Argument) {
  if (!Argument.empty() && Argument.find_first_of(" \t\n\r\v\"") == std::string::npos) return Argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : Argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(backslashes * 2 + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

bool StartProcess(const std::string& CommandLine, const std::string& Directory, TProcessPriority Priority,
                  TProcessId& Id, std::string& ErrorText) {
  if (SplitCommandLine(CommandLine).empty()) {
    ErrorText = SystemErrorText(ERROR_FILE_NOT_FOUND);
    return false;
  }
  // CreateProcessW may write into the command line, so it gets a copy.
  std::wstring line = WideOf(CommandLine);
  const std::wstring directory = WideOf(Directory);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Started suspended and given its class before it runs: not every
  // system applies the class of the creation flags (Wine does not).
  const DWORD priorityClass = PriorityClassOf(Priority);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, priorityClass | CREATE_SUSPENDED, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
    ErrorText = SystemErrorText(GetLastError());
    return false;
  }
  if (GetPriorityClass(info.hProcess) != priorityClass) SetPriorityClass(info.hProcess, priorityClass);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  Id = static_cast<TProcessId>(info.dwProcessId);
  std::lock_guard<std::mutex> lock(processLock);
  // The system does not reuse the id of a process while a handle to it is
  // open, so the id is not in the table yet.
  Processes()[Id] = info.hProcess;
  return true;
}

bool ProcessRunning(TProcessId Id, int& ExitCode) {
  std::lock_guard<std::mutex> lock(processLock);
  const auto at = Processes().find(Id);
  if (at == Processes().end()) {
    ExitCode = -1;
    return false;
  }
  // The handle, not an exit code of STILL_ACTIVE, tells whether it runs: a
  // program may end with 259 itself.
  if (WaitForSingleObject(at->second, 0) == WAIT_TIMEOUT) return true;
  DWORD code = 0;
  ExitCode = GetExitCodeProcess(at->second, &code) ? static_cast<int>(code) : -1;
  CloseHandle(at->second);
  Processes().erase(at);
  return false;
}

void AskProcessToEnd(TProcessId Id) {
  if (Id <= 0) return;
  EnumWindows(&CloseWindowOfProcess, static_cast<LPARAM>(Id));
}

void ShellOpen(const std::string& File, const std::string& Directory) {
  const std::wstring file = WideOf(File), directory = WideOf(Directory);
  ShellExecuteW(nullptr, L"open", file.c_str(), nullptr, directory.empty() ? nullptr : directory.c_str(),
                SW_SHOWNORMAL);
}

}  // namespace emberhall
