#include "platform/fltk/FltkControls.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Round_Button.H>
#include <FL/Fl_Slider.H>
#include <FL/Fl_Tooltip.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cmath>

namespace emberhall {

namespace {

// Warm dark tones of a room lit by a fire, with ember orange for what is
// chosen or checked.
const Fl_Color kEmber = fl_rgb_color(232, 118, 38);
const Fl_Color kLink = fl_rgb_color(255, 178, 92);
const Fl_Font kBoldSans = FL_FREE_FONT;

Fl_Widget* WidgetOf(const TControl* Control) {
  return Control && Control->Native() ? Control->Native()->Widget : nullptr;
}

// A group box: an engraved frame with the caption set into its top line.
class TGroupBoxWidget : public Fl_Group {
 public:
  TGroupBoxWidget(int X, int Y, int W, int H) : Fl_Group(X, Y, W, H) { end(); }
  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      fl_color(parent() ? parent()->color() : color());
      fl_rectf(x(), y(), w(), h());
      const int half = labelsize() / 2;
      fl_draw_box(FL_ENGRAVED_FRAME, x(), y() + half, w(), h() - half, color());
      if (label() && *label()) {
        fl_font(labelfont(), labelsize());
        const int tw = static_cast<int>(fl_width(label())) + 4;
        fl_color(parent() ? parent()->color() : color());
        fl_rectf(x() + 6, y(), tw, labelsize() + 2);
        fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
        fl_draw(label(), x() + 6, y(), tw, labelsize() + 2, FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
      }
    }
    draw_children();
  }
};

// A label that answers clicks when it is a link.
class TLabelWidget : public Fl_Box {
 public:
  using Fl_Box::Fl_Box;
  bool Link = false;
  int handle(int Event) override {
    if (!Link) return Fl_Box::handle(Event);
    switch (Event) {
      case FL_ENTER:
        if (window()) window()->cursor(FL_CURSOR_HAND);
        return 1;
      case FL_LEAVE:
        if (window()) window()->cursor(FL_CURSOR_DEFAULT);
        return 1;
      case FL_PUSH:
        return 1;
      case FL_RELEASE:
        if (Fl::event_inside(this)) do_callback();
        return 1;
      default:
        return Fl_Box::handle(Event);
    }
  }
  void draw() override {
    Fl_Box::draw();
    if (!Link || !label()) return;
    fl_font(labelfont(), labelsize());
    int tw = 0, th = 0;
    fl_measure(label(), tw, th, 0);
    fl_color(labelcolor());
    const int base = y() + (h() + th) / 2 - fl_descent() + 1;
    fl_line(x() + 2, base, x() + 2 + tw, base);
  }
};

// A box that owns the picture it shows.
class TImageWidget : public Fl_Box {
 public:
  using Fl_Box::Fl_Box;
  ~TImageWidget() override { delete Picture; }
  void SetPicture(Fl_Image* Value) {
    image(Value);
    delete Picture;
    Picture = Value;
    redraw();
  }

 private:
  Fl_Image* Picture = nullptr;
};

// A horizontal slider with tick marks under its track.
class TTrackBarWidget : public Fl_Slider {
 public:
  static constexpr int TickStrip = 6;
  TTrackBarWidget(int X, int Y, int W, int H) : Fl_Slider(FL_HOR_NICE_SLIDER, X, Y, W, H, nullptr) {}
  int Frequency = 1;
  void draw() override {
    const int sh = h() - TickStrip;
    if (damage() & FL_DAMAGE_ALL) {
      fl_color(parent() ? parent()->color() : color());
      fl_rectf(x(), y() + sh, w(), TickStrip);
    }
    Fl_Slider::draw(x(), y(), w(), sh);
    DrawTicks(sh);
  }
  int handle(int Event) override {
    // The knob follows the pointer within the track only, not the tick strip.
    return Fl_Slider::handle(Event, x(), y(), w(), h() - TickStrip);
  }

 private:
  void DrawTicks(int SliderHeight) {
    if (Frequency <= 0 || maximum() <= minimum()) return;
    const int dx = Fl::box_dx(box()), W = w() - Fl::box_dw(box());
    // The knob's width as Fl_Slider sizes a nice slider.
    const int S = std::max(static_cast<int>(slider_size() * W + 0.5), (SliderHeight - Fl::box_dh(box())) / 2 + 5);
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    const int lo = static_cast<int>(minimum()), hi = static_cast<int>(maximum());
    for (int p = lo; p <= hi; p += Frequency) {
      const double v = (p - minimum()) / (maximum() - minimum());
      const int tx = x() + dx + static_cast<int>(v * (W - S) + 0.5) + S / 2;
      fl_line(tx, y() + SliderHeight + 1, tx, y() + SliderHeight + TickStrip - 2);
    }
  }
};

// Menu item texts are read for submenus ("/"), shortcuts ("&") and dividers
// ("_"); a list item shows exactly its text.
std::string MenuText(const std::string& Text) {
  std::string out;
  for (char c : Text) {
    if (c == '/' || c == '&' || c == '_' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

// The toolkit breaks lines at "\n" alone and would show a "\r" as a
// control character; a leading "@" would be read as a symbol.
std::string LabelText(const std::string& Text) {
  std::string out;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') continue;
    if (Text[i] == '@') out += '@';
    out += Text[i];
  }
  return out;
}

void StyleWidget(Fl_Widget* W) {
  W->labelfont(kBoldSans);
  W->labelsize(DialogFontSize());
}

// Adds a new widget to the parent's group; null when the parent has none.
template <class TWidget, class... Args>
TWidget* AddWidget(const TControl* Parent, Args... args) {
  auto* group = dynamic_cast<Fl_Group*>(WidgetOf(Parent));
  if (!group) return nullptr;
  Fl_Group* saved = Fl_Group::current();
  Fl_Group::current(nullptr);
  auto* w = new TWidget(args...);
  Fl_Group::current(saved);
  group->add(w);
  StyleWidget(w);
  return w;
}

std::unique_ptr<TNativeControl> NativeOf(Fl_Widget* W) {
  if (!W) return nullptr;
  auto n = std::make_unique<TNativeControl>();
  n->Widget = W;
  return n;
}

}  // namespace

void ApplyDialogLook() {
  static bool applied = false;
  if (applied) return;
  applied = true;
  Fl::scheme("gtk+");
  Fl::set_font(kBoldSans, "BLiberation Sans");
  Fl::background(52, 40, 32);
  Fl::background2(70, 55, 44);
  Fl::foreground(240, 228, 210);
  Fl::set_color(FL_SELECTION_COLOR, 232, 118, 38);
  Fl_Tooltip::font(kBoldSans);
  Fl_Tooltip::size(DialogFontSize());
  Fl_Tooltip::color(fl_rgb_color(255, 236, 196));
  Fl_Tooltip::textcolor(FL_BLACK);
}

int DialogFont() { return kBoldSans; }
int DialogFontSize() { return 12; }

// ---- TControl ----

TControl::TControl(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : FParent(AParent), FLeft(ALeft), FTop(ATop), FWidth(AWidth), FHeight(AHeight) {
  if (FParent) FParent->FChildren.emplace_back(this);
}

TControl::TControl(std::unique_ptr<TNativeControl> ANative, int AWidth, int AHeight)
    : FNative(std::move(ANative)), FWidth(AWidth), FHeight(AHeight) {}

TControl::~TControl() = default;

void TControl::SetNative(std::unique_ptr<TNativeControl> ANative) { FNative = std::move(ANative); }

void TControl::SetCaption(const std::string& Value) {
  FCaption = Value;
  if (Fl_Widget* w = WidgetOf(this)) {
    w->copy_label(LabelText(Value).c_str());
    w->redraw();
    if (w->parent()) w->parent()->redraw();
  }
}

void TControl::SetHint(const std::string& Value) {
  FHint = Value;
  if (Fl_Widget* w = WidgetOf(this)) w->copy_tooltip(Value.empty() ? nullptr : Value.c_str());
}

void TControl::SetEnabled(bool Value) {
  FEnabled = Value;
  if (Fl_Widget* w = WidgetOf(this)) Value ? w->activate() : w->deactivate();
}

void TControl::SetVisible(bool Value) {
  FVisible = Value;
  if (Fl_Widget* w = WidgetOf(this)) Value ? w->show() : w->hide();
}

std::unique_ptr<TPanel> WrapGroup(Fl_Group* Group, int Width, int Height) {
  return std::make_unique<TPanel>(NativeOf(Group), Width, Height);
}

// ---- TPanel ----

TPanel::TPanel(std::unique_ptr<TNativeControl> ANative, int AWidth, int AHeight)
    : TControl(std::move(ANative), AWidth, AHeight) {}

TPanel::TPanel(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight, bool Framed)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  Fl_Group* g = nullptr;
  if (Framed) {
    g = AddWidget<TGroupBoxWidget>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight);
  } else {
    g = AddWidget<Fl_Group>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight);
    if (g) g->end();
  }
  if (g) g->align(FL_ALIGN_TOP_LEFT | FL_ALIGN_INSIDE);
  SetNative(NativeOf(g));
}

void TPanel::SetColor(uint32_t RGB) {
  if (Fl_Widget* w = WidgetOf(this)) {
    w->box(FL_THIN_DOWN_BOX);
    w->color(fl_rgb_color(static_cast<uchar>(RGB >> 16), static_cast<uchar>(RGB >> 8), static_cast<uchar>(RGB)));
    w->redraw();
  }
}

// ---- TImage ----

TImage::TImage(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<TImageWidget>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight, nullptr);
  if (w) {
    w->box(FL_THIN_DOWN_BOX);
    w->color(FL_BLACK);
  }
  SetNative(NativeOf(w));
}

void TImage::SetPicture(int Width, int Height, const std::vector<uint8_t>& RGB) {
  const size_t row = static_cast<size_t>(Width > 0 ? Width : 0) * 3;
  if (Width <= 0 || Height <= 0 || RGB.size() < row * static_cast<size_t>(Height)) return;
  FHasPicture = true;
  auto* w = dynamic_cast<TImageWidget*>(WidgetOf(this));
  if (!w) return;
  // Top row first for the toolkit.
  std::vector<uint8_t> top(RGB.size());
  for (int y = 0; y < Height; ++y)
    std::copy_n(RGB.data() + row * static_cast<size_t>(Height - 1 - y), row, top.data() + row * static_cast<size_t>(y));
  Fl_RGB_Image picture(top.data(), Width, Height, 3);
  const int inset = Fl::box_dw(w->box());
  w->SetPicture(picture.copy(this->Width() - inset, this->Height() - inset));
}

// ---- TLabel ----

TLabel::TLabel(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight, TAlignment Alignment)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<TLabelWidget>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight, nullptr);
  if (w) {
    const Fl_Align side = Alignment == taCenter ? 0 : (Alignment == taLeftJustify ? FL_ALIGN_LEFT : FL_ALIGN_RIGHT);
    w->align(side | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    w->callback(
        [](Fl_Widget*, void* self) {
          auto* label = static_cast<TLabel*>(self);
          if (label->OnClick) label->OnClick(label);
        },
        this);
  }
  SetNative(NativeOf(w));
}

void TLabel::SetLink(bool Value) {
  if (auto* w = dynamic_cast<TLabelWidget*>(WidgetOf(this))) {
    w->Link = Value;
    w->labelcolor(Value ? kLink : FL_FOREGROUND_COLOR);
    w->redraw();
  }
}

// ---- TButton ----

TButton::TButton(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<Fl_Button>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight, nullptr);
  if (w) {
    w->callback([](Fl_Widget*, void* self) { static_cast<TButton*>(self)->Click(); }, this);
  }
  SetNative(NativeOf(w));
}

void TButton::SetDefault(bool Value) {
  if (Fl_Widget* w = WidgetOf(this)) {
    static_cast<Fl_Button*>(w)->shortcut(Value ? FL_Enter : 0);
    w->labelcolor(Value ? kEmber : FL_FOREGROUND_COLOR);
  }
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<Fl_Check_Button>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight, nullptr);
  if (w) {
    w->selection_color(kEmber);
    w->callback(
        [](Fl_Widget* widget, void* self) {
          static_cast<TCheckBox*>(self)->SetChecked(static_cast<Fl_Button*>(widget)->value() != 0);
        },
        this);
  }
  SetNative(NativeOf(w));
}

void TCheckBox::SetChecked(bool Value) {
  if (auto* w = static_cast<Fl_Button*>(WidgetOf(this))) w->value(Value ? 1 : 0);
  if (Value == FChecked) return;
  FChecked = Value;
  if (OnClick) OnClick(this);
}

// ---- TRadioButton ----

TRadioButton::TRadioButton(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<Fl_Round_Button>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight, nullptr);
  if (w) {
    // The exclusion is kept here, for the user's clicks and the program's alike.
    w->type(FL_TOGGLE_BUTTON);
    w->selection_color(kEmber);
    w->callback([](Fl_Widget*, void* self) { static_cast<TRadioButton*>(self)->SetChecked(true); }, this);
  }
  SetNative(NativeOf(w));
}

void TRadioButton::SetState(bool Value) {
  FChecked = Value;
  if (auto* w = static_cast<Fl_Button*>(WidgetOf(this))) w->value(Value ? 1 : 0);
}

// ---- TComboBox ----

TComboBox::TComboBox(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<Fl_Choice>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight, nullptr);
  if (w) {
    w->textfont(kBoldSans);
    w->textsize(DialogFontSize());
    w->down_box(FL_BORDER_BOX);
    w->callback(
        [](Fl_Widget* widget, void* self) {
          static_cast<TComboBox*>(self)->Choose(static_cast<Fl_Choice*>(widget)->value());
        },
        this);
  }
  SetNative(NativeOf(w));
}

void TComboBox::SetItems(const std::vector<std::string>& Items) {
  FItems = Items;
  FItemIndex = -1;
  if (auto* w = static_cast<Fl_Choice*>(WidgetOf(this))) {
    w->clear();
    for (const std::string& item : FItems) w->add(MenuText(item).c_str());
    w->value(static_cast<const Fl_Menu_Item*>(nullptr));
    w->redraw();
  }
}

void TComboBox::SetItemIndex(int Value) {
  FItemIndex = Value >= 0 && Value < static_cast<int>(FItems.size()) ? Value : -1;
  if (auto* w = static_cast<Fl_Choice*>(WidgetOf(this))) {
    if (FItemIndex < 0) {
      w->value(static_cast<const Fl_Menu_Item*>(nullptr));
    } else {
      w->value(FItemIndex);
    }
    w->redraw();
  }
}

// ---- TTrackBar ----

TTrackBar::TTrackBar(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  auto* w = AddWidget<TTrackBarWidget>(AParent, ClientLeft(), ClientTop(), AWidth, AHeight);
  if (w) {
    w->step(1);
    w->bounds(FMin, FMax);
    w->slider_size(0.12);
    w->selection_color(kEmber);
    w->color(FL_BACKGROUND2_COLOR);
    w->callback(
        [](Fl_Widget* widget, void* self) {
          static_cast<TTrackBar*>(self)->SetPosition(static_cast<int>(std::lround(static_cast<Fl_Slider*>(widget)->value())));
        },
        this);
  }
  SetNative(NativeOf(w));
}

void TTrackBar::SetRange(int AMin, int AMax) {
  FMin = AMin;
  FMax = std::max(AMin, AMax);
  if (auto* w = static_cast<Fl_Slider*>(WidgetOf(this))) w->bounds(FMin, FMax);
  SetPosition(FPosition);
}

void TTrackBar::SetPosition(int Value) {
  const int p = std::clamp(Value, FMin, FMax);
  if (auto* w = static_cast<Fl_Slider*>(WidgetOf(this))) w->value(p);
  if (p == FPosition) return;
  FPosition = p;
  if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int Value) {
  FFrequency = Value;
  if (auto* w = dynamic_cast<TTrackBarWidget*>(WidgetOf(this))) {
    w->Frequency = Value;
    w->redraw();
  }
}

}  // namespace emberhall
