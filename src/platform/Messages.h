// The message vocabulary that the system's window logic is written for.
// X events are translated into these by the platform's window layer.
#pragma once

#include <cstdint>

namespace emberhall {

using HWND = uintptr_t;  // window handle; 0 = none
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

struct TMsg {
  HWND hwnd = 0;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// A message with its result slot, as handed to a window's handler.
struct TMessage {
  uint32_t Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_SIZE = 0x0005;
constexpr uint32_t WM_PAINT = 0x000F;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_ERASEBKGND = 0x0014;
constexpr uint32_t WM_KEYDOWN = 0x0100;
constexpr uint32_t WM_KEYUP = 0x0101;
constexpr uint32_t WM_SYSKEYDOWN = 0x0104;
constexpr uint32_t WM_SYSKEYUP = 0x0105;
constexpr uint32_t WM_SYSCOMMAND = 0x0112;
constexpr uint32_t WM_MOUSEMOVE = 0x0200;
constexpr uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr uint32_t WM_MBUTTONUP = 0x0208;
constexpr uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr uint32_t WM_POWERBROADCAST = 0x0218;

// WM_POWERBROADCAST events and answers.
constexpr WPARAM PBT_APMQUERYSUSPEND = 0;
constexpr WPARAM PBT_APMQUERYSTANDBY = 1;
constexpr WPARAM PBT_APMSUSPEND = 4;
constexpr WPARAM PBT_APMSTANDBY = 5;
constexpr WPARAM PBT_APMRESUMECRITICAL = 6;
constexpr WPARAM PBT_APMRESUMESUSPEND = 7;
constexpr WPARAM PBT_APMRESUMESTANDBY = 8;
constexpr LRESULT BROADCAST_QUERY_DENY = 0x424D5144;

// WM_SYSCOMMAND codes.
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// Virtual key codes.
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_SNAPSHOT = 0x2C;
constexpr WPARAM VK_F1 = 0x70;

}  // namespace emberhall
