// The scene data in Scenes/ and as embedded in the program: the models
// follow the 3DM rules and face the camera, the pictures and the sound are
// what the program expects, and the description holds every name the
// program looks up.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

#include "platform/PictureFiles.h"
#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "scene/SceneIni.h"
#include "support/TestSupport.h"
#include "Textures.h"

namespace emberhall {
namespace {

std::string Text(TResourceData Data) { return {Data.Bytes.begin(), Data.Bytes.end()}; }

std::span<const uint8_t> Span(const std::string& S) { return {reinterpret_cast<const uint8_t*>(S.data()), S.size()}; }

// --- a checker of the 3DM text format ---

using TVec = std::array<float, 3>;
using TTriple = std::array<int, 3>;

struct TObject3DM {
  std::string Name, Material;
  std::vector<TVec> Vertices, TextureCoords;
  std::vector<TTriple> Faces, TextureFaces;
  std::vector<int> FaceMatIDs;
  std::array<TVec, 4> Transform{};
  bool HasTransform = false;
};

struct TModel3DM {
  int Version = 0;
  std::vector<std::map<std::string, std::string>> Materials;
  std::vector<TObject3DM> Objects;
};

std::vector<std::string> Numbers(const std::string& Bracketed) {  // "[a,b,c]" → a, b, c
  if (Bracketed.size() < 2 || Bracketed.front() != '[' || Bracketed.back() != ']')
    throw std::runtime_error("not bracketed: " + Bracketed);
  std::vector<std::string> parts;
  std::string inner = Bracketed.substr(1, Bracketed.size() - 2), part;
  for (char c : inner + ",") {
    if (c == ',') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (parts.size() != 3) throw std::runtime_error("not three numbers: " + Bracketed);
  return parts;
}

TVec Vector(const std::string& Line) {
  auto n = Numbers(Line);
  return {float(StrToFloat(n[0])), float(StrToFloat(n[1])), float(StrToFloat(n[2]))};
}

TTriple Triple(const std::string& Line) {
  auto n = Numbers(Line);
  return {StrToInt(n[0]), StrToInt(n[1]), StrToInt(n[2])};
}

// Parses by the format's rules; any violation raises.
TModel3DM ParseModel(const std::string& Source) {
  std::vector<std::string> lines;
  for (std::string line : SplitSourceLines(Span(Source))) {
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= 32) line.pop_back();
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= 32) line.erase(0, 1);
    if (!line.empty()) lines.push_back(line);
  }
  TModel3DM model;
  size_t at = 0;
  auto next = [&]() -> const std::string& {
    if (at >= lines.size()) throw std::runtime_error("cut short");
    return lines[at++];
  };
  auto param = [](const std::string& Line, std::string& Name) {
    const size_t blank = Line.find(' ');
    Name = blank == std::string::npos ? "" : Line.substr(0, blank);
    return blank == std::string::npos ? Line : Line.substr(blank + 1);
  };
  auto object = [&]() -> TObject3DM& {
    if (model.Objects.empty()) throw std::runtime_error("object chunk before any object");
    return model.Objects.back();
  };
  while (at < lines.size()) {
    const std::string header = next();
    if (header[0] != '#') throw std::runtime_error("stray line: " + header);
    const size_t blank = header.find(' ');
    const std::string chunk = header.substr(1, blank - 1);
    const int count = StrToInt(header.substr(blank + 1));
    std::string name;
    if (chunk == "Header") {
      for (int i = 0; i < count; ++i) {
        const std::string value = param(next(), name);
        if (name == "Version") model.Version = StrToInt(value);
      }
    } else if (chunk == "MaterialStandard") {
      std::map<std::string, std::string> m;
      for (int i = 0; i < count; ++i) {
        const std::string value = param(next(), name);
        m[name] = value;
      }
      model.Materials.push_back(m);
    } else if (chunk == "Object") {
      model.Objects.emplace_back();
      for (int i = 0; i < count; ++i) {
        const std::string value = param(next(), name);
        if (name == "Name") object().Name = value;
      }
    } else if (chunk == "Transform") {
      for (int i = 0; i < count; ++i) {
        const std::string line = next();
        const size_t m = line.find("(matrix3 ");
        if (m == std::string::npos) continue;
        std::string rest = line.substr(m + 9, line.size() - m - 10);
        for (int row = 0; row < 4; ++row) {
          const size_t close = rest.find(']');
          object().Transform[static_cast<size_t>(row)] = Vector(rest.substr(0, close + 1));
          rest = close + 2 < rest.size() ? rest.substr(close + 2) : "";
        }
        object().HasTransform = true;
      }
    } else if (chunk == "Vertices") {
      for (int i = 0; i < count; ++i) object().Vertices.push_back(Vector(next()));
    } else if (chunk == "VertexFaces") {
      for (int i = 0; i < count; ++i) object().Faces.push_back(Triple(next()));
    } else if (chunk == "TextureCoords") {
      for (int i = 0; i < count; ++i) object().TextureCoords.push_back(Vector(next()));
    } else if (chunk == "TextureCoordFaces") {
      for (int i = 0; i < count; ++i) object().TextureFaces.push_back(Triple(next()));
    } else if (chunk == "FaceMatID") {
      for (int i = 0; i < count; ++i) object().FaceMatIDs.push_back(StrToInt(next()));
    } else if (chunk == "Material") {
      const std::string value = param(next(), name);
      if (name == "Name") object().Material = value;
    } else {
      for (int i = 0; i < count; ++i) next();
    }
  }
  return model;
}

// Where the scene shows a model vertex: the object transform (rows applied
// to a row vector), then the turn from Z up to Y up.
TVec World(const TObject3DM& O, const TVec& V) {
  const auto& t = O.Transform;
  TVec m{};
  for (int c = 0; c < 3; ++c) m[c] = V[0] * t[0][c] + V[1] * t[1][c] + V[2] * t[2][c] + t[3][c];
  return {m[0], m[2], -m[1]};
}

struct TModelCase {
  const char* Resource;
  const char* Walls;
  const char* WallMaterial;
  const char* WallMap;
  size_t WallVertices, WallFaces;  // 0: any
};

TEST(SceneData, FireboxModelsFollowTheFormatAndFaceTheCamera) {
  const TModelCase cases[] = {{"KAMIN01_3DM", "Stena01", "Stena1", "Kirpic1.jpg", 24, 30},
                              {"KAMIN02_3DM", "Stena02", "Stena2", "Kirpic2.jpg", 0, 0},
                              {"KAMIN03_3DM", "Stena03", "Stena3", "kamni.jpg", 0, 0}};
  const TVec camera{0, -24, 130};
  for (const TModelCase& c : cases) {
    const TModel3DM model = ParseModel(Text(FindResourceData(c.Resource, TResourceType::RCData)));
    ASSERT_EQ(model.Materials.size(), 2u) << c.Resource;
    EXPECT_EQ(model.Materials[0].at("Name"), c.WallMaterial);
    EXPECT_EQ(model.Materials[0].at("DiffuseMap"), c.WallMap);
    EXPECT_TRUE(SameText(model.Materials[0].at("OpacityMap"), "undefined"));
    const auto& flame = model.Materials[1];
    EXPECT_EQ(flame.at("Name"), "Flame");
    EXPECT_EQ(flame.at("DiffuseMap"), "FLAME.jpg");
    EXPECT_EQ(flame.at("OpacityMap"), "FLAME.jpg");
    EXPECT_EQ(flame.at("Ambient"), "(color 128 128 128)");
    EXPECT_EQ(flame.at("SpecularLevel"), "5");
    EXPECT_EQ(flame.at("Glossiness"), "25");
    EXPECT_EQ(flame.at("Opacity"), "100");
    ASSERT_EQ(model.Objects.size(), 2u);
    EXPECT_EQ(model.Objects[0].Name, c.Walls);
    EXPECT_EQ(model.Objects[0].Material, c.WallMaterial);
    if (c.WallVertices) {
      EXPECT_EQ(model.Objects[0].Vertices.size(), c.WallVertices);
      EXPECT_EQ(model.Objects[0].Faces.size(), c.WallFaces);
    }
    EXPECT_EQ(model.Objects[1].Name, "Flame01");
    EXPECT_EQ(model.Objects[1].Material, "Flame");
    EXPECT_EQ(model.Objects[1].Vertices.size(), 35u);
    EXPECT_EQ(model.Objects[1].Faces.size(), 48u);
    for (const TObject3DM& o : model.Objects) {
      EXPECT_TRUE(o.HasTransform);
      ASSERT_EQ(o.TextureFaces.size(), o.Faces.size()) << o.Name;
      ASSERT_EQ(o.FaceMatIDs.size(), o.Faces.size()) << o.Name;
      for (size_t f = 0; f < o.Faces.size(); ++f) {
        for (int k = 0; k < 3; ++k) {
          ASSERT_GE(o.Faces[f][k], 1);
          ASSERT_LE(static_cast<size_t>(o.Faces[f][k]), o.Vertices.size()) << o.Name;
          ASSERT_GE(o.TextureFaces[f][k], 1);
          ASSERT_LE(static_cast<size_t>(o.TextureFaces[f][k]), o.TextureCoords.size()) << o.Name;
        }
        // Back faces are culled: every face must turn its front to the camera.
        const TVec a = World(o, o.Vertices[o.Faces[f][0] - 1]), b = World(o, o.Vertices[o.Faces[f][1] - 1]),
                   d = World(o, o.Vertices[o.Faces[f][2] - 1]);
        const TVec e1{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2{d[0] - a[0], d[1] - a[1], d[2] - a[2]};
        const TVec n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        const float facing = n[0] * (camera[0] - a[0]) + n[1] * (camera[1] - a[1]) + n[2] * (camera[2] - a[2]);
        EXPECT_GT(facing, 0) << c.Resource << " " << o.Name << " face " << f + 1 << " at " << a[0] << "," << a[1]
                             << "," << a[2];
        EXPECT_LT(a[2], camera[2] - 100) << "nearer than the near plane";
      }
    }
  }
}

TEST(SceneData, TheClockModelIsOneSquareThatEndsInThePictureXYPlane) {
  const TModel3DM model = ParseModel(Text(FindResourceData("CLOCK_3DM", TResourceType::RCData)));
  ASSERT_EQ(model.Materials.size(), 1u);
  EXPECT_EQ(model.Materials[0].at("Name"), "Clock");
  EXPECT_EQ(model.Materials[0].at("DiffuseMap"), "clock.jpg");
  EXPECT_EQ(model.Materials[0].at("OpacityMap"), "ClockA.jpg");
  ASSERT_EQ(model.Objects.size(), 1u);
  const TObject3DM& o = model.Objects[0];
  EXPECT_EQ(o.Name, "Clock");
  EXPECT_EQ(o.Vertices.size(), 4u);
  EXPECT_EQ(o.Faces.size(), 2u);
  EXPECT_EQ(o.Transform[0], (TVec{1, 0, 0}));
  EXPECT_EQ(o.Transform[1], (TVec{0, 0, 1}));
  EXPECT_EQ(o.Transform[2], (TVec{0, -1, 0}));
  for (const TVec& v : o.Vertices) EXPECT_FLOAT_EQ(World(o, v)[2], 0.0f);
}

// --- pictures ---

TEST(SceneData, PicturesAre256SquareAndTheWallsTileAcross) {
  for (const char* name : {"Kirpic1.jpg", "Kirpic2.jpg", "kamni.jpg", "FLAME.jpg"}) {
    const TBitmap picture = LoadBitmapJPEG(std::string(EMBERHALL_SCENES_DIR) + "/" + name);
    EXPECT_EQ(picture.Width, 256) << name;
    EXPECT_EQ(picture.Height, 256) << name;
  }
  for (const char* name : {"CLOCK_BMP", "CLOCKA_BMP"}) {
    const TResourceData data = FindResourceData(name, TResourceType::Bitmap);
    ASSERT_TRUE(data.Found) << name;
    const TBitmap picture = DecodeBitmapBMP(data.Bytes, name);
    EXPECT_EQ(picture.Width, 256);
    EXPECT_EQ(picture.Height, 256);
  }
}

TEST(SceneData, WallPicturesRepeatAcrossWithoutASeam) {
  using TMaker = TBitmap (*)(int);
  const std::pair<const char*, TMaker> makers[] = {
      {"red bricks", scenedata::RedBricks}, {"buff bricks", scenedata::BuffBricks}, {"stones", scenedata::Stones}};
  for (const auto& [name, make] : makers) {
    const TBitmap wide = make(257), tile = make(256);
    for (int y = 0; y < 256; ++y) {
      // Column 256 is where the next copy begins: exactly column 0 again.
      ASSERT_TRUE(std::equal(wide.Row(y), wide.Row(y) + 3, wide.Row(y) + 256 * 3)) << name << " row " << y;
      ASSERT_TRUE(std::equal(tile.Row(y), tile.Row(y) + 256 * 3, wide.Row(y))) << name << " row " << y;
    }
  }
}

// --- sound ---

uint32_t Le32(const std::string& S, size_t At) {
  return uint32_t(uint8_t(S[At])) | uint32_t(uint8_t(S[At + 1])) << 8 | uint32_t(uint8_t(S[At + 2])) << 16 |
         uint32_t(uint8_t(S[At + 3])) << 24;
}
uint16_t Le16(const std::string& S, size_t At) { return static_cast<uint16_t>(uint8_t(S[At]) | uint8_t(S[At + 1]) << 8); }

TEST(SceneData, TheCrackleIsFiveSecondsOfMonoPcmThatLoopsWithoutAClick) {
  const std::string wav = Text(FindResourceData("FIREPLACE_WAV", TResourceType::Sound));
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Le32(wav, 4), wav.size() - 8);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le16(wav, 20), 1);  // PCM
  EXPECT_EQ(Le16(wav, 22), 1);  // mono
  EXPECT_EQ(Le32(wav, 24), 11025u);
  EXPECT_EQ(Le16(wav, 34), 16);
  EXPECT_EQ(wav.substr(36, 4), "data");
  const uint32_t bytes = Le32(wav, 40);
  ASSERT_EQ(bytes, wav.size() - 44);
  const double seconds = bytes / 2.0 / 11025;
  EXPECT_GT(seconds, 4.5);
  EXPECT_LT(seconds, 5.5);
  std::vector<int> samples;
  for (size_t i = 44; i + 1 < wav.size(); i += 2) samples.push_back(static_cast<int16_t>(Le16(wav, i)));
  std::vector<int> steps;
  for (size_t i = 1; i < samples.size(); ++i) steps.push_back(std::abs(samples[i] - samples[i - 1]));
  std::sort(steps.begin(), steps.end());
  EXPECT_LT(std::abs(samples.back() - samples.front()), steps[steps.size() * 95 / 100]) << "a click at the seam";
}

// --- the description ---

class SceneDescription : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string plain = test::ReadFile(std::string(EMBERHALL_SCENES_DIR) + "/fireplace.gsc");
    std::vector<std::string> embedded = SplitSourceLines(FindResourceData("FIREPLACE_GSC", TResourceType::RCData).Bytes);
    InvertLines(embedded);
    ASSERT_EQ(embedded, SplitSourceLines(Span(plain)));  // embedded bit-inverted
    ini = TIniDocument(embedded);
    Walk("MainScene", "");
  }
  // Records every object by its path, checking types and counts on the way.
  void Walk(const std::string& Section, const std::string& Path) {
    const int count = StrToInt(ini.Value(Section, "Count").value_or("0"));
    const std::string name = ini.Value(Section, "Name").value_or("MainScene");
    for (int i = 1; i <= count; ++i) {
      const std::string child = name + std::to_string(i);
      ASSERT_TRUE(ini.HasSection(child)) << child;
      const std::string type = ini.Value(child, "Type").value_or("");
      const std::string childName = ini.Value(child, "Name").value_or("");
      ASSERT_TRUE(kTypes.count(type)) << child << ": " << type;
      ASSERT_FALSE(childName.empty()) << child;
      const std::string path = Path.empty() ? childName : Path + "/" + childName;
      ASSERT_FALSE(objects.count(path)) << "a second " << path;
      objects[path] = {type, child, order++};
      if (kLists.count(type)) Walk(child, path);
    }
    EXPECT_FALSE(ini.HasSection(name + std::to_string(count + 1))) << "sections beyond Count " << count;
  }
  struct TEntry {
    std::string Type, Section;
    int Order;
  };
  std::string Key(const std::string& Path, const std::string& K) { return ini.Value(objects.at(Path).Section, K).value_or(""); }
  // The object a reference key names, which must come earlier in the file.
  const TEntry& Referenced(const std::string& Path, const std::string& K) {
    const std::string target = Key(Path, K);
    EXPECT_TRUE(objects.count(target)) << Path << " " << K << "=" << target;
    static const TEntry none{"", "", 1 << 30};
    if (!objects.count(target)) return none;
    EXPECT_LT(objects.at(target).Order, objects.at(Path).Order) << Path << " refers forward to " << target;
    return objects.at(target);
  }

  const std::set<std::string> kTypes = {"TMainItemList",   "TMainObjectList",    "TMainScene",          "TResource",
                                        "TSceneTexture",   "TSceneTextureList",  "TSceneMaterial",      "TSceneMaterialList",
                                        "TSceneMesh",      "TSceneMeshList",     "TMainVisualObject",   "TMainVisualObjectList",
                                        "TMainLight",      "TSceneSprite",       "TMainSpriteList",     "TSceneFont",
                                        "TSceneString",    "TSceneText",         "TGLClock"};
  // Types whose children the loader reads (the resources).
  const std::set<std::string> kLists = {"TMainScene",         "TResource",       "TSceneTextureList", "TSceneMaterialList",
                                        "TSceneMeshList",     "TMainSpriteList", "TMainVisualObjectList", "TMainObjectList"};
  TIniDocument ini;
  std::map<std::string, TEntry> objects;
  int order = 0;
};

TEST_F(SceneDescription, HoldsEveryNameTheProgramLooksUp) {
  EXPECT_EQ(objects.at("Textures").Type, "TSceneTextureList");
  EXPECT_EQ(objects.at("Textures/FLAME.jpg").Type, "TSceneTexture");
  EXPECT_EQ(Key("Textures/FLAME.jpg", "Format"), "Alpha");  // four bytes per pixel
  EXPECT_EQ(objects.at("Fireplace").Type, "TMainVisualObject");
  EXPECT_EQ(objects.at("Meshes").Type, "TSceneMeshList");
  EXPECT_EQ(Referenced("Meshes", "Textures").Type, "TSceneTextureList");
  EXPECT_EQ(Referenced("Meshes", "Materials").Type, "TSceneMaterialList");
  // Items 0, 1, 2 of the mesh list in name order are the three styles.
  std::vector<std::string> meshes;
  for (const auto& [path, entry] : objects)
    if (path.rfind("Meshes/", 0) == 0) meshes.push_back(path);  // std::map: byte order, as the list sorts
  ASSERT_EQ(meshes.size(), 3u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Key(meshes[i], "SourceName"), "kamin0" + std::to_string(i + 1) + ".3dm");
  EXPECT_EQ(Key("Fireplace", "Visual"), meshes[0]);
  Referenced("Fireplace", "Visual");
  EXPECT_EQ(objects.at("GLClock").Type, "TGLClock");
}

TEST_F(SceneDescription, TheClockHasItsSpritesAndParts) {
  const TEntry& sprites = Referenced("GLClock", "Sprites");
  const TEntry& parts = Referenced("GLClock", "Objects");
  EXPECT_EQ(sprites.Type, "TSceneMeshList");
  EXPECT_EQ(parts.Type, "TMainSpriteList");
  const std::string spritesName = Key("GLClock", "Sprites"), partsName = Key("GLClock", "Objects");
  for (const char* s : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "sun", "mon", "tue", "wed", "thu", "fri", "sat"}) {
    const std::string path = spritesName + "/" + s;
    ASSERT_TRUE(objects.count(path)) << path;
    EXPECT_EQ(objects.at(path).Type, "TSceneSprite");
  }
  for (const auto& [path, entry] : objects) {
    if (entry.Type != "TSceneSprite") continue;
    EXPECT_EQ(Referenced(path, "Texture").Type, "TSceneTexture") << path;
    EXPECT_EQ(Referenced(path, "Material").Type, "TSceneMaterial") << path;
    const int u = StrToInt(Key(path, "StartU")), v = StrToInt(Key(path, "StartV"));
    EXPECT_LE(u + StrToInt(Key(path, "Width")), 256) << path;  // the cut-out lies in the picture
    EXPECT_LE(v + StrToInt(Key(path, "Height")), 256) << path;
  }
  for (const char* p : {"time1", "time2", "time3", "time4", "time5", "time6", "time7", "day", "month1", "month2",
                        "month4", "month5"}) {
    const std::string path = partsName + "/" + p;
    ASSERT_TRUE(objects.count(path)) << path;
    EXPECT_EQ(objects.at(path).Type, "TMainVisualObject");
    EXPECT_EQ(Referenced(path, "Visual").Type, "TSceneSprite") << path;
  }
  // The clock draws its layer; the scene must not draw it as well.
  EXPECT_EQ(Key(partsName, "ProcessOptions"), "");
  EXPECT_NE(Key("GLClock", "ProcessOptions").find("Render"), std::string::npos);
}

TEST_F(SceneDescription, LightsComeBeforeWhatTheyLight) {
  int lastLight = -1, fireplace = objects.at("Fireplace").Order;
  int lights = 0;
  for (const auto& [path, entry] : objects) {
    if (entry.Type != "TMainLight") continue;
    ++lights;
    EXPECT_NE(Key(path, "ProcessOptions").find("Render"), std::string::npos) << path;
    lastLight = std::max(lastLight, entry.Order);
  }
  EXPECT_GE(lights, 1);
  EXPECT_LT(lastLight, fireplace);
  EXPECT_NE(Key("Fireplace", "ProcessOptions").find("Render"), std::string::npos);
  EXPECT_EQ(Key("Fireplace", "Alpha"), "1");  // the flame is drawn in the blended pass
}

// --- the tool ---

TEST(SceneData, TheToolWritesWhatIsCommitted) {
  test::TTempDir out;
  ASSERT_EQ(test::RunCommand(std::string(EMBERHALL_SCENE_TOOL) + " " + out.Path()).ExitCode, 0);
  for (const char* name : {"kamin01.3dm", "kamin02.3dm", "kamin03.3dm", "clock.3dm", "fireplace.gsc", "fireplace.wav"})
    EXPECT_EQ(test::ReadFile(out.File(name)), test::ReadFile(std::string(EMBERHALL_SCENES_DIR) + "/" + name))
        << name << " is out of step with tools/scene_data (see its README)";
}

TEST(SceneData, EveryFileIsEmbeddedUnderItsResourceName) {
  struct {
    const char* Name;
    TResourceType Type;
  } resources[] = {{"FIREPLACE_GSC", TResourceType::RCData}, {"KAMIN01_3DM", TResourceType::RCData},
                   {"KAMIN02_3DM", TResourceType::RCData},   {"KAMIN03_3DM", TResourceType::RCData},
                   {"CLOCK_3DM", TResourceType::RCData},     {"FLAME_JPG", TResourceType::RCData},
                   {"KAMNI_JPG", TResourceType::RCData},     {"KIRPIC1_JPG", TResourceType::RCData},
                   {"KIRPIC2_JPG", TResourceType::RCData},   {"CLOCK_BMP", TResourceType::Bitmap},
                   {"CLOCKA_BMP", TResourceType::Bitmap},    {"FIREPLACE_WAV", TResourceType::Sound}};
  for (const auto& r : resources) {
    const TResourceData data = FindResourceData(r.Name, r.Type);
    EXPECT_TRUE(data.Found) << r.Name;
    EXPECT_GT(data.Bytes.size(), 0u) << r.Name;
  }
}

}  // namespace
}  // namespace emberhall
