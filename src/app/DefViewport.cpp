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
  if (!Application || !Application->Window) return;
  Apply(0, 0, Application->Window->Width, Application->Window->Height);
}

void TDefViewport::Apply(int X, int Y, int Width, int Height) {
  if (!Enabled || !Application || !Application->Window || !Application->Context) return;
  if (!GLViewport) GLViewport = Application->Context->Viewports.Add();
  GLViewport->SetViewport(X, Y, Width, Height);
  GLViewport->SetPerspective(FOV, AspectRatio(Width, Height), NearDepth, FarDepth);
  GLViewport->SetOrtho(0, Width, 0, Height, NearDepth, FarDepth);
  GLViewport->Perspective = Perspective;
  GLViewport->Direction = MakeVector(Camera.Direction.X, Camera.Direction.Y, Camera.Direction.Z);
  GLViewport->Up = MakeVector(Camera.Up.X, Camera.Up.Y, Camera.Up.Z);
  GLViewport->Position = MakeVector(Camera.Position.X, Camera.Position.Y, Camera.Position.Z);
  GLViewport->Apply();
  if (Cleared) Clear();
  glEnable(GL_DITHER);
  glAlphaFunc(GL_GREATER, 0.5f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glShadeModel(GL_SMOOTH);
}

void TDefViewport::Clear() {
  if (!Enabled || !Application || !Application->Window) return;
  const TGLColor c = UnpackColor(Application->Window->Color);
  glClearColor(c.Red, c.Green, c.Blue, 1.0f);
  glDepthMask(GL_TRUE);
  GLbitfield bits = 0;
  if (ClearMode & cmColor) bits |= GL_COLOR_BUFFER_BIT;
  if (ClearMode & cmDepth) bits |= GL_DEPTH_BUFFER_BIT;
  if (ClearMode & cmStencil) bits |= GL_STENCIL_BUFFER_BIT;
  if (ClearMode & cmAccum) bits |= GL_ACCUM_BUFFER_BIT;
  glClear(bits);
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
