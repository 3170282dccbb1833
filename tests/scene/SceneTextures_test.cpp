// Scene textures without a rendering context: the GL textures' pixel
// buffers are filled but nothing is sent to OpenGL.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "gl/GLContext.h"
#include "platform/PictureFiles.h"
#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneTextures.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

struct TRGB {
  uint8_t R, G, B;
  bool operator==(const TRGB&) const = default;
};

TBitmap Colour(int W, int H, const std::function<TRGB(int, int)>& Pixel) {
  TBitmap b;
  b.Width = W;
  b.Height = H;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const TRGB c = Pixel(x, y);
      b.Pixels.insert(b.Pixels.end(), {c.B, c.G, c.R});
    }
  return b;
}

// The same picture with a palette: every distinct colour gets an index.
TBitmap Indexed(const TBitmap& C) {
  TBitmap b;
  b.Width = C.Width;
  b.Height = C.Height;
  b.Palette.emplace();
  int used = 0;
  for (size_t i = 0; i < C.Pixels.size(); i += 3) {
    const TPaletteColor c{C.Pixels[i + 2], C.Pixels[i + 1], C.Pixels[i]};
    int index = 0;
    while (index < used && (*b.Palette)[static_cast<size_t>(index)] != c) ++index;
    if (index == used) (*b.Palette)[static_cast<size_t>(used++)] = c;
    b.Pixels.push_back(static_cast<uint8_t>(index));
  }
  return b;
}

class SceneTextures : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterSceneClasses();
    Scene.OpenGL = &OpenGL;
    List = new TSceneTextureList();
    List->Name = "Textures";
    Scene.AddItem(List);
    List->Path = Dir.Path() + "/";
  }
  void TearDown() override { Scene.FreeAll(); }

  // Texture pixel (x, y) as blue, green, red[, alpha].
  std::vector<int> TexturePixel(const TSceneTexture* T, int X, int Y) {
    const uint8_t* p = T->Texture->GetRow(Y) + X * T->Texture->BytesPerPixel;
    return std::vector<int>(p, p + T->Texture->BytesPerPixel);
  }

  test::TTempDir Dir;
  TCustomOpenGL OpenGL;  // never started: the lists work without a context
  TMainScene Scene;
  TSceneTextureList* List = nullptr;
};

TEST_F(SceneTextures, TheReductionFollowsQualityAndOnlyTheWidth) {
  struct TCase {
    int32_t Width;
    TTextureQuality Quality;
    int32_t Reduction;
  };
  const TCase cases[] = {{256, tqHigh, 1}, {256, tqMedium, 2}, {256, tqLow, 4}, {48, tqMedium, 1},
                         {16, tqLow, 1},   {31, tqLow, 1},     {64, tqLow, 2},  {100, tqLow, 3}};
  for (const TCase& c : cases) EXPECT_EQ(ReductionFor(c.Width, c.Quality), c.Reduction) << c.Width << " " << c.Quality;

  // Through the loading: 256 x 256 at each quality, and a wide, low picture.
  SaveBitmapBMP(Dir.File("square.bmp"), Colour(256, 256, [](int x, int y) { return TRGB{uint8_t(x), uint8_t(y), 0}; }));
  SaveBitmapBMP(Dir.File("wide.bmp"), Colour(256, 32, [](int, int) { return TRGB{1, 2, 3}; }));
  const std::tuple<const char*, TTextureQuality, int, int> loads[] = {{"square.bmp", tqHigh, 256, 256},
                                                                      {"square.bmp", tqMedium, 128, 128},
                                                                      {"square.bmp", tqLow, 64, 64},
                                                                      {"wide.bmp", tqLow, 64, 8}};
  for (const auto& [file, quality, w, h] : loads) {
    List->Quality = quality;
    TSceneTexture texture;
    texture.Name = "T";
    List->AddItem(&texture);
    texture.TextureName = List->Path + file;
    texture.Prepare();
    EXPECT_EQ(texture.Texture->Width, w) << file << " " << quality;
    EXPECT_EQ(texture.Texture->Height, h) << file << " " << quality;
    // Nearest samples of every Reduction-th pixel, bottom row first.
    const int step = 256 / w;
    if (h == w) {
      EXPECT_EQ(TexturePixel(&texture, 3, 0), (std::vector<int>{0, (h - 1) * step, 3 * step}));
    }
  }
}

TEST_F(SceneTextures, ASpriteIsTransparentWhereItsTopLeftColourIs) {
  const TRGB magenta{255, 0, 255};
  auto picture = [&](int x, int y) { return (x + y) % 3 == 0 ? magenta : TRGB{uint8_t(x * 30), 40, uint8_t(y * 30)}; };
  SaveBitmapBMP(Dir.File("sprite.bmp"), Colour(8, 8, picture));
  TSceneTexture* t = List->AddSpriteTexture("sprite.bmp");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Name, "sprite.bmp");
  EXPECT_EQ(t->SpriteColor & 0xFFFFFF, PackRGBA(255, 0, 255, 0));
  ASSERT_EQ(t->Texture->BytesPerPixel, 4);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const TRGB c = picture(x, 7 - y);  // texture row 0 is the bottom row
      EXPECT_EQ(TexturePixel(t, x, y), (std::vector<int>{c.B, c.G, c.R, c == magenta ? 0 : 255})) << x << "," << y;
    }
}

TEST_F(SceneTextures, AlphaIsTheBrightnessOfTheAlphaPicture) {
  // The colour picture as its own alpha picture, named in another case: it
  // is not read a second time (there is no file of that name).
  SaveBitmapBMP(Dir.File("glow.bmp"), Colour(4, 4, [](int, int) { return TRGB{255, 100, 0}; }));
  TSceneTexture* self = List->AddAlphaTexture("glow.bmp", "GLOW.BMP");
  EXPECT_EQ(self->Name, "GLOW.BMP");
  EXPECT_EQ(self->Texture->AlphaReference, 0.02f);
  EXPECT_EQ(TexturePixel(self, 2, 1), (std::vector<int>{0, 100, 255, 118}));

  // A second picture, 8 or 24 bits each, in all four combinations.
  auto colour = [](int x, int y) { return TRGB{uint8_t(10 * x), uint8_t(20 * y), 7}; };
  auto alpha = [](int x, int y) { return TRGB{uint8_t(x * 60), uint8_t(y * 50), uint8_t(x == y ? 255 : 3)}; };
  const TBitmap colour24 = Colour(4, 4, colour), alpha24 = Colour(4, 4, alpha);
  for (const bool colourIndexed : {false, true}) {
    for (const bool alphaIndexed : {false, true}) {
      const std::string c = std::string("c") + (colourIndexed ? "8" : "24") + (alphaIndexed ? "a" : "b") + ".bmp";
      const std::string a = std::string("a") + (alphaIndexed ? "8" : "24") + (colourIndexed ? "a" : "b") + ".bmp";
      SaveBitmapBMP(Dir.File(c), colourIndexed ? Indexed(colour24) : colour24);
      SaveBitmapBMP(Dir.File(a), alphaIndexed ? Indexed(alpha24) : alpha24);
      TSceneTexture* t = List->AddAlphaTexture(c, a);
      ASSERT_EQ(t->Texture->BytesPerPixel, 4);
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
          const TRGB p = colour(x, 3 - y), q = alpha(x, 3 - y);
          EXPECT_EQ(TexturePixel(t, x, y), (std::vector<int>{p.B, p.G, p.R, (q.R + q.G + q.B) / 3})) << c << " " << a;
        }
    }
  }
}

TEST_F(SceneTextures, AlphaPicturesOfAnotherSizeAreRefused) {
  SaveBitmapBMP(Dir.File("c.bmp"), Colour(8, 8, [](int, int) { return TRGB{1, 2, 3}; }));
  SaveBitmapBMP(Dir.File("a.bmp"), Colour(8, 4, [](int, int) { return TRGB{1, 2, 3}; }));
  const std::string message = "TSceneTexture.AlphaFromBitmap error: Texture size is not equal Alpha size!";
  try {
    List->AddAlphaTexture("c.bmp", "a.bmp");
    ADD_FAILURE() << "accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, message);
  }
  // A declared Alpha texture without an alpha picture fails the same way.
  TSceneTexture* declared = new TSceneTexture();
  declared->Name = "declared";
  List->AddItem(declared);
  declared->TextureName = List->Path + "c.bmp";
  declared->Format = tfAlpha;
  try {
    declared->Prepare();
    ADD_FAILURE() << "accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, message);
  }
}

TEST_F(SceneTextures, KeysAreReadBySubstringAndWrittenAsTheTablesSay) {
  const std::pair<const char*, TTextureFormat> formats[] = {
      {"Sprites", tfSprite}, {"", tfTexture},        {"Alpha", tfAlpha},    {"AlphaTexture", tfTexture},
      {"alpha", tfTexture},  {"SpriteAlpha", tfAlpha}, {"Texture", tfTexture}};
  for (const auto& [text, format] : formats) EXPECT_EQ(StrToTextureFormat(text), format) << text;
  const std::pair<const char*, TTextureColorBit> bits[] = {{"24bit", cb16Bit}, {"32bit", cb32Bit}, {"x32", cb32Bit},
                                                           {"16bit", cb16Bit}, {"", cb16Bit}};
  for (const auto& [text, colorBit] : bits) EXPECT_EQ(StrToTextureColorBit(text), colorBit) << text;
  const std::pair<const char*, TTextureQuality> qualities[] = {
      {"Best", tqLow}, {"High", tqHigh}, {"Medium", tqMedium}, {"MediumHigh", tqHigh}, {"high", tqLow}};
  for (const auto& [text, quality] : qualities) EXPECT_EQ(StrToTextureQuality(text), quality) << text;

  const std::string description =
      "[MainScene]\nCount=1\n[MainScene1]\nType=TSceneTextureList\nName=Textures\nPath=pics\\\nQuality=Medium\n"
      "ColorBit=16bit\nMipMap=1\nCount=4\n"
      "[Textures1]\nType=TSceneTexture\nName=a\nTextureName=a.jpg\nAlphaName=b.bmp\nAlphaValue=0.9\n"
      "[Textures2]\nType=TSceneTexture\nName=s\nTextureName=d\\s.bmp\nFormat=Sprite\nSpriteColor=255,0,255,0\n"
      "[Textures3]\nType=TSceneTexture\nName=t\nTextureName=t.jpg\nFormat=Sprites\nAutoSpriteColor=1\n"
      "[Textures4]\nType=TSceneTexture\nName=u\nTextureName=u.jpg\n";
  TMainScene scene;
  TResourceLoader loader;
  loader.MainScene = &scene;
  loader.Section = scene.Name;
  loader.OpenBytes(std::span(reinterpret_cast<const uint8_t*>(description.data()), description.size()));
  scene.LoadFromLoader(loader);
  loader.LoadChildren(&scene);
  auto* list = dynamic_cast<TSceneTextureList*>(scene.FindByName("Textures"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Quality, tqMedium);
  EXPECT_EQ(list->ColorBit, cb16Bit);
  EXPECT_TRUE(list->MipMap);
  const TSceneTexture *a = list->FindTexture("a"), *s = list->FindTexture("s"), *t = list->FindTexture("t"),
                      *u = list->FindTexture("u");
  ASSERT_TRUE(a && s && t && u);
  EXPECT_EQ(a->Format, tfAlpha);  // an alpha picture makes Alpha the default
  EXPECT_EQ(a->TextureName, "pics\\a.jpg");
  EXPECT_EQ(a->AlphaName, "pics\\b.bmp");
  EXPECT_EQ(s->TextureName, "d\\s.bmp");
  EXPECT_EQ(s->Format, tfSprite);
  EXPECT_EQ(s->SpriteColor & 0xFFFFFF, PackRGBA(255, 0, 255, 0));
  EXPECT_TRUE(t->AutoSpriteColor);
  EXPECT_EQ(u->Format, tfTexture);
  EXPECT_EQ(a->Texture, nullptr);  // declared textures read nothing until first bound

  TResourceLoader writer;
  writer.MainScene = &scene;
  writer.Section = scene.Name;
  writer.NewDocument();
  writer.SaveChildren(&scene);
  const TIniDocument& ini = *writer.Ini();
  const std::tuple<const char*, const char*, std::optional<std::string>> written[] = {
      {"MainScene1", "Quality", "Medium"},     {"MainScene1", "ColorBit", "16bit"},  {"MainScene1", "MipMap", "1"},
      {"Textures1", "TextureName", "a.jpg"},   {"Textures1", "AlphaName", "b.bmp"},  {"Textures1", "Format", "Alpha"},
      {"Textures1", "AlphaValue", std::nullopt},  // no GL texture yet
      {"Textures2", "TextureName", "d\\s.bmp"}, {"Textures2", "SpriteColor", std::nullopt},
      {"Textures2", "AutoSpriteColor", std::nullopt}, {"Textures3", "AutoSpriteColor", "1"},
      {"Textures3", "SpriteColor", std::nullopt}, {"Textures4", "Format", std::nullopt},
      {"Textures4", "AlphaName", std::nullopt}};
  for (const auto& [section, key, value] : written) {
    if (std::string(key) == "SpriteColor" && std::string(section) == "Textures2") {
      EXPECT_TRUE(ini.Value(section, key).has_value());
      continue;
    }
    EXPECT_EQ(ini.Value(section, key), value) << section << " " << key;
  }
  scene.FreeAll();
}

TEST_F(SceneTextures, AlphaValueIsWrittenForAlphaAndSpriteTexturesThatHaveOne) {
  for (const char* file : {"a.bmp", "s.bmp", "t.bmp"})
    SaveBitmapBMP(Dir.File(file), Colour(4, 4, [](int, int) { return TRGB{9, 9, 9}; }));
  List->AddAlphaTexture("t.bmp", "a.bmp");
  List->AddSpriteTexture("s.bmp");
  List->AddTexture("t.bmp");
  TResourceLoader writer;
  writer.MainScene = &Scene;
  writer.Section = Scene.Name;
  writer.NewDocument();
  writer.SaveChildren(&Scene);
  // In name order: a.bmp, s.bmp, t.bmp.
  ASSERT_EQ(List->GetCount(), 3);
  const TIniDocument& ini = *writer.Ini();
  EXPECT_EQ(ini.Value("Textures1", "AlphaValue"), std::optional<std::string>("0.02"));
  EXPECT_EQ(ini.Value("Textures2", "AlphaValue"), std::optional<std::string>("0.5"));
  EXPECT_EQ(ini.Value("Textures2", "AutoSpriteColor"), std::optional<std::string>("1"));
  EXPECT_EQ(ini.Value("Textures3", "AlphaValue"), std::nullopt);
}

TEST_F(SceneTextures, AddingANameThatIsThereReadsNothing) {
  TSceneTexture* declared = new TSceneTexture();
  declared->Name = "FLAME.jpg";
  List->AddItem(declared);
  // None of these files exists: a read would raise.
  EXPECT_EQ(List->AddAlphaTexture("missing.jpg", "FLAME.jpg"), declared);
  EXPECT_EQ(List->AddTexture("elsewhere\\FLAME.jpg"), declared);
  EXPECT_EQ(declared->Texture, nullptr);
  EXPECT_EQ(List->GetCount(), 1);
  EXPECT_THROW(List->AddTexture("missing.jpg"), EOSError);
}

TEST_F(SceneTextures, ResourceScriptLines) {
  struct TCase {
    const char* TextureName;
    const char* AlphaName;
  };
  const TCase cases[] = {{"Scenes\\FLAME.jpg", ""}, {"Scenes\\clock.BMP", "Scenes\\ClockA.bmp"}, {"kamni.jpeg", ""}};
  for (size_t i = 0; i < std::size(cases); ++i) {
    auto* t = new TSceneTexture();
    t->Name = "t" + std::to_string(i);
    List->AddItem(t);
    t->TextureName = cases[i].TextureName;
    t->AlphaName = cases[i].AlphaName;
  }
  std::vector<std::string> lines;
  List->ListResources(lines);
  const std::vector<std::string> expected = {"FLAME_jpg RCData Scenes\\FLAME.jpg", "clock_BMP Bitmap Scenes\\clock.BMP",
                                             "ClockA_bmp Bitmap Scenes\\ClockA.bmp", "kamni_jpeg RCData kamni.jpeg"};
  EXPECT_EQ(lines, expected);
}

TEST_F(SceneTextures, FiltersAndInternalFormatsFollowTheSettings) {
  SaveBitmapBMP(Dir.File("p.bmp"), Colour(32, 32, [](int x, int) { return TRGB{uint8_t(x), 1, 2}; }));
  struct TCase {
    bool Software, MipMap;
    TTextureFormat Format;
    TTextureColorBit ColorBit;
    GLenum AddedFilter, UpdatedFilter, Internal;
  };
  const TCase cases[] = {
      {false, false, tfTexture, cb32Bit, GL_LINEAR, GL_LINEAR, GL_RGB8},
      {false, true, tfTexture, cb16Bit, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR, GL_RGB5},
      {false, true, tfAlpha, cb16Bit, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR, GL_RGBA4},
      {true, false, tfSprite, cb16Bit, GL_NEAREST, GL_NEAREST, GL_RGB5_A1},
      {true, true, tfTexture, cb32Bit, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST, GL_RGB8},
      // Added while still of format Texture: mipmapped; updated as Alpha: not.
      {true, true, tfAlpha, cb32Bit, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST, GL_RGBA8},
      {true, true, tfSprite, cb16Bit, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST, GL_RGB5_A1},
  };
  for (const TCase& c : cases) {
    OpenGL.Generic = c.Software;
    List->MipMap = c.MipMap;
    List->ColorBit = cb32Bit;
    TSceneTexture* t = List->AddTextureFile(c.Format, "p.bmp", c.Format == tfAlpha ? "p.bmp" : "", false, 0, 0, 0);
    EXPECT_EQ(t->Texture->Filter, c.AddedFilter) << c.Software << c.MipMap << c.Format;
    const uint8_t* pixels = t->Texture->Pixels.get();
    std::filesystem::remove(Dir.File("p.bmp"));  // settings never read the pictures again
    List->ColorBit = c.ColorBit;
    List->UpdateTextureSettings();
    EXPECT_EQ(t->Texture->Filter, c.UpdatedFilter) << c.Software << c.MipMap << c.Format;
    EXPECT_EQ(t->Texture->InternalFormat, c.Internal) << c.Software << c.MipMap << c.Format;
    EXPECT_EQ(t->Texture->Pixels.get(), pixels);
    EXPECT_EQ(t->Texture->Format, c.Format == tfTexture ? GLenum(GL_BGR_EXT) : GLenum(GL_BGRA_EXT));
    SaveBitmapBMP(Dir.File("p.bmp"), Colour(32, 32, [](int x, int) { return TRGB{uint8_t(x), 1, 2}; }));
    delete t;
  }
}

// The declared textures of the fireplace and the maps of the three firebox
// models, from the embedded resources and from the files of Scenes/.
TEST_F(SceneTextures, TheFireplaceTexturesLoadFromResourcesAndFiles) {
  // The maps the models name, as the mesh loader will add them.
  std::vector<std::pair<std::string, std::string>> maps;
  for (const char* model : {"kamin01.3dm", "kamin02.3dm", "kamin03.3dm"}) {
    std::ifstream in(std::string(EMBERHALL_SCENES_DIR) + "/" + model);
    std::string line, diffuse;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string key, value;
      words >> key >> value;
      if (key == "DiffuseMap") diffuse = value;
      if (key == "OpacityMap") maps.emplace_back(diffuse, value == "undefined" ? "" : value);
    }
  }
  ASSERT_EQ(maps.size(), 6u);
  const std::filesystem::path saved = std::filesystem::current_path();
  for (const TSourceLocations where : {TSourceLocations(slResource), TSourceLocations(slFile)}) {
    std::filesystem::current_path(EMBERHALL_SCENES_DIR);  // the description's paths are relative: ".\FLAME.jpg"
    // Only the texture list: the other classes of the description are not this test's.
    std::string text = test::ReadFile("fireplace.gsc");
    text = text.substr(0, text.find("[MainScene2]"));
    text.replace(text.find("Count=9"), 7, "Count=1");
    TMainScene only;
    only.OpenGL = &OpenGL;
    only.SourceLocation = where;
    TResourceLoader textures;
    textures.MainScene = &only;
    textures.Section = only.Name;
    textures.OpenBytes(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    only.LoadFromLoader(textures);
    only.SourceLocation = where;
    textures.LoadChildren(&only);
    auto* list = dynamic_cast<TSceneTextureList*>(only.FindByName("Textures"));
    ASSERT_NE(list, nullptr);
    for (const auto& [name, format] : {std::pair{"FLAME.jpg", tfAlpha}, std::pair{"ClockA.bmp", tfAlpha}}) {
      TSceneTexture* t = list->FindTexture(name);
      ASSERT_NE(t, nullptr) << name;
      t->Prepare();
      EXPECT_EQ(t->Format, format);
      EXPECT_EQ(t->Texture->Width, 256) << name << " " << int(where);
      EXPECT_EQ(t->Texture->Height, 256) << name;
      EXPECT_EQ(t->Texture->BytesPerPixel, 4) << name;
    }
    for (const auto& [diffuse, opacity] : maps) {
      TSceneTexture* t = opacity.empty() ? list->AddTexture(diffuse) : list->AddAlphaTexture(diffuse, opacity);
      ASSERT_NE(t, nullptr) << diffuse;
      ASSERT_NE(t->Texture, nullptr) << diffuse;
      EXPECT_EQ(t->Texture->Width, 256) << diffuse << " " << int(where);
      EXPECT_EQ(t->Texture->BytesPerPixel, opacity.empty() ? 3 : 4) << diffuse;
    }
    EXPECT_EQ(list->GetCount(), 5);  // FLAME.jpg was declared already
    only.FreeAll();
    std::filesystem::current_path(saved);
  }
}

}  // namespace
}  // namespace emberhall
