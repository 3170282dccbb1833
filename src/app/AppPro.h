// The application component: application-level services for the program
// (start and stop, names and folders, options store, single instance, log,
// help, power notices, keep-awake), and the frame-rate count on top of it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/TimePro.h"
#include "platform/Forms.h"
#include "platform/InstanceLock.h"
#include "platform/LogFile.h"
#include "platform/OptionsStore.h"

namespace emberhall {

class TCustomApplicationPro : public TComponent {
 public:
  explicit TCustomApplicationPro(TComponent* AOwner);
  ~TCustomApplicationPro() override;

  // ---- options store ----
  std::string ReadOptionString(const std::string& Name, const std::string& Default);
  bool ReadOptionBool(const std::string& Name, bool Default);
  int32_t ReadOptionInteger(const std::string& Name, int32_t Default);
  void WriteOptionString(const std::string& Name, const std::string& Value);
  void WriteOptionBool(const std::string& Name, bool Value);
  void WriteOptionInteger(const std::string& Name, int32_t Value);
  void SetMachineWide(bool Value);
  void CloseStore();
  // "Software\<Company>\<Title> <MajorVersion>" (without the company part when it is empty).
  std::string KeyPath() const;

  bool HasSwitch(char Letter) const;
  void CloseApplication();
  void HideApplicationWindow();
  void MakeToolWindow();
  void SetCursorHidden(bool Hide);
  void CenterMainForm();
  void ShowHelp();
  std::string VersionText() const { return MajorVersion + "." + MinorVersion; }
  void Log(const std::string& Text);

  void SetLogFile(bool Value);
  bool GetLogFile() const { return FLogFile; }
  void SetNeedDisplay(bool Value);
  bool GetNeedDisplay() const { return FNeedDisplay; }
  void SetNeedSystem(bool Value);
  bool GetNeedSystem() const { return FNeedSystem; }
  bool Started() const { return FStarted; }
  // The single-instance check found another instance: this one ends at once.
  bool AnotherInstanceRuns() const { return FAnotherInstance; }
  HWND EventWindow() const { return FEventWindow; }

  // The component registered program-wide (the first one created).
  static TCustomApplicationPro* Instance() { return FInstance; }

  // ---- virtual operations ----
  virtual void Start();
  virtual void Stop();
  virtual LRESULT WindowProc(uint32_t Msg, WPARAM WParam, LPARAM LParam);
  virtual void HandleException(TObject* Sender, const std::exception& E);
  virtual void DoMessage(TMsg& Msg, bool& Handled);
  virtual bool Help(uint16_t Command, intptr_t Data, bool& CallHelp);
  virtual void Hint(TObject* Sender);
  virtual void Idle(TObject* Sender, bool& Done);
  virtual void Deactivate(TObject* Sender);
  virtual void Activate(TObject* Sender);
  virtual void AppMinimize(TObject* Sender);
  virtual void AppRestore(TObject* Sender);
  virtual void ShortCut(TMsg& Msg, bool& Handled);
  virtual void ShowHint(std::string& HintStr, bool& CanShow);
  virtual void PowerOff();
  virtual void PowerOn();
  virtual void Initialize();
  virtual void LoadOptions();
  virtual void SaveOptions();
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  // ---- fields ----
  bool ReadOnlyStore = false;
  bool MachineWide = false;
  std::string Title, Company, MajorVersion = "1", MinorVersion = "0";
  std::string BaseName, ProgramDirectory, DataDirectory, SystemDirectory, WindowsDirectory, ExeFileName,
      LogFileName;
  std::unique_ptr<IInstanceLock> InstanceSemaphore = CreateInstanceLock();
  std::unique_ptr<ILogFile> LogStream = CreateLogFile();
  bool CursorHidden = false;
  std::unique_ptr<IOptionsKey> Store;
  bool SingleInstance = true;
  bool Debug = false;
  bool SuspendEnabled = false;
  bool ScrambledNames = false;

  TNotifyEvent OnLoadOptions, OnSaveOptions, OnStart, OnStop;
  TExceptionEvent OnException;
  TMessageEvent OnMessage;
  THelpEvent OnHelp;
  TNotifyEvent OnHint;
  TIdleEvent OnIdle;
  TNotifyEvent OnDeactivate, OnActivate, OnMinimize, OnRestore;
  TShortCutEvent OnShortCut;
  TShowHintEvent OnShowHint;
  TNotifyEvent OnPowerOff, OnPowerOn;

 protected:
  void HookApplication();
  void AttachIdle();
  void DetachIdle();
  void CheckSingleInstance();
  // The file name, folders and log name of the running program, from its path.
  void SetProgramNames(const std::string& ProgramPath);

 private:
  void OpenStore();
  std::string StoredName(const std::string& Name) const;
  bool TryReadCurrent(const std::string& Name, std::string& Value);
  // Reads Name and converts a stored text with Convert; a text that does not
  // convert raises EConvertError naming the value, its file and What it should be.
  std::string ReadConvertedOption(const std::string& Name, const char* What,
                                  const std::function<void(const std::string&)>& Convert);
  void CreateEventWindow(int X, int Y, int W, int H);
  void RemoveEventWindow();
  void RequestExecutionState();

  bool FStarted = false;
  bool FAnotherInstance = false;
  bool FLogFile = false;
  bool FNeedDisplay = false;
  bool FNeedSystem = false;
  bool FStoreReadOnly = false;
  bool FStoreMachineWide = false;
  std::string FValueFile;  // the file the last value read came from
  HWND FEventWindow = 0;
  static TCustomApplicationPro* FInstance;
};

// The switch test of the command line (also used without a component).
bool HasSwitchIn(const std::vector<std::string>& Params, char Letter);
// The program's parameters (argv[1..]), set by main.
std::vector<std::string>& ParamStrings();

// Frame timing and the once-per-second frame-rate report.
class TCustomGraphicApplicationPro : public TCustomApplicationPro {
 public:
  explicit TCustomGraphicApplicationPro(TComponent* AOwner);
  ~TCustomGraphicApplicationPro() override;

  TTimerPro& GetTimer();
  int32_t GetFPS();
  void Idle(TObject* Sender, bool& Done) override;

  // The clock the timer will use when it is created (tests).
  TMillisecondClock TimerClock;
  std::unique_ptr<TTimerPro> Timer;
  int32_t FrameRate = 0;
  int32_t PassCount = 0;
  long double LastFPSTime = 0;
  TNotifyEvent OnFPSChanged;
};

}  // namespace emberhall
