#include "platform/fltk/FltkServices.h"

#include <FL/Fl.H>
#include <FL/Fl_Help_Dialog.H>
#include <FL/fl_ask.H>
#include <FL/x.H>
#include <X11/Xlib.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace emberhall {

bool DisplayAvailable() {
  static int known = -1;
  if (known < 0) {
    const char* name = std::getenv("DISPLAY");
    Display* d = (name && *name) ? XOpenDisplay(nullptr) : nullptr;
    known = d != nullptr;
    if (d) XCloseDisplay(d);
  }
  return known == 1;
}

void TFltkMessageBoxes::Show(const std::string& Text, const std::string& Caption, TMessageIcon Icon) {
  const char* mode = std::getenv("EMBERHALL_MESSAGES");
  bool toStderr = (mode && std::strcmp(mode, "stderr") == 0) || !DisplayAvailable();
  if (toStderr) {
    std::fprintf(stderr, "%s: %s\n", Caption.c_str(), Text.c_str());
    return;
  }
  fl_message_title(Caption.c_str());
  if (Icon == TMessageIcon::Information) {
    fl_message("%s", Text.c_str());
  } else {
    fl_alert("%s", Text.c_str());
  }
}

bool TFltkMessageSource::GetMessage(TMsg&) {
  if (fl_display) Fl::check();
  return false;
}

int TFltkMessageSource::FileDescriptor() const { return fl_display ? ConnectionNumber(fl_display) : -1; }

TFltkHelpViewer::~TFltkHelpViewer() {
  if (FSourceAdded && Application) Application->RemoveMessageSource(&FSource);
  delete FDialog;
}

void TFltkHelpViewer::ShowContents(const std::string& FileName) {
  if (!DisplayAvailable()) {
    std::fprintf(stderr, "Help: %s\n", FileName.c_str());
    return;
  }
  if (access(FileName.c_str(), R_OK) != 0) {
    TFltkMessageBoxes().Show("Cannot open the help file " + FileName, "Help", TMessageIcon::Error);
    return;
  }
  if (!FDialog) FDialog = new Fl_Help_Dialog();
  FDialog->load(FileName.c_str());
  FDialog->show();
  if (!FSourceAdded && Application) {
    Application->AddMessageSource(&FSource);
    FSourceAdded = true;
  }
}

}  // namespace emberhall
