// Render states: scene objects that switch OpenGL state when the render list
// reaches them. The light re-sends all its parameters every frame it is
// enabled, so it takes the coordinate system current at that point.
#pragma once

#include <cstdint>

#include "scene/SceneObjects.h"

namespace emberhall {

class TGLLight;

class TMainRenderState : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TMainRenderState"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  virtual void Enable() { Enabled = true; }
  virtual void Disable() { Enabled = false; }

  bool Enabled = true;
};

enum TLightStyle : uint8_t { lsParallel = 0, lsParallelPoint = 1, lsPoint = 2, lsDirectional = 3, lsAmbient = 4 };

// "Parallel", "ParallelPoint", "Point", "Directional", "Ambient".
const char* LightStyleText(TLightStyle Style);
// The first of ParallelPoint, Parallel, Point, Directional found in the text
// (case-sensitive); Ambient when none is.
TLightStyle LightStyleOfText(const std::string& Text);

class TMainLight : public TMainRenderState {
 public:
  const char* ClassName() const override { return "TMainLight"; }
  void Render() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  void Enable() override;
  void Disable() override;

  // A GL light in the scene's context with the style's preset (once).
  void CreateGLLight();
  void FreeGLLight();
  void SetLightStyle(TLightStyle Style);

  // Belongs to the context's light list, which frees it with the context.
  TGLLight* GLLight = nullptr;
  TLightStyle LightStyle = lsParallel;
};

// Registers TMainLight.
void RegisterLightClasses();

}  // namespace emberhall
