// <windows.h> for this folder's sources. Include it after every header of
// the system itself: the system's neutral headers use names that
// <windows.h> defines as macros (WM_PAINT, CreateWindow, LoadLibrary,
// TextOut…). The function-like ones are undefined here, so that the
// system's methods of those names stay callable; Win32 calls use the
// explicit "A"/"W" names.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateWindow
#undef DestroyWindow
#undef LoadLibrary
#undef TextOut
#undef MessageBox
#undef PlaySound
#undef GetObject
#undef DrawText
#undef CreateFont
#undef CreateProcess
#undef ShellExecute
#undef FindResource
#undef GetMessage
#undef PostMessage
#undef SendMessage
#undef DispatchMessage
#undef PeekMessage
#undef CreateSemaphore
#undef OpenSemaphore
#undef EnumDisplaySettings
#undef ChangeDisplaySettings
#undef GetClassName
#undef SetWindowText
#undef GetWindowText
#undef RegisterClass
#undef DefWindowProc
#undef CallWindowProc
#undef SystemParametersInfo
#undef GetModuleFileName
#undef GetTempPath
#undef CreateDirectory
#undef DeleteFile
#undef MoveFile
#undef GetFileAttributes
#undef CreateFile
#undef RegOpenKeyEx
#undef RegCreateKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef GetLocaleInfo
#undef GetTimeFormat
#undef GetDateFormat
#undef LoadCursor
#undef LoadIcon
#undef SetWindowLongPtr
#undef GetWindowLongPtr
#undef GetSystemDirectory
#undef GetWindowsDirectory
#undef GetEnvironmentVariable
#undef SetEnvironmentVariable
