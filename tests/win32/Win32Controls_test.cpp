// The dialog controls against real Win32 controls (run under Wine with a
// display): values set by the program reach the native control, the user's
// input through the native control reaches the TControl and fires its event
// once, and the form windows' keyboard, close, modal and preview behaviour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/FormWindow.h"
#include "platform/win32/Win32Controls.h"
#include "platform/win32/Win32FormWindow.h"
#include "platform/win32/Win32Services.h"
#include "platform/win32/Win32.h"
#include <commctrl.h>

namespace emberhall {
namespace {

::HWND Win(const TControl* Control) {
  return Control && Control->Native() ? reinterpret_cast<::HWND>(Control->Native()->Window) : nullptr;
}

::HWND Win(const TWin32FormWindow& Form) { return reinterpret_cast<::HWND>(Form.WindowHandle()); }

LRESULT Send(const TControl* Control, UINT Msg, WPARAM WParam = 0, ::LPARAM LParam = 0) {
  return SendMessageW(Win(Control), Msg, WParam, LParam);
}

std::wstring TextOf(::HWND Wnd) {
  wchar_t buffer[256] = {};
  GetWindowTextW(Wnd, buffer, 256);
  return buffer;
}

// Handles what waits in the thread's queue, as the program's loop does.
void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (Win32DialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void Key(WPARAM VirtualKey) {
  ::HWND focus = GetFocus();
  PostMessageW(focus, WM_KEYDOWN, VirtualKey, 1);
  PostMessageW(focus, WM_KEYUP, VirtualKey, static_cast<::LPARAM>(0xC0000001u));
  Pump();
}

// A form with one control of each kind; every event counts its calls.
class Win32ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TWin32FormWindow>("Controls", 400, 300);
    if (!Form->WindowHandle()) GTEST_SKIP() << "no window could be made";
    Form->OnCloseRequest = [this] { ++CloseRequests; };
    TPanel* client = Form->Client();
    Group = new TPanel(client, 10, 10, 200, 200, true);
    Group->SetCaption("  Options");
    Check = new TCheckBox(Group, 10, 20, 150, 17);
    Check->SetCaption("Fish & Chips");
    for (int i = 0; i < 3; ++i) {
      Radio[i] = new TRadioButton(Group, 10 + 60 * i, 45, 58, 18);
      Radio[i]->SetCaption("R" + std::to_string(i));
    }
    Combo = new TComboBox(Group, 10, 70, 150, 22);
    Combo->SetItems({"Vee type", "Rectangular type", "Cylindrical type"});
    Track = new TTrackBar(Group, 10, 100, 141, 32);
    Track->SetRange(1, 5);
    Other = new TPanel(client, 220, 10, 170, 60, true);
    OtherRadio = new TRadioButton(Other, 10, 20, 100, 18);
    OtherRadio->SetChecked(true);
    Ok = new TButton(client, 220, 250, 80, 24);
    Ok->SetCaption("OK");
    Ok->SetDefault(true);
    Cancel = new TButton(client, 310, 250, 80, 24);
    Cancel->SetCaption("Cancel");
    Link = new TLabel(client, 220, 200, 170, 20);
    Link->SetCaption("https://example.org");
    Link->SetLink(true);
    Plain = new TLabel(client, 220, 225, 170, 20);
    Plain->SetCaption("A & B");

    Check->OnClick = [this](TObject*) { ++Events["check"]; };
    for (int i = 0; i < 3; ++i) Radio[i]->OnClick = [this, i](TObject*) { ++Events["radio" + std::to_string(i)]; };
    OtherRadio->OnClick = [this](TObject*) { ++Events["other"]; };
    Combo->OnChange = [this](TObject*) { ++Events["combo"]; };
    Track->OnChange = [this](TObject*) { ++Events["track"]; };
    Ok->OnClick = [this](TObject*) { ++Events["ok"]; };
    Cancel->OnClick = [this](TObject*) { ++Events["cancel"]; };
    Link->OnClick = [this](TObject*) { ++Events["link"]; };
    Plain->OnClick = [this](TObject*) { ++Events["plain"]; };
    Pump();
    Events.clear();
  }

  std::unique_ptr<TWin32FormWindow> Form;
  TPanel *Group = nullptr, *Other = nullptr;
  TCheckBox* Check = nullptr;
  TRadioButton* Radio[3] = {};
  TRadioButton* OtherRadio = nullptr;
  TComboBox* Combo = nullptr;
  TTrackBar* Track = nullptr;
  TButton *Ok = nullptr, *Cancel = nullptr;
  TLabel *Link = nullptr, *Plain = nullptr;
  std::map<std::string, int> Events;
  int CloseRequests = 0;
};

TEST_F(Win32ControlsTest, ProgramValuesReachTheNativeControls) {
  struct TCase {
    const char* Name;
    std::function<void()> Act;
    std::function<void()> Verify;
  };
  const std::vector<TCase> cases = {
      {"check box", [&] { Check->SetChecked(true); },
       [&] {
         EXPECT_EQ(Send(Check, BM_GETCHECK), BST_CHECKED);
         EXPECT_EQ(Events["check"], 1);
       }},
      {"radio buttons exclude their siblings only",
       [&] {
         Radio[0]->SetChecked(true);
         Radio[2]->SetChecked(true);
       },
       [&] {
         EXPECT_EQ(Send(Radio[0], BM_GETCHECK), BST_UNCHECKED);
         EXPECT_EQ(Send(Radio[2], BM_GETCHECK), BST_CHECKED);
         EXPECT_FALSE(Radio[0]->Checked());
         EXPECT_EQ(Send(OtherRadio, BM_GETCHECK), BST_CHECKED);
         EXPECT_TRUE(OtherRadio->Checked());
         EXPECT_EQ(Events["radio0"], 1);
         EXPECT_EQ(Events["radio2"], 1);
       }},
      {"combo box selection fires nothing", [&] { Combo->SetItemIndex(2); },
       [&] {
         EXPECT_EQ(Send(Combo, CB_GETCOUNT), 3);
         EXPECT_EQ(Send(Combo, CB_GETCURSEL), 2);
         wchar_t text[64] = {};
         Send(Combo, CB_GETLBTEXT, 2, reinterpret_cast<::LPARAM>(text));
         EXPECT_EQ(std::wstring(text), L"Cylindrical type");
         EXPECT_EQ(Combo->Text(), "Cylindrical type");
         EXPECT_EQ(Events["combo"], 0);
       }},
      {"combo box index outside the items", [&] { Combo->SetItemIndex(7); },
       [&] {
         EXPECT_EQ(Combo->ItemIndex(), -1);
         EXPECT_EQ(Send(Combo, CB_GETCURSEL), CB_ERR);
       }},
      {"new items clear the selection",
       [&] {
         Combo->SetItemIndex(1);
         Combo->SetItems({"16 bits", "32 bits"});
       },
       [&] {
         EXPECT_EQ(Send(Combo, CB_GETCOUNT), 2);
         EXPECT_EQ(Send(Combo, CB_GETCURSEL), CB_ERR);
         EXPECT_EQ(Combo->ItemIndex(), -1);
       }},
      {"track bar position kept in its range",
       [&] {
         Track->SetRange(50, 100);
         Track->SetPosition(200);
       },
       [&] {
         EXPECT_EQ(Send(Track, TBM_GETRANGEMIN), 50);
         EXPECT_EQ(Send(Track, TBM_GETRANGEMAX), 100);
         EXPECT_EQ(Send(Track, TBM_GETPOS), 100);
         EXPECT_EQ(Track->Position(), 100);
         EXPECT_EQ(Events["track"], 2);  // 1 -> 50 by the new range, then 100
       }},
      {"track bar maximum below minimum", [&] { Track->SetRange(10, 5); },
       [&] {
         EXPECT_EQ(Send(Track, TBM_GETRANGEMAX), 10);
         EXPECT_EQ(Send(Track, TBM_GETPOS), 10);
       }},
      {"captions show their text exactly", [&] { Plain->SetCaption("Gr\xC3\xBC\xC3\x9F" "e & mehr"); },
       [&] {
         EXPECT_EQ(TextOf(Win(Check)), L"Fish && Chips");  // "&&" shows one "&" on a button
         EXPECT_EQ(TextOf(Win(Plain)), L"Gr\u00FC\u00DFe & mehr");
         EXPECT_TRUE(GetWindowLongPtrW(Win(Plain), GWL_STYLE) & SS_NOPREFIX);
       }},
      {"a disabled parent greys its controls and keeps their own state",
       [&] {
         Check->SetEnabled(false);
         Group->SetEnabled(false);
       },
       [&] {
         EXPECT_FALSE(IsWindowEnabled(Win(Combo)));
         EXPECT_TRUE(Combo->Enabled());
         Group->SetEnabled(true);
         EXPECT_TRUE(IsWindowEnabled(Win(Combo)));
         EXPECT_FALSE(IsWindowEnabled(Win(Check)));
         Form->SetEnabled(false);
         EXPECT_FALSE(IsWindowEnabled(Win(Ok)));
         EXPECT_FALSE(IsWindowEnabled(Win(*Form)));
         Form->SetEnabled(true);
         EXPECT_TRUE(IsWindowEnabled(Win(Ok)));
         EXPECT_FALSE(IsWindowEnabled(Win(Check)));
       }},
      {"a hidden parent hides its controls", [&] { Form->Show(); Group->SetVisible(false); },
       [&] {
         EXPECT_FALSE(IsWindowVisible(Win(Track)));
         EXPECT_TRUE(IsWindowVisible(Win(OtherRadio)));
         Group->SetVisible(true);
         EXPECT_TRUE(IsWindowVisible(Win(Track)));
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Events.clear();
    c.Act();
    Pump();
    c.Verify();
  }
}

TEST_F(Win32ControlsTest, UserInputThroughTheNativeControlsFiresEventsOnce) {
  Combo->SetItemIndex(0);
  Track->SetPosition(3);
  Radio[0]->SetChecked(true);
  Pump();
  struct TCase {
    const char* Name;
    std::function<void()> Act;
    std::map<std::string, int> Expected;
    std::function<void()> Verify;
  };
  auto click = [](const TControl* c) { return [c] { Send(c, BM_CLICK); }; };
  auto mouseClick = [](const TControl* c) {
    return [c] {
      Send(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
      Send(c, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    };
  };
  const std::vector<TCase> cases = {
      {"check box checks", click(Check), {{"check", 1}}, [&] { EXPECT_TRUE(Check->Checked()); }},
      {"check box unchecks", click(Check), {{"check", 1}}, [&] { EXPECT_FALSE(Check->Checked()); }},
      {"radio button", click(Radio[1]), {{"radio1", 1}},
       [&] {
         EXPECT_TRUE(Radio[1]->Checked());
         EXPECT_FALSE(Radio[0]->Checked());
         EXPECT_EQ(Send(Radio[0], BM_GETCHECK), BST_UNCHECKED);
         EXPECT_TRUE(OtherRadio->Checked());
         EXPECT_EQ(Send(OtherRadio, BM_GETCHECK), BST_CHECKED);
       }},
      {"checked radio button clicked again", click(Radio[1]), {}, [&] { EXPECT_TRUE(Radio[1]->Checked()); }},
      {"combo box arrow key", [&] { Send(Combo, WM_KEYDOWN, VK_DOWN, 1); }, {{"combo", 1}},
       [&] { EXPECT_EQ(Combo->ItemIndex(), 1); }},
      {"track bar arrow key", [&] { Send(Track, WM_KEYDOWN, VK_RIGHT, 1); }, {{"track", 1}},
       [&] {
         EXPECT_EQ(Track->Position(), 4);
         EXPECT_EQ(Send(Track, TBM_GETPOS), 4);
       }},
      {"push button", click(Cancel), {{"cancel", 1}}, [] {}},
      {"link label", mouseClick(Link), {{"link", 1}}, [] {}},
      {"plain label takes no click", mouseClick(Plain), {}, [] {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Events.clear();
    c.Act();
    Pump();
    std::map<std::string, int> fired;
    for (const auto& [name, count] : Events)
      if (count) fired[name] = count;
    EXPECT_EQ(fired, c.Expected);
    c.Verify();
  }
}

TEST_F(Win32ControlsTest, KeyboardNavigation) {
  Form->Show();
  Pump();
  struct TCase {
    const char* Name;
    TControl* Focus;
    WPARAM Key;
    std::map<std::string, int> Expected;
    int CloseRequests;
    TControl* FocusAfter;
  };
  const std::vector<TCase> cases = {
      {"Tab moves to the next control", Check, VK_TAB, {}, 0, Radio[0]},
      {"Enter presses the default button", Check, VK_RETURN, {{"ok", 1}}, 0, Check},
      {"Enter presses a focused push button", Cancel, VK_RETURN, {{"cancel", 1}}, 0, Cancel},
      {"Escape asks to close", Combo, VK_ESCAPE, {}, 1, Combo},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    SetFocus(Win(c.Focus));
    Pump();
    Events.clear();
    CloseRequests = 0;
    Key(c.Key);
    std::map<std::string, int> fired;
    for (const auto& [name, count] : Events)
      if (count) fired[name] = count;
    EXPECT_EQ(fired, c.Expected);
    EXPECT_EQ(CloseRequests, c.CloseRequests);
    EXPECT_EQ(GetFocus(), Win(c.FocusAfter));
  }
}

TEST_F(Win32ControlsTest, FormWindowSizeCloseAndCaption) {
  RECT r;
  GetClientRect(Win(*Form), &r);
  EXPECT_EQ(r.right - r.left, 400);
  EXPECT_EQ(r.bottom - r.top, 300);
  EXPECT_FALSE(GetWindowLongPtrW(Win(*Form), GWL_STYLE) & WS_THICKFRAME);
  // Controls sit where the layout puts them, also inside a group box.
  RECT rc;
  GetWindowRect(Win(Combo), &rc);
  MapWindowPoints(nullptr, Win(*Form), reinterpret_cast<POINT*>(&rc), 2);
  EXPECT_EQ(rc.left, 20);
  EXPECT_EQ(rc.top, 80);
  Form->SetCaption("About Emberhall");
  EXPECT_EQ(TextOf(Win(*Form)), L"About Emberhall");
  SendMessageW(Win(*Form), WM_CLOSE, 0, 0);
  EXPECT_EQ(CloseRequests, 1);
  EXPECT_TRUE(IsWindow(Win(*Form)));  // closing is the form's decision
}

TEST(Win32FormWindowTest, PreviewPanelWindowInsideItsFrame) {
  TWin32FormWindow form("Emberhall", 608, 399, 8, 8, 322, 242);
  if (!form.WindowHandle()) GTEST_SKIP() << "no window could be made";
  ASSERT_NE(form.PreviewPanel(), nullptr);
  EXPECT_EQ(form.PanelWindow(), 0u);
  ASSERT_TRUE(form.Show());
  auto panel = reinterpret_cast<::HWND>(form.PanelWindow());
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(IsChild(Win(form), panel));
  RECT r;
  GetWindowRect(panel, &r);
  MapWindowPoints(nullptr, Win(form), reinterpret_cast<POINT*>(&r), 2);
  EXPECT_EQ(r.left, 9);
  EXPECT_EQ(r.top, 9);
  EXPECT_EQ(r.right - r.left, 320);
  EXPECT_EQ(r.bottom - r.top, 240);
  EXPECT_TRUE(GetWindowLongPtrW(panel, GWL_STYLE) & WS_CLIPCHILDREN);
}

TEST(Win32FormWindowTest, ShowModalDisablesTheOtherFormUntilHidden) {
  TWin32FormWindow main("Main", 400, 300), about("About", 200, 100);
  if (!main.WindowHandle() || !about.WindowHandle()) GTEST_SKIP() << "no window could be made";
  main.Show();
  int pumps = 0;
  bool ownerDisabled = false, owned = false;
  about.ShowModal(&main, [&] {
    Pump();
    if (++pumps == 3) {
      ownerDisabled = !IsWindowEnabled(Win(main));
      owned = GetWindow(Win(about), GW_OWNER) == Win(main);
      about.Hide();
    }
  });
  EXPECT_EQ(pumps, 3);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(owned);
  EXPECT_TRUE(IsWindowEnabled(Win(main)));
  // A form that was disabled before stays disabled afterwards.
  main.SetEnabled(false);
  about.ShowModal(&main, [&] { about.Hide(); });
  EXPECT_FALSE(IsWindowEnabled(Win(main)));
}

TEST(Win32ImageTest, PictureRowsBecomeADibOrRefused) {
  TWin32FormWindow form("About", 200, 150);
  if (!form.WindowHandle()) GTEST_SKIP() << "no window could be made";
  auto* image = new TImage(form.Client(), 10, 10, 100, 80);
  image->SetPicture(3, 2, std::vector<uint8_t>(17));  // one byte short
  EXPECT_FALSE(image->HasPicture());
  image->SetPicture(0, 2, {});
  EXPECT_FALSE(image->HasPicture());
  std::vector<uint8_t> rgb(18);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<uint8_t>(i + 1);
  image->SetPicture(3, 2, rgb);
  EXPECT_TRUE(image->HasPicture());
  const TNativeControl& native = *image->Native();
  ASSERT_EQ(native.Pixels.size(), 24u);  // rows of 9 bytes padded to 12
  const std::vector<uint8_t> firstPixel(native.Pixels.begin(), native.Pixels.begin() + 3);
  EXPECT_EQ(firstPixel, (std::vector<uint8_t>{3, 2, 1}));  // blue, green, red
  EXPECT_EQ(native.Pixels[12], 12);  // the second row starts after the padding
  form.Show();
  UpdateWindow(Win(form));  // draws the picture
}

TEST(Win32ServicesTest, MessagesToStderrAndMissingHelpFile) {
  // Put back afterwards: the test run keeps message boxes from waiting for a click.
  const char* before = std::getenv("EMBERHALL_MESSAGES");
  const std::string previous = std::string("EMBERHALL_MESSAGES=") + (before ? before : "");
  _putenv("EMBERHALL_MESSAGES=stderr");
  struct TCase {
    const char* Name;
    std::function<void()> Act;
    std::string Expected;
  };
  const std::vector<TCase> cases = {
      {"message box", [] { TWin32MessageBoxes().Show("Disk full", "Emberhall", TMessageIcon::Error); },
       "Emberhall: Disk full\n"},
      {"missing help file", [] { TWin32HelpViewer().ShowContents("C:\\nowhere\\Emberhall.html"); },
       "Help: Cannot open the help file C:\\nowhere\\Emberhall.html\n"},
      {"a folder is no help file", [] { TWin32HelpViewer().ShowContents("C:\\windows"); },
       "Help: Cannot open the help file C:\\windows\n"},
      {"no help file named", [] { TWin32HelpViewer().ShowContents(""); }, "Help: Cannot open the help file \n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    ::testing::internal::CaptureStderr();
    c.Act();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.Expected);
  }
  _putenv(previous.c_str());
}

}  // namespace
}  // namespace emberhall
