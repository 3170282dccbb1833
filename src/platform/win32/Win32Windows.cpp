#include "platform/win32/Win32Windows.h"

#include <map>
#include <string>

#include "platform/MonitorParts.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

bool Win32DialogMessage(MSG& Msg);

namespace {

const wchar_t* const WindowClassName = L"EmberhallGLWindow";

struct TWindowRecord {
  TWindowPlacement Placement;
  TWindowProc Proc;
  ::HWND Parent = nullptr;  // followed for its size (Child, ForeignChild)
  bool IgnoreInput = false;
  bool Created = false;     // WM_CREATE was sent
};

std::map<::HWND, TWindowRecord> windows;

::HWND Native(HWND Wnd) { return reinterpret_cast<::HWND>(Wnd); }
HWND Handle(::HWND Wnd) { return reinterpret_cast<HWND>(Wnd); }

bool IsInputMessage(UINT Msg) {
  return (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) || (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST);
}

// Calls the window's handler; false when the window has none (yet).
bool CallHandler(::HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  auto it = windows.find(Wnd);
  if (it == windows.end() || !it->second.Created) return false;
  if (it->second.IgnoreInput && IsInputMessage(Msg)) return false;
  TWindowProc proc = it->second.Proc;  // the handler may destroy its window
  TMessage m{Msg, WParam, static_cast<emberhall::LPARAM>(LParam), 0};
  if (proc) proc(Handle(Wnd), m);
  Result = m.Result;
  return true;
}

LRESULT CALLBACK WindowProc(::HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT result = 0;
  switch (Msg) {
    case WM_CREATE:
      return 0;  // sent to the handler once the window is registered
    case WM_ERASEBKGND:
      return 1;  // OpenGL paints every pixel
    case WM_PAINT:
      CallHandler(Wnd, Msg, WParam, LParam, result);
      ValidateRect(Wnd, nullptr);
      return 0;
    case WM_CLOSE:
      // The handler decides; its default is to destroy the window itself.
      if (CallHandler(Wnd, Msg, WParam, LParam, result)) return result;
      break;
    case WM_DESTROY:
      CallHandler(Wnd, Msg, WParam, LParam, result);
      return 0;
    case WM_NCDESTROY:
      windows.erase(Wnd);
      break;
    case WM_SYSCOMMAND:
      CallHandler(Wnd, Msg, WParam, LParam, result);
      // The picture itself is running: no second screen saver, no monitor off.
      if ((WParam & 0xFFF0) == SC_SCREENSAVE || (WParam & 0xFFF0) == SC_MONITORPOWER) return 0;
      break;
    case WM_SIZE:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      if (CallHandler(Wnd, Msg, WParam, LParam, result) && Msg != WM_SYSKEYDOWN && Msg != WM_SYSKEYUP) return result;
      break;
    case WM_POWERBROADCAST:
      if (CallHandler(Wnd, Msg, WParam, LParam, result)) return result ? result : TRUE;
      break;
    default:
      break;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

bool RegisterWindowClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW c{};
  c.cbSize = sizeof(c);
  // An own device context per window: the OpenGL context keeps it.
  c.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  c.lpfnWndProc = WindowProc;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  c.lpszClassName = WindowClassName;
  registered = RegisterClassExW(&c) != 0;
  return registered;
}

bool ClientSize(::HWND Wnd, int& Width, int& Height) {
  RECT r{};
  if (!IsWindow(Wnd) || !GetClientRect(Wnd, &r)) return false;
  Width = r.right - r.left;
  Height = r.bottom - r.top;
  return true;
}

struct TPlacementStyle {
  DWORD Style = 0, ExStyle = 0;
  ::HWND Parent = nullptr;
  int X = 0, Y = 0, Width = 0, Height = 0;
};

// Where and how a window of the placement goes; false when its parent is gone.
bool PlacementStyle(const TWindowParams& Params, TPlacementStyle& P) {
  switch (Params.Placement) {
    case TWindowPlacement::FullScreen:
      // Top-most over every monitor, and no button on the task bar.
      P.Style = WS_POPUP;
      P.ExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
      P.X = GetSystemMetrics(SM_XVIRTUALSCREEN);
      P.Y = GetSystemMetrics(SM_YVIRTUALSCREEN);
      P.Width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
      P.Height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
      return true;
    case TWindowPlacement::TopLevel: {
      P.Style = WS_OVERLAPPEDWINDOW;
      RECT r{0, 0, Params.Width > 0 ? Params.Width : 1, Params.Height > 0 ? Params.Height : 1};
      AdjustWindowRectEx(&r, P.Style, FALSE, 0);
      P.X = CW_USEDEFAULT;
      P.Y = CW_USEDEFAULT;
      P.Width = r.right - r.left;
      P.Height = r.bottom - r.top;
      return true;
    }
    case TWindowPlacement::Child:
    case TWindowPlacement::ForeignChild:
      P.Parent = Native(Params.Parent);
      P.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
      return ClientSize(P.Parent, P.Width, P.Height);
  }
  return false;
}

// A child fills its parent: followed when the parent's size changed.
void FollowParents() {
  std::vector<std::pair<::HWND, ::HWND>> children;
  for (const auto& [w, r] : windows)
    if (r.Parent) children.emplace_back(w, r.Parent);
  for (const auto& [child, parent] : children) {
    int pw = 0, ph = 0, cw = 0, ch = 0;
    if (!ClientSize(parent, pw, ph) || !ClientSize(child, cw, ch)) continue;
    if (pw != cw || ph != ch) MoveWindow(child, 0, 0, pw, ph, TRUE);
  }
}

class TWin32Source : public IMessageSource {
 public:
  bool GetMessage(TMsg& Msg) override {
    MSG m{};
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message != WM_QUIT && Win32DialogMessage(m)) continue;
      FLast = m;
      Msg = {Handle(m.hwnd), m.message, m.wParam, static_cast<emberhall::LPARAM>(m.lParam)};
      return true;
    }
    return false;
  }

  void DispatchMessage(const TMsg& Msg) override {
    MSG m = FLast;
    if (Handle(m.hwnd) != Msg.hwnd || m.message != Msg.message || m.wParam != Msg.wParam ||
        static_cast<emberhall::LPARAM>(m.lParam) != Msg.lParam) {
      m = MSG{};
      m.hwnd = Native(Msg.hwnd);
      m.message = Msg.message;
      m.wParam = Msg.wParam;
      m.lParam = static_cast<LPARAM>(Msg.lParam);
    }
    if (m.message == WM_QUIT) return;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }

  bool GetIdleMessage(TMsg&) override {
    FollowParents();
    return false;
  }

 private:
  MSG FLast{};
};

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT Rect, LPARAM Data) {
  auto* monitors = reinterpret_cast<std::vector<TMonitorRect>*>(Data);
  monitors->push_back({Rect->left, Rect->top, Rect->right - Rect->left, Rect->bottom - Rect->top});
  return TRUE;
}

class TWin32WindowSystem : public IWindowSystem {
 public:
  HWND CreateWindow(const TWindowParams& Params, TWindowProc Proc) override {
    TPlacementStyle p;
    if (!RegisterWindowClass() || !PlacementStyle(Params, p)) return 0;
    const std::wstring title = WideOf(Params.Title);
    ::HWND w = CreateWindowExW(p.ExStyle, WindowClassName, title.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                               p.Parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!w) return 0;
    TWindowRecord& r = windows[w];
    r.Placement = Params.Placement;
    r.Proc = std::move(Proc);
    r.Parent = p.Parent;
    r.IgnoreInput = Params.IgnoreInput;
    r.Created = true;
    LRESULT ignored = 0;
    CallHandler(w, WM_CREATE, 0, 0, ignored);
    if (!windows.count(w)) return 0;  // its handler destroyed it again
    if (Params.Placement == TWindowPlacement::FullScreen) {
      ShowWindow(w, SW_SHOW);
      SetForegroundWindow(w);
      SetFocus(w);
    } else {
      ShowWindow(w, SW_SHOWNORMAL);
    }
    UpdateWindow(w);
    return Handle(w);
  }

  void DestroyWindow(HWND Wnd) override {
    if (windows.count(Native(Wnd))) ::DestroyWindow(Native(Wnd));
  }

  void Invalidate(HWND Wnd) override { InvalidateRect(Native(Wnd), nullptr, FALSE); }

  bool GetClientSize(HWND Wnd, int& Width, int& Height) override {
    return windows.count(Native(Wnd)) && ClientSize(Native(Wnd), Width, Height);
  }

  TGLDeviceContext WindowDC(HWND Wnd) override {
    if (!windows.count(Native(Wnd))) return {};
    // The class's own device context: valid for the window's life.
    return {GetDC(Native(Wnd)), 0, Wnd};
  }

  std::vector<TMonitorRect> MonitorRects(HWND Wnd) override {
    RECT client{};
    POINT origin{0, 0};
    if (!GetClientRect(Native(Wnd), &client) || !ClientToScreen(Native(Wnd), &origin)) return {};
    std::vector<TMonitorRect> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return MonitorPartsOfWindow(monitors, {origin.x, origin.y, client.right, client.bottom});
  }

  HWND ScreenWindow() override { return Handle(GetDesktopWindow()); }

  bool WindowAlive(HWND Wnd) override { return Wnd && IsWindow(Native(Wnd)); }

  IMessageSource& MessageSource() override { return Win32MessageSource(); }
};

}  // namespace

IMessageSource& Win32MessageSource() {
  static TWin32Source source;
  return source;
}

IWindowSystem& Win32WindowSystem() {
  static TWin32WindowSystem system;
  return system;
}

LRESULT SendWin32Message(HWND Wnd, uint32_t Msg, WPARAM WParam, emberhall::LPARAM LParam) {
  LRESULT result = 0;
  CallHandler(Native(Wnd), Msg, WParam, static_cast<::LPARAM>(LParam), result);
  return result;
}

}  // namespace emberhall
