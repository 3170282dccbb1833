#include "support/TestSupport.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

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

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

TScopedConfig::TScopedConfig() {
  setenv("EMBERHALL_CONFIG_HOME", UserRoot().c_str(), 1);
  setenv("EMBERHALL_CONFIG_DIRS", (MachineRoot() + ":/nonexistent").c_str(), 1);
}

TScopedConfig::~TScopedConfig() {
  unsetenv("EMBERHALL_CONFIG_HOME");
  unsetenv("EMBERHALL_CONFIG_DIRS");
}

TFakeServices::TFakeServices() : FSaved(Platform()) {
  Platform().MessageBoxes = this;
  Platform().KeepAwake = this;
  Platform().Screen = this;
  Platform().Cursor = this;
  Platform().HelpViewer = this;
}

TFakeServices::~TFakeServices() { Platform() = FSaved; }

}  // namespace emberhall::test
