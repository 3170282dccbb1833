#include "platform/PictureFiles.h"

#include <cstdio>
#include <csetjmp>
#include <cstring>
#include <fstream>

#include <jpeglib.h>

#include "platform/SysUtils.h"

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

// Writes the bytes to a temporary name, then renames it over FileName.
void WriteFileAtomically(const std::string& FileName, const std::vector<uint8_t>& Bytes) {
  const std::string temp = FileName + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      throw EOSError("Cannot write the picture " + FileName);
    }
  }
  if (std::rename(temp.c_str(), FileName.c_str()) != 0) {
    std::remove(temp.c_str());
    throw EOSError("Cannot write the picture " + FileName + ": " + std::strerror(errno));
  }
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
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + imageSize);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(Bitmap.Width));
  Put32(b, static_cast<uint32_t>(Bitmap.Height));  // positive: rows stored bottom first
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, imageSize);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  for (int32_t y = Bitmap.Height - 1; y >= 0; --y) {
    const uint8_t* row = Bitmap.Row(y);
    b.insert(b.end(), row, row + Bitmap.Width * 3);
    b.insert(b.end(), stride - static_cast<uint32_t>(Bitmap.Width) * 3, 0);
  }
  WriteFileAtomically(FileName, b);
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
