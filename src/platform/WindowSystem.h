// The window system as the OpenGL window sees it: windows of the three
// placements that receive the Windows messages their logic is written for,
// the device context OpenGL draws to, the message source the application
// loop drains, and whether a foreign window still exists.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Forms.h"
#include "platform/GLPlatform.h"
#include "platform/Messages.h"

namespace emberhall {

enum class TWindowPlacement {
  Child,        // fills a parent control's window (the dialog's preview panel)
  FullScreen,   // top-most, covering the screen, keyboard and pointer held while shown
  ForeignChild, // inside another program's window, following its size
  TopLevel      // an ordinary window of the given size (no parent at all)
};

struct TWindowParams {
  TWindowPlacement Placement = TWindowPlacement::Child;
  HWND Parent = 0;             // the parent's window (Child, ForeignChild)
  int X = 0, Y = 0, Width = 640, Height = 480;
  unsigned long VisualID = 0;  // the pixel format's visual; 0: the screen's default
  uint32_t Background = 0;     // red in the low byte, blue in the third
  // Keyboard, buttons and pointer motion are left to the parent (a screensaver
  // daemon's window decides on input itself); only size and closing arrive.
  bool IgnoreInput = false;
  // The caption of a top-level window, for the window manager and task lists.
  std::string Title = {};
};

// A monitor's part of a window, in the window's pixels, origin at the top left.
struct TMonitorRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const TMonitorRect&) const = default;
};

using TWindowProc = std::function<void(HWND Wnd, TMessage& Message)>;

class IWindowSystem {
 public:
  virtual ~IWindowSystem() = default;
  // Creates, sends WM_CREATE, then shows the window. Returns 0 when no
  // display can be reached or the parent is gone.
  virtual HWND CreateWindow(const TWindowParams& Params, TWindowProc Proc) = 0;
  // Sends WM_DESTROY and destroys the window.
  virtual void DestroyWindow(HWND Wnd) = 0;
  // Asks for a WM_PAINT, delivered when nothing else waits.
  virtual void Invalidate(HWND Wnd) = 0;
  virtual bool GetClientSize(HWND Wnd, int& Width, int& Height) = 0;
  // The device context OpenGL draws to in the window.
  virtual TGLDeviceContext WindowDC(HWND Wnd) = 0;
  // The parts of the window that lie on different monitors, one per monitor
  // the window overlaps; empty when the system reports no monitors.
  virtual std::vector<TMonitorRect> MonitorRects(HWND Wnd) = 0;
  // The window that is the whole screen (X: the root window).
  virtual HWND ScreenWindow() = 0;
  // Whether a window of any program still exists.
  virtual bool WindowAlive(HWND Wnd) = 0;
  // The source of these windows' messages; the application loop drains it.
  virtual IMessageSource& MessageSource() = 0;
};

}  // namespace emberhall
