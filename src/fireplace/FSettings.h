// The main form: owner of the application component. The fireplace
// controller and the settings dialog grow from here.
#pragma once

#include "app/AppPro.h"
#include "platform/Forms.h"

namespace emberhall {

class TFormSettings : public TCustomForm {
 public:
  explicit TFormSettings(TComponent* AOwner);

  TCustomGraphicApplicationPro* GLScreenSaver = nullptr;

 private:
  void GLScreenSaverStart(TObject* Sender);
};

}  // namespace emberhall
