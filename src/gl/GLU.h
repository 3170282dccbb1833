// The GLU 1.2 entry points as process-wide pointers resolved at run time.
#pragma once

#include <string>
#include <type_traits>

#include "gl/OGL.h"
#include "platform/GLLibrary.h"

namespace emberhall {

#define GLU_ENTRY(name) extern decltype(&::name) name;
#define GLU_ENTRY_TYPED(name, type) extern std::type_identity_t<type> name;
#include "gl/GLEntryPoints.inc"

extern TLibraryHandle GLULibrary;

// Frees any earlier load, opens the library and resolves every pointer;
// raises "Could not load GLU from <name>".
void LoadGLU(const std::string& LibraryName);
void UnloadGLU();

}  // namespace emberhall
