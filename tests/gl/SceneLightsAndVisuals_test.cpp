// Lights, placement nodes, layers and the sprite list on a real Mesa context.
#include "gl/GLLights.h"
#include "gl/GLTestSupport.h"
#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneLights.h"
#include "scene/SceneTestClasses.h"
#include "scene/SceneVisuals.h"

using namespace emberhall;
using namespace emberhall::test;

namespace gl = emberhall;  // the resolved entry points

namespace {

std::vector<std::string> calls;
decltype(gl::glTranslatef) realTranslatef;
decltype(gl::glRotatef) realRotatef;
void GLAPIENTRY RecTranslatef(GLfloat x, GLfloat y, GLfloat z) {
  calls.push_back("move " + std::to_string(static_cast<int>(x)) + " " + std::to_string(static_cast<int>(y)) + " " +
                  std::to_string(static_cast<int>(z)));
  realTranslatef(x, y, z);
}
void GLAPIENTRY RecRotatef(GLfloat a, GLfloat x, GLfloat y, GLfloat z) {
  calls.push_back("turn " + std::to_string(static_cast<int>(a)) + (x ? " x" : y ? " y" : z ? " z" : ""));
  realRotatef(a, x, y, z);
}

// Records the transform calls for the scope.
struct TRecordTransforms {
  static bool Save() {
    calls.clear();
    realTranslatef = gl::glTranslatef;
    realRotatef = gl::glRotatef;
    return true;
  }
  bool saved = Save();  // before the entries are replaced below
  TScopedEntry<decltype(gl::glTranslatef)> t{gl::glTranslatef, RecTranslatef};
  TScopedEntry<decltype(gl::glRotatef)> r{gl::glRotatef, RecRotatef};
};

class SceneNodes : public TGLContextTest {
 protected:
  void SetUp() override {
    TGLContextTest::SetUp();
    if (IsSkipped()) return;
    RegisterTestSceneClasses();
    scene.OpenGL = OpenGL.get();
    SceneCalls().clear();
  }
  void TearDown() override {
    scene.FreeAll();
    TGLContextTest::TearDown();
  }
  // The object that the description's one section describes, added to the scene.
  template <class T>
  T* Load(const std::string& name, const std::string& keys) {
    const std::string text = "[" + name + "]\nType=" + T().ClassName() + "\n" + keys;
    TResourceLoader loader;
    loader.MainScene = &scene;
    loader.OpenBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    loader.Section = name;
    auto* object = new T();
    object->SetName(name);
    scene.AddItem(object);
    object->LoadFromLoader(loader);
    return object;
  }
  static bool On(GLenum cap) { return gl::glIsEnabled(cap) == GL_TRUE; }
  static std::vector<float> Floats(GLenum what, int n) {
    std::vector<float> v(16, -99);
    gl::glGetFloatv(what, v.data());
    v.resize(static_cast<size_t>(n));
    return v;
  }
  TMainScene scene;
};

}  // namespace

TEST(MainLight, StyleTextsBySubstringInOrder) {
  struct Case { const char* text; TLightStyle style; };
  const Case cases[] = {{"ParallelPoint", lsParallelPoint}, {"MyParallelPointLight", lsParallelPoint},
                        {"Parallel", lsParallel},           {"Point", lsPoint},
                        {"Directional", lsDirectional},     {"parallel", lsAmbient},
                        {"", lsAmbient},                    {"Ambient", lsAmbient}};
  for (const Case& c : cases) EXPECT_EQ(LightStyleOfText(c.text), c.style) << c.text;
  for (TLightStyle s : {lsParallel, lsParallelPoint, lsPoint, lsDirectional, lsAmbient})
    EXPECT_EQ(LightStyleOfText(LightStyleText(s)), s);
}

TEST_F(SceneNodes, LightsApplyTheirKeysOverThePresetEveryFrame) {
  // No "LightStyle": an Ambient light only sets the global ambient colour.
  auto* ambient = Load<TMainLight>("Room", "Ambient=0.25,0.5,0.75,1\n");
  EXPECT_EQ(ambient->LightStyle, lsAmbient);
  ambient->Render();
  EXPECT_EQ(Floats(GL_LIGHT_MODEL_AMBIENT, 3), (std::vector<float>{0.25f, 0.5f, 0.75f}));
  EXPECT_FALSE(On(GL_LIGHT0 + static_cast<GLenum>(ambient->GLLight->Index)));

  auto* point = Load<TMainLight>("Fire", "LightStyle=Point\nPosition=1,2,3\nDiffuse=1,0.5,0,1\nLinearAttenuation=0.5\n");
  ASSERT_EQ(point->LightStyle, lsPoint);
  const GLenum light = GL_LIGHT0 + static_cast<GLenum>(point->GLLight->Index);
  EXPECT_NE(point->GLLight->Index, ambient->GLLight->Index);
  EXPECT_FALSE(point->GLLight->Infinite);  // the Point preset
  EXPECT_EQ(point->GLLight->SpotCutoff, 180.0f);
  gl::glMatrixMode(GL_MODELVIEW);
  gl::glLoadIdentity();
  point->Visible = false;  // a hidden light still applies
  point->Render();
  EXPECT_TRUE(On(light));
  std::vector<float> v(4);
  gl::glGetLightfv(light, GL_POSITION, v.data());
  EXPECT_EQ(v, (std::vector<float>{1, 2, 3, 1}));
  gl::glGetLightfv(light, GL_DIFFUSE, v.data());
  EXPECT_EQ(v, (std::vector<float>{1, 0.5f, 0, 1}));
  // Every parameter is sent again each frame, in the coordinate system of the moment.
  const GLfloat wrong[4] = {9, 9, 9, 9};
  gl::glLightfv(light, GL_DIFFUSE, wrong);
  gl::glTranslatef(10, 0, 0);
  point->Render();
  gl::glGetLightfv(light, GL_DIFFUSE, v.data());
  EXPECT_EQ(v, (std::vector<float>{1, 0.5f, 0, 1}));
  gl::glGetLightfv(light, GL_POSITION, v.data());
  EXPECT_EQ(v, (std::vector<float>{11, 2, 3, 1}));
  // "Enabled" 0 switches it off every frame.
  point->Enabled = false;
  gl::glEnable(light);
  point->Render();
  EXPECT_FALSE(On(light));
  // A style change makes a fresh light with the new preset under the same number.
  const int32_t index = point->GLLight->Index;
  point->SetLightStyle(lsParallel);
  EXPECT_TRUE(point->GLLight->Infinite);
  EXPECT_EQ(point->GLLight->Index, index);
  // Written always, read back the same.
  TResourceLoader writer;
  writer.MainScene = &scene;
  writer.NewDocument();
  writer.Section = "Fire";
  point->SaveToLoader(writer);
  std::string text;
  for (const std::string& line : writer.Ini()->Lines()) text += line + "\n";
  for (const char* key : {"LightStyle=Parallel\n", "Enabled=0\n", "Infinite=1\n", "LinearAttenuation=0\n",
                          "TwoSide=0\n", "LocalViewer=0\n"})
    EXPECT_NE(text.find(key), std::string::npos) << key << " in\n" << text;
  TMainLight orphan;
  EXPECT_THROW(orphan.CreateGLLight(), Exception);
}

TEST_F(SceneNodes, VisualObjectsPlaceTheirVisual) {
  auto* mesh = Load<TRecordingNode>("Mesh", "");
  auto* placed = Load<TMainVisualObject>("Placed", "Position=1,2,3\nAngles=30,45,60\nVisual=Mesh\n");
  EXPECT_EQ(placed->VisualOptions, voPosition | voRotation);  // an absent key: position and rotation
  EXPECT_EQ(placed->Visual, mesh);
  {
    TRecordTransforms record;
    placed->RenderOpaque();
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"move 1 2 3", "turn 45 y", "turn 30 x", "turn 60 z"}));
  EXPECT_EQ(SceneCalls(), std::vector<std::string>{"Mesh:opaque"});
  // Reached from the render list the transform applies twice, nested.
  {
    TRecordTransforms record;
    placed->Render();
  }
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "move 1 2 3"), 2);
  // No options: no matrix work at all, the visual drawn where it stands.
  auto* plain = Load<TMainVisualObject>("Plain", "VisualOptions=[]\nVisual=Mesh\nPosition=5,5,5\n");
  GLint depth = 0, after = 0;
  gl::glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  {
    TRecordTransforms record;
    plain->RenderOpaque();
  }
  gl::glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(after, depth);
  EXPECT_EQ(VisualOptionsToStr(voPosition | voScale), "[Position,Scale]");
  EXPECT_EQ(VisualOptionsToStr(0), "[]");
  EXPECT_EQ(StrToVisualOptions("[scale]"), 0);  // case-sensitive
}

TEST_F(SceneNodes, AVisualListDrawsItsVisualAtEveryChildInNameOrder) {
  auto* mesh = Load<TRecordingNode>("Mesh", "");
  auto* list = Load<TMainVisualObjectList>("Logs", "Visual=Mesh\n");
  for (auto [name, x] : {std::pair{"c", 3}, {"a", 1}, {"b", 2}}) {
    auto* child = new TMainVisualObject();
    child->SetName(name);
    child->Position = {static_cast<float>(x), 0, 0};
    child->VisualOptions = voPosition;
    child->Visible = name[0] != 'b';  // hidden children place it all the same
    list->AddItem(child);
  }
  {
    TRecordTransforms record;
    list->Render();
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"move 1 0 0", "move 2 0 0", "move 3 0 0"}));
  EXPECT_EQ(SceneCalls(), (std::vector<std::string>{"Mesh:opaque", "Mesh:opaque", "Mesh:opaque"}));
  mesh->Alpha = true;  // now its blended pass runs too
  SceneCalls().clear();
  list->Render();
  EXPECT_EQ(std::count(SceneCalls().begin(), SceneCalls().end(), "Mesh:blended"), 3);
}

TEST_F(SceneNodes, LayersDrawOpaqueFirstAndSpriteListsRestoreTheirState) {
  auto* sprites = Load<TMainSpriteList>("Sprites", "ViewWidth=640\nViewHeight=480\nPosition=10,20,0\n");
  for (const char* name : {"b", "a"}) {
    auto* node = new TRecordingNode();
    node->SetName(name);
    sprites->AddItem(node);
  }
  sprites->Alpha = true;
  gl::glMatrixMode(GL_PROJECTION);
  gl::glLoadIdentity();
  gl::glMatrixMode(GL_MODELVIEW);
  gl::glLoadIdentity();
  gl::glEnable(GL_LIGHTING);
  const std::vector<float> projection = Floats(GL_PROJECTION_MATRIX, 16), modelview = Floats(GL_MODELVIEW_MATRIX, 16);
  sprites->Render();
  EXPECT_EQ(SceneCalls(), (std::vector<std::string>{"a:opaque", "b:opaque", "a:blended", "b:blended"}));
  EXPECT_EQ(Floats(GL_PROJECTION_MATRIX, 16), projection);
  EXPECT_EQ(Floats(GL_MODELVIEW_MATRIX, 16), modelview);
  GLint mode = 0;
  gl::glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
  EXPECT_TRUE(On(GL_DEPTH_TEST));
  EXPECT_TRUE(On(GL_CULL_FACE));
  EXPECT_FALSE(On(GL_LIGHTING));  // left as the list sets it
  // Invisible: the state work happens, nothing is drawn.
  sprites->Visible = false;
  sprites->Lighting = true;
  SceneCalls().clear();
  sprites->Render();
  EXPECT_TRUE(SceneCalls().empty());
  EXPECT_TRUE(On(GL_LIGHTING));
}
