#include "gl/GLE.h"

#include <cstring>

#include <type_traits>

namespace emberhall {

#define GLE_ENTRY(name) decltype(&::name) name = nullptr;
#define GLE_ENTRY_TYPED(name, type) std::type_identity_t<type> name = nullptr;
#include "gl/GLEntryPoints.inc"

namespace {

template <class T>
void Resolve(T& pointer, const char* name) {
  pointer = GLGetProcAddress ? reinterpret_cast<T>(GLGetProcAddress(name)) : nullptr;
}

struct TFinalization {
  ~TFinalization() { ClearExtensions(); }
} finalization;

}  // namespace

void ClearExtensions() {
#define GLE_ENTRY(name) name = nullptr;
#include "gl/GLEntryPoints.inc"
}

void LoadExtensions() {
  ClearExtensions();
#define GLE_ENTRY(name) Resolve(name, #name);
#include "gl/GLEntryPoints.inc"
}

bool ExtensionSupported(const std::string& Name) {
  if (!glGetString) return false;
  const auto* text = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return text && std::strstr(text, Name.c_str()) != nullptr;
}

}  // namespace emberhall
