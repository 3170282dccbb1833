#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "platform/SysUtils.h"
#include "scene/ResourceLoader.h"
#include "scene/SceneTestClasses.h"
#include "scene/SceneTextures.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

// A stand-in for the light class, so that the loader's own rules can be
// tested with the type names descriptions use.
class TStandInLight : public TMainSceneObject {
 public:
  // The real light needs an OpenGL context; this one takes its keys only.
  const char* ClassName() const override { return "TStandInLight"; }
  void LoadFromLoader(TResourceLoader& L) override {
    TMainSceneObject::LoadFromLoader(L);
    Style = L.ReadString("LightStyle", Style);
    Position = L.ReadVector("Position", Position);
  }
  void SaveToLoader(TResourceLoader& L) override {
    TMainSceneObject::SaveToLoader(L);
    L.WriteString("LightStyle", Style);
    L.WriteVector("Position", Position);
  }
  std::string Style;
  TGLVector Position;
};

class ResourceLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::RegisterTestSceneClasses();
    RegisterSceneClassOf<TStandInLight>();
    test::SceneCalls().clear();
  }
  // Loads the description text as the scene's file source.
  void Load(TMainScene& Scene, const std::string& Text, const std::string& File = "scene.gsc") {
    test::WriteFile(dir.File(File), Text);
    Scene.Path = dir.Path() + "/";
    Scene.SourceName = File;
    Scene.SourceLocation = slFile;
    Scene.LoadSource();
  }
  std::string LoadError(TMainScene& Scene, const std::string& Text) {
    try {
      Load(Scene, Text);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }
  // A loader reading Text, its section set to Section.
  std::unique_ptr<TResourceLoader> Reader(const std::string& Text, const std::string& Section = "S") {
    auto loader = std::make_unique<TResourceLoader>();
    loader->OpenBytes({reinterpret_cast<const uint8_t*>(Text.data()), Text.size()});
    loader->Section = Section;
    return loader;
  }

  test::TTempDir dir;
};

// The tree below Obj as indented "Type Name" lines with the keys the nodes hold.
std::string Dump(TMainObject* Obj, int Depth = 0) {
  std::string text(static_cast<size_t>(Depth) * 2, ' ');
  text += std::string(Obj->ClassName()) + " " + Obj->Name;
  if (!Obj->Visible) text += " hidden";
  if (Obj->Alpha) text += " alpha";
  if (auto* s = dynamic_cast<TMainSceneObject*>(Obj)) text += " " + ProcessOptionsToStr(s->ProcessOptions);
  if (auto* r = dynamic_cast<test::TReferringNode*>(Obj))
    text += " ->" + (r->Target ? r->Target->Name : std::string("none")) + " '" + r->Note + "'";
  if (auto* t = dynamic_cast<TSceneTexture*>(Obj)) text += " " + t->TextureName;
  text += "\n";
  if (auto* scene = dynamic_cast<TMainScene*>(Obj)) {
    for (TMainObject* child : scene->Children()) text += Dump(child, Depth + 1);
  } else if (auto* list = dynamic_cast<TMainList*>(Obj)) {
    for (int i = 0; i < list->GetCount(); ++i) text += Dump(list->GetItem(i), Depth + 1);
  }
  return text;
}

TEST_F(ResourceLoaderTest, IniReadingRules) {
  const std::string text =
      "Key=before any section\r\n"
      "  [ First ]  \r\n"
      "  Key  =  value with = inside  \n"
      "key=second of the name\r"
      "; Comment=no\n"
      "Bare line\n"
      "Empty=\n"
      "[first]\n"
      "Key=second section of the name\n"
      "[Other]\n"
      "\x01\x02" "Ctrl=trimmed\x1f\n"
      "Last=no line break";
  TIniDocument ini(SplitSourceLines({reinterpret_cast<const uint8_t*>(text.data()), text.size()}));
  struct {
    const char* Section;
    const char* Key;
    std::optional<std::string> Value;
  } cases[] = {
      {"First", "Key", "value with = inside"},
      {"FIRST", "KEY", "value with = inside"},  // names without regard to case; the first key wins
      {"First", "; Comment", std::nullopt},
      {"First", "Bare line", std::nullopt},     // a key without value
      {"First", "Empty", ""},
      {"Other", "Ctrl", "trimmed"},
      {"Other", "Last", "no line break"},
      {"Nowhere", "Key", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ini.Value(c.Section, c.Key), c.Value) << c.Section << "/" << c.Key;
  EXPECT_EQ(ini.SectionCount(), 3u);
  // The text ends at a byte 0.
  const std::string cut("[A]\nk=1\n\0[B]\nk=2\n", 18);
  TIniDocument shortened(SplitSourceLines({reinterpret_cast<const uint8_t*>(cut.data()), cut.size()}));
  EXPECT_TRUE(shortened.HasSection("A"));
  EXPECT_FALSE(shortened.HasSection("B"));
}

TEST_F(ResourceLoaderTest, WritingKeepsTheOrderOfCreationWithCrLf) {
  {
    TResourceLoader writer;
    writer.FileName = dir.File("out.gsc");
    writer.NewDocument();
    writer.Section = "B";
    writer.WriteString("one", "1");
    writer.WriteString("two", "2");
    writer.Section = "A";
    writer.WriteBool("flag", true);
    writer.Section = "B";
    writer.WriteString("ONE", "replaced");  // in place
    writer.WriteFloat("f", 0.00005f);
  }  // destruction closes, which writes
  EXPECT_EQ(test::ReadFile(dir.File("out.gsc")), "[B]\r\none=replaced\r\ntwo=2\r\nf=5E-5\r\n\r\n[A]\r\nflag=1\r\n\r\n");
}

TEST_F(ResourceLoaderTest, ScrambledLinesAreComplementedAndReadPlainGiveNothing) {
  std::vector<std::string> lines = {"[MainScene]", "Count=1", "", "\xff\x01"};
  std::vector<std::string> inverted = lines;
  InvertLines(inverted);
  EXPECT_EQ(inverted[0][0], static_cast<char>(255 - '['));
  EXPECT_EQ(inverted[3], std::string("\x00\xfe", 2));
  InvertLines(inverted);
  EXPECT_EQ(inverted, lines);

  const std::string plain = "[MainScene]\r\nCount=1\r\n[MainScene1]\r\nType=TResource\r\nName=Group\r\n";
  std::vector<std::string> scrambledLines = SplitSourceLines({reinterpret_cast<const uint8_t*>(plain.data()), plain.size()});
  InvertLines(scrambledLines);
  std::string scrambled;
  for (const std::string& l : scrambledLines) scrambled += l + "\r\n";
  TMainScene read;
  read.Scrambled = true;
  Load(read, scrambled);
  EXPECT_NE(read.FindByName("Group"), nullptr);
  TMainScene plainRead;
  Load(plainRead, scrambled);
  EXPECT_EQ(plainRead.GetCount(), 0);
  EXPECT_TRUE(plainRead.Visible);  // defaults kept
}

TEST_F(ResourceLoaderTest, ValueForms) {
  auto r = Reader(
      "[S]\nB1=1\nB0=0\nBHex=0x10\nBDollar=$0\nBWord=yes\nI=-42\nIHex=0X1f\nIDollar=$FF\nIBad=12abc\n"
      "F=2.5\nFExp=-1.5e2\nFComma=2,5\nEmpty=\nS=text with  blanks\nC=0.5,0.25\nCB=1 2 3\nV=1,2\nCBad=1,x\n");
  struct {
    const char* Key;
    int32_t Integer;  // ReadInteger with default 7
    bool Bool;        // ReadBool with default true
  } ints[] = {{"B1", 1, true},    {"B0", 0, false},    {"BHex", 16, true}, {"BDollar", 0, false},
              {"BWord", 7, true}, {"I", -42, true},    {"IHex", 31, true}, {"IDollar", 255, true},
              {"IBad", 7, true},  {"Missing", 7, true}, {"Empty", 7, true}};
  for (const auto& c : ints) {
    EXPECT_EQ(r->ReadInteger(c.Key, 7), c.Integer) << c.Key;
    EXPECT_EQ(r->ReadBool(c.Key, true), c.Bool) << c.Key;
  }
  EXPECT_FLOAT_EQ(r->ReadFloat("F", 0), 2.5f);
  EXPECT_FLOAT_EQ(r->ReadFloat("FExp", 0), -150.0f);
  EXPECT_FLOAT_EQ(r->ReadFloat("FComma", 9), 9.0f);  // "." only
  EXPECT_EQ(r->ReadString("Empty", "default"), " ");
  EXPECT_EQ(r->ReadString("Missing", "default"), "default");
  EXPECT_EQ(r->ReadString("S", ""), "text with  blanks");
  EXPECT_EQ(r->ReadColor("C", {}), MakeColor(0.5f, 0.25f, 1, 1));  // missing components are 1
  EXPECT_EQ(r->ReadColor("Missing", MakeColor(1, 2, 3, 4)), MakeColor(1, 2, 3, 4));
  EXPECT_EQ(r->ReadColor("Empty", {}), MakeColor(1, 1, 1, 1));  // " " is a text with no numbers
  EXPECT_EQ(r->ReadColorBytes("CB", 0), PackRGBA(1, 2, 3, 255));
  EXPECT_EQ(r->ReadVector("V", MakeVector(9, 9, 9)), MakeVector(1, 2, 0));
  EXPECT_THROW(r->ReadColor("CBad", {}), EConvertError);
  EXPECT_THROW(r->ReadVector("CBad", {}), EConvertError);
  EXPECT_EQ(r->ReadPath("S", "base/", ""), "base/text with  blanks");
  EXPECT_EQ(r->ReadPath("Missing", "base/", ""), "");
}

TEST_F(ResourceLoaderTest, PathsAndResourceNames) {
  struct {
    const char* Base;
    const char* File;
    const char* Combined;
    const char* Resource;
  } cases[] = {
      {".\\", "fireplace.gsc", ".\\fireplace.gsc", "fireplace_gsc"},
      {"/opt/x/Scenes/", "kamin01.3dm", "/opt/x/Scenes/kamin01.3dm", "kamin01_3dm"},
      {"base", "file", "basefile", "basefile"},  // no separator is inserted
      {"/base/", "sub\\a.b.c", "sub\\a.b.c", "a_b.c"},
      {"/base/", "sub/a.jpg", "sub/a.jpg", "a_jpg"},
      {"/base/", "C:name.bmp", "C:name.bmp", "name_bmp"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CombinePath(c.Base, c.File), c.Combined) << c.File;
    EXPECT_EQ(ResourceNameOf(c.Combined), c.Resource) << c.File;
  }
  TResourceLoader w;
  w.NewDocument();
  w.Section = "S";
  w.WritePath("Same", "/a/b/", "/a/b/c.jpg");
  w.WritePath("Other", "/a/", "/a/b/c.jpg");
  w.WritePath("Bare", "/a/", "c.jpg");
  EXPECT_EQ(w.Ini()->Value("S", "Same"), "c.jpg");
  EXPECT_EQ(w.Ini()->Value("S", "Other"), "/a/b/c.jpg");
  EXPECT_EQ(w.Ini()->Value("S", "Bare"), "c.jpg");
}

TEST_F(ResourceLoaderTest, TheExampleTree) {
  TMainScene scene;
  Load(scene,
       "[MainScene]\nCount=2\n"
       "[MainScene1]\nType=tscenetexturelist\nName=Textures\nCount=1\n"
       "[Textures1]\nType=TSceneTexture\nName=FLAME.jpg\nTextureName=flame.jpg\n"
       "[MainScene2]\nType=TStandInLight\nName=Light\nProcessOptions=[Render]\nLightStyle=Point\nPosition=0,100,0\n");
  auto* textures = dynamic_cast<TSceneTextureList*>(scene.FindByName("Textures"));
  ASSERT_NE(textures, nullptr);  // the type name ignored case
  EXPECT_EQ(scene.FindByName("textures"), nullptr);  // names do not
  EXPECT_EQ(textures->ProcessOptions, 0);
  auto* flame = dynamic_cast<TSceneTexture*>(scene.FindByPath("Textures/FLAME.jpg"));
  ASSERT_NE(flame, nullptr);
  EXPECT_EQ(flame->TextureName, ".\\flame.jpg");  // combined with the list's Path
  EXPECT_EQ(flame->MainScene, &scene);
  EXPECT_EQ(flame->Owner, textures);
  auto* light = dynamic_cast<TStandInLight*>(scene.FindByName("Light"));
  ASSERT_NE(light, nullptr);
  EXPECT_EQ(light->Style, "Point");
  EXPECT_EQ(light->Position, MakeVector(0, 100, 0));
  EXPECT_EQ(scene.RenderList->Items, (std::vector<TMainObject*>{light}));
  EXPECT_EQ(textures->SourceLocation, slFile);  // the scene's
}

TEST_F(ResourceLoaderTest, AWrittenSceneReadsBackAsTheSameTree) {
  TMainScene scene;
  scene.Path = dir.Path() + "/";
  scene.SourceName = "written.gsc";
  auto* group = new TResource();
  group->Name = "Group";
  group->SetVisible(true);
  group->Path = "models\\";
  scene.AddWithOptions(group, poRender);
  for (const char* name : {"zeta", "Alpha", "mid"}) {
    auto* node = new test::TRecordingNode();
    node->Name = name;
    group->AddItem(node);
  }
  group->FindByName("mid")->SetVisible(false);
  group->FindByName("zeta")->Alpha = true;
  auto* inner = new TSceneTextureList();
  inner->Name = "Inner";
  group->AddItem(inner);
  auto* texture = new TSceneTexture();
  texture->Name = "t.jpg";
  texture->TextureName = ".\\t.jpg";  // in the list's folder: written as "t.jpg"
  inner->AddItem(texture);
  auto* referring = new test::TReferringNode();
  referring->Name = "Ref";
  referring->Target = texture;
  referring->Note = "a note = with equals";
  scene.AddWithOptions(referring, poRender | poEvents);
  scene.SaveSource();

  const std::string written = test::ReadFile(dir.File("written.gsc"));
  EXPECT_EQ(written.find('\n'), written.find("\r\n") + 1);  // CR LF
  EXPECT_NE(written.find("Target=Group/Inner/t.jpg"), std::string::npos);
  TMainScene read;
  read.Path = dir.Path() + "/";
  read.SourceName = "written.gsc";
  read.LoadSource();
  EXPECT_EQ(Dump(&read), Dump(&scene));
  EXPECT_EQ(Dump(&read),
            "TMainScene MainScene alpha \n"
            "  TResource Group [Render]\n"
            "    TRecordingNode Alpha \n"
            "    TSceneTextureList Inner hidden \n"
            "      TSceneTexture t.jpg .\\t.jpg\n"
            "    TRecordingNode mid hidden \n"
            "    TRecordingNode zeta alpha \n"
            "  TReferringNode Ref [Render,Events] ->t.jpg 'a note = with equals'\n");
  EXPECT_EQ(static_cast<TResource*>(read.FindByName("Group"))->Path, "models\\");
  EXPECT_EQ(static_cast<test::TReferringNode*>(read.FindByName("Ref"))->Target, read.FindByPath("Group/Inner/t.jpg"));
}

TEST_F(ResourceLoaderTest, ReferencesResolveAgainstWhatIsLoadedSoFar) {
  TMainScene scene;
  Load(scene,
       "[MainScene]\nCount=4\n"
       "[MainScene1]\nType=TReferringNode\nName=Early\nTarget=Late\n"
       "[MainScene2]\nType=TRecordingNode\nName=Late\n"
       "[MainScene3]\nType=TReferringNode\nName=After\nTarget=Late\n"
       "[MainScene4]\nType=TReferringNode\nName=Empty\nTarget=\nNote=\n");
  auto ref = [&](const char* name) { return static_cast<test::TReferringNode*>(scene.FindByName(name)); };
  EXPECT_EQ(ref("Early")->Target, nullptr);  // a forward reference resolves to none
  EXPECT_EQ(ref("After")->Target, scene.FindByName("Late"));
  EXPECT_EQ(ref("Empty")->Target, nullptr);  // an empty value keeps the default
  EXPECT_EQ(ref("Empty")->Note, " ");
}

TEST_F(ResourceLoaderTest, CreateObjectFailsWithItsMessagesAndKeepsWhatWasBuilt) {
  struct {
    const char* Text;
    const char* Error;
    int Built;
  } cases[] = {
      {"[MainScene]\nCount=2\n[MainScene1]\nType=TRecordingNode\nName=a\n",
       "TResourceLoader.CreateObject error: Unknown Object Type! for MainScene2", 1},
      {"[MainScene]\nCount=1\n[MainScene1]\nType=\nName=a\n",
       "TResourceLoader.CreateObject error: Unknown Object Type! for MainScene1", 0},
      {"[MainScene]\nCount=1\n[MainScene1]\nType=TRecordingNode\n",
       "TResourceLoader.CreateObject error: Empty Object Name! for MainScene1", 0},
      {"[MainScene]\nCount=1\n[MainScene1]\nType=TNoSuchThing\nName=x y\n",
       "TResourceLoader.CreateObject error: Object not created! for MainScene1 Type: TNoSuchThing Name: x y", 0},
      {"[MainScene]\nCount=1\n[MainScene1]\nType=TMainItem\nName=x\n",
       "TResourceLoader.CreateObject error: Object not created! for MainScene1 Type: TMainItem Name: x", 0},
  };
  for (const auto& c : cases) {
    TMainScene scene;
    EXPECT_EQ(LoadError(scene, c.Text), c.Error);
    EXPECT_EQ(scene.GetCount(), c.Built) << c.Error;
  }
  // Only resources have children in a description; a list that merely
  // refers to its items could not own them.
  TMainScene scene;
  Load(scene, "[MainScene]\nCount=1\n[MainScene1]\nType=TMainItemList\nName=refs\nCount=1\n"
              "[refs1]\nType=TRecordingNode\nName=orphan\n");
  auto* refs = dynamic_cast<TMainItemList*>(scene.FindByName("refs"));
  ASSERT_NE(refs, nullptr);
  EXPECT_EQ(refs->GetCount(), 0);
  auto loader = Reader("[refs]\nCount=1\n[refs1]\nType=TRecordingNode\nName=orphan\n", "refs");
  try {
    loader->LoadChildren(refs);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TResourceLoader.LoadChildren error: refs cannot own the object of refs1");
  }
  EXPECT_EQ(refs->GetCount(), 0);
}

TEST_F(ResourceLoaderTest, SourcesAndSeparateDescriptions) {
  test::WriteFile(dir.File("sub.gsc"), "[Group]\nVisible=1\nCount=1\n[Group1]\nType=TRecordingNode\nName=inside\n");
  TMainScene scene;
  Load(scene, "[MainScene]\nCount=1\n[MainScene1]\nType=TResource\nName=Group\nSourceName=sub.gsc\nPath=" +
                  dir.Path() + "/\n");
  auto* group = dynamic_cast<TResource*>(scene.FindByName("Group"));
  ASSERT_NE(group, nullptr);
  EXPECT_TRUE(group->Visible);  // from the separate description
  EXPECT_NE(group->FindByName("inside"), nullptr);
  EXPECT_EQ(group->SourceName, dir.Path() + "/sub.gsc");

  // The embedded description is found by its resource name (and read
  // scrambled); a missing one is an error.
  TResourceLoader embedded;
  embedded.FromResource = true;
  embedded.Scrambled = true;
  embedded.FileName = ".\\fireplace.gsc";
  embedded.Open();
  ASSERT_TRUE(embedded.HasDocument());
  EXPECT_EQ(embedded.Ini()->Value("MainScene1", "Name"), "Textures");
  TMainScene noResource;
  noResource.SourceName = "nothing.gsc";
  noResource.SourceLocation = slResource;
  try {
    noResource.LoadSource();
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Resource nothing_gsc not found");
  }
  TMainScene missing;
  missing.Path = dir.Path() + "/";
  missing.SourceName = "absent.gsc";
  EXPECT_THROW(missing.LoadSource(), EOSError);
  // Without a source name a file source loads nothing.
  TMainScene unnamed;
  EXPECT_NO_THROW(unnamed.LoadSource());
}

TEST_F(ResourceLoaderTest, HostileDescriptionsEndWithAnErrorQuickly) {
  const auto start = std::chrono::steady_clock::now();
  struct {
    const char* Name;
    std::string Text;
    const char* ErrorStart;
  } cases[] = {
      {"a list whose child section is its own",
       "[MainScene]\nCount=1\n[MainScene1]\nType=TResource\nName=X\nCount=1\n[X1]\nType=TResource\nName=X\nCount=1\n",
       "TResourceLoader"},
      {"one section read over and over",
       "[MainScene]\nCount=1\n[MainScene1]\nType=TResource\nName=X\nCount=2\n[X1]\nType=TResource\nName=X1\n"
       "Count=2\n[X11]\nType=TResource\nName=X\nCount=2\n[X2]\nType=TRecordingNode\nName=n\n",
       "TResourceLoader"},
      {"a description that names itself",
       "[MainScene]\nCount=1\n[MainScene1]\nType=TResource\nName=MainScene\nSourceName=scene.gsc\nPath=" +
           dir.Path() + "/\n",
       "TResourceLoader error: nesting deeper"},
      {"a device as description", "[MainScene]\nCount=1\n[MainScene1]\nType=TResource\nName=Z\nSourceName=/dev/zero\n",
       "Cannot read /dev/zero"},
      {"a huge count", "[MainScene]\nCount=2000000000\nCapacity=2000000000\n",
       "TResourceLoader.CreateObject error: Unknown Object Type! for MainScene1"},
  };
  for (const auto& c : cases) {
    TMainScene scene;
    const std::string error = LoadError(scene, c.Text);
    EXPECT_EQ(error.rfind(c.ErrorStart, 0), 0u) << c.Name << ": " << error;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

}  // namespace
}  // namespace emberhall
