#include <string>

#include "platform/DynamicLibrary.h"
#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

namespace {
int openCount = 0;
}

TLibraryHandle LoadLibrary(const std::string& Name) {
  // A name that is not UTF-8 would name another library.
  std::wstring wide;
  if (!StrictWideOf(Name, wide)) return nullptr;
  // A missing library or one of its imports is a nullptr here, never a
  // message box of the system.
  DWORD oldMode = 0;
  const BOOL modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
  const HMODULE module = ::LoadLibraryW(wide.c_str());
  if (modeSet) SetThreadErrorMode(oldMode, nullptr);
  if (!module) return nullptr;
  // Kept loaded after the last FreeLibrary, as on other systems: a library
  // may leave threads or callbacks behind (an OpenGL driver's worker
  // threads) that would otherwise run into unloaded code.
  HMODULE pinned = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<LPCWSTR>(module), &pinned);
  ++openCount;
  return module;
}

void* GetProcAddress(TLibraryHandle Library, const char* Name) {
  if (!Library || !Name) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(Library), Name));
}

void FreeLibrary(TLibraryHandle Library) {
  if (!Library) return;
  ::FreeLibrary(static_cast<HMODULE>(Library));
  --openCount;
}

int OpenLibraryCount() { return openCount; }

}  // namespace emberhall
