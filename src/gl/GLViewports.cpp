#include "gl/GLViewports.h"

#include <cmath>
#include <numbers>

#include "gl/GLU.h"

namespace emberhall {

void TGLViewport::SetViewport(int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight) {
  X = AX;
  Y = AY;
  Width = AWidth;
  Height = AHeight;
}

void TGLViewport::SetOrtho(double Left, double Right, double Bottom, double Top, double Near, double Far) {
  OrthoBox = {Left, Right, Bottom, Top, Near, Far};
}

void TGLViewport::SetFrustum(double Left, double Right, double Bottom, double Top, double Near, double Far) {
  FrustumBox = {Left, Right, Bottom, Top, Near, Far};
}

void TGLViewport::SetPerspective(double FovY, double Aspect, double Near, double Far) {
  const double top = std::tan(FovY * std::numbers::pi / 360.0) * Near;
  const double right = top * Aspect;
  FrustumBox = {-right, right, -top, top, Near, Far};
}

void TGLViewport::LoadProjectionAndCamera() {
  const TGLBox& b = Perspective ? FrustumBox : OrthoBox;
  if (Perspective) {
    glFrustum(b.Left, b.Right, b.Bottom, b.Top, b.Near, b.Far);
  } else {
    glOrtho(b.Left, b.Right, b.Bottom, b.Top, b.Near, b.Far);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(Position.X, Position.Y, Position.Z, static_cast<double>(Position.X) + Direction.X,
            static_cast<double>(Position.Y) + Direction.Y, static_cast<double>(Position.Z) + Direction.Z, Up.X, Up.Y,
            Up.Z);
}

void TGLViewport::Apply() {
  glViewport(X, Y, Width, Height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  LoadProjectionAndCamera();
}

void TGLViewport::BeginSelect(int32_t SX, int32_t SY, int32_t SW, int32_t SH) {
  glSelectBuffer(512, SelectBuffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(0);
  GLint v[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, v);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPickMatrix(SX, v[3] - SY, SW, SH, v);
  LoadProjectionAndCamera();
  if (Selected) Selected->SelectedFlag = false;
  Selected = nullptr;
}

void TGLViewport::EndSelect() {
  const GLint hits = glRenderMode(GL_RENDER);
  if (hits <= 0) return;
  const GLuint name = SelectBuffer[4 * (hits - 1) + 3];
  if (name == 0 || !ObjectOfName) return;
  if (TGLSelectable* object = ObjectOfName(name)) {
    Selected = object;
    object->SelectedFlag = true;
  }
}

void TGLScreenShot::Clear() {
  Width = Height = RowSize = 0;
  std::vector<uint8_t>().swap(Data);
}

void TGLScreenShot::Capture(int32_t ClientWidth, int32_t ClientHeight) {
  Clear();
  Width = ClientWidth > 0 ? ClientWidth : 0;
  Height = ClientHeight > 0 ? ClientHeight : 0;
  RowSize = Width * BytesPerPixel;
  ++Count;
  Data.resize(static_cast<size_t>(RowSize) * static_cast<size_t>(Height));
  if (Data.empty()) return;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, Data.data());
}

}  // namespace emberhall
