#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace emberhall {

namespace {
int openCount = 0;
}

TLibraryHandle LoadLibrary(const std::string& Name) {
  // Kept mapped after the last close: the OpenGL library hooks the X display
  // connection, which may be closed later and would call into unmapped code.
  void* handle = dlopen(Name.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (handle) ++openCount;
  return handle;
}

void* GetProcAddress(TLibraryHandle Library, const char* Name) { return Library ? dlsym(Library, Name) : nullptr; }

void FreeLibrary(TLibraryHandle Library) {
  if (!Library) return;
  dlclose(Library);
  --openCount;
}

int OpenLibraryCount() { return openCount; }

}  // namespace emberhall
