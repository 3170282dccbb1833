#include "app/AppPro.h"

#include <cmath>
#include <cstdio>

#include "platform/Services.h"
#include "platform/SysUtils.h"
#include "platform/Paths.h"

namespace emberhall {

TCustomApplicationPro* TCustomApplicationPro::FInstance = nullptr;

std::vector<std::string>& ParamStrings() {
  static std::vector<std::string> params;
  return params;
}

bool HasSwitchIn(const std::vector<std::string>& Params, char Letter) {
  std::string letter = UpperCase(std::string(1, Letter));
  for (const std::string& p : Params) {
    if (p.empty() || (p[0] != '-' && p[0] != '/')) continue;
    size_t at = UpperCase(p).find(letter[0]);
    if (at == 1) return true;
  }
  return false;
}

namespace {

// "Semaphore", "Log" and the message boxes of the hidden window.
void ShowWindowError(const std::string& Text) {
  Platform().MessageBoxes->Show(Text, "ApplicationPro Error", TMessageIcon::Error);
}

bool StrToBoolText(const std::string& Text) {
  if (SameText(Text, "true")) return true;
  if (SameText(Text, "false")) return false;
  int32_t v = 0;
  if (TryStrToInt(Text, v)) return v != 0;
  long double f = 0;
  if (TryStrToFloat(Text, f)) return f != 0;
  throw EConvertError("'" + Text + "' is not a valid boolean value");
}

}  // namespace

// ---- construction and destruction ----

TCustomApplicationPro::TCustomApplicationPro(TComponent* AOwner) : TComponent(AOwner) {
  if (Designing()) return;
  HookApplication();
  if (!FInstance) {
    FInstance = this;
    CreateEventWindow(-1, -1, 1, 1);
  }
}

TCustomApplicationPro::~TCustomApplicationPro() {
  if (Designing()) return;
  InstanceSemaphore->Release();
  try {
    CloseStore();
  } catch (...) {
  }
  LogStream->Close();
  if (FInstance == this) {
    FInstance = nullptr;
    RemoveEventWindow();
  }
  if (Application) {
    // Leave no hook pointing at a freed component.
    Application->OnActivate = Application->OnDeactivate = Application->OnHint = nullptr;
    Application->OnMinimize = Application->OnRestore = nullptr;
    Application->OnException = nullptr;
    Application->OnIdle = nullptr;
    Application->OnMessage = nullptr;
    Application->OnShortCut = nullptr;
    Application->OnShowHint = nullptr;
  }
}

void TCustomApplicationPro::HookApplication() {
  if (!Application) return;
  Application->OnActivate = [this](TObject* s) { Activate(s); };
  Application->OnDeactivate = [this](TObject* s) { Deactivate(s); };
  Application->OnException = [this](TObject* s, const std::exception& e) { HandleException(s, e); };
  Application->OnHint = [this](TObject* s) { Hint(s); };
  Application->OnMessage = [this](TMsg& m, bool& h) { DoMessage(m, h); };
  Application->OnMinimize = [this](TObject* s) { AppMinimize(s); };
  Application->OnRestore = [this](TObject* s) { AppRestore(s); };
  Application->OnShowHint = [this](std::string& h, bool& c) { ShowHint(h, c); };
  Application->OnShortCut = [this](TMsg& m, bool& h) { ShortCut(m, h); };
  AttachIdle();
}

void TCustomApplicationPro::AttachIdle() {
  if (Application) Application->OnIdle = [this](TObject* s, bool& d) { Idle(s, d); };
}

void TCustomApplicationPro::DetachIdle() {
  if (Application) Application->OnIdle = nullptr;
}

void TCustomApplicationPro::Loaded() {
  TComponent::Loaded();
  if (!Designing()) Initialize();
}

// ---- Initialize ----

void TCustomApplicationPro::SetProgramNames(const std::string& ProgramPath) {
  ExeFileName = ExtractFileName(ProgramPath);
  size_t dot = ExeFileName.find('.');
  // Programs here have no extension: a name without a dot is its own base
  // name (an empty one would give every snapshot the same name ".jpg").
  BaseName = dot == std::string::npos ? ExeFileName : ExeFileName.substr(0, dot);
  ProgramDirectory = ExtractFilePath(ProgramPath);
  DataDirectory = ProgramDirectory;
  SystemDirectory = IncludeTrailingPathDelimiter(emberhall::SystemDirectory());
  WindowsDirectory = IncludeTrailingPathDelimiter(emberhall::WindowsDirectory());
  LogFileName = ProgramDirectory + BaseName + ".log";
}

void TCustomApplicationPro::Initialize() {
  if (Designing()) return;
  if (Application) {
    if (!Title.empty()) Application->Title = Title;
    if (!Application->Title.empty()) Title = Application->Title;
  }
  SetProgramNames(ProgramFileName());
  HookApplication();
  if (SingleInstance) CheckSingleInstance();
}

void TCustomApplicationPro::CheckSingleInstance() {
  if (InstanceSemaphore->Acquire(BaseName + "Semaphore")) return;
  FAnotherInstance = true;
  SetLogFile(false);
  if (Application) {
    Application->Terminate();
    Application->ShowMainForm = false;
  }
  if (auto* form = dynamic_cast<TCustomForm*>(Owner())) {
    form->OnCreate = form->OnDestroy = form->OnActivate = form->OnDeactivate = nullptr;
    form->OnPaint = form->OnResize = form->OnShow = nullptr;
    form->OnClose = nullptr;
    form->OnCloseQuery = nullptr;
    form->Visible = false;
  }
}

// ---- start, stop and the hooks ----

void TCustomApplicationPro::Idle(TObject* Sender, bool& Done) {
  Done = false;
  if (!FStarted) {
    DetachIdle();
    try {
      Start();
    } catch (...) {
      AttachIdle();
      throw;
    }
    AttachIdle();
  }
  if (OnIdle) {
    DetachIdle();
    try {
      OnIdle(Sender, Done);
    } catch (...) {
      AttachIdle();
      throw;
    }
    AttachIdle();
    Done = false;
  }
  CloseStore();
}

void TCustomApplicationPro::Start() {
  if (Designing() || FStarted) return;
  if (OnStart) OnStart(this);
  FStarted = true;
}

void TCustomApplicationPro::Stop() {
  if (Designing() || !FStarted) return;
  if (OnStop) OnStop(this);
  FStarted = false;
}

void TCustomApplicationPro::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (!Designing() && Operation == opRemove && Application && Application->Terminated()) Stop();
}

void TCustomApplicationPro::HandleException(TObject* Sender, const std::exception& E) {
  if (Debug) Log(E.what());
  DetachIdle();
  SetCursorHidden(false);
  try {
    if (OnException) {
      OnException(Sender, E);
    } else {
      Platform().MessageBoxes->Show(E.what(), Application ? Application->Title : Title, TMessageIcon::Error);
      if (Application) {
        Application->ExitCode = 1;
        Application->Terminate();
      }
    }
  } catch (...) {
    AttachIdle();
    throw;
  }
  AttachIdle();
}

void TCustomApplicationPro::DoMessage(TMsg& Msg, bool& Handled) {
  if (OnMessage) OnMessage(Msg, Handled);
}

bool TCustomApplicationPro::Help(uint16_t Command, intptr_t Data, bool& CallHelp) {
  return OnHelp ? OnHelp(Command, Data, CallHelp) : false;
}

void TCustomApplicationPro::Hint(TObject* Sender) {
  if (OnHint) OnHint(Sender);
}
void TCustomApplicationPro::Deactivate(TObject* Sender) {
  if (OnDeactivate) OnDeactivate(Sender);
}
void TCustomApplicationPro::Activate(TObject* Sender) {
  if (OnActivate) OnActivate(Sender);
}
void TCustomApplicationPro::AppMinimize(TObject* Sender) {
  if (OnMinimize) OnMinimize(Sender);
}
void TCustomApplicationPro::AppRestore(TObject* Sender) {
  if (OnRestore) OnRestore(Sender);
}
void TCustomApplicationPro::ShortCut(TMsg& Msg, bool& Handled) {
  if (OnShortCut) OnShortCut(Msg, Handled);
}
void TCustomApplicationPro::ShowHint(std::string& HintStr, bool& CanShow) {
  if (OnShowHint) OnShowHint(HintStr, CanShow);
}
void TCustomApplicationPro::PowerOff() {
  if (OnPowerOff) OnPowerOff(this);
}
void TCustomApplicationPro::PowerOn() {
  if (OnPowerOn) OnPowerOn(this);
}

// ---- options store ----

std::string TCustomApplicationPro::KeyPath() const {
  if (!Company.empty()) return "Software\\" + Company + "\\" + Title + " " + MajorVersion;
  return "Software\\" + Title + " " + MajorVersion;
}

void TCustomApplicationPro::SetMachineWide(bool Value) {
  if (MachineWide != Value) CloseStore();
  MachineWide = Value;
}

void TCustomApplicationPro::CloseStore() {
  if (!Designing()) Store.reset();
}

void TCustomApplicationPro::OpenStore() {
  if (Store && (FStoreReadOnly != ReadOnlyStore || FStoreMachineWide != MachineWide)) CloseStore();
  if (Store) return;
  Store = OpenOptionsKey(MachineWide ? TStoreRoot::LocalMachine : TStoreRoot::CurrentUser, KeyPath(), ReadOnlyStore);
  FStoreReadOnly = ReadOnlyStore;
  FStoreMachineWide = MachineWide;
}

std::string TCustomApplicationPro::StoredName(const std::string& Name) const {
  if (!ScrambledNames) return Name;
  std::string s = Name;
  for (char& c : s) c = static_cast<char>(~static_cast<unsigned char>(c));
  return s;
}

bool TCustomApplicationPro::TryReadCurrent(const std::string& Name, std::string& Value) {
  OpenStore();
  if (!Store->ValueExists(Name)) return false;
  Value = Store->ReadString(Name);
  FValueFile = Store->FileName();
  return true;
}

std::string TCustomApplicationPro::ReadConvertedOption(const std::string& Name, const char* What,
                                                       const std::function<void(const std::string&)>& Convert) {
  FValueFile.clear();
  const std::string text = ReadOptionString(Name, "");
  if (text.empty()) return text;
  try {
    Convert(text);
  } catch (const EConvertError&) {
    // The stored value, and where it is, so that the user can mend it; a
    // long value is cut, so that the message still fits on the screen.
    constexpr size_t kShown = 60;
    const std::string shown = text.size() > kShown ? text.substr(0, kShown) + "..." : text;
    throw EConvertError(Name + "=" + shown + " in " + FValueFile + " is not a valid " + What + " value");
  }
  return text;
}

std::string TCustomApplicationPro::ReadOptionString(const std::string& Name, const std::string& Default) {
  if (!ReadOnlyStore) CloseStore();
  ReadOnlyStore = true;
  std::string result = Default;
  std::string name = StoredName(Name);
  if (!MachineWide) {
    try {
      TryReadCurrent(name, result);
    } catch (const EOSError&) {
      // An unreadable per-user store reads as missing values.
    }
    return result;
  }
  try {
    if (!TryReadCurrent(name, result)) {
      SetMachineWide(false);
      try {
        TryReadCurrent(name, result);
      } catch (const EOSError&) {
      }
      SetMachineWide(true);
    }
  } catch (const EOSError&) {
    // The machine-wide branch cannot be read: use the per-user one from now on.
    SetMachineWide(false);
    try {
      TryReadCurrent(name, result);
    } catch (const EOSError&) {
    }
  }
  return result;
}

bool TCustomApplicationPro::ReadOptionBool(const std::string& Name, bool Default) {
  bool value = Default;
  ReadConvertedOption(Name, "boolean", [&](const std::string& Text) { value = StrToBoolText(Text); });
  return value;
}

int32_t TCustomApplicationPro::ReadOptionInteger(const std::string& Name, int32_t Default) {
  int32_t value = Default;
  ReadConvertedOption(Name, "integer", [&](const std::string& Text) { value = StrToInt(Text); });
  return value;
}

void TCustomApplicationPro::WriteOptionString(const std::string& Name, const std::string& Value) {
  if (ReadOnlyStore) CloseStore();
  ReadOnlyStore = false;
  std::string name = StoredName(Name);
  try {
    OpenStore();
    Store->WriteString(name, Value);
    return;
  } catch (const EOSError& e) {
    if (!MachineWide) {
      std::fprintf(stderr, "%s: cannot store the setting %s: %s\n", Title.c_str(), Name.c_str(), e.what());
      return;
    }
  }
  SetMachineWide(false);
  try {
    OpenStore();
    Store->WriteString(name, Value);
  } catch (const EOSError& e) {
    std::fprintf(stderr, "%s: cannot store the setting %s: %s\n", Title.c_str(), Name.c_str(), e.what());
  }
}

void TCustomApplicationPro::WriteOptionBool(const std::string& Name, bool Value) {
  WriteOptionString(Name, Value ? "-1" : "0");
}

void TCustomApplicationPro::WriteOptionInteger(const std::string& Name, int32_t Value) {
  WriteOptionString(Name, IntToStr(Value));
}

void TCustomApplicationPro::LoadOptions() {
  if (Designing()) return;
  SetMachineWide(true);
  ScrambledNames = false;  // readable names are stored
  DataDirectory = ReadOptionString("DataDirectory", DataDirectory);
  SuspendEnabled = ReadOptionBool("SuspendEnabled", SuspendEnabled);
  if (FEventWindow) Platform().PowerNotices->SetSuspendAllowed(SuspendEnabled);
  SetNeedDisplay(ReadOptionBool("NeedDisplay", FNeedDisplay));
  SetNeedSystem(ReadOptionBool("NeedSystem", FNeedSystem));
  if (OnLoadOptions) OnLoadOptions(this);
  CloseStore();
}

void TCustomApplicationPro::SaveOptions() {
  if (Designing()) return;
  SetMachineWide(true);
  ScrambledNames = false;
  WriteOptionString("DataDirectory", DataDirectory);
  WriteOptionBool("SuspendEnabled", SuspendEnabled);
  WriteOptionBool("NeedDisplay", FNeedDisplay);
  WriteOptionBool("NeedSystem", FNeedSystem);
  if (OnSaveOptions) OnSaveOptions(this);
  CloseStore();
}

// ---- command line ----

bool TCustomApplicationPro::HasSwitch(char Letter) const { return HasSwitchIn(ParamStrings(), Letter); }

// ---- hidden event window ----

void TCustomApplicationPro::CreateEventWindow(int, int, int, int) {
  if (FEventWindow) return;
  if (!Application) {
    ShowWindowError("CreateWnd: Unable to create window!");
    return;
  }
  FEventWindow = Application->CreateHandlerWindow([](HWND, uint32_t Msg, WPARAM W, LPARAM L) -> LRESULT {
    if (!FInstance) return 0;  // default handling
    return FInstance->WindowProc(Msg, W, L);
  });
  Platform().PowerNotices->Attach(FEventWindow);
  Platform().PowerNotices->SetSuspendAllowed(SuspendEnabled);
}

void TCustomApplicationPro::RemoveEventWindow() {
  if (!FEventWindow) return;
  Platform().PowerNotices->Detach();
  if (!Application || !Application->DestroyHandlerWindow(FEventWindow)) ShowWindowError("KillWnd: Unable to destroy window!");
  FEventWindow = 0;
}

LRESULT TCustomApplicationPro::WindowProc(uint32_t Msg, WPARAM WParam, LPARAM) {
  if (Msg == WM_CLOSE) {
    if (Application) Application->PostQuitMessage(0);
    return 0;
  }
  if (Msg == WM_POWERBROADCAST) {
    if ((WParam == PBT_APMQUERYSUSPEND || WParam == PBT_APMQUERYSTANDBY) && !SuspendEnabled) return BROADCAST_QUERY_DENY;
    if (WParam == PBT_APMSUSPEND || WParam == PBT_APMSTANDBY) PowerOff();
    if (WParam == PBT_APMRESUMECRITICAL || WParam == PBT_APMRESUMESUSPEND || WParam == PBT_APMRESUMESTANDBY) PowerOn();
  }
  return 0;
}

// ---- keep awake ----

void TCustomApplicationPro::RequestExecutionState() {
  if (!Designing()) Platform().KeepAwake->SetExecutionState(FNeedDisplay, FNeedSystem);
}

void TCustomApplicationPro::SetNeedDisplay(bool Value) {
  if (FNeedDisplay == Value) return;
  FNeedDisplay = Value;
  RequestExecutionState();
}

void TCustomApplicationPro::SetNeedSystem(bool Value) {
  if (FNeedSystem == Value) return;
  FNeedSystem = Value;
  RequestExecutionState();
}

// ---- windows of the application ----

void TCustomApplicationPro::HideApplicationWindow() {
  if (Application && Application->MainForm) Application->MainForm->Hide();
}

void TCustomApplicationPro::MakeToolWindow() {
  // No application window exists on this platform, so there is no task-bar entry to hide.
}

void TCustomApplicationPro::CloseApplication() {
  HideApplicationWindow();
  if (Application && Application->MainForm) {
    Application->MainForm->Close();
  } else if (Application) {
    Application->Terminate();
  }
}

void TCustomApplicationPro::SetCursorHidden(bool Hide) {
  // The system counts show and hide calls: only a change is passed on, so
  // that one show always undoes the hiding however often it was asked for.
  const bool changed = Hide != CursorHidden;
  CursorHidden = Hide;
  if (changed && !Designing()) Platform().Cursor->ShowCursor(!Hide);
}

void TCustomApplicationPro::CenterMainForm() {
  TCustomForm* form = Application ? Application->MainForm : nullptr;
  if (!form || form->Parent || form->ParentWindow) return;
  int W = 0, H = 0;
  if (!Platform().Screen->GetScreenSize(W, H)) return;
  int w = form->Width, h = form->Height, left = 0, top = 0;
  if (W > H) {
    left = (H * 4 / 3 - w) / 2;
    if (W < w + left) left = W - w;
    if (left < 0) left = 0;
    top = (H - h) / 2;
  } else {
    top = (W * 3 / 4 - h) / 2;
    if (H < h + top) top = H - h;
    if (top < 0) top = 0;
    left = (W - w) / 2;
  }
  form->SetBounds(left, top, w, h);
}

void TCustomApplicationPro::ShowHelp() {
  if (!Application) return;
  if (Application->HelpFile.empty()) Application->HelpFile = DataDirectory + BaseName + ".html";
  Platform().HelpViewer->ShowContents(Application->HelpFile);
}

// ---- log ----

void TCustomApplicationPro::SetLogFile(bool Value) {
  FLogFile = Value;
  if (!Value) LogStream->Close();
}

void TCustomApplicationPro::Log(const std::string& Text) {
  if (!FLogFile) return;
  try {
    if (!LogStream->IsOpen()) LogStream->Open(LogFileName);
    LogStream->WriteLine(Text);
  } catch (const EOSError& e) {
    std::fprintf(stderr, "%s: %s\n", Title.c_str(), e.what());
  }
}

// ---- TCustomGraphicApplicationPro ----

TCustomGraphicApplicationPro::TCustomGraphicApplicationPro(TComponent* AOwner) : TCustomApplicationPro(AOwner) {}

TCustomGraphicApplicationPro::~TCustomGraphicApplicationPro() = default;

TTimerPro& TCustomGraphicApplicationPro::GetTimer() {
  if (!Timer) Timer = std::make_unique<TTimerPro>(TimerClock);
  return *Timer;
}

int32_t TCustomGraphicApplicationPro::GetFPS() {
  if (FrameRate == 0) FrameRate = 1;
  return FrameRate;
}

void TCustomGraphicApplicationPro::Idle(TObject* Sender, bool& Done) {
  TCustomApplicationPro::Idle(Sender, Done);
  GetFPS();
  ++PassCount;
  TTimerPro& timer = GetTimer();
  if (!timer.Running) {
    timer.Start();
    LastFPSTime = timer.GetTime().TotalSeconds();
  }
  long double now = timer.GetTime().TotalSeconds();
  if (now < LastFPSTime) LastFPSTime = now;
  if (now - LastFPSTime >= 1.0L) {
    // nearbyint rounds halves to even in the default rounding mode.
    int32_t rate = static_cast<int32_t>(std::nearbyint(static_cast<long double>(PassCount) / (now - LastFPSTime)));
    if (rate != FrameRate && OnFPSChanged) {
      FrameRate = rate;
      OnFPSChanged(this);
    }
    FrameRate = rate;
    LastFPSTime = now;
    PassCount = 0;
  }
}

}  // namespace emberhall
