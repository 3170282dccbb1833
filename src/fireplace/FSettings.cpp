#include "fireplace/FSettings.h"

#include "app/SimpleSound.h"
#include "fireplace/FlameClasses.h"
#include "fireplace/GLClock.h"
#include "gl/OGL.h"
#include "scene/SceneFonts.h"
#include "scene/SceneObjects.h"
#include "scene/SceneTextures.h"

namespace emberhall {

TFormSettings::TFormSettings(TComponent* AOwner) : TCustomForm(AOwner) {
  Name = "FormSettings";
  Width = 608;
  Height = 399;
  FWindow = std::make_unique<TFltkFormWindow>("Emberhall", Width, Height, 8, 8, 322, 242);
  FWindow->OnCloseRequest = [this] { Close(); };
  if (Application) Application->AddMessageSource(&FFltkSource);

  // Components in resource order: the OpenGL window in the preview panel,
  // the display, and the host last.
  GLWindow = new TGLWindow(this);
  GLWindow->Name = "GLWindow";
  GLWindow->SetBounds(320, 240);
  GLDisplay = new TGLDisplay(this);
  GLDisplay->Name = "GLDisplay";
  GLDisplay->DesktopOnly = true;
  GLDisplay->FullScreenMode.ColorDepth = 32;
  GLDisplay->FullScreenMode.ScreenSize = 83887104;  // 1280 x 1024

  GLScreenSaver = new TGLScreenSaver(this);
  TGLScreenSaver& host = *GLScreenSaver;
  host.Name = "GLScreenSaver";
  host.Title = "Emberhall";
  host.Company = "Korvell Software";
  host.MajorVersion = "1";
  host.MinorVersion = "11";
  host.SetDisplay(GLDisplay);
  host.SetWindow(GLWindow);
  TDefViewport& v = *host.Viewport;
  v.ClearMode = cmColor | cmDepth;
  v.Camera.Position.Set(0, -24, 130);
  v.Camera.Direction.Set(0, 0, -1);
  v.Camera.Up.Set(0, 1, 0);
  v.FOV = 60;
  v.NearDepth = 100;
  v.FarDepth = 10000;
  v.Perspective = true;
  v.Enabled = true;
  v.Cleared = false;
  v.Stretch = false;
  v.WideScreen = false;
  host.OnStart = [this](TObject* s) { GLScreenSaverStart(s); };
  host.OnRender = [this](float dt, bool select) { GLScreenSaverRender(dt, select); };
  CreateControls();
}

TFormSettings::~TFormSettings() {
  DestroyComponents();
  if (Application) Application->RemoveMessageSource(&FFltkSource);
}

void TFormSettings::Show() {
  TCustomForm::Show();
  // The host hides the form (no size) in full-screen and preview runs.
  if (Width > 0 && Height > 0 && FWindow->Show()) GLWindow->ParentControl = FWindow->PanelWindow();
  GLWindow->CreateHandle();
}

void TFormSettings::Hide() {
  TCustomForm::Hide();
  FWindow->Hide();
}

void TFormSettings::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TCustomForm::SetBounds(ALeft, ATop, AWidth, AHeight);
  FWindow->Move(ALeft, ATop);
}

void TFormSettings::GLScreenSaverStart(TObject*) { GLScreenSaver->LoadOptions(); }

void TFormSettings::GLScreenSaverRender(float, bool) {
  // Until the fireplace is drawn: a plain dark frame.
  glClearColor(0.05f, 0.03f, 0.02f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

}  // namespace emberhall
