// The test context's window on the test script's Xvfb, through GLX.
#include "gl/GLTestSupport.h"
// Xlib after gtest: its macros clash with gtest's names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

#include "platform/glx/GLXPlatform.h"

namespace emberhall::test {

uintptr_t CreateTestWindow(unsigned long VisualID, int Width, int Height) {
  Display* d = GLXDisplay();
  XVisualInfo templ{};
  templ.visualid = VisualID;
  int n = 0;
  XVisualInfo* info = XGetVisualInfo(d, VisualIDMask, &templ, &n);
  if (!info) return 0;
  XSetWindowAttributes a{};
  a.colormap = XCreateColormap(d, DefaultRootWindow(d), info->visual, AllocNone);
  a.border_pixel = 0;
  Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(Width), static_cast<unsigned>(Height),
                           0, info->depth, InputOutput, info->visual, CWColormap | CWBorderPixel, &a);
  XFree(info);
  XMapWindow(d, w);
  XSync(d, False);
  return w;
}

void DestroyTestWindow(uintptr_t Window) {
  Display* d = GLXDisplay();
  XWindowAttributes a{};
  XGetWindowAttributes(d, Window, &a);
  XDestroyWindow(d, Window);
  XFreeColormap(d, a.colormap);
  XSync(d, False);
}

void TGLContextTest::SetUp() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display || !GLXDisplay()) GTEST_SKIP() << "needs the test script's Xvfb";
  OpenGL = std::make_unique<TCustomOpenGL>();
  unsigned long visual = OpenGL->ChooseVisual();
  ASSERT_NE(visual, 0u);
  DC = {GLXDisplay(), DefaultScreen(GLXDisplay()), CreateTestWindow(visual, Size, Size)};
  ASSERT_NE(DC.Drawable, 0u);
  OpenGL->StartContext(DC);
  ASSERT_TRUE(OpenGL->Active);
}

void TGLContextTest::TearDown() {
  if (!OpenGL) return;
  OpenGL.reset();
  if (DC.Drawable) DestroyTestWindow(DC.Drawable);
}

}  // namespace emberhall::test
