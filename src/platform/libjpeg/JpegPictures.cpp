// The JPEG half of PictureFiles.h, on libjpeg. libjpeg reports errors
// through a callback that must not return; ours jumps back to the one call
// that drives the library, which turns the failure into an exception. No
// C++ object with a destructor lives in the frames that the jump leaves.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"
#include "platform/Files.h"

namespace emberhall {

namespace {

// Progressive files can ask for any number of passes over the whole
// picture; real ones use about ten.
constexpr int MaxScans = 500;

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, error->Message);
  std::longjmp(error->Jump, 1);
}

// Warnings (level -1) are corrupt or missing data: libjpeg would go on with
// made-up pixels. Trace messages (levels above 0) are dropped.
void OnJpegMessage(j_common_ptr info, int Level) {
  if (Level < 0) OnJpegError(info);
}

void OnJpegProgress(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (!info->is_decompressor || decompress->input_scan_number <= MaxScans) return;
  auto* error = reinterpret_cast<TJpegError*>(info->err);
  std::snprintf(error->Message, sizeof error->Message, "more than %d scans", MaxScans);
  std::longjmp(error->Jump, 1);
}

void UseErrorManager(jpeg_common_struct& Info, TJpegError& Error) {
  Info.err = jpeg_std_error(&Error.Manager);
  Error.Manager.error_exit = OnJpegError;
  Error.Manager.emit_message = OnJpegMessage;
}

class TJpegDecoder {
 public:
  TJpegDecoder() {
    UseErrorManager(*reinterpret_cast<jpeg_common_struct*>(&FInfo), FError);
    FProgress.progress_monitor = OnJpegProgress;
  }
  ~TJpegDecoder() {
    if (FCreated) jpeg_destroy_decompress(&FInfo);
  }
  TJpegDecoder(const TJpegDecoder&) = delete;
  TJpegDecoder& operator=(const TJpegDecoder&) = delete;

  // False with Message set when libjpeg failed; the size check raises.
  bool Decode(std::span<const uint8_t> Bytes, TBitmap& Bitmap, const std::string& Name) {
    if (setjmp(FError.Jump)) return false;
    jpeg_create_decompress(&FInfo);
    FCreated = true;
    // Beyond this libjpeg would need a backing store, which it does not have: it fails.
    FInfo.mem->max_memory_to_use = static_cast<long>(MaxPictureBytes);
    FInfo.progress = &FProgress;
    jpeg_mem_src(&FInfo, Bytes.data(), static_cast<unsigned long>(Bytes.size()));
    jpeg_read_header(&FInfo, TRUE);
    CheckPictureSize(FInfo.image_width, FInfo.image_height, 3, Name);
    FInfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&FInfo);
    Bitmap.Width = static_cast<int32_t>(FInfo.output_width);
    Bitmap.Height = static_cast<int32_t>(FInfo.output_height);
    CheckPictureSize(Bitmap.Width, Bitmap.Height, 3, Name);
    while (FInfo.output_scanline < FInfo.output_height) {
      // Rows are added as they are decoded, so a file that promises a large
      // picture and ends early never costs the whole picture's memory.
      const auto y = static_cast<int32_t>(FInfo.output_scanline);
      const size_t needed = (static_cast<size_t>(y) + 1) * Bitmap.RowBytes();
      if (Bitmap.Pixels.size() < needed)
        Bitmap.Pixels.resize(std::min(std::max(needed, 2 * Bitmap.Pixels.size()),
                                      Bitmap.RowBytes() * static_cast<size_t>(Bitmap.Height)));
      JSAMPROW row = Bitmap.Row(y);
      jpeg_read_scanlines(&FInfo, &row, 1);
    }
    jpeg_finish_decompress(&FInfo);
    return true;
  }

  const char* Message() const { return FError.Message; }

 private:
  jpeg_decompress_struct FInfo{};
  TJpegError FError{};
  jpeg_progress_mgr FProgress{};
  bool FCreated = false;
};

bool IsGrey(const TPicturePalette& Palette) {
  return std::all_of(Palette.begin(), Palette.end(),
                     [](const TPaletteColor& c) { return c.Red == c.Green && c.Green == c.Blue; });
}

}  // namespace

TBitmap DecodeBitmapJPEG(std::span<const uint8_t> Bytes, const std::string& Name) {
  TBitmap bitmap;
  TJpegDecoder decoder;
  if (Bytes.empty()) throw EOSError("Cannot read the picture " + Name + ": the file is empty");
  if (!decoder.Decode(Bytes, bitmap, Name)) throw EOSError("Cannot read the picture " + Name + ": " + decoder.Message());
  return bitmap;
}

void SaveBitmapJPEG(const std::string& FileName, const TBitmap& Bitmap, int Quality) {
  if (Bitmap.Palette && !IsGrey(*Bitmap.Palette))
    throw EOSError("Cannot write the picture " + FileName + ": a JPEG picture takes 24 bits or a grey palette");
  // Grey pictures go through one row of grey levels.
  std::vector<uint8_t> greyRow(Bitmap.Palette ? static_cast<size_t>(Bitmap.Width) : 0);
  jpeg_compress_struct info{};
  TJpegError error{};
  UseErrorManager(*reinterpret_cast<jpeg_common_struct*>(&info), error);
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
  info.input_components = Bitmap.Palette ? 1 : 3;
  info.in_color_space = Bitmap.Palette ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, Quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const uint8_t* source = Bitmap.Row(static_cast<int32_t>(info.next_scanline));
    JSAMPROW row = const_cast<JSAMPROW>(source);
    if (Bitmap.Palette) {
      for (size_t x = 0; x < greyRow.size(); ++x) greyRow[x] = (*Bitmap.Palette)[source[x]].Red;
      row = greyRow.data();
    }
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  const std::string bytes(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  ReplaceFileContents(FileName, bytes);
}

}  // namespace emberhall
