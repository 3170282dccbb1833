// Extension entry points, resolved through the driver for the current
// context, and the extension test.
#pragma once

#include <string>
#include <type_traits>

#include "gl/OGL.h"

namespace emberhall {

#define GLE_ENTRY(name) extern decltype(&::name) name;
#define GLE_ENTRY_TYPED(name, type) extern std::type_identity_t<type> name;
#include "gl/GLEntryPoints.inc"

// Clears, then resolves every extension pointer through the driver;
// needs a current context. A name the driver does not know stays nil.
void LoadExtensions();
void ClearExtensions();
// True when Name occurs anywhere in the GL_EXTENSIONS text (substring rule).
bool ExtensionSupported(const std::string& Name);

}  // namespace emberhall
