// Extension entry points, resolved through the driver for the current
// context, and the extension test.
#pragma once

#include <string>
#include <type_traits>

#include "gl/OGL.h"

namespace emberhall {

#define GLE_ENTRY(name) extern decltype(&::name) name;
#define GLE_ENTRY_TYPED(name, type) extern std::type_identity_t<type> name;
#define GL11_ENTRY(name)
#define GL11_ENTRY_TYPED(name, type)
#define GL12_ENTRY(name)
#define GL12_ENTRY_TYPED(name, type)
#define GLU_ENTRY(name)
#define GLU_ENTRY_TYPED(name, type)
#define GLX_ENTRY(name)
#define GLX_ENTRY_TYPED(name, type)
#define GLXE_ENTRY(name)
#define GLXE_ENTRY_TYPED(name, type)
#include "gl/GLEntryPoints.inc"
#undef GLE_ENTRY
#undef GLE_ENTRY_TYPED
#undef GL11_ENTRY
#undef GL11_ENTRY_TYPED
#undef GL12_ENTRY
#undef GL12_ENTRY_TYPED
#undef GLU_ENTRY
#undef GLU_ENTRY_TYPED
#undef GLX_ENTRY
#undef GLX_ENTRY_TYPED
#undef GLXE_ENTRY
#undef GLXE_ENTRY_TYPED

// Clears, then resolves every extension pointer with glXGetProcAddressARB;
// needs a current context. A name the driver does not know stays nil.
void LoadExtensions();
void ClearExtensions();
// True when Name occurs anywhere in the GL_EXTENSIONS text (substring rule).
bool ExtensionSupported(const std::string& Name);

}  // namespace emberhall
