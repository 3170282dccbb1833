// Dialog controls: thin wrappers that keep a control's state (caption, hint,
// tag, enabled, checked, items, position) and mirror it into the toolkit's
// widget when one exists. Without a display they work on their state alone,
// so the dialog's logic runs the same with and without a screen.
//
// Setting Checked or Position fires OnClick or OnChange when the value
// changes, as a user's click or drag does; setting ItemIndex of a combo box
// fires nothing (only the user's choice fires OnChange).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Forms.h"

namespace emberhall {

// The toolkit's widget of a control, defined by the backend.
struct TNativeControl;

class TControl : public TObject {
 public:
  ~TControl() override;
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  TControl* Parent() const { return FParent; }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  // Shown as a tooltip.
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  // The control takes input only when it and all its parents are enabled.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The control's position on the client area of its window.
  int ClientLeft() const { return FLeft + (FParent ? FParent->ClientLeft() : 0); }
  int ClientTop() const { return FTop + (FParent ? FParent->ClientTop() : 0); }

  int Tag = 0;

  TNativeControl* Native() const { return FNative.get(); }
  const std::vector<std::unique_ptr<TControl>>& Children() const { return FChildren; }

 protected:
  // Bounds relative to the parent, which owns the new control.
  TControl(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  // The window's client area or another container the toolkit made.
  TControl(std::unique_ptr<TNativeControl> ANative, int AWidth, int AHeight);
  void SetNative(std::unique_ptr<TNativeControl> ANative);

 private:
  TControl* FParent = nullptr;
  std::vector<std::unique_ptr<TControl>> FChildren;
  std::unique_ptr<TNativeControl> FNative;
  std::string FCaption, FHint;
  bool FEnabled = true, FVisible = true;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
};

// A container: a plain area, or a framed group box with its caption.
class TPanel : public TControl {
 public:
  TPanel(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight, bool Framed);
  TPanel(std::unique_ptr<TNativeControl> ANative, int AWidth, int AHeight);
  // The background colour as 0xRRGGBB.
  void SetColor(uint32_t RGB);
};

// A picture, scaled to the control's size.
class TImage : public TControl {
 public:
  TImage(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  // RGB rows of Width x Height pixels, bottom row first (as OpenGL reads them).
  void SetPicture(int Width, int Height, const std::vector<uint8_t>& RGB);
  bool HasPicture() const { return FHasPicture; }

 private:
  bool FHasPicture = false;
};

class TLabel : public TControl {
 public:
  enum TAlignment { taLeftJustify, taCenter, taRightJustify };
  TLabel(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight, TAlignment Alignment = taLeftJustify);
  // A label that looks and acts as a link: OnClick on a click.
  void SetLink(bool Value);
  TNotifyEvent OnClick;
};

class TButton : public TControl {
 public:
  TButton(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  // The user's click, or Click().
  void Click();
  // Enter presses the default button of its window.
  void SetDefault(bool Value);
  TNotifyEvent OnClick;
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  // The user's click: toggles Checked (which fires OnClick).
  void Click();
  TNotifyEvent OnClick;

 private:
  bool FChecked = false;
};

// Radio buttons of one parent exclude each other.
class TRadioButton : public TControl {
 public:
  TRadioButton(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  bool Checked() const { return FChecked; }
  // Checking one clears its siblings; OnClick fires for the newly checked one.
  void SetChecked(bool Value);
  void Click() { SetChecked(true); }
  TNotifyEvent OnClick;

 private:
  void SetState(bool Value);
  bool FChecked = false;
};

// A drop-down list to choose one of its items from.
class TComboBox : public TControl {
 public:
  TComboBox(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  const std::vector<std::string>& Items() const { return FItems; }
  // Replaces the items; nothing is selected afterwards.
  void SetItems(const std::vector<std::string>& Items);
  // -1 for no selection; an index outside the items selects nothing.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int Value);
  // The selected item's text, empty without a selection.
  std::string Text() const;
  // The user's choice of an item: selects it and fires OnChange.
  void Choose(int Index);
  TNotifyEvent OnChange;

 private:
  std::vector<std::string> FItems;
  int FItemIndex = -1;
};

class TTrackBar : public TControl {
 public:
  TTrackBar(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  // Max below Min is raised to Min; Position is kept inside.
  void SetRange(int AMin, int AMax);
  int Position() const { return FPosition; }
  // Kept inside Min..Max; fires OnChange when the position changes.
  void SetPosition(int Value);
  // Tick marks every Frequency positions (0: none).
  void SetFrequency(int Value);
  TNotifyEvent OnChange;

 private:
  int FMin = 0, FMax = 10, FPosition = 0, FFrequency = 1;
};

}  // namespace emberhall
