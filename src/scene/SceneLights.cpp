#include "scene/SceneLights.h"

#include "gl/GLContext.h"
#include "gl/GLLights.h"
#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"

namespace emberhall {

void TMainRenderState::SaveToLoader(TResourceLoader& Loader) {
  TMainSceneObject::SaveToLoader(Loader);
  Loader.WriteBool("Enabled", Enabled);
}

void TMainRenderState::LoadFromLoader(TResourceLoader& Loader) {
  TMainSceneObject::LoadFromLoader(Loader);
  Enabled = Loader.ReadBool("Enabled", Enabled);
}

const char* LightStyleText(TLightStyle Style) {
  static const char* const texts[] = {"Parallel", "ParallelPoint", "Point", "Directional", "Ambient"};
  return Style <= lsAmbient ? texts[Style] : texts[lsAmbient];
}

TLightStyle LightStyleOfText(const std::string& Text) {
  auto has = [&](const char* S) { return Text.find(S) != std::string::npos; };
  if (has("ParallelPoint")) return lsParallelPoint;
  if (has("Parallel")) return lsParallel;
  if (has("Point")) return lsPoint;
  if (has("Directional")) return lsDirectional;
  return lsAmbient;
}

void TMainLight::CreateGLLight() {
  if (GLLight) return;
  if (!MainScene) throw Exception("TMainLight.CreateGLLight error: MainScene is NIL!");
  if (!MainScene->OpenGL) throw Exception("TMainLight.CreateGLLight error: the scene has no OpenGL context");
  GLLight = MainScene->OpenGL->Lights.Add();
  switch (LightStyle) {
    case lsParallel: GLLight->PresetParallel(); break;
    case lsParallelPoint: GLLight->PresetParallelPoint(); break;
    case lsPoint: GLLight->PresetPoint(); break;
    case lsDirectional: GLLight->PresetDirectional(); break;
    case lsAmbient: break;
  }
}

void TMainLight::FreeGLLight() {
  delete GLLight;  // leaves the context's list
  GLLight = nullptr;
}

void TMainLight::SetLightStyle(TLightStyle Style) {
  if (Style == LightStyle) return;
  LightStyle = Style;
  // The fresh light keeps the number of the one it replaces: numbering by
  // the list's count would give it the number of another light.
  const int32_t index = GLLight ? GLLight->Index : -1;
  if (GLLight) FreeGLLight();
  CreateGLLight();
  if (index >= 0) GLLight->SetIndex(index);
}

void TMainLight::Enable() {
  CreateGLLight();
  if (LightStyle == lsAmbient) {
    MainScene->OpenGL->Lights.SetGlobalAmbient(GLLight->Ambient);
  } else {
    GLLight->Invalidate();
    GLLight->Enable();
  }
  TMainRenderState::Enable();
}

void TMainLight::Disable() {
  if (GLLight) GLLight->Disable();
  TMainRenderState::Disable();
}

void TMainLight::Render() {
  if (Enabled) {
    Enable();
  } else {
    Disable();
  }
}

void TMainLight::SaveToLoader(TResourceLoader& Loader) {
  if (!GLLight) throw Exception("TMainLight.SaveToLoader error: " + Name + " has no GL light to write");
  TMainRenderState::SaveToLoader(Loader);
  const TGLLight& l = *GLLight;
  Loader.WriteString("LightStyle", LightStyleText(LightStyle));
  Loader.WriteBool("Infinite", l.Infinite);
  Loader.WriteColor("Ambient", l.Ambient);
  Loader.WriteColor("Diffuse", l.Diffuse);
  Loader.WriteColor("Specular", l.Specular);
  Loader.WriteVector("Position", l.Position);
  Loader.WriteVector("Direction", l.Direction);
  Loader.WriteFloat("SpotExponent", l.SpotExponent);
  Loader.WriteFloat("SpotCutoff", l.SpotCutoff);
  Loader.WriteFloat("ConstantAttenuation", l.ConstantAttenuation);
  Loader.WriteFloat("LinearAttenuation", l.LinearAttenuation);
  Loader.WriteFloat("QuadraticAttenuation", l.QuadraticAttenuation);
  Loader.WriteBool("TwoSide", l.TwoSide);
  Loader.WriteBool("LocalViewer", l.LocalViewer);
}

void TMainLight::LoadFromLoader(TResourceLoader& Loader) {
  TMainRenderState::LoadFromLoader(Loader);
  CreateGLLight();
  SetLightStyle(LightStyleOfText(Loader.ReadString("LightStyle", "")));
  TGLLight& l = *GLLight;
  l.SetInfinite(Loader.ReadBool("Infinite", l.Infinite));
  l.SetAmbient(Loader.ReadColor("Ambient", l.Ambient));
  l.SetDiffuse(Loader.ReadColor("Diffuse", l.Diffuse));
  l.SetSpecular(Loader.ReadColor("Specular", l.Specular));
  l.SetPosition(Loader.ReadVector("Position", l.Position));
  l.SetDirection(Loader.ReadVector("Direction", l.Direction));
  l.SetSpotExponent(Loader.ReadFloat("SpotExponent", l.SpotExponent));
  l.SetSpotCutoff(Loader.ReadFloat("SpotCutoff", l.SpotCutoff));
  l.SetConstantAttenuation(Loader.ReadFloat("ConstantAttenuation", l.ConstantAttenuation));
  l.SetLinearAttenuation(Loader.ReadFloat("LinearAttenuation", l.LinearAttenuation));
  l.SetQuadraticAttenuation(Loader.ReadFloat("QuadraticAttenuation", l.QuadraticAttenuation));
  l.SetTwoSide(Loader.ReadBool("TwoSide", l.TwoSide));
  l.SetLocalViewer(Loader.ReadBool("LocalViewer", l.LocalViewer));
}

void RegisterLightClasses() { RegisterSceneClassOf<TMainLight>(); }

}  // namespace emberhall
