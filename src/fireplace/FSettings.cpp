#include "fireplace/FSettings.h"

#include <cstdio>

namespace emberhall {

TFormSettings::TFormSettings(TComponent* AOwner) : TCustomForm(AOwner) {
  Name = "FormSettings";
  Width = 616;
  Height = 428;
  GLScreenSaver = new TCustomGraphicApplicationPro(this);
  GLScreenSaver->Name = "GLScreenSaver";
  GLScreenSaver->Title = "Emberhall";
  GLScreenSaver->Company = "Korvell Software";
  GLScreenSaver->MajorVersion = "1";
  GLScreenSaver->MinorVersion = "11";
  GLScreenSaver->OnStart = [this](TObject* s) { GLScreenSaverStart(s); };
}

void TFormSettings::GLScreenSaverStart(TObject*) {
  // Until the picture can be drawn, the program says what it is and ends.
  std::printf("%s %s: no picture can be drawn yet in this build.\n", GLScreenSaver->Title.c_str(),
              GLScreenSaver->VersionText().c_str());
  GLScreenSaver->CloseApplication();
}

}  // namespace emberhall
