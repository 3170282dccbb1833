#include "Description.h"

#include <utility>
#include <vector>

#include "ClockPictures.h"

namespace scenedata {

namespace {

using TKeys = std::vector<std::pair<std::string, std::string>>;

// One object of the description; lists carry their children, which are
// written as the sections <list name>1, <list name>2, …
struct TNode {
  TNode(std::string AType, std::string AName, TKeys AKeys = {}, std::vector<TNode> AChildren = {}, bool AList = false)
      : Type(std::move(AType)), Name(std::move(AName)), Keys(std::move(AKeys)), Children(std::move(AChildren)),
        IsList(AList) {}
  std::string Type, Name;
  TKeys Keys;
  std::vector<TNode> Children;
  bool IsList = false;
};

TNode List(const std::string& Type, const std::string& Name, TKeys Keys, std::vector<TNode> Children) {
  return TNode(Type, Name, std::move(Keys), std::move(Children), true);
}

void Write(std::string& Out, const std::string& Section, const TNode& Node, bool Header) {
  Out += "[" + Section + "]\r\n";
  if (Header) Out += "Type=" + Node.Type + "\r\nName=" + Node.Name + "\r\n";
  for (const auto& [key, value] : Node.Keys) Out += key + "=" + value + "\r\n";
  if (Node.IsList) Out += "Count=" + std::to_string(Node.Children.size()) + "\r\n";
  Out += "\r\n";
  for (size_t i = 0; i < Node.Children.size(); ++i)
    Write(Out, Node.Name + std::to_string(i + 1), Node.Children[i], true);
}

TNode Textures() {
  return List("TSceneTextureList", "Textures", {{"Quality", "High"}, {"ColorBit", "32bit"}, {"MipMap", "0"}},
              {
                  // The flame simulation paints this one every frame.
                  {"TSceneTexture", "FLAME.jpg",
                   {{"TextureName", "FLAME.jpg"}, {"AlphaName", "FLAME.jpg"}, {"Format", "Alpha"}}},
                  {"TSceneTexture", "ClockA.bmp",
                   {{"TextureName", "clock.bmp"}, {"AlphaName", "ClockA.bmp"}, {"Format", "Alpha"}}},
              });
}

// The firebox and flame materials come from the models; the clock's
// sprites need one of their own (lighting is off in the clock's layer).
TNode Materials() {
  return List("TSceneMaterialList", "Materials", {},
              {{"TSceneMaterial", "ClockFace",
                {{"Count", "1"},
                 {"Ambient1", "1,1,1,1"},
                 {"Diffuse1", "1,1,1,1"},
                 {"Specular1", "0,0,0,1"},
                 {"Emission1", "0,0,0,1"},
                 {"Shininess1", "0"}}}});
}

// Items 0, 1, 2 in name order: Vee, Rectangular, Cylindrical.
TNode Meshes() {
  std::vector<TNode> meshes;
  for (int i = 1; i <= 3; ++i)
    meshes.push_back({"TSceneMesh", "Kamin" + std::to_string(i),
                      {{"SourceName", "kamin0" + std::to_string(i) + ".3dm"}, {"FPS", "6"}}});
  return List("TSceneMeshList", "Meshes", {{"Materials", "Materials"}, {"Textures", "Textures"}}, meshes);
}

// A low warm ambient, and the fire's own light just in front of the flame.
std::vector<TNode> Lights() {
  return {
      {"TMainLight", "Ambient", {{"ProcessOptions", "[Render]"}, {"Ambient", "0.1,0.07,0.06,1"}}},
      {"TMainLight",
       "FireLight",
       {{"ProcessOptions", "[Render]"},
        {"LightStyle", "Point"},
        {"Position", "0,-55,-50"},
        {"Ambient", "0,0,0,1"},
        {"Diffuse", "1,0.62,0.28,1"},
        {"Specular", "0.4,0.25,0.1,1"},
        {"ConstantAttenuation", "0.45"},
        {"LinearAttenuation", "0.006"},
        {"QuadraticAttenuation", "0"}}},
  };
}

TNode Fireplace() {
  return {"TMainVisualObject",
          "Fireplace",
          {{"ProcessOptions", "[Render,Animation]"},
           {"Alpha", "1"},  // the flame is drawn in the blended pass
           {"Visual", "Meshes/Kamin1"},
           {"Position", "0,0,0"},
           {"Angles", "0,0,0"},
           {"Scale", "1,1,1"},
           {"VisualOptions", "[Position,Rotation]"}}};
}

TNode ClockSprites() {
  std::vector<TNode> sprites;
  for (const TClockCell& cell : ClockCells())
    sprites.push_back({"TSceneSprite",
                       cell.Name,
                       {{"Texture", "Textures/ClockA.bmp"},
                        {"Material", "Materials/ClockFace"},
                        {"Width", std::to_string(cell.Width)},
                        {"Height", std::to_string(cell.Height)},
                        {"OriginX", "0"},
                        {"OriginY", "0"},
                        {"StartU", std::to_string(cell.X)},
                        {"StartV", std::to_string(cell.Y)}}});
  return List("TSceneMeshList", "ClockSprites", {{"Materials", "Materials"}, {"Textures", "Textures"}}, sprites);
}

// The clock's parts in the top right corner of a 1024 x 768 view: the time
// above, weekday and date below.
TNode ClockParts() {
  struct TPart {
    const char* Name;
    const char* Shows;
    int X, Y;
  };
  const TPart parts[] = {
      {"time1", "0", 832, 700},   {"time2", "0", 856, 700},  {"time3", "colon", 880, 700}, {"time4", "0", 892, 700},
      {"time5", "0", 916, 700},   {"time6", "am", 944, 706}, {"time7", "pm", 944, 706},    {"day", "sun", 832, 664},
      {"month1", "0", 900, 658},  {"month2", "0", 924, 658}, {"month4", "0", 956, 658},    {"month5", "0", 980, 658},
  };
  std::vector<TNode> children;
  for (const TPart& p : parts)
    children.push_back({"TMainVisualObject",
                        p.Name,
                        {{"Visual", std::string("ClockSprites/") + p.Shows},
                         {"Position", std::to_string(p.X) + "," + std::to_string(p.Y) + ",0"},
                         {"VisualOptions", "[Position]"}}});
  // No process options: the clock draws this layer, the scene does not.
  return List("TMainSpriteList", "ClockParts",
              {{"Alpha", "1"}, {"ViewWidth", "1024"}, {"ViewHeight", "768"}, {"Position", "0,0,0"}, {"Lighting", "0"}},
              children);
}

TNode Clock() {
  return {"TGLClock",
          "GLClock",
          {{"ProcessOptions", "[Render,Animation]"}, {"Sprites", "ClockSprites"}, {"Objects", "ClockParts"}}};
}

}  // namespace

std::string FireplaceDescription() {
  // Order matters: references resolve against what comes earlier, and the
  // render list draws lights first, then the firebox, then the clock.
  std::vector<TNode> children = {Textures(), Materials(), Meshes()};
  for (TNode& light : Lights()) children.push_back(light);
  children.push_back(Fireplace());
  children.push_back(ClockSprites());
  children.push_back(ClockParts());
  children.push_back(Clock());
  TNode scene = List("", "MainScene", {}, children);
  std::string out = "; Emberhall's fireplace scene, written by tools/scene_data.\r\n";
  Write(out, "MainScene", scene, false);
  return out;
}

}  // namespace scenedata
