// The Win32 side of the dialog controls: the native window behind a control
// (BUTTON, STATIC, COMBOBOX, trackbar, or a panel window of our own), the
// dialog's shared look (bold font, warm dark colours, tooltips), and the
// routing of the controls' notifications to their TControl.
//
// Controls are child windows of their nearest container window: the form's
// own window or an unframed panel. A group box is a BUTTON drawn over its
// parent, so the controls inside it are its siblings, placed where the
// neutral layout puts them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Controls.h"
#include "platform/Messages.h"

namespace emberhall {

struct TNativeControl {
  enum TKind { nkForm, nkPanel, nkGroupBox, nkImage, nkLabel, nkButton, nkCheckBox, nkRadioButton, nkComboBox, nkTrackBar };

  TNativeControl(TKind AKind, HWND AWindow) : Kind(AKind), Window(AWindow) {}
  // Destroys the window when it still exists (a form's own window is left
  // to the form) and frees the GDI objects made for it.
  ~TNativeControl();
  TNativeControl(const TNativeControl&) = delete;
  TNativeControl& operator=(const TNativeControl&) = delete;

  TKind Kind;
  HWND Window = 0;       // the Win32 window, as the system's handle type
  uint32_t Color = 0;    // a panel's background as 0xRRGGBB, when HasColor
  bool HasColor = false;
  bool Link = false;     // a label shown and clickable as a link
  uintptr_t Brush = 0;   // a panel's background brush (HBRUSH), 0 for the dialog's
  // A picture's pixels as a bottom-up 24-bit DIB (BGR, rows padded to 4 bytes).
  std::vector<uint8_t> Pixels;
  int PictureWidth = 0, PictureHeight = 0;
};

// The pixel size of the dialog's bold sans-serif font (as on the other platforms).
int DialogFontSize();
// The dialog's background colour as 0xRRGGBB.
uint32_t DialogBackground();

// Registers the panel window class and the common controls (trackbar,
// tooltips); once per process. False when that fails.
bool RegisterControlClasses();

// A container control over the client area of a form's window.
std::unique_ptr<TPanel> WrapFormWindow(HWND Window, int Width, int Height);

// The control whose native window Window is; null for other windows.
TControl* ControlOfWindow(HWND Window);

// Handles the messages that a container window gets from its controls:
// WM_COMMAND (BN_CLICKED, CBN_SELCHANGE, STN_CLICKED), WM_HSCROLL of a
// trackbar, WM_CTLCOLOR* (the dialog's colours), WM_DRAWITEM (pictures) and
// WM_SETCURSOR (the hand over links). True when the message was one of
// them; Result is then the window procedure's answer. An exception of an
// event handler goes to the application's exception handling here, since it
// must not unwind through the system's message dispatch.
bool HandleControlMessage(HWND Container, uint32_t Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);

// Enter in the form whose window is Root: clicks the focused push button,
// else the default button. False when neither takes it (the focused control
// wants the key itself, or there is no enabled button to press).
bool PressDialogButton(HWND Root, const void* KeyMsg);

}  // namespace emberhall
