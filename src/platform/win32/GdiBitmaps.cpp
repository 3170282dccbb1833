// The BMP reader of PictureFiles.h for Windows. The header is read and
// checked here, against the picture limits and against the bytes present,
// before anything is allocated. Pictures with a palette (1, 2, 4 and 8 bits,
// plain or run-length coded) are unpacked here, so that every index stays
// as stored and an index past the palette is refused; 16-, 24- and 32-bit
// pictures, with or without colour masks, are converted to 24 bits by GDI
// (SetDIBits into a top-down DIB section).
#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"

#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

constexpr uint32_t CompressionNone = 0, CompressionRle8 = 1, CompressionRle4 = 2, CompressionMasks = 3,
                   CompressionAlphaMasks = 6;

// Run-length data can describe a whole picture in a few bytes; real coders
// need far more than this many bytes for a picture, so beyond it a small
// file cannot make the reader allocate a large one.
constexpr uint64_t MaxRunLengthPixelsPerByte = 1024;
constexpr uint64_t RunLengthPixelsFree = uint64_t(1) << 16;

uint32_t Get32(std::span<const uint8_t> B, size_t At) {
  return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}
uint16_t Get16(std::span<const uint8_t> B, size_t At) { return static_cast<uint16_t>(B[At] | B[At + 1] << 8); }

[[noreturn]] void Fail(const std::string& Name, const std::string& Why) {
  throw EOSError("Cannot read the picture " + Name + ": " + Why);
}

struct THeader {
  int32_t Width = 0, Height = 0;
  bool TopDown = false;
  uint32_t Bits = 0, Compression = CompressionNone;
  size_t PixelsAt = 0;  // offset of the pixel data in the file
  uint32_t Masks[3] = {0, 0, 0};
  bool HasMasks = false;
  TPicturePalette Palette{};
  uint32_t Colors = 0;  // entries of Palette the file gives
};

THeader ReadHeader(std::span<const uint8_t> Bytes, const std::string& Name) {
  if (Bytes.empty()) Fail(Name, "the file is empty");
  if (Bytes.size() < 2 || Bytes[0] != 'B' || Bytes[1] != 'M') Fail(Name, "not a BMP file");
  if (Bytes.size() < 26) Fail(Name, "the file is cut short");
  if (Bytes.size() > static_cast<size_t>(INT_MAX)) Fail(Name, "the file is too large");
  THeader h;
  const uint32_t infoSize = Get32(Bytes, 14);
  int64_t width = 0, height = 0;
  uint32_t colorsUsed = 0;
  size_t entryBytes = 4;
  if (infoSize == 12) {  // the OS/2 core header: 16-bit sizes, three-byte palette entries
    width = Get16(Bytes, 18);
    height = Get16(Bytes, 20);
    h.Bits = Get16(Bytes, 24);
    entryBytes = 3;
  } else if (infoSize >= 40) {
    if (Bytes.size() < 54) Fail(Name, "the file is cut short");
    width = static_cast<int32_t>(Get32(Bytes, 18));
    height = static_cast<int32_t>(Get32(Bytes, 22));
    h.Bits = Get16(Bytes, 28);
    h.Compression = Get32(Bytes, 30);
    colorsUsed = Get32(Bytes, 46);
  } else {
    Fail(Name, "unknown BMP header of " + IntToStr(infoSize) + " bytes");
  }
  if (height < 0) {
    height = -height;
    h.TopDown = true;
  }
  // Up to 4 bytes a pixel while converting, as on the other platforms.
  CheckPictureSize(width, height, h.Bits <= 8 ? 1 : 4, Name);
  h.Width = static_cast<int32_t>(width);
  h.Height = static_cast<int32_t>(height);

  const bool indexed = h.Bits == 1 || h.Bits == 2 || h.Bits == 4 || h.Bits == 8;
  if (!indexed && h.Bits != 16 && h.Bits != 24 && h.Bits != 32)
    Fail(Name, IntToStr(h.Bits) + " bits per pixel is not a BMP depth");
  const bool compressionFits =
      h.Compression == CompressionNone || (h.Compression == CompressionRle8 && h.Bits == 8) ||
      (h.Compression == CompressionRle4 && h.Bits == 4) ||
      ((h.Compression == CompressionMasks || h.Compression == CompressionAlphaMasks) &&
       (h.Bits == 16 || h.Bits == 32));
  if (!compressionFits)
    Fail(Name, "compression " + IntToStr(h.Compression) + " at " + IntToStr(h.Bits) + " bits is not supported");
  if (h.TopDown && (h.Compression == CompressionRle8 || h.Compression == CompressionRle4))
    Fail(Name, "run-length coded rows cannot be stored top row first");
  h.PixelsAt = Get32(Bytes, 10);
  if (h.PixelsAt >= Bytes.size()) Fail(Name, "the file is cut short");

  size_t after = 14 + infoSize;  // what follows the info header: masks or palette
  if (h.Compression == CompressionMasks || h.Compression == CompressionAlphaMasks) {
    // A 40-byte header is followed by the masks; longer ones hold them.
    const size_t at = 14 + 40;
    if (Bytes.size() < at + 12) Fail(Name, "the file is cut short");
    for (int i = 0; i < 3; ++i) h.Masks[i] = Get32(Bytes, at + 4 * static_cast<size_t>(i));
    h.HasMasks = true;
    if (infoSize == 40) after += h.Compression == CompressionAlphaMasks ? 16 : 12;
  }
  if (indexed) {
    h.Colors = 1u << h.Bits;
    if (colorsUsed != 0 && colorsUsed < h.Colors) h.Colors = colorsUsed;
    if (after > Bytes.size() || (Bytes.size() - after) / entryBytes < h.Colors) Fail(Name, "the file is cut short");
    for (uint32_t i = 0; i < h.Colors; ++i) {
      const size_t at = after + i * entryBytes;
      h.Palette[i] = {Bytes[at + 2], Bytes[at + 1], Bytes[at]};
    }
  }
  return h;
}

size_t Stride(const THeader& H) { return (static_cast<size_t>(H.Width) * H.Bits + 31) / 32 * 4; }

// The stored row of picture row Y (counted from the top).
size_t StoredRow(const THeader& H, int32_t Y) {
  return static_cast<size_t>(H.TopDown ? Y : H.Height - 1 - Y);
}

void CheckIndex(const THeader& H, uint32_t Index, const std::string& Name) {
  if (Index >= H.Colors)
    Fail(Name, "a pixel's colour " + IntToStr(Index) + " is past the palette of " + IntToStr(H.Colors) + " colours");
}

TBitmap Indexed(const THeader& H) {
  TBitmap bitmap;
  bitmap.Width = H.Width;
  bitmap.Height = H.Height;
  bitmap.Palette = H.Palette;
  bitmap.Pixels.resize(bitmap.RowBytes() * static_cast<size_t>(H.Height));
  return bitmap;
}

TBitmap DecodePlainIndexed(std::span<const uint8_t> Bytes, const THeader& H, const std::string& Name) {
  const size_t stride = Stride(H);
  if ((Bytes.size() - H.PixelsAt) / stride < static_cast<size_t>(H.Height)) Fail(Name, "the file is cut short");
  TBitmap bitmap = Indexed(H);
  const uint32_t mask = (1u << H.Bits) - 1;
  for (int32_t y = 0; y < H.Height; ++y) {
    const uint8_t* from = Bytes.data() + H.PixelsAt + StoredRow(H, y) * stride;
    uint8_t* to = bitmap.Row(y);
    for (int32_t x = 0; x < H.Width; ++x) {
      const size_t bit = static_cast<size_t>(x) * H.Bits;
      const uint32_t index = (from[bit / 8] >> (8 - H.Bits - bit % 8)) & mask;  // first pixel in the high bits
      CheckIndex(H, index, Name);
      to[x] = static_cast<uint8_t>(index);
    }
  }
  return bitmap;
}

// Run-length coded rows, bottom first: (count, index) runs and escapes
// (0, 0) end of line, (0, 1) end of picture, (0, 2, dx, dy) move, (0, n)
// n indices as they are, padded to two bytes. Skipped pixels get index 0.
TBitmap DecodeRunLength(std::span<const uint8_t> Bytes, const THeader& H, const std::string& Name) {
  const std::span<const uint8_t> data = Bytes.subspan(H.PixelsAt);
  const uint64_t pixels = static_cast<uint64_t>(H.Width) * static_cast<uint64_t>(H.Height);
  if (pixels > RunLengthPixelsFree + MaxRunLengthPixelsPerByte * data.size())
    Fail(Name, IntToStr(H.Width) + " x " + IntToStr(H.Height) + " pixels is more than its " +
                   IntToStr(static_cast<int64_t>(data.size())) + " bytes of run-length data can describe");
  TBitmap bitmap = Indexed(H);
  const bool four = H.Compression == CompressionRle4;
  int64_t x = 0, row = 0;  // row counted from the bottom
  size_t at = 0;
  auto put = [&](uint32_t Index) {
    if (x < H.Width && row < H.Height) {
      CheckIndex(H, Index, Name);
      bitmap.Row(static_cast<int32_t>(H.Height - 1 - row))[x] = static_cast<uint8_t>(Index);
    }
    ++x;
  };
  auto need = [&](size_t Count) {
    if (data.size() - at < Count) Fail(Name, "the run-length data is cut short");
  };
  while (row < H.Height) {
    need(2);
    const uint8_t count = data[at], value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < H.Width; ++i) put(four ? (i % 2 ? value & 15u : value >> 4u) : value);
      continue;
    }
    if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      need(2);
      x += data[at];
      row += data[at + 1];
      at += 2;
    } else {
      const size_t bytes = four ? (value + 1u) / 2 : value;
      need(bytes);
      for (unsigned i = 0; i < value; ++i) {
        const uint8_t b = data[at + (four ? i / 2 : i)];
        put(four ? (i % 2 ? b & 15u : b >> 4u) : b);
      }
      at += (bytes + 1) & ~size_t(1);
    }
  }
  return bitmap;
}

struct TDeleteDC {
  void operator()(HDC Dc) const { DeleteDC(Dc); }
};
struct TDeleteObject {
  void operator()(HGDIOBJ Object) const { DeleteObject(Object); }
};

// 16, 24 and 32 bits through GDI, into a top-down 24-bit DIB section.
TBitmap DecodeColour(std::span<const uint8_t> Bytes, const THeader& H, const std::string& Name) {
  const size_t stride = Stride(H);
  if ((Bytes.size() - H.PixelsAt) / stride < static_cast<size_t>(H.Height)) Fail(Name, "the file is cut short");
  struct {
    BITMAPINFOHEADER Header;
    DWORD Masks[3];
  } source{};
  source.Header.biSize = sizeof(BITMAPINFOHEADER);
  source.Header.biWidth = H.Width;
  source.Header.biHeight = H.TopDown ? -H.Height : H.Height;
  source.Header.biPlanes = 1;
  source.Header.biBitCount = static_cast<WORD>(H.Bits);
  source.Header.biCompression = H.HasMasks ? BI_BITFIELDS : BI_RGB;
  source.Header.biSizeImage = static_cast<DWORD>(stride * static_cast<size_t>(H.Height));
  if (H.HasMasks) {
    if (H.Masks[0] == 0 && H.Masks[1] == 0 && H.Masks[2] == 0) Fail(Name, "the colour masks are all empty");
    std::copy(std::begin(H.Masks), std::end(H.Masks), source.Masks);
  }
  BITMAPINFO target{};
  target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  target.bmiHeader.biWidth = H.Width;
  target.bmiHeader.biHeight = -H.Height;  // top row first
  target.bmiHeader.biPlanes = 1;
  target.bmiHeader.biBitCount = 24;
  target.bmiHeader.biCompression = BI_RGB;

  const std::unique_ptr<HDC__, TDeleteDC> dc(CreateCompatibleDC(nullptr));
  if (!dc) Fail(Name, "no GDI device context");
  void* bits = nullptr;
  const std::unique_ptr<HBITMAP__, TDeleteObject> section(
      CreateDIBSection(dc.get(), &target, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!section || !bits) Fail(Name, "not enough memory for " + IntToStr(H.Width) + " x " + IntToStr(H.Height) + " pixels");
  const int lines = SetDIBits(dc.get(), section.get(), 0, static_cast<UINT>(H.Height), Bytes.data() + H.PixelsAt,
                              reinterpret_cast<const BITMAPINFO*>(&source), DIB_RGB_COLORS);
  if (lines != H.Height) Fail(Name, "GDI cannot convert its " + IntToStr(H.Bits) + "-bit pixels");
  GdiFlush();
  TBitmap bitmap;
  bitmap.Width = H.Width;
  bitmap.Height = H.Height;
  bitmap.Pixels.resize(bitmap.RowBytes() * static_cast<size_t>(H.Height));
  const size_t sectionStride = (bitmap.RowBytes() + 3) & ~size_t(3);
  for (int32_t y = 0; y < H.Height; ++y)
    std::memcpy(bitmap.Row(y), static_cast<const uint8_t*>(bits) + static_cast<size_t>(y) * sectionStride,
                bitmap.RowBytes());
  return bitmap;
}

}  // namespace

TBitmap DecodeBitmapBMP(std::span<const uint8_t> Bytes, const std::string& Name) {
  const THeader header = ReadHeader(Bytes, Name);
  if (header.Compression == CompressionRle8 || header.Compression == CompressionRle4)
    return DecodeRunLength(Bytes, header, Name);
  if (header.Bits <= 8) return DecodePlainIndexed(Bytes, header, Name);
  return DecodeColour(Bytes, header, Name);
}

}  // namespace emberhall
