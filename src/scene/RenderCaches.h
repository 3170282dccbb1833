// The program-wide render-state caches that every drawing scene node
// shares: blending, the bound scene texture and the group material. Each
// skips its GL calls when asked for what it already holds; none reads GL
// state back.
#pragma once

namespace emberhall {

// What the texture cache binds (scene textures implement it).
class ISceneTexture {
 public:
  virtual ~ISceneTexture() = default;
  virtual void BindTexture() = 0;
};

// What the material cache applies (scene materials implement it).
class ISceneMaterial {
 public:
  virtual ~ISceneMaterial() = default;
  virtual void ApplyMaterial() = 0;
};

void SetBlending(bool On);
void BindSceneTexture(ISceneTexture* Texture);
void UseGroupMaterial(ISceneMaterial* Material);
// Forgets Material, without a GL call, when it is the cached one (it is
// being freed, and a new one may take its address).
void ForgetGroupMaterial(ISceneMaterial* Material);
// Forgets the texture and the material without any GL call (start of a frame).
void ForgetSceneTextureAndMaterial();
// Starts over from the initial state (no blending, nothing bound), without GL
// calls: for a new context.
void ResetRenderCaches();

}  // namespace emberhall
