// The BMP reader of PictureFiles.h, on SDL2's loader (which needs no
// SDL_Init). Before SDL sees the bytes, the header is checked against the
// picture limits and, for uncompressed files, against the bytes present, so
// a header that promises more than the file holds costs nothing.
#include <SDL.h>

#include <climits>
#include <cstring>
#include <memory>

#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"

namespace emberhall {

namespace {

using TSurface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

uint32_t Get32(std::span<const uint8_t> B, size_t At) {
  return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}
uint16_t Get16(std::span<const uint8_t> B, size_t At) { return static_cast<uint16_t>(B[At] | B[At + 1] << 8); }

[[noreturn]] void Fail(const std::string& Name, const std::string& Why) {
  throw EOSError("Cannot read the picture " + Name + ": " + Why);
}

void CheckHeader(std::span<const uint8_t> Bytes, const std::string& Name) {
  if (Bytes.empty()) Fail(Name, "the file is empty");
  if (Bytes.size() < 2 || Bytes[0] != 'B' || Bytes[1] != 'M') Fail(Name, "not a BMP file");
  if (Bytes.size() < 26) Fail(Name, "the file is cut short");
  if (Bytes.size() > static_cast<size_t>(INT_MAX)) Fail(Name, "the file is too large");
  const uint32_t infoSize = Get32(Bytes, 14);
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = 0;
  if (infoSize == 12) {
    width = Get16(Bytes, 18);
    height = Get16(Bytes, 20);
    bits = Get16(Bytes, 24);
  } else if (infoSize >= 40) {
    if (Bytes.size() < 34) Fail(Name, "the file is cut short");
    width = static_cast<int32_t>(Get32(Bytes, 18));
    height = static_cast<int32_t>(Get32(Bytes, 22));
    bits = Get16(Bytes, 28);
    compression = Get32(Bytes, 30);
  } else {
    Fail(Name, "unknown BMP header of " + IntToStr(infoSize) + " bytes");
  }
  if (height < 0) height = -height;  // rows stored top first
  // SDL keeps up to 4 bytes a pixel while converting.
  CheckPictureSize(width, height, bits <= 8 ? 1 : 4, Name);
  const bool uncompressed = compression == 0 || compression == 3 || compression == 6;
  if (!uncompressed || bits > 32) return;
  const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  if (Get32(Bytes, 10) + stride * static_cast<uint64_t>(height) > Bytes.size()) Fail(Name, "the file is cut short");
}

TBitmap FromIndexed(const SDL_Surface& S) {
  TBitmap bitmap;
  bitmap.Width = S.w;
  bitmap.Height = S.h;
  bitmap.Palette.emplace();
  const SDL_Palette& palette = *S.format->palette;
  for (int i = 0; i < palette.ncolors && i < 256; ++i)
    (*bitmap.Palette)[static_cast<size_t>(i)] = {palette.colors[i].r, palette.colors[i].g, palette.colors[i].b};
  bitmap.Pixels.resize(bitmap.RowBytes() * static_cast<size_t>(S.h));
  for (int y = 0; y < S.h; ++y) {
    const auto* from = static_cast<const uint8_t*>(S.pixels) + static_cast<ptrdiff_t>(y) * S.pitch;
    std::memcpy(bitmap.Row(y), from, static_cast<size_t>(S.w));
  }
  return bitmap;
}

TBitmap FromColour(SDL_Surface& S, const std::string& Name) {
  const TSurface converted(SDL_ConvertSurfaceFormat(&S, SDL_PIXELFORMAT_BGR24, 0), SDL_FreeSurface);
  if (!converted) Fail(Name, SDL_GetError());
  TBitmap bitmap;
  bitmap.Width = converted->w;
  bitmap.Height = converted->h;
  bitmap.Pixels.resize(bitmap.RowBytes() * static_cast<size_t>(converted->h));
  for (int y = 0; y < converted->h; ++y) {
    const auto* from = static_cast<const uint8_t*>(converted->pixels) + static_cast<ptrdiff_t>(y) * converted->pitch;
    std::memcpy(bitmap.Row(y), from, bitmap.RowBytes());
  }
  return bitmap;
}

}  // namespace

TBitmap DecodeBitmapBMP(std::span<const uint8_t> Bytes, const std::string& Name) {
  CheckHeader(Bytes, Name);
  SDL_RWops* source = SDL_RWFromConstMem(Bytes.data(), static_cast<int>(Bytes.size()));
  if (!source) Fail(Name, SDL_GetError());
  const TSurface surface(SDL_LoadBMP_RW(source, 1), SDL_FreeSurface);
  if (!surface) Fail(Name, SDL_GetError());
  // SDL gives 1-, 2-, 4- and 8-bit pictures as 8-bit indices with their palette.
  const bool indexed = surface->format->palette && surface->format->BitsPerPixel == 8;
  return indexed ? FromIndexed(*surface) : FromColour(*surface, Name);
}

}  // namespace emberhall
