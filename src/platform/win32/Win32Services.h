// Message boxes and the help viewer on Win32.
#pragma once

#include <string>

#include "platform/Services.h"

namespace emberhall {

// MessageBoxW with the icon, owned by the thread's active window (none when
// there is none). With EMBERHALL_MESSAGES set to "stderr" the text goes to
// stderr as one line "Caption: Text" instead, so that unattended runs never
// wait for a click that nobody can give.
class TWin32MessageBoxes : public IMessageBoxes {
 public:
  void Show(const std::string& Text, const std::string& Caption, TMessageIcon Icon) override;
};

// Opens an HTML help file with the shell's "open" (the user's browser).
class TWin32HelpViewer : public IHelpViewer {
 public:
  void ShowContents(const std::string& FileName) override;
};

}  // namespace emberhall
