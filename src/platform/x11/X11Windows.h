// X windows that receive the Windows messages their logic is written for.
//
// Each window lives on the shared GL display connection. X events become
// messages: key press/release → WM_KEYDOWN/WM_KEYUP (WM_SYSKEYDOWN/UP while
// Alt is held) with VK codes; buttons 1..3 → the left/middle/right
// WM_*BUTTONDOWN/UP, a second press of the same button within 500 ms and
// 4 pixels → WM_*BUTTONDBLCLK; motion → WM_MOUSEMOVE (lParam: x in the low,
// y in the high 16 bits); size changes → WM_SIZE; a close request of the
// window manager → WM_CLOSE; exposure and Invalidate → WM_PAINT, delivered
// when nothing else waits. WM_CREATE and WM_DESTROY are sent at creation and
// destruction. X has no source of WM_SYSCOMMAND screen-saver or monitor-power
// commands.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gl/GLPlatform.h"
#include "platform/Forms.h"

namespace emberhall {

enum class TWindowPlacement {
  Child,        // fills a parent control's window (the dialog's preview panel)
  FullScreen,   // override-redirect, covering the screen, keyboard and pointer grabbed while shown
  ForeignChild, // inside another program's window, following its size
  TopLevel      // an ordinary window of the given size (no parent at all)
};

struct TWindowParams {
  TWindowPlacement Placement = TWindowPlacement::Child;
  unsigned long Parent = 0;    // the parent's X window (Child, ForeignChild)
  int X = 0, Y = 0, Width = 640, Height = 480;
  unsigned long VisualID = 0;  // 0: the screen's default visual
  unsigned long Background = 0x000000;
};

using TWindowProc = std::function<void(HWND Wnd, TMessage& Message)>;

// Creates, sends WM_CREATE, then maps the window (a full-screen window is
// raised and grabs keyboard and pointer). Returns 0 when no display can be
// reached or the parent is gone.
HWND CreateX11Window(const TWindowParams& Params, TWindowProc Proc);
// Sends WM_DESTROY, releases any grab and destroys the window.
void DestroyX11Window(HWND Wnd);
bool X11WindowExists(HWND Wnd);
void InvalidateX11Window(HWND Wnd);
bool GetX11ClientSize(HWND Wnd, int& Width, int& Height);
// The device context OpenGL draws to in the window.
TGLDeviceContext X11WindowDC(HWND Wnd);
// Sends a message to the window's handler at once; 0 for an unknown window.
LRESULT SendX11Message(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);
// Windows hide the pointer (a blank cursor) while Hidden is set.
void SetX11PointerHidden(bool Hidden);
bool X11PointerHidden();
// Windows show the busy pointer while Busy is set (unless it is hidden).
void SetX11PointerBusy(bool Busy);

// Whether the server still has this window (any client's).
bool X11WindowAlive(unsigned long Window);

// The message source of these windows; the application loop drains it.
IMessageSource& X11MessageSource();

// The virtual key code of an X key symbol, 0 when it has none.
WPARAM VirtualKeyOf(unsigned long KeySym);

constexpr LPARAM MakeLParam(int Low, int High) {
  return static_cast<LPARAM>((static_cast<uint32_t>(High) & 0xFFFF) << 16 | (static_cast<uint32_t>(Low) & 0xFFFF));
}

}  // namespace emberhall

namespace emberhall {
// Whether a full-screen window holds the keyboard and pointer grabs.
bool X11FullScreenGrabbed();
}  // namespace emberhall
