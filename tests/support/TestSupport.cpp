#include "support/TestSupport.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace emberhall::test {

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

TFakeServices::TFakeServices() : FSaved(Platform()) {
  Platform().MessageBoxes = this;
  Platform().KeepAwake = this;
  Platform().PowerNotices = this;
  Platform().Screen = this;
  Platform().Cursor = this;
  Platform().HelpViewer = this;
  Platform().Sound = this;
}

TFakeServices::~TFakeServices() { Platform() = FSaved; }

}  // namespace emberhall::test
