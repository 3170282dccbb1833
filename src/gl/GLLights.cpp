#include "gl/GLLights.h"

#include "gl/GLContext.h"
#include "gl/GLE.h"

namespace emberhall {

// ---- TGLLight ----

bool TGLLight::ContextActive() const { return List && List->OpenGL && List->OpenGL->Active; }

void TGLLight::Update() {
  if (!Dirty || !ContextActive()) return;
  const GLenum L = GL_LIGHT0 + static_cast<GLenum>(Index);
  if (Dirty & dlAmbient) glLightfv(L, GL_AMBIENT, &Ambient.Red);
  if (Dirty & dlDiffuse) glLightfv(L, GL_DIFFUSE, &Diffuse.Red);
  if (Dirty & dlSpecular) glLightfv(L, GL_SPECULAR, &Specular.Red);
  if (Dirty & (dlInfinite | dlPosition | dlDirection)) {
    if (!Infinite) {
      if (Dirty & (dlInfinite | dlPosition)) {
        const GLfloat p[4] = {Position.X, Position.Y, Position.Z, 1};
        glLightfv(L, GL_POSITION, p);
      }
      if (Dirty & dlDirection) glLightfv(L, GL_SPOT_DIRECTION, &Direction.X);
    } else if (Dirty & (dlInfinite | dlDirection)) {
      const GLfloat p[4] = {-Direction.X, -Direction.Y, -Direction.Z, 0};
      glLightfv(L, GL_POSITION, p);
    }
  }
  if (Dirty & dlSpotExponent) glLightf(L, GL_SPOT_EXPONENT, SpotExponent);
  if (Dirty & dlSpotCutoff) glLightf(L, GL_SPOT_CUTOFF, SpotCutoff);
  if (Dirty & dlLocalViewer) glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, LocalViewer);
  if (Dirty & dlTwoSide) glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, TwoSide);
  if (Dirty & dlConstantAttenuation) glLightf(L, GL_CONSTANT_ATTENUATION, ConstantAttenuation);
  if (Dirty & dlLinearAttenuation) glLightf(L, GL_LINEAR_ATTENUATION, LinearAttenuation);
  if (Dirty & dlQuadraticAttenuation) glLightf(L, GL_QUADRATIC_ATTENUATION, QuadraticAttenuation);
  Dirty = 0;
}

void TGLLight::Invalidate() {
  Dirty = dlAll;
  Update();
}

void TGLLight::Enable() {
  if (Dirty) Update();
  if (ContextActive()) glEnable(GL_LIGHT0 + static_cast<GLenum>(Index));
}

void TGLLight::Disable() {
  if (ContextActive()) glDisable(GL_LIGHT0 + static_cast<GLenum>(Index));
}

void TGLLight::PresetParallel() {
  SetInfinite(true);
  SetPosition(MakeVector(Direction.X * 1e37f, Direction.Y * 1e37f, Direction.Z * 1e37f));
  SetSpotExponent(0);
  SetSpotCutoff(180);
  SetConstantAttenuation(1);
  SetLinearAttenuation(0);
  SetQuadraticAttenuation(0);
}

void TGLLight::PresetParallelPoint() {
  SetInfinite(true);
  SetSpotExponent(0);
  SetSpotCutoff(180);
  SetConstantAttenuation(1);
  SetLinearAttenuation(0);
  SetQuadraticAttenuation(0);
}

void TGLLight::PresetPoint() {
  SetInfinite(false);
  SetSpotExponent(0);
  SetSpotCutoff(180);
}

void TGLLight::PresetDirectional() { SetInfinite(false); }

TGLLight* TGLLightList::Add() {
  auto* light = new TGLLight(this);
  light->SetIndex(Count());
  return Append(light);
}

void TGLLightList::SetGlobalAmbient(const TGLColor& C) {
  GlobalAmbient = C;
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, &GlobalAmbient.Red);
}

void TGLLightList::ContextCreated() { SetGlobalAmbient(MakeColor(0, 0, 0, 1)); }

// ---- TGLMaterial ----

GLenum TGLMaterial::Face() const {
  if (Front && Back) return GL_FRONT_AND_BACK;
  return Front ? GL_FRONT : GL_BACK;
}

void TGLMaterial::Update() {
  if (!Dirty) return;
  const GLenum F = Face();
  glColor4fv(&Diffuse.Red);
  if (Dirty & dmAmbient) glMaterialfv(F, GL_AMBIENT, &Ambient.Red);
  if (Dirty & dmDiffuse) glMaterialfv(F, GL_DIFFUSE, &Diffuse.Red);
  if (Dirty & dmSpecular) glMaterialfv(F, GL_SPECULAR, &Specular.Red);
  if (Dirty & dmEmission) glMaterialfv(F, GL_EMISSION, &Emission.Red);
  if (Dirty & dmShininess) glMaterialf(F, GL_SHININESS, Shininess);
  Dirty = 0;
}

void TGLMaterial::Invalidate() {
  Dirty = dmAll;
  Update();
}

void TGLMaterialList::ContextCreated() { SeparateSpecularAvailable = ExtensionSupported("EXT_separate_specular_color"); }

}  // namespace emberhall
