// Writes the seed corpus of the picture fuzz target (fuzz/corpus/picture):
// small BMP files of every depth the reader takes, JPEG pictures in colour
// and grey, and a few cut or damaged ones.
//   make_picture_seeds <folder>
#include <cstdio>
#include <exception>
#include <string>

#include "PictureSamples.h"
#include "platform/PictureFiles.h"
#include "platform/Files.h"

using namespace emberhall;

namespace {

std::string Text(const std::vector<uint8_t>& Bytes) { return {Bytes.begin(), Bytes.end()}; }

std::vector<uint32_t> Ramp(int Count) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < Count; ++i) {
    const uint32_t v = static_cast<uint32_t>(i * 255 / (Count > 1 ? Count - 1 : 1));
    palette.push_back(v << 16 | (255 - v) << 8 | v / 2);
  }
  return palette;
}

TBitmap Colour(int Width, int Height) {
  TBitmap b;
  b.Width = Width;
  b.Height = Height;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      b.Pixels.push_back(static_cast<uint8_t>(x * 16));
      b.Pixels.push_back(static_cast<uint8_t>(y * 16));
      b.Pixels.push_back(static_cast<uint8_t>(255 - x * 8));
    }
  return b;
}

TBitmap Grey(int Width, int Height) {
  TBitmap b;
  b.Width = Width;
  b.Height = Height;
  b.Palette.emplace();
  for (int i = 0; i < 256; ++i) (*b.Palette)[i] = {uint8_t(i), uint8_t(i), uint8_t(i)};
  for (int i = 0; i < Width * Height; ++i) b.Pixels.push_back(static_cast<uint8_t>(i * 5));
  return b;
}

void MakeAll(const std::string& Out) {
  auto write = [&](const std::string& Name, const std::string& Bytes) { ReplaceFileContents(Out + "/" + Name, Bytes); };
  for (const uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    samples::TBmpSample s;
    s.Width = 9;
    s.Height = 5;
    s.Bits = bits;
    if (bits <= 8) s.Palette = Ramp(1 << bits);
    s.Pixel = [bits](int32_t x, int32_t y) {
      return bits <= 8 ? uint32_t(x + y) % (1u << bits) : uint32_t(x * 0x102030 + y * 0x050607);
    };
    write("depth" + std::to_string(bits) + ".bmp", Text(samples::BmpBytes(s)));
    s.TopDown = true;
    write("depth" + std::to_string(bits) + "-topdown.bmp", Text(samples::BmpBytes(s)));
  }
  write("rle8.bmp", Text(samples::Rle8Bytes(8, 3, {{8, 1}, {4, 2, 4, 3}, {2, 0, 6, 1}}, Ramp(4))));
  samples::TBmpSample fewColours;
  fewColours.Bits = 8;
  fewColours.ColorsUsed = 3;
  fewColours.Palette = Ramp(3);
  fewColours.Pixel = [](int32_t x, int32_t) { return uint32_t(x % 3); };
  write("three-colours.bmp", Text(samples::BmpBytes(fewColours)));

  // Our own writers: 8 and 24 bits, JPEG in colour and grey.
  const std::string tmp = Out + "/.seed";
  auto own = [&](const std::string& Name, auto Save) {
    Save(tmp);
    const std::vector<uint8_t> bytes = ReadFileBytes(tmp, 1 << 20);
    std::remove(tmp.c_str());
    write(Name, Text(bytes));
    return Text(bytes);
  };
  own("own24.bmp", [](const std::string& F) { SaveBitmapBMP(F, Colour(6, 4)); });
  own("own8.bmp", [](const std::string& F) { SaveBitmapBMP(F, Grey(6, 4)); });
  const std::string jpeg = own("colour.jpg", [](const std::string& F) { SaveBitmapJPEG(F, Colour(32, 16), 90); });
  own("grey.jpg", [](const std::string& F) { SaveBitmapJPEG(F, Grey(16, 16), 90); });
  own("colour64.jpg", [](const std::string& F) { SaveBitmapJPEG(F, Colour(64, 64), 75); });
  write("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_picture_seeds <folder>\n");
    return 2;
  }
  try {
    MakeAll(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_picture_seeds: %s\n", e.what());
    return 1;
  }
  return 0;
}
