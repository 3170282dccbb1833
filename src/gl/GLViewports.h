// The viewport with its projection and camera, selection under the
// pointer, and reading the frame buffer back for snapshots.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "gl/GLItems.h"
#include "gl/GLTypes.h"
#include "gl/OGL.h"

namespace emberhall {

struct TGLBox {
  double Left, Right, Bottom, Top, Near, Far;
};

// Something that selection can mark as picked.
class TGLSelectable {
 public:
  virtual ~TGLSelectable() = default;
  bool SelectedFlag = false;
};

class TGLViewport : public TGLItem {
 public:
  explicit TGLViewport(TGLItemList* AList) : TGLItem(AList) {}

  void SetViewport(int32_t AX, int32_t AY, int32_t AWidth, int32_t AHeight);
  void SetOrtho(double Left, double Right, double Bottom, double Top, double Near, double Far);
  void SetFrustum(double Left, double Right, double Bottom, double Top, double Near, double Far);
  // FovY in degrees (vertical); sets FrustumBox only.
  void SetPerspective(double FovY, double Aspect, double Near, double Far);
  void Apply();
  void BeginSelect(int32_t SX, int32_t SY, int32_t SW, int32_t SH);
  void EndSelect();

  int32_t X = 0, Y = 0, Width = 100, Height = 100;
  TGLBox OrthoBox{-1, 1, -1, 1, 1, 100};
  TGLBox FrustumBox{-1, 1, -1, 1, 1, 100};
  bool Perspective = true;
  TGLVector Up{0, 1, 0};
  TGLVector Direction{0, 0, -1};
  TGLVector Position{0, 0, 0};
  TGLSelectable* Selected = nullptr;
  GLuint SelectBuffer[512] = {};
  // Maps a selection name to its object; names that map to nothing pick nothing.
  std::function<TGLSelectable*(GLuint Name)> ObjectOfName;

 private:
  void LoadProjectionAndCamera();
};

class TGLViewportList : public TGLTypedItemList<TGLViewport> {
 public:
  explicit TGLViewportList(TCustomOpenGL* AOpenGL) : TGLTypedItemList(AOpenGL) {}
};

class TGLScreenShot {
 public:
  // Reads the window's client area (Width x Height pixels) as RGB rows,
  // bottom row first; the window's context must be current.
  void Capture(int32_t ClientWidth, int32_t ClientHeight);
  uint8_t* Row(int32_t I) { return Data.data() + static_cast<ptrdiff_t>(I) * RowSize; }
  void Clear();

  int32_t Width = 0;
  int32_t Count = 0;
  int32_t Height = 0;
  std::vector<uint8_t> Data;
  int32_t RowSize = 0;
  int32_t BytesPerPixel = 3;
};

}  // namespace emberhall
