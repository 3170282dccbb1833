// The main form: the settings dialog with its preview panel, owner of the
// OpenGL window, the display and the screensaver host (created last).
#pragma once

#include <memory>

#include "app/GLScreenSaver.h"
#include "platform/Forms.h"
#include "platform/fltk/FltkFormWindow.h"
#include "platform/fltk/FltkServices.h"

namespace emberhall {

class TFormSettings : public TCustomForm {
 public:
  explicit TFormSettings(TComponent* AOwner);
  ~TFormSettings() override;

  // Shows the dialog unless the host hid the form, then gives the OpenGL
  // window its handle (in the panel, full screen, or in the preview parent).
  void Show() override;
  void Hide() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  TGLWindow* GLWindow = nullptr;
  TGLDisplay* GLDisplay = nullptr;
  TGLScreenSaver* GLScreenSaver = nullptr;

 private:
  void GLScreenSaverStart(TObject* Sender);
  void GLScreenSaverRender(float DeltaTime, bool Select);

  std::unique_ptr<TFltkFormWindow> FWindow;
  TFltkMessageSource FFltkSource;
};

}  // namespace emberhall
