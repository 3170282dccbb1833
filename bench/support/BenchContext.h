// A real OpenGL context on a small window of the X server in DISPLAY, for
// benchmarks of work that needs one (uploads, display lists).
#pragma once

#include <memory>

#include "gl/GLContext.h"

namespace emberhall::bench {

class TBenchContext {
 public:
  // A Size x Size window, or Size x Height when Height is given. Raises
  // Exception when no display or no context can be had.
  explicit TBenchContext(int Size = 64, int Height = 0);
  ~TBenchContext();
  TBenchContext(const TBenchContext&) = delete;
  TBenchContext& operator=(const TBenchContext&) = delete;

  std::unique_ptr<TCustomOpenGL> OpenGL;

 private:
  unsigned long FWindow = 0;
};

}  // namespace emberhall::bench
