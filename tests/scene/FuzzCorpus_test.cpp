// Every input of each fuzz corpus goes through its target's function without
// a crash (the sanitizer configuration also checks memory and undefined
// behaviour; the targets abort where their results do not hold together).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace emberhall {
void LoadSceneDescriptionBytes(const uint8_t* Data, size_t Size);
void LoadFontMetricsBytes(const uint8_t* Data, size_t Size);
void LoadModelBytes(const uint8_t* Data, size_t Size);
void DecodePictureBytes(const uint8_t* Data, size_t Size);

namespace {

// Replays the corpus folder through Target; returns how many inputs it had.
int Replay(const char* Folder, void (*Target)(const uint8_t*, size_t)) {
  int replayed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(EMBERHALL_FUZZ_CORPUS "/") + Folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Target(bytes.data(), bytes.size());
    ++replayed;
  }
  return replayed;
}

TEST(FuzzCorpus, EveryCorpusReplays) {
  struct Corpus { const char* folder; void (*target)(const uint8_t*, size_t); int least; };
  const Corpus corpora[] = {
      {"scene", LoadSceneDescriptionBytes, 6},
      {"font", LoadFontMetricsBytes, 4},
      {"model", LoadModelBytes, 10},
      {"picture", DecodePictureBytes, 20},
  };
  for (const Corpus& c : corpora) EXPECT_GE(Replay(c.folder, c.target), c.least) << c.folder;
}

}  // namespace
}  // namespace emberhall
