#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace emberhall {
void LoadSceneDescriptionBytes(const uint8_t* Data, size_t Size);
void DecodePictureBytes(const uint8_t* Data, size_t Size);

namespace {

// Every input of the scene-description fuzz corpus loads without a crash
// (the sanitizer configuration also checks memory and undefined behaviour).
TEST(FuzzCorpus, SceneDescriptionsReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EMBERHALL_FUZZ_CORPUS "/scene")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LoadSceneDescriptionBytes(bytes.data(), bytes.size());
    ++replayed;
  }
  EXPECT_GE(replayed, 6);
}

// Every input of the picture fuzz corpus decodes or is refused, and what
// decodes becomes texture pixels, without a crash.
TEST(FuzzCorpus, PicturesReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EMBERHALL_FUZZ_CORPUS "/picture")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DecodePictureBytes(bytes.data(), bytes.size());
    ++replayed;
  }
  EXPECT_GE(replayed, 10);
}

}  // namespace
}  // namespace emberhall
