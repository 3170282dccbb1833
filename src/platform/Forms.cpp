#include "platform/Forms.h"

#include <algorithm>
#include <cerrno>

#include "platform/LoopWait.h"
#include "platform/Paths.h"
#include "platform/Services.h"
#include "platform/SysUtils.h"
#include "platform/Termination.h"

namespace emberhall {

TApplication* Application = nullptr;

// ---- TComponent ----

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  ComponentState |= csDestroying;
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::InsertComponent(TComponent* AComponent) {
  AComponent->FOwner = this;
  FComponents.push_back(AComponent);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  if (AComponent->FOwner != this) return;
  Notification(AComponent, opRemove);
  FComponents.erase(std::find(FComponents.begin(), FComponents.end(), AComponent));
  AComponent->FOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!FComponents.empty()) {
    TComponent* last = FComponents.back();
    RemoveComponent(last);
    delete last;
  }
}

void TComponent::LoadedComponents() {
  // Loaded may create components; walk by index so they are seen too.
  for (size_t i = 0; i < FComponents.size(); ++i) FComponents[i]->Loaded();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  // Tell every owned component (copy: a handler may change the list).
  std::vector<TComponent*> all = FComponents;
  for (TComponent* c : all)
    if (c != this) c->Notification(AComponent, Operation);
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
  for (TComponent* c : FComponents)
    if (SameText(c->Name, AName)) return c;
  return nullptr;
}

// ---- TCustomForm ----

TCustomForm::TCustomForm(TComponent* AOwner) : TComponent(AOwner) { ComponentState |= csLoading; }

TCustomForm::~TCustomForm() {
  if (OnDestroy) OnDestroy(this);
  // Remove the components while the form is still whole.
  DestroyComponents();
  if (Application && Application->MainForm == this) Application->MainForm = nullptr;
}

void TCustomForm::AfterConstruction() {
  ComponentState &= ~csLoading;
  LoadedComponents();
  if (OnCreate) OnCreate(this);
}

void TCustomForm::Show() {
  Visible = true;
  if (OnShow) OnShow(this);
}

void TCustomForm::Hide() { Visible = false; }

void TCustomForm::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (Application && Application->MainForm == this) {
    Application->Terminate();
  } else {
    Hide();
  }
}

void TCustomForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  Left = ALeft;
  Top = ATop;
  Width = AWidth;
  Height = AHeight;
  if (OnResize) OnResize(this);
}

// ---- TApplication ----

TApplication::TApplication() : TComponent(nullptr) {
  if (!Application) Application = this;
  // From now on SIGINT, SIGTERM and SIGHUP only set a flag; the loop ends the run in order.
  InstallTerminationHandlers();
}

TApplication::~TApplication() {
  DestroyComponents();
  if (Application == this) Application = nullptr;
}

void TApplication::Run() {
  if (MainForm && ShowMainForm) MainForm->Show();
  while (!FTerminated) {
    if (TerminationRequested()) {
      Terminate();
      break;
    }
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::ProcessMessages() {
  while (ProcessMessage()) {
  }
}

void TApplication::HandleMessage() {
  FLastWaitTimeout = -1;
  // Also a modal loop, which calls this instead of Run, ends on a termination signal.
  if (TerminationRequested()) {
    Terminate();
    return;
  }
  if (!ProcessMessage()) Idle();
}

bool TApplication::NextMessage(TMsg& Msg, IMessageSource*& From) {
  From = nullptr;
  if (!FPosted.empty()) {
    Msg = FPosted.front();
    FPosted.pop_front();
    return true;
  }
  // By index: a source may leave the list while it is asked (a lost connection).
  for (size_t i = 0; i < FSources.size(); ++i) {
    IMessageSource* source = FSources[i];
    if (source->GetMessage(Msg)) {
      From = source;
      return true;
    }
  }
  for (size_t i = 0; i < FSources.size(); ++i) {
    IMessageSource* source = FSources[i];
    if (source->GetIdleMessage(Msg)) {
      From = source;
      return true;
    }
  }
  return false;
}

bool TApplication::ProcessMessage() {
  TMsg msg;
  IMessageSource* from = nullptr;
  if (!NextMessage(msg, from)) return false;
  if (msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(msg, handled);
  if (handled) return true;
  if (from) {
    from->DispatchMessage(msg);
  } else {
    SendMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
  }
  return true;
}

void TApplication::Idle() {
  bool done = true;
  FIdleWait = -1;
  if (OnIdle) OnIdle(this, done);
  if (done && !FTerminated && !TerminationRequested()) WaitForMessage();
}

void TApplication::WaitForMessage() {
  if (!FPosted.empty()) return;
  const bool anyWakes = std::any_of(FSources.begin(), FSources.end(),
                                    [](const IMessageSource* s) { return s->FileDescriptor() >= 0; });
  // Without sources to wake it, the loop looks again ten times a second.
  const int longest = anyWakes ? 1000 : 100;
  FLastWaitTimeout = FIdleWait >= 0 ? std::min(FIdleWait, longest) : longest;
  // A termination request ends the wait; the loop then looks at its flags.
  WaitForMessageSources(FSources, FLastWaitTimeout);
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  try {
    if (current) std::rethrow_exception(current);
    throw Exception("Unknown exception");
  } catch (const std::exception& e) {
    if (OnException) {
      OnException(Sender, e);
    } else {
      ShowException(e);
    }
  } catch (...) {
    Exception unknown("Unknown exception");
    if (OnException) {
      OnException(Sender, unknown);
    } else {
      ShowException(unknown);
    }
  }
}

void TApplication::ShowException(const std::exception& E) {
  // Before any title is set (a failed start), the program's file name stands in.
  const std::string caption = Title.empty() ? ExtractFileName(ProgramFileName()) : Title;
  Platform().MessageBoxes->Show(E.what(), caption, TMessageIcon::Error);
}

void TApplication::AddMessageSource(IMessageSource* Source) {
  if (std::find(FSources.begin(), FSources.end(), Source) == FSources.end()) FSources.push_back(Source);
}

void TApplication::RemoveMessageSource(IMessageSource* Source) {
  FSources.erase(std::remove(FSources.begin(), FSources.end(), Source), FSources.end());
}

HWND TApplication::CreateHandlerWindow(TWndProc Proc) {
  HWND wnd = FNextHandle++;
  FHandlerWindows[wnd] = std::move(Proc);
  return wnd;
}

bool TApplication::DestroyHandlerWindow(HWND Wnd) {
  std::erase_if(FPosted, [Wnd](const TMsg& m) { return m.hwnd == Wnd; });
  return FHandlerWindows.erase(Wnd) == 1;
}

LRESULT TApplication::SendMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  auto it = FHandlerWindows.find(Wnd);
  if (it == FHandlerWindows.end()) return 0;
  TWndProc proc = it->second;  // the handler may destroy its window
  return proc(Wnd, Msg, WParam, LParam);
}

void TApplication::PostMessage(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  FPosted.push_back({Wnd, Msg, WParam, LParam});
}

void TApplication::PostQuitMessage(int ExitCode) {
  FPosted.push_back({0, WM_QUIT, static_cast<WPARAM>(ExitCode), 0});
}

}  // namespace emberhall
