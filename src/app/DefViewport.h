// The view the OpenGL application sets up before every frame: projection,
// aspect-ratio rule, camera and the clearing of the buffers.
#pragma once

#include <cstdint>

#include "gl/GLViewports.h"

namespace emberhall {

class TCustomGLApplication;

struct TOpenGLVector {
  float Y = 0, X = 0, Z = 0;
  void Assign(const TOpenGLVector& Source) { X = Source.X, Y = Source.Y, Z = Source.Z; }
  void Set(float AX, float AY, float AZ) { X = AX, Y = AY, Z = AZ; }
};

class TOpenGLCamera {
 public:
  // Eye (0, 0, 200) looking at the origin, +Y up.
  TOpenGLCamera();
  // Position := eye; Direction := the unit vector from eye to center; Up := the unit up vector.
  void LookAt(float EyeX, float EyeY, float EyeZ, float CenterX, float CenterY, float CenterZ, float UpX, float UpY,
              float UpZ);
  void Assign(const TOpenGLCamera& Source);

  TOpenGLVector Position, Up, Direction;
};

enum TClearModeFlag : uint8_t { cmColor = 1, cmDepth = 2, cmStencil = 4, cmAccum = 8 };
using TClearMode = uint8_t;  // set of TClearModeFlag

class TDefViewport {
 public:
  explicit TDefViewport(TCustomGLApplication* AApplication);

  // Transfers the settings into the context's viewport and issues the fixed
  // states; nothing when disabled or without a window.
  void Apply();
  // The same inside a rectangle of the window (GL's pixels: rows counted from
  // the bottom), its projection made for the rectangle's size. The clearing
  // is bounded by the scissor box, not by the viewport.
  void Apply(int X, int Y, int Width, int Height);
  // Clears the buffers of ClearMode in the window's colour, whatever Cleared
  // says (Apply clears only when it is set); bounded by the scissor box.
  void Clear();
  // Copies camera, FOV, depths, Perspective, Enabled and Cleared (not
  // ClearMode, WideScreen or Stretch).
  void AssignTo(TDefViewport& Destination) const;
  // The aspect ratio Apply uses for a window of that size.
  double AspectRatio(int Width, int Height) const;

  TGLViewport* GLViewport = nullptr;  // belongs to the context's viewport list
  bool Perspective = true;
  double FarDepth = 10000, NearDepth = 100, FOV = 75;
  bool Cleared = true;
  bool Enabled = true;
  TOpenGLCamera Camera;
  TClearMode ClearMode = cmColor | cmDepth;
  bool WideScreen = false;
  bool Stretch = true;
  TCustomGLApplication* Application;
};

}  // namespace emberhall
