// The dialog window of a form on FLTK: a window with its controls and, for
// the main form, a framed preview panel holding a child window of its own
// (an X window) that the OpenGL window is placed into.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/FormWindow.h"

class Fl_Double_Window;
class Fl_Window;

namespace emberhall {

class TFltkFormWindow : public TFormWindow {
 public:
  // Without a panel size no preview panel is made.
  TFltkFormWindow(const std::string& Title, int Width, int Height, int PanelX = 0, int PanelY = 0,
                  int PanelWidth = 0, int PanelHeight = 0);
  ~TFltkFormWindow() override;
  TFltkFormWindow(const TFltkFormWindow&) = delete;
  TFltkFormWindow& operator=(const TFltkFormWindow&) = delete;

  TPanel* Client() override { return FClient.get(); }
  // The black frame around the preview's child window; null without a panel.
  TPanel* PreviewPanel() override { return FPreview; }
  void SetCaption(const std::string& Caption) override;
  bool Show() override;
  void Hide() override;
  bool Shown() const override;
  void Move(int Left, int Top) override;
  void SetEnabled(bool Enabled) override;
  void GetBounds(int& Left, int& Top, int& Width, int& Height) const override;
  void ShowModal(const TFormWindow* Over, const std::function<void()>& Pump) override;
  // The X window of the window itself and of the panel's child, once shown; 0 before.
  unsigned long WindowHandle() const;
  HWND PanelWindow() const override;

 private:
  Fl_Double_Window* FWindow = nullptr;
  Fl_Window* FPanel = nullptr;
  std::unique_ptr<TPanel> FClient;
  TPanel* FPreview = nullptr;  // owned by FClient
};

}  // namespace emberhall
