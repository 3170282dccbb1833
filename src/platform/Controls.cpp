// What the controls do alike on every toolkit: clicks, the radio group and
// the combo box's choice. The toolkit's part is in the backend's controls.
#include "platform/Controls.h"

namespace emberhall {

void TButton::Click() {
  if (OnClick) OnClick(this);
}

void TCheckBox::Click() { SetChecked(!FChecked); }

void TRadioButton::SetChecked(bool Value) {
  const bool changed = Value != FChecked;
  SetState(Value);
  if (!Value || !changed) return;
  if (Parent()) {
    for (const auto& sibling : Parent()->Children()) {
      auto* radio = dynamic_cast<TRadioButton*>(sibling.get());
      if (radio && radio != this) radio->SetState(false);
    }
  }
  if (OnClick) OnClick(this);
}

std::string TComboBox::Text() const { return FItemIndex < 0 ? std::string() : FItems[static_cast<size_t>(FItemIndex)]; }

void TComboBox::Choose(int Index) {
  SetItemIndex(Index);
  if (FItemIndex >= 0 && OnChange) OnChange(this);
}

}  // namespace emberhall
