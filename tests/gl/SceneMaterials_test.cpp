// Scene materials: keys read and written, translucency, materials made from
// 3DM standard materials, and what reaches a real GL context through the
// scene's material cache.
#include <gtest/gtest.h>

#include "gl/GLE.h"
#include "gl/GLTestSupport.h"
#include "platform/SysUtils.h"
#include "scene/File3DM.h"
#include "scene/RenderCaches.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneMaterials.h"

using namespace emberhall;
using namespace emberhall::test;

namespace gl = emberhall;

namespace {

std::span<const uint8_t> Bytes(const std::string& S) { return {reinterpret_cast<const uint8_t*>(S.data()), S.size()}; }

std::vector<float> MaterialParam(GLenum Face, GLenum Name, int N) {
  std::vector<float> v(4, -99);
  gl::glGetMaterialfv(Face, Name, v.data());
  v.resize(static_cast<size_t>(N));
  return v;
}

std::vector<float> Components(const TGLColor& C) { return {C.Red, C.Green, C.Blue, C.Alpha}; }

void ExpectColor(const TGLColor& Actual, float R, float G, float B, float A, const char* What) {
  EXPECT_NEAR(Actual.Red, R, 1e-6) << What;
  EXPECT_NEAR(Actual.Green, G, 1e-6) << What;
  EXPECT_NEAR(Actual.Blue, B, 1e-6) << What;
  EXPECT_NEAR(Actual.Alpha, A, 1e-6) << What;
}

// A scene on the test's context with a material list holding one material.
class SceneMaterials : public TGLContextTest {
 protected:
  void SetUp() override {
    TGLContextTest::SetUp();
    if (IsSkipped()) return;
    Scene = std::make_unique<TMainScene>();
    Scene->OpenGL = OpenGL.get();
    List = new TSceneMaterialList();
    List->Name = "Materials";
    Scene->AddWithOptions(List, 0);
    Material = NewMaterial("Walls");
  }
  // The scene's GL materials belong to the context's list: the scene goes first.
  void TearDown() override {
    Scene.reset();
    TGLContextTest::TearDown();
  }
  TSceneMaterial* NewMaterial(const std::string& Name) {
    auto* m = new TSceneMaterial();
    m->Name = Name;
    List->AddItem(m);
    return m;
  }
  void Load(TSceneMaterial* M, const std::string& Section, const std::string& Text) {
    TResourceLoader loader;
    loader.MainScene = Scene.get();
    loader.OpenBytes(Bytes(Text));
    loader.Section = Section;
    M->LoadFromLoader(loader);
  }

  std::unique_ptr<TMainScene> Scene;
  TSceneMaterialList* List = nullptr;
  TSceneMaterial* Material = nullptr;
};

TEST_F(SceneMaterials, NumberedKeysMakeGroupsAndOnlyUnnumberedFrontAndBackAreRead) {
  Load(Material, "Walls",
       "[Walls]\nCount=2\nUseVertexColor=0\nAmbient1=0.1,0.2,0.3,1\nAmbient2=0.4,0.5,0.6,0.7\nDiffuse2=1,1,1,0.5\n"
       "Shininess1=12.5\nVertexColor2=0.5,0.5,0.5,0.5\nFront1=0\nBack2=1\n");
  ASSERT_EQ(Material->GroupCount(), 2);
  EXPECT_FALSE(Material->UseVertexColor);
  const TGLMaterial& one = *Material->GetGroup(0)->GLMaterial;
  const TGLMaterial& two = *Material->GetGroup(1)->GLMaterial;
  ExpectColor(one.Ambient, 0.1f, 0.2f, 0.3f, 1, "ambient 1");
  ExpectColor(two.Ambient, 0.4f, 0.5f, 0.6f, 0.7f, "ambient 2");
  ExpectColor(one.Diffuse, 0.8f, 0.8f, 0.8f, 1, "diffuse 1 keeps the GL default");
  EXPECT_EQ(one.Shininess, 12.5f);
  EXPECT_EQ(two.Shininess, 0);
  ExpectColor(Material->GetGroup(1)->VertexColor, 0.5f, 0.5f, 0.5f, 0.5f, "vertex colour 2");
  ExpectColor(Material->GetGroup(0)->VertexColor, 1, 1, 1, 1, "vertex colour 1");
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(Material->GetGroup(i)->Index, i);
    EXPECT_EQ(Material->GetGroup(i)->SceneMaterial, Material);
    EXPECT_TRUE(Material->GetGroup(i)->GLMaterial->Front) << "Front1 is not read";
    EXPECT_FALSE(Material->GetGroup(i)->GLMaterial->Back) << "Back2 is not read";
  }
  // "Front" and "Back" apply to every group; groups are appended.
  Load(Material, "Walls", "[Walls]\nCount=1\nFront=0\nBack=1\nAmbient1=0,0,0,0\n");
  ASSERT_EQ(Material->GroupCount(), 3);
  EXPECT_FALSE(Material->GetGroup(2)->GLMaterial->Front);
  EXPECT_TRUE(Material->GetGroup(2)->GLMaterial->Back);
  EXPECT_EQ(Material->GetGroup(2)->Index, 2);
  EXPECT_THROW(Material->GetGroup(3), EListError);
  EXPECT_THROW(Material->GetGroup(-1), EListError);
  // An unreadable colour is the colour parser's error.
  EXPECT_THROW(Load(NewMaterial("Bad"), "Bad", "[Bad]\nCount=1\nAmbient1=red\n"), EConvertError);
}

TEST_F(SceneMaterials, WrittenAndReadBackKeepsColoursButNotTheFaces) {
  ApplyStandard(*Material, T3DMMaterialStandard("S"));
  TGLMaterial& m = *Material->GetGroup(0)->GLMaterial;
  m.SetAmbient(MakeColor(0.1f, 0.2f, 0.3f, 0.4f));
  m.SetDiffuse(MakeColor(0.5f, 0.6f, 0.7f, 0.8f));
  m.SetSpecular(MakeColor(0.9f, 0.25f, 0.125f, 1));
  m.SetEmission(MakeColor(0.0625f, 0.333333f, 0.666667f, 0.5f));
  m.SetShininess(22.4f);
  m.SetFront(false);
  m.SetBack(true);
  Material->GetGroup(0)->VertexColor = MakeColor(0.3f, 0.3f, 0.3f, 0.3f);
  Material->UseVertexColor = false;
  TResourceLoader writer;
  writer.NewDocument();
  writer.Section = "Walls";
  Material->SaveToLoader(writer);
  const TIniDocument& ini = *writer.Ini();
  EXPECT_EQ(ini.Value("Walls", "Count"), "1");
  EXPECT_EQ(ini.Value("Walls", "Front1"), "0");
  EXPECT_EQ(ini.Value("Walls", "Back1"), "1");
  EXPECT_FALSE(ini.Value("Walls", "Front").has_value());
  std::string text;
  for (const std::string& line : ini.Lines()) text += line + "\n";
  TSceneMaterial* again = NewMaterial("Again");
  Load(again, "Walls", text);
  ASSERT_EQ(again->GroupCount(), 1);
  const TGLMaterial& r = *again->GetGroup(0)->GLMaterial;
  const std::vector<std::pair<TGLColor, TGLColor>> colours = {
      {r.Ambient, m.Ambient}, {r.Diffuse, m.Diffuse}, {r.Specular, m.Specular}, {r.Emission, m.Emission},
      {again->GetGroup(0)->VertexColor, MakeColor(0.3f, 0.3f, 0.3f, 0.3f)}};
  for (const auto& [read, written] : colours)
    for (size_t k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(Components(read)[k], Components(written)[k]);
  EXPECT_FLOAT_EQ(r.Shininess, 22.4f);
  EXPECT_FALSE(again->UseVertexColor);
  EXPECT_TRUE(r.Front);  // the defaults: "Front" and "Back" were not written
  EXPECT_FALSE(r.Back);
}

TEST_F(SceneMaterials, StandardMaterialsBecomeGroups) {
  struct TCase {
    const char* What;
    float Opacity, SpecularLevel, Glossiness;
    bool TwoSided;
    float Alpha, Shininess;
    TGLColor Specular;  // of diffuse 128 and specular 255
  };
  const float half = 128.0f / 255;
  const TCase cases[] = {
      {"the flame: opaque, specular mostly diffuse", 100, 5, 25, false, 1, 22.4f,
       MakeColor(0.05f + 0.95f * half, 0.05f + 0.95f * half, 0.05f + 0.95f * half, 1)},
      {"half opaque, full specular level, two-sided", 50, 100, 0, true, 0.5f, 0, MakeColor(1, 1, 1, 0.5f)},
      {"99.5 is opaque; no specular level is the diffuse colour", 99.5f, 0, 100, false, 1, 89.6f,
       MakeColor(half, half, half, 1)},
      {"just below 99", 98.9f, 0, 10, false, 0.989f, 8.96f, MakeColor(half, half, half, 0.989f)},
  };
  for (const TCase& c : cases) {
    T3DMMaterialStandard s("S");
    s.Opacity = c.Opacity;
    s.SpecularLevel = c.SpecularLevel;
    s.Glossiness = c.Glossiness;
    s.TwoSided = c.TwoSided;
    s.Ambient = {128, 128, 128};
    s.Diffuse = {128, 128, 128};
    s.Specular = {255, 255, 255};
    s.SelfIllumColor = {0, 51, 255};
    ApplyStandard(*Material, s);
    const TGroupMaterial* g = Material->GetGroup(Material->GroupCount() - 1);
    const TGLMaterial& m = *g->GLMaterial;
    ExpectColor(m.Ambient, half, half, half, c.Alpha, c.What);
    ExpectColor(m.Diffuse, half, half, half, c.Alpha, c.What);
    ExpectColor(m.Emission, 0, 0.2f, 1, c.Alpha, c.What);
    ExpectColor(m.Specular, c.Specular.Red, c.Specular.Green, c.Specular.Blue, c.Specular.Alpha, c.What);
    EXPECT_NEAR(m.Shininess, c.Shininess, 1e-4) << c.What;
    EXPECT_TRUE(m.Front);
    EXPECT_EQ(m.Back, c.TwoSided) << c.What;
    EXPECT_EQ(IsTranslucent(g), c.Alpha < 0.99f) << c.What;
  }
  // The "Flame" of the firebox models, as read.
  T3DMFile file;
  file.FromResource = true;
  file.LoadFromFile("kamin01.3dm");
  TSceneMaterial* flame = NewMaterial("Flame");
  ApplyStandard(*flame, dynamic_cast<T3DMMaterialStandard&>(*file.Materials.FindByName("Flame")));
  const TGLMaterial& m = *flame->GetGroup(0)->GLMaterial;
  for (const TGLColor& c : {m.Ambient, m.Diffuse, m.Specular}) ExpectColor(c, half, half, half, 1, "flame");
  ExpectColor(m.Emission, 1, 1, 1, 1, "flame emission");  // the fire gives off its own light
  EXPECT_NEAR(m.Shininess, 22.4f, 1e-4);
  EXPECT_NEAR(half, 0.502f, 1e-3);
}

TEST_F(SceneMaterials, TranslucentBelowNinetyNineHundredths) {
  const std::pair<float, bool> cases[] = {{1, false}, {0.99f, false}, {0.989f, true}, {0, true}};
  ApplyStandard(*Material, T3DMMaterialStandard("S"));
  TGroupMaterial* g = Material->GetGroup(0);
  for (const auto& [alpha, translucent] : cases) {
    g->GLMaterial->SetDiffuse(MakeColor(1, 1, 1, alpha));
    EXPECT_EQ(IsTranslucent(g), translucent) << alpha;
  }
  // A description's alpha, read as text, decides the same way.
  Load(Material, "Walls", "[Walls]\nCount=2\nDiffuse1=1,1,1,0.99\nDiffuse2=1,1,1,0.989\n");
  EXPECT_FALSE(IsTranslucent(Material->GetGroup(1)));
  EXPECT_TRUE(IsTranslucent(Material->GetGroup(2)));
  EXPECT_FALSE(IsTranslucent(nullptr));
}

TEST_F(SceneMaterials, TheCacheSendsTheWholeMaterialAtEverySwitch) {
  T3DMMaterialStandard flame("Flame");
  flame.Ambient = flame.Diffuse = flame.Specular = {128, 128, 128};
  flame.SpecularLevel = 5;
  flame.Glossiness = 25;
  flame.Opacity = 100;
  ApplyStandard(*Material, flame);
  T3DMMaterialStandard glass("Glass");
  glass.Diffuse = {255, 0, 0};
  glass.Opacity = 50;
  glass.TwoSided = true;
  glass.Glossiness = 50;
  ApplyStandard(*Material, glass);
  TGroupMaterial* a = Material->GetGroup(0);
  TGroupMaterial* b = Material->GetGroup(1);
  ResetRenderCaches();
  UseGroupMaterial(a);
  const float half = 128.0f / 255;
  for (const GLenum p : {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR})
    for (const float v : MaterialParam(GL_FRONT, p, 3)) EXPECT_NEAR(v, half, 1e-6) << p;
  EXPECT_NEAR(MaterialParam(GL_FRONT, GL_SHININESS, 1)[0], 22.4f, 1e-4);
  EXPECT_EQ(MaterialParam(GL_FRONT, GL_EMISSION, 4), (std::vector<float>{0, 0, 0, 1}));
  UseGroupMaterial(b);
  for (const GLenum face : {GL_FRONT, GL_BACK})
    EXPECT_EQ(MaterialParam(face, GL_DIFFUSE, 4), (std::vector<float>{1, 0, 0, 0.5f})) << face;
  EXPECT_NEAR(MaterialParam(GL_BACK, GL_SHININESS, 1)[0], 44.8f, 1e-4);
  // Back to the first, which has nothing dirty: it is sent again all the same.
  UseGroupMaterial(a);
  EXPECT_NEAR(MaterialParam(GL_FRONT, GL_DIFFUSE, 1)[0], half, 1e-6);
  EXPECT_NEAR(MaterialParam(GL_FRONT, GL_SHININESS, 1)[0], 22.4f, 1e-4);
  // Asking again for the cached one sends nothing.
  {
    TRecordLightingCalls record;
    UseGroupMaterial(a);
    EXPECT_TRUE(RecordedCalls().empty());
  }
  // A group freed while cached is forgotten, so a new group that takes its
  // place in memory is sent all the same.
  UseGroupMaterial(b);
  Material->ClearGroupMaterials();
  ApplyStandard(*Material, glass);
  {
    TRecordLightingCalls record;
    UseGroupMaterial(Material->GetGroup(0));
    EXPECT_FALSE(RecordedCalls().empty());
  }
  EXPECT_EQ(OpenGL->Materials.Count(), 1);  // freed groups took their GL materials along
  ResetRenderCaches();
}

// --- without a context ---

TEST(SceneMaterialsWithoutContext, AGroupNeedsAContextToBeMadeIn) {
  TSceneMaterial loose;
  loose.Name = "Loose";
  TMainScene scene;
  auto* list = new TSceneMaterialList();
  list->Name = "Materials";
  scene.AddWithOptions(list, 0);
  auto* held = new TSceneMaterial();
  held->Name = "Held";
  list->AddItem(held);
  for (TSceneMaterial* m : {&loose, held}) {
    try {
      m->NewGroup();
      FAIL() << m->Name;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message, "TSceneMaterial.NewGroup error: " + m->Name + " is in no scene with an OpenGL context");
    }
    EXPECT_EQ(m->GroupCount(), 0);
  }
  // A description's group count is limited before any group is made.
  TResourceLoader loader;
  const std::string text = "[Held]\nCount=1001\n";
  loader.OpenBytes(Bytes(text));
  loader.Section = "Held";
  try {
    held->LoadFromLoader(loader);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "TSceneMaterial.LoadFromLoader error: Held would have more than 1000 groups");
  }
  // Both classes can be named in a description, in any letter case.
  for (const char* type : {"TSceneMaterial", "tscenemateriallist"}) {
    TMainObject* object = CreateObjectByType(type, "X");
    ASSERT_NE(object, nullptr) << type;
    EXPECT_TRUE(SameText(object->ClassName(), type));
    EXPECT_EQ(object->Name, "X");
    delete object;
  }
}

}  // namespace
