// Placement nodes and layers: a visual object draws one referenced node at
// its position, angles and scale; a visual object list draws one shared
// node at each of its children's placements; a layer draws its children's
// opaque passes before their blended ones; a sprite list is a layer in its
// own orthographic pixel view.
#pragma once

#include <cstdint>

#include "gl/GLTypes.h"
#include "scene/SceneObjects.h"

namespace emberhall {

enum TVisualOption : uint8_t { voPosition = 1, voRotation = 2, voScale = 4 };

// "[Position,Rotation]", "[]" for none; read by case-sensitive substring.
std::string VisualOptionsToStr(uint8_t Options);
uint8_t StrToVisualOptions(const std::string& Text);

class TMainVisualObject : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TMainVisualObject"; }
  void Animate(float DeltaTime) override;
  void BeginRender() override;
  void EndRender() override;
  void RenderOpaque() override;
  void RenderTransparent() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  TGLVector Position{0, 0, 0};
  TGLVector Scale{1, 1, 1};
  TGLVector Angles{0, 0, 0};  // degrees about X, Y and Z
  uint8_t VisualOptions = voPosition | voRotation;
  TMainObject* Visual = nullptr;
};

class TMainVisualObjectList : public TResource {
 public:
  TMainVisualObjectList() { SetVisible(true); }
  const char* ClassName() const override { return "TMainVisualObjectList"; }
  void Animate(float DeltaTime) override;
  void Render() override;
  void RenderOpaque() override;
  void RenderTransparent() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  TMainObject* Visual = nullptr;

 private:
  void DrawAtChildren(void (TMainItem::*Pass)());
};

class TSceneLayer : public TResource {
 public:
  TSceneLayer() { SetVisible(true); }
  const char* ClassName() const override { return "TSceneLayer"; }
  void Render() override;
};

class TMainSpriteList : public TSceneLayer {
 public:
  const char* ClassName() const override { return "TMainSpriteList"; }
  void Render() override;
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;

  float ViewWidth = 1024;
  float ViewHeight = 768;
  TGLVector Position{0, 0, 0};  // only X and Y are used
  bool Lighting = false;
};

// Registers TMainVisualObject, TMainVisualObjectList and TMainSpriteList.
void RegisterVisualClasses();

}  // namespace emberhall
