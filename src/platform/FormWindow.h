// The window of a form or dialog: a client area the controls are placed on,
// shown, moved, disabled, or run modally over another window.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/Controls.h"
#include "platform/Forms.h"
#include "platform/Messages.h"

namespace emberhall {

class TFormWindow {
 public:
  virtual ~TFormWindow() = default;

  // The area the form's controls are placed on (a container without a frame).
  virtual TPanel* Client() = 0;
  virtual void SetCaption(const std::string& Caption) = 0;
  // Shows the window (false when no display can be reached).
  virtual bool Show() = 0;
  virtual void Hide() = 0;
  virtual bool Shown() const = 0;
  virtual void Move(int Left, int Top) = 0;
  // A disabled window shows its controls greyed and takes no input.
  virtual void SetEnabled(bool Enabled) = 0;
  // Its place and size on the screen.
  virtual void GetBounds(int& Left, int& Top, int& Width, int& Height) const = 0;
  // Shows the window centred over Over (when given) and above it, keeps
  // input from the program's other windows, and calls Pump until the window
  // is hidden. Returns at once when it cannot be shown.
  virtual void ShowModal(const TFormWindow* Over, const std::function<void()>& Pump) = 0;

  // The black frame around the preview's child window; null without a panel.
  virtual TPanel* PreviewPanel() { return nullptr; }
  // The window system's handle of the preview's child window, once shown; 0 before.
  virtual HWND PanelWindow() const { return 0; }

  // A close request of the window manager (or Escape).
  std::function<void()> OnCloseRequest;
};

// A dialog window of the given client size without a preview panel.
std::unique_ptr<TFormWindow> CreateFormWindow(const std::string& Title, int Width, int Height);
// The same with a preview panel at the given place in the client area.
std::unique_ptr<TFormWindow> CreateFormWindow(const std::string& Title, int Width, int Height, int PanelX,
                                              int PanelY, int PanelWidth, int PanelHeight);
// The dialog toolkit's events, handled from the application's loop without
// blocking it.
std::unique_ptr<IMessageSource> CreateToolkitMessageSource();

}  // namespace emberhall
