#include <gtest/gtest.h>

#include "fireplace/FlameTexture.h"
#include "gl/GLContext.h"
#include "scene/SceneTextures.h"

namespace emberhall {
namespace {

// Without a texture to write into the copy does nothing and fails in no way;
// the cases stop before anything would reach OpenGL (there is no context).
TEST(FlameTexture, NothingHappensWithoutAFlameTextureToWrite) {
  TFlame2D flame;
  flame.SetSize(256, 256);
  TCustomOpenGL openGL;
  TMainScene scene;
  scene.OpenGL = &openGL;
  UpdateFlameTexture(scene, flame);  // no "Textures"
  auto* list = new TSceneTextureList();
  list->Name = "Textures";
  scene.AddItem(list);
  UpdateFlameTexture(scene, flame);  // no "FLAME.jpg"
  auto* texture = new TSceneTexture();
  texture->Name = "FLAME.jpg";
  texture->Format = tfAlpha;
  list->AddItem(texture);
  UpdateFlameTexture(scene, flame);  // no GL texture yet
  EXPECT_EQ(texture->Texture, nullptr);
  texture->CreateGLTexture(tfAlpha);
  EXPECT_EQ(CopyFlameToTexture(scene, flame), nullptr);  // a GL texture without pixels
  // A description that declares the flame's texture without alpha: three-byte
  // pixels, which the four-byte copy must not write.
  texture->CreateGLTexture(tfTexture);
  texture->Texture->SetSize(256, 256);
  texture->Texture->AllocatePixels();
  EXPECT_EQ(CopyFlameToTexture(scene, flame), nullptr);
  texture->CreateGLTexture(tfAlpha);
  texture->Texture->SetSize(256, 256);
  texture->Texture->AllocatePixels();
  EXPECT_EQ(CopyFlameToTexture(scene, flame), texture->Texture);
  scene.FreeAll();
}

}  // namespace
}  // namespace emberhall
