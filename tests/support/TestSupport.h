// Helpers shared by the tests: a private temporary folder, fakes of the
// platform services, and an application object per test.
#pragma once

#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/Services.h"

namespace emberhall::test {

// A fresh folder removed with its contents at the end of the scope.
class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  const std::string& Path() const { return FPath; }
  std::string File(const std::string& name) const { return FPath + "/" + name; }

 private:
  std::string FPath;
};

std::string ReadFile(const std::string& path);

struct TCommandRun {
  int ExitCode = -1;
  std::string Output;  // standard output and error together
};
// Runs a shell command line to its end.
TCommandRun RunCommand(const std::string& command);
// Starts the test helper with the given arguments and returns once it has
// written its first line (in FirstLine); the caller waits for the process.
int StartHelper(const std::vector<std::string>& args, std::string& FirstLine);
void WriteFile(const std::string& path, const std::string& text);

// Points the options store at private per-user and machine-wide folders.
class TScopedConfig {
 public:
  TScopedConfig();
  ~TScopedConfig();
  std::string UserRoot() const { return FDir.File("user"); }
  std::string MachineRoot() const { return FDir.File("machine"); }

 private:
  TTempDir FDir;
};

struct TShownMessage {
  std::string Text, Caption;
  TMessageIcon Icon;
};

// Records what the framework would show or request instead of doing it.
class TFakeServices : public IMessageBoxes,
                      public IKeepAwake,
                      public IPowerNotices,
                      public IScreen,
                      public ICursor,
                      public IHelpViewer,
                      public ISoundPlayer {
 public:
  TFakeServices();
  ~TFakeServices() override;

  void Show(const std::string& Text, const std::string& Caption, TMessageIcon Icon) override {
    Messages.push_back({Text, Caption, Icon});
  }
  void SetExecutionState(bool Display, bool System) override { ExecutionStates.push_back({Display, System}); }
  void Attach(HWND Wnd) override { PowerWindow = Wnd; }
  void Detach() override { PowerWindow = 0; }
  void SetSuspendAllowed(bool Allowed) override { SuspendAllowed.push_back(Allowed); }
  bool GetScreenSize(int& W, int& H) override {
    W = ScreenWidth;
    H = ScreenHeight;
    return true;
  }
  int ShowCursor(bool Show) override { return CursorCount += Show ? 1 : -1; }
  void SetBusy(bool Busy) override { BusyCursor.push_back(Busy); }
  void ShowContents(const std::string& FileName) override { HelpFiles.push_back(FileName); }
  void Play(const std::string& Name, TSoundSource Source, bool Looping) override {
    Sounds.push_back(std::string("Play ") + (Source == TSoundSource::Resource ? "resource " : "file ") + Name +
                     (Looping ? " looping" : " once"));
  }
  void Stop() override { Sounds.push_back("Stop"); }

  std::vector<TShownMessage> Messages;
  std::vector<std::pair<bool, bool>> ExecutionStates;
  HWND PowerWindow = 0;
  std::vector<bool> SuspendAllowed;  // what the power backend was told, in order
  std::vector<std::string> HelpFiles;
  std::vector<std::string> Sounds;  // "Play resource NAME looping", "Play file NAME once", "Stop"
  int ScreenWidth = 1920, ScreenHeight = 1080;
  int CursorCount = 0;
  std::vector<bool> BusyCursor;  // each busy-pointer request, in order

 private:
  TPlatform FSaved;
};

}  // namespace emberhall::test
