// Texture fonts and texts on a real Mesa context.
#include "scene/SceneFonts.h"

#include "gl/GLPrimitives.h"
#include "gl/GLTestSupport.h"
#include "gl/GLTextures.h"
#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace gl = emberhall;  // the resolved entry points

namespace {

TSceneFont* LoadFontFrom(TResourceLoader& loader, const std::string& description) {
  loader.OpenBytes({reinterpret_cast<const uint8_t*>(description.data()), description.size()});
  loader.Section = "Font";
  auto font = std::make_unique<TSceneFont>();  // freed when its keys are refused
  font->SetName("Font");
  font->LoadFromLoader(loader);
  return font.release();
}

// What the font's lists move the pen by for these codes, from a fresh model-view matrix.
float PenAfter(TSceneFont& font, const std::string& codes) {
  gl::glMatrixMode(GL_MODELVIEW);
  gl::glPushMatrix();
  gl::glLoadIdentity();
  font.CharLists->CallString(codes);
  GLfloat m[16];
  gl::glGetFloatv(GL_MODELVIEW_MATRIX, m);
  gl::glPopMatrix();
  return m[12];
}

std::vector<uint8_t> TexturePixels(TGLTexture* t) {
  std::vector<uint8_t> pixels(static_cast<size_t>(t->Width) * t->Height * 4);
  t->Use();  // uploads it first
  gl::glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

std::vector<std::string> calls;
decltype(gl::glTranslatef) realTranslatef;
decltype(gl::glColor4ub) realColor4ub;
void GLAPIENTRY RecTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  calls.push_back("move " + std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)));
  realTranslatef(x, y, z);
}
void GLAPIENTRY RecColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a) {
  calls.push_back("colour " + std::to_string(r) + " " + std::to_string(g) + " " + std::to_string(b) + " " +
                  std::to_string(a));
  realColor4ub(r, g, b, a);
}

class SceneFonts : public TGLContextTest {
 protected:
  void SetUp() override {
    TGLContextTest::SetUp();
    if (IsSkipped()) return;
    scene.OpenGL = OpenGL.get();
    scene.Width = Size;
    scene.Height = Size;
    font = new TSceneFont();
    font->SetName("Font");
    scene.AddItem(font);
  }
  // The scene goes before the context, as in the program (its GL objects live in the context's lists).
  void TearDown() override {
    scene.FreeAll();
    TGLContextTest::TearDown();
  }
  TMainScene scene;
  TSceneFont* font = nullptr;
};

}  // namespace

TEST(SceneFont, DefaultCellsKeysAndSets) {
  TSceneFont font;
  EXPECT_EQ(font.CharCount, 256);
  EXPECT_EQ(font.Glyphs['A'].Cell, 65);
  EXPECT_EQ(font.Glyphs['A'].Cell % font.PerRow(), 1);  // column 1
  EXPECT_EQ(font.Glyphs['A'].Cell / font.PerRow(), 4);  // row 4
  font.SetChars(0, 64, false);
  EXPECT_EQ(font.Glyphs['A'].Cell, 0);
  EXPECT_EQ(font.CharCount, 191);
  EXPECT_THROW(font.SetChars(-1, 3, true), Exception);
  EXPECT_THROW(font.SetChars(250, 256, true), Exception);

  struct Set { const char* text; uint8_t options; };
  for (const Set& s : {Set{"[Scaled, fixedsize]", foFixedSize | foScaled}, Set{"[]", 0}, Set{"SOFTEN", foSoften},
                       Set{"[BuildFromFont,FixedView]", foBuildFromFont | foFixedView}})
    EXPECT_EQ(StrToFontOptions(s.text), s.options) << s.text;
  EXPECT_EQ(FontOptionsToStr(0), "[]");
  EXPECT_EQ(FontOptionsToStr(foFixedSize | foBuildFromFont), "[FixedSize,BuildFromFont]");
  EXPECT_EQ(FontStyleToStr(1 | 8), "[Bold,StrikeOut]");
  EXPECT_EQ(StrToFontStyle("italic underline"), 2 | 4);
}

TEST(SceneFont, CharacterKeysEnableOnlyWhatTheyName) {
  struct Case { const char* keys; std::vector<int> enabled; };
  const Case cases[] = {
      {"", {}},  // no character keys: nothing enabled
      {"Char1=A\nChar2=BCD\nChar4=Z\n", {'A', 'B'}},  // the series stops at its first gap
      {"StartChar1=0\nEndChar1=3\nStartChar2=z\nEndChar2=a\n", {'0', '1', '2', '3'}},  // a reversed range: nothing
      {"StartChar1=a\nStartChar2=x\nEndChar2=y\n", {'x', 'y'}},  // a start without its end: nothing
      {"Code1=32\nCode2=300\nCode3=-5\nCode4=255\n", {32, 255}},  // codes outside 0..255 are ignored
      {"StartCode1=250\nEndCode1=260\nStartCode2=1\nEndCode2=2\n", {1, 2}},
      {"Str1=fps\nStr2=0\n", {'0', 'f', 'p', 's'}},
  };
  for (const Case& c : cases) {
    TResourceLoader loader;
    std::unique_ptr<TSceneFont> font(LoadFontFrom(loader, std::string("[Font]\nType=TSceneFont\n") + c.keys));
    std::vector<int> enabled;
    for (int code = 0; code < 256; ++code)
      if (font->Glyphs[static_cast<size_t>(code)].Enabled) enabled.push_back(code);
    EXPECT_EQ(enabled, c.enabled) << c.keys;
    EXPECT_EQ(font->CharCount, static_cast<int>(c.enabled.size())) << c.keys;
    if (!enabled.empty()) {
      EXPECT_EQ(font->Glyphs[static_cast<size_t>(enabled.back())].Cell, enabled.size() - 1);
    }
  }
  // Sizes that the texture cannot have are refused with the font's name.
  for (const char* sizes : {"TextureSize=300\n", "TextureSize=8192\n", "FontCellSize=0\n", "FontCellSize=512\n"}) {
    TResourceLoader loader;
    try {
      delete LoadFontFrom(loader, std::string("[Font]\nType=TSceneFont\n") + sizes);
      ADD_FAILURE() << sizes;
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find("of Font is not"), std::string::npos) << e.what();
    }
  }
}

TEST(SceneFont, KeysRoundTrip) {
  TMainScene scene;
  auto* font = new TSceneFont();
  font->SetName("Font");
  scene.AddItem(font);
  font->FontOptions = foFixedSize | foScaled;
  font->FontStyle = 0;
  font->ScaleY = 1.5f;
  font->TextureSize = 512;
  font->FontCellSize = 32;
  font->AlphaBackground = 40;
  font->SetColor(1, 2, 3, 4);
  TResourceLoader writer;
  writer.MainScene = &scene;
  writer.NewDocument();
  writer.Section = "Font";
  font->SaveToLoader(writer);
  const TIniDocument& ini = *writer.Ini();
  std::string text;
  for (const auto& line : ini.Lines()) text += line + "\n";
  EXPECT_NE(text.find("FontOptions=[FixedSize,Scaled]"), std::string::npos) << text;
  EXPECT_NE(text.find("FontStyle=[]"), std::string::npos) << text;
  TResourceLoader reader;
  reader.MainScene = &scene;
  std::unique_ptr<TSceneFont> back(LoadFontFrom(reader, text));
  EXPECT_EQ(back->FontOptions, foFixedSize | foScaled);
  EXPECT_EQ(back->FontStyle, 0);
  EXPECT_EQ(back->ScaleY, 1.5f);
  EXPECT_EQ(back->TextureSize, 512);
  EXPECT_EQ(back->FontCellSize, 32);
  EXPECT_EQ(back->AlphaBackground, 40);
  EXPECT_EQ(back->Color, PackRGBA(1, 2, 3, 4));
  EXPECT_EQ(back->CharCount, 0);  // the character keys are not written
}

TEST(SceneFont, MetricsTextRules) {
  auto parse = [](const std::string& text) {
    return ParseFontMetrics({reinterpret_cast<const uint8_t*>(text.data()), text.size()}, 16, "test.fnt");
  };
  std::string full = "header\r\n";
  for (int code = 0; code < 256; ++code) full += (code % 2 ? "1 " : "0 ") + std::to_string(code % 20) + " 12\r\n";
  auto records = parse(full);
  EXPECT_FALSE(records[0].Enabled);
  EXPECT_TRUE(records[1].Enabled);
  EXPECT_EQ(records[1].Width, 1);
  EXPECT_EQ(records[19].Width, 16);  // clamped to the cell
  EXPECT_EQ(records[19].Height, 12);
  // A file that ends early leaves the rest disabled.
  records = parse("h\n1 5 5\n1 2147483647 -5\n");
  EXPECT_EQ(records[0].Width, 5);
  EXPECT_EQ(records[1].Width, 16);
  EXPECT_EQ(records[1].Height, 0);
  EXPECT_FALSE(records[2].Enabled);
  for (const char* bad : {"h\n1 5\n", "h\n1 x 5\n", "h\n1 5 5\n\n1 5 5\n"}) {
    try {
      parse(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_NE(std::string(e.what()).find("test.fnt, line "), std::string::npos) << e.what();
    }
  }
}

TEST_F(SceneFonts, BuildFromTheSystemFontAdvancesAndReleases) {
  font->Build();
  ASSERT_TRUE(font->Built);
  ASSERT_NE(font->FontTexture, nullptr);
  EXPECT_GT(font->FixedWidth, 8);
  EXPECT_GT(font->Glyphs['W'].Width, font->Glyphs['i'].Width);
  for (const TCharRecord& r : font->Glyphs) EXPECT_LE(r.Width, font->FontCellSize);
  EXPECT_FLOAT_EQ(PenAfter(*font, "Wi"), static_cast<float>(font->Glyphs['W'].Width + font->Glyphs['i'].Width));
  const std::vector<uint8_t> first = TexturePixels(font->FontTexture);
  // The texture: glyph cell 65 ('A') has lit texels, the cell of a blank has none; alpha is AlphaBackground on black.
  auto texel = [&](int x, int y) { return &first[(static_cast<size_t>(y) * 256 + static_cast<size_t>(x)) * 4]; };
  int lit = 0, litBlank = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      lit += texel(16 + x, 255 - (4 * 16 + y))[0] > 0;    // cell 65: column 1, row 4 from the top
      litBlank += texel(x, 255 - (2 * 16 + y))[0] > 0;  // cell 32: ' '
    }
  EXPECT_GT(lit, 20);
  EXPECT_EQ(litBlank, 0);
  EXPECT_EQ(texel(0, 255 - 32)[3], 0);

  font->Release();
  EXPECT_FALSE(font->Built);
  font->Build();
  EXPECT_EQ(TexturePixels(font->FontTexture), first);  // the same texture again

  // FixedSize: every code, a disabled one too, moves the pen by the width of "W".
  font->Release();
  font->FontOptions |= foFixedSize;
  font->SetChars(1, 1, false);
  font->Build();
  EXPECT_FLOAT_EQ(PenAfter(*font, "\x01"), static_cast<float>(font->FixedWidth));
  EXPECT_FLOAT_EQ(PenAfter(*font, "iW"), 2.0f * static_cast<float>(font->FixedWidth));
}

TEST_F(SceneFonts, SoftenAveragesAndFontsOutsideASceneFail) {
  font->Build();
  const std::vector<uint8_t> sharp = TexturePixels(font->FontTexture);
  font->Release();
  font->FontOptions |= foSoften;
  font->Build();
  const std::vector<uint8_t> soft = TexturePixels(font->FontTexture);
  auto greys = [](const std::vector<uint8_t>& p) {  // distinct partial levels: smoothness
    std::vector<bool> seen(256);
    for (size_t i = 0; i < p.size(); i += 4) seen[p[i]] = true;
    return std::count(seen.begin() + 1, seen.end() - 1, true);
  };
  EXPECT_NE(sharp, soft);
  EXPECT_GT(greys(soft), 100);
  TSceneFont orphan;
  try {
    orphan.Build();
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TSceneFont.Build error: MainScene is NIL!");
  }
}

TEST_F(SceneFonts, MetricsFileGivesTheRecords) {
  TTempDir dir;
  std::string text = "metrics\n";
  for (int code = 0; code < 256; ++code) text += code == 'A' ? "1 9 14\n" : "0 0 0\n";
  WriteFile(dir.File("font.fnt"), text);
  font->FontOptions = 0;
  font->FileName = dir.File("font.fnt");
  font->Build();
  EXPECT_EQ(font->FontTexture, nullptr);
  EXPECT_EQ(font->CharCount, 1);
  EXPECT_EQ(font->Glyphs['A'].Width, 9);
  EXPECT_EQ(font->Glyphs['A'].Cell, 0);
  EXPECT_FLOAT_EQ(PenAfter(*font, "AB"), 9.0f);
  font->Release();
  font->FileName = dir.File("missing.fnt");
  EXPECT_THROW(font->Build(), EOSError);
  font->FileName = "nothing.fnt";
  scene.SourceLocation = slResource;
  EXPECT_THROW(font->Build(), Exception);
}

TEST_F(SceneFonts, TextsDrawTheirLinesDownwardsWithTheHighlight) {
  font->FontOptions |= foScaled;
  font->ScaleY = 1.5f;
  auto* text = new TSceneText();
  text->SetName("Text");
  scene.AddItem(text);
  text->Font = font;
  text->SetPosition(10, 50);
  text->Lines = {"one", "two", "three"};
  text->StringIndex = 1;
  text->StringColor = PackRGBA(255, 0, 0, 255);
  text->SetColor(0, 255, 0, 255);
  font->Build();  // its lists are compiled before the recording starts
  calls.clear();
  realTranslatef = gl::glTranslatef;
  realColor4ub = gl::glColor4ub;
  {
    TScopedEntry<decltype(gl::glTranslatef)> t(gl::glTranslatef, RecTranslatef);
    TScopedEntry<decltype(gl::glColor4ub)> c(gl::glColor4ub, RecColor4ub);
    text->RenderTransparent();
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"colour 0 255 0 255", "move 10 50", "colour 255 0 0 255", "move 10 26",
                                             "colour 0 255 0 255", "move 10 2"}));
  EXPECT_TRUE(text->Alpha);

  // The string "123 fps" in the corner: white texels on black, nothing elsewhere.
  gl::glClearColor(0, 0, 0, 1);
  gl::glClear(GL_COLOR_BUFFER_BIT);
  auto* fps = new TSceneString();
  fps->SetName("FPS");
  scene.AddItem(fps);
  fps->Font = font;
  font->FontOptions &= ~foScaled;
  fps->Text = "123 fps";
  fps->SetPosition(2, 2);
  fps->RenderTransparent();
  int inside = 0, outside = 0;
  for (int y = 0; y < Size; ++y)
    for (int x = 0; x < Size; ++x) {
      const int bright = ReadPixel(x, y)[0] > 128;
      (y < 2 + 16 ? inside : outside) += bright;
    }
  EXPECT_GT(inside, 40);
  EXPECT_EQ(outside, 0);
}
