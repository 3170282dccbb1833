#include "platform/x11/XRandRDisplaySettings.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/posix/Paths.h"

namespace emberhall {

namespace {

// The CRTC configuration of the output and the screen size around it.
struct TConfig {
  std::string Output;
  unsigned long Crtc = 0;
  unsigned long Mode = 0;
  int X = 0, Y = 0;
  int Rotation = RR_Rotate_0;
  std::vector<unsigned long> Outputs;
  int Width = 0, Height = 0, MmWidth = 0, MmHeight = 0;
};

int trappedErrors = 0;
int TrapError(Display*, XErrorEvent*) {
  ++trappedErrors;
  return 0;
}

// Runs f with X errors counted instead of ending the program; true when none came.
template <class F>
bool WithoutXErrors(Display* d, F f) {
  XSync(d, False);
  trappedErrors = 0;
  auto old = XSetErrorHandler(TrapError);
  bool ok = f();
  XSync(d, False);
  XSetErrorHandler(old);
  return ok && trappedErrors == 0;
}

struct TResources {
  Display* D;
  XRRScreenResources* R;
  TResources(Display* d, Window root) : D(d), R(XRRGetScreenResourcesCurrent(d, root)) {}
  ~TResources() {
    if (R) XRRFreeScreenResources(R);
  }
};

bool ModeSize(XRRScreenResources* r, RRMode mode, int& w, int& h) {
  for (int i = 0; i < r->nmode; ++i) {
    if (r->modes[i].id == mode) {
      w = static_cast<int>(r->modes[i].width);
      h = static_cast<int>(r->modes[i].height);
      return true;
    }
  }
  return false;
}

// The primary output when it is connected, else the first connected one.
RROutput OutputInUse(Display* d, Window root, XRRScreenResources* r) {
  auto connected = [&](RROutput o) {
    XRROutputInfo* info = XRRGetOutputInfo(d, r, o);
    bool ok = info && info->connection == RR_Connected;
    if (info) XRRFreeOutputInfo(info);
    return ok;
  };
  RROutput primary = XRRGetOutputPrimary(d, root);
  if (primary && connected(primary)) return primary;
  for (int i = 0; i < r->noutput; ++i)
    if (connected(r->outputs[i])) return r->outputs[i];
  return 0;
}

int RootBitsPerPixel(Display* d, int screen) {
  int count = 0, bpp = DefaultDepth(d, screen);
  XPixmapFormatValues* formats = XListPixmapFormats(d, &count);
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == DefaultDepth(d, screen)) bpp = formats[i].bits_per_pixel;
  if (formats) XFree(formats);
  return bpp;
}

void RootSize(Display* d, Window root, int& w, int& h) {
  Window r;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  XGetGeometry(d, root, &r, &x, &y, &width, &height, &border, &depth);
  w = static_cast<int>(width);
  h = static_cast<int>(height);
}

int ScaledMm(int px, int origPx, int origMm) {
  if (origPx > 0 && origMm > 0) return static_cast<int>((static_cast<long>(px) * origMm + origPx / 2) / origPx);
  return px * 254 / 960;  // 96 dots per inch
}

// Sets a CRTC and the screen size around it, growing the screen first and
// shrinking it last so that every CRTC fits at each step.
bool Apply(Display* d, Window root, const TConfig& c) {
  TResources res(d, root);
  if (!res.R) return false;
  return WithoutXErrors(d, [&] {
    XGrabServer(d);
    int curW = 0, curH = 0;
    RootSize(d, root, curW, curH);
    if (c.Width > curW || c.Height > curH)
      XRRSetScreenSize(d, root, std::max(curW, c.Width), std::max(curH, c.Height), c.MmWidth, c.MmHeight);
    std::vector<RROutput> outputs(c.Outputs.begin(), c.Outputs.end());
    Status s = XRRSetCrtcConfig(d, res.R, c.Crtc, CurrentTime, c.X, c.Y, c.Mode, static_cast<Rotation>(c.Rotation),
                                outputs.data(), static_cast<int>(outputs.size()));
    if (s == RRSetConfigSuccess) XRRSetScreenSize(d, root, c.Width, c.Height, c.MmWidth, c.MmHeight);
    XUngrabServer(d);
    return s == RRSetConfigSuccess;
  });
}

bool ReadCurrentConfig(Display* d, Window root, int screen, TConfig& c) {
  TResources res(d, root);
  if (!res.R) return false;
  RROutput output = OutputInUse(d, root, res.R);
  if (!output) return false;
  XRROutputInfo* o = XRRGetOutputInfo(d, res.R, output);
  if (!o) return false;
  c.Output = std::string(o->name, static_cast<size_t>(o->nameLen));
  c.Crtc = o->crtc;
  XRRFreeOutputInfo(o);
  if (!c.Crtc) return false;
  XRRCrtcInfo* crtc = XRRGetCrtcInfo(d, res.R, c.Crtc);
  if (!crtc) return false;
  c.Mode = crtc->mode;
  c.X = crtc->x;
  c.Y = crtc->y;
  c.Rotation = crtc->rotation;
  c.Outputs.assign(crtc->outputs, crtc->outputs + crtc->noutput);
  XRRFreeCrtcInfo(crtc);
  RootSize(d, root, c.Width, c.Height);
  c.MmWidth = DisplayWidthMM(d, screen);
  c.MmHeight = DisplayHeightMM(d, screen);
  return true;
}

// ---- the record of a switched display ----

struct TRecord {
  long Pid = 0;
  std::string Program;
  TConfig Original;
  unsigned long Switched = 0;
};

void WriteRecord(const std::string& file, const TRecord& r) {
  std::ostringstream s;
  const TConfig& c = r.Original;
  s << "pid=" << r.Pid << "\nprogram=" << r.Program << "\noutput=" << c.Output << "\ncrtc=" << c.Crtc
    << "\nmode=" << c.Mode << "\nposition=" << c.X << " " << c.Y << "\nrotation=" << c.Rotation << "\noutputs=";
  for (unsigned long o : c.Outputs) s << o << " ";
  s << "\nscreen=" << c.Width << " " << c.Height << " " << c.MmWidth << " " << c.MmHeight
    << "\nswitched=" << r.Switched << "\n";
  std::string temp = file + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    out << s.str();
    out.flush();
    if (!out) return;
  }
  std::rename(temp.c_str(), file.c_str());
}

bool ReadRecord(const std::string& file, TRecord& r) {
  std::ifstream in(file);
  if (!in) return false;
  std::map<std::string, std::string> kv;
  for (std::string line; std::getline(in, line);) {
    size_t eq = line.find('=');
    if (eq != std::string::npos) kv[line.substr(0, eq)] = line.substr(eq + 1);
  }
  try {
    r.Pid = std::stol(kv.at("pid"));
    r.Program = kv.at("program");
    r.Original.Output = kv.at("output");
    r.Original.Crtc = std::stoul(kv.at("crtc"));
    r.Original.Mode = std::stoul(kv.at("mode"));
    std::istringstream(kv.at("position")) >> r.Original.X >> r.Original.Y;
    r.Original.Rotation = std::stoi(kv.at("rotation"));
    std::istringstream outs(kv.at("outputs"));
    for (unsigned long o; outs >> o;) r.Original.Outputs.push_back(o);
    std::istringstream(kv.at("screen")) >> r.Original.Width >> r.Original.Height >> r.Original.MmWidth >>
        r.Original.MmHeight;
    r.Switched = std::stoul(kv.at("switched"));
  } catch (const std::exception&) {
    return false;
  }
  return r.Original.Crtc && r.Original.Width > 0 && r.Original.Height > 0;
}

bool ProgramStillRuns(const TRecord& r) {
  if (r.Pid == getpid()) return true;  // this process's own switch
  if (r.Pid <= 0 || kill(static_cast<pid_t>(r.Pid), 0) != 0) return false;
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(r.Pid) + "/exe", ec);
  return !ec && exe.string() == r.Program;
}

}  // namespace

struct TXRandRDisplaySettings::TState {
  Display* D = nullptr;
  Window Root = 0;
  int Screen = 0;
  bool HasRandR = false;
  bool Saved = false;
  TConfig Original;
  std::string RecordFile;
};

std::string TXRandRDisplaySettings::RecordFileName(const std::string& DisplayName) {
  std::string safe;
  for (char c : DisplayName) safe += c == '/' ? '_' : c;
  return RuntimeDirectory() + "emberhall-display" + safe + ".record";
}

TXRandRDisplaySettings::TXRandRDisplaySettings(const std::string& DisplayName) : F(std::make_unique<TState>()) {
  const char* env = std::getenv("DISPLAY");
  if (DisplayName.empty() && !(env && *env)) return;
  F->D = XOpenDisplay(DisplayName.empty() ? nullptr : DisplayName.c_str());
  if (!F->D) return;
  F->Screen = DefaultScreen(F->D);
  F->Root = RootWindow(F->D, F->Screen);
  int event = 0, error = 0, major = 0, minor = 0;
  F->HasRandR = XRRQueryExtension(F->D, &event, &error) && XRRQueryVersion(F->D, &major, &minor) &&
                (major > 1 || (major == 1 && minor >= 2));
  F->RecordFile = RecordFileName(DisplayString(F->D));
  if (F->HasRandR) RecoverSwitchedDisplay(DisplayString(F->D));
}

TXRandRDisplaySettings::~TXRandRDisplaySettings() {
  RestoreMode();
  if (F->D) XCloseDisplay(F->D);
}

bool TXRandRDisplaySettings::Switched() const { return F->Saved; }

TVideoMode TXRandRDisplaySettings::DesktopMode() {
  if (!F->D) return {};
  TVideoMode m;
  RootSize(F->D, F->Root, m.Width, m.Height);
  m.BitsPerPixel = RootBitsPerPixel(F->D, F->Screen);
  return m;
}

std::vector<TVideoMode> TXRandRDisplaySettings::ListModes() {
  std::vector<TVideoMode> modes;
  if (!F->D || !F->HasRandR) return modes;
  TResources res(F->D, F->Root);
  RROutput output = res.R ? OutputInUse(F->D, F->Root, res.R) : 0;
  if (!output) return modes;
  XRROutputInfo* o = XRRGetOutputInfo(F->D, res.R, output);
  const int bpp = RootBitsPerPixel(F->D, F->Screen);
  for (int i = 0; o && i < o->nmode; ++i) {
    TVideoMode m{0, 0, bpp};
    if (ModeSize(res.R, o->modes[i], m.Width, m.Height)) modes.push_back(m);
  }
  if (o) XRRFreeOutputInfo(o);
  return modes;
}

bool TXRandRDisplaySettings::TestMode(const TVideoMode& Mode) {
  if (!F->D || Mode.BitsPerPixel != RootBitsPerPixel(F->D, F->Screen)) return false;
  for (const TVideoMode& m : ListModes())
    if (m == Mode) return true;
  return false;
}

bool TXRandRDisplaySettings::ChangeMode(const TVideoMode& Mode) {
  if (!FSwitchingAllowed || !F->D || !F->HasRandR || !TestMode(Mode)) return false;
  TConfig now;
  if (!ReadCurrentConfig(F->D, F->Root, F->Screen, now)) return false;
  TResources res(F->D, F->Root);
  if (!res.R) return false;
  // The output's first mode of that size.
  RRMode mode = 0;
  XRROutputInfo* o = nullptr;
  for (int i = 0; i < res.R->noutput && !mode; ++i) {
    o = XRRGetOutputInfo(F->D, res.R, res.R->outputs[i]);
    if (o && std::string(o->name, static_cast<size_t>(o->nameLen)) == now.Output) {
      for (int k = 0; k < o->nmode && !mode; ++k) {
        int w = 0, h = 0;
        if (ModeSize(res.R, o->modes[k], w, h) && w == Mode.Width && h == Mode.Height) mode = o->modes[k];
      }
    }
    if (o) XRRFreeOutputInfo(o);
  }
  if (!mode) return false;
  if (!F->Saved) {
    F->Original = now;
    F->Saved = true;
    WriteRecord(F->RecordFile, {getpid(), ProgramFileName(), F->Original, 0});
  }
  TConfig target = now;
  target.Mode = mode;
  const bool sideways = now.Rotation & (RR_Rotate_90 | RR_Rotate_270);
  target.Width = now.X + (sideways ? Mode.Height : Mode.Width);
  target.Height = now.Y + (sideways ? Mode.Width : Mode.Height);
  target.MmWidth = ScaledMm(target.Width, F->Original.Width, F->Original.MmWidth);
  target.MmHeight = ScaledMm(target.Height, F->Original.Height, F->Original.MmHeight);
  const bool ok = Apply(F->D, F->Root, target);
  WriteRecord(F->RecordFile, {getpid(), ProgramFileName(), F->Original, ok ? static_cast<unsigned long>(mode) : 0});
  return ok;
}

void TXRandRDisplaySettings::RestoreMode() {
  if (!F->Saved || !F->D) return;
  Apply(F->D, F->Root, F->Original);
  F->Saved = false;
  std::remove(F->RecordFile.c_str());
}

bool RecoverSwitchedDisplay(const std::string& DisplayName) {
  const char* env = std::getenv("DISPLAY");
  std::string name = DisplayName.empty() ? (env ? env : "") : DisplayName;
  if (name.empty()) return false;
  const std::string file = TXRandRDisplaySettings::RecordFileName(name);
  if (!std::filesystem::exists(file)) return false;
  TRecord r;
  const bool readable = ReadRecord(file, r);
  if (readable && ProgramStillRuns(r)) return false;
  Display* d = XOpenDisplay(name.c_str());
  if (!d) return false;
  Window root = DefaultRootWindow(d);
  TConfig now;
  const bool matches = readable && ReadCurrentConfig(d, root, DefaultScreen(d), now) &&
                       now.Output == r.Original.Output && now.Crtc == r.Original.Crtc;
  bool restored = false;
  if (matches && now.Mode == r.Switched && r.Switched != 0) {
    restored = Apply(d, root, r.Original);
  } else if (!(matches && now.Mode == r.Original.Mode)) {
    std::fprintf(stderr, "Emberhall: the saved display configuration in %s no longer matches the screen; discarded\n",
                 file.c_str());
  }
  XCloseDisplay(d);
  std::remove(file.c_str());
  return restored;
}

namespace {
TXRandRDisplaySettings& SystemSettings() {
  static TXRandRDisplaySettings settings;
  return settings;
}
}  // namespace

IDisplaySettings& SystemDisplaySettings() { return SystemSettings(); }

void SetDisplaySwitchingAllowed(bool Allowed) { SystemSettings().SetSwitchingAllowed(Allowed); }

}  // namespace emberhall
