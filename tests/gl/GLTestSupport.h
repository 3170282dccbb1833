// A real OpenGL context on a small window of the test script's Xvfb, and a
// thin recording layer over chosen entry points.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "gl/GLContext.h"

namespace emberhall::test {

class TGLContextTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The pixel (x, y) of the back buffer as RGB.
  std::vector<int> ReadPixel(int x, int y);
  // Identity projection and modelview, no lighting, no texturing: drawing in -1..1.
  void PlainDrawing();

  std::unique_ptr<TCustomOpenGL> OpenGL;
  TGLDeviceContext DC;
  static constexpr int Size = 64;
};

// Creates a window with the given visual on the shared GLX connection.
uintptr_t CreateTestWindow(unsigned long VisualID, int Width, int Height);
void DestroyTestWindow(uintptr_t Window);

// Calls recorded by the recording entry points, as "name arg".
std::vector<std::string>& RecordedCalls();

// Replaces an entry point for the scope and restores it afterwards.
template <class T>
class TScopedEntry {
 public:
  TScopedEntry(T& pointer, T replacement) : FPointer(pointer), FSaved(pointer) { pointer = replacement; }
  ~TScopedEntry() { FPointer = FSaved; }

 private:
  T& FPointer;
  T FSaved;
};

// Records the light, material and colour calls of Parts that send only what is dirty.
class TRecordLightingCalls {
 public:
  TRecordLightingCalls();
  ~TRecordLightingCalls();
};

}  // namespace emberhall::test
