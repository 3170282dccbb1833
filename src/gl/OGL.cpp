#include "gl/OGL.h"

#include "platform/FloatingPoint.h"
#include "platform/SysUtils.h"

#include <type_traits>

namespace emberhall {

#define GL11_ENTRY(name) decltype(&::name) name = nullptr;
#define GL11_ENTRY_TYPED(name, type) std::type_identity_t<type> name = nullptr;
#define GL12_ENTRY GL11_ENTRY
#define GL12_ENTRY_TYPED GL11_ENTRY_TYPED
#include "gl/GLEntryPoints.inc"

TGLProcResolver GLGetProcAddress = nullptr;
TLibraryHandle OpenGLLibrary = nullptr;

namespace {

void ClearPointers() {
#define GL11_ENTRY(name) name = nullptr;
#define GL12_ENTRY GL11_ENTRY
#include "gl/GLEntryPoints.inc"
  GLGetProcAddress = nullptr;
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
  if (!OpenGLLibrary && LibraryName == DefaultOpenGLLibrary && *FallbackOpenGLLibrary)
    OpenGLLibrary = LoadLibrary(FallbackOpenGLLibrary);
  if (!OpenGLLibrary) throw Exception("Error: Could not load OpenGL from " + LibraryName);
  GLGetProcAddress = FindGLProcResolver(OpenGLLibrary);
#define GL11_ENTRY(name) ResolveSymbol(OpenGLLibrary, name, #name);
#define GL12_ENTRY GL11_ENTRY
#include "gl/GLEntryPoints.inc"
}

}  // namespace emberhall
