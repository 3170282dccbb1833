#include "scene/ResourceLoader.h"

#include "platform/Resources.h"
#include "platform/SysUtils.h"
#include "platform/Files.h"

namespace emberhall {

namespace {

size_t LastSeparator(const std::string& FileName) { return FileName.find_last_of("\\/:"); }

// Counts the levels of lists and descriptions being loaded, program-wide.
class TNestingGuard {
 public:
  explicit TNestingGuard(const std::string& Where) {
    if (++depth > TResourceLoader::MaxNesting) {
      --depth;
      throw Exception("TResourceLoader error: nesting deeper than " + IntToStr(TResourceLoader::MaxNesting) +
                      " levels at " + Where);
    }
  }
  ~TNestingGuard() { --depth; }
  TNestingGuard(const TNestingGuard&) = delete;
  TNestingGuard& operator=(const TNestingGuard&) = delete;

 private:
  static inline int depth = 0;
};

std::vector<TMainObject*> ChildrenOf(TMainList* List) {
  if (auto* scene = dynamic_cast<TMainScene*>(List)) return scene->Children();
  std::vector<TMainObject*> children;
  for (int i = 0; i < List->GetCount(); ++i) children.push_back(List->GetItem(i));
  return children;
}

}  // namespace

std::string NativePath(std::string Path) {
  for (char& c : Path)
    if (c == '\\') c = '/';
  return Path;
}

std::string CombinePath(const std::string& BasePath, const std::string& FileName) {
  return LastSeparator(FileName) == std::string::npos ? BasePath + FileName : FileName;
}

std::string ResourceNameOf(const std::string& FileName) {
  const size_t separator = LastSeparator(FileName);
  std::string name = separator == std::string::npos ? FileName : FileName.substr(separator + 1);
  const size_t dot = name.find('.');
  if (dot != std::string::npos) name[dot] = '_';
  return name;
}

// --- documents ---

TResourceLoader::~TResourceLoader() {
  try {
    Close();
  } catch (...) {
    // A description that cannot be written was reported by SaveSource's own Close.
  }
}

void TResourceLoader::Parse(std::span<const uint8_t> Bytes) {
  std::vector<std::string> lines = SplitSourceLines(Bytes);
  if (Scrambled) InvertLines(lines);
  FIni = std::make_unique<TIniDocument>(lines);
  FObjectsCreated = 0;
}

void TResourceLoader::Open() {
  Close();
  if (FromResource) {
    const std::string name = ResourceNameOf(FileName);
    const TResourceData data = FindResourceData(name, TResourceType::RCData);
    if (!data.Found) throw Exception("Resource " + name + " not found");
    Parse(data.Bytes);
    return;
  }
  if (FileName.empty()) return;
  const std::vector<uint8_t> bytes = ReadFileBytes(NativePath(FileName), MaxSourceBytes);
  Parse(bytes);
}

void TResourceLoader::OpenBytes(std::span<const uint8_t> Bytes) {
  Close();
  Parse(Bytes);
}

void TResourceLoader::NewDocument() {
  Close();
  FIni = std::make_unique<TIniDocument>();
  WriteMode = true;
}

void TResourceLoader::Close() {
  const bool save = WriteMode;
  WriteMode = false;
  if (save) {
    try {
      SaveDocument();
    } catch (...) {
      FIni.reset();
      throw;
    }
  }
  FIni.reset();
}

void TResourceLoader::SaveDocument() {
  if (!FIni || FileName.empty()) return;
  std::vector<std::string> lines = FIni->Lines();
  if (Scrambled) InvertLines(lines);
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  ReplaceFileContents(NativePath(FileName), text);
}

// --- reading ---

std::optional<std::string> TResourceLoader::RawValue(const std::string& Key) const {
  if (!FIni) return std::nullopt;
  return FIni->Value(Section, Key);
}

bool TResourceLoader::ReadBool(const std::string& Key, bool Default) {
  int32_t value = 0;
  const auto text = RawValue(Key);
  return text && TryStrToInt(*text, value) ? value != 0 : Default;
}

int32_t TResourceLoader::ReadInteger(const std::string& Key, int32_t Default) {
  int32_t value = 0;
  const auto text = RawValue(Key);
  return text && TryStrToInt(*text, value) ? value : Default;
}

float TResourceLoader::ReadFloat(const std::string& Key, float Default) {
  long double value = 0;
  const auto text = RawValue(Key);
  return text && TryStrToFloat(*text, value) ? static_cast<float>(value) : Default;
}

std::string TResourceLoader::ReadString(const std::string& Key, const std::string& Default) {
  const auto text = RawValue(Key);
  if (!text) return Default;
  return text->empty() ? " " : *text;
}

TGLColor TResourceLoader::ReadColor(const std::string& Key, const TGLColor& Default) {
  const std::string text = ReadString(Key, "");
  return text.empty() ? Default : StrToColor(text);
}

TGLPackedColor TResourceLoader::ReadColorBytes(const std::string& Key, TGLPackedColor Default) {
  const std::string text = ReadString(Key, "");
  return text.empty() ? Default : StrToPackedColor(text);
}

TGLVector TResourceLoader::ReadVector(const std::string& Key, const TGLVector& Default) {
  const std::string text = ReadString(Key, "");
  return text.empty() ? Default : StrToVector(text);
}

TMainObject* TResourceLoader::ReadReference(const std::string& Key, TMainObject* Default) {
  const std::string text = ReadString(Key, "");
  return text.empty() ? Default : StrToReference(MainScene, text);
}

std::string TResourceLoader::ReadPath(const std::string& Key, const std::string& BasePath,
                                      const std::string& Default) {
  const std::string text = ReadString(Key, Default);
  return text.empty() ? text : CombinePath(BasePath, text);
}

// --- writing ---

void TResourceLoader::WriteString(const std::string& Key, const std::string& Value) {
  if (!FIni) throw Exception("TResourceLoader error: no document to write " + Key + " to");
  FIni->Write(Section, Key, Value);
}

void TResourceLoader::WriteBool(const std::string& Key, bool Value) { WriteString(Key, Value ? "1" : "0"); }
void TResourceLoader::WriteInteger(const std::string& Key, int32_t Value) { WriteString(Key, IntToStr(Value)); }
void TResourceLoader::WriteFloat(const std::string& Key, float Value) { WriteString(Key, FloatToStr(Value)); }
void TResourceLoader::WriteColor(const std::string& Key, const TGLColor& Value) { WriteString(Key, ColorToStr(Value)); }
void TResourceLoader::WriteColorBytes(const std::string& Key, TGLPackedColor Value) {
  WriteString(Key, PackedColorToStr(Value));
}
void TResourceLoader::WriteVector(const std::string& Key, const TGLVector& Value) {
  WriteString(Key, VectorToStr(Value));
}
void TResourceLoader::WriteReference(const std::string& Key, TMainObject* Obj) {
  WriteString(Key, RefferenceToStr(MainScene, Obj));
}

void TResourceLoader::WritePath(const std::string& Key, const std::string& BasePath, const std::string& FileName) {
  const size_t separator = LastSeparator(FileName);
  const std::string folder = separator == std::string::npos ? "" : FileName.substr(0, separator + 1);
  WriteString(Key, folder == BasePath ? FileName.substr(folder.size()) : FileName);
}

// --- objects ---

TMainObject* TResourceLoader::CreateObject() {
  const std::string type = RawValue("Type").value_or("");
  const std::string name = RawValue("Name").value_or("");
  if (type.empty()) throw Exception("TResourceLoader.CreateObject error: Unknown Object Type! for " + Section);
  if (name.empty()) throw Exception("TResourceLoader.CreateObject error: Empty Object Name! for " + Section);
  // One object per section is what a sound description makes; more means a
  // section is being read over and over.
  if (FIni && ++FObjectsCreated > FIni->SectionCount())
    throw Exception("TResourceLoader.CreateObject error: more objects than sections for " + Section);
  TMainObject* object = CreateObjectByType(type, name);
  if (!object)
    throw Exception("TResourceLoader.CreateObject error: Object not created! for " + Section + " Type: " + type +
                    " Name: " + name);
  if (auto* sceneObject = dynamic_cast<TMainSceneObject*>(object))
    sceneObject->ProcessOptions = StrToProcessOptions(ReadString("ProcessOptions", ""));
  return object;
}

void TResourceLoader::WriteObjectHeader(TMainObject* Obj) {
  WriteString("Type", Obj->ClassName());
  WriteString("Name", Obj->Name);
  auto* sceneObject = dynamic_cast<TMainSceneObject*>(Obj);
  if (sceneObject && sceneObject->ProcessOptions != 0)
    WriteString("ProcessOptions", ProcessOptionsToStr(sceneObject->ProcessOptions));
}

void TResourceLoader::LoadChildren(TMainList* List) {
  if (!List->StoreItems) return;
  TNestingGuard guard(Section);
  List->SetCapacity(ReadInteger("Capacity", List->GetCapacity()));
  const int32_t count = ReadInteger("Count", 0);
  for (int32_t i = 1; i <= count; ++i) {
    Section = List->Name + IntToStr(i);
    TMainObject* object = CreateObject();
    try {
      List->AddItem(object);
    } catch (...) {
      delete object;  // the list refused it, so nothing else holds it
      throw;
    }
    // A list that only refers to its items would leave a created object
    // without an owner, never to be freed.
    if (object->Owner != List) {
      List->RemoveItem(object);
      delete object;
      throw Exception("TResourceLoader.LoadChildren error: " + List->Name + " cannot own the object of " + Section);
    }
    object->LoadFromLoader(*this);
    auto* resource = dynamic_cast<TResource*>(object);
    if (!resource) continue;
    resource->SourceLocation = MainScene ? MainScene->SourceLocation : resource->SourceLocation;
    resource->SourceName = ReadString("SourceName", "");
    if (!resource->SourceName.empty()) {
      resource->SourceName = CombinePath(resource->Path, resource->SourceName);
      resource->LoadSource();
    } else {
      LoadChildren(resource);
    }
  }
}

void TResourceLoader::SaveChildren(TMainList* List) {
  if (!List->StoreItems) return;
  const std::vector<TMainObject*> children = ChildrenOf(List);
  const std::string listSection = Section;
  WriteInteger("Capacity", List->GetCapacity());
  WriteInteger("Count", static_cast<int32_t>(children.size()));
  for (size_t i = 0; i < children.size(); ++i) {
    Section = List->Name + IntToStr(static_cast<int64_t>(i + 1));
    TMainObject* object = children[i];
    WriteObjectHeader(object);
    auto* resource = dynamic_cast<TResource*>(object);
    if (!resource) {
      object->SaveToLoader(*this);
    } else if (resource->SourceName.empty()) {
      resource->SaveToLoader(*this);
      SaveChildren(resource);
    } else {
      WriteString("SourceName", resource->SourceName);
      resource->SaveSource();
    }
  }
  Section = listSection;
}

// --- the loader hooks of the object model ---

void TMainObject::SaveToLoader(TResourceLoader& Loader) {
  if (!Visible) Loader.WriteBool("Visible", false);
  if (Alpha) Loader.WriteBool("Alpha", true);
}

void TMainObject::LoadFromLoader(TResourceLoader& Loader) {
  SetVisible(Loader.ReadBool("Visible", Visible));
  Alpha = Loader.ReadBool("Alpha", Alpha);
}

void TResource::SaveToLoader(TResourceLoader& Loader) {
  TMainObjectList::SaveToLoader(Loader);
  // A resource starts hidden, so being shown is what must be written.
  if (Visible) Loader.WriteBool("Visible", true);
  if (SourceLocation != slFile) Loader.WriteString("SourceLocation", SourceLocationToStr(SourceLocation));
  if (Path != ".\\") Loader.WriteString("Path", Path);
}

void TResource::LoadFromLoader(TResourceLoader& Loader) {
  TMainObjectList::LoadFromLoader(Loader);
  SourceLocation = StrToSourceLocation(Loader.ReadString("SourceLocation", SourceLocationToStr(SourceLocation)));
  Path = Loader.ReadString("Path", Path);
}

void TResource::LoadSource() {
  if (!SourceEnabled || SourceLocation == 0 || ((SourceLocation & slFile) && SourceName.empty())) return;
  TNestingGuard guard(Name);
  FreeAll();
  std::unique_ptr<TResourceLoader> fileLoader, resourceLoader;
  auto makeLoader = [&](bool FromResource) {
    auto loader = std::make_unique<TResourceLoader>();
    loader->FromResource = FromResource;
    loader->Scrambled = Scrambled;
    loader->FileName = FromResource ? ResourceNameOf(CombinePath(Path, SourceName)) : CombinePath(Path, SourceName);
    loader->Section = Name;
    loader->MainScene = MainScene;
    loader->Open();
    return loader;
  };
  if (SourceLocation & slFile) fileLoader = makeLoader(false);
  if (SourceLocation & slResource) resourceLoader = makeLoader(true);
  if (resourceLoader) LoadFromLoader(*resourceLoader);
  if (fileLoader) LoadFromLoader(*fileLoader);
  if (fileLoader) fileLoader->LoadChildren(this);
  if (resourceLoader) resourceLoader->LoadChildren(this);
}

void TResource::SaveSource() {
  if (!SourceEnabled || !(SourceLocation & slFile) || SourceName.empty()) return;
  TResourceLoader loader;
  loader.FileName = CombinePath(Path, SourceName);
  loader.Section = Name;
  loader.MainScene = MainScene;
  loader.Scrambled = false;
  loader.NewDocument();
  loader.WriteObjectHeader(this);
  SaveToLoader(loader);
  loader.SaveChildren(this);
  loader.Close();  // writes the file; a failure is raised here
}

}  // namespace emberhall
