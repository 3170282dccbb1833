#include "scene/SceneMaterials.h"

#include "gl/GLContext.h"
#include "gl/GLLights.h"
#include "platform/SysUtils.h"
#include "scene/File3DM.h"
#include "scene/ResourceLoader.h"

namespace emberhall {

namespace {

void LoadGroup(TResourceLoader& Loader, TGroupMaterial& Group, const std::string& N) {
  TGLMaterial& m = *Group.GLMaterial;
  m.SetAmbient(Loader.ReadColor("Ambient" + N, m.Ambient));
  m.SetDiffuse(Loader.ReadColor("Diffuse" + N, m.Diffuse));
  m.SetSpecular(Loader.ReadColor("Specular" + N, m.Specular));
  m.SetEmission(Loader.ReadColor("Emission" + N, m.Emission));
  Group.VertexColor = Loader.ReadColor("VertexColor" + N, Group.VertexColor);
  m.SetShininess(Loader.ReadFloat("Shininess" + N, m.Shininess));
  m.SetFront(Loader.ReadBool("Front", m.Front));
  m.SetBack(Loader.ReadBool("Back", m.Back));
}

void SaveGroup(TResourceLoader& Loader, const TGroupMaterial& Group, const std::string& N) {
  const TGLMaterial& m = *Group.GLMaterial;
  Loader.WriteColor("Ambient" + N, m.Ambient);
  Loader.WriteColor("Diffuse" + N, m.Diffuse);
  Loader.WriteColor("Specular" + N, m.Specular);
  Loader.WriteColor("Emission" + N, m.Emission);
  Loader.WriteColor("VertexColor" + N, Group.VertexColor);
  Loader.WriteFloat("Shininess" + N, m.Shininess);
  Loader.WriteBool("Front" + N, m.Front);
  Loader.WriteBool("Back" + N, m.Back);
}

}  // namespace

// --- TGroupMaterial ---

TGroupMaterial::~TGroupMaterial() {
  ForgetGroupMaterial(this);
  delete GLMaterial;
}

void TGroupMaterial::ApplyMaterial() { GLMaterial->Invalidate(); }

// --- TSceneMaterial ---

TSceneMaterial::~TSceneMaterial() { ClearGroupMaterials(); }

TGroupMaterial* TSceneMaterial::NewGroup() {
  TMainScene* scene = Owner ? Owner->MainScene : nullptr;
  if (!scene || !scene->OpenGL)
    throw Exception("TSceneMaterial.NewGroup error: " + Name + " is in no scene with an OpenGL context");
  auto* group = new TGroupMaterial(this, scene->OpenGL->Materials.Add());
  group->Index = GroupCount();
  return Groups.Add(group);
}

TGroupMaterial* TSceneMaterial::GetGroup(int Index) const {
  if (Index < 0 || Index >= GroupCount()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return Groups.Get(Index);
}

void TSceneMaterial::LoadFromLoader(TResourceLoader& Loader) {
  TMainObject::LoadFromLoader(Loader);
  const int32_t count = Loader.ReadInteger("Count", 0);
  if (count > MaxGroups - GroupCount())
    throw Exception("TSceneMaterial.LoadFromLoader error: " + Name + " would have more than " +
                    IntToStr(MaxGroups) + " groups");
  UseVertexColor = Loader.ReadBool("UseVertexColor", UseVertexColor);
  for (int32_t i = 1; i <= count; ++i) LoadGroup(Loader, *NewGroup(), IntToStr(i));
}

void TSceneMaterial::SaveToLoader(TResourceLoader& Loader) {
  TMainObject::SaveToLoader(Loader);
  Loader.WriteInteger("Count", GroupCount());
  Loader.WriteBool("UseVertexColor", UseVertexColor);
  for (int i = 0; i < GroupCount(); ++i) SaveGroup(Loader, *GetGroup(i), IntToStr(i + 1));
}

// --- helpers for meshes ---

bool IsTranslucent(const TGroupMaterial* Group) { return Group && Group->GLMaterial->Diffuse.Alpha < 0.99f; }

void ApplyStandard(TSceneMaterial& Material, const T3DMMaterialStandard& S) {
  const float alpha = S.Opacity >= 99 ? 1.0f : S.Opacity * 0.01f;
  const auto color = [alpha](float R, float G, float B) { return MakeColor(R / 255, G / 255, B / 255, alpha); };
  const float level = S.SpecularLevel * 0.01f;
  const auto fade = [level](float Specular, float Diffuse) { return level * Specular + (1 - level) * Diffuse; };
  TGLMaterial& m = *Material.NewGroup()->GLMaterial;
  m.SetAmbient(color(S.Ambient.Red, S.Ambient.Green, S.Ambient.Blue));
  m.SetDiffuse(color(S.Diffuse.Red, S.Diffuse.Green, S.Diffuse.Blue));
  m.SetEmission(color(S.SelfIllumColor.Red, S.SelfIllumColor.Green, S.SelfIllumColor.Blue));
  m.SetSpecular(color(fade(S.Specular.Red, S.Diffuse.Red), fade(S.Specular.Green, S.Diffuse.Green),
                      fade(S.Specular.Blue, S.Diffuse.Blue)));
  m.SetShininess(S.Glossiness * 0.128f * 7);
  m.SetFront(true);
  m.SetBack(S.TwoSided);
}

}  // namespace emberhall
