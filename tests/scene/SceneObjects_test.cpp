#include <gtest/gtest.h>

#include <memory>

#include "gl/OGL.h"
#include "gl/GLTestSupport.h"
#include "platform/SysUtils.h"
#include "scene/RenderCaches.h"
#include "scene/SceneTestClasses.h"

namespace emberhall {
namespace {

using test::SceneCalls;
using test::TRecordingNode;

TRecordingNode* Node(const std::string& Name, TProcessOptions Options = 0) {
  auto* node = new TRecordingNode();
  node->Name = Name;
  node->ProcessOptions = Options;
  return node;
}

// A named resource added to Parent, which owns it.
TResource* AddResource(TMainList& Parent, const std::string& Name) {
  auto* resource = new TResource();
  resource->Name = Name;
  Parent.AddItem(resource);
  return resource;
}

std::vector<std::string> NamesOf(const TMainList& List) {
  std::vector<std::string> names;
  for (int i = 0; i < List.GetCount(); ++i) names.push_back(List.GetItem(i) ? List.GetItem(i)->Name : "-");
  return names;
}

TEST(SceneObjects, NewResourcesAreHiddenAndTheSceneIsNot) {
  TResource resource;
  EXPECT_FALSE(resource.Visible);
  EXPECT_EQ(resource.Path, ".\\");
  EXPECT_EQ(resource.SourceLocation, slFile);
  TMainScene scene;
  EXPECT_TRUE(scene.Visible);
  EXPECT_TRUE(scene.Alpha);
  EXPECT_EQ(scene.Name, "MainScene");
  EXPECT_EQ(scene.MainScene, &scene);
  EXPECT_EQ(scene.RenderList->MainScene, &scene);
}

TEST(SceneObjects, SetTexts) {
  struct {
    TProcessOptions Options;
    const char* Text;
  } forms[] = {{0, ""},
               {poRender, "[Render]"},
               {poAnimation, "[Animation]"},
               {poRender | poAnimation, "[Render,Animation]"},
               {poEvents, "[Events]"},
               {poRender | poEvents, "[Render,Events]"},
               {poAnimation | poEvents, "[Animation,Events]"},
               {poRender | poAnimation | poEvents, "[Render,Animation,Events]"}};
  for (const auto& f : forms) {
    EXPECT_EQ(ProcessOptionsToStr(f.Options), f.Text);
    EXPECT_EQ(StrToProcessOptions(f.Text), f.Options) << f.Text;
  }
  EXPECT_EQ(StrToProcessOptions("Render,Events"), poRender | poEvents);  // no brackets needed
  EXPECT_EQ(StrToProcessOptions("Events; Render"), poRender | poEvents);  // any order or separator
  EXPECT_EQ(StrToProcessOptions("render"), 0);                           // case counts
  EXPECT_EQ(SourceLocationToStr(slFile | slResource), "[File,Resource]");
  EXPECT_EQ(SourceLocationToStr(0), "");
  EXPECT_EQ(StrToSourceLocation("Resource"), slResource);
  EXPECT_EQ(StrToSourceLocation(" "), 0);
}

TEST(SceneObjects, ResourcesDrawTheirChildrenInNameOrder) {
  TResource list;
  list.SetVisible(true);
  for (const char* name : {"b", "a", "C", "_", "B10", "B2"}) list.AddItem(Node(name));
  EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"B10", "B2", "C", "_", "a", "b"}));  // byte order
  SceneCalls().clear();
  list.Render();
  EXPECT_EQ(SceneCalls(),
            (std::vector<std::string>{"B10:opaque", "B2:opaque", "C:opaque", "_:opaque", "a:opaque", "b:opaque"}));
  // An invisible child is skipped, an item with Alpha gets its blended pass.
  list.FindByName("C")->SetVisible(false);
  list.FindByName("a")->Alpha = true;
  SceneCalls().clear();
  list.Render();
  EXPECT_EQ(SceneCalls(), (std::vector<std::string>{"B10:opaque", "B2:opaque", "_:opaque", "a:opaque", "a:blended",
                                                    "b:opaque"}));
  list.SetVisible(false);
  SceneCalls().clear();
  list.Render();
  EXPECT_TRUE(SceneCalls().empty());
}

TEST(SceneObjects, ASecondObjectUnderATakenNameStaysOutOfTheIndex) {
  auto resource = std::make_unique<TResource>();
  TRecordingNode* first = Node("same");
  TRecordingNode* second = Node("same");
  resource->AddItem(first);
  resource->AddItem(second);
  EXPECT_EQ(resource->GetCount(), 1);
  EXPECT_EQ(resource->FindByName("same"), first);
  EXPECT_EQ(second->Owner, resource.get());
  delete second;  // the first keeps its entry
  EXPECT_EQ(resource->FindByName("same"), first);
  resource->AddItem(Node("same"));
  resource.reset();  // frees the first and the newest stray (the sanitizer sees leaks)
}

TEST(SceneObjects, RenamingKeepsTheIndexSortedAndRefusesTakenNames) {
  TResource list;
  TRecordingNode* a = Node("a");
  TRecordingNode* b = Node("b");
  list.AddItem(a);
  list.AddItem(b);
  a->SetName("b");  // taken: nothing changes
  EXPECT_EQ(a->Name, "a");
  EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"a", "b"}));
  a->SetName("c");
  EXPECT_EQ(a->Name, "c");
  EXPECT_EQ(NamesOf(list), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(list.FindByName("c"), a);
  EXPECT_EQ(list.FindByName("a"), nullptr);
  TRecordingNode loose;
  loose.SetName("free");  // no owner: simply stored
  EXPECT_EQ(loose.Name, "free");
}

TEST(SceneObjects, AddingNothingOrANamelessObjectFailsWithItsMessage) {
  TResource list;
  try {
    list.AddItem(nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TMainObjectList.AddItem error: Add NIL Object failed");
  }
  TRecordingNode nameless;
  try {
    list.AddItem(&nameless);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TMainObjectList.AddItem error: Add empty Object.Name failed");
  }
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(nameless.Owner, nullptr);
  TMainScene scene;
  test::TPlainObject plain;
  plain.Name = "plain";
  EXPECT_THROW(scene.AddItem(&plain), EInvalidCast);
  EXPECT_EQ(scene.GetCount(), 0);
}

TEST(SceneObjects, TheSceneSortsChildrenIntoItsProcessLists) {
  TMainScene scene;
  scene.AddItem(Node("quiet"));
  scene.AddItem(Node("drawn", poRender));
  scene.AddItem(Node("all", poRender | poAnimation | poEvents));
  scene.AddWithOptions(Node("moving"), poAnimation);
  EXPECT_EQ(scene.Objects.size(), 4u);
  EXPECT_EQ(scene.GetItem(0)->Name, "quiet");  // order of addition
  EXPECT_EQ(static_cast<TMainSceneObject*>(scene.GetItem(3))->SceneIndex, 3);
  EXPECT_EQ(NamesOf(*scene.RenderList), (std::vector<std::string>{"drawn", "all"}));
  EXPECT_EQ(NamesOf(*scene.AnimationList), (std::vector<std::string>{"all", "moving"}));
  EXPECT_EQ(NamesOf(*scene.EventList), (std::vector<std::string>{"all"}));
  SceneCalls().clear();
  scene.Process(0.04f);
  EXPECT_EQ(SceneCalls(), (std::vector<std::string>{"all:events", "all:animate", "moving:animate", "drawn:opaque",
                                                    "all:opaque"}));
  scene.FindByName("moving")->SetVisible(false);  // animation goes on for hidden nodes
  scene.FindByName("all")->SetVisible(false);     // drawing does not
  SceneCalls().clear();
  scene.Process(0.04f);
  EXPECT_EQ(SceneCalls(), (std::vector<std::string>{"all:events", "all:animate", "moving:animate", "drawn:opaque"}));
}

TEST(SceneObjects, ADestroyedNodeLeavesEveryListItWasIn) {
  TMainScene scene;
  TResource* inner = AddResource(scene, "inner");
  TRecordingNode* child = Node("child");
  inner->AddItem(child);
  TRecordingNode* drawn = Node("drawn", poRender | poEvents);
  scene.AddItem(drawn);
  scene.AddItem(Node("last", poRender));
  delete child;
  EXPECT_EQ(inner->GetCount(), 0);
  delete drawn;
  EXPECT_EQ(scene.FindByName("drawn"), nullptr);
  EXPECT_EQ(NamesOf(*scene.RenderList), (std::vector<std::string>{"last"}));
  EXPECT_EQ(scene.EventList->GetCount(), 0);
  EXPECT_EQ(scene.Objects[1], nullptr);  // an empty slot
  EXPECT_EQ(scene.Children().size(), 2u);
  scene.FreeLast(1);  // the newest registered child
  EXPECT_EQ(scene.FindByName("last"), nullptr);
  EXPECT_EQ(scene.RenderList->GetCount(), 0);
  EXPECT_EQ(scene.FindByName("inner"), inner);
  scene.FreeAll();
  EXPECT_EQ(scene.GetCount(), 0);
  EXPECT_TRUE(scene.Objects.empty());
}

TEST(SceneObjects, ItemListsReferWithoutOwning) {
  TRecordingNode node;
  node.Name = "n";
  {
    TMainItemList list;
    list.AddItem(&node);
    list.AddItem(&node);  // duplicates allowed
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(node.Owner, nullptr);
    list.RemoveItem(&node);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_THROW(list.GetItem(1), EListError);
  }
  EXPECT_EQ(node.Name, "n");  // still alive after the list went
}

TEST(SceneObjects, CapacityIsCapped) {
  TResource list;
  list.SetCapacity(2000000000);
  EXPECT_LE(list.GetCapacity(), TMainList::MaxCapacity + 16);
  list.SetCapacity(-5);
  EXPECT_GE(list.GetCapacity(), 0);
}

TEST(SceneObjects, ReferencesAsText) {
  TMainScene scene;
  TResource* textures = AddResource(scene, "Textures");
  TRecordingNode* flame = Node("FLAME.jpg");
  textures->AddItem(flame);
  TRecordingNode* light = Node("Light");
  scene.AddItem(light);
  struct {
    const char* Path;
    TMainObject* Expected;
  } paths[] = {{"Textures/FLAME.jpg", flame},
               {"Textures/", textures},
               {"Textures", textures},
               {"Light", light},
               {"", nullptr},
               {"Missing/FLAME.jpg", nullptr},
               {"Textures/flame.jpg", nullptr},  // names are case-sensitive
               {"Textures//FLAME.jpg", nullptr},
               {"/Textures", nullptr}};
  for (const auto& p : paths) EXPECT_EQ(scene.FindByPath(p.Path), p.Expected) << p.Path;
  EXPECT_THROW(scene.FindByPath("Light/x"), EInvalidCast);  // Light is no name list
  EXPECT_EQ(RefferenceToStr(&scene, flame), "Textures/FLAME.jpg");
  EXPECT_EQ(RefferenceToStr(&scene, light), "Light");
  EXPECT_EQ(RefferenceToStr(&scene, nullptr), "");
  TRecordingNode loose;
  loose.Name = "loose";
  try {
    RefferenceToStr(&scene, &loose);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "RefferenceToStr error: Owner is NIL!");
  }
  scene.SetObjectVisible("Textures/FLAME.jpg", false);
  EXPECT_FALSE(flame->Visible);
  scene.SetObjectVisible("Nowhere", false);  // nothing happens
}

TEST(SceneObjects, TheRegistryCreatesByTypeNameWithoutRegardToCase) {
  test::RegisterTestSceneClasses();
  std::unique_ptr<TMainObject> list(CreateObjectByType("tresource", "Things"));
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list->ClassName(), "TResource");
  EXPECT_EQ(list->Name, "Things");
  EXPECT_EQ(CreateObjectByType("TMainItem", "x"), nullptr);  // not registered
  EXPECT_EQ(CreateObjectByType("TMainList", "x"), nullptr);
  // A second registration of a name is ignored.
  RegisterSceneClass("TRESOURCE", [] { return static_cast<TMainObject*>(new TMainObjectList()); });
  std::unique_ptr<TMainObject> again(CreateObjectByType("TResource", "x"));
  EXPECT_STREQ(again->ClassName(), "TResource");
}

// --- the render-state caches ---

struct TFakeTexture : ISceneTexture {
  void BindTexture() override { test::RecordedCalls().push_back("bind"); }
};
struct TFakeMaterial : ISceneMaterial {
  void ApplyMaterial() override { test::RecordedCalls().push_back("material"); }
};

void RecordEnable(GLenum Cap) { test::RecordedCalls().push_back("glEnable " + IntToStr(Cap)); }
void RecordDisable(GLenum Cap) { test::RecordedCalls().push_back("glDisable " + IntToStr(Cap)); }
void RecordBlendFunc(GLenum S, GLenum D) {
  test::RecordedCalls().push_back("glBlendFunc " + IntToStr(S) + " " + IntToStr(D));
}
void RecordAlphaFunc(GLenum F, GLclampf R) {
  test::RecordedCalls().push_back("glAlphaFunc " + IntToStr(F) + " " + FloatToStr(R));
}

TEST(RenderCaches, SendOnlyWhatChanges) {
  test::TScopedEntry e1(glEnable, &RecordEnable);
  test::TScopedEntry e2(glDisable, &RecordDisable);
  test::TScopedEntry e3(glBlendFunc, &RecordBlendFunc);
  test::TScopedEntry e4(glAlphaFunc, &RecordAlphaFunc);
  ResetRenderCaches();
  test::RecordedCalls().clear();
  const std::string enable = "glEnable ", disable = "glDisable ";
  SetBlending(true);
  SetBlending(true);  // a blended node after a blended node: nothing
  SetBlending(false);
  SetBlending(false);
  EXPECT_EQ(test::RecordedCalls(),
            (std::vector<std::string>{enable + IntToStr(GL_ALPHA_TEST), enable + IntToStr(GL_BLEND),
                                      "glBlendFunc " + IntToStr(GL_SRC_ALPHA) + " " + IntToStr(GL_ONE_MINUS_SRC_ALPHA),
                                      "glAlphaFunc " + IntToStr(GL_GREATER) + " 0.05",
                                      disable + IntToStr(GL_ALPHA_TEST), disable + IntToStr(GL_BLEND)}));
  TFakeTexture t1, t2;
  test::RecordedCalls().clear();
  BindSceneTexture(&t1);
  BindSceneTexture(&t1);  // bound twice in a row: once
  BindSceneTexture(&t2);  // texturing is on already
  BindSceneTexture(nullptr);
  BindSceneTexture(nullptr);
  EXPECT_EQ(test::RecordedCalls(), (std::vector<std::string>{enable + IntToStr(GL_TEXTURE_2D), "bind", "bind",
                                                             disable + IntToStr(GL_TEXTURE_2D)}));
  TFakeMaterial m;
  test::RecordedCalls().clear();
  UseGroupMaterial(&m);
  UseGroupMaterial(&m);
  UseGroupMaterial(nullptr);  // no GL call
  UseGroupMaterial(&m);
  EXPECT_EQ(test::RecordedCalls(), (std::vector<std::string>{"material", "material"}));
  // A frame starts by forgetting texture and material, but not blending.
  BindSceneTexture(&t1);
  SetBlending(true);
  test::RecordedCalls().clear();
  TMainScene scene;
  scene.Render();
  BindSceneTexture(&t1);
  UseGroupMaterial(&m);
  SetBlending(true);
  EXPECT_EQ(test::RecordedCalls(), (std::vector<std::string>{enable + IntToStr(GL_TEXTURE_2D), "bind", "material"}));
  ResetRenderCaches();
}

}  // namespace
}  // namespace emberhall
