#include "platform/x11/X11Windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <time.h>

#include <map>

#include "platform/glx/GLXPlatform.h"
#include "platform/x11/X11ErrorTrap.h"
#include "platform/x11/X11Monitors.h"

namespace emberhall {

namespace {

struct TWindowRecord {
  TWindowPlacement Placement;
  TWindowProc Proc;
  unsigned long Parent = 0;  // watched for its size (Child, ForeignChild)
  Colormap OwnColormap = 0;
  bool Invalid = false;
  bool Grabbed = false;
  int Width = 0, Height = 0;
};

std::map<HWND, TWindowRecord> windows;
Atom wmDelete = 0;
Cursor blankCursor = 0;
Cursor busyCursor = 0;
bool pointerHidden = false;
bool pointerBusy = false;

struct TLastPress {
  HWND Wnd = 0;
  unsigned Button = 0;
  Time When = 0;
  int X = 0, Y = 0;
} lastPress;

constexpr Time DoubleClickTime = 500;
constexpr int DoubleClickDistance = 4;

bool ParentSize(Display* d, Window w, int& width, int& height) {
  TX11ErrorTrap trap(d);
  XWindowAttributes a{};
  const Status ok = XGetWindowAttributes(d, w, &a);
  if (!trap.Sync() || !ok) return false;
  width = a.width;
  height = a.height;
  return true;
}

Cursor BlankCursor(Display* d) {
  if (!blankCursor) {
    Pixmap p = XCreatePixmap(d, DefaultRootWindow(d), 1, 1, 1);
    XColor black{};
    blankCursor = XCreatePixmapCursor(d, p, p, &black, &black, 0, 0);
    XFreePixmap(d, p);
  }
  return blankCursor;
}

Cursor BusyCursor(Display* d) {
  if (!busyCursor) busyCursor = XCreateFontCursor(d, XC_watch);
  return busyCursor;
}

// The pointer over w: blank while hidden, the busy one while busy, else the parent's.
void DefinePointer(Display* d, Window w) {
  if (pointerHidden) {
    XDefineCursor(d, w, BlankCursor(d));
  } else if (pointerBusy) {
    XDefineCursor(d, w, BusyCursor(d));
  } else {
    XUndefineCursor(d, w);
  }
}

bool WaitViewable(Display* d, Window w) {
  for (int i = 0; i < 200; ++i) {
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) return true;
    timespec pause{0, 10 * 1000 * 1000};
    nanosleep(&pause, nullptr);
  }
  return false;
}

// Keyboard and pointer go to the full-screen window only; a client that
// holds a grab already is waited for a moment. Whatever could be had is kept:
// a run that holds only the keyboard still ends on a key, and one without the
// keyboard takes the focus, so that keys reach it while nobody grabs them.
bool GrabInput(Display* d, Window w) {
  const timespec pause{0, 10 * 1000 * 1000};
  bool keyboard = false, pointer = false;
  for (int i = 0; i < 100 && !keyboard; ++i) {
    keyboard = XGrabKeyboard(d, w, True, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    if (!keyboard) nanosleep(&pause, nullptr);
  }
  const unsigned mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  for (int i = 0; i < 100 && !pointer; ++i) {
    pointer = XGrabPointer(d, w, True, mask, GrabModeAsync, GrabModeAsync, w, None, CurrentTime) == GrabSuccess;
    if (!pointer) nanosleep(&pause, nullptr);
  }
  if (!keyboard) XSetInputFocus(d, w, RevertToParent, CurrentTime);
  return keyboard || pointer;
}

bool ParentStillWatched(unsigned long parent) {
  for (const auto& [w, r] : windows)
    if (r.Parent == parent) return true;
  return false;
}

WPARAM MouseKeys(unsigned state) {
  WPARAM keys = 0;
  if (state & Button1Mask) keys |= 0x0001;
  if (state & Button3Mask) keys |= 0x0002;
  if (state & ShiftMask) keys |= 0x0004;
  if (state & ControlMask) keys |= 0x0008;
  if (state & Button2Mask) keys |= 0x0010;
  return keys;
}

bool TranslateButton(const XButtonEvent& e, TMsg& m) {
  static const uint32_t down[3] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
  static const uint32_t up[3] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
  static const uint32_t dbl[3] = {WM_LBUTTONDBLCLK, WM_MBUTTONDBLCLK, WM_RBUTTONDBLCLK};
  if (e.button < 1 || e.button > 3) return false;
  const int b = static_cast<int>(e.button) - 1;
  m.lParam = MakeLParam(e.x, e.y);
  m.wParam = MouseKeys(e.state);
  if (e.type == ButtonRelease) {
    m.message = up[b];
    return true;
  }
  const bool twice = lastPress.Wnd == e.window && lastPress.Button == e.button &&
                     e.time - lastPress.When <= DoubleClickTime && std::abs(e.x - lastPress.X) <= DoubleClickDistance &&
                     std::abs(e.y - lastPress.Y) <= DoubleClickDistance;
  m.message = twice ? dbl[b] : down[b];
  lastPress = twice ? TLastPress{} : TLastPress{e.window, e.button, e.time, e.x, e.y};
  return true;
}

// Follows the size of a watched parent: every child that lives in it.
void ParentResized(Display* d, Window parent, int width, int height) {
  for (auto& [w, r] : windows)
    if (r.Parent == parent) XResizeWindow(d, w, static_cast<unsigned>(width), static_cast<unsigned>(height));
}

// Turns an event into a message; false when it makes none.
bool Translate(Display* d, XEvent& e, TMsg& m) {
  const HWND wnd = e.xany.window;
  auto it = windows.find(wnd);
  if (e.type == ConfigureNotify && it == windows.end()) {
    ParentResized(d, e.xconfigure.window, e.xconfigure.width, e.xconfigure.height);
    return false;
  }
  if (it == windows.end()) return false;
  m = TMsg{wnd, 0, 0, 0};
  switch (e.type) {
    case Expose:
      if (e.xexpose.count == 0) it->second.Invalid = true;
      return false;
    case ConfigureNotify:
      if (e.xconfigure.width == it->second.Width && e.xconfigure.height == it->second.Height) return false;
      it->second.Width = e.xconfigure.width;
      it->second.Height = e.xconfigure.height;
      m.message = WM_SIZE;
      m.lParam = MakeLParam(e.xconfigure.width, e.xconfigure.height);
      return true;
    case KeyPress:
    case KeyRelease: {
      const WPARAM vk = VirtualKeyOf(XLookupKeysym(&e.xkey, 0));
      if (!vk) return false;
      const bool alt = (e.xkey.state & Mod1Mask) || vk == VK_MENU;
      const bool down = e.type == KeyPress;
      m.message = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
      m.wParam = vk;
      m.lParam = static_cast<LPARAM>(1u | (e.xkey.keycode & 0xFF) << 16 | (down ? 0u : 0xC0000000u));
      return true;
    }
    case ButtonPress:
    case ButtonRelease:
      return TranslateButton(e.xbutton, m);
    case MotionNotify:
      m.message = WM_MOUSEMOVE;
      m.wParam = MouseKeys(e.xmotion.state);
      m.lParam = MakeLParam(e.xmotion.x, e.xmotion.y);
      return true;
    case ClientMessage:
      if (static_cast<Atom>(e.xclient.data.l[0]) != wmDelete) return false;
      m.message = WM_CLOSE;
      return true;
    case DestroyNotify: {
      // Destroyed from outside (its foreign parent went away): tell its handler.
      if (e.xdestroywindow.window != wnd) return false;
      TWindowRecord record = it->second;
      windows.erase(it);
      TMessage msg{WM_DESTROY, 0, 0, 0};
      record.Proc(wnd, msg);
      return false;
    }
    default:
      return false;
  }
}

class TX11Source : public IMessageSource {
 public:
  bool GetMessage(TMsg& Msg) override {
    Display* d = windows.empty() ? nullptr : GLXDisplay();
    if (!d) return false;
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (Translate(d, e, Msg)) return true;
    }
    return false;
  }
  void DispatchMessage(const TMsg& Msg) override { SendX11Message(Msg.hwnd, Msg.message, Msg.wParam, Msg.lParam); }
  int FileDescriptor() const override {
    Display* d = windows.empty() ? nullptr : GLXDisplay();
    return d ? ConnectionNumber(d) : -1;
  }
  bool GetIdleMessage(TMsg& Msg) override {
    for (auto& [w, r] : windows) {
      if (!r.Invalid) continue;
      r.Invalid = false;
      Msg = TMsg{w, WM_PAINT, 0, 0};
      return true;
    }
    return false;
  }
};

// The caption and class the window manager and task lists show.
void NameTopLevel(Display* D, Window W, const std::string& Title) {
  if (!Title.empty()) XStoreName(D, W, Title.c_str());
  XClassHint hint{const_cast<char*>("emberhall"), const_cast<char*>("Emberhall")};
  XSetClassHint(D, W, &hint);
}

}  // namespace

WPARAM VirtualKeyOf(unsigned long KeySym) {
  if (KeySym >= XK_a && KeySym <= XK_z) return 'A' + (KeySym - XK_a);
  if (KeySym >= XK_A && KeySym <= XK_Z) return 'A' + (KeySym - XK_A);
  if (KeySym >= XK_0 && KeySym <= XK_9) return '0' + (KeySym - XK_0);
  if (KeySym >= XK_F1 && KeySym <= XK_F24) return VK_F1 + (KeySym - XK_F1);
  if (KeySym >= XK_KP_0 && KeySym <= XK_KP_9) return 0x60 + (KeySym - XK_KP_0);
  static const std::map<unsigned long, WPARAM> keys = {
      {XK_BackSpace, VK_BACK},  {XK_Tab, VK_TAB},          {XK_Return, VK_RETURN},   {XK_KP_Enter, VK_RETURN},
      {XK_Shift_L, VK_SHIFT},   {XK_Shift_R, VK_SHIFT},    {XK_Control_L, VK_CONTROL}, {XK_Control_R, VK_CONTROL},
      {XK_Alt_L, VK_MENU},      {XK_Alt_R, VK_MENU},       {XK_Meta_L, VK_MENU},     {XK_Pause, 0x13},
      {XK_Caps_Lock, 0x14},     {XK_Escape, VK_ESCAPE},    {XK_space, VK_SPACE},     {XK_Prior, 0x21},
      {XK_Next, 0x22},          {XK_End, 0x23},            {XK_Home, 0x24},          {XK_Left, 0x25},
      {XK_Up, 0x26},            {XK_Right, 0x27},          {XK_Down, 0x28},          {XK_Print, VK_SNAPSHOT},
      {XK_Insert, 0x2D},        {XK_Delete, 0x2E},         {XK_Super_L, 0x5B},       {XK_Super_R, 0x5C},
      {XK_Menu, 0x5D},          {XK_KP_Multiply, 0x6A},    {XK_KP_Add, 0x6B},        {XK_KP_Subtract, 0x6D},
      {XK_KP_Decimal, 0x6E},    {XK_KP_Divide, 0x6F},      {XK_Num_Lock, 0x90},      {XK_Scroll_Lock, 0x91},
      {XK_semicolon, 0xBA},     {XK_equal, 0xBB},          {XK_comma, 0xBC},         {XK_minus, 0xBD},
      {XK_period, 0xBE},        {XK_slash, 0xBF},          {XK_grave, 0xC0},         {XK_bracketleft, 0xDB},
      {XK_backslash, 0xDC},     {XK_bracketright, 0xDD},   {XK_apostrophe, 0xDE},
  };
  auto it = keys.find(KeySym);
  return it == keys.end() ? 0 : it->second;
}

HWND CreateX11Window(const TWindowParams& Params, TWindowProc Proc) {
  Display* d = GLXDisplay();
  if (!d) return 0;
  const int screen = DefaultScreen(d);
  const bool fullScreen = Params.Placement == TWindowPlacement::FullScreen;
  const bool topLevel = Params.Placement == TWindowPlacement::TopLevel;
  Window parent = fullScreen || topLevel ? RootWindow(d, screen) : Params.Parent;
  int width = Params.Width, height = Params.Height;
  if (!ParentSize(d, parent, width, height)) return 0;  // also the size that fills the parent
  if (topLevel) {
    width = Params.Width > 0 ? Params.Width : 1;
    height = Params.Height > 0 ? Params.Height : 1;
  }

  Visual* visual = DefaultVisual(d, screen);
  int depth = DefaultDepth(d, screen);
  if (Params.VisualID) {
    XVisualInfo templ{};
    templ.visualid = Params.VisualID;
    int n = 0;
    if (XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &templ, &n)) {
      visual = info->visual;
      depth = info->depth;
      XFree(info);
    }
  }
  XSetWindowAttributes a{};
  unsigned long mask = CWBackPixel | CWBorderPixel | CWEventMask | CWOverrideRedirect;
  // The program's colours keep red in the low byte; a true-colour X pixel keeps it high.
  const uint32_t c = Params.Background;
  a.background_pixel = (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
  a.border_pixel = 0;
  // A child of the root window drawn as its picture is no window for the
  // window manager to frame.
  const bool onRoot = !fullScreen && !topLevel && parent == RootWindow(d, screen);
  a.override_redirect = fullScreen || onRoot;
  a.event_mask = ExposureMask | StructureNotifyMask;
  if (!Params.IgnoreInput)
    a.event_mask |= KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                    FocusChangeMask;
  TWindowRecord record{Params.Placement, std::move(Proc)};
  if (visual != DefaultVisual(d, screen)) {
    record.OwnColormap = XCreateColormap(d, RootWindow(d, screen), visual, AllocNone);
    a.colormap = record.OwnColormap;
    mask |= CWColormap;
  }
  const Window w = XCreateWindow(d, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                 depth, InputOutput, visual, mask, &a);
  if (!wmDelete) wmDelete = XInternAtom(d, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(d, w, &wmDelete, 1);
  if (topLevel) NameTopLevel(d, w, Params.Title);
  if (!fullScreen && !topLevel) {
    record.Parent = parent;
    XSelectInput(d, parent, StructureNotifyMask);
  }
  record.Width = width;
  record.Height = height;
  DefinePointer(d, w);
  windows[w] = record;
  SendX11Message(w, WM_CREATE, 0, 0);
  if (!X11WindowExists(w)) return 0;  // its handler destroyed it again
  if (fullScreen) {
    XMapRaised(d, w);
    windows[w].Grabbed = WaitViewable(d, w) && GrabInput(d, w);
  } else if (onRoot) {
    XMapWindow(d, w);
    XLowerWindow(d, w);  // under every other window, as the desktop's picture
  } else {
    XMapWindow(d, w);
  }
  XSync(d, False);
  return w;
}

void DestroyX11Window(HWND Wnd) {
  auto it = windows.find(Wnd);
  if (it == windows.end()) return;
  Display* d = GLXDisplay();
  SendX11Message(Wnd, WM_DESTROY, 0, 0);
  it = windows.find(Wnd);
  if (it == windows.end()) return;
  TWindowRecord record = it->second;
  windows.erase(it);
  if (record.Grabbed) {
    XUngrabPointer(d, CurrentTime);
    XUngrabKeyboard(d, CurrentTime);
  }
  XDestroyWindow(d, Wnd);
  if (record.OwnColormap) XFreeColormap(d, record.OwnColormap);
  if (record.Parent && !ParentStillWatched(record.Parent)) {
    TX11ErrorTrap trap(d);
    XSelectInput(d, record.Parent, NoEventMask);  // the parent may be gone already
    trap.Sync();
  }
  if (lastPress.Wnd == Wnd) lastPress = {};
  XSync(d, False);
}

bool X11WindowExists(HWND Wnd) { return windows.count(Wnd) != 0; }

bool X11WindowAlive(unsigned long Window) {
  Display* d = GLXDisplay();
  int w = 0, h = 0;
  return d && Window && ParentSize(d, Window, w, h);
}

void InvalidateX11Window(HWND Wnd) {
  auto it = windows.find(Wnd);
  if (it != windows.end()) it->second.Invalid = true;
}

bool GetX11ClientSize(HWND Wnd, int& Width, int& Height) {
  auto it = windows.find(Wnd);
  if (it == windows.end()) return false;
  Width = it->second.Width;
  Height = it->second.Height;
  return true;
}

TGLDeviceContext X11WindowDC(HWND Wnd) {
  Display* d = GLXDisplay();
  return {d, d ? DefaultScreen(d) : 0, X11WindowExists(Wnd) ? Wnd : 0};
}

LRESULT SendX11Message(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam) {
  auto it = windows.find(Wnd);
  if (it == windows.end()) return 0;
  TWindowProc proc = it->second.Proc;  // the handler may destroy its window
  TMessage m{Msg, WParam, LParam, 0};
  if (proc) proc(Wnd, m);
  return m.Result;
}

void SetX11PointerHidden(bool Hidden) {
  pointerHidden = Hidden;
  Display* d = windows.empty() ? nullptr : GLXDisplay();
  if (!d) return;
  for (const auto& [w, r] : windows) DefinePointer(d, w);
  XFlush(d);
}

void SetX11PointerBusy(bool Busy) {
  pointerBusy = Busy;
  SetX11PointerHidden(pointerHidden);
}

bool X11PointerHidden() { return pointerHidden; }

IMessageSource& X11MessageSource() {
  static TX11Source source;
  return source;
}

namespace {

class TX11WindowSystem : public IWindowSystem {
 public:
  HWND CreateWindow(const TWindowParams& Params, TWindowProc Proc) override {
    return CreateX11Window(Params, std::move(Proc));
  }
  void DestroyWindow(HWND Wnd) override { DestroyX11Window(Wnd); }
  void Invalidate(HWND Wnd) override { InvalidateX11Window(Wnd); }
  bool GetClientSize(HWND Wnd, int& Width, int& Height) override { return GetX11ClientSize(Wnd, Width, Height); }
  TGLDeviceContext WindowDC(HWND Wnd) override { return X11WindowDC(Wnd); }
  std::vector<TMonitorRect> MonitorRects(HWND Wnd) override { return X11MonitorRects(Wnd); }
  HWND ScreenWindow() override {
    Display* d = GLXDisplay();
    return d ? DefaultRootWindow(d) : 0;
  }
  bool WindowAlive(HWND Wnd) override { return X11WindowAlive(Wnd); }
  IMessageSource& MessageSource() override { return X11MessageSource(); }
};

}  // namespace

IWindowSystem& X11WindowSystem() {
  static TX11WindowSystem system;
  return system;
}

}  // namespace emberhall

namespace emberhall {

bool X11FullScreenGrabbed() {
  for (const auto& [w, r] : windows)
    if (r.Grabbed) return true;
  return false;
}

}  // namespace emberhall
