#include "gl/GLU.h"

#include "platform/FloatingPoint.h"
#include "platform/SysUtils.h"

#include <type_traits>

namespace emberhall {

#define GL11_ENTRY(name)
#define GL11_ENTRY_TYPED(name, type)
#define GL12_ENTRY(name)
#define GL12_ENTRY_TYPED(name, type)
#define GLX_ENTRY(name)
#define GLX_ENTRY_TYPED(name, type)
#define GLE_ENTRY(name)
#define GLE_ENTRY_TYPED(name, type)
#define GLXE_ENTRY(name)
#define GLXE_ENTRY_TYPED(name, type)

#define GLU_ENTRY(name) decltype(&::name) name = nullptr;
#define GLU_ENTRY_TYPED(name, type) std::type_identity_t<type> name = nullptr;
#include "gl/GLEntryPoints.inc"
#undef GLU_ENTRY
#undef GLU_ENTRY_TYPED

TLibraryHandle GLULibrary = nullptr;

namespace {

template <class T>
void Resolve(T& pointer, const char* name) {
  pointer = reinterpret_cast<T>(GetProcAddress(GLULibrary, name));
}

struct TFinalization {
  ~TFinalization() { UnloadGLU(); }
} finalization;

}  // namespace

void UnloadGLU() {
#define GLU_ENTRY(name) name = nullptr;
#define GLU_ENTRY_TYPED(name, type) name = nullptr;
#include "gl/GLEntryPoints.inc"
#undef GLU_ENTRY
#undef GLU_ENTRY_TYPED
  FreeLibrary(GLULibrary);
  GLULibrary = nullptr;
}

void LoadGLU(const std::string& LibraryName) {
  UnloadGLU();
  MaskFPUExceptions();
  GLULibrary = LoadLibrary(LibraryName);
  if (!GLULibrary) throw Exception("Could not load GLU from " + LibraryName);
#define GLU_ENTRY(name) Resolve(name, #name);
#define GLU_ENTRY_TYPED(name, type) Resolve(name, #name);
#include "gl/GLEntryPoints.inc"
#undef GLU_ENTRY
#undef GLU_ENTRY_TYPED
}

}  // namespace emberhall
