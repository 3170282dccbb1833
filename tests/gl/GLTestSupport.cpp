#include "gl/GLTestSupport.h"

namespace emberhall::test {

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

void GLAPIENTRY RecLightfv(GLenum l, GLenum p, const GLfloat* v) {
  RecordedCalls().push_back("glLightfv " + Hex(p));
  realLightfv(l, p, v);
}
void GLAPIENTRY RecLightf(GLenum l, GLenum p, GLfloat v) {
  RecordedCalls().push_back("glLightf " + Hex(p));
  realLightf(l, p, v);
}
void GLAPIENTRY RecLightModeli(GLenum p, GLint v) {
  RecordedCalls().push_back("glLightModeli " + Hex(p));
  realLightModeli(p, v);
}
void GLAPIENTRY RecMaterialfv(GLenum f, GLenum p, const GLfloat* v) {
  RecordedCalls().push_back("glMaterialfv " + Hex(p));
  realMaterialfv(f, p, v);
}
void GLAPIENTRY RecMaterialf(GLenum f, GLenum p, GLfloat v) {
  RecordedCalls().push_back("glMaterialf " + Hex(p));
  realMaterialf(f, p, v);
}
void GLAPIENTRY RecColor4fv(const GLfloat* v) {
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
