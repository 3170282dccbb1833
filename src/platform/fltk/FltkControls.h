// The FLTK side of the dialog controls: the widget behind a control, and
// the dialog's look (scheme, colours, font) that every control shares.
#pragma once

#include <memory>

#include "platform/Controls.h"

class Fl_Widget;
class Fl_Group;

namespace emberhall {

struct TNativeControl {
  Fl_Widget* Widget = nullptr;  // freed by its parent group, never here
};

// The toolkit's scheme and the dialog's colours and bold font; once per process.
void ApplyDialogLook();
// The font the dialog's texts use.
int DialogFont();
int DialogFontSize();

// A container control over a group the window made (its client area).
std::unique_ptr<TPanel> WrapGroup(Fl_Group* Group, int Width, int Height);

}  // namespace emberhall
