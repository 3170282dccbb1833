// The settings dialog of the main form: its controls, filling them from the
// live objects, and the handlers that change those objects at once.
#include <algorithm>
#include <string>
#include <vector>

#include "ProjectPages.h"
#include "app/ExecutePro.h"
#include "fireplace/DialogLayout.h"
#include "fireplace/FAbout.h"
#include "fireplace/FSettings.h"
#include "fireplace/FlameClasses.h"
#include "fireplace/GLClock.h"
#include "platform/Controls.h"
#include "platform/SysUtils.h"
#include "scene/SceneFonts.h"
#include "scene/SceneTextures.h"

namespace emberhall {

namespace {

const char* const kDepthHint = "Set 16 bits for speedup";
const char* const kResolutionHint = "Set 640x480 for speedup";
const char* const kDesktopHint = "Set Color Depth and Resolution from Desktop";
const char* const kAccelerationHint = "Enable If Screen Saver runs without Acceleration";

const std::vector<std::string> kFireplaceItems = {"Vee type", "Rectangular type", "Cylindrical type"};
const std::vector<std::string> kFlameColorItems = {"Red Color", "Orange Color", "Yellow Color"};

// Bounds of a control relative to its parent, from its place on the client area.
template <class TControlClass, class... Args>
TControlClass* Place(TControl* Parent, const layout::TBox& Box, Args... args) {
  return new TControlClass(Parent, Box.Left - Parent->ClientLeft(), Box.Top - Parent->ClientTop(), Box.Width,
                           Box.Height, args...);
}

TPanel* Group(TControl* Parent, const layout::TBox& Box, const std::string& Caption) {
  TPanel* group = Place<TPanel>(Parent, Box, true);
  group->SetCaption(Caption);
  return group;
}

TLabel* Label(TControl* Parent, const layout::TBox& Box, const std::string& Caption,
              TLabel::TAlignment Alignment = TLabel::taLeftJustify) {
  TLabel* label = Place<TLabel>(Parent, Box, Alignment);
  label->SetCaption(Caption);
  return label;
}

// Runs at the end of a scope, also when it is left by an exception.
template <class F>
struct TFinally {
  F Run;
  ~TFinally() { Run(); }
};
template <class F>
TFinally(F) -> TFinally<F>;

}  // namespace

// ---- the controls ----

void TFormSettings::CreateControls() {
  TPanel* client = FWindow->Client();
  PanelPreview = FWindow->PreviewPanel();
  const TNotifyEvent checkBoxClick = [this](TObject* s) { CheckBoxClick(s); };
  const TNotifyEvent buttonClick = [this](TObject* s) { ButtonClick(s); };
  auto checkBox = [&](TControl* Parent, const layout::TBox& Box, const char* Caption, const char* Hint) {
    auto* box = Place<TCheckBox>(Parent, Box);
    box->SetCaption(Caption);
    if (Hint) box->SetHint(Hint);
    box->OnClick = checkBoxClick;
    return box;
  };
  auto button = [&](const layout::TBox& Box, const char* Caption) {
    auto* b = Place<TButton>(client, Box);
    b->SetCaption(Caption);
    b->OnClick = buttonClick;
    return b;
  };

  TPanel* graphic = Group(client, layout::GroupGraphic, "  Graphic options");
  Label(graphic, layout::LabelDepth, "Color Depth");
  ComboBoxDepth = Place<TComboBox>(graphic, layout::ComboBoxDepth);
  ComboBoxDepth->SetHint(kDepthHint);
  ComboBoxDepth->OnChange = [this](TObject* s) { ComboBoxDepthChange(s); };
  Label(graphic, layout::LabelResolution, "Screen Size");
  ComboBoxResolution = Place<TComboBox>(graphic, layout::ComboBoxResolution);
  ComboBoxResolution->SetHint(kResolutionHint);
  ComboBoxResolution->OnChange = [this](TObject* s) { ComboBoxResolutionChange(s); };
  CheckBoxDesktop = checkBox(graphic, layout::CheckBoxDesktop, "Desktop Resolution", kDesktopHint);
  CheckBoxWaitSync = checkBox(graphic, layout::CheckBoxWaitSync, "Wait Sync", kDesktopHint);
  CheckBoxTrueTexturers = checkBox(graphic, layout::CheckBoxTrueTexturers, "True Color Textures", kAccelerationHint);
  CheckBoxSoftware = checkBox(graphic, layout::CheckBoxSoftware, "Software Rendering", kAccelerationHint);
  CheckBoxWideScreen = checkBox(graphic, layout::CheckBoxWideScreen, "WideScreen (16:9)", kAccelerationHint);
  CheckBoxFPS = checkBox(graphic, layout::CheckBoxFPS, "Display FPS", kAccelerationHint);

  TPanel* system = Group(client, layout::GroupSystem, "  System options");
  CheckBoxMouseMove = checkBox(system, layout::CheckBoxMouseMove, "Exit on Mouse Move", kAccelerationHint);
  CheckBoxRunAsProg = checkBox(system, layout::CheckBoxRunAsProg, "Run As Program", kAccelerationHint);

  CreateClockAndSoundControls(client);
  CreateFlameControls(client);

  ButtonPreview = button(layout::ButtonPreview, "Preview");
  ButtonAbout = button(layout::ButtonAbout, "About");
  ButtonHelp = button(layout::ButtonHelp, "Help");
  ButtonFeedBack = button(layout::ButtonFeedBack, "Newslatter");
  ButtonFeedBack->SetVisible(*ProjectNewsletterPage != '\0');
  ButtonOk = button(layout::ButtonOk, "OK");
  ButtonOk->SetDefault(true);
  ButtonCancel = button(layout::ButtonCancel, "Cancel");
  OnShow = [this](TObject* s) { FormShow(s); };
}

void TFormSettings::CreateClockAndSoundControls(TControl* Client) {
  TPanel* clock = Group(Client, layout::GroupClock, "  Clock Options");
  const TNotifyEvent clockClick = [this](TObject* s) { RadioButtonClockClick(s); };
  auto radio = [&](const layout::TBox& Box, const char* Caption, int Tag) {
    auto* r = Place<TRadioButton>(clock, Box);
    r->SetCaption(Caption);
    r->Tag = Tag;
    r->OnClick = clockClick;
    return r;
  };
  RadioButtonClockNone = radio(layout::RadioButtonClockNone, "None", 0);
  RadioButton24Hour = radio(layout::RadioButton24Hour, "24-Hour", 1);
  RadioButton12Hour = radio(layout::RadioButton12Hour, "12-Hour", 2);

  TPanel* sound = Group(Client, layout::GroupSound, "  Sound options");
  CheckBoxSound = Place<TCheckBox>(sound, layout::CheckBoxSound);
  CheckBoxSound->SetCaption("Enable Sound");
  CheckBoxSound->OnClick = [this](TObject* s) { CheckBoxSoundClick(s); };
}

void TFormSettings::CreateFlameControls(TControl* Client) {
  TPanel* firebox = Group(Client, layout::GroupFirebox, "  Firebox Style");
  ComboBoxFireplace = Place<TComboBox>(firebox, layout::ComboBoxFireplace);
  ComboBoxFireplace->SetItems(kFireplaceItems);
  ComboBoxFireplace->OnChange = [this](TObject* s) { ComboBoxFireplaceChange(s); };

  TPanel* color = Group(Client, layout::GroupFlameColor, "  Flame Color");
  ComboBoxFlameColor = Place<TComboBox>(color, layout::ComboBoxFlameColor);
  ComboBoxFlameColor->SetItems(kFlameColorItems);
  ComboBoxFlameColor->OnChange = [this](TObject* s) { ComboBoxFlameColorChange(s); };

  TPanel* width = Group(Client, layout::GroupFlameWidth, "  Flame Width");
  TrackBarFlameWidth = Place<TTrackBar>(width, layout::TrackBarFlameWidth);
  TrackBarFlameWidth->SetRange(50, 100);
  TrackBarFlameWidth->SetFrequency(5);
  TrackBarFlameWidth->OnChange = [this](TObject* s) { TrackBarFlameWidthChange(s); };
  Label(width, layout::LabelWidthMin, "50%");
  LabelFlameWidth = Label(width, layout::LabelFlameWidth, "", TLabel::taCenter);
  Label(width, layout::LabelWidthMax, "100%", TLabel::taRightJustify);

  TPanel* decay = Group(Client, layout::GroupFlameDecay, "  Flame Decay");
  TrackBarFlameDecay = Place<TTrackBar>(decay, layout::TrackBarFlameDecay);
  TrackBarFlameDecay->SetRange(1, 5);
  TrackBarFlameDecay->SetFrequency(1);
  TrackBarFlameDecay->OnChange = [this](TObject* s) { TrackBarFlameDecayChange(s); };
  Label(decay, layout::LabelDecayMin, "1");
  LabelFlameDecay = Label(decay, layout::LabelFlameDecay, "", TLabel::taCenter);
  Label(decay, layout::LabelDecayMax, "5", TLabel::taRightJustify);
}

// ---- filling ----

void TFormSettings::SetFormEnabled(bool Value) {
  Enabled = Value;
  FWindow->SetEnabled(Value);
}

void TFormSettings::FillDialog() {
  DialogReady = false;
  SetFormEnabled(false);
  TFinally ready{[this] {
    DialogReady = true;
    SetFormEnabled(true);
  }};
  FillModeLists();
  CheckBoxDesktop->SetChecked(GLDisplay->DesktopOnly);
  CheckBoxTrueTexturers->SetChecked(SceneTextures && SceneTextures->ColorBit == cb32Bit);
  FWindow->SetCaption(GLScreenSaver->Title + " v" + GLScreenSaver->VersionText());
  TCustomAppOpenGL& context = *GLScreenSaver->Context;
  CheckBoxWaitSync->SetChecked(context.SwapInterval != 0);
  CheckBoxSoftware->SetEnabled(context.HasAcceleratedFormats());
  CheckBoxSoftware->SetChecked(context.IsGeneric());
  CheckBoxMouseMove->SetChecked(GLScreenSaver->MouseMoveExit);
  CheckBoxRunAsProg->SetChecked(GLScreenSaver->RunAsProgram);
  CheckBoxWideScreen->SetChecked(GLScreenSaver->Viewport->WideScreen);
  ComboBoxDepth->SetEnabled(!CheckBoxDesktop->Checked());
  ComboBoxResolution->SetEnabled(!CheckBoxDesktop->Checked());
  ComboBoxFireplace->SetEnabled(true);
  ComboBoxFlameColor->SetEnabled(true);
  const TGLClock* clock = Clock();
  const int32_t clockMode = clock ? clock->ClockMode : 0;
  RadioButtonClockNone->SetChecked(clockMode == 0);
  RadioButton24Hour->SetChecked(clockMode == 1);
  RadioButton12Hour->SetChecked(clockMode == 2);
  CheckBoxFPS->SetChecked(FPSText && FPSText->Visible);
  FillFlameControls();
  CheckBoxSound->SetChecked(CrackleSound);
}

void TFormSettings::FillModeLists() {
  std::vector<std::string> items;
  GLDisplay->FillDepthList(items);
  ComboBoxDepth->SetItems(items);
  items.clear();
  GLDisplay->FillSizeList(items);
  ComboBoxResolution->SetItems(items);
  ComboBoxDepth->SetItemIndex(GLDisplay->DepthIndex());
  ComboBoxResolution->SetItemIndex(GLDisplay->SizeIndex());
}

// A stored value outside what a control offers shows as the nearest value
// it offers, and that value is put into effect, so OK stores what is shown.
void TFormSettings::FillFlameControls() {
  ComboBoxFireplace->SetItems(kFireplaceItems);
  const int32_t last = static_cast<int32_t>(kFireplaceItems.size()) - 1;
  const int32_t fireplace = std::clamp<int32_t>(FireplaceIndex, 0, last);
  if (fireplace != FireplaceIndex) SelectFireplace(fireplace);
  ComboBoxFireplace->SetItemIndex(fireplace);

  ComboBoxFlameColor->SetItems(kFlameColorItems);
  const int32_t color = std::clamp<int32_t>(FlameColorIndex, 0, static_cast<int32_t>(kFlameColorItems.size()) - 1);
  if (color != FlameColorIndex) SelectFlameColor(color);
  ComboBoxFlameColor->SetItemIndex(color);
  SetClockColor(FlameColorIndex);

  const int widthPosition = WidthPosition(Flame->FlameWidth);
  TrackBarFlameWidth->SetPosition(widthPosition);
  if (TrackBarFlameWidth->Position() != widthPosition) Flame->SetFlameWidth(FlameWidthAt(TrackBarFlameWidth->Position()));
  TrackBarFlameDecay->SetPosition(Flame->Decay);
  if (TrackBarFlameDecay->Position() != Flame->Decay) Flame->Decay = TrackBarFlameDecay->Position();
  LabelFlameWidth->SetCaption(IntToStr(TrackBarFlameWidth->Position()) + "%");
  LabelFlameDecay->SetCaption(IntToStr(TrackBarFlameDecay->Position()));
}

void TFormSettings::FormShow(TObject*) {
  if (GLScreenSaver->Mode == smNone || GLScreenSaver->Mode == smConfigure) GLScreenSaver->CenterMainForm();
}

// ---- change handlers ----

void TFormSettings::ComboBoxDepthChange(TObject*) {
  if (!DialogReady) return;
  GLDisplay->GetFullScreenMode().SetDepthText(ComboBoxDepth->Text());
  std::vector<std::string> sizes;
  GLDisplay->FillSizeList(sizes);
  ComboBoxResolution->SetItems(sizes);
  ComboBoxResolution->SetItemIndex(GLDisplay->SizeIndex());
}

void TFormSettings::ComboBoxResolutionChange(TObject*) {
  if (!DialogReady) return;
  GLDisplay->GetFullScreenMode().SetSizeText(ComboBoxResolution->Text());
}

void TFormSettings::CheckBoxClick(TObject* Sender) {
  if (!DialogReady) return;
  auto* box = static_cast<TCheckBox*>(Sender);
  const bool checked = box->Checked();
  TCustomAppOpenGL& context = *GLScreenSaver->Context;
  if (box == CheckBoxDesktop) {
    GLDisplay->DesktopOnly = checked;
    ComboBoxDepth->SetEnabled(!checked);
    ComboBoxResolution->SetEnabled(!checked);
    // The desktop's depth may differ from the chosen one: the sizes follow the depth shown.
    FillModeLists();
  } else if (box == CheckBoxWaitSync) {
    context.SwapInterval = checked ? 1 : 0;
  } else if (box == CheckBoxTrueTexturers) {
    if (!SceneTextures) return;
    SceneTextures->ColorBit = checked ? cb32Bit : cb16Bit;
    SceneTextures->UpdateTextureSettings();
  } else if (box == CheckBoxSoftware) {
    context.SetGeneric(checked);
  } else if (box == CheckBoxRunAsProg) {
    GLScreenSaver->RunAsProgram = checked;
  } else if (box == CheckBoxMouseMove) {
    GLScreenSaver->MouseMoveExit = checked;
  } else if (box == CheckBoxFPS) {
    if (FPSText) FPSText->SetVisible(checked);
  } else if (box == CheckBoxWideScreen) {
    SetWideScale(checked ? kWideScreenScale : 1.0f);
    // What the preview shows is what OK stores.
    GLScreenSaver->Viewport->WideScreen = checked;
  }
}

void TFormSettings::RadioButtonClockClick(TObject* Sender) {
  if (TGLClock* clock = Clock()) clock->SetClockMode(static_cast<TRadioButton*>(Sender)->Tag);
}

void TFormSettings::ComboBoxFireplaceChange(TObject*) {
  if (!DialogReady) return;
  SelectFireplace(ComboBoxFireplace->ItemIndex());
}

void TFormSettings::ComboBoxFlameColorChange(TObject*) {
  if (!DialogReady) return;
  SelectFlameColor(ComboBoxFlameColor->ItemIndex());
  SetClockColor(ComboBoxFlameColor->ItemIndex());
}

void TFormSettings::TrackBarFlameWidthChange(TObject*) {
  if (!DialogReady) return;
  Flame->SetFlameWidth(FlameWidthAt(TrackBarFlameWidth->Position()));
  LabelFlameWidth->SetCaption(IntToStr(TrackBarFlameWidth->Position()) + "%");
}

void TFormSettings::TrackBarFlameDecayChange(TObject*) {
  if (!DialogReady) return;
  Flame->Decay = TrackBarFlameDecay->Position();
  LabelFlameDecay->SetCaption(IntToStr(TrackBarFlameDecay->Position()));
}

void TFormSettings::CheckBoxSoundClick(TObject*) {
  if (!DialogReady) return;
  CrackleSound = CheckBoxSound->Checked();
  if (CrackleSound) {
    PlayCrackle();
  } else {
    StopCrackle();
  }
}

// ---- buttons ----

void TFormSettings::ButtonClick(TObject* Sender) {
  if (Sender == ButtonPreview) {
    GLDisplay->SetFullScreen(true);
  } else if (Sender == ButtonAbout) {
    ShowAboutBox();
  } else if (Sender == ButtonHelp) {
    GLScreenSaver->ShowHelp();
  } else if (Sender == ButtonOk) {
    GLScreenSaver->SaveOptions();
    Close();
  } else if (Sender == ButtonCancel) {
    Close();
  } else if (Sender == ButtonFeedBack) {
    OpenWebPage(ProjectNewsletterPage);
  }
}

void TFormSettings::ShowAboutBox() {
  TAboutBox box(FWindow.get(), GLScreenSaver->Title);
  box.WebPage = ProjectWebPage;
  box.SetPicture(CapturePreview(*GLScreenSaver));
  box.ShowAbout(GLScreenSaver->VersionText(), AboutComments(*GLScreenSaver->Context));
}

}  // namespace emberhall
