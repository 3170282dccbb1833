#include "platform/win32/SingleInstance.h"

#include "platform/win32/Win32Text.h"
#include "platform/win32/Win32.h"

namespace emberhall {

std::wstring TSemaphoreInstanceLock::ObjectName(const std::string& Name) {
  std::wstring wide = WideOf(Name);
  for (wchar_t& c : wide)
    if (c == L'\\') c = L'_';
  return wide;
}

TSemaphoreInstanceLock::~TSemaphoreInstanceLock() { Release(); }

bool TSemaphoreInstanceLock::Acquire(const std::string& Name) {
  Release();
  const std::wstring name = ObjectName(Name);
  HANDLE handle = CreateSemaphoreW(nullptr, 0, 1, name.c_str());
  if (!handle) return true;  // no semaphore can be made: nothing detected
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(handle);
    return false;
  }
  FHandle = handle;
  return true;
}

void TSemaphoreInstanceLock::Release() {
  if (!FHandle) return;
  CloseHandle(static_cast<HANDLE>(FHandle));
  FHandle = nullptr;
}

}  // namespace emberhall
