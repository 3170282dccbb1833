// Fixed-function lights and materials that send only their changed
// parameters to OpenGL.
#pragma once

#include <cstdint>

#include "gl/GLItems.h"
#include "gl/GLTypes.h"
#include "gl/OGL.h"

namespace emberhall {

class TGLLight : public TGLItem {
 public:
  enum : uint32_t {
    dlAmbient = 0x0001, dlDiffuse = 0x0002, dlSpecular = 0x0008, dlInfinite = 0x0040, dlPosition = 0x0080,
    dlDirection = 0x0100, dlSpotExponent = 0x0200, dlSpotCutoff = 0x0400, dlConstantAttenuation = 0x0800,
    dlLinearAttenuation = 0x1000, dlQuadraticAttenuation = 0x2000, dlTwoSide = 0x4000, dlLocalViewer = 0x8000,
    dlAll = 0x7FFFFFFF,
  };

  explicit TGLLight(TGLItemList* AList) : TGLItem(AList) {}

  void SetAmbient(const TGLColor& C) { Ambient = C, Dirty |= dlAmbient; }
  void SetDiffuse(const TGLColor& C) { Diffuse = C, Dirty |= dlDiffuse; }
  void SetSpecular(const TGLColor& C) { Specular = C, Dirty |= dlSpecular; }
  void SetPosition(const TGLVector& V) { Position = V, Dirty |= dlPosition; }
  void SetDirection(const TGLVector& V) { Direction = V, Dirty |= dlDirection; }
  void SetSpotExponent(float V) { SpotExponent = V, Dirty |= dlSpotExponent; }
  void SetSpotCutoff(float V) { SpotCutoff = V, Dirty |= dlSpotCutoff; }
  void SetConstantAttenuation(float V) { ConstantAttenuation = V, Dirty |= dlConstantAttenuation; }
  void SetLinearAttenuation(float V) { LinearAttenuation = V, Dirty |= dlLinearAttenuation; }
  void SetQuadraticAttenuation(float V) { QuadraticAttenuation = V, Dirty |= dlQuadraticAttenuation; }
  void SetInfinite(bool V) { Infinite = V, Dirty |= dlInfinite; }
  void SetLocalViewer(bool V) { LocalViewer = V, Dirty |= dlLocalViewer; }
  void SetTwoSide(bool V) { TwoSide = V, Dirty |= dlTwoSide; }
  void SetIndex(int32_t V) { Index = V; }

  // Sends the dirty parameters when the context is active; otherwise they stay pending.
  void Update();
  void Invalidate();
  void Enable();
  void Disable();

  void PresetParallel();
  void PresetParallelPoint();
  void PresetPoint();
  void PresetDirectional();

  TGLColor Ambient{0, 0, 0, 1};
  TGLColor Diffuse{1, 1, 1, 1};
  TGLColor Specular{1, 1, 1, 1};
  TGLVector Position{0, 0, 0};
  TGLVector Direction{0, 0, -1};
  float SpotExponent = 0;
  float SpotCutoff = 90;
  float ConstantAttenuation = 1;
  float LinearAttenuation = 0;
  float QuadraticAttenuation = 0;
  bool Infinite = true;
  bool LocalViewer = false;
  bool TwoSide = false;
  int32_t Index = 0;
  uint32_t Dirty = dlAmbient | dlDiffuse | dlSpecular | dlInfinite | dlPosition | dlDirection | dlSpotExponent |
                   dlSpotCutoff | dlConstantAttenuation | dlLinearAttenuation | dlQuadraticAttenuation | dlTwoSide |
                   dlLocalViewer;

 private:
  bool ContextActive() const;
};

class TGLLightList : public TGLTypedItemList<TGLLight> {
 public:
  explicit TGLLightList(TCustomOpenGL* AOpenGL) : TGLTypedItemList(AOpenGL) {}
  // A new light numbered by the count before adding (GL_LIGHT0 first).
  TGLLight* Add();
  // Stores the colour and sends it at once (a context must be current).
  void SetGlobalAmbient(const TGLColor& C);
  void ContextCreated() override;

  TGLColor GlobalAmbient{0, 0, 0, 1};
};

class TGLMaterial : public TGLItem {
 public:
  enum : uint32_t {
    dmAmbient = 0x01, dmDiffuse = 0x02, dmSpecular = 0x08, dmEmission = 0x10, dmShininess = 0x20,
    dmFace = 0x3B, dmAll = 0x7FFFFFFF,
  };

  explicit TGLMaterial(TGLItemList* AList) : TGLItem(AList) {}

  void SetAmbient(const TGLColor& C) { Ambient = C, Dirty |= dmAmbient; }
  void SetDiffuse(const TGLColor& C) { Diffuse = C, Dirty |= dmDiffuse; }
  void SetSpecular(const TGLColor& C) { Specular = C, Dirty |= dmSpecular; }
  void SetEmission(const TGLColor& C) { Emission = C, Dirty |= dmEmission; }
  void SetShininess(float V) { Shininess = V, Dirty |= dmShininess; }
  void SetFront(bool V) { Front = V, Dirty |= dmFace; }
  void SetBack(bool V) { Back = V, Dirty |= dmFace; }

  void Update();
  void Invalidate();
  // GL_FRONT_AND_BACK, GL_FRONT, or GL_BACK (also when neither is set).
  GLenum Face() const;

  TGLColor Ambient{0.2f, 0.2f, 0.2f, 1};
  TGLColor Diffuse{0.8f, 0.8f, 0.8f, 1};
  TGLColor Specular{0, 0, 0, 0};
  TGLColor Emission{0, 0, 0, 0};
  float Shininess = 0;
  uint32_t Dirty = dmFace;
  bool Back = false;
  bool Front = true;
};

class TGLMaterialList : public TGLTypedItemList<TGLMaterial> {
 public:
  explicit TGLMaterialList(TCustomOpenGL* AOpenGL) : TGLTypedItemList(AOpenGL) {}
  void ContextCreated() override;

  bool SeparateSpecularAvailable = false;
};

}  // namespace emberhall
