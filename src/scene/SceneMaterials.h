// Scene materials: a named scene object holds group materials, each wrapping
// one fixed-function GL material of the scene's context, declared with its
// colours in a scene description or made from a 3DM standard material.
#pragma once

#include <cstdint>

#include "gl/GLTypes.h"
#include "scene/RenderCaches.h"
#include "scene/SceneObjects.h"

namespace emberhall {

class T3DMMaterialStandard;
class TGLMaterial;
class TSceneMaterial;

class TGroupMaterial : public ISceneMaterial {
 public:
  TGroupMaterial(TSceneMaterial* AMaterial, TGLMaterial* AGLMaterial)
      : GLMaterial(AGLMaterial), SceneMaterial(AMaterial) {}
  // Frees its GL material.
  ~TGroupMaterial() override;
  TGroupMaterial(const TGroupMaterial&) = delete;
  TGroupMaterial& operator=(const TGroupMaterial&) = delete;

  // Sends every parameter of the GL material (the scene's material cache
  // calls it whenever it switches to this group).
  void ApplyMaterial() override;

  TGLMaterial* GLMaterial;
  int32_t Index = -1;  // position in its scene material
  TSceneMaterial* SceneMaterial;
  TGLColor VertexColor{1, 1, 1, 1};  // stored and written only
};

class TSceneMaterial : public TMainObject {
 public:
  // A description may declare at most this many groups per material (a
  // mesh uses no more than its 1000 face material IDs).
  static constexpr int MaxGroups = 1000;

  ~TSceneMaterial() override;
  const char* ClassName() const override { return "TSceneMaterial"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  // Appends "Count" groups to those the material has, with the colours of
  // their numbered keys and the un-numbered "Front" and "Back".
  void LoadFromLoader(TResourceLoader& Loader) override;

  // A group whose GL material is made in the context of the scene that holds
  // the material's list; without one it raises.
  TGroupMaterial* NewGroup();
  int GroupCount() const { return Groups.Count(); }
  // 0-based; raises EListError outside 0..GroupCount-1.
  TGroupMaterial* GetGroup(int Index) const;
  void ClearGroupMaterials() { Groups.Clear(); }

  TBaseList<TGroupMaterial> Groups;
  bool UseVertexColor = true;  // stored and written only
};

// A resource of scene materials, with nothing of its own.
class TSceneMaterialList : public TResource {
 public:
  const char* ClassName() const override { return "TSceneMaterialList"; }
};

// The group's diffuse alpha is below 0.99: drawn in the blended pass.
bool IsTranslucent(const TGroupMaterial* Group);

// Appends one group made from the 3DM standard material: colours from the
// 0 to 255 scale, alpha from the opacity, the specular colour faded into
// the diffuse one by the specular level, shininess from the glossiness.
void ApplyStandard(TSceneMaterial& Material, const T3DMMaterialStandard& S);

}  // namespace emberhall
