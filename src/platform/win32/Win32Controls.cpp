#include "platform/win32/Win32Controls.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "platform/Forms.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"
#include <commctrl.h>

namespace emberhall {

namespace {

// Warm dark tones of a room lit by a fire, as the dialog looks elsewhere.
constexpr COLORREF kBackground = RGB(52, 40, 32);
constexpr COLORREF kBackground2 = RGB(70, 55, 44);
constexpr COLORREF kForeground = RGB(240, 228, 210);
constexpr COLORREF kLink = RGB(255, 178, 92);
constexpr COLORREF kTipBackground = RGB(255, 236, 196);

const wchar_t* const kPanelClass = L"EmberhallPanel";
// Window properties: the control of a native window, a form's tooltip
// window and its default button.
const wchar_t* const kControlProp = L"EmberhallControl";
const wchar_t* const kTipsProp = L"EmberhallTips";
const wchar_t* const kDefaultProp = L"EmberhallDefault";

// Control ids: unique per process, above IDOK/IDCANCEL, within a WORD.
int NextControlId() {
  static int next = 1000;
  if (next >= 0xF000) next = 1000;
  return next++;
}

::HWND Win(HWND Wnd) { return reinterpret_cast<::HWND>(Wnd); }
HWND Handle(::HWND Wnd) { return reinterpret_cast<HWND>(Wnd); }

::HWND WindowOf(const TControl* Control) {
  return Control && Control->Native() ? Win(Control->Native()->Window) : nullptr;
}

TNativeControl::TKind KindOf(const TControl* Control) {
  return Control && Control->Native() ? Control->Native()->Kind : TNativeControl::nkForm;
}

HFONT DialogFont(bool Underline) {
  static HFONT plain = nullptr, underlined = nullptr;
  HFONT& font = Underline ? underlined : plain;
  if (!font) {
    font = CreateFontW(-DialogFontSize(), 0, 0, 0, FW_BOLD, FALSE, Underline ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Arial");
  }
  return font;
}

HBRUSH SharedBrush(COLORREF Color) {
  static HBRUSH background = CreateSolidBrush(kBackground);
  static HBRUSH background2 = CreateSolidBrush(kBackground2);
  return Color == kBackground2 ? background2 : background;
}

// The control and the offset of its container: the nearest ancestor with a
// window of its own that holds child windows (a form or an unframed panel).
const TControl* ContainerOf(const TControl* Parent) {
  for (const TControl* c = Parent; c; c = c->Parent()) {
    if (!c->Native()) return nullptr;
    const auto kind = c->Native()->Kind;
    if (kind == TNativeControl::nkForm || kind == TNativeControl::nkPanel) return c;
    if (kind != TNativeControl::nkGroupBox) return nullptr;
  }
  return nullptr;
}

bool EffectiveEnabled(const TControl* Control) {
  for (const TControl* c = Control; c; c = c->Parent())
    if (!c->Enabled()) return false;
  return true;
}

bool EffectiveVisible(const TControl* Control) {
  for (const TControl* c = Control; c; c = c->Parent())
    if (!c->Visible()) return false;
  return true;
}

// The window shows Windows' own state of a control and its descendants:
// greyed when it or a parent is disabled, hidden when it or a parent is.
void ApplyState(const TControl* Control) {
  ::HWND w = WindowOf(Control);
  if (w && KindOf(Control) != TNativeControl::nkForm) {
    EnableWindow(w, EffectiveEnabled(Control) ? TRUE : FALSE);
    ShowWindow(w, EffectiveVisible(Control) ? SW_SHOWNA : SW_HIDE);
  }
  for (const auto& child : Control->Children()) ApplyState(child.get());
}

// A button-class caption shows "&" literally (it would mark a mnemonic).
std::wstring ButtonText(const std::string& Text) {
  std::wstring out;
  for (wchar_t c : WideOf(Text)) {
    if (c == L'&') out += L'&';
    out += c;
  }
  return out;
}

// One line of text that fits is centred vertically, as the other
// platforms draw labels; longer text wraps from the top.
void UpdateLabelStyle(::HWND Wnd, const std::wstring& Text, int Width) {
  bool oneLine = Text.find(L'\n') == std::wstring::npos;
  if (oneLine) {
    SIZE size{};
    if (HDC dc = GetDC(Wnd)) {
      HGDIOBJ old = SelectObject(dc, DialogFont(false));
      GetTextExtentPoint32W(dc, Text.c_str(), static_cast<int>(Text.size()), &size);
      SelectObject(dc, old);
      ReleaseDC(Wnd, dc);
    }
    oneLine = size.cx <= Width;
  }
  LONG_PTR style = GetWindowLongPtrW(Wnd, GWL_STYLE);
  const LONG_PTR wanted = oneLine ? (style | SS_CENTERIMAGE) : (style & ~static_cast<LONG_PTR>(SS_CENTERIMAGE));
  if (wanted != style) SetWindowLongPtrW(Wnd, GWL_STYLE, wanted);
}

// The tooltip window of a form, made at the first hint.
::HWND TooltipOf(::HWND Root) {
  if (auto tips = static_cast<::HWND>(GetPropW(Root, kTipsProp))) return tips;
  ::HWND tips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Root, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!tips) return nullptr;
  SendMessageW(tips, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(false)), FALSE);
  SendMessageW(tips, TTM_SETTIPBKCOLOR, kTipBackground, 0);
  SendMessageW(tips, TTM_SETTIPTEXTCOLOR, RGB(0, 0, 0), 0);
  SendMessageW(tips, TTM_SETMAXTIPWIDTH, 0, 400);
  SetPropW(Root, kTipsProp, tips);
  return tips;
}

TOOLINFOW ToolInfo(::HWND Control, wchar_t* Text) {
  TOOLINFOW info{};
  // The size that version 5 of the common controls accepts as well.
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(Control);
  info.uId = reinterpret_cast<UINT_PTR>(Control);
  info.lpszText = Text;
  return info;
}

// Themed check boxes, radio buttons and group boxes (common controls 6,
// when a manifest asks for them) draw their text in the theme's colour,
// which the dialog's dark background would swallow; these keep the classic
// look that honours the dialog's colours.
void UseClassicLook(::HWND Wnd) {
  using TSetWindowTheme = HRESULT(WINAPI*)(::HWND, LPCWSTR, LPCWSTR);
  static const TSetWindowTheme setTheme = [] {
    HMODULE theme = LoadLibraryW(L"uxtheme.dll");
    return theme ? reinterpret_cast<TSetWindowTheme>(reinterpret_cast<void (*)()>(GetProcAddress(theme, "SetWindowTheme")))
                 : nullptr;
  }();
  if (setTheme) setTheme(Wnd, L"", L"");
}

// Creates the native window of Self in its container; null when the parent
// has no window (no display, or the parent's creation failed).
::HWND CreateControlWindow(TControl* Self, TNativeControl::TKind Kind, const wchar_t* ClassName, DWORD Style,
                           DWORD ExStyle = 0, int WindowHeight = -1) {
  const TControl* container = ContainerOf(Self->Parent());
  ::HWND parent = WindowOf(container);
  if (!parent || !RegisterControlClasses()) return nullptr;
  // A radio button joins the group of the radio buttons of the same parent
  // created just before it; every other control starts a group, so that
  // Windows' radio logic and arrow keys stay within one TControl parent.
  ::HWND last = GetWindow(parent, GW_CHILD);
  if (last) last = GetWindow(last, GW_HWNDLAST);
  const TControl* lastControl = ControlOfWindow(Handle(last));
  const bool joinsGroup = Kind == TNativeControl::nkRadioButton && lastControl &&
                          KindOf(lastControl) == TNativeControl::nkRadioButton &&
                          lastControl->Parent() == Self->Parent();
  Style |= WS_CHILD | (joinsGroup ? 0 : WS_GROUP);
  if (EffectiveVisible(Self)) Style |= WS_VISIBLE;
  if (!EffectiveEnabled(Self)) Style |= WS_DISABLED;
  const int x = Self->ClientLeft() - container->ClientLeft();
  const int y = Self->ClientTop() - container->ClientTop();
  ::HWND w = CreateWindowExW(ExStyle, ClassName, L"", Style, x, y, Self->Width(),
                             WindowHeight >= 0 ? WindowHeight : Self->Height(), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(NextControlId())), GetModuleHandleW(nullptr),
                             nullptr);
  if (!w) return nullptr;
  SetPropW(w, kControlProp, Self);
  SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(false)), FALSE);
  if (Kind == TNativeControl::nkCheckBox || Kind == TNativeControl::nkRadioButton ||
      Kind == TNativeControl::nkGroupBox)
    UseClassicLook(w);
  // Tab order is creation order.
  SetWindowPos(w, reinterpret_cast<::HWND>(static_cast<uintptr_t>(1)) /* HWND_BOTTOM */, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return w;
}

std::unique_ptr<TNativeControl> NativeOf(TNativeControl::TKind Kind, ::HWND Wnd) {
  if (!Wnd) return nullptr;
  return std::make_unique<TNativeControl>(Kind, Handle(Wnd));
}

// Runs an event handler of a control from a window procedure.
template <class F>
void Fire(TObject* Sender, F&& Handler) {
  try {
    Handler();
  } catch (...) {
    if (Application) {
      Application->HandleException(Sender);
    } else {
      std::fprintf(stderr, "Exception in a dialog control's event handler\n");
    }
  }
}

void DrawPicture(const DRAWITEMSTRUCT& Item, const TNativeControl& Native) {
  RECT r = Item.rcItem;
  FillRect(Item.hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  if (!Native.Pixels.empty() && r.right - r.left > 2 && r.bottom - r.top > 2) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = Native.PictureWidth;
    info.bmiHeader.biHeight = Native.PictureHeight;  // bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    SetStretchBltMode(Item.hDC, HALFTONE);
    SetBrushOrgEx(Item.hDC, 0, 0, nullptr);
    StretchDIBits(Item.hDC, r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2, 0, 0,
                  Native.PictureWidth, Native.PictureHeight, Native.Pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
  }
  DrawEdge(Item.hDC, &r, BDR_SUNKENOUTER, BF_RECT);
}

// An unframed panel: its colour (and a thin sunken frame once coloured);
// the notifications of the controls inside go the same way as a form's.
LRESULT CALLBACK PanelProc(::HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT result = 0;
  if (HandleControlMessage(Handle(Wnd), Msg, WParam, static_cast<emberhall::LPARAM>(LParam), result)) return result;
  if (Msg == WM_ERASEBKGND) {
    const TControl* self = ControlOfWindow(Handle(Wnd));
    const TNativeControl* native = self ? self->Native() : nullptr;
    RECT r;
    GetClientRect(Wnd, &r);
    auto dc = reinterpret_cast<HDC>(WParam);
    HBRUSH brush = native && native->Brush ? reinterpret_cast<HBRUSH>(native->Brush) : SharedBrush(kBackground);
    FillRect(dc, &r, brush);
    if (native && native->HasColor) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    return 1;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

}  // namespace

// ---- the dialog's look and routing ----

int DialogFontSize() { return 12; }

uint32_t DialogBackground() { return 0x342820; }

bool RegisterControlClasses() {
  static const bool registered = [] {
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = PanelProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kPanelClass;
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

TControl* ControlOfWindow(HWND Window) {
  ::HWND w = Win(Window);
  return w ? static_cast<TControl*>(GetPropW(w, kControlProp)) : nullptr;
}

std::unique_ptr<TPanel> WrapFormWindow(HWND Window, int Width, int Height) {
  auto panel = std::make_unique<TPanel>(NativeOf(TNativeControl::nkForm, Win(Window)), Width, Height);
  if (Window) SetPropW(Win(Window), kControlProp, panel.get());
  return panel;
}

bool HandleControlMessage(HWND Container, uint32_t Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_COMMAND: {
      TControl* control = ControlOfWindow(static_cast<HWND>(LParam));
      if (!control || !control->Native()) return false;
      const WORD code = HIWORD(WParam);
      ::HWND w = Win(control->Native()->Window);
      switch (control->Native()->Kind) {
        case TNativeControl::nkButton:
          if (code == BN_CLICKED) Fire(control, [&] { static_cast<TButton*>(control)->Click(); });
          break;
        case TNativeControl::nkCheckBox:
          // The box has toggled itself; the state follows it, then OnClick.
          if (code == BN_CLICKED) {
            const bool checked = SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
            Fire(control, [&] { static_cast<TCheckBox*>(control)->SetChecked(checked); });
          }
          break;
        case TNativeControl::nkRadioButton:
          if (code == BN_CLICKED) Fire(control, [&] { static_cast<TRadioButton*>(control)->SetChecked(true); });
          break;
        case TNativeControl::nkComboBox:
          if (code == CBN_SELCHANGE) {
            const int index = static_cast<int>(SendMessageW(w, CB_GETCURSEL, 0, 0));
            Fire(control, [&] { static_cast<TComboBox*>(control)->Choose(index); });
          }
          break;
        case TNativeControl::nkLabel:
          if (code == STN_CLICKED && control->Native()->Link) {
            auto* label = static_cast<TLabel*>(control);
            Fire(control, [&] {
              if (label->OnClick) label->OnClick(label);
            });
          }
          break;
        default:
          return false;
      }
      Result = 0;
      return true;
    }
    case WM_HSCROLL: {
      TControl* control = ControlOfWindow(static_cast<HWND>(LParam));
      if (KindOf(control) != TNativeControl::nkTrackBar || !control->Native()) return false;
      const int position = static_cast<int>(SendMessageW(Win(control->Native()->Window), TBM_GETPOS, 0, 0));
      Fire(control, [&] { static_cast<TTrackBar*>(control)->SetPosition(position); });
      Result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLOREDIT: {
      const TControl* control = ControlOfWindow(static_cast<HWND>(LParam));
      if (!control) return false;
      auto dc = reinterpret_cast<HDC>(WParam);
      const bool field = Msg == WM_CTLCOLORLISTBOX || Msg == WM_CTLCOLOREDIT;
      const bool link = control->Native() && control->Native()->Link;
      SetTextColor(dc, link ? kLink : kForeground);
      SetBkColor(dc, field ? kBackground2 : kBackground);
      Result = reinterpret_cast<LRESULT>(SharedBrush(field ? kBackground2 : kBackground));
      return true;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(LParam);
      const TControl* control = item ? ControlOfWindow(Handle(item->hwndItem)) : nullptr;
      if (KindOf(control) != TNativeControl::nkImage || !control->Native()) return false;
      DrawPicture(*item, *control->Native());
      Result = TRUE;
      return true;
    }
    case WM_SETCURSOR: {
      const TControl* control = ControlOfWindow(static_cast<HWND>(WParam));
      if (KindOf(control) != TNativeControl::nkLabel || !control->Native()->Link) return false;
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      Result = TRUE;
      return true;
    }
    default:
      break;
  }
  (void)Container;
  return false;
}

bool PressDialogButton(HWND Root, const void* KeyMsg) {
  ::HWND root = Win(Root);
  ::HWND focus = GetFocus();
  TControl* target = nullptr;
  if (focus && IsChild(root, focus)) {
    const LRESULT code = SendMessageW(focus, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<::LPARAM>(KeyMsg));
    if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) return false;
    TControl* focused = ControlOfWindow(Handle(focus));
    if (KindOf(focused) == TNativeControl::nkButton) target = focused;
  }
  if (!target) target = ControlOfWindow(Handle(static_cast<::HWND>(GetPropW(root, kDefaultProp))));
  ::HWND w = WindowOf(target);
  if (!w || KindOf(target) != TNativeControl::nkButton || !IsWindowEnabled(w) || !IsWindowVisible(w)) return false;
  Fire(target, [&] { static_cast<TButton*>(target)->Click(); });
  return true;
}

TNativeControl::~TNativeControl() {
  if (Brush) DeleteObject(reinterpret_cast<HBRUSH>(Brush));
  ::HWND w = Win(Window);
  if (!w || !IsWindow(w)) return;
  RemovePropW(w, kControlProp);
  if (Kind == nkForm) return;
  ::HWND root = GetAncestor(w, GA_ROOT);
  if (auto tips = static_cast<::HWND>(root ? GetPropW(root, kTipsProp) : nullptr)) {
    TOOLINFOW info = ToolInfo(w, nullptr);
    SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<::LPARAM>(&info));
  }
  if (root && GetPropW(root, kDefaultProp) == w) RemovePropW(root, kDefaultProp);
  DestroyWindow(w);
}

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
  ::HWND w = WindowOf(this);
  if (!w) return;
  switch (FNative->Kind) {
    case TNativeControl::nkLabel: {
      const std::wstring text = WideOf(Value);
      UpdateLabelStyle(w, text, FWidth);
      SetWindowTextW(w, text.c_str());
      InvalidateRect(w, nullptr, TRUE);
      break;
    }
    case TNativeControl::nkGroupBox: {
      SetWindowTextW(w, ButtonText(Value).c_str());
      // The box leaves its inside to its parent: a shorter caption must not
      // leave the old one's end behind.
      RECT r;
      GetWindowRect(w, &r);
      MapWindowPoints(nullptr, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
      RedrawWindow(GetParent(w), &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      break;
    }
    case TNativeControl::nkButton:
    case TNativeControl::nkCheckBox:
    case TNativeControl::nkRadioButton:
      SetWindowTextW(w, ButtonText(Value).c_str());
      break;
    case TNativeControl::nkForm:
    case TNativeControl::nkPanel:
      SetWindowTextW(w, WideOf(Value).c_str());
      break;
    default:
      break;  // combo boxes, trackbars and pictures show no caption
  }
}

void TControl::SetHint(const std::string& Value) {
  FHint = Value;
  ::HWND w = WindowOf(this);
  if (!w || FNative->Kind == TNativeControl::nkForm) return;
  ::HWND tips = TooltipOf(GetAncestor(w, GA_ROOT));
  if (!tips) return;
  std::wstring text = WideOf(Value);
  TOOLINFOW info = ToolInfo(w, text.data());
  SendMessageW(tips, TTM_DELTOOLW, 0, reinterpret_cast<::LPARAM>(&info));
  if (!text.empty()) SendMessageW(tips, TTM_ADDTOOLW, 0, reinterpret_cast<::LPARAM>(&info));
}

void TControl::SetEnabled(bool Value) {
  FEnabled = Value;
  ApplyState(this);
}

void TControl::SetVisible(bool Value) {
  FVisible = Value;
  ApplyState(this);
}

// ---- TPanel ----

TPanel::TPanel(std::unique_ptr<TNativeControl> ANative, int AWidth, int AHeight)
    : TControl(std::move(ANative), AWidth, AHeight) {}

TPanel::TPanel(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight, bool Framed)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  if (Framed) {
    // Transparent, so that the form (which clips its children) paints the
    // inside that a group box leaves to it.
    SetNative(NativeOf(TNativeControl::nkGroupBox,
                       CreateControlWindow(this, TNativeControl::nkGroupBox, L"BUTTON", BS_GROUPBOX, WS_EX_TRANSPARENT)));
  } else {
    SetNative(NativeOf(TNativeControl::nkPanel,
                       CreateControlWindow(this, TNativeControl::nkPanel, kPanelClass,
                                           WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT)));
  }
}

void TPanel::SetColor(uint32_t RGBValue) {
  TNativeControl* native = Native();
  if (!native || native->Kind != TNativeControl::nkPanel) return;
  if (native->Brush) DeleteObject(reinterpret_cast<HBRUSH>(native->Brush));
  native->Color = RGBValue & 0xFFFFFF;
  native->HasColor = true;
  native->Brush = reinterpret_cast<uintptr_t>(
      CreateSolidBrush(RGB((RGBValue >> 16) & 0xFF, (RGBValue >> 8) & 0xFF, RGBValue & 0xFF)));
  InvalidateRect(Win(native->Window), nullptr, TRUE);
}

// ---- TImage ----

TImage::TImage(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  SetNative(NativeOf(TNativeControl::nkImage,
                     CreateControlWindow(this, TNativeControl::nkImage, L"STATIC", SS_OWNERDRAW)));
}

void TImage::SetPicture(int Width, int Height, const std::vector<uint8_t>& RGBRows) {
  const size_t row = static_cast<size_t>(Width > 0 ? Width : 0) * 3;
  if (Width <= 0 || Height <= 0 || RGBRows.size() < row * static_cast<size_t>(Height)) return;
  FHasPicture = true;
  TNativeControl* native = Native();
  if (!native) return;
  // Bottom row first already, as a DIB wants it; BGR, rows padded to 4 bytes.
  const size_t stride = (row + 3) & ~static_cast<size_t>(3);
  native->Pixels.assign(stride * static_cast<size_t>(Height), 0);
  for (int y = 0; y < Height; ++y) {
    const uint8_t* src = RGBRows.data() + row * static_cast<size_t>(y);
    uint8_t* dst = native->Pixels.data() + stride * static_cast<size_t>(y);
    for (int x = 0; x < Width; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  native->PictureWidth = Width;
  native->PictureHeight = Height;
  InvalidateRect(Win(native->Window), nullptr, FALSE);
}

// ---- TLabel ----

TLabel::TLabel(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight, TAlignment Alignment)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  const DWORD align = Alignment == taCenter ? SS_CENTER : (Alignment == taRightJustify ? SS_RIGHT : SS_LEFT);
  SetNative(NativeOf(TNativeControl::nkLabel,
                     CreateControlWindow(this, TNativeControl::nkLabel, L"STATIC", align | SS_NOPREFIX)));
}

void TLabel::SetLink(bool Value) {
  TNativeControl* native = Native();
  if (!native) return;
  native->Link = Value;
  ::HWND w = Win(native->Window);
  // Only a link takes clicks (SS_NOTIFY); other labels let them through.
  LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
  style = Value ? (style | SS_NOTIFY) : (style & ~static_cast<LONG_PTR>(SS_NOTIFY));
  SetWindowLongPtrW(w, GWL_STYLE, style);
  SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont(Value)), TRUE);
  InvalidateRect(w, nullptr, TRUE);
}

// ---- TButton ----

TButton::TButton(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  SetNative(NativeOf(TNativeControl::nkButton,
                     CreateControlWindow(this, TNativeControl::nkButton, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP)));
}

void TButton::SetDefault(bool Value) {
  ::HWND w = WindowOf(this);
  if (!w) return;
  SendMessageW(w, BM_SETSTYLE, Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  ::HWND root = GetAncestor(w, GA_ROOT);
  if (Value) {
    if (auto old = static_cast<::HWND>(GetPropW(root, kDefaultProp)); old && old != w)
      SendMessageW(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SetPropW(root, kDefaultProp, w);
  } else if (GetPropW(root, kDefaultProp) == w) {
    RemovePropW(root, kDefaultProp);
  }
}

// ---- TCheckBox ----

TCheckBox::TCheckBox(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  SetNative(NativeOf(TNativeControl::nkCheckBox, CreateControlWindow(this, TNativeControl::nkCheckBox, L"BUTTON",
                                                                     BS_AUTOCHECKBOX | WS_TABSTOP)));
}

void TCheckBox::SetChecked(bool Value) {
  if (::HWND w = WindowOf(this)) SendMessageW(w, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
  if (Value == FChecked) return;
  FChecked = Value;
  if (OnClick) OnClick(this);
}

// ---- TRadioButton ----

TRadioButton::TRadioButton(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  SetNative(NativeOf(TNativeControl::nkRadioButton, CreateControlWindow(this, TNativeControl::nkRadioButton, L"BUTTON",
                                                                        BS_AUTORADIOBUTTON | WS_TABSTOP)));
}

void TRadioButton::SetState(bool Value) {
  FChecked = Value;
  if (::HWND w = WindowOf(this)) SendMessageW(w, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
}

// ---- TComboBox ----

TComboBox::TComboBox(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  // The window's height includes the dropped-down list.
  ::HWND w = CreateControlWindow(this, TNativeControl::nkComboBox, L"COMBOBOX",
                                 CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0, AHeight + 160);
  // The closed box as high as the layout asks (the field's borders are 6 pixels).
  if (w && AHeight > 8) SendMessageW(w, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), AHeight - 6);
  SetNative(NativeOf(TNativeControl::nkComboBox, w));
}

void TComboBox::SetItems(const std::vector<std::string>& Items) {
  FItems = Items;
  FItemIndex = -1;
  if (::HWND w = WindowOf(this)) {
    SendMessageW(w, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : FItems) {
      const std::wstring text = WideOf(item);
      SendMessageW(w, CB_ADDSTRING, 0, reinterpret_cast<::LPARAM>(text.c_str()));
    }
    SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
  }
}

void TComboBox::SetItemIndex(int Value) {
  FItemIndex = Value >= 0 && Value < static_cast<int>(FItems.size()) ? Value : -1;
  if (::HWND w = WindowOf(this)) SendMessageW(w, CB_SETCURSEL, static_cast<WPARAM>(FItemIndex), 0);
}

// ---- TTrackBar ----

TTrackBar::TTrackBar(TControl* AParent, int ALeft, int ATop, int AWidth, int AHeight)
    : TControl(AParent, ALeft, ATop, AWidth, AHeight) {
  ::HWND w = CreateControlWindow(this, TNativeControl::nkTrackBar, TRACKBAR_CLASSW,
                                 TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | WS_TABSTOP);
  if (w) {
    SendMessageW(w, TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageW(w, TBM_SETRANGEMAX, FALSE, FMax);
    SendMessageW(w, TBM_SETLINESIZE, 0, 1);
    SendMessageW(w, TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
    SendMessageW(w, TBM_SETPOS, TRUE, FPosition);
  }
  SetNative(NativeOf(TNativeControl::nkTrackBar, w));
}

void TTrackBar::SetRange(int AMin, int AMax) {
  FMin = AMin;
  FMax = std::max(AMin, AMax);
  if (::HWND w = WindowOf(this)) {
    SendMessageW(w, TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageW(w, TBM_SETRANGEMAX, TRUE, FMax);
    // The ticks follow the range.
    if (FFrequency > 0) SendMessageW(w, TBM_SETTICFREQ, static_cast<WPARAM>(FFrequency), 0);
  }
  SetPosition(FPosition);
}

void TTrackBar::SetPosition(int Value) {
  const int p = std::clamp(Value, FMin, FMax);
  if (::HWND w = WindowOf(this)) SendMessageW(w, TBM_SETPOS, TRUE, p);
  if (p == FPosition) return;
  FPosition = p;
  if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int Value) {
  FFrequency = Value;
  ::HWND w = WindowOf(this);
  if (!w) return;
  LONG_PTR style = GetWindowLongPtrW(w, GWL_STYLE);
  style = Value > 0 ? (style & ~static_cast<LONG_PTR>(TBS_NOTICKS)) : (style | TBS_NOTICKS);
  SetWindowLongPtrW(w, GWL_STYLE, style);
  SendMessageW(w, TBM_CLEARTICS, FALSE, 0);
  if (Value > 0) SendMessageW(w, TBM_SETTICFREQ, static_cast<WPARAM>(Value), 0);
  InvalidateRect(w, nullptr, TRUE);
}

}  // namespace emberhall
