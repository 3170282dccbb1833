#include "platform/PictureFiles.h"

#include <cstdio>
#include <csetjmp>
#include <cstring>
#include <fstream>

#include <jpeglib.h>

#include "platform/SysUtils.h"
#include "platform/posix/Files.h"

namespace emberhall {

namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void WriteFileAtomically(const std::string& FileName, const std::vector<uint8_t>& Bytes) {
  ReplaceFileContents(FileName, std::string(Bytes.begin(), Bytes.end()));
}

uint32_t Get32(std::span<const uint8_t> B, size_t At) {
  return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8 | uint32_t(B[At + 2]) << 16 | uint32_t(B[At + 3]) << 24;
}
uint16_t Get16(std::span<const uint8_t> B, size_t At) { return static_cast<uint16_t>(B[At] | B[At + 1] << 8); }

// The file header and an info header of 40 bytes; rows bottom first.
void PutBmpHeaders(std::vector<uint8_t>& b, const int32_t Width, const int32_t Height, uint16_t Bits,
                   uint32_t PaletteBytes, uint32_t ImageSize) {
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + PaletteBytes + ImageSize);
  Put32(b, 0);
  Put32(b, 54 + PaletteBytes);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(Width));
  Put32(b, static_cast<uint32_t>(Height));  // positive: rows stored bottom first
  Put16(b, 1);
  Put16(b, Bits);
  Put32(b, 0);
  Put32(b, ImageSize);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, PaletteBytes / 4);
  Put32(b, 0);
}

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

}  // namespace

void SaveBitmapBMP(const std::string& FileName, const TBitmap24& Bitmap) {
  const uint32_t stride = (static_cast<uint32_t>(Bitmap.Width) * 3 + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(Bitmap.Height);
  std::vector<uint8_t> b;
  b.reserve(54 + imageSize);
  PutBmpHeaders(b, Bitmap.Width, Bitmap.Height, 24, 0, imageSize);
  for (int32_t y = Bitmap.Height - 1; y >= 0; --y) {
    const uint8_t* row = Bitmap.Row(y);
    b.insert(b.end(), row, row + Bitmap.Width * 3);
    b.insert(b.end(), stride - static_cast<uint32_t>(Bitmap.Width) * 3, 0);
  }
  WriteFileAtomically(FileName, b);
}

void SaveBitmapBMP8(const std::string& FileName, const TBitmap8& Bitmap) {
  const uint32_t stride = (static_cast<uint32_t>(Bitmap.Width) + 3) & ~3u;
  const uint32_t imageSize = stride * static_cast<uint32_t>(Bitmap.Height);
  std::vector<uint8_t> b;
  PutBmpHeaders(b, Bitmap.Width, Bitmap.Height, 8, 1024, imageSize);
  for (const auto& entry : Bitmap.Palette) {
    b.insert(b.end(), entry.begin(), entry.end());
    b.push_back(0);
  }
  for (int32_t y = Bitmap.Height - 1; y >= 0; --y) {
    const uint8_t* row = Bitmap.Row(y);
    b.insert(b.end(), row, row + Bitmap.Width);
    b.insert(b.end(), stride - static_cast<uint32_t>(Bitmap.Width), 0);
  }
  WriteFileAtomically(FileName, b);
}

TBitmap8 DecodeBitmapBMP8(std::span<const uint8_t> Bytes) {
  auto fail = [](const std::string& Why) -> TBitmap8 { throw EOSError("Not an 8-bit bitmap: " + Why); };
  if (Bytes.size() < 54 || Bytes[0] != 'B' || Bytes[1] != 'M') return fail("no BMP header");
  const uint32_t dataOffset = Get32(Bytes, 10), infoSize = Get32(Bytes, 14);
  const auto width = static_cast<int32_t>(Get32(Bytes, 18)), height = static_cast<int32_t>(Get32(Bytes, 22));
  if (infoSize < 40 || Get16(Bytes, 28) != 8 || Get32(Bytes, 30) != 0) return fail("not 8 bits uncompressed");
  if (width <= 0 || height == 0 || width > 16384 || height < -16384 || height > 16384) return fail("bad size");
  uint32_t colors = Get32(Bytes, 46);
  if (colors == 0 || colors > 256) colors = 256;
  const size_t paletteAt = 14 + size_t(infoSize);
  const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  const size_t stride = (static_cast<size_t>(width) + 3) & ~size_t(3);
  if (paletteAt + colors * 4 > Bytes.size() || dataOffset > Bytes.size() || Bytes.size() - dataOffset < stride * rows)
    return fail("the file is cut short");
  TBitmap8 bitmap;
  bitmap.Width = width;
  bitmap.Height = static_cast<int32_t>(rows);
  for (uint32_t i = 0; i < colors; ++i)
    bitmap.Palette[i] = {Bytes[paletteAt + i * 4], Bytes[paletteAt + i * 4 + 1], Bytes[paletteAt + i * 4 + 2]};
  bitmap.Pixels.resize(static_cast<size_t>(width) * rows);
  for (size_t r = 0; r < rows; ++r) {
    const size_t stored = height > 0 ? rows - 1 - r : r;  // positive heights store the bottom row first
    const uint8_t* source = Bytes.data() + dataOffset + stored * stride;
    std::copy(source, source + width, bitmap.Row(static_cast<int32_t>(r)));
  }
  return bitmap;
}

void SaveBitmapJPEG(const std::string& FileName, const TBitmap24& Bitmap, int Quality) {
  jpeg_compress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnJpegError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&info);
    std::free(buffer);
    throw EOSError("Cannot write the picture " + FileName + ": " + error.Message);
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(Bitmap.Width);
  info.image_height = static_cast<JDIMENSION>(Bitmap.Height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, Quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(Bitmap.Row(static_cast<int32_t>(info.next_scanline)));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  std::free(buffer);
  WriteFileAtomically(FileName, bytes);
}

TBitmap24 LoadBitmapJPEG(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) throw EOSError("Cannot read the picture " + FileName);
  jpeg_decompress_struct info{};
  TJpegError error{};
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnJpegError;
  TBitmap24 bitmap;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    throw EOSError("Cannot read the picture " + FileName + ": " + error.Message);
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  bitmap.Width = static_cast<int32_t>(info.output_width);
  bitmap.Height = static_cast<int32_t>(info.output_height);
  bitmap.Pixels.resize(static_cast<size_t>(bitmap.Width) * static_cast<size_t>(bitmap.Height) * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = bitmap.Row(static_cast<int32_t>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return bitmap;
}

}  // namespace emberhall
