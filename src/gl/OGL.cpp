#include "gl/OGL.h"

#include "platform/FloatingPoint.h"
#include "platform/SysUtils.h"

#include <type_traits>

namespace emberhall {

#define GL11_ENTRY(name) decltype(&::name) name = nullptr;
#define GL11_ENTRY_TYPED(name, type) std::type_identity_t<type> name = nullptr;
#define GL12_ENTRY GL11_ENTRY
#define GL12_ENTRY_TYPED GL11_ENTRY_TYPED
#define GLU_ENTRY(name)
#define GLU_ENTRY_TYPED(name, type)
#define GLX_ENTRY(name)
#define GLX_ENTRY_TYPED(name, type)
#define GLE_ENTRY(name)
#define GLE_ENTRY_TYPED(name, type)
#define GLXE_ENTRY(name)
#define GLXE_ENTRY_TYPED(name, type)
#include "gl/GLEntryPoints.inc"
#undef GL11_ENTRY
#undef GL11_ENTRY_TYPED

TGLProc (*glXGetProcAddressARB)(const GLubyte*) = nullptr;
TLibraryHandle OpenGLLibrary = nullptr;

namespace {

void ClearPointers() {
#define GL11_ENTRY(name) name = nullptr;
#define GL11_ENTRY_TYPED(name, type) name = nullptr;
#include "gl/GLEntryPoints.inc"
#undef GL11_ENTRY
#undef GL11_ENTRY_TYPED
  glXGetProcAddressARB = nullptr;
}

template <class T>
void Resolve(T& pointer, const char* name) {
  pointer = reinterpret_cast<T>(GetProcAddress(OpenGLLibrary, name));
}

// Frees the library at program end when it is still loaded.
struct TFinalization {
  ~TFinalization() { UnloadOpenGL(); }
} finalization;

}  // namespace

void UnloadOpenGL() {
  ClearPointers();
  FreeLibrary(OpenGLLibrary);
  OpenGLLibrary = nullptr;
}

void LoadOpenGL(const std::string& LibraryName) {
  UnloadOpenGL();
  MaskFPUExceptions();
  OpenGLLibrary = LoadLibrary(LibraryName);
  if (!OpenGLLibrary && LibraryName == DefaultOpenGLLibrary) OpenGLLibrary = LoadLibrary("libGL.so");
  if (!OpenGLLibrary) throw Exception("Error: Could not load OpenGL from " + LibraryName);
  Resolve(glXGetProcAddressARB, "glXGetProcAddressARB");
#define GL11_ENTRY(name) Resolve(name, #name);
#define GL11_ENTRY_TYPED(name, type) Resolve(name, #name);
#include "gl/GLEntryPoints.inc"
#undef GL11_ENTRY
#undef GL11_ENTRY_TYPED
}

}  // namespace emberhall
