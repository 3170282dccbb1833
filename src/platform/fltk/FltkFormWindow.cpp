#include "platform/fltk/FltkFormWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "platform/fltk/FltkServices.h"

namespace emberhall {

TFltkFormWindow::TFltkFormWindow(const std::string& Title, int Width, int Height, int PanelX, int PanelY,
                                 int PanelWidth, int PanelHeight) {
  if (!DisplayAvailable()) return;
  FWindow = new Fl_Double_Window(Width, Height);
  FWindow->copy_label(Title.c_str());
  FPanel = new Fl_Window(PanelX, PanelY, PanelWidth, PanelHeight);
  FPanel->color(FL_BLACK);
  FPanel->end();
  FWindow->end();
  FWindow->callback(
      [](Fl_Widget*, void* self) {
        auto* form = static_cast<TFltkFormWindow*>(self);
        if (form->OnCloseRequest) form->OnCloseRequest();
      },
      this);
}

TFltkFormWindow::~TFltkFormWindow() {
  delete FWindow;  // deletes the panel with it
}

bool TFltkFormWindow::Show() {
  if (!FWindow) return false;
  FWindow->show();
  Fl::flush();
  // The panel's X window exists once FLTK has mapped it.
  for (int i = 0; i < 100 && !PanelWindow(); ++i) Fl::wait(0.01);
  return true;
}

void TFltkFormWindow::Hide() {
  if (FWindow) FWindow->hide();
}

void TFltkFormWindow::Move(int Left, int Top) {
  if (FWindow) FWindow->position(Left, Top);
}

unsigned long TFltkFormWindow::PanelWindow() const {
  return FPanel && FPanel->shown() ? static_cast<unsigned long>(fl_xid(FPanel)) : 0;
}

}  // namespace emberhall
