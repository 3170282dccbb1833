// Component base classes, the application object with its message loop, and
// the main form's minimal surface. Windows and dialog controls plug into the
// loop as message sources.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Messages.h"

namespace emberhall {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TMessageEvent = std::function<void(TMsg& Msg, bool& Handled)>;
using THelpEvent = std::function<bool(uint16_t Command, intptr_t Data, bool& CallHelp)>;
using TShortCutEvent = std::function<void(TMsg& Msg, bool& Handled)>;
using TShowHintEvent = std::function<void(std::string& HintStr, bool& CanShow)>;

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : uint32_t { csLoading = 1, csDesigning = 2, csDestroying = 4 };

// A component with an owner that owns and frees it. The owner tells all its
// components when one is inserted or removed.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int Index) const { return FComponents[static_cast<size_t>(Index)]; }
  TComponent* FindComponent(const std::string& AName) const;

  bool Designing() const { return ComponentState & csDesigning; }
  bool Destroying() const { return ComponentState & csDestroying; }

  // Removes AComponent: every owned component (the removed one included) is
  // told first, then the owner forgets it. The caller frees it.
  void RemoveComponent(TComponent* AComponent);
  // Removes and frees the owned components, last first.
  void DestroyComponents();
  // Clears csLoading and calls Loaded on each owned component in order.
  void LoadedComponents();

  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void Loaded() { ComponentState &= ~csLoading; }

  std::string Name;
  uint32_t ComponentState = 0;

 private:
  void InsertComponent(TComponent* AComponent);
  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
};

enum class TCloseAction { caNone, caHide, caFree, caMinimize };

// The main form's surface that the framework relies on. Its window and
// controls come from the platform's toolkit layer.
class TCustomForm : public TComponent {
 public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;

  // Runs after the form's components exist: Loaded on each, then OnCreate.
  virtual void AfterConstruction();
  virtual void Show();
  virtual void Hide();
  // Asks OnCloseQuery and OnClose; a closed main form ends the application.
  virtual void Close();
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);

  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Visible = false;
  bool Enabled = true;
  TComponent* Parent = nullptr;  // parent control, if any
  HWND ParentWindow = 0;         // foreign parent window, if any

  TNotifyEvent OnCreate, OnDestroy, OnActivate, OnDeactivate, OnPaint, OnResize, OnShow;
  std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;
  std::function<void(TObject* Sender, bool& CanClose)> OnCloseQuery;
};

// A source of messages for the loop: the window system, the toolkit, ...
class IMessageSource {
 public:
  virtual ~IMessageSource() = default;
  // Takes one pending message without blocking; false when none waits.
  virtual bool GetMessage(TMsg& Msg) = 0;
  virtual void DispatchMessage(const TMsg& Msg) = 0;
  // What the loop's wait watches for this source's messages (on POSIX a file
  // descriptor that becomes readable); -1 for none.
  virtual int FileDescriptor() const { return -1; }
  // Called once per pass when nothing else waits (e.g. paint messages).
  virtual bool GetIdleMessage(TMsg&) { return false; }
};

using TWndProc = std::function<LRESULT(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam)>;

class TApplication : public TComponent {
 public:
  TApplication();
  ~TApplication() override;

  void Initialize() {}
  // Creates a form owned by the application; the first becomes the main form.
  template <class TForm, class... Args>
  // A form whose construction fails is reported like any other exception;
  // when it was to be the main form, the run then ends.
  TForm* CreateForm(Args&&... args) {
    try {
      auto* form = new TForm(this, std::forward<Args>(args)...);
      if (!MainForm) MainForm = form;
      form->AfterConstruction();
      return form;
    } catch (...) {
      HandleException(this);
      if (!MainForm) Terminate();
      return nullptr;
    }
  }
  // Shows the main form (if ShowMainForm) and runs the loop until terminated.
  void Run();
  // Handles every message that waits, then returns.
  void ProcessMessages();
  // One pass: a message if one waits, otherwise the idle handling.
  void HandleMessage();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  // Routes the exception being handled to OnException or the message box.
  void HandleException(TObject* Sender);
  void ShowException(const std::exception& E);

  // How long the loop may wait for a message after the current idle pass
  // reported Done, in milliseconds; the idle handler sets it for that pass
  // only (a frame due soon). Without it the wait is bounded by a second.
  void SetIdleWait(int Milliseconds) { FIdleWait = Milliseconds; }
  // The time-out of the wait for messages in the loop's last pass; -1 when
  // that pass did not wait.
  int LastWaitTimeout() const { return FLastWaitTimeout; }

  void AddMessageSource(IMessageSource* Source);
  void RemoveMessageSource(IMessageSource* Source);

  // Windows that exist only as message handlers (no picture).
  HWND CreateHandlerWindow(TWndProc Proc);
  bool DestroyHandlerWindow(HWND Wnd);
  LRESULT SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);
  void PostMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);
  void PostQuitMessage(int ExitCode);

  std::string Title;
  std::string HelpFile;
  TCustomForm* MainForm = nullptr;
  // The program's exit status; non-zero once the run ends on an error.
  int ExitCode = 0;
  bool ShowMainForm = true;
  HWND Handle = 0;  // the application window (none on this platform)

  TNotifyEvent OnActivate, OnDeactivate, OnHint, OnMinimize, OnRestore;
  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TShortCutEvent OnShortCut;
  TShowHintEvent OnShowHint;

 private:
  bool ProcessMessage();
  bool NextMessage(TMsg& Msg, IMessageSource*& From);
  void Idle();
  void WaitForMessage();

  bool FTerminated = false;
  int FIdleWait = -1;
  int FLastWaitTimeout = -1;
  std::vector<IMessageSource*> FSources;
  std::deque<TMsg> FPosted;
  std::map<HWND, TWndProc> FHandlerWindows;
  HWND FNextHandle = 0x40000001;
};

// The one application object of the process.
extern TApplication* Application;

}  // namespace emberhall
