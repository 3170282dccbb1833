#include "platform/GLLibrary.h"

#include <cstdlib>

namespace emberhall {

const char* const DefaultOpenGLLibrary = "libGL.so.1";
const char* const FallbackOpenGLLibrary = "libGL.so";
const char* const DefaultGLULibrary = "libGLU.so.1";

namespace {

TGLProc (*glXGetProcAddressARB)(const unsigned char* Name) = nullptr;

TGLProc ResolveThroughGLX(const char* Name) {
  return glXGetProcAddressARB ? glXGetProcAddressARB(reinterpret_cast<const unsigned char*>(Name)) : nullptr;
}

}  // namespace

TGLProcResolver FindGLProcResolver(TLibraryHandle Library) {
  glXGetProcAddressARB = nullptr;
  if (Library) ResolveSymbol(Library, glXGetProcAddressARB, "glXGetProcAddressARB");
  return glXGetProcAddressARB ? &ResolveThroughGLX : nullptr;
}

// Mesa reads this when a library or connection starts.
void SelectSoftwareRenderer(bool Software) {
  if (Software) {
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
  } else {
    unsetenv("LIBGL_ALWAYS_SOFTWARE");
  }
}

}  // namespace emberhall
