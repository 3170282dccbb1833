// The Windows picture readers and writer: JPEG through the Windows Imaging
// Component, BMP through our unpacking and GDI.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"

#include "platform/win32/Win32.h"
#include <psapi.h>

namespace emberhall {
namespace {

using TBytes = std::vector<uint8_t>;

class TTempFolder {
 public:
  TTempFolder() {
    FPath = std::filesystem::temp_directory_path() /
            ("emberhall-pictures-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++FCount));
    std::filesystem::create_directories(FPath);
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  std::string File(const std::string& Name) const { return (FPath / Name).string(); }

 private:
  std::filesystem::path FPath;
  static inline int FCount = 0;
};

// The message of the reader's error, or "accepted".
template <class F>
std::string Refusal(F&& Decode) {
  try {
    Decode();
  } catch (const EOSError& e) {
    return e.Message;
  }
  return "accepted";
}

TBitmap Colour(int32_t Width, int32_t Height, const std::function<uint32_t(int32_t, int32_t)>& Rgb) {
  TBitmap b;
  b.Width = Width;
  b.Height = Height;
  for (int32_t y = 0; y < Height; ++y)
    for (int32_t x = 0; x < Width; ++x) {
      const uint32_t c = Rgb(x, y);
      b.Pixels.insert(b.Pixels.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
    }
  return b;
}

TBytes ReadAll(const std::string& File) {
  return ReadFileBytes(File, 64 << 20);
}

// ---- JPEG ----

TEST(WicJpeg, RoundTripAtQuality90KeepsThePicture) {
  struct TCase {
    const char* What;
    int32_t Width, Height;
    std::function<uint32_t(int32_t, int32_t)> Rgb;
    int MaxMeanError, MaxError;
  };
  const TCase cases[] = {
      {"one pixel", 1, 1, [](int32_t, int32_t) { return 0x4080C0u; }, 3, 6},
      {"odd size, smooth", 33, 17,
       [](int32_t x, int32_t y) { return uint32_t(x * 7) << 16 | uint32_t(y * 15) << 8 | 90u; }, 3, 24},
      // A sharp colour edge: the colours are shared by 2 x 2 pixels, so the
      // edge blurs, but blue stays above and red below.
      {"blue above red below", 16, 8, [](int32_t, int32_t y) { return y < 4 ? 0x1414C8u : 0xC81414u; }, 20, 90},
  };
  TTempFolder folder;
  for (const TCase& c : cases) {
    const TBitmap picture = Colour(c.Width, c.Height, c.Rgb);
    const std::string file = folder.File("p.jpg");
    SaveBitmapJPEG(file, picture, 90);
    const TBitmap back = LoadBitmapJPEG(file);
    ASSERT_EQ(back.Width, c.Width) << c.What;
    ASSERT_EQ(back.Height, c.Height) << c.What;
    ASSERT_FALSE(back.Palette) << c.What;
    ASSERT_EQ(back.Pixels.size(), picture.Pixels.size()) << c.What;
    long total = 0;
    int worst = 0;
    for (size_t i = 0; i < picture.Pixels.size(); ++i) {
      const int error = std::abs(int(back.Pixels[i]) - int(picture.Pixels[i]));
      total += error;
      worst = std::max(worst, error);
    }
    EXPECT_LE(total / long(picture.Pixels.size()), c.MaxMeanError) << c.What;
    EXPECT_LE(worst, c.MaxError) << c.What;
  }
  const TBitmap back = LoadBitmapJPEG(folder.File("p.jpg"));
  EXPECT_GT(back.Row(0)[0], 150);
  EXPECT_LT(back.Row(0)[2], 70);
  EXPECT_GT(back.Row(7)[2], 150);
  EXPECT_LT(back.Row(7)[0], 70);
}

// The first value of the first quantisation table: smaller is finer.
int FirstQuantiser(const TBytes& Jpeg) {
  for (size_t i = 2; i + 5 < Jpeg.size(); ++i)
    if (Jpeg[i] == 0xFF && Jpeg[i + 1] == 0xDB) return Jpeg[i + 5];
  return -1;
}

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

TEST(WicJpeg, QualityReachesTheEncoder) {
  TTempFolder folder;
  const TBitmap picture = Colour(32, 32, [](int32_t x, int32_t y) { return uint32_t(x * y * 2654435761u) >> 8; });
  SaveBitmapJPEG(folder.File("10.jpg"), picture, 10);
  SaveBitmapJPEG(folder.File("90.jpg"), picture, 90);
  const int coarse = FirstQuantiser(ReadAll(folder.File("10.jpg")));
  const int fine = FirstQuantiser(ReadAll(folder.File("90.jpg")));
  ASSERT_GT(fine, 0);
  if (coarse == fine && UnderWine()) GTEST_SKIP() << "Wine's JPEG encoder ignores ImageQuality (always " << fine << ")";
  EXPECT_LT(fine, coarse);
  EXPECT_LE(fine, 4);  // quality 90 scales the standard tables to a fifth
}

TEST(WicJpeg, GreyPaletteIsWrittenAndReadAsGrey) {
  TTempFolder folder;
  TBitmap grey;
  grey.Width = grey.Height = 8;
  grey.Palette.emplace();
  for (int i = 0; i < 256; ++i) (*grey.Palette)[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  grey.Pixels.assign(64, 180);
  SaveBitmapJPEG(folder.File("g.jpg"), grey, 90);
  const TBitmap back = LoadBitmapJPEG(folder.File("g.jpg"));
  ASSERT_FALSE(back.Palette);
  ASSERT_EQ(back.Pixels.size(), 64u * 3);
  for (size_t i = 0; i < back.Pixels.size(); ++i) ASSERT_NEAR(back.Pixels[i], 180, 2) << i;

  TBitmap coloured = grey;
  (*coloured.Palette)[7] = {1, 2, 3};
  EXPECT_NE(Refusal([&] { SaveBitmapJPEG(folder.File("c.jpg"), coloured, 90); }).find("grey palette"),
            std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(folder.File("c.jpg")));
}

TEST(WicJpeg, DamagedOrHostileFilesAreRefusedNamingTheFile) {
  TTempFolder folder;
  TBitmap noise = Colour(64, 64, [](int32_t x, int32_t y) { return uint32_t(x * 31 + y * 17) * 2654435761u >> 8; });
  SaveBitmapJPEG(folder.File("n.jpg"), noise, 90);
  const TBytes good = ReadAll(folder.File("n.jpg"));
  size_t frame = 0;
  for (size_t i = 2; i + 1 < good.size() && !frame; ++i)
    if (good[i] == 0xFF && good[i + 1] >= 0xC0 && good[i + 1] <= 0xC2) frame = i;
  ASSERT_NE(frame, 0u);
  auto sized = [&](uint16_t Width, uint16_t Height, size_t Keep) {
    TBytes b(good.begin(), good.begin() + static_cast<ptrdiff_t>(std::min(Keep, good.size())));
    b[frame + 5] = uint8_t(Height >> 8);
    b[frame + 6] = uint8_t(Height);
    b[frame + 7] = uint8_t(Width >> 8);
    b[frame + 8] = uint8_t(Width);
    return b;
  };
  TBytes corrupt = good;
  for (size_t i = good.size() / 2; i < good.size() / 2 + 40; ++i) corrupt[i] = 0xFF;
  corrupt[good.size() / 2 + 40] = 0x5A;
  // A progressive file may have any number of scans; past 500 it is refused.
  size_t scan = 0;
  for (size_t i = 2; i + 1 < good.size() && !scan; ++i)
    if (good[i] == 0xFF && good[i + 1] == 0xDA) scan = i;
  ASSERT_NE(scan, 0u);
  const size_t scanHeader = 2 + (size_t(good[scan + 2]) << 8 | good[scan + 3]);
  TBytes scans(good.begin(), good.begin() + static_cast<ptrdiff_t>(scan));
  for (int i = 0; i < 501; ++i) {
    scans.insert(scans.end(), good.begin() + static_cast<ptrdiff_t>(scan),
                 good.begin() + static_cast<ptrdiff_t>(scan + scanHeader));
    scans.push_back(0);
  }
  scans.insert(scans.end(), {0xFF, 0xD9});
  auto coded = [&](std::initializer_list<uint8_t> Bytes) {
    TBytes b = good;
    std::copy(Bytes.begin(), Bytes.end(), b.begin() + static_cast<ptrdiff_t>(scan + scanHeader + 20));
    return b;
  };
  const TBytes text = {'h', 'e', 'l', 'l', 'o', '\n'};
  TBytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

  const struct {
    const char* What;
    TBytes Bytes;
    const char* Why;
  } cases[] = {
      {"empty", {}, "empty"},
      {"text", text, "not a JPEG"},
      {"a PNG", png, "not a JPEG"},
      {"start marker only", {0xFF, 0xD8}, "cut short"},
      {"cut in the header", TBytes(good.begin(), good.begin() + 100), "cut short"},
      {"cut in half", TBytes(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2)), "cut short"},
      {"corrupt data", corrupt, "corrupt"},
      {"fill bytes in the coded data", coded({0xFF, 0xFF, 0x00}), "corrupt"},
      {"restart marker without restarts", coded({0xFF, 0xD3}), "corrupt"},
      {"65000 x 65000", sized(65000, 65000, good.size()), "larger than"},
      {"20000 x 10", sized(20000, 10, good.size()), "larger than"},
      {"16384 x 16384, over 256 MiB", sized(16384, 16384, good.size()), "larger than"},
      {"zero height", sized(64, 0, good.size()), "not valid"},
      {"501 scans", scans, "more than 500 scans"},
  };
  for (const auto& c : cases) {
    const std::string message = Refusal([&] { DecodeBitmapJPEG(c.Bytes, "bad.jpg"); });
    EXPECT_EQ(message.rfind("Cannot read the picture bad.jpg: ", 0), 0u) << c.What << ": " << message;
    EXPECT_NE(message.find(c.Why), std::string::npos) << c.What << ": " << message;
  }
  const std::string missing = folder.File("missing.jpg");
  EXPECT_NE(Refusal([&] { LoadBitmapJPEG(missing); }).find("missing.jpg"), std::string::npos);
}

// A file that claims a picture within the limits but ends early costs no
// more memory than its bytes: it is refused before the decoder starts.
TEST(WicJpeg, ClaimedSizeCostsNothingBeforeTheDataIsThere) {
  TTempFolder folder;
  SaveBitmapJPEG(folder.File("s.jpg"), Colour(64, 64, [](int32_t x, int32_t) { return uint32_t(x) * 0x030201u; }), 90);
  TBytes b = ReadAll(folder.File("s.jpg"));
  for (size_t i = 2; i + 8 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xC0) {
      b[i + 5] = 9000 >> 8, b[i + 6] = 9000 & 0xFF, b[i + 7] = 9000 >> 8, b[i + 8] = 9000 & 0xFF;  // 243 MB decoded
      break;
    }
  b.resize(b.size() - 200);
  PROCESS_MEMORY_COUNTERS before{}, after{};
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before));
  EXPECT_NE(Refusal([&] { DecodeBitmapJPEG(b, "big.jpg"); }).find("cut short"), std::string::npos);
  ASSERT_TRUE(GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after));
  EXPECT_LT(after.PeakPagefileUsage, before.PeakPagefileUsage + (32u << 20));
}

// ---- BMP ----

void Put16(TBytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(TBytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }

// A BMP with a 40-byte header; Extra (colour masks or a palette of
// 0x00RRGGBB entries) follows it, then Data.
TBytes Bmp(int32_t Width, int32_t Height, uint16_t Bits, uint32_t Compression, const std::vector<uint32_t>& Extra,
           uint32_t ColorsUsed, const TBytes& Data) {
  TBytes b = {'B', 'M'};
  const uint32_t offset = 54 + 4 * static_cast<uint32_t>(Extra.size());
  Put32(b, offset + static_cast<uint32_t>(Data.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(Width));
  Put32(b, static_cast<uint32_t>(Height));
  Put16(b, 1);
  Put16(b, Bits);
  Put32(b, Compression);
  Put32(b, static_cast<uint32_t>(Data.size()));
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, ColorsUsed);
  Put32(b, 0);
  for (const uint32_t v : Extra) Put32(b, v);
  b.insert(b.end(), Data.begin(), Data.end());
  return b;
}

const std::vector<uint32_t> FourColours = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF};

TEST(GdiBitmaps, PicturesOfEveryKindDecode) {
  struct TCase {
    const char* What;
    TBytes File;
    bool Indexed;
    std::vector<uint8_t> Pixels;  // top row first: indices, or blue, green, red
  };
  const TCase cases[] = {
      // 8 bits, 3 x 2, bottom row stored first, rows padded to 4 bytes.
      {"8-bit bottom-up", Bmp(3, 2, 8, 0, FourColours, 4, {3, 2, 1, 0, 0, 1, 2, 0}), true, {0, 1, 2, 3, 2, 1}},
      {"8-bit top-down", Bmp(3, -2, 8, 0, FourColours, 4, {3, 2, 1, 0, 0, 1, 2, 0}), true, {3, 2, 1, 0, 1, 2}},
      {"4-bit", Bmp(3, 1, 4, 0, FourColours, 4, {0x12, 0x30, 0, 0}), true, {1, 2, 3}},
      {"1-bit", Bmp(9, 1, 1, 0, {0, 0xFFFFFF}, 0, {0xA5, 0x80, 0, 0}), true, {1, 0, 1, 0, 0, 1, 0, 1, 1}},
      // Runs: rows bottom first; an absolute run of 3 is padded to 4 bytes;
      // (0, 2, dx, dy) skips pixels, which stay 0.
      {"8-bit run-length", Bmp(4, 2, 8, 1, FourColours, 4, {2, 3, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}), true,
       {1, 2, 3, 0, 3, 3, 0, 0}},
      {"8-bit run-length move", Bmp(4, 2, 8, 1, FourColours, 4, {1, 2, 0, 2, 2, 1, 1, 3, 0, 1}), true,
       {0, 0, 0, 3, 2, 0, 0, 0}},
      {"4-bit run-length", Bmp(6, 1, 4, 2, FourColours, 4, {3, 0x12, 0, 3, 0x31, 0x20, 0, 1}), true, {1, 2, 1, 3, 1, 2}},
      {"24-bit", Bmp(2, 2, 24, 0, {}, 0, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0}), false,
       {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
      {"16-bit 5-5-5", Bmp(2, 1, 16, 0, {}, 0, {0x00, 0x7C, 0x1F, 0x00}), false, {0, 0, 255, 255, 0, 0}},
      {"16-bit 5-6-5 masks", Bmp(2, 1, 16, 3, {0xF800, 0x07E0, 0x001F}, 0, {0xE0, 0x07, 0x00, 0xF8}), false,
       {0, 255, 0, 0, 0, 255}},
      {"32-bit masks", Bmp(1, 1, 32, 3, {0x0000FF00, 0x00FF0000, 0xFF000000}, 0, {0x00, 0x30, 0x20, 0x10}), false,
       {0x10, 0x20, 0x30}},
  };
  for (const TCase& c : cases) {
    TBitmap b;
    try {
      b = DecodeBitmapBMP(c.File, "p.bmp");
    } catch (const EOSError& e) {
      ADD_FAILURE() << c.What << ": " << e.Message;
      continue;
    }
    EXPECT_EQ(bool(b.Palette), c.Indexed) << c.What;
    EXPECT_EQ(b.Pixels, c.Pixels) << c.What;
  }
  const TBitmap b = DecodeBitmapBMP(cases[0].File, "p.bmp");
  ASSERT_TRUE(b.Palette);
  EXPECT_EQ((*b.Palette)[0], (TPaletteColor{0x10, 0x20, 0x30}));
  EXPECT_EQ((*b.Palette)[3], (TPaletteColor{0, 0, 255}));
  EXPECT_EQ((*b.Palette)[4], (TPaletteColor{0, 0, 0}));
}

TEST(GdiBitmaps, OurOwnFilesReadBackUnchanged) {
  TTempFolder folder;
  TBitmap indexed;
  indexed.Width = 7;
  indexed.Height = 3;
  indexed.Palette.emplace();
  for (int i = 0; i < 21; ++i) indexed.Pixels.push_back(uint8_t(i * 11));
  for (int i = 0; i < 256; ++i) (*indexed.Palette)[i] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
  const TBitmap colour = Colour(7, 3, [](int32_t x, int32_t y) { return uint32_t(x * 30) << 8 | uint32_t(y * 80); });
  for (const TBitmap* picture : {&std::as_const(indexed), &colour}) {
    SaveBitmapBMP(folder.File("p.bmp"), *picture);
    const TBitmap back = LoadBitmapBMP(folder.File("p.bmp"));
    EXPECT_EQ(back.Pixels, picture->Pixels);
    EXPECT_EQ(back.Palette, picture->Palette);
  }
}

TEST(GdiBitmaps, DamagedOrHostileFilesAreRefusedNamingTheFile) {
  const TBytes good = Bmp(3, 2, 8, 0, FourColours, 4, {3, 2, 1, 0, 0, 1, 2, 0});
  auto with = [&](size_t At, uint32_t Value) {
    TBytes b = good;
    std::memcpy(b.data() + At, &Value, 4);
    return b;
  };
  const struct {
    const char* What;
    TBytes Bytes;
    const char* Why;
  } cases[] = {
      {"empty", {}, "empty"},
      {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, "not a BMP"},
      {"cut short", TBytes(good.begin(), good.end() - 3), "cut short"},
      {"cut in the header", TBytes(good.begin(), good.begin() + 30), "cut short"},
      {"palette cut", TBytes(good.begin(), good.begin() + 60), "cut short"},
      {"width 2^31", with(18, 0x80000000u), "not valid"},
      {"1 x 100000000", with(22, 100000000u), "larger than"},
      {"3 bits", with(28, 3), "3 bits"},
      {"odd info header", with(14, 20), "header of 20"},
      {"pixels beyond the file", with(10, 0x7FFFFFF0u), "cut short"},
      {"index past the palette", Bmp(3, 1, 8, 0, FourColours, 4, {1, 4, 1, 0}), "past the palette"},
      {"run past the palette", Bmp(4, 1, 8, 1, FourColours, 4, {4, 9, 0, 1}), "past the palette"},
      {"runs cut short", Bmp(4, 2, 8, 1, FourColours, 4, {4, 1, 0, 0, 4}), "cut short"},
      {"absolute run cut short", Bmp(8, 1, 8, 1, FourColours, 4, {0, 8, 1, 1}), "cut short"},
      {"16000 x 16000 in 4 run bytes", Bmp(16000, 16000, 8, 1, FourColours, 4, {0, 0, 0, 1}), "run-length"},
      {"run-length at 24 bits", Bmp(1, 1, 24, 1, {}, 0, {0, 1}), "compression 1"},
      {"JPEG inside", Bmp(1, 1, 24, 4, {}, 0, {0xFF, 0xD8}), "compression 4"},
  };
  for (const auto& c : cases) {
    const std::string message = Refusal([&] { DecodeBitmapBMP(c.Bytes, "bad.bmp"); });
    EXPECT_EQ(message.rfind("Cannot read the picture bad.bmp: ", 0), 0u) << c.What << ": " << message;
    EXPECT_NE(message.find(c.Why), std::string::npos) << c.What << ": " << message;
  }
}

// The picture fuzz target's seeds: each decodes by its own kind (except the
// files cut on purpose) and is refused by the other reader.
TEST(WinPictures, FuzzSeedsDecodeByTheirKind) {
#ifdef EMBERHALL_FUZZ_CORPUS
  std::string folder = EMBERHALL_FUZZ_CORPUS "/picture";
  if (!folder.empty() && folder[0] == '/') folder = "Z:" + folder;  // the build machine's root under Wine
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) GTEST_SKIP() << "no corpus at " << folder;
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const bool jpeg = entry.path().extension() == ".jpg";
    const TBytes bytes = ReadAll(entry.path().string());
    const bool cut = name.rfind("cut", 0) == 0;
    const std::string own = Refusal([&] { jpeg ? DecodeBitmapJPEG(bytes, name) : DecodeBitmapBMP(bytes, name); });
    EXPECT_EQ(own == "accepted", !cut) << name << ": " << own;
    EXPECT_NE(Refusal([&] { jpeg ? DecodeBitmapBMP(bytes, name) : DecodeBitmapJPEG(bytes, name); }), "accepted")
        << name;
    ++seen;
  }
  EXPECT_GT(seen, 0);
#else
  GTEST_SKIP() << "built without the corpus";
#endif
}

}  // namespace
}  // namespace emberhall
