// The OpenGL and GLU headers. On Windows, they pull in <windows.h> unless
// the calling convention is known; its macros (CreateWindow, WM_PAINT,
// TextOut…) would clash with this system's own names, so only the calling
// convention is given here, and taken back afterwards.
#pragma once

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#if defined(_WIN32) && !defined(APIENTRY)
#define APIENTRY __stdcall
#define EMBERHALL_OWN_APIENTRY
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#ifdef EMBERHALL_OWN_APIENTRY
#undef APIENTRY
#undef EMBERHALL_OWN_APIENTRY
#endif
