#include "scene/SceneFonts.h"

#include <algorithm>
#include <cmath>

#include "gl/GLContext.h"
#include "gl/GLPrimitives.h"
#include "gl/GLTextures.h"
#include "platform/FontRasterizer.h"
#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/Files.h"
#include "scene/RenderCaches.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneTextures.h"

namespace emberhall {

namespace {

const char* const kOptionNames[] = {"FixedSize", "Soften", "BuildFromFont", "FixedView", "Scaled"};
const char* const kStyleNames[] = {"Bold", "Italic", "Underline", "StrikeOut"};
// A metrics file is 257 short lines; anything far larger is no metrics file.
constexpr size_t kMaxMetricsBytes = 1024 * 1024;

bool IsPowerOfTwo(int32_t V) { return V > 0 && (V & (V - 1)) == 0; }

uint8_t FirstCode(const std::string& S) { return static_cast<uint8_t>(S[0]); }

// The lines of a text: LF or CR LF ends a line; a last line without its end counts.
std::vector<std::string_view> TextLines(std::span<const uint8_t> Bytes) {
  std::vector<std::string_view> lines;
  const std::string_view text(reinterpret_cast<const char*>(Bytes.data()), Bytes.size());
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool Blank(char C) { return C == ' ' || C == '\t'; }

// The first three blank-separated integers of the line; false if it has fewer.
bool ThreeIntegers(std::string_view Line, int32_t (&Values)[3]) {
  size_t at = 0;
  for (int32_t& value : Values) {
    while (at < Line.size() && Blank(Line[at])) ++at;
    size_t end = at;
    while (end < Line.size() && !Blank(Line[end])) ++end;
    if (end == at || !TryStrToInt(Line.substr(at, end - at), value)) return false;
    at = end;
  }
  return true;
}

}  // namespace

std::string FontOptionsToStr(uint8_t Options) { return SetToText(Options, kOptionNames, 5, "[]"); }
uint8_t StrToFontOptions(const std::string& Text) { return TextToSet(Text, kOptionNames, 5, true); }
std::string FontStyleToStr(uint8_t Style) { return SetToText(Style, kStyleNames, 4, "[]"); }
uint8_t StrToFontStyle(const std::string& Text) { return TextToSet(Text, kStyleNames, 4, true); }

std::array<TCharRecord, 256> ParseFontMetrics(std::span<const uint8_t> Bytes, int32_t CellSize,
                                              const std::string& Source) {
  std::array<TCharRecord, 256> records{};
  for (TCharRecord& r : records) r = TCharRecord{0, 0, 0, 0};
  const std::vector<std::string_view> lines = TextLines(Bytes);
  for (size_t code = 0; code < 256 && code + 1 < lines.size(); ++code) {
    int32_t values[3];
    if (!ThreeIntegers(lines[code + 1], values))
      throw EConvertError("Font metrics " + Source + ", line " + std::to_string(code + 2) +
                          ": three integers (enabled, width, height) expected");
    TCharRecord& r = records[code];
    r.Enabled = values[0] != 0;
    r.Width = r.Enabled ? std::clamp(values[1], 0, CellSize) : 0;
    r.Height = r.Enabled ? std::clamp(values[2], 0, CellSize) : 0;
  }
  return records;
}

// ---- TSceneFont ----

TSceneFont::TSceneFont() { SetChars(0, 255, true); }

TSceneFont::~TSceneFont() {
  // Without a live context the GL names are gone with it already.
  if (MainScene && MainScene->OpenGL && MainScene->OpenGL->Active) Release();
  delete FontTexture;
  delete CharLists;
}

void TSceneFont::SetColor(uint8_t Red, uint8_t Green, uint8_t Blue, uint8_t Alpha) {
  Color = PackRGBA(Red, Green, Blue, Alpha);
}

void TSceneFont::SetChars(int32_t First, int32_t Last, bool Enabled) {
  if (First < 0 || Last > 255)
    throw Exception("TSceneFont.SetChars error: codes " + std::to_string(First) + ".." + std::to_string(Last) +
                    " are not within 0..255");
  for (int32_t code = First; code <= Last; ++code) {
    TCharRecord& r = Glyphs[static_cast<size_t>(code)];
    if (Enabled) {
      r.Enabled = 1;
    } else {
      r = TCharRecord{0, 0, 0, 0};
    }
  }
  NumberCells();
}

void TSceneFont::EnableString(const std::string& S) {
  for (char c : S) EnableCode(static_cast<uint8_t>(c));
}

void TSceneFont::NumberCells() {
  int32_t cell = 0;
  for (TCharRecord& r : Glyphs) {
    if (!r.Enabled) continue;
    r.Cell = static_cast<uint8_t>(cell);
    ++cell;
  }
  CharCount = cell;
}

void TSceneFont::CheckSizes() const {
  if (!IsPowerOfTwo(TextureSize) || TextureSize > MaxTextureSize)
    throw Exception("TSceneFont error: TextureSize " + std::to_string(TextureSize) + " of " + Name +
                    " is not a power of 2 up to " + std::to_string(MaxTextureSize));
  if (FontCellSize < 1 || FontCellSize > TextureSize)
    throw Exception("TSceneFont error: FontCellSize " + std::to_string(FontCellSize) + " of " + Name +
                    " is not from 1 to the TextureSize " + std::to_string(TextureSize));
}

void TSceneFont::Build() {
  if (Built) return;
  if (!MainScene) throw Exception("TSceneFont.Build error: MainScene is NIL!");
  if (!MainScene->OpenGL) throw Exception("TSceneFont.Build error: the scene has no OpenGL context");
  CheckSizes();
  TCustomOpenGL& gl = *MainScene->OpenGL;
  if (!CharLists) CharLists = gl.DisplayLists.Add();
  CharLists->Delete();
  CharLists->Count = 256;
  CharLists->OnBuild = [this](TGLDisplayList* Lists) { CompileGlyphs(Lists); };
  if (FontOptions & foBuildFromFont) {
    if (!FontTexture) FontTexture = gl.Textures.AddRGBA8(0, 0);
    FontTexture->FreePixels();
    FontTexture->SetSize(TextureSize, TextureSize);
    FontTexture->AllocatePixels();
    RasterizeFont();
  } else {
    ReadMetrics();
  }
  CharLists->Build();
  Built = true;
}

void TSceneFont::ReadMetrics() {
  if (FileName.empty()) return;
  if (MainScene->SourceLocation & slResource) {
    const std::string name = ResourceNameOf(FileName);
    const TResourceData data = FindResourceData(name, TResourceType::RCData);
    if (!data.Found) throw Exception("TSceneFont.Build error: the font metrics resource " + name + " is missing");
    Glyphs = ParseFontMetrics(data.Bytes, FontCellSize, name);
  } else {
    Glyphs = ParseFontMetrics(ReadFileBytes(NativePath(FileName), kMaxMetricsBytes), FontCellSize, FileName);
  }
  NumberCells();
}

void TSceneFont::RasterizeFont() {
  const int32_t s = (FontOptions & foSoften) ? 2 : 1;
  const int32_t cell = FontCellSize * s, perRow = PerRow();
  TGreyImage image(TextureSize * s, TextureSize * s);
  auto font = FontRasterizer().OpenFont(FontName, FontStyle, cell);
  int32_t width = 0, height = 0;
  font->Measure('W', width, height);
  FixedWidth = width / s;
  TGreyImage glyph(cell, cell);
  for (size_t code = 0; code < 256; ++code) {
    TCharRecord& r = Glyphs[code];
    if (!r.Enabled) continue;
    font->Measure(static_cast<uint8_t>(code), width, height);
    // The quad never reaches past its cell, whatever the face measures.
    r.Width = std::min(width / s, FontCellSize);
    r.Height = std::min(height / s, FontCellSize);
    // Each glyph is cut at its own cell's edges instead of reaching into the next.
    std::fill(glyph.Pixels.begin(), glyph.Pixels.end(), 0);
    font->Paint(static_cast<uint8_t>(code), glyph, 0, 0);
    const int32_t left = (r.Cell % perRow) * cell, top = (r.Cell / perRow) * cell;
    for (int32_t y = 0; y < cell && top + y < image.Height; ++y)
      for (int32_t x = 0; x < cell && left + x < image.Width; ++x) image.Row(top + y)[left + x] = glyph.Row(y)[x];
  }
  if (s == 2) {  // 2 x 2 blocks averaged down to the texture's size
    TGreyImage small(TextureSize, TextureSize);
    for (int32_t y = 0; y < TextureSize; ++y)
      for (int32_t x = 0; x < TextureSize; ++x)
        small.Row(y)[x] = static_cast<uint8_t>(
            (image.Row(2 * y)[2 * x] + image.Row(2 * y)[2 * x + 1] + image.Row(2 * y + 1)[2 * x] +
             image.Row(2 * y + 1)[2 * x + 1]) / 4);
    image = std::move(small);
  }
  // The image's top row becomes the texture's last; black is AlphaBackground.
  for (int32_t y = 0; y < TextureSize; ++y) {
    const uint8_t* src = image.Row(TextureSize - 1 - y);
    uint8_t* dst = FontTexture->GetRow(y);
    for (int32_t x = 0; x < TextureSize; ++x) {
      const uint8_t v = src[x];
      dst[4 * x] = dst[4 * x + 1] = dst[4 * x + 2] = v;
      dst[4 * x + 3] = v != 0 ? 255 : AlphaBackground;
    }
  }
}

void TSceneFont::CompileGlyphs(TGLDisplayList* Lists) {
  const int32_t perRow = std::max(PerRow(), 1);
  const float S = static_cast<float>(TextureSize), F = static_cast<float>(FontCellSize);
  for (int32_t code = 0; code < 256; ++code) {
    const TCharRecord& r = Glyphs[static_cast<size_t>(code)];
    const float w = static_cast<float>(r.Width);
    const float col = static_cast<float>(r.Cell % perRow), row = static_cast<float>(r.Cell / perRow);
    const float uL = col * F / S, vT = (S - 1 - row * F) / S;
    const float uR = uL + w / S, vB = vT - F / S;
    Lists->BeginList(code);
    glBegin(GL_QUADS);
    glTexCoord2f(uL, vT);
    glVertex2f(0, F);
    glTexCoord2f(uL, vB);
    glVertex2f(0, 0);
    glTexCoord2f(uR, vB);
    glVertex2f(w, 0);
    glTexCoord2f(uR, vT);
    glVertex2f(w, F);
    glEnd();
    glTranslatef((FontOptions & foFixedSize) ? static_cast<float>(FixedWidth) : w, 0, 0);
    Lists->EndList();
  }
}

void TSceneFont::Release() {
  if (!Built) return;
  if (CharLists) CharLists->Delete();
  if (FontTexture) {
    FontTexture->FreePixels();
    FontTexture->DeleteTexture();
  }
  Built = false;
}

void TSceneFont::BeginText() {
  if (!Built) Build();
  glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_FOG);
  glEnable(GL_TEXTURE_2D);
  if (FontTexture) {
    FontTexture->Use();
    // Bound past the scene's cache: the cache must not trust what it holds.
    ForgetSceneTextureAndMaterial();
  } else if (Texture) {
    BindSceneTexture(Texture);
  }
  SetBlending(true);
  const bool fixedView = FontOptions & foFixedView;
  const double w = fixedView ? ViewWidth : MainScene->Width, h = fixedView ? ViewHeight : MainScene->Height;
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, w, 0, h, -100, 100);
  glMatrixMode(GL_MODELVIEW);
}

void TSceneFont::TextOut(int32_t X, int32_t Y, const std::string& Text) {
  if (!Built) Build();
  MainScene->OpenGL->SetLighting(false);
  glColor4ub(static_cast<uint8_t>(Color), static_cast<uint8_t>(Color >> 8), static_cast<uint8_t>(Color >> 16),
             static_cast<uint8_t>(Color >> 24));
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(static_cast<float>(X), static_cast<float>(Y), 0);
  if (FontOptions & foScaled) glScalef(ScaleX, ScaleY, 0);
  CharLists->CallString(Text);
  glPopMatrix();
}

void TSceneFont::EndText() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

void TSceneFont::SaveToLoader(TResourceLoader& Loader) {
  TMainSceneObject::SaveToLoader(Loader);
  Loader.WriteColorBytes("Color", Color);
  Loader.WriteInteger("AlphaBackground", AlphaBackground);
  Loader.WriteInteger("TextureSize", TextureSize);
  Loader.WriteInteger("FontCellSize", FontCellSize);
  Loader.WriteFloat("ScaleX", ScaleX);
  Loader.WriteFloat("ScaleY", ScaleY);
  Loader.WriteInteger("ViewWidth", ViewWidth);
  Loader.WriteInteger("ViewHeight", ViewHeight);
  Loader.WriteString("FontName", FontName);
  Loader.WriteString("FileName", FileName);
  Loader.WriteString("FontOptions", FontOptionsToStr(FontOptions));
  Loader.WriteString("FontStyle", FontStyleToStr(FontStyle));
  Loader.WriteReference("Texture", Texture);
}

void TSceneFont::LoadFromLoader(TResourceLoader& Loader) {
  TMainSceneObject::LoadFromLoader(Loader);
  Color = Loader.ReadColorBytes("Color", Color);
  AlphaBackground = static_cast<uint8_t>(Loader.ReadInteger("AlphaBackground", AlphaBackground));
  TextureSize = Loader.ReadInteger("TextureSize", TextureSize);
  FontCellSize = Loader.ReadInteger("FontCellSize", FontCellSize);
  CheckSizes();
  ScaleX = Loader.ReadFloat("ScaleX", ScaleX);
  ScaleY = Loader.ReadFloat("ScaleY", ScaleY);
  ViewWidth = Loader.ReadInteger("ViewWidth", ViewWidth);
  ViewHeight = Loader.ReadInteger("ViewHeight", ViewHeight);
  FontName = Loader.ReadString("FontName", FontName);
  FileName = Loader.ReadString("FileName", FileName);
  FontOptions = StrToFontOptions(Loader.ReadString("FontOptions", FontOptionsToStr(FontOptions)));
  FontStyle = StrToFontStyle(Loader.ReadString("FontStyle", FontStyleToStr(FontStyle)));
  Texture = dynamic_cast<TSceneTexture*>(Loader.ReadReference("Texture", Texture));
  ReadCharacterKeys(Loader);
}

// The character keys enable codes after all were disabled; each series runs
// from 1 to its first missing key. Codes outside 0..255, and a StartChar
// without its EndChar, enable nothing.
void TSceneFont::ReadCharacterKeys(TResourceLoader& Loader) {
  DisableAllChars();
  auto key = [](const char* Name, int N) { return Name + std::to_string(N); };
  auto enable = [this](int32_t First, int32_t Last) {
    if (First >= 0 && Last <= 255 && First <= Last) SetChars(First, Last, true);
  };
  for (int n = 1;; ++n) {
    const std::string s = Loader.ReadString(key("Char", n), "");
    if (s.empty()) break;
    enable(FirstCode(s), FirstCode(s));
  }
  for (int n = 1;; ++n) {
    const std::string first = Loader.ReadString(key("StartChar", n), "");
    if (first.empty()) break;
    const std::string last = Loader.ReadString(key("EndChar", n), "");
    if (!last.empty()) enable(FirstCode(first), FirstCode(last));
  }
  for (int n = 1;; ++n) {
    const int32_t code = Loader.ReadInteger(key("Code", n), -1);
    if (code == -1) break;
    enable(code, code);
  }
  for (int n = 1;; ++n) {
    const int32_t first = Loader.ReadInteger(key("StartCode", n), -1);
    if (first == -1) break;
    enable(first, Loader.ReadInteger(key("EndCode", n), -1));
  }
  for (int n = 1;; ++n) {
    const std::string s = Loader.ReadString(key("Str", n), "");
    if (s.empty()) break;
    for (char c : s) enable(static_cast<uint8_t>(c), static_cast<uint8_t>(c));
  }
}

// ---- texts ----

TSceneBaseText::TSceneBaseText() {
  Alpha = true;
  SetVisible(true);
}

void TSceneBaseText::SaveToLoader(TResourceLoader& Loader) {
  TMainSceneObject::SaveToLoader(Loader);
  Loader.WriteColorBytes("Color", Color);
  Loader.WriteInteger("X", X);
  Loader.WriteInteger("Y", Y);
  Loader.WriteReference("Font", Font);
}

void TSceneBaseText::LoadFromLoader(TResourceLoader& Loader) {
  TMainSceneObject::LoadFromLoader(Loader);
  Color = Loader.ReadColorBytes("Color", Color);
  X = Loader.ReadInteger("X", X);
  Y = Loader.ReadInteger("Y", Y);
  Font = dynamic_cast<TSceneFont*>(Loader.ReadReference("Font", Font));
}

void TSceneString::RenderTransparent() {
  if (!Font) return;
  Font->BeginText();
  Font->Color = Color;
  Font->TextOut(X, Y, Text);
  Font->EndText();
}

void TSceneString::SaveToLoader(TResourceLoader& Loader) {
  TSceneBaseText::SaveToLoader(Loader);
  Loader.WriteString("Text", Text);
}

void TSceneString::LoadFromLoader(TResourceLoader& Loader) {
  TSceneBaseText::LoadFromLoader(Loader);
  Text = Loader.ReadString("Text", Text);
}

void TSceneText::RenderTransparent() {
  if (!Font) return;
  Font->BeginText();
  const int32_t step = (Font->FontOptions & foScaled)
                           ? static_cast<int32_t>(std::trunc(static_cast<float>(Font->FontCellSize) * Font->ScaleY))
                           : Font->FontCellSize;
  int32_t offset = 0;
  for (size_t i = 0; i < Lines.size(); ++i) {
    Font->Color = static_cast<int32_t>(i) == StringIndex ? StringColor : Color;
    Font->TextOut(X, Y - offset, Lines[i]);
    offset += step;
  }
  Font->EndText();
}

void TSceneText::SaveToLoader(TResourceLoader& Loader) {
  TSceneBaseText::SaveToLoader(Loader);
  Loader.WriteColorBytes("StringColor", StringColor);
  Loader.WriteInteger("StringIndex", StringIndex);
  for (size_t i = 0; i < Lines.size(); ++i) Loader.WriteString("Text" + std::to_string(i + 1), Lines[i]);
}

void TSceneText::LoadFromLoader(TResourceLoader& Loader) {
  TSceneBaseText::LoadFromLoader(Loader);
  StringColor = Loader.ReadColorBytes("StringColor", StringColor);
  StringIndex = Loader.ReadInteger("StringIndex", StringIndex);
  Lines.clear();
  for (int n = 1;; ++n) {
    const std::string line = Loader.ReadString("Text" + std::to_string(n), "");
    if (line.empty()) break;
    Lines.push_back(line);
  }
}

void RegisterFontClasses() {
  RegisterSceneClassOf<TSceneFont>();
  RegisterSceneClassOf<TSceneString>();
  RegisterSceneClassOf<TSceneText>();
}

}  // namespace emberhall
