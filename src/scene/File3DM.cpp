#include "scene/File3DM.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/Files.h"
#include "scene/ResourceLoader.h"

namespace emberhall {

namespace {

// Raised when a read goes past the last line: it ends the load quietly.
struct TEndOfLines {};

[[noreturn]] void ListIndexError(int Index) {
  throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

std::string_view Trim(std::string_view S) {
  while (!S.empty() && static_cast<unsigned char>(S.front()) <= 32) S.remove_prefix(1);
  while (!S.empty() && static_cast<unsigned char>(S.back()) <= 32) S.remove_suffix(1);
  return S;
}

// One cursor over the lines of the source (CR, LF or CR LF); lines of
// length zero are skipped, the others come trimmed.
class TLineCursor {
 public:
  explicit TLineCursor(std::span<const uint8_t> Bytes)
      : FText(reinterpret_cast<const char*>(Bytes.data()), Bytes.size()) {}

  std::string_view Next() {
    while (FAt < FText.size()) {
      size_t end = FText.find_first_of("\r\n", FAt);
      if (end == std::string_view::npos) end = FText.size();
      const std::string_view line = FText.substr(FAt, end - FAt);
      FAt = end;
      if (FAt < FText.size()) FAt += FText.compare(FAt, 2, "\r\n") == 0 ? 2 : 1;
      if (!line.empty()) return Trim(line);
    }
    throw TEndOfLines{};
  }

 private:
  std::string_view FText;
  size_t FAt = 0;
};

// "Name Value": the text before the first blank and the rest after it; a
// line without a blank is all Value.
struct TParam {
  std::string_view Name, Value;
};

TParam SplitParam(std::string_view Line) {
  const size_t blank = Line.find(' ');
  if (blank == std::string_view::npos) return {{}, Line};
  return {Line.substr(0, blank), Line.substr(blank + 1)};
}

[[noreturn]] void FloatError(std::string_view Text) {
  throw EConvertError("'" + std::string(Text) + "' is not a valid floating point value");
}

// A number that does not fit a 32-bit float is refused like any other
// unreadable number.
float ToSingle(std::string_view Text) {
  const long double value = StrToFloat(Text);
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) FloatError(Text);
  return static_cast<float>(value);
}

// "[a,b,c]": a from the second character to the first ",", b up to the
// second ",", c from there up to the last character (not included). False
// without two commas.
bool CutTriple(std::string_view Line, std::array<std::string_view, 3>& Parts) {
  const size_t first = Line.find(',');
  const size_t second = first == std::string_view::npos ? first : Line.find(',', first + 1);
  if (second == std::string_view::npos) return false;
  const size_t zBegin = second + 1, zEnd = Line.size() - 1;
  Parts = {first >= 1 ? Line.substr(1, first - 1) : std::string_view(), Line.substr(first + 1, second - first - 1),
           zEnd > zBegin ? Line.substr(zBegin, zEnd - zBegin) : std::string_view()};
  return true;
}

T3DMVertex ToVector(std::string_view Line) {
  std::array<std::string_view, 3> p;
  if (!CutTriple(Line, p)) FloatError(Line);
  return {ToSingle(p[0]), ToSingle(p[1]), ToSingle(p[2])};
}

T3DMFace ToTriple(std::string_view Line) {
  std::array<std::string_view, 3> p;
  if (!CutTriple(Line, p)) throw EConvertError("'" + std::string(Line) + "' is not a valid integer value");
  return {StrToInt(p[0]), StrToInt(p[1]), StrToInt(p[2])};
}

// "(color r g b)": the first seven characters and the last one dropped, the
// rest split at its first two blanks.
T3DMColor ToColor(std::string_view Value) {
  const std::string_view rest = Value.size() >= 8 ? Value.substr(7, Value.size() - 8) : std::string_view();
  const size_t first = rest.find(' ');
  const size_t second = first == std::string_view::npos ? first : rest.find(' ', first + 1);
  if (second == std::string_view::npos) FloatError(rest);
  return {ToSingle(rest.substr(0, first)), ToSingle(rest.substr(first + 1, second - first - 1)),
          ToSingle(rest.substr(second + 1))};
}

// Numbers start after "[" or "," and end at the next "," or "]"; the first
// twelve fill the rows in order, missing ones stay zero.
T3DMTransform ToMatrix(std::string_view Text) {
  T3DMTransform m{};
  size_t at = 0;
  for (int n = 0; n < 12; ++n) {
    const size_t start = Text.find_first_of("[,", at);
    if (start == std::string_view::npos) break;
    const size_t end = Text.find_first_of(",]", start + 1);
    if (end == std::string_view::npos) break;
    m[static_cast<size_t>(n / 3)][static_cast<size_t>(n % 3)] = ToSingle(Text.substr(start + 1, end - start - 1));
    at = end;
  }
  return m;
}

bool ToFlag(std::string_view Value) { return !Value.empty() && std::toupper(static_cast<unsigned char>(Value[0])) == 'T'; }
bool ToLoop(std::string_view Value) { return LowerCase(Value) == "true"; }
std::string ToMapName(std::string_view Value) { return SameText(Value, "undefined") ? "" : std::string(Value); }

using TStandardSetter = void (*)(T3DMMaterialStandard&, std::string_view);

struct TStandardParam {
  const char* Name;
  TStandardSetter Set;
};

const TStandardParam standardParams[] = {
    {"Name", [](T3DMMaterialStandard& M, std::string_view V) { M.Name = V; }},
    {"ShaderType", [](T3DMMaterialStandard& M, std::string_view V) { M.ShaderType = StrToInt(V.substr(0, V.find(' '))); }},
    {"Faceted", [](T3DMMaterialStandard& M, std::string_view V) { M.Faceted = ToFlag(V); }},
    {"WireSize", [](T3DMMaterialStandard& M, std::string_view V) { M.WireSize = StrToInt(V); }},
    {"TwoSided", [](T3DMMaterialStandard& M, std::string_view V) { M.TwoSided = ToFlag(V); }},
    {"OpacityType", [](T3DMMaterialStandard& M, std::string_view V) { M.OpacityType = StrToInt(V); }},
    {"Opacity", [](T3DMMaterialStandard& M, std::string_view V) { M.Opacity = ToSingle(V); }},
    {"selfIllumColor", [](T3DMMaterialStandard& M, std::string_view V) { M.SelfIllumColor = ToColor(V); }},
    {"Ambient", [](T3DMMaterialStandard& M, std::string_view V) { M.Ambient = ToColor(V); }},
    {"Diffuse", [](T3DMMaterialStandard& M, std::string_view V) { M.Diffuse = ToColor(V); }},
    {"Specular", [](T3DMMaterialStandard& M, std::string_view V) { M.Specular = ToColor(V); }},
    {"SpecularLevel", [](T3DMMaterialStandard& M, std::string_view V) { M.SpecularLevel = ToSingle(V); }},
    {"Glossiness", [](T3DMMaterialStandard& M, std::string_view V) { M.Glossiness = ToSingle(V); }},
    {"DiffuseMap", [](T3DMMaterialStandard& M, std::string_view V) { M.DiffuseMap = ToMapName(V); }},
    {"OpacityMap", [](T3DMMaterialStandard& M, std::string_view V) { M.OpacityMap = ToMapName(V); }},
    {"BumpMap", [](T3DMMaterialStandard& M, std::string_view V) { M.BumpMap = ToMapName(V); }},
    {"ReflectionMap", [](T3DMMaterialStandard& M, std::string_view V) { M.ReflectionMap = ToMapName(V); }},
};

void FillStandard(T3DMMaterialStandard& M, const TParam& P) {
  for (const TStandardParam& param : standardParams)
    if (P.Name == param.Name) {
      param.Set(M, P.Value);
      return;
    }
}

// The chunks of one source, read into a file.
class T3DMParser {
 public:
  T3DMParser(T3DMFile& File, std::span<const uint8_t> Bytes) : FFile(File), FLines(Bytes), FSize(Bytes.size()) {}

  // Chunks until the lines run out.
  void Run() {
    try {
      for (;;) ReadChunk();
    } catch (const TEndOfLines&) {
      // What was read is the result.
    }
  }

 private:
  using THandler = void (T3DMParser::*)(int32_t Count);
  struct TChunk {
    const char* Name;
    THandler Handler;
    bool NeedsObject;
  };
  static const TChunk chunks[];

  TParam NextParam() { return SplitParam(FLines.Next()); }
  T3DMObject& Current() { return *FFile.Objects.back(); }

  // Skips lines up to one that starts with "#": "#Name Count".
  void ReadChunkHeader(std::string& Name, int32_t& Count) {
    std::string_view line;
    do line = FLines.Next();
    while (line.empty() || line.front() != '#');
    const size_t blank = line.find(' ');
    Name = line.substr(1, blank == std::string_view::npos ? std::string_view::npos : blank - 1);
    Count = StrToInt(blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1));
  }

  // One chunk as the table says; chunks of other names are skipped.
  void ReadChunk();

  void ReadHeader(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) {
      const TParam p = NextParam();
      if (p.Name == "Version") {
        FFile.Version = StrToInt(p.Value);
        return;
      }
    }
  }

  void CountMaterial() {
    if (++FMaterials > T3DMFile::MaxMaterials)
      throw Exception("T3DMFile error: more than " + IntToStr(T3DMFile::MaxMaterials) + " materials");
  }

  // A material is added once filled, so the name index sees its final
  // name; when the lines end inside it, it is added with what was read.
  template <class TMaterial, class TFill>
  TMaterial* ReadMaterial(int32_t Count, T3DMMaterialList& Into, TFill Fill) {
    CountMaterial();
    auto material = std::make_unique<TMaterial>("");
    try {
      for (int32_t i = 0; i < Count; ++i) Fill(*material, NextParam());
    } catch (const TEndOfLines&) {
      Into.Add(material.release());
      throw;
    }
    Into.Add(material.get());
    return material.release();
  }

  void ReadStandardInto(int32_t Count, T3DMMaterialList& Into) {
    ReadMaterial<T3DMMaterialStandard>(Count, Into, FillStandard);
  }

  void ReadMaterialStandard(int32_t Count) { ReadStandardInto(Count, FFile.Materials); }

  void ReadMultiSub(int32_t Count) {
    int32_t subs = 0;
    auto* multi = ReadMaterial<T3DMMaterialMultiSubObject>(
        Count, FFile.Materials, [&subs](T3DMMaterialMultiSubObject& M, const TParam& P) {
          if (P.Name == "Name") M.Name = P.Value;
          if (P.Name == "NumSubs") subs = StrToInt(P.Value);
        });
    for (int32_t i = 0; i < subs; ++i) {
      std::string name;
      int32_t count = 0;
      ReadChunkHeader(name, count);
      if (name != "MaterialStandard") throw Exception("T3DMFile error: SubMaterial is not Standard");
      ReadStandardInto(count, multi->SubMaterials);
    }
  }

  void ReadObject(int32_t Count) {
    if (FFile.ObjectCount() >= T3DMFile::MaxObjects)
      throw Exception("T3DMFile error: more than " + IntToStr(T3DMFile::MaxObjects) + " objects");
    FFile.Objects.push_back(std::make_unique<T3DMObject>());
    for (int32_t i = 0; i < Count; ++i) {
      const TParam p = NextParam();
      if (p.Name == "Name") {
        Current().Name = p.Value;
        return;
      }
    }
  }

  void ReadTransform(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) {
      const std::string_view line = FLines.Next();
      const size_t at = line.find("(matrix3");
      if (at == std::string_view::npos) continue;
      Current().Transform = ToMatrix(line.substr(at));
      Current().HasTransform = true;
    }
  }

  void ReadVertices(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) Current().Vertices.Add(ToVector(FLines.Next()));
  }

  void ReadVertexFaces(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) Current().VertexFaces.Add(ToTriple(FLines.Next()));
  }

  void ReadNormals(int32_t Count) {
    T3DMObject& o = Current();
    o.HasNormals = o.Normals.Count() > 0;
    for (int32_t i = 0; i < Count; ++i) {
      o.Normals.Add(ToVector(FLines.Next()));
      o.HasNormals = true;
    }
  }

  void ReadTextureCoords(int32_t Count) {
    T3DMObject& o = Current();
    o.HasTextureCoords = o.TextureCoords.Count() > 0;
    for (int32_t i = 0; i < Count; ++i) {
      const T3DMVertex v = ToVector(FLines.Next());
      o.TextureCoords.Add({v.X, v.Y});
      o.HasTextureCoords = true;
    }
  }

  void ReadTextureCoordFaces(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) Current().TextureCoordFaces.Add(ToTriple(FLines.Next()));
  }

  void ReadColors(int32_t Count) {
    T3DMObject& o = Current();
    o.HasColors = o.Colors.Count() > 0;
    for (int32_t i = 0; i < Count; ++i) {
      o.Colors.Add(ToColor(FLines.Next()));
      o.HasColors = true;
    }
  }

  void ReadColorFaces(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) Current().ColorFaces.Add(ToTriple(FLines.Next()));
  }

  void ReadFaceMatIDs(int32_t Count) {
    for (int32_t i = 0; i < Count; ++i) Current().FaceMatIDs.push_back(StrToInt(FLines.Next()));
  }

  // Its count is ignored: one line.
  void ReadObjectMaterial(int32_t) {
    const TParam p = NextParam();
    if (p.Name == "Name") Current().MaterialName = p.Value;
  }

  void ReadAnimation(int32_t Count) {
    T3DMObject& o = Current();
    for (int32_t i = 0; i < Count; ++i) {
      const TParam p = NextParam();
      if (p.Name == "Length")
        o.Frames.SetFrameCount(std::min(StrToInt(p.Value), MaxFrameCount(FSize, o.Vertices.Count())));
      if (p.Name == "Loop") o.Frames.Loop = ToLoop(p.Value);
    }
  }

  // Its count is ignored: per frame a "Frame" line, then one vector per
  // vertex read so far.
  void ReadAnimMesh(int32_t) {
    T3DMObject& o = Current();
    const int vertices = o.Vertices.Count();
    for (int f = 0; f < o.Frames.Count(); ++f) {
      if (NextParam().Name != "Frame") throw Exception("T3DMFile.ReadAnimMesh error: It is not vertex frame animation!");
      for (int k = 0; k < vertices; ++k) o.Frames.Frame(f).Add(ToVector(FLines.Next()));
    }
  }

  T3DMFile& FFile;
  TLineCursor FLines;
  size_t FSize;
  int FMaterials = 0;
};

const T3DMParser::TChunk T3DMParser::chunks[] = {
    {"Header", &T3DMParser::ReadHeader, false},
    {"MaterialStandard", &T3DMParser::ReadMaterialStandard, false},
    {"MaterialMultiSubObject", &T3DMParser::ReadMultiSub, false},
    {"Object", &T3DMParser::ReadObject, false},
    {"Transform", &T3DMParser::ReadTransform, true},
    {"Vertices", &T3DMParser::ReadVertices, true},
    {"VertexFaces", &T3DMParser::ReadVertexFaces, true},
    {"Normals", &T3DMParser::ReadNormals, true},
    {"TextureCoords", &T3DMParser::ReadTextureCoords, true},
    {"TextureCoordFaces", &T3DMParser::ReadTextureCoordFaces, true},
    {"Colors", &T3DMParser::ReadColors, true},
    {"ColorFaces", &T3DMParser::ReadColorFaces, true},
    {"FaceMatID", &T3DMParser::ReadFaceMatIDs, true},
    {"Material", &T3DMParser::ReadObjectMaterial, true},
    {"Animation", &T3DMParser::ReadAnimation, true},
    {"AnimMesh", &T3DMParser::ReadAnimMesh, true},
};

void T3DMParser::ReadChunk() {
  std::string name;
  int32_t count = 0;
  ReadChunkHeader(name, count);
  for (const TChunk& chunk : chunks) {
    if (name != chunk.Name) continue;
    if (chunk.NeedsObject && FFile.Objects.empty())
      throw Exception("T3DMFile error: " + name + " before any Object");
    return (this->*chunk.Handler)(count);
  }
  for (int32_t i = 0; i < count; ++i) FLines.Next();
}

// Vertices added after the animation's length was read can make the frames
// outgrow the source; such frames are dropped.
void CapFrames(T3DMFile& File, size_t SourceBytes) {
  for (const auto& object : File.Objects) {
    const int32_t most = MaxFrameCount(SourceBytes, object->Vertices.Count());
    if (object->Frames.Count() > most) object->Frames.SetFrameCount(most);
  }
}

}  // namespace

int32_t MaxFrameCount(size_t SourceBytes, int32_t VertexCount) {
  const size_t lines = (SourceBytes + 1) / 8;
  const size_t perFrame = static_cast<size_t>(std::max(VertexCount, 0)) + 1;
  return static_cast<int32_t>(std::min<size_t>(lines / perFrame, std::numeric_limits<int32_t>::max()));
}

// --- lists ---

template <class TElement>
const TElement& T3DMList<TElement>::Get(int Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FItems[static_cast<size_t>(Index)];
}

template class T3DMList<T3DMVertex>;
template class T3DMList<T3DMColor>;
template class T3DMList<T3DMTextureCoord>;
template class T3DMList<T3DMFace>;

void T3DMVertexFrameList::SetFrameCount(int N) { Frames.resize(static_cast<size_t>(std::max(N, 0))); }

T3DMVertexList& T3DMVertexFrameList::Frame(int Index) {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return Frames[static_cast<size_t>(Index)];
}

// --- materials ---

T3DMMaterial::~T3DMMaterial() {
  if (Owner) Owner->Remove(this);
}

void T3DMMaterial::SetName(const std::string& Value) {
  T3DMMaterialList* owner = Owner;
  if (owner) owner->Remove(this);
  Name = Value;
  if (owner) owner->Add(this);
}

bool T3DMMaterialList::TCaseless::operator()(std::string_view A, std::string_view B) const {
  return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
    return std::toupper(static_cast<unsigned char>(X)) < std::toupper(static_cast<unsigned char>(Y));
  });
}

void T3DMMaterialList::Add(T3DMMaterial* Material) {
  if (!Material) throw Exception("T3DMMaterialList error: Add a NIL Material");
  if (Material->Owner) Material->Owner->Remove(Material);
  FNames.emplace(Material->Name, Material);  // a name already indexed keeps its material
  FItems.push_back(Material);
  Material->Owner = this;
}

void T3DMMaterialList::Remove(T3DMMaterial* Material) {
  if (!Material || Material->Owner != this) return;
  FItems.erase(std::find(FItems.begin(), FItems.end(), Material));
  Material->Owner = nullptr;
  auto entry = FNames.find(Material->Name);
  if (entry == FNames.end() || entry->second != Material)  // renamed behind the list's back, or not indexed
    entry = std::find_if(FNames.begin(), FNames.end(), [Material](const auto& E) { return E.second == Material; });
  if (entry == FNames.end()) return;
  const std::string name = entry->first;
  FNames.erase(entry);
  auto next = std::find_if(FItems.begin(), FItems.end(), [&name](T3DMMaterial* M) { return SameText(M->Name, name); });
  if (next != FItems.end()) FNames.emplace((*next)->Name, *next);
}

T3DMMaterial* T3DMMaterialList::Get(int Index) const {
  if (Index < 0 || Index >= Count()) ListIndexError(Index);
  return FItems[static_cast<size_t>(Index)];
}

T3DMMaterial* T3DMMaterialList::FindByName(std::string_view Name) const {
  const auto entry = FNames.find(Name);
  return entry == FNames.end() ? nullptr : entry->second;
}

void T3DMMaterialList::Clear() {
  std::vector<T3DMMaterial*> items;
  items.swap(FItems);
  FNames.clear();
  for (T3DMMaterial* material : items) {
    material->Owner = nullptr;
    delete material;
  }
}

// --- the file ---

void T3DMFile::LoadFromFile(const std::string& FileName) {
  Clear();
  if (!FromResource) return LoadFromBytes(ReadFileBytes(NativePath(FileName), MaxFileBytes));
  const std::string name = ResourceNameOf(FileName);
  const TResourceData data = FindResourceData(name, TResourceType::RCData);
  if (!data.Found) throw Exception("Resource " + name + " not found");
  LoadFromBytes(data.Bytes);
}

void T3DMFile::LoadFromBytes(std::span<const uint8_t> Bytes) {
  Clear();
  T3DMParser parser(*this, Bytes);
  try {
    parser.Run();
  } catch (...) {
    CapFrames(*this, Bytes.size());
    throw;
  }
  CapFrames(*this, Bytes.size());
}

void T3DMFile::Clear() {
  Objects.clear();
  Materials.Clear();
  Version = 0;
}

T3DMObject* T3DMFile::Object(int Index) const {
  if (Index < 0 || Index >= ObjectCount()) ListIndexError(Index);
  return Objects[static_cast<size_t>(Index)].get();
}

}  // namespace emberhall
