#include "fireplace/FSettings.h"

#include <algorithm>
#include <cstdio>

#include "app/SimpleSound.h"
#include "fireplace/FlameClasses.h"
#include "fireplace/FlameTexture.h"
#include "fireplace/GLClock.h"
#include "gl/OGL.h"
#include "platform/Services.h"
#include "platform/SysUtils.h"
#include "scene/RenderCaches.h"
#include "scene/SceneFonts.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneObjects.h"
#include "scene/SceneTextures.h"
#include "scene/SceneVisuals.h"

namespace emberhall {

namespace {

constexpr const char* kSceneSource = "fireplace.gsc";
// The flame's palette gives its cold cells an alpha of 160 of 255 (and 80
// around heat 256): blended as they are, they lay a dark veil over the back
// wall. The alpha test drops every cell below this, so only the burning
// part of the sheet is drawn.
constexpr float kFlameAlphaCut = 0.64f;

// The hourglass while the scene is built, the default pointer afterwards,
// also when the start fails.
class TBusyCursor {
 public:
  TBusyCursor() { Platform().Cursor->SetBusy(true); }
  ~TBusyCursor() { Platform().Cursor->SetBusy(false); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// The object Name of Scene as a T; one that is missing or of another class
// ends the start with a message that names what the description lacks.
template <class T>
T* RequiredObject(TMainScene& Scene, const std::string& Name, const char* ClassName) {
  TMainObject* found = Scene.FindByName(Name);
  if (auto* object = dynamic_cast<T*>(found)) return object;
  const std::string message = "scene description " + Scene.SourceName + " has no " + ClassName + " named " + Name;
  if (found) throw EInvalidCast(message);
  throw Exception(message);
}

}  // namespace

TFormSettings::TFormSettings(TComponent* AOwner) : TCustomForm(AOwner) {
  Name = "FormSettings";
  Width = 608;
  Height = 399;
  FWindow = CreateFormWindow("Emberhall", Width, Height, 8, 8, 322, 242);
  FToolkitSource = CreateToolkitMessageSource();
  FWindow->OnCloseRequest = [this] { Close(); };
  if (Application) Application->AddMessageSource(FToolkitSource.get());

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
  host.OnStop = [this](TObject* s) { GLScreenSaverStop(s); };
  host.OnStartOpenGL = [this](TObject* s) { GLScreenSaverStartOpenGL(s); };
  host.OnStopOpenGL = [this](TObject* s) { GLScreenSaverStopOpenGL(s); };
  host.OnRender = [this](float dt, bool select) { GLScreenSaverRender(dt, select); };
  host.OnResizeViewport = [this](int w, int h) { GLScreenSaverResizeViewport(w, h); };
  host.OnFPSChanged = [this](TObject* s) { GLScreenSaverFPSChanged(s); };
  host.OnLoadOptions = [this](TObject* s) { GLScreenSaverLoadOptions(s); };
  host.OnSaveOptions = [this](TObject* s) { GLScreenSaverSaveOptions(s); };
  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnCloseQuery = [this](TObject* s, bool& canClose) { FormCloseQuery(s, canClose); };
  CreateControls();
}

TFormSettings::~TFormSettings() {
  // A run whose start failed never stopped: the scene goes before the
  // context whose objects it refers to.
  ReleaseController();
  DestroyComponents();
  if (Application) Application->RemoveMessageSource(FToolkitSource.get());
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

// ---- the controller ----

void TFormSettings::FormCreate(TObject*) {
  WideScale = 1.0f;
  Flame = std::make_unique<TFlame2D>();
  Sound = std::make_unique<TSimpleSound>();
  Sound->FileName = "./Scenes/fireplace.wav";
  Sound->Looping = true;
  Sound->FromResource = true;
}

void TFormSettings::GLScreenSaverStart(TObject*) {
  TBusyCursor busy;
  TGLScreenSaver& host = *GLScreenSaver;
  RegisterSceneClasses();
  RegisterClockClass();
  auto scene = std::make_unique<TMainScene>();
  scene->OpenGL = host.Context.get();
  scene->Viewport = host.Viewport.get();
  scene->Path = host.ProgramDirectory + "Scenes/";
  scene->Scrambled = true;
  scene->SourceName = kSceneSource;
  scene->SourceLocation = slResource;
  scene->LoadSource();
  FindSceneObjects(*scene);
  Scene = std::move(scene);
  SceneTextures = dynamic_cast<TSceneTextureList*>(Scene->FindByName("Textures"));
  FFlameTexture = SceneTextures->FindTexture("FLAME.jpg");

  auto font = std::make_unique<TSceneFont>();
  font->SetName("Font");
  Scene->AddWithOptions(font.get(), 0);
  SceneFont = font.release();
  auto fps = std::make_unique<TSceneString>();
  fps->SetName("FPS");
  fps->Font = SceneFont;
  fps->SetVisible(false);
  Scene->AddWithOptions(fps.get(), poRender);
  FPSText = fps.release();

  host.LoadOptions();
  if (host.Mode == smNone || host.Mode == smConfigure) {
    FillDialog();
    host.CheckAcceleration();
  }
}

void TFormSettings::FindSceneObjects(TMainScene& AScene) {
  FFireplace = nullptr;
  FMeshes = nullptr;
  FClock = nullptr;
  RequiredObject<TSceneTextureList>(AScene, "Textures", "TSceneTextureList");
  auto* fireplace = RequiredObject<TMainVisualObject>(AScene, "Fireplace", "TMainVisualObject");
  auto* meshes = RequiredObject<TSceneMeshList>(AScene, "Meshes", "TSceneMeshList");
  auto* clock = RequiredObject<TGLClock>(AScene, "GLClock", "TGLClock");
  FFireplace = fireplace;
  FMeshes = meshes;
  FClock = clock;
}

void TFormSettings::GLScreenSaverStartOpenGL(TObject*) {
  // A new context holds nothing that the render-state caches remember.
  ResetRenderCaches();
  PlayCrackle();
  if (SceneFont) SceneFont->Build();
}

void TFormSettings::GLScreenSaverResizeViewport(int Width, int Height) {
  if (!Scene) return;
  Scene->Width = Width;
  Scene->Height = Height;
  FPSText->SetPosition(16, Height - 32);
}

void TFormSettings::GLScreenSaverRender(float DeltaTime, bool) {
  if (!Scene || !Flame) return;
  // A frame of several pictures (one per monitor) burns and animates once:
  // the later pictures draw the same moment.
  const bool firstPicture = GLScreenSaver->FramePicture == 0;
  if (firstPicture) {
    Flame->Update(DeltaTime);
    UpdateFlameTexture(*Scene, *Flame);  // binds the flame's texture past the caches
  }
  ForgetSceneTextureAndMaterial();
  // Set again each frame: a change of the texture settings re-creates it.
  if (FFlameTexture && FFlameTexture->Texture) FFlameTexture->Texture->AlphaReference = kFlameAlphaCut;
  TCustomOpenGL& gl = *GLScreenSaver->Context;
  gl.SetDepthTest(false);
  gl.SetCullFace(true);
  gl.SetLighting(true);
  if (firstPicture) {
    Scene->Process(DeltaTime);
  } else {
    Scene->Render();
  }
}

void TFormSettings::GLScreenSaverFPSChanged(TObject*) {
  if (!FPSText) return;
  char text[24];
  std::snprintf(text, sizeof text, "%d fps", static_cast<int>(GLScreenSaver->GetFPS()));
  FPSText->Text = text;
}

void TFormSettings::GLScreenSaverStopOpenGL(TObject*) {
  if (SceneFont) SceneFont->Release();
  StopCrackle();
}

void TFormSettings::GLScreenSaverStop(TObject*) {
  if (Sound) Sound->Stop();
  ReleaseController();
}

void TFormSettings::ReleaseController() {
  Sound.reset();
  Flame.reset();
  FFireplace = nullptr;
  FMeshes = nullptr;
  FClock = nullptr;
  SceneTextures = nullptr;
  FFlameTexture = nullptr;
  SceneFont = nullptr;
  FPSText = nullptr;
  Scene.reset();
}

void TFormSettings::FormCloseQuery(TObject*, bool&) { StopCrackle(); }

// ---- stored settings ----

void TFormSettings::GLScreenSaverLoadOptions(TObject*) {
  if (!Scene) return;  // they apply to the scene, which the start builds first
  TGLScreenSaver& host = *GLScreenSaver;
  host.ScrambledNames = false;
  host.SetMachineWide(false);
  if (host.Mode == smPreview) {
    // The small preview shows neither.
    FPSText->SetVisible(false);
    FClock->SetClockMode(0);
  } else {
    FPSText->SetVisible(host.ReadOptionBool("FPS", false));
    FClock->SetClockMode(host.ReadOptionInteger("ClockMode", 0));
  }
  SceneTextures->ColorBit = StrToTextureColorBit(host.ReadOptionString("Texture ColorBit", "32bit"));
  SceneTextures->MipMap = host.ReadOptionBool("MipMap", false);
  Flame->SetFlameWidth(host.ReadOptionInteger("FlameWidth", Flame->FlameWidth));
  Flame->Decay = host.ReadOptionInteger("FlameDecay", Flame->Decay);
  FlameColorIndex = host.ReadOptionInteger("FlameColorIndex", FlameColorIndex);
  FireplaceIndex = host.ReadOptionInteger("FireplaceIndex", 0);
  // In the dialog a hand-edited index beyond the styles shows as the nearest
  // one (and OK stores that); a run without the dialog refuses it.
  const bool dialog = host.Mode == smNone || host.Mode == smConfigure;
  SelectFireplace(dialog ? std::clamp<int32_t>(FireplaceIndex, 0, std::max(0, FMeshes->GetCount() - 1)) : FireplaceIndex);
  SelectFlameColor(FlameColorIndex);
  // The clock's digits match the flame in every run, not only in the dialog.
  SetClockColor(FlameColorIndex);
  CrackleSound = host.ReadOptionBool("CrackleSound", true);
  // A stored wide screen has the firebox textures of the dialog's box, so that
  // every run shows what the preview showed before OK.
  const float wideScale = host.Viewport->WideScreen ? kWideScreenScale : 1.0f;
  if (wideScale != WideScale) SetWideScale(wideScale);
  if (!dialog) ApplyRunOptions(RunOptions());
}

// The options of one run override what is stored, except in the dialog, whose
// OK would store them. A daemon's hack is silent unless --sound asks.
void TFormSettings::ApplyRunOptions(const TRunOptions& Run) {
  const bool daemon = GLScreenSaver->Mode == smDaemonWindow;
  if (GLScreenSaver->Mode != smPreview) {
    if (Run.ShowFPS) FPSText->SetVisible(*Run.ShowFPS);
    if (Run.ClockMode) FClock->SetClockMode(*Run.ClockMode);
  }
  if (Run.FlameWidthPercent) Flame->SetFlameWidth(FlameWidthAt(*Run.FlameWidthPercent));
  if (Run.FlameDecay) Flame->Decay = *Run.FlameDecay;
  if (Run.FireplaceIndex) SelectFireplace(*Run.FireplaceIndex);
  if (Run.FlameColorIndex) {
    SelectFlameColor(*Run.FlameColorIndex);
    SetClockColor(*Run.FlameColorIndex);
  }
  CrackleSound = Run.CrackleSound.value_or(daemon ? false : CrackleSound);
}

void TFormSettings::GLScreenSaverSaveOptions(TObject*) {
  if (!Scene) return;
  TGLScreenSaver& host = *GLScreenSaver;
  host.ScrambledNames = false;
  host.SetMachineWide(false);
  host.WriteOptionBool("FPS", FPSText->Visible);
  host.WriteOptionString("Texture ColorBit", SceneTextures->ColorBit == cb16Bit ? "16bit" : "32bit");
  host.WriteOptionBool("MipMap", SceneTextures->MipMap);
  host.WriteOptionInteger("ClockMode", FClock->ClockMode);
  host.WriteOptionInteger("FlameWidth", Flame->FlameWidth);
  host.WriteOptionInteger("FlameDecay", Flame->Decay);
  host.WriteOptionInteger("FlameColorIndex", FlameColorIndex);
  host.WriteOptionInteger("FireplaceIndex", FireplaceIndex);
  host.WriteOptionBool("CrackleSound", CrackleSound);
}

// ---- what the controller applies to the scene ----

void TFormSettings::SelectFireplace(int32_t Index) {
  FFireplace->Visual = FMeshes->GetItem(Index);
  FireplaceIndex = Index;
}

void TFormSettings::SelectFlameColor(int32_t Index) {
  Flame->SetFlameColor(Index);
  FlameColorIndex = Index;
}

void TFormSettings::SetClockColor(int32_t Index) {
  static constexpr uint8_t kGreen[] = {80, 120, 160};  // deep orange, orange, amber
  const int32_t i = Index % 3;
  if (i < 0 || !FClock) return;
  FClock->Color = PackRGBA(255, kGreen[i], 0, 255);
}

void TFormSettings::SetWideScale(float Scale) {
  for (int index = 0; index < 3; ++index) {
    auto* mesh = dynamic_cast<TSceneMesh*>(FMeshes->GetItem(index));
    if (!mesh) continue;
    mesh->EnsureLoaded();
    for (TMeshGroup* group : mesh->OpaqueGroups.Items) {
      if (!group->Primitive) continue;
      TGLTextureCoordDArray& coords = group->Primitive->GetTextureCoords(0);
      TGLTextureCoord* c = coords.Items();
      for (int32_t k = 0; k < coords.Count; ++k) c[k].S = c[k].S * Scale / WideScale;
    }
  }
  WideScale = Scale;
}

void TFormSettings::PlayCrackle() {
  if (CrackleSound && Sound) Sound->Play();
}

void TFormSettings::StopCrackle() {
  if (Sound) Sound->Stop();
}

}  // namespace emberhall
