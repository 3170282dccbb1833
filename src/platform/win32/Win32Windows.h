// Win32 windows that deliver the system's messages to their handlers.
//
// Native messages reach the handler as they are (WM_SIZE, WM_PAINT, keys,
// buttons, WM_CLOSE, WM_POWERBROADCAST…); WM_CREATE is sent once the window
// is registered, before it is shown, as on the other platforms. A window
// inside another window follows its parent's size. Painting is validated
// after the handler ran, so one WM_PAINT renders one frame.
#pragma once

#include "platform/WindowSystem.h"

namespace emberhall {

IWindowSystem& Win32WindowSystem();

// The thread's message queue as the application loop drains it.
IMessageSource& Win32MessageSource();

// Sends a message to one of these windows' handlers at once.
LRESULT SendWin32Message(HWND Wnd, uint32_t Msg, WPARAM WParam, LPARAM LParam);

}  // namespace emberhall
