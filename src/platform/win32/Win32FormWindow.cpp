#include "platform/win32/Win32FormWindow.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "platform/Forms.h"
#include "platform/win32/Win32Controls.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

const wchar_t* const kFormClass = L"EmberhallForm";
const wchar_t* const kPreviewClass = L"EmberhallPreview";
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

::HWND Win(HWND Wnd) { return reinterpret_cast<::HWND>(Wnd); }
HWND Handle(::HWND Wnd) { return reinterpret_cast<HWND>(Wnd); }

// The form windows of the thread, for the keyboard navigation.
std::set<::HWND>& FormWindows() {
  static std::set<::HWND> windows;
  return windows;
}

TWin32FormWindow* FormOf(::HWND Wnd) {
  return reinterpret_cast<TWin32FormWindow*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
}

LRESULT CALLBACK FormProc(::HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(LParam);
    SetWindowLongPtrW(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  LRESULT result = 0;
  if (HandleControlMessage(Handle(Wnd), Msg, WParam, LParam, result)) return result;
  TWin32FormWindow* form = FormOf(Wnd);
  switch (Msg) {
    case WM_CLOSE:
      if (form) form->CloseRequested();
      return 0;
    case WM_COMMAND:
      // Escape, through the dialog navigation.
      if (LOWORD(WParam) == IDCANCEL && LParam == 0) {
        if (form) form->CloseRequested();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (form && form->Activated(LOWORD(WParam) != WA_INACTIVE)) return 0;
      break;
    default:
      break;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

bool RegisterFormClasses() {
  static const bool registered = [] {
    if (!RegisterControlClasses()) return false;
    const uint32_t bg = DialogBackground();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = FormProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    wc.hbrBackground = CreateSolidBrush(RGB((bg >> 16) & 0xFF, (bg >> 8) & 0xFF, bg & 0xFF));
    wc.lpszClassName = kFormClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    WNDCLASSEXW preview{};
    preview.cbSize = sizeof(preview);
    preview.lpfnWndProc = DefWindowProcW;
    preview.hInstance = wc.hInstance;
    preview.hCursor = wc.hCursor;
    preview.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    preview.lpszClassName = kPreviewClass;
    return RegisterClassExW(&preview) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

// Hands the application's exception handling what an event handler threw
// (it must not unwind through the system's message dispatch).
template <class F>
void Fire(F&& Handler) {
  try {
    Handler();
  } catch (...) {
    if (Application) {
      Application->HandleException(Application);
    } else {
      std::fprintf(stderr, "Exception in a form window's event handler\n");
    }
  }
}

// A message source with nothing of its own: the thread's one message queue
// is pumped by the window system, which gives the form windows their
// keyboard navigation through Win32DialogMessage.
class TWin32ToolkitSource : public IMessageSource {
 public:
  bool GetMessage(TMsg&) override { return false; }
  void DispatchMessage(const TMsg&) override {}
};

}  // namespace

TWin32FormWindow::TWin32FormWindow(const std::string& Title, int Width, int Height, int PanelX, int PanelY,
                                   int PanelWidth, int PanelHeight) {
  if (RegisterFormClasses()) {
    RECT r{0, 0, std::max(Width, 0), std::max(Height, 0)};
    AdjustWindowRectEx(&r, kFormStyle, FALSE, kFormExStyle);
    ::HWND w = CreateWindowExW(kFormExStyle, kFormClass, WideOf(Title).c_str(), kFormStyle, CW_USEDEFAULT,
                               CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    if (w) {
      FWindow = Handle(w);
      FormWindows().insert(w);
    }
  }
  FClient = WrapFormWindow(FWindow, Width, Height);
  if (PanelWidth <= 2 || PanelHeight <= 2) return;
  FPreview = new TPanel(FClient.get(), PanelX, PanelY, PanelWidth, PanelHeight, false);
  FPreview->SetColor(0x000000);
  if (!FPreview->Native()) return;
  // The child window sits inside the panel's one-pixel frame.
  ::HWND child = CreateWindowExW(0, kPreviewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 1,
                                 1, PanelWidth - 2, PanelHeight - 2, Win(FPreview->Native()->Window), nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
  FPanelWindow = Handle(child);
}

TWin32FormWindow::~TWin32FormWindow() {
  ReleaseModalOwner();
  if (::HWND w = Win(FWindow)) {
    FormWindows().erase(w);
    SetWindowLongPtrW(w, GWLP_USERDATA, 0);
    // Destroys every control's window with it; the controls go after.
    DestroyWindow(w);
  }
}

void TWin32FormWindow::SetCaption(const std::string& Caption) {
  if (FWindow) SetWindowTextW(Win(FWindow), WideOf(Caption).c_str());
}

bool TWin32FormWindow::Show() {
  ::HWND w = Win(FWindow);
  if (!w) return false;
  ShowWindow(w, SW_SHOW);
  SetForegroundWindow(w);
  UpdateWindow(w);
  FEverShown = true;
  return true;
}

void TWin32FormWindow::Hide() {
  if (!FWindow) return;
  // The owner first, so that it and not some other window becomes active.
  ReleaseModalOwner();
  ShowWindow(Win(FWindow), SW_HIDE);
}

bool TWin32FormWindow::Shown() const { return FWindow && IsWindowVisible(Win(FWindow)); }

void TWin32FormWindow::Move(int Left, int Top) {
  if (FWindow) SetWindowPos(Win(FWindow), nullptr, Left, Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32FormWindow::SetEnabled(bool Enabled) {
  if (!FWindow) return;
  // The controls show it greyed; each keeps its own state for later.
  FClient->SetEnabled(Enabled);
  ::HWND w = Win(FWindow);
  EnableWindow(w, Enabled ? TRUE : FALSE);
  // A disabled control loses the focus; the keyboard gets a control back.
  if (Enabled && GetActiveWindow() == w) {
    ::HWND focus = GetFocus();
    if (!focus || focus == w || !IsChild(w, focus)) Activated(true);
  }
}

void TWin32FormWindow::GetBounds(int& Left, int& Top, int& Width, int& Height) const {
  RECT r{0, 0, 0, 0};
  if (FWindow) GetWindowRect(Win(FWindow), &r);
  Left = r.left;
  Top = r.top;
  Width = FClient->Width();
  Height = FClient->Height();
}

void TWin32FormWindow::ShowModal(const TFormWindow* Over, const std::function<void()>& Pump) {
  ::HWND w = Win(FWindow);
  if (!w) return;
  const auto* over = dynamic_cast<const TWin32FormWindow*>(Over);
  ::HWND owner = over ? Win(over->FWindow) : nullptr;
  if (owner) {
    // Centred over the owner, kept on its monitor's work area.
    RECT ro, rw;
    GetWindowRect(owner, &ro);
    GetWindowRect(w, &rw);
    const int width = rw.right - rw.left, height = rw.bottom - rw.top;
    int left = ro.left + ((ro.right - ro.left) - width) / 2;
    int top = ro.top + ((ro.bottom - ro.top) - height) / 2;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &info)) {
      left = std::max(static_cast<int>(info.rcWork.left), std::min(left, static_cast<int>(info.rcWork.right) - width));
      top = std::max(static_cast<int>(info.rcWork.top), std::min(top, static_cast<int>(info.rcWork.bottom) - height));
    }
    Move(left, top);
    // Owned: it stays above the owner.
    SetWindowLongPtrW(w, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    if (IsWindowEnabled(owner)) {
      EnableWindow(owner, FALSE);
      FModalOwner = Handle(owner);
    }
  }
  struct TRelease {
    TWin32FormWindow* Self;
    ~TRelease() { Self->ReleaseModalOwner(); }
  } release{this};
  Show();
  while (Shown()) Pump();
}

void TWin32FormWindow::ReleaseModalOwner() {
  if (!FModalOwner) return;
  EnableWindow(Win(FModalOwner), TRUE);
  FModalOwner = 0;
}

HWND TWin32FormWindow::PanelWindow() const { return FEverShown ? FPanelWindow : 0; }

void TWin32FormWindow::CloseRequested() {
  Fire([this] {
    if (OnCloseRequest) OnCloseRequest();
  });
}

bool TWin32FormWindow::Activated(bool Active) {
  ::HWND w = Win(FWindow);
  if (!Active) {
    ::HWND focus = GetFocus();
    FSavedFocus = focus && IsChild(w, focus) ? Handle(focus) : 0;
    return false;
  }
  ::HWND focus = Win(FSavedFocus);
  if (!focus || !IsWindow(focus) || !IsChild(w, focus) || !IsWindowEnabled(focus) || !IsWindowVisible(focus))
    focus = GetNextDlgTabItem(w, nullptr, FALSE);
  if (!focus) return false;
  SetFocus(focus);
  return true;
}

bool Win32DialogMessage(::tagMSG& Msg) {
  if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST || !Msg.hwnd) return false;
  ::HWND root = GetAncestor(Msg.hwnd, GA_ROOT);
  if (!root || !FormWindows().count(root)) return false;
  // Keys of a foreign child (the OpenGL preview) are that window's own.
  if (Msg.hwnd != root && !ControlOfWindow(Handle(Msg.hwnd))) return false;
  if (Msg.message == WM_KEYDOWN && Msg.wParam == VK_RETURN && PressDialogButton(Handle(root), &Msg)) return true;
  return IsDialogMessageW(root, &Msg) != FALSE;
}

std::unique_ptr<TFormWindow> CreateFormWindow(const std::string& Title, int Width, int Height) {
  return std::make_unique<TWin32FormWindow>(Title, Width, Height);
}

std::unique_ptr<TFormWindow> CreateFormWindow(const std::string& Title, int Width, int Height, int PanelX,
                                              int PanelY, int PanelWidth, int PanelHeight) {
  return std::make_unique<TWin32FormWindow>(Title, Width, Height, PanelX, PanelY, PanelWidth, PanelHeight);
}

std::unique_ptr<IMessageSource> CreateToolkitMessageSource() { return std::make_unique<TWin32ToolkitSource>(); }

}  // namespace emberhall
