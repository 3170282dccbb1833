#include "platform/fltk/FltkFormWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>

#include "platform/fltk/FltkControls.h"
#include "platform/fltk/FltkServices.h"

namespace emberhall {

TFltkFormWindow::TFltkFormWindow(const std::string& Title, int Width, int Height, int PanelX, int PanelY,
                                 int PanelWidth, int PanelHeight) {
  if (DisplayAvailable()) {
    ApplyDialogLook();
    FWindow = new Fl_Double_Window(Width, Height);
    FWindow->copy_label(Title.c_str());
    FWindow->labelfont(DialogFont());
    FWindow->end();
    FWindow->callback(
        [](Fl_Widget*, void* self) {
          auto* form = static_cast<TFltkFormWindow*>(self);
          if (form->OnCloseRequest) form->OnCloseRequest();
        },
        this);
  }
  FClient = WrapGroup(FWindow, Width, Height);
  if (PanelWidth <= 2 || PanelHeight <= 2) return;
  FPreview = new TPanel(FClient.get(), PanelX, PanelY, PanelWidth, PanelHeight, false);
  FPreview->SetColor(0x000000);
  if (!FWindow) return;
  // The child window sits inside the panel's one-pixel frame.
  Fl_Group* saved = Fl_Group::current();
  Fl_Group::current(nullptr);
  FPanel = new Fl_Window(PanelX + 1, PanelY + 1, PanelWidth - 2, PanelHeight - 2);
  FPanel->color(FL_BLACK);
  FPanel->end();
  Fl_Group::current(saved);
  FWindow->add(FPanel);
}

TFltkFormWindow::~TFltkFormWindow() {
  delete FWindow;  // deletes every widget with it; the controls go after
}

void TFltkFormWindow::SetCaption(const std::string& Caption) {
  if (FWindow) FWindow->copy_label(Caption.c_str());
}

bool TFltkFormWindow::Show() {
  if (!FWindow) return false;
  FWindow->show();
  Fl::flush();
  // The panel's X window exists once FLTK has mapped it.
  for (int i = 0; i < 100 && FPanel && !PanelWindow(); ++i) Fl::wait(0.01);
  return true;
}

void TFltkFormWindow::Hide() {
  if (FWindow) FWindow->hide();
}

bool TFltkFormWindow::Shown() const { return FWindow && FWindow->shown() && FWindow->visible(); }

void TFltkFormWindow::Move(int Left, int Top) {
  if (FWindow) FWindow->position(Left, Top);
}

void TFltkFormWindow::SetEnabled(bool Enabled) {
  if (!FWindow) return;
  Enabled ? FWindow->activate() : FWindow->deactivate();
}

void TFltkFormWindow::GetBounds(int& Left, int& Top, int& Width, int& Height) const {
  Left = FWindow ? FWindow->x() : 0;
  Top = FWindow ? FWindow->y() : 0;
  Width = FClient->Width();
  Height = FClient->Height();
}

void TFltkFormWindow::ShowModal(const TFormWindow* Over, const std::function<void()>& Pump) {
  if (!FWindow) return;
  if (Over) {
    int l = 0, t = 0, w = 0, h = 0;
    Over->GetBounds(l, t, w, h);
    Move(l + (w - FClient->Width()) / 2, t + (h - FClient->Height()) / 2);
  }
  FWindow->set_modal();
  Show();
  while (FWindow->shown()) Pump();
}

unsigned long TFltkFormWindow::WindowHandle() const {
  return FWindow && FWindow->shown() ? static_cast<unsigned long>(fl_xid(FWindow)) : 0;
}

HWND TFltkFormWindow::PanelWindow() const {
  return FPanel && FPanel->shown() ? static_cast<HWND>(fl_xid(FPanel)) : 0;
}

std::unique_ptr<TFormWindow> CreateFormWindow(const std::string& Title, int Width, int Height) {
  return std::make_unique<TFltkFormWindow>(Title, Width, Height);
}

std::unique_ptr<TFormWindow> CreateFormWindow(const std::string& Title, int Width, int Height, int PanelX,
                                              int PanelY, int PanelWidth, int PanelHeight) {
  return std::make_unique<TFltkFormWindow>(Title, Width, Height, PanelX, PanelY, PanelWidth, PanelHeight);
}

std::unique_ptr<IMessageSource> CreateToolkitMessageSource() { return std::make_unique<TFltkMessageSource>(); }

}  // namespace emberhall
