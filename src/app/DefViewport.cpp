#include "app/DefViewport.h"

#include "app/GLApp.h"
#include "gl/GLContext.h"

namespace emberhall {

TOpenGLCamera::TOpenGLCamera() { LookAt(0, 0, 200, 0, 0, 0, 0, 1, 0); }

void TOpenGLCamera::LookAt(float EyeX, float EyeY, float EyeZ, float CenterX, float CenterY, float CenterZ, float UpX,
                           float UpY, float UpZ) {
  Position.Set(EyeX, EyeY, EyeZ);
  TGLVector direction = MakeVector(CenterX - EyeX, CenterY - EyeY, CenterZ - EyeZ);
  NormalizeVector(direction);
  Direction.Set(direction.X, direction.Y, direction.Z);
  TGLVector up = MakeVector(UpX, UpY, UpZ);
  NormalizeVector(up);
  Up.Set(up.X, up.Y, up.Z);
}

void TOpenGLCamera::Assign(const TOpenGLCamera& Source) {
  Direction.Assign(Source.Direction);
  Position.Assign(Source.Position);
  Up.Assign(Source.Up);
}

TDefViewport::TDefViewport(TCustomGLApplication* AApplication) : Application(AApplication) {
  Camera.Position.Set(0, 0, -0.00005f);
}

double TDefViewport::AspectRatio(int Width, int Height) const {
  if (WideScreen) return 16.0 / 9.0;
  if (Stretch) return Height != 0 ? static_cast<double>(Width) / Height : 1.0;
  return 4.0 / 3.0;
}

void TDefViewport::Apply() {
  if (!Enabled || !Application || !Application->Window || !Application->Context) return;
  TCustomGLWindow& window = *Application->Window;
  if (!GLViewport) GLViewport = Application->Context->Viewports.Add();
  const int w = window.Width, h = window.Height;
  GLViewport->SetViewport(0, 0, w, h);
  GLViewport->SetPerspective(FOV, AspectRatio(w, h), NearDepth, FarDepth);
  GLViewport->SetOrtho(0, w, 0, h, NearDepth, FarDepth);
  GLViewport->Perspective = Perspective;
  GLViewport->Direction = MakeVector(Camera.Direction.X, Camera.Direction.Y, Camera.Direction.Z);
  GLViewport->Up = MakeVector(Camera.Up.X, Camera.Up.Y, Camera.Up.Z);
  GLViewport->Position = MakeVector(Camera.Position.X, Camera.Position.Y, Camera.Position.Z);
  GLViewport->Apply();
  if (Cleared) {
    const TGLColor c = UnpackColor(window.Color);
    glClearColor(c.Red, c.Green, c.Blue, 1.0f);
    glDepthMask(GL_TRUE);
    GLbitfield bits = 0;
    if (ClearMode & cmColor) bits |= GL_COLOR_BUFFER_BIT;
    if (ClearMode & cmDepth) bits |= GL_DEPTH_BUFFER_BIT;
    if (ClearMode & cmStencil) bits |= GL_STENCIL_BUFFER_BIT;
    if (ClearMode & cmAccum) bits |= GL_ACCUM_BUFFER_BIT;
    glClear(bits);
  }
  glEnable(GL_DITHER);
  glAlphaFunc(GL_GREATER, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glShadeModel(GL_SMOOTH);
}

void TDefViewport::AssignTo(TDefViewport& Destination) const {
  Destination.Camera.Assign(Camera);
  Destination.FOV = FOV;
  Destination.NearDepth = NearDepth;
  Destination.FarDepth = FarDepth;
  Destination.Perspective = Perspective;
  Destination.Enabled = Enabled;
  Destination.Cleared = Cleared;
}

}  // namespace emberhall
