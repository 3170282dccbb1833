#include "support/BenchContext.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/SysUtils.h"
#include "platform/glx/GLXPlatform.h"

namespace emberhall::bench {

TBenchContext::TBenchContext(int Size, int Height) {
  Display* d = GLXDisplay();
  if (!d) throw Exception("no X display: set DISPLAY (an Xvfb will do)");
  OpenGL = std::make_unique<TCustomOpenGL>();
  XVisualInfo templ{};
  templ.visualid = OpenGL->ChooseVisual();
  int n = 0;
  XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &templ, &n);
  if (!info) throw Exception("no visual for OpenGL");
  XSetWindowAttributes a{};
  a.colormap = XCreateColormap(d, DefaultRootWindow(d), info->visual, AllocNone);
  FWindow = XCreateWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(Size), static_cast<unsigned>(Height > 0 ? Height : Size), 0,
                          info->depth, InputOutput, info->visual, CWColormap, &a);
  XFree(info);
  XMapWindow(d, FWindow);
  XSync(d, False);
  OpenGL->StartContext({d, DefaultScreen(d), FWindow});
  if (!OpenGL->Active) throw Exception("no OpenGL context");
}

TBenchContext::~TBenchContext() {
  OpenGL.reset();
  if (FWindow) XDestroyWindow(GLXDisplay(), FWindow);
  XSync(GLXDisplay(), False);
}

}  // namespace emberhall::bench
