#include "scene/SceneVisuals.h"

#include "gl/OGL.h"
#include "scene/ResourceLoader.h"

namespace emberhall {

namespace {
const char* const kVisualOptionNames[] = {"Position", "Rotation", "Scale"};
}  // namespace

std::string VisualOptionsToStr(uint8_t Options) { return SetToText(Options, kVisualOptionNames, 3, "[]"); }
uint8_t StrToVisualOptions(const std::string& Text) { return TextToSet(Text, kVisualOptionNames, 3, false); }

// ---- TMainVisualObject ----

void TMainVisualObject::Animate(float DeltaTime) {
  if (Visual) Visual->Animate(DeltaTime);
}

void TMainVisualObject::BeginRender() {
  if (!VisualOptions) return;
  glPushMatrix();
  if (VisualOptions & voPosition) glTranslatef(Position.X, Position.Y, Position.Z);
  if (VisualOptions & voRotation) {
    glRotatef(Angles.Y, 0, 1, 0);
    glRotatef(Angles.X, 1, 0, 0);
    glRotatef(Angles.Z, 0, 0, 1);
  }
  if (VisualOptions & voScale) glScalef(Scale.X, Scale.Y, Scale.Z);
}

void TMainVisualObject::EndRender() {
  if (VisualOptions) glPopMatrix();
}

void TMainVisualObject::RenderOpaque() {
  if (!Visual) return;
  BeginRender();
  Visual->RenderOpaque();
  EndRender();
}

void TMainVisualObject::RenderTransparent() {
  if (!Visual) return;
  BeginRender();
  Visual->RenderTransparent();
  EndRender();
}

void TMainVisualObject::SaveToLoader(TResourceLoader& Loader) {
  TMainSceneObject::SaveToLoader(Loader);
  Loader.WriteVector("Position", Position);
  Loader.WriteVector("Scale", Scale);
  Loader.WriteVector("Angles", Angles);
  Loader.WriteString("VisualOptions", VisualOptionsToStr(VisualOptions));
  Loader.WriteReference("Visual", Visual);
}

void TMainVisualObject::LoadFromLoader(TResourceLoader& Loader) {
  TMainSceneObject::LoadFromLoader(Loader);
  Position = Loader.ReadVector("Position", Position);
  Scale = Loader.ReadVector("Scale", Scale);
  Angles = Loader.ReadVector("Angles", Angles);
  // An absent key means the usual placement, not the current options.
  VisualOptions = StrToVisualOptions(Loader.ReadString("VisualOptions", "[Position,Rotation]"));
  Visual = Loader.ReadReference("Visual", Visual);
}

// ---- TMainVisualObjectList ----

void TMainVisualObjectList::Animate(float DeltaTime) {
  if (Visual && GetCount() > 0) Visual->Animate(DeltaTime);
}

void TMainVisualObjectList::Render() {
  Alpha = Visual && Visual->Alpha;
  TMainItem::Render();
}

void TMainVisualObjectList::DrawAtChildren(void (TMainItem::*Pass)()) {
  for (int i = 0; i < GetCount(); ++i) {
    TMainObject* child = GetItem(i);
    if (!child) continue;
    child->BeginRender();
    (Visual->*Pass)();
    child->EndRender();
  }
}

void TMainVisualObjectList::RenderOpaque() {
  if (Visual) DrawAtChildren(&TMainItem::RenderOpaque);
}

void TMainVisualObjectList::RenderTransparent() {
  if (Visual && Visual->Alpha) DrawAtChildren(&TMainItem::RenderTransparent);
}

void TMainVisualObjectList::SaveToLoader(TResourceLoader& Loader) {
  TResource::SaveToLoader(Loader);
  Loader.WriteReference("Visual", Visual);
}

void TMainVisualObjectList::LoadFromLoader(TResourceLoader& Loader) {
  TResource::LoadFromLoader(Loader);
  Visual = Loader.ReadReference("Visual", Visual);
}

// ---- layers ----

void TSceneLayer::Render() {
  if (!Visible) return;
  BeginRender();
  RenderOpaque();
  if (Alpha) RenderTransparent();
  EndRender();
}

void TMainSpriteList::Render() {
  Lighting ? glEnable(GL_LIGHTING) : glDisable(GL_LIGHTING);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_FOG);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, ViewWidth, 0, ViewHeight, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslated(Position.X, Position.Y, 0);
  TSceneLayer::Render();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
}

void TMainSpriteList::SaveToLoader(TResourceLoader& Loader) {
  TSceneLayer::SaveToLoader(Loader);
  Loader.WriteFloat("ViewWidth", ViewWidth);
  Loader.WriteFloat("ViewHeight", ViewHeight);
  Loader.WriteVector("Position", Position);
  Loader.WriteBool("Lighting", Lighting);
}

void TMainSpriteList::LoadFromLoader(TResourceLoader& Loader) {
  TSceneLayer::LoadFromLoader(Loader);
  ViewWidth = Loader.ReadFloat("ViewWidth", ViewWidth);
  ViewHeight = Loader.ReadFloat("ViewHeight", ViewHeight);
  Position = Loader.ReadVector("Position", Position);
  Lighting = Loader.ReadBool("Lighting", Lighting);
}

void RegisterVisualClasses() {
  RegisterSceneClassOf<TMainVisualObject>();
  RegisterSceneClassOf<TMainVisualObjectList>();
  RegisterSceneClassOf<TMainSpriteList>();
}

}  // namespace emberhall
