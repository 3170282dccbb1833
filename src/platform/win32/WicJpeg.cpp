// The JPEG half of PictureFiles.h, on the Windows Imaging Component.
//
// Before WIC sees the bytes, the file's marker layout is walked here: the
// frame's size is checked against the picture limits (WIC decoders may
// decode the whole picture as soon as they are initialised), the number of
// scans is bounded as for progressive files, and a file that is cut short
// or has damaged markers is refused, as the other platforms' decoder does
// for its warnings. WIC then decodes into 24-bit blue-green-red rows, top
// row first; grey pictures come out with three equal channels.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Files.h"
#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"

#include "platform/win32/Win32.h"
#include <objidl.h>
#include <wincodec.h>

namespace emberhall {

namespace {

// Progressive files can ask for any number of passes over the whole
// picture; real ones use about ten.
constexpr int MaxScans = 500;

[[noreturn]] void FailRead(const std::string& Name, const std::string& Why) {
  throw EOSError("Cannot read the picture " + Name + ": " + Why);
}

[[noreturn]] void FailWrite(const std::string& Name, const std::string& Why) {
  throw EOSError("Cannot write the picture " + Name + ": " + Why);
}

// ---- the marker layout ----

uint16_t Get16BE(std::span<const uint8_t> B, size_t At) { return static_cast<uint16_t>(B[At] << 8 | B[At + 1]); }

bool IsFrameMarker(uint8_t M) { return M >= 0xC0 && M <= 0xCF && M != 0xC4 && M != 0xC8 && M != 0xCC; }

// Markers that may stand between segments: frames, tables, scans, restart
// interval, line count, application data, comments, the end.
bool IsSegmentMarker(uint8_t M) {
  return IsFrameMarker(M) || M == 0xC4 || M == 0xCC || M == 0xDA || M == 0xDB || M == 0xDC || M == 0xDD ||
         (M >= 0xE0 && M <= 0xEF) || M == 0xFE;
}

std::string Hex(uint8_t V) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", V);
  return text;
}

// Walks the file from its start marker to its end marker. Raises the reader's
// error for anything that is not a whole JPEG file within the limits.
void CheckJpegLayout(std::span<const uint8_t> B, const std::string& Name) {
  if (B.size() < 2 || B[0] != 0xFF || B[1] != 0xD8) FailRead(Name, "not a JPEG file");
  size_t at = 2;
  bool frame = false, sequential = false;
  int scans = 0;
  unsigned restartInterval = 0;
  for (;;) {
    if (at >= B.size()) FailRead(Name, "the file is cut short");
    if (B[at] != 0xFF) FailRead(Name, "corrupt data before a marker");
    while (at < B.size() && B[at] == 0xFF) ++at;  // fill bytes
    if (at >= B.size()) FailRead(Name, "the file is cut short");
    const uint8_t marker = B[at++];
    if (marker == 0xD9) {
      if (scans == 0) FailRead(Name, "the file holds no picture data");
      return;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no segment follows
    if (!IsSegmentMarker(marker)) FailRead(Name, "corrupt data: unknown marker " + Hex(marker));
    if (at + 2 > B.size()) FailRead(Name, "the file is cut short");
    const size_t length = Get16BE(B, at);
    if (length < 2) FailRead(Name, "corrupt data: a marker segment of " + IntToStr(static_cast<int64_t>(length)) + " bytes");
    if (at + length > B.size()) FailRead(Name, "the file is cut short");
    if (IsFrameMarker(marker)) {
      if (frame) FailRead(Name, "more than one frame");
      if (length < 8) FailRead(Name, "corrupt frame header");
      frame = true;
      sequential = marker == 0xC0 || marker == 0xC1 || marker == 0xC9;
      // The limits apply before anything of the picture is decoded.
      CheckPictureSize(Get16BE(B, at + 5), Get16BE(B, at + 3), 3, Name);
    }
    if (marker == 0xDA && frame) {
      // Components, then the spectral selection and approximation, which a
      // sequential frame fixes at 0..63 and 0.
      const size_t components = length >= 3 ? B[at + 2] : 0;
      if (components < 1 || components > 4 || length != 6 + 2 * components)
        FailRead(Name, "corrupt scan header");
      const size_t selection = at + 3 + 2 * components;
      if (sequential && (B[selection] != 0 || B[selection + 1] != 63 || B[selection + 2] != 0))
        FailRead(Name, "corrupt scan header for a sequential picture");
    }
    if (marker == 0xDD) {
      if (length < 4) FailRead(Name, "corrupt restart interval");
      restartInterval = Get16BE(B, at + 2);
    }
    at += length;
    if (marker != 0xDA) continue;
    if (!frame) FailRead(Name, "a scan comes before the frame header");
    if (++scans > MaxScans) FailRead(Name, "more than " + IntToStr(MaxScans) + " scans");
    // The coded data runs to the next marker. Inside it 0xFF is followed by
    // 0 (a stuffed data byte) or by the next restart marker in turn; fill
    // bytes (more 0xFF) may only come before a marker.
    int nextRestart = 0;
    for (;;) {
      const auto* next = static_cast<const uint8_t*>(std::memchr(B.data() + at, 0xFF, B.size() - at));
      if (!next) FailRead(Name, "the file is cut short");
      at = static_cast<size_t>(next - B.data());
      size_t code = at + 1;
      while (code < B.size() && B[code] == 0xFF) ++code;
      if (code >= B.size()) FailRead(Name, "the file is cut short");
      const uint8_t after = B[code];
      if (after == 0x00) {
        if (code > at + 1) FailRead(Name, "corrupt data: fill bytes inside the coded data");
        at = code + 1;
      } else if (after >= 0xD0 && after <= 0xD7) {
        if (restartInterval == 0 || after != 0xD0 + nextRestart)
          FailRead(Name, "corrupt data: restart marker " + Hex(after) + " out of turn");
        nextRestart = (nextRestart + 1) % 8;
        at = code + 1;
      } else {
        break;  // a marker: the outer loop reads it
      }
    }
  }
}

// ---- COM ----

// COM on the calling thread for the lifetime of one call. A thread already
// in another apartment (RPC_E_CHANGED_MODE) can use WIC as it is.
class TComScope {
 public:
  TComScope() : FResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
  ~TComScope() {
    if (SUCCEEDED(FResult)) CoUninitialize();
  }
  TComScope(const TComScope&) = delete;
  TComScope& operator=(const TComScope&) = delete;
  HRESULT Result() const { return FResult == RPC_E_CHANGED_MODE ? S_OK : FResult; }

 private:
  HRESULT FResult;
};

// Holds one interface reference and releases it.
template <class T>
class TCom {
 public:
  TCom() = default;
  ~TCom() { Reset(); }
  TCom(const TCom&) = delete;
  TCom& operator=(const TCom&) = delete;
  void Reset() {
    if (FPointer) FPointer->Release();
    FPointer = nullptr;
  }
  T** Put() {
    Reset();
    return &FPointer;
  }
  T* operator->() const { return FPointer; }
  T* Get() const { return FPointer; }
  explicit operator bool() const { return FPointer != nullptr; }

 private:
  T* FPointer = nullptr;
};

// Readable text for the results WIC and COM give.
std::string ResultText(HRESULT Result) {
  struct TKnown {
    HRESULT Code;
    const char* Text;
  };
  static const TKnown known[] = {
      {WINCODEC_ERR_BADIMAGE, "the picture data is damaged"},
      {WINCODEC_ERR_BADHEADER, "the picture's header is damaged"},
      {WINCODEC_ERR_BADSTREAMDATA, "the picture data is damaged"},
      {WINCODEC_ERR_STREAMREAD, "the picture data could not be read"},
      {WINCODEC_ERR_STREAMWRITE, "the picture data could not be written"},
      {WINCODEC_ERR_UNKNOWNIMAGEFORMAT, "not a JPEG file"},
      {WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT, "the pixel format is not supported"},
      {WINCODEC_ERR_UNSUPPORTEDOPERATION, "the operation is not supported"},
      {WINCODEC_ERR_COMPONENTNOTFOUND, "the Windows Imaging Component has no JPEG codec"},
      {WINCODEC_ERR_FRAMEMISSING, "the file holds no picture"},
      {WINCODEC_ERR_IMAGESIZEOUTOFRANGE, "the picture is too large"},
      {WINCODEC_ERR_VALUEOUTOFRANGE, "a value is out of range"},
      {E_OUTOFMEMORY, "not enough memory"},
      {E_INVALIDARG, "an invalid argument"},
      {REGDB_E_CLASSNOTREG, "the Windows Imaging Component is not installed"},
  };
  for (const TKnown& k : known)
    if (k.Code == Result) return k.Text;
  wchar_t* text = nullptr;
  std::string result;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(Result), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length > 0 && text) {
    result = Utf8Of(std::wstring(text, length));
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == '.' ||
                               result.back() == ' '))
      result.pop_back();
  }
  if (text) LocalFree(text);
  char code[32];
  std::snprintf(code, sizeof code, "error 0x%08lX", static_cast<unsigned long>(Result));
  return result.empty() ? std::string(code) : result + " (" + code + ")";
}

// Raises the reader's or writer's error for a failed step.
class TChecker {
 public:
  TChecker(std::string Name, bool Reading) : FName(std::move(Name)), FReading(Reading) {}
  void operator()(HRESULT Result) const {
    if (SUCCEEDED(Result)) return;
    if (FReading) FailRead(FName, ResultText(Result));
    FailWrite(FName, ResultText(Result));
  }

 private:
  std::string FName;
  bool FReading;
};

void CreateFactory(TCom<IWICImagingFactory>& Factory, const TChecker& Check) {
  Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                         reinterpret_cast<void**>(Factory.Put())));
}

bool IsGrey(const TPicturePalette& Palette) {
  return std::all_of(Palette.begin(), Palette.end(),
                     [](const TPaletteColor& c) { return c.Red == c.Green && c.Green == c.Blue; });
}

// Encodes Pixels (rows top first, Stride bytes apart) in Format as JPEG of
// the quality (0..100) into Stream. False if the encoder takes another
// pixel format than Format; then nothing is written.
bool EncodeJpeg(IWICImagingFactory& Factory, IStream& Stream, const TBitmap& Bitmap, const WICPixelFormatGUID& Format,
                const uint8_t* Pixels, UINT Stride, int Quality, const TChecker& Check) {
  TCom<IWICBitmapEncoder> encoder;
  Check(Factory.CreateEncoder(GUID_ContainerFormatJpeg, nullptr, encoder.Put()));
  Check(encoder->Initialize(&Stream, WICBitmapEncoderNoCache));
  TCom<IWICBitmapFrameEncode> frame;
  TCom<IPropertyBag2> options;
  Check(encoder->CreateNewFrame(frame.Put(), options.Put()));
  if (options) {
    PROPBAG2 option{};
    option.pstrName = const_cast<LPOLESTR>(L"ImageQuality");
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R4;
    value.fltVal = static_cast<float>(std::clamp(Quality, 0, 100)) / 100.0f;
    Check(options->Write(1, &option, &value));
  }
  Check(frame->Initialize(options.Get()));
  Check(frame->SetSize(static_cast<UINT>(Bitmap.Width), static_cast<UINT>(Bitmap.Height)));
  WICPixelFormatGUID format = Format;
  Check(frame->SetPixelFormat(&format));
  if (!IsEqualGUID(format, Format)) return false;
  Check(frame->WritePixels(static_cast<UINT>(Bitmap.Height), Stride, Stride * static_cast<UINT>(Bitmap.Height),
                           const_cast<BYTE*>(Pixels)));
  Check(frame->Commit());
  Check(encoder->Commit());
  return true;
}

std::string StreamBytes(IStream& Stream, const TChecker& Check) {
  STATSTG stat{};
  Check(Stream.Stat(&stat, STATFLAG_NONAME));
  HGLOBAL memory = nullptr;
  Check(GetHGlobalFromStream(&Stream, &memory));
  const size_t size = static_cast<size_t>(stat.cbSize.QuadPart);
  if (size > GlobalSize(memory)) Check(E_UNEXPECTED);
  const void* data = GlobalLock(memory);
  if (!data) Check(E_OUTOFMEMORY);
  std::string bytes(static_cast<const char*>(data), size);
  GlobalUnlock(memory);
  return bytes;
}

}  // namespace

TBitmap DecodeBitmapJPEG(std::span<const uint8_t> Bytes, const std::string& Name) {
  if (Bytes.empty()) FailRead(Name, "the file is empty");
  if (Bytes.size() > UINT32_MAX) FailRead(Name, "the file is too large");
  CheckJpegLayout(Bytes, Name);
  const TChecker check(Name, true);
  const TComScope com;  // released last, after every interface below
  check(com.Result());
  TCom<IWICImagingFactory> factory;
  CreateFactory(factory, check);
  TCom<IWICStream> stream;
  check(factory->CreateStream(stream.Put()));
  check(stream->InitializeFromMemory(const_cast<BYTE*>(Bytes.data()), static_cast<DWORD>(Bytes.size())));
  TCom<IWICBitmapDecoder> decoder;
  check(factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.Put()));
  check(decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand));
  TCom<IWICBitmapFrameDecode> frame;
  check(decoder->GetFrame(0, frame.Put()));
  UINT width = 0, height = 0;
  check(frame->GetSize(&width, &height));
  CheckPictureSize(width, height, 3, Name);
  TBitmap bitmap;
  bitmap.Width = static_cast<int32_t>(width);
  bitmap.Height = static_cast<int32_t>(height);
  bitmap.Pixels.resize(bitmap.RowBytes() * height);
  WICPixelFormatGUID format{};
  check(frame->GetPixelFormat(&format));
  if (IsEqualGUID(format, GUID_WICPixelFormat8bppGray)) {
    // Not every WIC converts grey to three channels: the levels are spread
    // here, in place from the last one backwards.
    check(frame->CopyPixels(nullptr, width, width * height, bitmap.Pixels.data()));
    for (size_t i = size_t(width) * height; i-- > 0;)
      std::fill_n(bitmap.Pixels.begin() + static_cast<ptrdiff_t>(3 * i), 3, bitmap.Pixels[i]);
    return bitmap;
  }
  TCom<IWICBitmapSource> converted;
  check(WICConvertBitmapSource(GUID_WICPixelFormat24bppBGR, frame.Get(), converted.Put()));
  check(converted->CopyPixels(nullptr, static_cast<UINT>(bitmap.RowBytes()), static_cast<UINT>(bitmap.Pixels.size()),
                              bitmap.Pixels.data()));
  return bitmap;
}

void SaveBitmapJPEG(const std::string& FileName, const TBitmap& Bitmap, int Quality) {
  if (Bitmap.Palette && !IsGrey(*Bitmap.Palette))
    FailWrite(FileName, "a JPEG picture takes 24 bits or a grey palette");
  if (Bitmap.Width <= 0 || Bitmap.Height <= 0 || Bitmap.Width > 65535 || Bitmap.Height > 65535)
    FailWrite(FileName, "a JPEG picture cannot be " + IntToStr(Bitmap.Width) + " x " + IntToStr(Bitmap.Height) +
                            " pixels");
  if (Bitmap.Pixels.size() < Bitmap.RowBytes() * static_cast<size_t>(Bitmap.Height))
    FailWrite(FileName, "the bitmap holds fewer pixels than its size");
  const TChecker check(FileName, false);
  const TComScope com;
  check(com.Result());
  TCom<IWICImagingFactory> factory;
  CreateFactory(factory, check);
  TCom<IStream> stream;
  check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
  bool written = false;
  if (Bitmap.Palette) {
    // Grey pictures go as grey levels; an encoder without grey gets them
    // as three equal channels.
    std::vector<uint8_t> grey(Bitmap.Pixels.size());
    std::transform(Bitmap.Pixels.begin(), Bitmap.Pixels.begin() + static_cast<ptrdiff_t>(grey.size()), grey.begin(),
                   [&](uint8_t Index) { return (*Bitmap.Palette)[Index].Red; });
    written = EncodeJpeg(*factory.Get(), *stream.Get(), Bitmap, GUID_WICPixelFormat8bppGray, grey.data(),
                         static_cast<UINT>(Bitmap.Width), Quality, check);
    if (!written) {
      TBitmap colour;
      colour.Width = Bitmap.Width;
      colour.Height = Bitmap.Height;
      colour.Pixels.reserve(grey.size() * 3);
      for (const uint8_t level : grey) colour.Pixels.insert(colour.Pixels.end(), 3, level);
      check(CreateStreamOnHGlobal(nullptr, TRUE, stream.Put()));
      written = EncodeJpeg(*factory.Get(), *stream.Get(), colour, GUID_WICPixelFormat24bppBGR, colour.Pixels.data(),
                           static_cast<UINT>(colour.RowBytes()), Quality, check);
    }
  } else {
    written = EncodeJpeg(*factory.Get(), *stream.Get(), Bitmap, GUID_WICPixelFormat24bppBGR, Bitmap.Pixels.data(),
                         static_cast<UINT>(Bitmap.RowBytes()), Quality, check);
  }
  if (!written) FailWrite(FileName, "the JPEG encoder does not take 24-bit pixels");
  ReplaceFileContents(FileName, StreamBytes(*stream.Get(), check));
}

}  // namespace emberhall
