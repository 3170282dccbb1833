// The dialog controls: their events and limits, without a display and on
// FLTK's widgets (where the widget must show what the control holds and a
// user's action must reach the control's event).
#include <gtest/gtest.h>

#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Slider.H>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/fltk/FltkControls.h"
#include "platform/fltk/FltkFormWindow.h"
#include "platform/fltk/FltkServices.h"

using namespace emberhall;

namespace {

// A form window of its own (with widgets when a display can be reached).
struct TControlsFixture : ::testing::Test {
  TFltkFormWindow Window{"Controls", 300, 200};
  TPanel* Group = new TPanel(Window.Client(), 10, 10, 280, 180, true);
  std::vector<std::string> Events;
  TNotifyEvent Record(const std::string& Name) {
    return [this, Name](TObject*) { Events.push_back(Name); };
  }
};

}  // namespace

TEST_F(TControlsFixture, CheckedAndPositionFireOnlyOnChangeAndPositionStaysInRange) {
  auto* box = new TCheckBox(Group, 8, 20, 120, 18);
  box->OnClick = Record("box");
  auto* bar = new TTrackBar(Group, 8, 50, 140, 30);
  bar->SetRange(50, 100);
  bar->OnChange = Record("bar");
  struct TStep {
    const char* Name;
    std::function<void()> Do;
    bool Checked;
    int Position;
    std::vector<std::string> Events;
  } steps[] = {
      {"check", [&] { box->SetChecked(true); }, true, 50, {"box"}},
      {"check again", [&] { box->SetChecked(true); }, true, 50, {}},
      {"user click", [&] { box->Click(); }, false, 50, {"box"}},
      {"position", [&] { bar->SetPosition(90); }, false, 90, {"bar"}},
      {"same position", [&] { bar->SetPosition(90); }, false, 90, {}},
      {"above the range", [&] { bar->SetPosition(5000); }, false, 100, {"bar"}},
      {"below the range", [&] { bar->SetPosition(-3); }, false, 50, {"bar"}},
      {"range shrinks", [&] { bar->SetRange(60, 70); }, false, 60, {"bar"}},
      {"max below min", [&] { bar->SetRange(80, 10); }, false, 80, {"bar"}},
  };
  for (const TStep& s : steps) {
    Events.clear();
    s.Do();
    EXPECT_EQ(box->Checked(), s.Checked) << s.Name;
    EXPECT_EQ(bar->Position(), s.Position) << s.Name;
    EXPECT_EQ(Events, s.Events) << s.Name;
  }
  EXPECT_EQ(bar->Min(), 80);
  EXPECT_EQ(bar->Max(), 80);
}

TEST_F(TControlsFixture, RadioButtonsOfOneParentExcludeEachOtherButNotThoseOfAnother) {
  TPanel* other = new TPanel(Group, 150, 20, 120, 80, true);
  TRadioButton* radios[3];
  for (int i = 0; i < 3; ++i) {
    radios[i] = new TRadioButton(Group, 8, 20 + 20 * i, 100, 18);
    radios[i]->Tag = i;
    radios[i]->OnClick = Record("radio" + std::to_string(i));
  }
  auto* elsewhere = new TRadioButton(other, 8, 20, 100, 18);
  elsewhere->SetChecked(true);
  Events.clear();
  radios[1]->SetChecked(true);
  radios[2]->Click();
  radios[2]->Click();  // already checked: no event
  EXPECT_EQ(Events, (std::vector<std::string>{"radio1", "radio2"}));
  EXPECT_FALSE(radios[0]->Checked());
  EXPECT_FALSE(radios[1]->Checked());
  EXPECT_TRUE(radios[2]->Checked());
  EXPECT_TRUE(elsewhere->Checked());
}

TEST_F(TControlsFixture, ComboBoxSelectsOnlyItsItemsAndOnlyTheUsersChoiceFiresOnChange) {
  auto* combo = new TComboBox(Group, 8, 20, 160, 22);
  combo->OnChange = Record("combo");
  combo->SetItems({"High Color(16 bit)", "True Color(32 bit)", "a/b & c_d"});
  EXPECT_EQ(combo->ItemIndex(), -1);
  struct TCase {
    int Index, Expected;
    std::string Text;
  } cases[] = {{1, 1, "True Color(32 bit)"}, {2, 2, "a/b & c_d"}, {3, -1, ""}, {-5, -1, ""}, {0, 0, "High Color(16 bit)"}};
  for (const TCase& c : cases) {
    combo->SetItemIndex(c.Index);
    EXPECT_EQ(combo->ItemIndex(), c.Expected) << c.Index;
    EXPECT_EQ(combo->Text(), c.Text) << c.Index;
  }
  EXPECT_TRUE(Events.empty());
  combo->Choose(2);
  EXPECT_EQ(Events, (std::vector<std::string>{"combo"}));
  combo->SetItems({"640x480"});
  EXPECT_EQ(combo->ItemIndex(), -1);
  if (auto* choice = combo->Native() ? static_cast<Fl_Choice*>(combo->Native()->Widget) : nullptr) {
    EXPECT_EQ(choice->size(), 2);  // one item and the list's end mark
    EXPECT_EQ(choice->mvalue(), nullptr);
  }
}

TEST_F(TControlsFixture, WidgetsShowTheStateAndPassTheUsersActionsOn) {
  if (!DisplayAvailable()) GTEST_SKIP() << "needs a display for the widgets";
  auto* box = new TCheckBox(Group, 8, 20, 120, 18);
  auto* bar = new TTrackBar(Group, 8, 50, 140, 30);
  auto* combo = new TComboBox(Group, 8, 90, 160, 22);
  auto* label = new TLabel(Group, 8, 120, 200, 40);
  bar->SetRange(1, 5);
  combo->SetItems({"Vee type", "Rectangular type", "Cylindrical type"});
  box->OnClick = Record("box");
  bar->OnChange = Record("bar");
  combo->OnChange = Record("combo");
  ASSERT_NE(box->Native(), nullptr);
  auto* button = static_cast<Fl_Button*>(box->Native()->Widget);
  auto* slider = static_cast<Fl_Slider*>(bar->Native()->Widget);
  auto* choice = static_cast<Fl_Choice*>(combo->Native()->Widget);

  box->SetChecked(true);
  bar->SetPosition(4);
  combo->SetItemIndex(1);
  EXPECT_EQ(button->value(), 1);
  EXPECT_EQ(slider->value(), 4.0);
  EXPECT_EQ(choice->value(), 1);
  // The widget's own callbacks, as FLTK calls them after a click or a drag.
  Events.clear();
  button->value(0);
  button->do_callback();
  slider->value(2.4);
  slider->do_callback();
  choice->value(2);
  choice->do_callback();
  EXPECT_EQ(Events, (std::vector<std::string>{"box", "bar", "combo"}));
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(bar->Position(), 2);
  EXPECT_EQ(combo->ItemIndex(), 2);

  // Line breaks as the system writes them show as single breaks; the caption keeps its text.
  label->SetCaption("Vendor: Mesa\r\nVideo: llvmpipe\r\nOpenGL: 4.5 @home");
  EXPECT_EQ(label->Caption(), "Vendor: Mesa\r\nVideo: llvmpipe\r\nOpenGL: 4.5 @home");
  EXPECT_STREQ(label->Native()->Widget->label(), "Vendor: Mesa\nVideo: llvmpipe\nOpenGL: 4.5 @@home");
  // A disabled parent keeps its children from input.
  Group->SetEnabled(false);
  EXPECT_FALSE(button->active_r());
  Group->SetEnabled(true);
  EXPECT_TRUE(button->active_r());
}

TEST_F(TControlsFixture, ControlsKnowTheirPlaceOnTheClientArea) {
  TPanel* inner = new TPanel(Group, 20, 30, 100, 100, true);
  auto* button = new TButton(inner, 5, 6, 80, 25);
  EXPECT_EQ(button->ClientLeft(), 10 + 20 + 5);
  EXPECT_EQ(button->ClientTop(), 10 + 30 + 6);
  int clicks = 0;
  button->OnClick = [&](TObject* Sender) {
    EXPECT_EQ(Sender, button);
    ++clicks;
  };
  button->Click();
  if (button->Native()) {
    EXPECT_EQ(button->Native()->Widget->x(), 35);
    EXPECT_EQ(button->Native()->Widget->y(), 46);
    button->Native()->Widget->do_callback();
  }
  EXPECT_EQ(clicks, button->Native() ? 2 : 1);
}
