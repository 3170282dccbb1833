// The GLX backend of the OpenGL context: framebuffer configs as pixel
// formats, contexts, swaps, the swap interval and colour-indexed palettes.
//
// How a config becomes a pixel format: colour bits = GLX_BUFFER_SIZE; depth,
// stencil and alpha bits = GLX_DEPTH_SIZE, GLX_STENCIL_SIZE, GLX_ALPHA_SIZE;
// accumulation bits = the sum of the four GLX_ACCUM_*_SIZE; draw to window /
// bitmap = GLX_WINDOW_BIT / GLX_PIXMAP_BIT of GLX_DRAWABLE_TYPE; double
// buffer = GLX_DOUBLEBUFFER; "supports GDI" is always false; generic = served
// by Mesa's software renderer (LIBGL_ALWAYS_SOFTWARE is set, or the config
// carries GLX_SLOW_CONFIG); needs a palette = a PseudoColor or GrayScale
// visual. The format number is the config's 1-based place in
// glXGetFBConfigs.
//
// All contexts and windows share one display connection (GLXDisplay()):
// framebuffer configs belong to the connection that listed them.
#pragma once

#include "platform/GLPlatform.h"

typedef struct _XDisplay Display;

namespace emberhall {

// The display connection for OpenGL windows, opened on first use; nullptr
// when no display can be reached.
Display* GLXDisplay();

}  // namespace emberhall

namespace emberhall {
// The swap interval in force as GLX_MESA_swap_control reports it; -1 when
// that extension is not offered.
int GLXGetSwapIntervalMESA();
}  // namespace emberhall
