#include "app/ExecutePro.h"

#include <chrono>
#include <thread>

#include "platform/Process.h"
#include "platform/SysUtils.h"
#include "platform/Termination.h"

namespace emberhall {

TProcessPriority ProcessPriorityOf(TExecPriority Priority) {
  switch (Priority) {
    case epHigh: return TProcessPriority::High;
    case epIdle: return TProcessPriority::Idle;
    case epRealTime: return TProcessPriority::RealTime;
    default: return TProcessPriority::Normal;
  }
}

TExecutePro::TExecutePro(TComponent* AOwner) : TComponent(AOwner) {}

bool TExecutePro::IsProgram(const std::string& Text) { return LowerCase(Text).find(".exe") != std::string::npos; }

void TExecutePro::SetCommandLine(const std::string& Value) {
  FCommandLine = Value;
  const std::string dir = ExtractFilePath(Value);
  if (DefaultDirectory.empty()) DefaultDirectory = dir;
  std::string name = Value.substr(dir.size());
  // Split at the first blank after the last "." (scanning back from the end).
  size_t split = name.size() + 1;  // 1-based
  size_t i = name.size();
  bool stoppedAtFirst = false;
  while (i >= 1) {
    char c = name[i - 1];
    if (c == '.') {
      stoppedAtFirst = i == 1;
      break;
    }
    if (c == ' ') split = i;
    --i;
  }
  if (stoppedAtFirst) split = name.size() + 1;
  FileToRun = dir + name.substr(0, split - 1);
  Parameters = split <= name.size() ? name.substr(split) : "";
}

void TExecutePro::Execute() {
  if (Mode == emProcess || (Mode == emAuto && IsProgram(FileToRun))) {
    ProcessExecute();
  } else {
    ShellExecute();
  }
}

void TExecutePro::ExecuteCommand(const std::string& ACommandLine) {
  SetCommandLine(ACommandLine);
  Execute();
}

void TExecutePro::ProcessExecute() {
  LastExitCode = -1;
  TProcessId pid = 0;
  std::string error;
  if (!StartProcess(FCommandLine, DefaultDirectory, ProcessPriorityOf(Priority), pid, error)) {
    std::string message = "TExecutePro.ProcessExecute error:  CommandLine: " + FCommandLine +
                          " DefaultDirectory: " + DefaultDirectory + " Message: " + error.substr(0, 512);
    if (Application) Application->ShowException(Exception(message));
    return;
  }
  if (!Wait) return;
  int exitCode = -1;
  bool askedToEnd = false;
  while (ProcessRunning(pid, exitCode)) {
    if (Application && Application->Terminated()) return;
    // Asked to end ourselves: the program we wait for ends first, in order.
    if (TerminationRequested() && !askedToEnd) {
      AskProcessToEnd(pid);
      askedToEnd = true;
    }
    if (Application) Application->ProcessMessages();
    // A short pause between checks keeps the wait from spinning a core.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  LastExitCode = exitCode;
}

void TExecutePro::ShellExecute() { ShellOpen(FileToRun, DefaultDirectory); }

}  // namespace emberhall
