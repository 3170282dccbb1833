// The dialog window of a form on FLTK: a window with a panel (its own X
// window) that the OpenGL window is placed into.
#pragma once

#include <functional>
#include <memory>
#include <string>

class Fl_Double_Window;
class Fl_Window;

namespace emberhall {

class TFltkFormWindow {
 public:
  TFltkFormWindow(const std::string& Title, int Width, int Height, int PanelX, int PanelY, int PanelWidth,
                  int PanelHeight);
  ~TFltkFormWindow();
  TFltkFormWindow(const TFltkFormWindow&) = delete;
  TFltkFormWindow& operator=(const TFltkFormWindow&) = delete;

  // Shows the window (false when no display can be reached).
  bool Show();
  void Hide();
  void Move(int Left, int Top);
  // The panel's X window, once shown; 0 before.
  unsigned long PanelWindow() const;

  // A close request of the window manager.
  std::function<void()> OnCloseRequest;

 private:
  Fl_Double_Window* FWindow = nullptr;
  Fl_Window* FPanel = nullptr;
};

}  // namespace emberhall
