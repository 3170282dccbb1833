// Meshes built from 3DM models and sprites on a real Mesa context: shared
// vertices, groups by face material ID, the fixed turn to Y-up, the opaque
// and blended passes, frame animation, declared materials, bad models and
// the sprite's quad and cut-out.
#include <cmath>
#include <functional>

#include "gl/GLLights.h"
#include "gl/GLPrimitives.h"
#include "gl/GLTestSupport.h"
#include "platform/SysUtils.h"
#include "scene/File3DM.h"
#include "scene/RenderCaches.h"
#include "scene/SceneMaterials.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneTextures.h"
#include "support/TestSupport.h"

using namespace emberhall;
using namespace emberhall::test;

namespace gl = emberhall;  // the resolved entry points

namespace {

std::span<const uint8_t> Bytes(const std::string& S) { return {reinterpret_cast<const uint8_t*>(S.data()), S.size()}; }

std::string MessageOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

// A standard material of the given opacity and maps ("undefined" for none).
std::string Material(const std::string& Name, int Opacity, const std::string& Diffuse = "undefined",
                     const std::string& OpacityMap = "undefined", const std::string& Colour = "0 255 0") {
  return "#MaterialStandard 17\nName " + Name + "\nShaderType 1 Blinn\nFaceted false\nWireSize 1\nTwoSided false\n"
         "OpacityType 0\nOpacity " + std::to_string(Opacity) + "\nselfIllumColor (color 0 0 0)\n"
         "Ambient (color " + Colour + ")\nDiffuse (color " + Colour + ")\nSpecular (color 0 0 0)\nSpecularLevel 0\n"
         "Glossiness 10\nDiffuseMap " + Diffuse + "\nOpacityMap " + OpacityMap + "\nBumpMap undefined\n"
         "ReflectionMap undefined\n";
}

std::string Vectors(const std::string& Chunk, const std::vector<std::string>& Lines) {
  std::string s = "#" + Chunk + " " + std::to_string(Lines.size()) + "\n";
  for (const auto& l : Lines) s += l + "\n";
  return s;
}

// A unit quad of two triangles sharing the edge 1-3, on material "M".
struct TQuad {
  std::vector<std::string> TexFaces = {"[1,2,3]", "[1,3,4]"};
  std::vector<std::string> Ids = {"1", "1"};
  std::vector<std::string> Faces = {"[1,2,3]", "[1,3,4]"};
  std::string Extra;  // chunks after the faces
  std::string Materials = Material("M", 100);
  std::string Name = "M";  // the object's material
  bool TexCoords = true;

  std::string Text() const {
    std::string s = "#Header 1\nVersion 1\n#MaterialCount 1\nCount 1\n" + Materials + "#Object 1\nName Quad\n" +
                    Vectors("Vertices", {"[0,0,0]", "[1,0,0]", "[1,1,0]", "[0,1,0]"}) + Vectors("VertexFaces", Faces);
    if (TexCoords)
      s += Vectors("TextureCoords", {"[0,0,0]", "[1,0,0]", "[1,1,0]", "[0,1,0]", "[0.5,0.5,0]"}) +
           Vectors("TextureCoordFaces", TexFaces);
    s += Vectors("FaceMatID", Ids) + "#Material 1\nName " + Name + "\n" + Extra;
    return s;
  }
};

class SceneMeshes : public TGLContextTest {
 protected:
  void SetUp() override {
    TGLContextTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    NewScene();
  }
  // A scene of materials, textures (from the scene folder) and one mesh list.
  void NewScene() {
    Scene.reset();
    ResetRenderCaches();
    Scene = std::make_unique<TMainScene>();
    Scene->OpenGL = OpenGL.get();
    Materials = Add(new TSceneMaterialList(), "Materials");
    Textures = Add(new TSceneTextureList(), "Textures");
    Textures->Path = std::string(EMBERHALL_SCENES_DIR) + "/";
    List = Add(new TSceneMeshList(), "Meshes");
    List->Materials = Materials;
    List->Textures = Textures;
    List->Path = Dir.Path() + "/";
    Mesh = NewMesh<TSceneMesh>("Mesh");
  }
  // The scene's primitives, materials and textures live in the context's lists.
  void TearDown() override {
    Scene.reset();
    TGLContextTest::TearDown();
  }
  template <class T>
  T* Add(T* List, const std::string& Name) {
    List->Name = Name;
    Scene->AddWithOptions(List, 0);
    return List;
  }
  template <class T>
  T* NewMesh(const std::string& Name) {
    auto* m = new T();
    m->Name = Name;
    List->AddItem(m);
    return m;
  }
  // Writes the model and builds the mesh from it through its first draw.
  void Build(const std::string& Model, TSceneMesh* M = nullptr) {
    M = M ? M : Mesh;
    WriteFile(Dir.File("model.3dm"), Model);
    M->SetSourceName("model.3dm");
    M->RenderOpaque();
  }
  static std::vector<TGLVector> Positions(const TGLPrimitive& P) {
    return {P.Vertices.Items(), P.Vertices.Items() + P.Vertices.Count};
  }
  static std::vector<uint32_t> Indices(const TGLPrimitive& P) {
    return {P.Indices.Items(), P.Indices.Items() + P.Indices.Count};
  }

  TTempDir Dir;
  std::unique_ptr<TMainScene> Scene;
  TSceneMaterialList* Materials = nullptr;
  TSceneTextureList* Textures = nullptr;
  TSceneMeshList* List = nullptr;
  TSceneMesh* Mesh = nullptr;
};

TEST_F(SceneMeshes, CornersAreSharedPerVertexAndTextureCoordinate) {
  struct TCase {
    const char* What;
    std::vector<std::string> TexFaces;
    bool TexCoords;
    int Vertices;
    std::vector<uint32_t> Indices;
  } cases[] = {
      {"same texture coordinates on the shared edge", {"[1,2,3]", "[1,3,4]"}, true, 4, {0, 1, 2, 0, 2, 3}},
      {"other texture-coordinate numbers on the shared edge", {"[1,2,3]", "[5,3,4]"}, true, 5, {0, 1, 2, 3, 2, 4}},
      {"both shared corners with other numbers", {"[1,2,3]", "[5,5,4]"}, true, 6, {0, 1, 2, 3, 4, 5}},
      {"no texture coordinates", {}, false, 4, {0, 1, 2, 0, 2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TQuad quad;
    quad.TexFaces = c.TexFaces;
    quad.TexCoords = c.TexCoords;
    Mesh->Loaded = false;
    Mesh->ClearGroups();
    Build(quad.Text());
    ASSERT_TRUE(Mesh->Loaded);
    ASSERT_EQ(Mesh->OpaqueGroups.Count(), 1);
    const TGLPrimitive& p = *Mesh->OpaqueGroups.Get(0)->Primitive;
    EXPECT_EQ(p.Vertices.Count, c.Vertices);
    EXPECT_EQ(Indices(p), c.Indices);
    EXPECT_EQ(p.TexCoords[0].Count, c.TexCoords ? c.Vertices : 0);
    EXPECT_EQ(p.Normals.Count, c.Vertices);
    // Z up in the model is turned towards the viewer only with a transform.
    EXPECT_EQ(p.Vertices.GetItem(1), MakeVector(1, 0, 0));
    EXPECT_NEAR(p.Normals.GetItem(0).Z, 1, 1e-6);
  }
}

TEST_F(SceneMeshes, FaceIdsMakeGroupsInOrderOfFirstAppearance) {
  TQuad quad;
  quad.Faces = {"[1,2,3]", "[1,3,4]", "[2,3,4]", "[1,2,4]"};
  quad.TexFaces = quad.Faces;
  quad.Ids = {"1", "3", "3", "1"};
  Build(quad.Text());
  ASSERT_EQ(Mesh->OpaqueGroups.Count(), 2);
  TSceneMaterial* m = dynamic_cast<TSceneMaterial*>(Materials->FindByName("M"));
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->GroupCount(), 1);
  const TMeshGroup& first = *Mesh->OpaqueGroups.Get(0);
  const TMeshGroup& second = *Mesh->OpaqueGroups.Get(1);
  // ID 3 is beyond the one group material: it uses the last one.
  EXPECT_EQ(first.GroupMaterial, m->GetGroup(0));
  EXPECT_EQ(second.GroupMaterial, m->GetGroup(0));
  EXPECT_EQ(Positions(*first.Primitive),
            (std::vector<TGLVector>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));  // faces 1 and 4
  EXPECT_EQ(Indices(*first.Primitive), (std::vector<uint32_t>{0, 1, 2, 0, 1, 3}));
  EXPECT_EQ(Positions(*second.Primitive), (std::vector<TGLVector>{{0, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 0, 0}}));
  EXPECT_EQ(Mesh->Material, m);
}

TEST_F(SceneMeshes, TheClockModelEndsInTheXYPlane) {
  List->Path = std::string(EMBERHALL_SCENES_DIR) + "/";
  List->Textures = nullptr;  // its maps are pictures the scene folder does not carry
  Mesh->SetSourceName("clock.3dm");
  Mesh->RenderOpaque();
  ASSERT_TRUE(Mesh->Loaded);
  ASSERT_EQ(Mesh->OpaqueGroups.Count() + Mesh->TransparentGroups.Count(), 1);
  const TMeshGroupList& groups = Mesh->OpaqueGroups.Count() ? Mesh->OpaqueGroups : Mesh->TransparentGroups;
  const TGLPrimitive& p = *groups.Get(0)->Primitive;
  ASSERT_EQ(p.Vertices.Count, 4);
  for (const TGLVector& v : Positions(p)) {
    EXPECT_NEAR(v.Z, 0, 1e-4);
    EXPECT_NEAR(std::fabs(v.X), 100, 1e-4);
    EXPECT_NEAR(std::fabs(v.Y), 100, 1e-4);
  }
  EXPECT_EQ(p.Vertices.GetItem(0).Y, -100);
  EXPECT_NEAR(p.Normals.GetItem(0).Z, 1, 1e-5);  // facing the viewer
  std::vector<std::string> lines;
  List->ListResources(lines);
  EXPECT_EQ(lines, std::vector<std::string>{"clock_3dm RCData clock.3dm"});
}

TEST_F(SceneMeshes, TranslucentMaterialsAndAlphaTexturesGoToTheBlendedPass) {
  struct TCase {
    const char* What;
    std::string Material;
    bool Blended;
    TTextureFormat Format;  // of the texture made, when one is
    const char* TextureName;
  } cases[] = {
      {"opaque, plain texture", Material("M", 100, "Kirpic1.jpg"), false, tfTexture, "Kirpic1.jpg"},
      {"Opacity 99: colour-keyed sprite texture", Material("M", 99, "Kirpic2.jpg"), true, tfSprite, "Kirpic2.jpg"},
      {"opacity map", Material("M", 100, "kamni.jpg", "ClockA.bmp"), true, tfAlpha, "ClockA.bmp"},
      {"Opacity 50 without maps", Material("M", 50), true, tfTexture, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    NewScene();
    TQuad quad;
    quad.Materials = c.Material;
    Build(quad.Text());
    ASSERT_TRUE(Mesh->Loaded);
    EXPECT_EQ(Mesh->TransparentGroups.Count(), c.Blended ? 1 : 0);
    EXPECT_EQ(Mesh->OpaqueGroups.Count(), c.Blended ? 0 : 1);
    EXPECT_EQ(Mesh->Alpha, c.Blended);
    EXPECT_EQ(List->Alpha, c.Blended);
    const TMeshGroup& g = *(c.Blended ? Mesh->TransparentGroups : Mesh->OpaqueGroups).Get(0);
    if (!c.TextureName) {
      EXPECT_EQ(g.Texture, nullptr);
      EXPECT_EQ(Textures->GetCount(), 0);
      continue;
    }
    ASSERT_NE(g.Texture, nullptr);
    EXPECT_EQ(g.Texture, Textures->FindTexture(c.TextureName));
    EXPECT_EQ(g.Texture->Format, c.Format);
    EXPECT_FALSE(IsTranslucent(g.GroupMaterial));
  }
  // The list's Alpha stays once one mesh of it has blended groups.
  TSceneMesh* other = NewMesh<TSceneMesh>("Other");
  TQuad opaque;
  opaque.Materials = Material("N", 100);
  opaque.Name = "N";
  Build(opaque.Text(), other);
  EXPECT_EQ(other->OpaqueGroups.Count(), 1);
  EXPECT_TRUE(List->Alpha);
}

TEST_F(SceneMeshes, FramesLoopAtTheirRateAndBlendTheLastIntoTheFirst) {
  TQuad quad;
  quad.Extra = "#Animation 2\nLength 8\nLoop false\n#AnimMesh 0\n";
  for (int f = 0; f < 8; ++f) {
    quad.Extra += "Frame " + std::to_string(f) + "\n";
    // Frame f lifts the quad to height f.
    for (const char* xy : {"0,0", "1,0", "1,1", "0,1"})
      quad.Extra += "[" + std::string(xy) + "," + std::to_string(f) + "]\n";
  }
  Build(quad.Text());
  ASSERT_EQ(Mesh->FrameCount(), 8);
  const TMeshGroup& g = *Mesh->OpaqueGroups.Get(0);
  ASSERT_EQ(g.NormalFrames.Count(), 8);
  EXPECT_EQ(g.Primitive->Vertices.GetItem(0), MakeVector(0, 0, 0));  // left at frame 0
  struct TStep {
    int Steps;
    float Time;
    float Height;  // of the first corner
  } steps[] = {{1, 0.6f, 0.6f}, {10, 6.6f, 6.6f}, {1, 7.2f, 5.6f}, {1, 7.8f, 1.4f}, {1, 0.4f, 0.4f}};
  for (const auto& s : steps) {
    for (int i = 0; i < s.Steps; ++i) Mesh->Animate(0.1f);
    EXPECT_NEAR(Mesh->Time, s.Time, 1e-4);
    // 7.2: 0.2 of the way from height 7 down to frame 0's height 0.
    EXPECT_NEAR(g.Primitive->Vertices.GetItem(0).Z, s.Height, 1e-4) << s.Time;
  }
  EXPECT_EQ(g.Primitive->Normals.Count, 4);
}

TEST_F(SceneMeshes, ADeclaredMaterialKeepsItsColours) {
  auto* declared = new TSceneMaterial();
  declared->Name = "M";
  Materials->AddItem(declared);
  declared->NewGroup()->GLMaterial->SetDiffuse(MakeColor(1, 0, 0, 1));
  declared->NewGroup()->GLMaterial->SetDiffuse(MakeColor(0, 0, 1, 0.5f));
  TQuad quad;
  quad.Ids = {"2", "1"};
  Build(quad.Text());
  EXPECT_EQ(Materials->GetCount(), 1);
  ASSERT_EQ(declared->GroupCount(), 2);  // nothing appended from the model's green
  ASSERT_EQ(Mesh->OpaqueGroups.Count(), 1);
  ASSERT_EQ(Mesh->TransparentGroups.Count(), 1);
  EXPECT_EQ(Mesh->OpaqueGroups.Get(0)->GroupMaterial, declared->GetGroup(0));
  EXPECT_EQ(Mesh->TransparentGroups.Get(0)->GroupMaterial, declared->GetGroup(1));
  EXPECT_EQ(declared->GetGroup(0)->GLMaterial->Diffuse, MakeColor(1, 0, 0, 1));
  // Drawn: the red reaches GL.
  Mesh->RenderOpaque();
  std::vector<float> diffuse(4);
  gl::glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse.data());
  EXPECT_EQ(diffuse, (std::vector<float>{1, 0, 0, 1}));
}

TEST_F(SceneMeshes, BadModelsEndWithAClearErrorAndBuildAgainLater) {
  const std::string object = "model.3dm, object \"Quad\": ";
  struct TCase {
    const char* What;
    std::function<void(TQuad&)> Change;
    std::string Message;
  } cases[] = {
      {"face ID above 1000", [](TQuad& q) { q.Ids = {"1", "1001"}; }, "T3DMMeshLoader.AddMesh: FaceID>1000"},
      {"face ID 0", [](TQuad& q) { q.Ids = {"0", "1"}; },
       "T3DMMeshLoader.AddMesh error: " + object + "face 1 has material ID 0 (IDs start at 1)"},
      {"a vertex that does not exist", [](TQuad& q) { q.Faces = {"[1,2,3]", "[1,3,9]"}; },
       "T3DMMeshLoader.AddMesh error: " + object + "face 2 names vertex 9 of 4"},
      {"vertex 0", [](TQuad& q) { q.Faces = {"[0,2,3]", "[1,3,4]"}; },
       "T3DMMeshLoader.AddMesh error: " + object + "face 1 names vertex 0 of 4"},
      {"a texture coordinate that does not exist", [](TQuad& q) { q.TexFaces = {"[1,2,3]", "[1,3,6]"}; },
       "T3DMMeshLoader.AddMesh error: " + object + "face 2 names texture coordinate 6 of 5"},
      {"fewer material IDs than faces", [](TQuad& q) { q.Ids = {"1"}; },
       "T3DMMeshLoader.AddMesh error: " + object + "fewer face material IDs than faces"},
      {"a frame shorter than the object", [](TQuad& q) { q.Extra = "#Animation 1\nLength 1\n#AnimMesh 0\nFrame 0\n[0,0,0]\n"; },
       "T3DMMeshLoader.AddMesh error: " + object + "frame 0 has fewer vertices than the object"},
      {"an object material the scene cannot find",
       [](TQuad& q) { q.Materials = Material("Other", 100); }, "TSceneMesh.AddGroup error: Material is not assigned!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    TQuad quad;
    c.Change(quad);
    NewScene();
    EXPECT_EQ(MessageOf([&] { Build(quad.Text()); }), c.Message);
    EXPECT_FALSE(Mesh->Loaded);
    EXPECT_EQ(Mesh->OpaqueGroups.Count() + Mesh->TransparentGroups.Count(), 0);
  }
  // A transform with NaN (whatever the reader lets through).
  NewScene();
  T3DMMeshLoader loader;
  loader.File->LoadFromBytes(Bytes(TQuad().Text()));
  loader.File->Object(0)->HasTransform = true;
  loader.File->Object(0)->Transform[1][1] = std::nanf("");
  EXPECT_EQ(MessageOf([&] { loader.BuildMesh("model.3dm", Mesh); }),
            "T3DMMeshLoader.AddMesh error: " + object + "the transform is not finite");
  EXPECT_EQ(Mesh->OpaqueGroups.Count(), 0);
  // A failed build is tried again at the next draw: repaired, it builds.
  TQuad bad;
  bad.Ids = {"1", "1001"};
  EXPECT_EQ(MessageOf([&] { Build(bad.Text()); }), "T3DMMeshLoader.AddMesh: FaceID>1000");
  EXPECT_FALSE(Mesh->Loaded);
  WriteFile(Dir.File("model.3dm"), TQuad().Text());
  Mesh->RenderOpaque();
  EXPECT_TRUE(Mesh->Loaded);
  EXPECT_EQ(Mesh->OpaqueGroups.Count(), 1);
}

TEST_F(SceneMeshes, TheSpriteIsAQuadCutOutOfItsTexture) {
  auto* sprite = NewMesh<TSceneSprite>("Sprite");
  EXPECT_EQ(MessageOf([&] { sprite->RenderOpaque(); }), "TSceneSprite.UpdateSpriteMesh error: Texture=nil!");
  sprite->Texture = Textures->AddTexture("Kirpic1.jpg");
  EXPECT_EQ(MessageOf([&] { sprite->RenderOpaque(); }), "TSceneMesh.AddGroup error: Material is not assigned!");
  EXPECT_FALSE(sprite->MeshBuilt);
  auto* material = new TSceneMaterial();
  material->Name = "Face";
  Materials->AddItem(material);
  material->NewGroup();
  sprite->Material = material;
  sprite->Width = 64;
  sprite->Height = 32;
  sprite->OriginX = 10;
  sprite->OriginY = 20;
  sprite->Color[0] = 200;
  sprite->RenderOpaque();
  ASSERT_TRUE(sprite->MeshBuilt);
  ASSERT_EQ(sprite->OpaqueGroups.Count(), 1);
  ASSERT_EQ(sprite->Texture->Texture->Width, 256);
  const TGLPrimitive& p = *sprite->OpaqueGroups.Get(0)->Primitive;
  EXPECT_EQ(p.Mode, static_cast<GLenum>(GL_QUADS));
  EXPECT_EQ(Positions(p), (std::vector<TGLVector>{{10, 51, 0}, {10, 20, 0}, {73, 20, 0}, {73, 51, 0}}));
  const float top = 1, bottom = 224.0f / 255, right = 63.0f / 255;
  const TGLTextureCoord expected[] = {{0, top}, {0, bottom}, {right, bottom}, {right, top}};
  ASSERT_EQ(p.TexCoords[0].Count, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(p.TexCoords[0].GetItem(i).S, expected[i].S, 1e-6) << i;
    EXPECT_NEAR(p.TexCoords[0].GetItem(i).T, expected[i].T, 1e-6) << i;
  }
  ASSERT_EQ(p.Colors.Count, 1);
  EXPECT_EQ(p.Colors.GetItem(0), PackRGBA(200, 255, 255, 255));
  EXPECT_NEAR(p.Normals.GetItem(0).Z, 1, 1e-6);
  // A new tint takes effect at the next draw; the quad is not rebuilt.
  sprite->Color[3] = 10;
  sprite->RenderOpaque();
  EXPECT_EQ(sprite->OpaqueGroups.Get(0)->Primitive, &p);
  EXPECT_EQ(p.Colors.Count, 1);
  EXPECT_EQ(p.Colors.GetItem(0), PackRGBA(200, 255, 255, 10));

  // Drawn in a 64-pixel view through an orthographic projection: the quad covers
  // exactly its pixels (the test window is 64 wide, so the quad is cut at x 63).
  PlainDrawing();
  gl::glMatrixMode(GL_PROJECTION);
  gl::glOrtho(0, Size, 0, Size, -1, 1);
  gl::glMatrixMode(GL_MODELVIEW);
  gl::glClearColor(0, 0, 0, 1);
  gl::glClear(GL_COLOR_BUFFER_BIT);
  sprite->Color[3] = 255;
  ForgetSceneTextureAndMaterial();
  sprite->RenderOpaque();
  gl::glDisable(GL_TEXTURE_2D);
  EXPECT_GT(ReadPixel(30, 30)[0] + ReadPixel(30, 30)[1], 0);
  EXPECT_EQ(ReadPixel(5, 30), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(ReadPixel(30, 55), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(ReadPixel(30, 15), (std::vector<int>{0, 0, 0}));
}

}  // namespace
