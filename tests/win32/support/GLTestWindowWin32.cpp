// The test context's window: a small top-level Win32 window, through WGL.
#include <cstdlib>

#include "gl/GLTestSupport.h"
#include "platform/win32/Win32Windows.h"

namespace emberhall::test {

uintptr_t CreateTestWindow(unsigned long, int Width, int Height) {
  TWindowParams p;
  p.Placement = TWindowPlacement::TopLevel;
  p.Width = Width;
  p.Height = Height;
  p.Title = "Emberhall GL test";
  return Win32WindowSystem().CreateWindow(p, [](HWND, TMessage&) {});
}

void DestroyTestWindow(uintptr_t Window) { Win32WindowSystem().DestroyWindow(Window); }

void TGLContextTest::SetUp() {
  OpenGL = std::make_unique<TCustomOpenGL>();
  const unsigned long format = OpenGL->ChooseVisual();
  ASSERT_NE(format, 0u);
  const HWND w = CreateTestWindow(format, Size, Size);
  ASSERT_NE(w, 0u);
  DC = Win32WindowSystem().WindowDC(w);
  ASSERT_NE(DC.Display, nullptr);
  OpenGL->StartContext(DC);
  ASSERT_TRUE(OpenGL->Active);
}

void TGLContextTest::TearDown() {
  if (!OpenGL) return;
  OpenGL.reset();
  if (DC.Drawable) DestroyTestWindow(DC.Drawable);
}

}  // namespace emberhall::test
