// Starts another program as a process that can be waited for, or opens a
// document with the desktop's "open" action.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Forms.h"
#include "platform/Process.h"

namespace emberhall {

enum TExecMode : uint8_t { emAuto, emProcess, emShell };
enum TExecPriority : uint8_t { epNormal, epHigh, epIdle, epRealTime };
enum TExecWindowStyle : uint8_t { ewShow, ewHide, ewMaximize, ewMinimize };

// The platform's priority for a started process. Raising priority needs
// privileges; when the system refuses, the process keeps the launcher's.
TProcessPriority ProcessPriorityOf(TExecPriority Priority);

class TExecutePro : public TComponent {
 public:
  explicit TExecutePro(TComponent* AOwner);

  void Execute();
  void ExecuteCommand(const std::string& ACommandLine);
  static bool IsProgram(const std::string& Text);

  void SetCommandLine(const std::string& Value);
  const std::string& GetCommandLine() const { return FCommandLine; }

  std::string DefaultDirectory;
  std::string FileToRun;
  std::string Parameters;
  TExecMode Mode = emAuto;
  TExecPriority Priority = epNormal;
  // Window styles have no meaning for X programs started here; kept for the Windows build.
  TExecWindowStyle WindowStyle = ewMinimize;
  bool Wait = true;

  // Exit code of the last process waited for to its end; -1 otherwise.
  int LastExitCode = -1;

 private:
  void ProcessExecute();
  void ShellExecute();
  std::string FCommandLine;
};

}  // namespace emberhall
