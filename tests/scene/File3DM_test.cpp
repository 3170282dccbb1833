// The 3DM reader: the embedded models, the line and value rules, the chunk
// rules, the errors, the material list, and bad input that must neither
// crash nor grow memory beyond the source.
#include <gtest/gtest.h>

#include <functional>

#include "platform/SysUtils.h"
#include "scene/File3DM.h"
#include "support/TestSupport.h"

namespace emberhall {
namespace {

std::span<const uint8_t> Bytes(const std::string& S) { return {reinterpret_cast<const uint8_t*>(S.data()), S.size()}; }

// The message of what loading Text raises, "" when it loads.
std::string LoadError(T3DMFile& File, const std::string& Text) {
  try {
    File.LoadFromBytes(Bytes(Text));
  } catch (const Exception& e) {
    return e.Message;
  }
  return "";
}

T3DMMaterialStandard& Standard(T3DMMaterialList& List, int Index) {
  auto* m = dynamic_cast<T3DMMaterialStandard*>(List.Get(Index));
  if (!m) throw std::runtime_error("not a standard material");
  return *m;
}

const char* const objectHead = "#Object 1\nName O\n";

// --- the embedded models ---

struct TObjectCase {
  const char* Name;
  const char* Material;
  int Vertices, Faces;
};

struct TModelCase {
  const char* File;
  std::vector<std::array<const char*, 3>> Materials;  // name, diffuse map, opacity map
  std::vector<TObjectCase> Objects;
};

TEST(File3DM, TheEmbeddedModelsLoadFromResourceAndFromFileAlike) {
  const TModelCase cases[] = {
      {"kamin01.3dm",
       {{"Stena1", "Kirpic1.jpg", ""}, {"Flame", "FLAME.jpg", "FLAME.jpg"}},
       {{"Stena01", "Stena1", 24, 30}, {"Flame01", "Flame", 35, 48}}},
      {"kamin02.3dm",
       {{"Stena2", "Kirpic2.jpg", ""}, {"Flame", "FLAME.jpg", "FLAME.jpg"}},
       {{"Stena02", "Stena2", 24, 30}, {"Flame01", "Flame", 35, 48}}},
      {"kamin03.3dm",
       {{"Stena3", "kamni.jpg", ""}, {"Flame", "FLAME.jpg", "FLAME.jpg"}},
       {{"Stena03", "Stena3", 44, 60}, {"Flame01", "Flame", 35, 48}}},
      {"clock.3dm", {{"Clock", "clock.jpg", "ClockA.jpg"}}, {{"Clock", "Clock", 4, 2}}},
  };
  for (const TModelCase& c : cases) {
    for (const bool fromResource : {true, false}) {
      SCOPED_TRACE(std::string(c.File) + (fromResource ? " as resource" : " as file"));
      T3DMFile file;
      file.FromResource = fromResource;
      // A Windows path: the resource takes the file-name part, the file "/".
      file.LoadFromFile(fromResource ? std::string("Scenes\\") + c.File
                                     : std::string(EMBERHALL_SCENES_DIR) + "/" + c.File);
      EXPECT_EQ(file.Version, 1);
      ASSERT_EQ(file.Materials.Count(), static_cast<int>(c.Materials.size()));
      for (size_t i = 0; i < c.Materials.size(); ++i) {
        T3DMMaterialStandard& m = Standard(file.Materials, static_cast<int>(i));
        EXPECT_EQ(m.Name, c.Materials[i][0]);
        EXPECT_EQ(m.DiffuseMap, c.Materials[i][1]);
        EXPECT_EQ(m.OpacityMap, c.Materials[i][2]);
        EXPECT_EQ(m.BumpMap, "");
        EXPECT_EQ(m.ShaderType, 1);
        EXPECT_EQ(m.Opacity, 100);
      }
      ASSERT_EQ(file.ObjectCount(), static_cast<int>(c.Objects.size()));
      for (size_t i = 0; i < c.Objects.size(); ++i) {
        const T3DMObject& o = *file.Object(static_cast<int>(i));
        EXPECT_EQ(o.Name, c.Objects[i].Name);
        EXPECT_EQ(o.MaterialName, c.Objects[i].Material);
        EXPECT_EQ(o.Vertices.Count(), c.Objects[i].Vertices);
        EXPECT_EQ(o.VertexFaces.Count(), c.Objects[i].Faces);
        EXPECT_EQ(o.TextureCoordFaces.Count(), c.Objects[i].Faces);
        EXPECT_EQ(static_cast<int>(o.FaceMatIDs.size()), c.Objects[i].Faces);
        EXPECT_TRUE(o.HasTransform && o.HasTextureCoords);
        EXPECT_FALSE(o.HasNormals || o.HasColors);
      }
    }
  }
  T3DMFile file;
  file.FromResource = true;
  file.LoadFromFile("kamin01.3dm");
  const T3DMMaterialStandard& walls = Standard(file.Materials, 0);
  EXPECT_EQ(walls.Ambient, (T3DMColor{150, 150, 150}));
  EXPECT_EQ(walls.Specular, (T3DMColor{229.5f, 229.5f, 229.5f}));
  EXPECT_EQ(walls.SpecularLevel, 5);
  EXPECT_EQ(walls.Glossiness, 10);
  EXPECT_FALSE(walls.TwoSided || walls.Faceted);
  EXPECT_EQ(walls.WireSize, 1);
  EXPECT_EQ(file.Object(0)->Vertices.Get(0), (T3DMVertex{-110, 20, -100}));
  EXPECT_EQ(file.Object(0)->VertexFaces.Get(0), (T3DMFace{1, 2, 8}));
  file.LoadFromFile("clock.3dm");
  EXPECT_EQ(file.Object(0)->Transform, (T3DMTransform{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, 0}}}));
  EXPECT_EQ(file.Materials.Count(), 1);  // the load started over
}

TEST(File3DM, MissingSourcesAreTheReadersErrorsAndAnEmptyOneIsAnEmptyModel) {
  test::TTempDir dir;
  T3DMFile file;
  EXPECT_THROW(file.LoadFromFile(dir.File("none.3dm")), EOSError);
  file.FromResource = true;
  try {
    file.LoadFromFile("none.3dm");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Resource none_3dm not found");
  }
  file.FromResource = false;
  test::WriteFile(dir.File("empty.3dm"), "");
  file.LoadFromFile(dir.File("empty.3dm"));
  EXPECT_EQ(file.ObjectCount(), 0);
  EXPECT_EQ(file.Materials.Count(), 0);
}

// --- lines and values ---

struct TLoadCase {
  const char* What;
  std::string Text;
  std::function<void(T3DMFile&)> Check;
};

TEST(File3DM, LineRulesAndValueForms) {
  const TLoadCase cases[] = {
      {"CR, LF and CR LF; empty lines; blanks around; junk before a header",
       "junk\r\n\r\n   \n#Object 1\rName O\r\n\n#Vertices 2\n  [-100,-100,0] \n\t[1,2,3]\t\n",
       [](T3DMFile& f) {
         ASSERT_EQ(f.ObjectCount(), 1);
         EXPECT_EQ(f.Object(0)->Name, "O");
         ASSERT_EQ(f.Object(0)->Vertices.Count(), 2);
         EXPECT_EQ(f.Object(0)->Vertices.Get(0), (T3DMVertex{-100, -100, 0}));
         EXPECT_EQ(f.Object(0)->Vertices.Get(1), (T3DMVertex{1, 2, 3}));
       }},
      {"texture coordinates keep u and v; exponents",
       std::string(objectHead) + "#TextureCoords 2\n[0.000499547,0.000499785,0.5]\n[7.62939e-006,-1E+2,0]\n",
       [](T3DMFile& f) {
         const T3DMObject& o = *f.Object(0);
         EXPECT_TRUE(o.HasTextureCoords);
         EXPECT_FLOAT_EQ(o.TextureCoords.Get(0).U, 0.000499547f);
         EXPECT_FLOAT_EQ(o.TextureCoords.Get(0).V, 0.000499785f);
         EXPECT_FLOAT_EQ(o.TextureCoords.Get(1).U, 7.62939e-6f);
         EXPECT_EQ(o.TextureCoords.Get(1).V, -100);
       }},
      {"the vector's last character is dropped, whatever it is",
       std::string(objectHead) + "#Vertices 1\n(1,2,3)\n#Normals 1\n[0,0,1]\n",
       [](T3DMFile& f) {
         EXPECT_EQ(f.Object(0)->Vertices.Get(0), (T3DMVertex{1, 2, 3}));
         EXPECT_TRUE(f.Object(0)->HasNormals);
       }},
      {"index triples as read, also out of range",
       std::string(objectHead) + "#VertexFaces 2\n[1,2,3]\n[0,1000000000,-7]\n#ColorFaces 1\n[4,5,6]\n"
                                 "#TextureCoordFaces 1\n[7,8,9]\n#FaceMatID 2\n3\n 1001\n",
       [](T3DMFile& f) {
         const T3DMObject& o = *f.Object(0);
         EXPECT_EQ(o.VertexFaces.Get(1), (T3DMFace{0, 1000000000, -7}));
         EXPECT_EQ(o.ColorFaces.Get(0), (T3DMFace{4, 5, 6}));
         EXPECT_EQ(o.TextureCoordFaces.Get(0), (T3DMFace{7, 8, 9}));
         EXPECT_EQ(o.FaceMatIDs, (std::vector<int32_t>{3, 1001}));
       }},
      {"colours on the 0 to 255 scale",
       std::string(objectHead) + "#Colors 2\n(color 229.5 229.5 229.5)\n(color 0 12 255)\n",
       [](T3DMFile& f) {
         EXPECT_TRUE(f.Object(0)->HasColors);
         EXPECT_EQ(f.Object(0)->Colors.Get(0), (T3DMColor{229.5f, 229.5f, 229.5f}));
         EXPECT_EQ(f.Object(0)->Colors.Get(1), (T3DMColor{0, 12, 255}));
       }},
      {"the matrix line: rows, translation; a later one overwrites; other lines ignored",
       std::string(objectHead) + "#Transform 3\nPosition [5,5,5]\n"
                                 "Transform (matrix3 [9,9,9] [9,9,9] [9,9,9] [9,9,9])\n"
                                 "Transform (matrix3 [1,0,0] [0,0,1] [0,-1,0] [10,20,30])\n",
       [](T3DMFile& f) {
         EXPECT_TRUE(f.Object(0)->HasTransform);
         EXPECT_EQ(f.Object(0)->Transform, (T3DMTransform{{{1, 0, 0}, {0, 0, 1}, {0, -1, 0}, {10, 20, 30}}}));
       }},
      {"missing matrix numbers stay zero; numbers past twelve are not read",
       std::string(objectHead) + "#Transform 2\n(matrix3 [1,2] [3])\nScale [1,1,1]\n#Object 1\nName P\n"
                                 "#Transform 1\nT (matrix3 [1,2,3] [4,5,6] [7,8,9] [10,11,12] [x,y,z])\n",
       [](T3DMFile& f) {
         EXPECT_EQ(f.Object(0)->Transform, (T3DMTransform{{{1, 2, 3}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}));
         EXPECT_EQ(f.Object(1)->Transform, (T3DMTransform{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}}));
       }},
      {"a Transform chunk without a matrix line gives no transform",
       std::string(objectHead) + "#Transform 1\nPosition [1,2,3]\n",
       [](T3DMFile& f) { EXPECT_FALSE(f.Object(0)->HasTransform); }},
  };
  for (const TLoadCase& c : cases) {
    SCOPED_TRACE(c.What);
    T3DMFile file;
    EXPECT_EQ(LoadError(file, c.Text), "");
    c.Check(file);
  }
}

TEST(File3DM, StandardMaterialParameters) {
  T3DMFile file;
  ASSERT_EQ(LoadError(file,
                      "#MaterialStandard 18\nName Glass\nShaderType 3 Phong\nFaceted true\nWireSize 2\n"
                      "TwoSided TRUE\nOpacityType 1\nOpacity 99.5\nselfIllumColor (color 1 2 3)\n"
                      "Ambient (color 150 150 150)\nDiffuse (color 4 5 6)\nSpecular (color 7 8 9)\n"
                      "SpecularLevel 5\nGlossiness 25\nselfIllumAmount 77\nDiffuseMap a.jpg\n"
                      "OpacityMap UNDEFINED\nBumpMap undefined\nReflectionMap Undefined\n"),
            "");
  ASSERT_EQ(file.Materials.Count(), 1);
  const T3DMMaterialStandard& m = Standard(file.Materials, 0);
  EXPECT_EQ(m.Name, "Glass");
  EXPECT_EQ(m.ShaderType, 3);
  EXPECT_TRUE(m.Faceted && m.TwoSided);
  EXPECT_EQ(m.WireSize, 2);
  EXPECT_EQ(m.OpacityType, 1);
  EXPECT_EQ(m.Opacity, 99.5f);
  EXPECT_EQ(m.SelfIllumColor, (T3DMColor{1, 2, 3}));
  EXPECT_EQ(m.Ambient, (T3DMColor{150, 150, 150}));
  EXPECT_EQ(m.Diffuse, (T3DMColor{4, 5, 6}));
  EXPECT_EQ(m.Specular, (T3DMColor{7, 8, 9}));
  EXPECT_EQ(m.SpecularLevel, 5);
  EXPECT_EQ(m.Glossiness, 25);
  EXPECT_EQ(m.DiffuseMap, "a.jpg");
  EXPECT_EQ(m.OpacityMap + m.BumpMap + m.ReflectionMap, "");
  // Flags: only the first letter counts.
  const std::pair<const char*, bool> flags[] = {{"t", true}, {"True", true}, {"yes", false}, {"false", false}};
  for (const auto& [text, value] : flags) {
    ASSERT_EQ(LoadError(file, std::string("#MaterialStandard 1\nTwoSided ") + text + "\n"), "");
    EXPECT_EQ(Standard(file.Materials, 0).TwoSided, value) << text;
  }
}

// --- chunks ---

TEST(File3DM, ChunkCountsAndOrder) {
  const TLoadCase cases[] = {
      {"MaterialCount is skipped like any chunk of its own; the materials are what follows",
       "#MaterialCount 1\nCount 2\n#MaterialStandard 1\nName A\n#MaterialStandard 1\nName B\n",
       [](T3DMFile& f) {
         ASSERT_EQ(f.Materials.Count(), 2);
         EXPECT_EQ(f.Materials.Get(1)->Name, "B");
       }},
      {"the header ends at Version; what follows it is left to the next header search",
       "#Header 3\nVersion 7\n#Object 1\nName O\n", [](T3DMFile& f) {
         EXPECT_EQ(f.Version, 7);
         ASSERT_EQ(f.ObjectCount(), 1);
         EXPECT_EQ(f.Object(0)->Name, "O");
       }},
      {"Material reads one line whatever its count",
       std::string(objectHead) + "#Material 5\nName M\n#Vertices 1\n[1,1,1]\n",
       [](T3DMFile& f) {
         EXPECT_EQ(f.Object(0)->MaterialName, "M");
         EXPECT_EQ(f.Object(0)->Vertices.Count(), 1);
       }},
      {"object chunks go to the newest object",
       "#Object 1\nName A\n#Vertices 1\n[1,1,1]\n#Object 2\nColor x\nName B\n#Vertices 1\n[2,2,2]\n",
       [](T3DMFile& f) {
         ASSERT_EQ(f.ObjectCount(), 2);
         EXPECT_EQ(f.Object(1)->Name, "B");
         EXPECT_EQ(f.Object(0)->Vertices.Count(), 1);
         EXPECT_EQ(f.Object(1)->Vertices.Get(0), (T3DMVertex{2, 2, 2}));
       }},
      {"multi-sub: sub-materials are chunks of their own, not counted, in order",
       "#MaterialMultiSubObject 2\nName Multi\nNumSubs 2\n#MaterialStandard 1\nName S1\n"
       "#MaterialStandard 1\nName S2\n#MaterialStandard 1\nName After\n",
       [](T3DMFile& f) {
         ASSERT_EQ(f.Materials.Count(), 2);
         auto* multi = dynamic_cast<T3DMMaterialMultiSubObject*>(f.Materials.Get(0));
         ASSERT_NE(multi, nullptr);
         EXPECT_EQ(multi->Name, "Multi");
         ASSERT_EQ(multi->SubMaterials.Count(), 2);
         EXPECT_EQ(multi->SubMaterials.Get(1)->Name, "S2");
         EXPECT_EQ(f.Materials.Get(1)->Name, "After");
         EXPECT_EQ(f.Materials.FindByName("S1"), nullptr);
       }},
      {"animation: frames of the current vertex count; Loop only for \"true\"",
       std::string(objectHead) + "#Vertices 2\n[0,0,0]\n[1,1,1]\n#Animation 3\nLength 2\nLoop TRUE\nOther 1\n"
                                 "#AnimMesh 0\nFrame 0\n[0,0,1]\n[1,1,2]\nFrame 1\n[0,0,3]\n[1,1,4]\n",
       [](T3DMFile& f) {
         const T3DMObject& o = *f.Object(0);
         EXPECT_TRUE(o.Frames.Loop);
         ASSERT_EQ(o.Frames.Count(), 2);
         EXPECT_EQ(o.Frames.Frames[1].Items(), (std::vector<T3DMVertex>{{0, 0, 3}, {1, 1, 4}}));
       }},
      {"Loop is not a flag: only \"true\" in any case",
       std::string(objectHead) + "#Animation 2\nLength 1\nLoop T\n", [](T3DMFile& f) {
         EXPECT_FALSE(f.Object(0)->Frames.Loop);
         EXPECT_EQ(f.Object(0)->Frames.Count(), 1);
       }},
      {"a shorter length frees the frames beyond it",
       std::string(objectHead) + "#Animation 1\nLength 3\n#Animation 1\nLength 1\n",
       [](T3DMFile& f) { EXPECT_EQ(f.Object(0)->Frames.Count(), 1); }},
  };
  for (const TLoadCase& c : cases) {
    SCOPED_TRACE(c.What);
    T3DMFile file;
    EXPECT_EQ(LoadError(file, c.Text), "");
    c.Check(file);
  }
}

// --- the end of the lines, errors ---

struct TErrorCase {
  const char* What;
  std::string Text;
  std::string Message;  // "" for a quiet end
  std::function<void(T3DMFile&)> Check;
};

TEST(File3DM, TheEndOfTheLinesEndsQuietlyAndErrorsKeepWhatWasRead) {
  const TErrorCase cases[] = {
      {"cut in the middle of Vertices", std::string(objectHead) + "#Vertices 24\n[1,1,1]\n[2,2,2]\n", "",
       [](T3DMFile& f) { EXPECT_EQ(f.Object(0)->Vertices.Count(), 2); }},
      {"a header count of 2 000 000 000", std::string(objectHead) + "#VertexFaces 2000000000\n[1,2,3]\n[4,5,6]\n", "",
       [](T3DMFile& f) { EXPECT_EQ(f.Object(0)->VertexFaces.Count(), 2); }},
      {"cut inside a material: kept with what was read", "#MaterialStandard 17\nName Cut\nOpacity 40\n", "",
       [](T3DMFile& f) {
         ASSERT_EQ(f.Materials.Count(), 1);
         EXPECT_EQ(Standard(f.Materials, 0).Opacity, 40);
       }},
      {"cut inside an AnimMesh", std::string(objectHead) + "#Vertices 1\n[0,0,0]\n#Animation 1\nLength 4\n#AnimMesh 1\nFrame 0\n",
       "", [](T3DMFile& f) { EXPECT_EQ(f.Object(0)->Frames.Count(), 4); }},
      {"a sub-material that is not standard",
       "#MaterialMultiSubObject 2\nName M\nNumSubs 1\n#MaterialMultiSubObject 0\n",
       "T3DMFile error: SubMaterial is not Standard", [](T3DMFile& f) {
         ASSERT_EQ(f.Materials.Count(), 1);  // added before its sub-materials are read
         EXPECT_EQ(f.Materials.Get(0)->Name, "M");
       }},
      {"an AnimMesh without Frame",
       std::string(objectHead) + "#Vertices 1\n[0,0,0]\n#Animation 1\nLength 1\n#AnimMesh 1\n[0,0,0]\n",
       "T3DMFile.ReadAnimMesh error: It is not vertex frame animation!", [](T3DMFile& f) {
         EXPECT_EQ(f.Object(0)->Vertices.Count(), 1);
       }},
      {"object chunks before any Object", "#MaterialStandard 1\nName A\n#Vertices 1\n[0,0,0]\n",
       "T3DMFile error: Vertices before any Object", [](T3DMFile& f) { EXPECT_EQ(f.Materials.Count(), 1); }},
      {"an invalid header count", std::string(objectHead) + "#Vertices many\n[0,0,0]\n",
       "'many' is not a valid integer value", [](T3DMFile& f) { EXPECT_EQ(f.ObjectCount(), 1); }},
      {"a header without a count", "#Header\nVersion 1\n", "'' is not a valid integer value", nullptr},
      {"a number beyond a 32-bit float", std::string(objectHead) + "#Vertices 2\n[1,2,3]\n[1e999,0,0]\n",
       "'1e999' is not a valid floating point value",
       [](T3DMFile& f) { EXPECT_EQ(f.Object(0)->Vertices.Count(), 1); }},
      {"NaN", std::string(objectHead) + "#Normals 1\n[NaN,0,0]\n", "'NaN' is not a valid floating point value",
       nullptr},
      {"a vector without commas", std::string(objectHead) + "#Vertices 1\n[1 2 3]\n",
       "'[1 2 3]' is not a valid floating point value", nullptr},
      {"a triple of two", std::string(objectHead) + "#VertexFaces 1\n[1,2]\n", "'[1,2]' is not a valid integer value",
       nullptr},
      {"a blank-only line inside a chunk is a line", std::string(objectHead) + "#Vertices 1\n  \n",
       "'' is not a valid floating point value", nullptr},
      {"a colour of two numbers", "#MaterialStandard 1\nAmbient (color 1 2)\n",
       "'1 2' is not a valid floating point value",
       [](T3DMFile& f) { EXPECT_EQ(f.Materials.Count(), 0); }},  // a material that failed is not added
      {"a matrix number", std::string(objectHead) + "#Transform 1\n(matrix3 [1,x,0])\n",
       "'x' is not a valid floating point value", nullptr},
      {"a fractional integer parameter", "#MaterialStandard 1\nWireSize 1.5\n",
       "'1.5' is not a valid integer value", nullptr},
      {"a material ID", std::string(objectHead) + "#FaceMatID 1\none\n", "'one' is not a valid integer value",
       nullptr},
  };
  for (const TErrorCase& c : cases) {
    SCOPED_TRACE(c.What);
    T3DMFile file;
    EXPECT_EQ(LoadError(file, c.Text), c.Message);
    if (c.Check) c.Check(file);
  }
}

// --- bad input and memory ---

TEST(File3DM, FramesStayWithinWhatTheSourceCanCarry) {
  // A length of 10^9 frames leaves only as many as the file could fill.
  std::string text = std::string(objectHead) + "#Vertices 3\n[0,0,0]\n[1,0,0]\n[0,1,0]\n#Animation 1\nLength 1000000000\n";
  T3DMFile file;
  ASSERT_EQ(LoadError(file, text), "");
  const int32_t frames = file.Object(0)->Frames.Count();
  EXPECT_GT(frames, 0);
  EXPECT_LE(int64_t(frames) * 4 * 8, int64_t(text.size()) + 1);
  // Vertices added after the length was read count as well.
  text += "#Vertices 40\n";
  for (int i = 0; i < 40; ++i) text += "[1,1,1]\n";
  ASSERT_EQ(LoadError(file, text), "");
  EXPECT_LE(int64_t(file.Object(0)->Frames.Count()) * 44 * 8, int64_t(text.size()) + 1);
  // A real animation, written as tightly as the format allows, keeps every frame.
  for (const int vertices : {0, 1, 5}) {
    std::string anim = "#Object 0\n#Vertices " + std::to_string(vertices) + "\n";
    for (int k = 0; k < vertices; ++k) anim += "[0,0,0]\n";
    anim += "#Animation 1\nLength 50\n#AnimMesh 0\n";
    for (int f = 0; f < 50; ++f) {
      anim += "Frame 0\n";
      for (int k = 0; k < vertices; ++k) anim += "[1,2,3]\n";
    }
    anim.pop_back();  // the last line without its break
    ASSERT_EQ(LoadError(file, anim), "");
    EXPECT_EQ(file.Object(0)->Frames.Count(), 50) << vertices << " vertices";
    EXPECT_EQ(file.Object(0)->Frames.Frames[49].Count(), vertices);
  }
}

TEST(File3DM, HugeLinesAndGarbage) {
  T3DMFile file;
  const std::string longLine(50 * 1024 * 1024, '7');
  const std::string message = LoadError(file, std::string(objectHead) + "#Vertices 1\n[" + longLine + ",0,0]\n");
  EXPECT_EQ(message.substr(0, 4), "'" + longLine.substr(0, 3));
  EXPECT_EQ(file.ObjectCount(), 1);
  std::string garbage;
  for (int i = 0; i < 65536; ++i) garbage += static_cast<char>((i * 7919) % 256);
  LoadError(file, garbage);  // any outcome but a crash
  // Objects beyond the limit are refused.
  std::string many;
  for (int i = 0; i <= T3DMFile::MaxObjects; ++i) many += "#Object 0\n";
  EXPECT_EQ(LoadError(file, many), "T3DMFile error: more than 65536 objects");
  EXPECT_EQ(file.ObjectCount(), T3DMFile::MaxObjects);
}

// --- the material list ---

TEST(File3DMMaterialList, NamesIgnoreCaseAndASecondNameIsListedButNotIndexed) {
  T3DMFile file;
  ASSERT_EQ(LoadError(file, "#MaterialStandard 1\nName Brick\n#MaterialStandard 1\nName BRICK\n#MaterialStandard 1\nName Glass\n"),
            "");
  T3DMMaterialList& list = file.Materials;
  T3DMMaterial* first = list.Get(0);
  T3DMMaterial* second = list.Get(1);
  T3DMMaterial* glass = list.Get(2);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.FindByName("bRiCk"), first);
  EXPECT_EQ(list.FindByName("stone"), nullptr);
  // Renaming moves the material to the end; the other of the old name takes its place.
  first->SetName("Stone");
  EXPECT_EQ(list.Items(), (std::vector<T3DMMaterial*>{second, glass, first}));
  EXPECT_EQ(list.FindByName("brick"), second);
  EXPECT_EQ(list.FindByName("STONE"), first);
  // Destroying one leaves the list; removing one keeps it alive and unowned.
  delete second;
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.FindByName("brick"), nullptr);
  list.Remove(first);
  EXPECT_EQ(first->Owner, nullptr);
  EXPECT_EQ(list.FindByName("Stone"), nullptr);
  // Adding takes it from another list.
  T3DMMaterialList other;
  other.Add(first);
  EXPECT_EQ(first->Owner, &other);
  list.Add(first);
  EXPECT_EQ(other.Count(), 0);
  EXPECT_EQ(list.FindByName("stone"), first);
  try {
    list.Add(nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "T3DMMaterialList error: Add a NIL Material");
  }
  EXPECT_THROW(list.Get(2), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.FindByName("glass"), nullptr);
}

}  // namespace
}  // namespace emberhall
