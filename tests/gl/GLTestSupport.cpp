#include "gl/GLTestSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>

#include "platform/glx/GLXPlatform.h"

namespace emberhall::test {

unsigned long CreateTestWindow(unsigned long VisualID, int Width, int Height) {
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

void DestroyTestWindow(unsigned long Window) {
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

std::vector<int> TGLContextTest::ReadPixel(int x, int y) {
  unsigned char rgb[3] = {};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
  return {rgb[0], rgb[1], rgb[2]};
}

void TGLContextTest::PlainDrawing() {
  emberhall::glMatrixMode(GL_PROJECTION);
  emberhall::glLoadIdentity();
  emberhall::glMatrixMode(GL_MODELVIEW);
  emberhall::glLoadIdentity();
  emberhall::glDisable(GL_LIGHTING);
  emberhall::glDisable(GL_TEXTURE_2D);
}

std::vector<std::string>& RecordedCalls() {
  static std::vector<std::string> calls;
  return calls;
}

namespace {

decltype(emberhall::glLightfv) realLightfv;
decltype(emberhall::glLightf) realLightf;
decltype(emberhall::glLightModeli) realLightModeli;
decltype(emberhall::glMaterialfv) realMaterialfv;
decltype(emberhall::glMaterialf) realMaterialf;
decltype(emberhall::glColor4fv) realColor4fv;

std::string Hex(unsigned v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", v);
  return buf;
}

void APIENTRY RecLightfv(GLenum l, GLenum p, const GLfloat* v) {
  RecordedCalls().push_back("glLightfv " + Hex(p));
  realLightfv(l, p, v);
}
void APIENTRY RecLightf(GLenum l, GLenum p, GLfloat v) {
  RecordedCalls().push_back("glLightf " + Hex(p));
  realLightf(l, p, v);
}
void APIENTRY RecLightModeli(GLenum p, GLint v) {
  RecordedCalls().push_back("glLightModeli " + Hex(p));
  realLightModeli(p, v);
}
void APIENTRY RecMaterialfv(GLenum f, GLenum p, const GLfloat* v) {
  RecordedCalls().push_back("glMaterialfv " + Hex(p));
  realMaterialfv(f, p, v);
}
void APIENTRY RecMaterialf(GLenum f, GLenum p, GLfloat v) {
  RecordedCalls().push_back("glMaterialf " + Hex(p));
  realMaterialf(f, p, v);
}
void APIENTRY RecColor4fv(const GLfloat* v) {
  RecordedCalls().push_back("glColor4fv");
  realColor4fv(v);
}

}  // namespace

TRecordLightingCalls::TRecordLightingCalls() {
  RecordedCalls().clear();
  realLightfv = std::exchange(emberhall::glLightfv, RecLightfv);
  realLightf = std::exchange(emberhall::glLightf, RecLightf);
  realLightModeli = std::exchange(emberhall::glLightModeli, RecLightModeli);
  realMaterialfv = std::exchange(emberhall::glMaterialfv, RecMaterialfv);
  realMaterialf = std::exchange(emberhall::glMaterialf, RecMaterialf);
  realColor4fv = std::exchange(emberhall::glColor4fv, RecColor4fv);
}

TRecordLightingCalls::~TRecordLightingCalls() {
  emberhall::glLightfv = realLightfv;
  emberhall::glLightf = realLightf;
  emberhall::glLightModeli = realLightModeli;
  emberhall::glMaterialfv = realMaterialfv;
  emberhall::glMaterialf = realMaterialf;
  emberhall::glColor4fv = realColor4fv;
}

}  // namespace emberhall::test
