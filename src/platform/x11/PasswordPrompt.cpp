#include "platform/x11/PasswordPrompt.h"

#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <poll.h>
#include <strings.h>

#include <chrono>
#include <vector>

#include "platform/glx/GLXPlatform.h"
#include "platform/posix/Signals.h"
#include "platform/x11/X11Monitors.h"
#include "platform/x11/X11Windows.h"

namespace emberhall {

TPasswordEntry::~TPasswordEntry() { Clear(); }

void TPasswordEntry::Clear() {
  if (!FText.empty()) explicit_bzero(FText.data(), FText.size());
  FText.clear();
}

size_t TPasswordEntry::Length() const {
  size_t count = 0;
  for (unsigned char c : FText)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

TPasswordEntry::TAction TPasswordEntry::Key(unsigned long KeySym, const std::string& Typed, unsigned State) {
  if (KeySym == XK_Return || KeySym == XK_KP_Enter) return Submit;
  if (KeySym == XK_Escape) return Cancel;
  if (KeySym == XK_BackSpace) {
    while (!FText.empty() && (static_cast<unsigned char>(FText.back()) & 0xC0) == 0x80) FText.pop_back();
    if (!FText.empty()) FText.pop_back();
    return Typing;
  }
  if ((State & ControlMask) && (KeySym == XK_u || KeySym == XK_U)) {
    Clear();
    return Typing;
  }
  for (unsigned char c : Typed)
    if (c < 0x20 || c == 0x7F) return Typing;  // control characters are no part of a password
  if (FText.size() + Typed.size() <= MaxLength) FText += Typed;
  return Typing;
}

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 460, kHeight = 170;

// Latin-1 text as XLookupString returns it, in UTF-8.
std::string Utf8OfLatin1(const char* Text, int Length) {
  std::string out;
  for (int i = 0; i < Length; ++i) {
    const auto c = static_cast<unsigned char>(Text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  explicit_bzero(const_cast<char*>(Text), static_cast<size_t>(Length));
  return out;
}

class TPromptWindow {
 public:
  TPromptWindow(Display* D, const std::string& Title) : d(D), title(Title) {
    const int screen = DefaultScreen(d);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixel = 0x1C1814;
    a.border_pixel = 0xC8642A;
    a.event_mask = ExposureMask | KeyPressMask;
    // In the middle of the first monitor: never across the seam between two.
    TMonitorRect area{0, 0, DisplayWidth(d, screen), DisplayHeight(d, screen)};
    const std::vector<TMonitorRect> monitors = X11MonitorRects(RootWindow(d, screen));
    if (!monitors.empty()) area = monitors.front();
    const int x = area.X + (area.Width - kWidth) / 2, y = area.Y + (area.Height - kHeight) / 2;
    w = XCreateWindow(d, RootWindow(d, screen), x, y, kWidth, kHeight, 2, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWBorderPixel | CWEventMask, &a);
    gc = XCreateGC(d, w, 0, nullptr);
    draw = XftDrawCreate(d, w, DefaultVisual(d, screen), DefaultColormap(d, screen));
    titleFont = XftFontOpenName(d, screen, "Liberation Sans:bold:pixelsize=20");
    textFont = XftFontOpenName(d, screen, "Liberation Sans:pixelsize=15");
    XftColorAllocName(d, DefaultVisual(d, screen), DefaultColormap(d, screen), "#F0E6D8", &light);
    XftColorAllocName(d, DefaultVisual(d, screen), DefaultColormap(d, screen), "#E89048", &accent);
    XMapRaised(d, w);
    // Without a grab of our own full-screen window, the prompt takes the keyboard.
    if (!X11FullScreenGrabbed()) {
      XSync(d, False);
      ownGrab = XGrabKeyboard(d, w, False, GrabModeAsync, GrabModeAsync, CurrentTime) == GrabSuccess;
    }
    XGetInputFocus(d, &oldFocus, &oldRevert);
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XSync(d, False);
  }

  ~TPromptWindow() {
    const int screen = DefaultScreen(d);
    if (ownGrab) XUngrabKeyboard(d, CurrentTime);
    XftColorFree(d, DefaultVisual(d, screen), DefaultColormap(d, screen), &light);
    XftColorFree(d, DefaultVisual(d, screen), DefaultColormap(d, screen), &accent);
    if (titleFont) XftFontClose(d, titleFont);
    if (textFont) XftFontClose(d, textFont);
    XftDrawDestroy(draw);
    XFreeGC(d, gc);
    XDestroyWindow(d, w);
    // Focus goes back where it was (it may be gone by now: errors are ignored).
    if (oldFocus != None && oldFocus != PointerRoot) XSetInputFocus(d, oldFocus, oldRevert, CurrentTime);
    XSync(d, False);
  }

  void Paint(size_t Typed, const std::string& Message) {
    XClearWindow(d, w);
    Text(titleFont, accent, 24, 38, title);
    Text(textFont, light, 24, 72, "Password:");
    XSetForeground(d, gc, 0x3A322A);
    XFillRectangle(d, w, gc, 110, 54, kWidth - 134, 26);
    XSetForeground(d, gc, 0xF0E6D8);
    const size_t fits = static_cast<size_t>(kWidth - 134 - 12) / 14;
    for (size_t i = 0; i < Typed && i < fits; ++i)
      XFillArc(d, w, gc, 116 + static_cast<int>(i) * 14, 61, 10, 10, 0, 360 * 64);
    Text(textFont, light, 24, 120, Message);
    Text(textFont, light, 24, 148, "Enter confirms, Escape returns to the fire.");
    XFlush(d);
  }

  // Takes the events that wait; answers the keys in order through OnKey.
  template <typename KeyHandler>
  void Drain(size_t Typed, const std::string& Message, KeyHandler OnKey) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == Expose && e.xexpose.window == w && e.xexpose.count == 0) Paint(Typed, Message);
      if (e.type == KeyPress) {
        char buffer[32];
        KeySym sym = 0;
        const int n = XLookupString(&e.xkey, buffer, sizeof(buffer), &sym, nullptr);
        OnKey(sym, Utf8OfLatin1(buffer, n), e.xkey.state);
      }
      // Anything else that arrives while the prompt is up is not for the picture.
    }
  }

  void Wait(int Milliseconds) {
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, Milliseconds);
  }

 private:
  void Text(XftFont* Font, XftColor& Color, int X, int Y, const std::string& S) {
    if (Font && !S.empty())
      XftDrawStringUtf8(draw, &Color, Font, X, Y, reinterpret_cast<const FcChar8*>(S.data()), static_cast<int>(S.size()));
  }

  Display* d;
  std::string title;
  Window w = 0;
  GC gc = nullptr;
  XftDraw* draw = nullptr;
  XftFont* titleFont = nullptr;
  XftFont* textFont = nullptr;
  XftColor light{}, accent{};
  bool ownGrab = false;
  Window oldFocus = None;
  int oldRevert = RevertToParent;
};

int MillisecondsSince(Clock::time_point Start) {
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - Start).count());
}

}  // namespace

bool RunPasswordPrompt(const std::string& Title, const TPasswordChecker& Check, int IdleTimeoutMs) {
  Display* d = GLXDisplay();
  if (!d) return false;
  TPromptWindow prompt(d, Title);
  TPasswordEntry entry;
  std::string status = "Type your password to end the screensaver.";
  auto lastKey = Clock::now();
  TPasswordEntry::TAction action = TPasswordEntry::Typing;
  prompt.Paint(0, status);
  while (action == TPasswordEntry::Typing && MillisecondsSince(lastKey) < IdleTimeoutMs && !TerminationRequested()) {
    prompt.Drain(entry.Length(), status, [&](unsigned long Sym, const std::string& Typed, unsigned State) {
      if (action != TPasswordEntry::Typing) return;
      action = entry.Key(Sym, Typed, State);
      lastKey = Clock::now();
      prompt.Paint(entry.Length(), status);
    });
    if (action == TPasswordEntry::Typing) prompt.Wait(100);
  }
  if (action != TPasswordEntry::Submit) return false;
  status = "Checking...";
  prompt.Paint(entry.Length(), status);
  const auto ignoreKeys = [](unsigned long, const std::string&, unsigned) {};
  const TPasswordVerdict verdict =
      Check(entry.Text(), [&] { prompt.Drain(entry.Length(), status, ignoreKeys); });
  entry.Clear();
  if (verdict != TPasswordVerdict::Refused) return true;
  status = "Wrong password.";
  prompt.Paint(0, status);
  for (auto shown = Clock::now(); MillisecondsSince(shown) < 1200 && !TerminationRequested();) {
    prompt.Drain(0, status, ignoreKeys);
    prompt.Wait(50);
  }
  return false;
}

}  // namespace emberhall
