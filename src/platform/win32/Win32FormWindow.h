// The dialog window of a form on Win32: a top-level window of a fixed client
// size holding native controls and, for the main form, a framed preview
// panel with a child window of its own that the OpenGL window is placed into.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/FormWindow.h"

struct tagMSG;

namespace emberhall {

class TWin32FormWindow : public TFormWindow {
 public:
  // Without a panel size no preview panel is made.
  TWin32FormWindow(const std::string& Title, int Width, int Height, int PanelX = 0, int PanelY = 0,
                   int PanelWidth = 0, int PanelHeight = 0);
  ~TWin32FormWindow() override;
  TWin32FormWindow(const TWin32FormWindow&) = delete;
  TWin32FormWindow& operator=(const TWin32FormWindow&) = delete;

  TPanel* Client() override { return FClient.get(); }
  TPanel* PreviewPanel() override { return FPreview; }
  void SetCaption(const std::string& Caption) override;
  bool Show() override;
  void Hide() override;
  bool Shown() const override;
  void Move(int Left, int Top) override;
  void SetEnabled(bool Enabled) override;
  // The window's outer place on the screen and its client size.
  void GetBounds(int& Left, int& Top, int& Width, int& Height) const override;
  void ShowModal(const TFormWindow* Over, const std::function<void()>& Pump) override;
  // The form's own window (0 when it could not be made).
  HWND WindowHandle() const { return FWindow; }
  // The preview's child window once the form has been shown; 0 before.
  HWND PanelWindow() const override;

  // From the window procedure: the close box, Alt+F4 or Escape.
  void CloseRequested();
  // From the window procedure: keeps the focused control across (de)activation.
  bool Activated(bool Active);

 private:
  void ReleaseModalOwner();

  HWND FWindow = 0;
  HWND FPanelWindow = 0;  // child of the preview panel's window
  HWND FModalOwner = 0;   // the window ShowModal disabled, until hidden
  HWND FSavedFocus = 0;
  bool FEverShown = false;
  std::unique_ptr<TPanel> FClient;
  TPanel* FPreview = nullptr;  // owned by FClient
};

// For the thread's message loop, before TranslateMessage/DispatchMessage:
// the keyboard navigation of the form windows (Tab, arrows within a radio
// group, Enter for the default button, Escape to close). True when the
// message was handled (and dispatched) here.
bool Win32DialogMessage(::tagMSG& Msg);

}  // namespace emberhall
