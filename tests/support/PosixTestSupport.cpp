// The test helpers that start processes and make folders, on POSIX.
#include "support/TestSupport.h"

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>

namespace emberhall::test {

TTempDir::TTempDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/emberhall-test-XXXXXX";
  FPath = mkdtemp(pattern.data());
}

TTempDir::~TTempDir() {
  std::error_code ec;
  std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(FPath, ec);
}

TCommandRun RunCommand(const std::string& command) {
  TCommandRun run;
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  std::array<char, 512> buf;
  while (size_t n = fread(buf.data(), 1, buf.size(), p)) run.Output.append(buf.data(), n);
  int status = pclose(p);
  run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

int StartHelper(const std::vector<std::string>& args, std::string& FirstLine) {
  int out[2];
  if (pipe(out) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    close(out[0]);
    std::vector<char*> argv = {const_cast<char*>(EMBERHALL_TEST_HELPER)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(EMBERHALL_TEST_HELPER, argv.data());
    _exit(127);
  }
  close(out[1]);
  FirstLine.clear();
  char c = 0;
  while (read(out[0], &c, 1) == 1) {
    FirstLine += c;
    if (c == '\n') break;
  }
  close(out[0]);
  return pid;
}

TScopedConfig::TScopedConfig() {
  setenv("EMBERHALL_CONFIG_HOME", UserRoot().c_str(), 1);
  setenv("EMBERHALL_CONFIG_DIRS", (MachineRoot() + ":/nonexistent").c_str(), 1);
}

TScopedConfig::~TScopedConfig() {
  unsetenv("EMBERHALL_CONFIG_HOME");
  unsetenv("EMBERHALL_CONFIG_DIRS");
}

}  // namespace emberhall::test
