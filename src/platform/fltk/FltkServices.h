// Message boxes and the help viewer on FLTK.
#pragma once

#include "platform/Forms.h"
#include "platform/Services.h"

class Fl_Help_Dialog;

namespace emberhall {

// True when an X display can be opened (FLTK would exit without one).
bool DisplayAvailable();

// FLTK's alert when a display is available and EMBERHALL_MESSAGES is not
// "stderr"; otherwise one line "Caption: Text" on stderr. Never waits for a
// click that nobody can give.
class TFltkMessageBoxes : public IMessageBoxes {
 public:
  void Show(const std::string& Text, const std::string& Caption, TMessageIcon Icon) override;
};

// Lets FLTK handle its events from the application's loop, without blocking.
class TFltkMessageSource : public IMessageSource {
 public:
  bool GetMessage(TMsg& Msg) override;
  void DispatchMessage(const TMsg&) override {}
  int FileDescriptor() const override;
};

// Shows an HTML help file in FLTK's help dialog.
class TFltkHelpViewer : public IHelpViewer {
 public:
  ~TFltkHelpViewer() override;
  void ShowContents(const std::string& FileName) override;

 private:
  Fl_Help_Dialog* FDialog = nullptr;
  TFltkMessageSource FSource;
  bool FSourceAdded = false;
};

}  // namespace emberhall
