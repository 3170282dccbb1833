#include "scene/RenderCaches.h"

#include "gl/OGL.h"

namespace emberhall {

namespace {

bool blending = false;
ISceneTexture* boundTexture = nullptr;
ISceneMaterial* groupMaterial = nullptr;

}  // namespace

void SetBlending(bool On) {
  if (On == blending) return;
  if (On) {
    glEnable(GL_ALPHA_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glAlphaFunc(GL_GREATER, 0.05f);
  } else {
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
  }
  blending = On;
}

void BindSceneTexture(ISceneTexture* Texture) {
  if (Texture == boundTexture) return;
  if (Texture) {
    if (!boundTexture) glEnable(GL_TEXTURE_2D);
    Texture->BindTexture();
  } else {
    glDisable(GL_TEXTURE_2D);
  }
  boundTexture = Texture;
}

void UseGroupMaterial(ISceneMaterial* Material) {
  if (Material == groupMaterial) return;
  if (Material) Material->ApplyMaterial();
  groupMaterial = Material;
}

void ForgetGroupMaterial(ISceneMaterial* Material) {
  if (Material == groupMaterial) groupMaterial = nullptr;
}

void ForgetSceneTextureAndMaterial() {
  boundTexture = nullptr;
  groupMaterial = nullptr;
}

void ResetRenderCaches() {
  blending = false;
  ForgetSceneTextureAndMaterial();
}

}  // namespace emberhall
