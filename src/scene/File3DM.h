// 3DM models: line-oriented text with materials and mesh objects (vertices,
// faces, texture coordinates, material IDs, a transform, vertex-animation
// frames). T3DMFile reads one from a file or an embedded resource into plain
// records; it draws nothing and knows nothing of the scene.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace emberhall {

struct T3DMVertex {
  float X = 0, Y = 0, Z = 0;
  bool operator==(const T3DMVertex&) const = default;
};

// Red, green and blue on the 0 to 255 scale.
struct T3DMColor {
  float Red = 0, Green = 0, Blue = 0;
  bool operator==(const T3DMColor&) const = default;
};

struct T3DMTextureCoord {
  float U = 0, V = 0;
  bool operator==(const T3DMTextureCoord&) const = default;
};

// Three 1-based numbers into a vertex, colour or texture-coordinate list,
// kept as read (nothing here checks them against the lists).
using T3DMFace = std::array<int32_t, 3>;

// Rows 0 to 2 the linear part, row 3 the translation; for row vectors.
using T3DMTransform = std::array<std::array<float, 3>, 4>;

// A plain list of fixed-size elements.
template <class TElement>
class T3DMList {
 public:
  void Add(const TElement& Element) { FItems.push_back(Element); }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises EListError outside 0..Count-1.
  const TElement& Get(int Index) const;
  void Clear() { std::vector<TElement>().swap(FItems); }
  const std::vector<TElement>& Items() const { return FItems; }

 private:
  std::vector<TElement> FItems;
};

using T3DMVertexList = T3DMList<T3DMVertex>;
using T3DMColorList = T3DMList<T3DMColor>;
using T3DMTextureCoordList = T3DMList<T3DMTextureCoord>;
using T3DMFaceList = T3DMList<T3DMFace>;

// One vertex list per animation frame.
class T3DMVertexFrameList {
 public:
  // Appends empty frames, or frees the frames beyond N.
  void SetFrameCount(int N);
  int Count() const { return static_cast<int>(Frames.size()); }
  T3DMVertexList& Frame(int Index);

  std::vector<T3DMVertexList> Frames;
  bool Loop = false;
};

class T3DMObject {
 public:
  T3DMVertexList Vertices;
  T3DMVertexList Normals;
  T3DMColorList Colors;
  T3DMTextureCoordList TextureCoords;
  T3DMFaceList VertexFaces;
  T3DMFaceList ColorFaces;
  T3DMFaceList TextureCoordFaces;
  std::string Name;
  bool HasNormals = false;
  bool HasTextureCoords = false;
  bool HasColors = false;
  bool HasTransform = false;
  T3DMTransform Transform{};
  std::string MaterialName;
  std::vector<int32_t> FaceMatIDs;
  T3DMVertexFrameList Frames;
};

class T3DMMaterialList;

class T3DMMaterial {
 public:
  explicit T3DMMaterial(std::string AName) : Name(std::move(AName)) {}
  // Leaves its owner list first.
  virtual ~T3DMMaterial();
  T3DMMaterial(const T3DMMaterial&) = delete;
  T3DMMaterial& operator=(const T3DMMaterial&) = delete;

  // An owned material is removed and added again under the new name, so it
  // moves to the end of its list.
  void SetName(const std::string& Value);

  // The list that holds it, or none; set by the list.
  T3DMMaterialList* Owner = nullptr;
  // Renaming goes through SetName, so that the owner's index follows.
  std::string Name;
};

class T3DMMaterialStandard : public T3DMMaterial {
 public:
  using T3DMMaterial::T3DMMaterial;

  bool Faceted = false;
  bool TwoSided = false;
  int32_t ShaderType = 0;
  int32_t OpacityType = 0;
  int32_t WireSize = 0;
  float Glossiness = 0;
  float SpecularLevel = 0;
  float Opacity = 0;  // percent, 100 = opaque
  std::string DiffuseMap;  // empty: no map
  std::string ReflectionMap;
  std::string OpacityMap;
  std::string BumpMap;
  T3DMColor Ambient;
  T3DMColor Diffuse;
  T3DMColor SelfIllumColor;
  T3DMColor Specular;
};

// Materials in order of addition, owned, with an index by name that ignores
// letter case; a second material under a name already indexed is listed
// but not indexed.
class T3DMMaterialList {
 public:
  T3DMMaterialList() = default;
  ~T3DMMaterialList() { Clear(); }
  T3DMMaterialList(const T3DMMaterialList&) = delete;
  T3DMMaterialList& operator=(const T3DMMaterialList&) = delete;

  // Takes ownership (from another list too). Raises "T3DMMaterialList
  // error: Add a NIL Material" for none.
  void Add(T3DMMaterial* Material);
  // Drops the material without freeing it. When it was the indexed one, the
  // next material of the same name (in order of addition) takes its place.
  void Remove(T3DMMaterial* Material);
  int Count() const { return static_cast<int>(FItems.size()); }
  // In order of addition; raises EListError outside 0..Count-1.
  T3DMMaterial* Get(int Index) const;
  // The first material added under the name, without regard to case; none
  // when there is none.
  T3DMMaterial* FindByName(std::string_view Name) const;
  void Clear();
  const std::vector<T3DMMaterial*>& Items() const { return FItems; }

 private:
  struct TCaseless {
    using is_transparent = void;
    bool operator()(std::string_view A, std::string_view B) const;
  };
  std::vector<T3DMMaterial*> FItems;
  std::map<std::string, T3DMMaterial*, TCaseless> FNames;
};

class T3DMMaterialMultiSubObject : public T3DMMaterial {
 public:
  using T3DMMaterial::T3DMMaterial;

  T3DMMaterialList SubMaterials;
};

class T3DMFile {
 public:
  // Larger files are refused (the models are a few kilobytes).
  static constexpr size_t MaxFileBytes = 64 * 1024 * 1024;
  // More objects, or more materials (sub-materials included), are refused.
  static constexpr int MaxObjects = 65536;
  static constexpr int MaxMaterials = 65536;

  T3DMFile() = default;
  T3DMFile(const T3DMFile&) = delete;
  T3DMFile& operator=(const T3DMFile&) = delete;

  // Clear, then read the file, or with FromResource the embedded resource
  // named after the file name ("kamin01.3dm" → KAMIN01_3DM). The end of the
  // lines ends the load quietly; any other error is raised and keeps what
  // was read before it.
  void LoadFromFile(const std::string& FileName);
  // Clear, then read these bytes as a file's contents.
  void LoadFromBytes(std::span<const uint8_t> Bytes);
  // Frees every object and every material; Version returns to 0.
  void Clear();
  int ObjectCount() const { return static_cast<int>(Objects.size()); }
  // Raises EListError outside 0..ObjectCount-1.
  T3DMObject* Object(int Index) const;

  std::vector<std::unique_ptr<T3DMObject>> Objects;
  int32_t Version = 0;
  T3DMMaterialList Materials;
  bool FromResource = false;
};

// An object keeps at most this many frames: each frame of a real
// "AnimMesh" is a "Frame" line and one line per vertex, every such line at
// least 8 bytes, so a real file of SourceBytes bytes never reaches it.
int32_t MaxFrameCount(size_t SourceBytes, int32_t VertexCount);

}  // namespace emberhall
