// The GLU 1.2 entry points as process-wide pointers resolved at run time.
#pragma once

#include <GL/glu.h>

#include <string>
#include <type_traits>

#include "gl/OGL.h"

namespace emberhall {

#define GLU_ENTRY(name) extern decltype(&::name) name;
#define GLU_ENTRY_TYPED(name, type) extern std::type_identity_t<type> name;
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
#include "gl/GLEntryPoints.inc"
#undef GLU_ENTRY
#undef GLU_ENTRY_TYPED
#undef GL11_ENTRY
#undef GL11_ENTRY_TYPED
#undef GL12_ENTRY
#undef GL12_ENTRY_TYPED
#undef GLX_ENTRY
#undef GLX_ENTRY_TYPED
#undef GLE_ENTRY
#undef GLE_ENTRY_TYPED
#undef GLXE_ENTRY
#undef GLXE_ENTRY_TYPED

inline constexpr const char* DefaultGLULibrary = "libGLU.so.1";

extern TLibraryHandle GLULibrary;

// Frees any earlier load, opens the library and resolves every pointer;
// raises "Could not load GLU from <name>".
void LoadGLU(const std::string& LibraryName);
void UnloadGLU();

}  // namespace emberhall
