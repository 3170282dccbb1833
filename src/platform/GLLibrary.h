// The system's OpenGL and GLU libraries as the GL layer loads them, the
// driver's lookup of entry points, and the choice of the software renderer.
#pragma once

#include "platform/DynamicLibrary.h"

namespace emberhall {

// The library the program asks for, and the one tried when that is missing
// ("" when there is none).
extern const char* const DefaultOpenGLLibrary;
extern const char* const FallbackOpenGLLibrary;
extern const char* const DefaultGLULibrary;

using TGLProc = void (*)();
// Looks an entry point up by name for the current context (extensions);
// nullptr for a name the driver does not answer for.
using TGLProcResolver = TGLProc (*)(const char* Name);

// The driver's lookup, taken from the exports of the loaded OpenGL library;
// nullptr when the library offers none (or Library is none). The lookup
// answers for the library of the latest call.
TGLProcResolver FindGLProcResolver(TLibraryHandle Library);

// Libraries and connections opened from now on use the system's software
// renderer (or not).
void SelectSoftwareRenderer(bool Software);

}  // namespace emberhall
