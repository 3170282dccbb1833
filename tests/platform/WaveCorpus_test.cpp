#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace emberhall {
void LoadWaveBytes(const uint8_t* Data, size_t Size);

namespace {

// Every input of the WAV fuzz corpus loads without a crash (the sanitizer
// configuration also checks memory and undefined behaviour).
TEST(FuzzCorpus, WaveFilesReplay) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(EMBERHALL_FUZZ_CORPUS "/sound")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LoadWaveBytes(bytes.data(), bytes.size());
    ++replayed;
  }
  EXPECT_GE(replayed, 8);
}

}  // namespace
}  // namespace emberhall
