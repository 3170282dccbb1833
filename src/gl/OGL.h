// The OpenGL 1.1 entry points, and those of OpenGL 1.2 and 1.3, as
// process-wide function pointers resolved at run time from the loaded
// library's exports. Nothing links the OpenGL library; the headers only give
// each pointer its type.
#pragma once

#include "gl/GLHeaders.h"

#include <string>
#include <type_traits>

#include "platform/GLLibrary.h"

namespace emberhall {

#define GL11_ENTRY(name) extern decltype(&::name) name;
#define GL11_ENTRY_TYPED(name, type) extern std::type_identity_t<type> name;
#define GL12_ENTRY GL11_ENTRY
#define GL12_ENTRY_TYPED GL11_ENTRY_TYPED
#include "gl/GLEntryPoints.inc"

// The driver's lookup of extension entry points, from the loaded library.
extern TGLProcResolver GLGetProcAddress;

extern TLibraryHandle OpenGLLibrary;

// Frees any earlier load, opens the library (for the default name also the
// fallback) and resolves every pointer from its exports; a missing export
// stays nil. Raises "Error: Could not load OpenGL from <name>".
void LoadOpenGL(const std::string& LibraryName);
void UnloadOpenGL();

}  // namespace emberhall
