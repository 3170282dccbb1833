// The test helpers that make folders, run commands and isolate the options
// store, on Windows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/TestSupport.h"
#include "platform/win32/Win32.h"

namespace emberhall::test {

namespace {

std::atomic<unsigned> counter{0};

std::wstring UniqueName(const wchar_t* Prefix) {
  return std::wstring(Prefix) + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter) + L"-" +
         std::to_wstring(GetTickCount64());
}

const wchar_t* const kScratchKey = L"Software\\Emberhall tests";

}  // namespace

TTempDir::TTempDir() {
  for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
    const std::filesystem::path p = std::filesystem::temp_directory_path() / UniqueName(L"emberhall-test-");
    if (CreateDirectoryW(p.c_str(), nullptr)) FPath = p.generic_string();
  }
}

TTempDir::~TTempDir() {
  std::error_code ec;
  if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
}

TCommandRun RunCommand(const std::string& command) {
  TCommandRun run;
  FILE* p = _popen((command + " 2>&1").c_str(), "r");
  if (!p) return run;
  char buf[512];
  while (size_t n = fread(buf, 1, sizeof(buf), p)) run.Output.append(buf, n);
  run.ExitCode = _pclose(p);
  return run;
}

int StartHelper(const std::vector<std::string>&, std::string&) {
  ADD_FAILURE() << "the POSIX test helper does not exist in the Windows build";
  return -1;
}

// The per-user and machine-wide registry roots of this process point at a
// scratch key for the scope, so that tests neither see nor change the
// user's own settings.
TScopedConfig::TScopedConfig() {
  const std::wstring base = std::wstring(kScratchKey) + L"\\" + UniqueName(L"config-");
  HKEY user = nullptr, machine = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\user").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &user, nullptr);
  RegCreateKeyExW(HKEY_CURRENT_USER, (base + L"\\machine").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machine,
                  nullptr);
  EXPECT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
  EXPECT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user), ERROR_SUCCESS);
  if (user) RegCloseKey(user);
  if (machine) RegCloseKey(machine);
}

TScopedConfig::~TScopedConfig() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
  RegDeleteTreeW(HKEY_CURRENT_USER, kScratchKey);
}

}  // namespace emberhall::test
