#include "platform/x11/XRandRConfig.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>

#include "platform/x11/X11ErrorTrap.h"

namespace emberhall {

namespace {

struct TResources {
  XRRScreenResources* R;
  TResources(Display* d, Window root) : R(XRRGetScreenResourcesCurrent(d, root)) {}
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

std::string OutputName(const XRROutputInfo* o) { return std::string(o->name, static_cast<size_t>(o->nameLen)); }

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

// The screen's millimetres as the server has them now.
bool CurrentMillimetres(Display* d, int& width, int& height) {
  Display* fresh = XOpenDisplay(DisplayString(d));
  if (!fresh) return false;
  width = DisplayWidthMM(fresh, DefaultScreen(fresh));
  height = DisplayHeightMM(fresh, DefaultScreen(fresh));
  XCloseDisplay(fresh);
  return true;
}

}  // namespace

bool HasRandR12(Display* D) {
  int event = 0, error = 0, major = 0, minor = 0;
  return XRRQueryExtension(D, &event, &error) && XRRQueryVersion(D, &major, &minor) &&
         (major > 1 || (major == 1 && minor >= 2));
}

int RootBitsPerPixel(Display* D, int Screen) {
  int count = 0, bpp = DefaultDepth(D, Screen);
  XPixmapFormatValues* formats = XListPixmapFormats(D, &count);
  for (int i = 0; i < count; ++i)
    if (formats[i].depth == DefaultDepth(D, Screen)) bpp = formats[i].bits_per_pixel;
  if (formats) XFree(formats);
  return bpp;
}

void RootSize(Display* D, Window Root, int& Width, int& Height) {
  Window r;
  int x, y;
  unsigned width = 0, height = 0, border, depth;
  XGetGeometry(D, Root, &r, &x, &y, &width, &height, &border, &depth);
  Width = static_cast<int>(width);
  Height = static_cast<int>(height);
}

std::vector<TModeSize> OutputModes(Display* D, Window Root) {
  std::vector<TModeSize> modes;
  TResources res(D, Root);
  const RROutput output = res.R ? OutputInUse(D, Root, res.R) : 0;
  XRROutputInfo* o = output ? XRRGetOutputInfo(D, res.R, output) : nullptr;
  for (int i = 0; o && i < o->nmode; ++i) {
    TModeSize m{o->modes[i], 0, 0};
    if (ModeSize(res.R, o->modes[i], m.Width, m.Height)) modes.push_back(m);
  }
  if (o) XRRFreeOutputInfo(o);
  return modes;
}

unsigned long OutputModeOfSize(Display* D, Window Root, const std::string& Output, int Width, int Height) {
  TResources res(D, Root);
  RRMode mode = 0;
  for (int i = 0; res.R && i < res.R->noutput && !mode; ++i) {
    XRROutputInfo* o = XRRGetOutputInfo(D, res.R, res.R->outputs[i]);
    for (int k = 0; o && OutputName(o) == Output && k < o->nmode && !mode; ++k) {
      int w = 0, h = 0;
      if (ModeSize(res.R, o->modes[k], w, h) && w == Width && h == Height) mode = o->modes[k];
    }
    if (o) XRRFreeOutputInfo(o);
  }
  return mode;
}

bool ReadCurrentConfig(Display* D, Window Root, TCrtcConfig& C) {
  TResources res(D, Root);
  const RROutput output = res.R ? OutputInUse(D, Root, res.R) : 0;
  XRROutputInfo* o = output ? XRRGetOutputInfo(D, res.R, output) : nullptr;
  if (!o) return false;
  C.Output = OutputName(o);
  C.Crtc = o->crtc;
  XRRFreeOutputInfo(o);
  XRRCrtcInfo* crtc = C.Crtc ? XRRGetCrtcInfo(D, res.R, C.Crtc) : nullptr;
  if (!crtc) return false;
  C.Mode = crtc->mode;
  C.X = crtc->x;
  C.Y = crtc->y;
  C.Rotation = crtc->rotation;
  C.Outputs.assign(crtc->outputs, crtc->outputs + crtc->noutput);
  XRRFreeCrtcInfo(crtc);
  RootSize(D, Root, C.Width, C.Height);
  return CurrentMillimetres(D, C.MmWidth, C.MmHeight);
}

bool ApplyConfig(Display* D, Window Root, const TCrtcConfig& C) {
  TResources res(D, Root);
  if (!res.R) return false;
  TX11ErrorTrap trap(D);
  XGrabServer(D);
  int curW = 0, curH = 0;
  RootSize(D, Root, curW, curH);
  if (C.Width > curW || C.Height > curH)
    XRRSetScreenSize(D, Root, std::max(curW, C.Width), std::max(curH, C.Height), C.MmWidth, C.MmHeight);
  std::vector<RROutput> outputs(C.Outputs.begin(), C.Outputs.end());
  const Status s = XRRSetCrtcConfig(D, res.R, C.Crtc, CurrentTime, C.X, C.Y, C.Mode, static_cast<Rotation>(C.Rotation),
                                    outputs.data(), static_cast<int>(outputs.size()));
  if (s == RRSetConfigSuccess) XRRSetScreenSize(D, Root, C.Width, C.Height, C.MmWidth, C.MmHeight);
  XUngrabServer(D);
  return trap.Sync() && s == RRSetConfigSuccess;
}

int ScaledMm(int Px, int OrigPx, int OrigMm) {
  if (OrigPx > 0 && OrigMm > 0) return static_cast<int>((static_cast<long>(Px) * OrigMm + OrigPx / 2) / OrigPx);
  return Px * 254 / 960;  // 96 dots per inch
}

}  // namespace emberhall
