#include "scene/SceneObjects.h"

#include <algorithm>
#include <map>

#include "gl/GLContext.h"
#include "platform/SysUtils.h"
#include "scene/RenderCaches.h"
#include "scene/SceneFonts.h"
#include "scene/SceneLights.h"
#include "scene/SceneMeshes.h"
#include "scene/SceneMaterials.h"
#include "scene/SceneTextures.h"
#include "scene/SceneVisuals.h"

namespace emberhall {

namespace {

const char* const processOptionNames[] = {"Render", "Animation", "Events"};
const char* const sourceLocationNames[] = {"File", "Resource"};

}  // namespace

std::string SetToText(uint8_t Set, const char* const* Names, int Count, const std::string& Empty) {
  std::string text;
  for (int i = 0; i < Count; ++i)
    if (Set & (1 << i)) text += (text.empty() ? "[" : ",") + std::string(Names[i]);
  return text.empty() ? Empty : text + "]";
}

uint8_t TextToSet(const std::string& Text, const char* const* Names, int Count, bool IgnoreCase) {
  const std::string text = IgnoreCase ? LowerCase(Text) : Text;
  uint8_t set = 0;
  for (int i = 0; i < Count; ++i)
    if (text.find(IgnoreCase ? LowerCase(Names[i]) : std::string(Names[i])) != std::string::npos)
      set |= static_cast<uint8_t>(1 << i);
  return set;
}

std::string ProcessOptionsToStr(TProcessOptions Options) { return SetToText(Options, processOptionNames, 3, ""); }
TProcessOptions StrToProcessOptions(const std::string& Text) { return TextToSet(Text, processOptionNames, 3, false); }
std::string SourceLocationToStr(TSourceLocations Locations) { return SetToText(Locations, sourceLocationNames, 2, ""); }
TSourceLocations StrToSourceLocation(const std::string& Text) { return TextToSet(Text, sourceLocationNames, 2, false); }

// --- TMainItem ---

TMainItem::~TMainItem() { UnlinkFromOwner(); }

void TMainItem::UnlinkFromOwner() {
  if (!Owner) return;
  TMainList* owner = Owner;
  Owner = nullptr;
  if (auto* object = dynamic_cast<TMainObject*>(this)) owner->RemoveItem(object);
}

void TMainItem::ProcessEvents(float) {}
void TMainItem::Animate(float) {}

void TMainItem::Render() {
  if (!Visible) return;
  BeginRender();
  RenderOpaque();
  if (Alpha) RenderTransparent();
  EndRender();
}

// --- TMainObject ---

// The owner list reads Name (and, for scene objects, the scene fields), so
// the unlinking happens before those fields go.
TMainObject::~TMainObject() { UnlinkFromOwner(); }
TMainSceneObject::~TMainSceneObject() { UnlinkFromOwner(); }

void TMainObject::SetName(const std::string& Value) {
  if (Value == Name) return;
  if (Owner) {
    Owner->RenameItem(this, Value);
  } else {
    Name = Value;
  }
}

// --- TMainList ---

void TMainList::AddItem(TMainObject* Item) { Item->MainScene = MainScene; }

void TMainList::FreeLast(int N) {
  if (N < 1) return;
  N = std::min(N, GetCount());
  for (int i = GetCount() - 1, done = 0; done < N; --i, ++done) {
    TMainObject* item = GetItem(i);
    if (item) {
      item->Owner = nullptr;
      delete item;
    }
    DeleteItem(i);
  }
}

void TMainList::ProcessEvents(float DeltaTime) {
  for (int i = 0; i < GetCount(); ++i)
    if (TMainObject* item = GetItem(i)) item->ProcessEvents(DeltaTime);
}

void TMainList::Animate(float DeltaTime) {
  for (int i = 0; i < GetCount(); ++i)
    if (TMainObject* item = GetItem(i)) item->Animate(DeltaTime);
}

void TMainList::Render() {
  if (!Visible) return;
  BeginRender();
  for (int i = 0; i < GetCount(); ++i) {
    TMainObject* item = GetItem(i);
    if (item && item->Visible) item->Render();
  }
  EndRender();
}

void TMainList::RenderOpaque() {
  for (int i = 0; i < GetCount(); ++i) {
    TMainObject* item = GetItem(i);
    if (item && item->Visible) item->RenderOpaque();
  }
}

void TMainList::RenderTransparent() {
  for (int i = 0; i < GetCount(); ++i) {
    TMainObject* item = GetItem(i);
    if (item && item->Visible) item->RenderTransparent();
  }
}

// --- TMainItemList ---

namespace {

void CheckIndex(int Index, size_t Count) {
  if (Index < 0 || static_cast<size_t>(Index) >= Count)
    throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
}

int CappedCapacity(int Value) { return std::clamp(Value, 0, TMainList::MaxCapacity); }

}  // namespace

TMainObject* TMainItemList::GetItem(int Index) const {
  CheckIndex(Index, Items.size());
  return Items[static_cast<size_t>(Index)];
}

void TMainItemList::SetCapacity(int Value) {
  if (CappedCapacity(Value) > GetCapacity()) Items.reserve(static_cast<size_t>(CappedCapacity(Value)));
}

void TMainItemList::DeleteItem(int Index) {
  CheckIndex(Index, Items.size());
  Items.erase(Items.begin() + Index);
}

void TMainItemList::AddItem(TMainObject* Item) {
  TMainList::AddItem(Item);
  Items.push_back(Item);
}

void TMainItemList::RemoveItem(TMainObject* Item) {
  auto it = std::find(Items.begin(), Items.end(), Item);
  if (it != Items.end()) Items.erase(it);
}

// --- TMainObjectList ---

size_t TMainObjectList::Position(const std::string& Name, bool& Found) const {
  auto it = std::lower_bound(Names.begin(), Names.end(), Name,
                             [](const TNameEntry& Entry, const std::string& Key) { return Entry.first < Key; });
  Found = it != Names.end() && it->first == Name;
  return static_cast<size_t>(it - Names.begin());
}

TMainObject* TMainObjectList::GetItem(int Index) const {
  CheckIndex(Index, Names.size());
  return Names[static_cast<size_t>(Index)].second;
}

void TMainObjectList::SetCapacity(int Value) {
  if (CappedCapacity(Value) > GetCapacity()) Names.reserve(static_cast<size_t>(CappedCapacity(Value)));
}

void TMainObjectList::DeleteItem(int Index) {
  CheckIndex(Index, Names.size());
  Names.erase(Names.begin() + Index);
}

void TMainObjectList::AddItem(TMainObject* Item) {
  if (!Item) throw Exception("TMainObjectList.AddItem error: Add NIL Object failed");
  if (Item->Name.empty()) throw Exception("TMainObjectList.AddItem error: Add empty Object.Name failed");
  TMainList::AddItem(Item);
  bool found = false;
  const size_t at = Position(Item->Name, found);
  if (!found) Names.insert(Names.begin() + static_cast<ptrdiff_t>(at), {Item->Name, Item});
}

// Only the item's own entry goes: an item that was never entered (its name
// was taken) leaves the other item's entry in place.
void TMainObjectList::RemoveItem(TMainObject* Item) {
  if (!Item) return;
  bool found = false;
  const size_t at = Position(Item->Name, found);
  if (found && Names[at].second == Item) Names.erase(Names.begin() + static_cast<ptrdiff_t>(at));
}

void TMainObjectList::RenameItem(TMainObject* Item, const std::string& NewName) {
  bool taken = false;
  Position(NewName, taken);
  if (taken) return;
  bool found = false;
  const size_t at = Position(Item->Name, found);
  if (!found || Names[at].second != Item) return;
  Names.erase(Names.begin() + static_cast<ptrdiff_t>(at));
  const size_t to = Position(NewName, found);
  Names.insert(Names.begin() + static_cast<ptrdiff_t>(to), {NewName, Item});
  Item->Name = NewName;
}

TMainObject* TMainObjectList::FindByName(const std::string& Name) const {
  bool found = false;
  const size_t at = Position(Name, found);
  return found ? Names[at].second : nullptr;
}

// --- TResource ---

TResource::~TResource() { FreeAll(); }

void TResource::AddItem(TMainObject* Item) {
  TMainObjectList::AddItem(Item);
  Item->Owner = this;
  if (FindByName(Item->Name) != Item) FUnindexed.push_back(Item);
}

void TResource::RemoveItem(TMainObject* Item) {
  TMainObjectList::RemoveItem(Item);
  auto it = std::find(FUnindexed.begin(), FUnindexed.end(), Item);
  if (it != FUnindexed.end()) FUnindexed.erase(it);
}

void TResource::FreeAll() {
  TMainList::FreeAll();
  Names.clear();
  std::vector<TMainObject*> strays;
  strays.swap(FUnindexed);
  for (TMainObject* item : strays) {
    item->Owner = nullptr;
    delete item;
  }
}

void TResource::AddWithOptions(TMainSceneObject* Obj, TProcessOptions Options) {
  Obj->ProcessOptions = Options;
  AddItem(Obj);
}

// --- TMainScene ---

TMainScene::TMainScene() {
  Name = "MainScene";
  Alpha = true;
  SetVisible(true);
  EventList = new TMainItemList();
  AnimationList = new TMainItemList();
  RenderList = new TMainItemList();
  for (TMainItemList* list : {EventList, AnimationList, RenderList}) list->MainScene = this;
  MainScene = this;
}

TMainScene::~TMainScene() {
  OpenGL = nullptr;
  FreeAll();
  delete EventList;
  delete AnimationList;
  delete RenderList;
}

void TMainScene::ProcessEvents(float DeltaTime) { EventList->ProcessEvents(DeltaTime); }
void TMainScene::Animate(float DeltaTime) { AnimationList->Animate(DeltaTime); }

void TMainScene::Render() {
  if (!Visible) return;
  if (OpenGL) OpenGL->SetCullFace(true);
  ForgetSceneTextureAndMaterial();
  for (TMainObject* item : RenderList->Items) item->Render();
}

TMainObject* TMainScene::GetItem(int Index) const {
  CheckIndex(Index, Objects.size());
  return Objects[static_cast<size_t>(Index)];
}

void TMainScene::AddItem(TMainObject* Item) {
  auto* object = dynamic_cast<TMainSceneObject*>(Item);
  if (Item && !object) throw EInvalidCast("Invalid class typecast");
  TResource::AddItem(Item);
  object->SceneIndex = static_cast<int32_t>(Objects.size());
  Objects.push_back(object);
  if (object->ProcessOptions & poRender) RenderList->AddItem(object);
  if (object->ProcessOptions & poAnimation) AnimationList->AddItem(object);
  if (object->ProcessOptions & poEvents) EventList->AddItem(object);
}

void TMainScene::RemoveItem(TMainObject* Item) {
  TResource::RemoveItem(Item);
  auto* object = dynamic_cast<TMainSceneObject*>(Item);
  if (!object) return;
  if (object->SceneIndex >= 0 && static_cast<size_t>(object->SceneIndex) < Objects.size() &&
      Objects[static_cast<size_t>(object->SceneIndex)] == Item)
    Objects[static_cast<size_t>(object->SceneIndex)] = nullptr;
  if (object->ProcessOptions & poRender) RenderList->RemoveItem(object);
  if (object->ProcessOptions & poAnimation) AnimationList->RemoveItem(object);
  if (object->ProcessOptions & poEvents) EventList->RemoveItem(object);
}

// The scene frees its registered children newest first, each taking its
// name and process-list entries along; empty slots are skipped.
void TMainScene::FreeLast(int N) {
  for (int done = 0; done < N && !Objects.empty();) {
    TMainObject* item = Objects.back();
    if (item) {
      RemoveItem(item);
      item->Owner = nullptr;
      delete item;
      ++done;
    }
    if (!Objects.empty() && !Objects.back()) Objects.pop_back();
  }
}

// Every registered child is freed exactly once.
void TMainScene::FreeAll() {
  FreeLast(static_cast<int>(Objects.size()));
  Names.clear();
  FUnindexed.clear();  // strays of the scene are registered too, and freed above
  RenderList->ClearItems();
  AnimationList->ClearItems();
  EventList->ClearItems();
  Objects.clear();
}

std::vector<TMainObject*> TMainScene::Children() const {
  std::vector<TMainObject*> children;
  for (TMainObject* item : Objects)
    if (item) children.push_back(item);
  return children;
}

void TMainScene::Process(float DeltaTime) {
  ProcessEvents(DeltaTime);
  Animate(DeltaTime);
  Render();
}

TMainObject* TMainScene::FindByPath(const std::string& Path) { return StrToReference(this, Path); }

void TMainScene::SetObjectVisible(const std::string& Path, bool Visible) {
  if (TMainObject* object = FindByPath(Path)) object->SetVisible(Visible);
}

// --- references as text ---

std::string RefferenceToStr(TMainScene* Scene, TMainObject* Obj) {
  if (!Obj) return "";
  std::string text = Obj->Name;
  const TMainItem* at = Obj;
  for (int depth = 0; at->Owner != Scene; ++depth) {
    if (!at->Owner || depth > 10000) throw Exception("RefferenceToStr error: Owner is NIL!");
    text = at->Owner->Name + "/" + text;
    at = at->Owner;
  }
  return text;
}

TMainObject* StrToReference(TMainScene* Scene, const std::string& Text) {
  if (Text.empty() || !Scene) return nullptr;
  TMainObject* reached = Scene;
  size_t start = 0;
  while (start < Text.size()) {
    size_t slash = Text.find('/', start);
    if (slash == std::string::npos) slash = Text.size();
    auto* list = dynamic_cast<TMainObjectList*>(reached);
    if (!list) throw EInvalidCast("Invalid class typecast");
    reached = list->FindByName(Text.substr(start, slash - start));
    if (!reached) return nullptr;
    start = slash + 1;
  }
  return reached;
}

// --- the class registry ---

namespace {

struct TCaseless {
  bool operator()(const std::string& A, const std::string& B) const { return UpperCase(A) < UpperCase(B); }
};

std::map<std::string, TSceneClassFactory, TCaseless>& Registry() {
  static std::map<std::string, TSceneClassFactory, TCaseless> registry;
  return registry;
}

}  // namespace

void RegisterSceneClass(const std::string& TypeName, TSceneClassFactory Factory) {
  Registry().emplace(TypeName, Factory);  // a name already present stays as it was
}

void RegisterSceneClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterSceneClassOf<TMainItemList>();
  RegisterSceneClassOf<TMainObjectList>();
  RegisterSceneClassOf<TMainScene>();
  RegisterSceneClassOf<TResource>();
  RegisterSceneClassOf<TSceneTexture>();
  RegisterSceneClassOf<TSceneTextureList>();
  RegisterFontClasses();
  RegisterLightClasses();
  RegisterVisualClasses();
  RegisterMeshClasses();
  RegisterSceneClassOf<TSceneMaterial>();
  RegisterSceneClassOf<TSceneMaterialList>();
}

TMainObject* CreateObjectByType(const std::string& TypeName, const std::string& Name) {
  RegisterSceneClasses();
  auto it = Registry().find(TypeName);
  if (it == Registry().end()) return nullptr;
  TMainObject* object = it->second();
  object->SetName(Name);
  return object;
}

}  // namespace emberhall
