// Shared libraries opened at run time.
#pragma once

#include <string>

namespace emberhall {

using TLibraryHandle = void*;

// Opens the library; nullptr when it cannot be loaded.
TLibraryHandle LoadLibrary(const std::string& Name);
// The address of an exported symbol, or nullptr.
void* GetProcAddress(TLibraryHandle Library, const char* Name);
void FreeLibrary(TLibraryHandle Library);
// Points Pointer at the exported symbol Name of Library (nullptr when missing).
template <class T>
void ResolveSymbol(TLibraryHandle Library, T& Pointer, const char* Name) {
  Pointer = reinterpret_cast<T>(GetProcAddress(Library, Name));
}
// Handles opened through LoadLibrary and not yet freed (for tests).
int OpenLibraryCount();

}  // namespace emberhall
