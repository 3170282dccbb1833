#include "gl/GLU.h"

#include "platform/FloatingPoint.h"
#include "platform/SysUtils.h"

#include <type_traits>

namespace emberhall {

#define GLU_ENTRY(name) decltype(&::name) name = nullptr;
#define GLU_ENTRY_TYPED(name, type) std::type_identity_t<type> name = nullptr;
#include "gl/GLEntryPoints.inc"

TLibraryHandle GLULibrary = nullptr;

namespace {

struct TFinalization {
  ~TFinalization() { UnloadGLU(); }
} finalization;

}  // namespace

void UnloadGLU() {
#define GLU_ENTRY(name) name = nullptr;
#include "gl/GLEntryPoints.inc"
  FreeLibrary(GLULibrary);
  GLULibrary = nullptr;
}

void LoadGLU(const std::string& LibraryName) {
  UnloadGLU();
  MaskFPUExceptions();
  GLULibrary = LoadLibrary(LibraryName);
  if (!GLULibrary) throw Exception("Could not load GLU from " + LibraryName);
#define GLU_ENTRY(name) ResolveSymbol(GLULibrary, name, #name);
#include "gl/GLEntryPoints.inc"
}

}  // namespace emberhall
