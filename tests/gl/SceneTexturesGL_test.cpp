// Scene textures and the flame texture on a real Mesa context: what OpenGL
// holds after the upload, read back with glGetTexImage.
#include <cstring>
#include <filesystem>

#include "fireplace/FlameTexture.h"
#include "gl/GLTestSupport.h"
#include "platform/PictureFiles.h"
#include "scene/SceneTextures.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

class SceneTexturesGL : public test::TGLContextTest {
 protected:
  void SetUp() override {
    TGLContextTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    Scene = std::make_unique<TMainScene>();
    Scene->OpenGL = OpenGL.get();
    List = new TSceneTextureList();
    List->Name = "Textures";
    Scene->AddItem(List);
    List->Path = Dir.Path() + "/";
  }
  void TearDown() override {
    Scene.reset();  // before the context and its texture list
    TGLContextTest::TearDown();
  }

  // Level 0 of the bound texture in the texture's own pixel layout.
  std::vector<uint8_t> ReadBack(const TGLTexture& T) {
    std::vector<uint8_t> texels(static_cast<size_t>(T.FrameSize));
    glBindTexture(GL_TEXTURE_2D, T.GLName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, T.Format, GL_UNSIGNED_BYTE, texels.data());
    return texels;
  }

  test::TTempDir Dir;
  std::unique_ptr<TMainScene> Scene;
  TSceneTextureList* List = nullptr;
};

TBitmap Picture(int W, int H) {
  TBitmap b;
  b.Width = W;
  b.Height = H;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) b.Pixels.insert(b.Pixels.end(), {uint8_t(x * 30), uint8_t(y * 60), uint8_t(200 - x)});
  return b;
}

TEST_F(SceneTexturesGL, TexelsAreThePictureFlippedAndSurviveNewSettings) {
  const TBitmap picture = Picture(8, 4);
  SaveBitmapBMP(Dir.File("p.bmp"), picture);
  TSceneTexture* t = List->AddTexture("p.bmp");
  BindSceneTexture(t);
  ForgetSceneTextureAndMaterial();
  ASSERT_TRUE(t->Texture->Uploaded);
  std::vector<uint8_t> flipped;
  for (int y = 3; y >= 0; --y) flipped.insert(flipped.end(), picture.Row(y), picture.Row(y) + 8 * 3);
  EXPECT_EQ(ReadBack(*t->Texture), flipped);

  // New settings upload the kept pixels again; the picture is gone by now.
  std::filesystem::remove(Dir.File("p.bmp"));
  List->ColorBit = cb16Bit;
  List->UpdateTextureSettings();
  EXPECT_FALSE(t->Texture->Uploaded);
  t->Bind();
  EXPECT_TRUE(t->Texture->Uploaded);
  GLint internal = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
  EXPECT_EQ(internal, GL_RGB5);
  const std::vector<uint8_t> again = ReadBack(*t->Texture);
  ASSERT_EQ(again.size(), flipped.size());
  for (size_t i = 0; i < again.size(); ++i) EXPECT_NEAR(again[i], flipped[i], 8) << i << " (5 bits a channel)";
}

TEST_F(SceneTexturesGL, TheFlameFillsItsTextureBottomRowFirst) {
  List->SourceLocation = slResource;
  TSceneTexture* t = List->AddAlphaTexture("FLAME.jpg", "FLAME.jpg");
  ASSERT_EQ(t->Texture->Width, 256);
  TFlame2D flame;
  flame.SetSize(256, 256);
  for (int r = 0; r < 256; ++r)
    for (int i = 0; i < 256; ++i) flame.Row(r)[i] = (r * 4 + i) % 1025;
  UpdateFlameTexture(*Scene, flame);  // uploads
  ASSERT_TRUE(t->Texture->Uploaded);
  for (int r = 0; r < 256; ++r) flame.Row(r)[r] = 1024;  // then every frame replaces the image
  UpdateFlameTexture(*Scene, flame);
  const std::vector<uint8_t> texels = ReadBack(*t->Texture);
  auto texel = [&](int Row, int Column) {
    uint32_t v = 0;
    std::memcpy(&v, texels.data() + (static_cast<size_t>(Row) * 256 + Column) * 4, 4);
    return v;
  };
  for (const int r : {0, 1, 128, 254, 255})
    for (const int i : {0, 1, 77, 255}) EXPECT_EQ(texel(255 - r, i), flame.Palette[flame.Row(r)[i]]) << r << "," << i;
  EXPECT_EQ(texel(0, 255), flame.Palette[1024]);  // grid row 255, the row by the source line, is texture row 0
  // The sheet's top edge must not sample the source line across the wrap.
  t->Texture->Bind();
  GLint wrapT = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &wrapT);
  EXPECT_EQ(wrapT, GL_CLAMP);

  // 16 bits: the pattern cell follows the grid row's parity. Heat 128 side
  // by side in the even grid row 0 gives red 11 and 27 in the pixels; the
  // 4-bit channels of OpenGL hold them rounded.
  List->ColorBit = cb16Bit;
  List->UpdateTextureSettings();
  flame.Row(0)[10] = flame.Row(0)[11] = flame.Row(1)[10] = 128;
  UpdateFlameTexture(*Scene, flame);
  const uint8_t* bottom = t->Texture->GetRow(255);
  EXPECT_EQ(bottom[10 * 4 + 2], 11);
  EXPECT_EQ(bottom[11 * 4 + 2], 27);
  EXPECT_EQ(t->Texture->GetRow(254)[10 * 4 + 2], 27);  // odd grid row 1: the other pair of cells
  const std::vector<uint8_t> low = ReadBack(*t->Texture);
  auto four = [](int v) { return (v * 15 + 127) / 255 * 17; };
  EXPECT_EQ(low[(255 * 256 + 10) * 4 + 2], four(11));
  EXPECT_EQ(low[(255 * 256 + 11) * 4 + 2], four(27));
}

}  // namespace
}  // namespace emberhall
