// The main form: the settings dialog with its preview panel, owner of the
// OpenGL window, the display and the screensaver host (created last), and
// the controller of the fireplace picture: it owns the scene, the flame and
// the crackle sound and answers the host's events with the fireplace's work.
#pragma once

#include <memory>

#include "app/GLScreenSaver.h"
#include "app/RunOptions.h"
#include "platform/Forms.h"
#include "platform/FormWindow.h"

namespace emberhall {

class TFlame2D;
class TSimpleSound;
class TMainScene;
class TSceneTextureList;
class TSceneFont;
class TSceneString;
class TGLClock;
class TMainVisualObject;
class TSceneMeshList;
class TSceneTexture;

// The dialog's controls (thin wrappers over the platform's toolkit).
class TCheckBox;
class TComboBox;
class TRadioButton;
class TTrackBar;
class TLabel;
class TButton;
class TPanel;
class TControl;

class TFormSettings : public TCustomForm {
 public:
  explicit TFormSettings(TComponent* AOwner);
  ~TFormSettings() override;

  // Shows the dialog unless the host hid the form, then gives the OpenGL
  // window its handle (in the panel, full screen, or in the preview parent).
  void Show() override;
  void Hide() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // ---- components, in resource order (the host last) ----
  TGLWindow* GLWindow = nullptr;
  TGLDisplay* GLDisplay = nullptr;
  TGLScreenSaver* GLScreenSaver = nullptr;

  // ---- the dialog's controls (owned by the form's window) ----
  TPanel* PanelPreview = nullptr;
  TComboBox* ComboBoxDepth = nullptr;
  TComboBox* ComboBoxResolution = nullptr;
  TCheckBox* CheckBoxDesktop = nullptr;
  TCheckBox* CheckBoxWaitSync = nullptr;
  TCheckBox* CheckBoxTrueTexturers = nullptr;
  TCheckBox* CheckBoxSoftware = nullptr;
  TCheckBox* CheckBoxWideScreen = nullptr;
  TCheckBox* CheckBoxFPS = nullptr;
  TCheckBox* CheckBoxMouseMove = nullptr;
  TCheckBox* CheckBoxRunAsProg = nullptr;
  TRadioButton* RadioButtonClockNone = nullptr;
  TRadioButton* RadioButton24Hour = nullptr;
  TRadioButton* RadioButton12Hour = nullptr;
  TComboBox* ComboBoxFireplace = nullptr;
  TComboBox* ComboBoxFlameColor = nullptr;
  TTrackBar* TrackBarFlameWidth = nullptr;
  TLabel* LabelFlameWidth = nullptr;
  TTrackBar* TrackBarFlameDecay = nullptr;
  TLabel* LabelFlameDecay = nullptr;
  TCheckBox* CheckBoxSound = nullptr;
  TButton* ButtonPreview = nullptr;
  TButton* ButtonAbout = nullptr;
  TButton* ButtonHelp = nullptr;
  TButton* ButtonFeedBack = nullptr;
  TButton* ButtonOk = nullptr;
  TButton* ButtonCancel = nullptr;

  // ---- controller state ----
  std::unique_ptr<TMainScene> Scene;
  TSceneTextureList* SceneTextures = nullptr;  // the scene's "Textures"
  TSceneFont* SceneFont = nullptr;              // "Font", owned by the scene
  std::unique_ptr<TFlame2D> Flame;
  std::unique_ptr<TSimpleSound> Sound;
  TSceneString* FPSText = nullptr;  // "FPS", owned by the scene
  bool DialogReady = false;
  int32_t FlameColorIndex = 0;
  int32_t FireplaceIndex = 0;
  bool CrackleSound = true;
  float WideScale = 1.0f;

  // ---- handlers of the host's and the form's events ----
  void FormCreate(TObject* Sender);
  void GLScreenSaverStart(TObject* Sender);
  void GLScreenSaverStartOpenGL(TObject* Sender);
  void GLScreenSaverResizeViewport(int Width, int Height);
  void GLScreenSaverRender(float DeltaTime, bool Select);
  void GLScreenSaverFPSChanged(TObject* Sender);
  void GLScreenSaverStopOpenGL(TObject* Sender);
  void GLScreenSaverStop(TObject* Sender);
  void GLScreenSaverLoadOptions(TObject* Sender);
  void ApplyRunOptions(const TRunOptions& Run);
  void GLScreenSaverSaveOptions(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormShow(TObject* Sender);

  // ---- the controller's own operations ----
  void SelectFireplace(int32_t Index);
  void SelectFlameColor(int32_t Index);
  void SetClockColor(int32_t Index);
  void SetWideScale(float Scale);
  void PlayCrackle();
  void StopCrackle();
  // The scene's clock "GLClock".
  TGLClock* Clock() const { return FClock; }
  // Finds the objects of AScene that the controller needs ("Textures",
  // "Fireplace", "Meshes", "GLClock"); one that is missing or of another
  // class raises an error naming it, and nothing is kept then.
  void FindSceneObjects(TMainScene& AScene);

  // ---- the dialog ----
  void FillDialog();
  void ButtonClick(TObject* Sender);
  void CheckBoxClick(TObject* Sender);
  void ComboBoxDepthChange(TObject* Sender);
  void ComboBoxResolutionChange(TObject* Sender);
  void RadioButtonClockClick(TObject* Sender);
  void ComboBoxFireplaceChange(TObject* Sender);
  void ComboBoxFlameColorChange(TObject* Sender);
  void TrackBarFlameWidthChange(TObject* Sender);
  void TrackBarFlameDecayChange(TObject* Sender);
  void CheckBoxSoundClick(TObject* Sender);

 private:
  // Frees the sound, the flame and the scene, and forgets what pointed into it.
  void ReleaseController();
  // The dialog's own steps (FSettingsDialog.cpp).
  void CreateControls();
  void CreateClockAndSoundControls(TControl* Client);
  void CreateFlameControls(TControl* Client);
  void SetFormEnabled(bool Value);
  void FillModeLists();
  void FillFlameControls();
  void ShowAboutBox();

  std::unique_ptr<TFormWindow> FWindow;
  std::unique_ptr<IMessageSource> FToolkitSource;
  TMainVisualObject* FFireplace = nullptr;  // the scene's "Fireplace"
  TSceneMeshList* FMeshes = nullptr;        // the scene's "Meshes"
  TGLClock* FClock = nullptr;               // the scene's "GLClock"
  TSceneTexture* FFlameTexture = nullptr;   // "FLAME.jpg" of "Textures", if any
};

// The firebox texture scale that goes with the "WideScreen (16:9)" setting.
inline constexpr float kWideScreenScale = 16.0f / 9.0f;

// The width track bar (and --flame-width) shows 50..100 % for 120..220 flame cells.
inline int WidthPosition(int32_t FlameWidth) { return (FlameWidth - 120) * 50 / 100 + 50; }
inline int32_t FlameWidthAt(int Position) { return (Position - 50) * 100 / 50 + 120; }

}  // namespace emberhall
