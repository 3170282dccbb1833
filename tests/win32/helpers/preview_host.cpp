// A small Windows program that plays the display settings' preview monitor:
// a 320 x 240 window titled "Emberhall preview host" whose handle goes to
//   <program> /p <handle>
// After SECONDS it closes its window and reports on standard output whether
// the program ended by itself ("ended <exit code>") or still ran ("running",
// exit status 1; the program is then terminated).
//   preview_host PROGRAM SECONDS
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

LRESULT CALLBACK HostProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// Pumps this thread's messages for Ms milliseconds.
void Pump(DWORD Ms) {
  const DWORD end = GetTickCount() + Ms;
  for (;;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: preview_host PROGRAM SECONDS\n");
    return 2;
  }
  WNDCLASSW c{};
  c.lpfnWndProc = HostProc;
  c.hInstance = GetModuleHandleW(nullptr);
  c.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  c.lpszClassName = L"EmberhallPreviewHost";
  RegisterClassW(&c);
  RECT r{0, 0, 320, 240};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND host = CreateWindowW(L"EmberhallPreviewHost", L"Emberhall preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            40, 40, r.right - r.left, r.bottom - r.top, nullptr, nullptr, c.hInstance, nullptr);
  if (!host) return 3;
  Pump(300);

  std::string command = "\"" + std::string(argv[1]) + "\" /p " + std::to_string(reinterpret_cast<uintptr_t>(host));
  STARTUPINFOA si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::printf("not started %lu\n", GetLastError());
    return 4;
  }
  std::printf("started %lu\n", static_cast<unsigned long>(pi.dwProcessId));
  std::fflush(stdout);
  Pump(static_cast<DWORD>(std::atoi(argv[2]) * 1000));

  DestroyWindow(host);
  Pump(50);
  const DWORD waited = WaitForSingleObject(pi.hProcess, 5000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  if (waited == WAIT_OBJECT_0) {
    std::printf("ended %lu\n", static_cast<unsigned long>(code));
    return 0;
  }
  std::printf("running\n");
  TerminateProcess(pi.hProcess, 1);
  return 1;
}
