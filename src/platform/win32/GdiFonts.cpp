#include "platform/win32/GdiFonts.h"

#include <algorithm>
#include <cstring>

#include "platform/SysUtils.h"
#include "platform/win32/Win32Text.h"

#include "platform/win32/Win32.h"

namespace emberhall {

namespace {

// Character codes are bytes of Windows' Western code page: 0x80..0x9F are
// its punctuation and letters, the rest are the Unicode code points.
wchar_t CodeToUnicode(uint8_t Code) {
  static const wchar_t high[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return Code >= 0x80 && Code <= 0x9F ? high[Code - 0x80] : static_cast<wchar_t>(Code);
}

class TGdiFont : public IRasterFont {
 public:
  // Takes ownership of Font; raises EOSError when no device context can hold it.
  explicit TGdiFont(HFONT Font) : FFont(Font) {
    FDc = CreateCompatibleDC(nullptr);
    if (!FDc) {
      DeleteObject(FFont);
      throw EOSError("No GDI device context for drawing fonts");
    }
    FOldFont = SelectObject(FDc, FFont);
    GetTextMetricsW(FDc, &FMetrics);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(FDc, LF_FACESIZE, face);
    FFace = Utf8Of(face);
    SetTextColor(FDc, RGB(255, 255, 255));
    SetBkMode(FDc, TRANSPARENT);
    SetTextAlign(FDc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
  }
  ~TGdiFont() override {
    SelectObject(FDc, FOldFont);
    DeleteDC(FDc);
    DeleteObject(FFont);
  }
  TGdiFont(const TGdiFont&) = delete;
  TGdiFont& operator=(const TGdiFont&) = delete;

  void Measure(uint8_t Code, int32_t& Width, int32_t& Height) override {
    Width = Advance(Code);
    Height = FMetrics.tmHeight;
  }

  void Paint(uint8_t Code, TGreyImage& Image, int32_t X, int32_t Y) override {
    // The part of the image that the character can reach: its line box
    // with room for overhangs (italics, accents, simulated bold), cut to
    // the image. Only that part is drawn.
    const int64_t padX = FMetrics.tmMaxCharWidth + FMetrics.tmOverhang + 2;
    const int64_t padY = FMetrics.tmHeight / 2 + 2;
    const int64_t left = std::max<int64_t>(int64_t(X) - padX, 0);
    const int64_t top = std::max<int64_t>(int64_t(Y) - padY, 0);
    const int64_t right = std::min<int64_t>(int64_t(X) + Advance(Code) + padX, Image.Width);
    const int64_t bottom = std::min<int64_t>(int64_t(Y) + FMetrics.tmHeight + padY, Image.Height);
    if (left >= right || top >= bottom) return;
    const int32_t width = static_cast<int32_t>(right - left), height = static_cast<int32_t>(bottom - top);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(FDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!section || !bits) {
      if (section) DeleteObject(section);
      throw EOSError("Not enough memory to draw a character of " + FFace + " at " +
                     std::to_string(FMetrics.tmHeight) + " pixels");
    }
    std::memset(bits, 0, static_cast<size_t>(width) * static_cast<size_t>(height) * 4);  // black
    const HGDIOBJ oldBitmap = SelectObject(FDc, section);
    const wchar_t character = CodeToUnicode(Code);
    TextOutW(FDc, static_cast<int>(X - left), static_cast<int>(Y - top), &character, 1);
    GdiFlush();
    for (int32_t row = 0; row < height; ++row) {
      const uint8_t* from = static_cast<const uint8_t*>(bits) + static_cast<size_t>(row) * width * 4;
      uint8_t* to = Image.Row(static_cast<int32_t>(top) + row) + left;
      for (int32_t x = 0; x < width; ++x) {
        // Grey antialiasing gives three equal channels; the brightest one
        // also stands for coverage should the system smooth in colour.
        const uint8_t level = std::max({from[4 * x], from[4 * x + 1], from[4 * x + 2]});
        to[x] = std::max(to[x], level);
      }
    }
    SelectObject(FDc, oldBitmap);
    DeleteObject(section);
  }

  std::string FileName() const override { return FFace; }

 private:
  int32_t Advance(uint8_t Code) {
    const wchar_t character = CodeToUnicode(Code);
    SIZE size{};
    return GetTextExtentPoint32W(FDc, &character, 1, &size) ? static_cast<int32_t>(size.cx) : 0;
  }

  HFONT FFont;
  HDC FDc = nullptr;
  HGDIOBJ FOldFont = nullptr;
  TEXTMETRICW FMetrics{};
  std::string FFace;
};

}  // namespace

std::unique_ptr<IRasterFont> TGdiFontRasterizer::OpenFont(const std::string& Face, uint8_t Style,
                                                          int32_t PixelHeight) {
  if (PixelHeight < 1 || PixelHeight > 4096)
    throw EOSError("Font height " + std::to_string(PixelHeight) + " is not from 1 to 4096 pixels");
  LOGFONTW font{};
  // Positive: the height of the character cell, ascent plus descent.
  font.lfHeight = PixelHeight;
  font.lfWeight = (Style & fsBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (Style & fsItalic) ? TRUE : FALSE;
  font.lfUnderline = (Style & fsUnderline) ? TRUE : FALSE;
  font.lfStrikeOut = (Style & fsStrikeOut) ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_PRECIS;  // outlines scale to any height
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = ANTIALIASED_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;  // what an unknown face falls back to
  const std::wstring face = WideOf(Face);
  // Longer names are no face GDI knows; the fallback applies.
  if (face.size() < LF_FACESIZE) std::copy(face.begin(), face.end(), font.lfFaceName);
  HFONT handle = CreateFontIndirectW(&font);
  if (!handle) throw EOSError("The font '" + Face + "' cannot be made at " + std::to_string(PixelHeight) + " pixels");
  return std::make_unique<TGdiFont>(handle);
}

}  // namespace emberhall
