// The scene object model: every node of the scene tree descends from
// TMainItem; lists of nodes are nodes themselves. Resources own their
// children and load them from scene descriptions (ResourceLoader.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace emberhall {

class TCustomOpenGL;
class TDefViewport;
class TMainList;
class TMainScene;
class TResourceLoader;

enum TProcessOption : uint8_t { poRender = 1, poAnimation = 2, poEvents = 4 };
using TProcessOptions = uint8_t;  // a set of TProcessOption bits

enum TSourceLocation : uint8_t { slFile = 1, slResource = 2 };
using TSourceLocations = uint8_t;  // a set of TSourceLocation bits

// A set of up to 8 named bits as text: "[A,B]" in bit order, Empty for no
// bit; read back by finding each name anywhere in the text.
std::string SetToText(uint8_t Set, const char* const* Names, int Count, const std::string& Empty);
uint8_t TextToSet(const std::string& Text, const char* const* Names, int Count, bool IgnoreCase);

// "[Render,Animation]" and so on; "" for the empty set.
std::string ProcessOptionsToStr(TProcessOptions Options);
// By substring: "Render", "Animation", "Events" anywhere in the text.
TProcessOptions StrToProcessOptions(const std::string& Text);
std::string SourceLocationToStr(TSourceLocations Locations);
TSourceLocations StrToSourceLocation(const std::string& Text);

class TMainItem {
 public:
  TMainItem() = default;
  TMainItem(const TMainItem&) = delete;
  TMainItem& operator=(const TMainItem&) = delete;
  // Unlinks the node from its owner list first.
  virtual ~TMainItem();

  virtual void SetVisible(bool Value) { Visible = Value; }
  virtual void ProcessEvents(float DeltaTime);
  virtual void Animate(float DeltaTime);
  virtual void BeginRender() {}
  virtual void EndRender() {}
  virtual void Render();
  virtual void RenderOpaque() {}
  virtual void RenderTransparent() {}

  bool Visible = true;
  bool Alpha = false;
  TMainScene* MainScene = nullptr;
  TMainList* Owner = nullptr;

 protected:
  // Removes the node from its owner (if any); each level that adds fields
  // the owner looks at calls it from its own destructor.
  void UnlinkFromOwner();
};

class TMainObject : public TMainItem {
 public:
  ~TMainObject() override;
  // The registered type name ("Type" in a description).
  virtual const char* ClassName() const { return "TMainObject"; }
  virtual void SaveToLoader(TResourceLoader& Loader);
  virtual void LoadFromLoader(TResourceLoader& Loader);
  // Through the owner's RenameItem when there is one.
  void SetName(const std::string& Value);

  std::string Name;
};

class TMainSceneObject : public TMainObject {
 public:
  TMainSceneObject() { SourceEnabled = true; }
  ~TMainSceneObject() override;
  const char* ClassName() const override { return "TMainSceneObject"; }

  TProcessOptions ProcessOptions = 0;
  bool SourceEnabled = false;
  int32_t SceneIndex = -1;
};

class TMainList : public TMainSceneObject {
 public:
  const char* ClassName() const override { return "TMainList"; }
  virtual TMainObject* GetItem(int Index) const = 0;
  virtual int GetCount() const = 0;
  virtual int GetCapacity() const = 0;
  virtual void SetCapacity(int Value) = 0;
  // Drops the entry; never frees the item.
  virtual void DeleteItem(int Index) = 0;
  virtual void AddItem(TMainObject* Item);
  virtual void FreeLast(int N);
  // Drops the item's entry; never frees it.
  virtual void RemoveItem(TMainObject* Item) = 0;
  virtual void RenameItem(TMainObject* Item, const std::string& NewName) = 0;
  virtual void ClearItems() = 0;
  virtual void FreeAll() { FreeLast(GetCount()); }
  virtual void SetSorted(bool) {}

  void ProcessEvents(float DeltaTime) override;
  void Animate(float DeltaTime) override;
  void Render() override;
  void RenderOpaque() override;
  void RenderTransparent() override;

  bool StoreItems = true;

  // Capacities beyond this are taken as this (a description cannot make a
  // list reserve memory out of proportion to its size).
  static constexpr int MaxCapacity = 65536;
};

// References to nodes it does not own, in order, duplicates allowed.
class TMainItemList : public TMainList {
 public:
  const char* ClassName() const override { return "TMainItemList"; }
  TMainObject* GetItem(int Index) const override;
  int GetCount() const override { return static_cast<int>(Items.size()); }
  int GetCapacity() const override { return static_cast<int>(Items.capacity()); }
  void SetCapacity(int Value) override;
  void DeleteItem(int Index) override;
  void AddItem(TMainObject* Item) override;
  void RemoveItem(TMainObject* Item) override;
  void RenameItem(TMainObject*, const std::string&) override {}
  void ClearItems() override { Items.clear(); }

  std::vector<TMainObject*> Items;
};

// Nodes by name: an index sorted by name (byte order, case-sensitive);
// a second node under a name already present is not entered.
class TMainObjectList : public TMainList {
 public:
  using TNameEntry = std::pair<std::string, TMainObject*>;

  const char* ClassName() const override { return "TMainObjectList"; }
  TMainObject* GetItem(int Index) const override;
  int GetCount() const override { return static_cast<int>(Names.size()); }
  int GetCapacity() const override { return static_cast<int>(Names.capacity()); }
  void SetCapacity(int Value) override;
  void DeleteItem(int Index) override;
  void AddItem(TMainObject* Item) override;
  void RemoveItem(TMainObject* Item) override;
  void RenameItem(TMainObject* Item, const std::string& NewName) override;
  void ClearItems() override { Names.clear(); }
  TMainObject* FindByName(const std::string& Name) const;

  std::vector<TNameEntry> Names;

 protected:
  // The position of Name in Names, or where it would go (Found false).
  size_t Position(const std::string& Name, bool& Found) const;
};

// A name list that owns its children and can load them from a source.
class TResource : public TMainObjectList {
 public:
  TResource() { TResource::SetVisible(false); }
  ~TResource() override;
  const char* ClassName() const override { return "TResource"; }
  void SaveToLoader(TResourceLoader& Loader) override;
  void LoadFromLoader(TResourceLoader& Loader) override;
  void AddItem(TMainObject* Item) override;
  void RemoveItem(TMainObject* Item) override;
  void ClearItems() override { FreeAll(); }
  void FreeAll() override;
  virtual void ListResources(std::vector<std::string>&) {}
  virtual void LoadSource();
  virtual void SaveSource();
  void AddWithOptions(TMainSceneObject* Obj, TProcessOptions Options);

  std::string Path = ".\\";
  TSourceLocations SourceLocation = slFile;
  std::string SourceName;
  bool Scrambled = false;

 protected:
  // Owned children whose name was taken already: not in the name index,
  // but freed with the others.
  std::vector<TMainObject*> FUnindexed;
};

class TMainScene : public TResource {
 public:
  TMainScene();
  ~TMainScene() override;
  const char* ClassName() const override { return "TMainScene"; }
  void ProcessEvents(float DeltaTime) override;
  void Animate(float DeltaTime) override;
  void Render() override;
  // In order of addition; an empty slot (a child destroyed on its own) is null.
  TMainObject* GetItem(int Index) const override;
  void AddItem(TMainObject* Item) override;
  void RemoveItem(TMainObject* Item) override;
  void FreeLast(int N) override;
  void FreeAll() override;
  // The registered children in order of addition, without empty slots.
  std::vector<TMainObject*> Children() const;

  // One frame: events, animation, then drawing.
  void Process(float DeltaTime);
  TMainObject* FindByPath(const std::string& Path);
  void SetObjectVisible(const std::string& Path, bool Visible);

  TMainItemList* EventList;
  TMainItemList* AnimationList;
  TMainItemList* RenderList;
  TCustomOpenGL* OpenGL = nullptr;
  std::vector<TMainObject*> Objects;
  int32_t Width = 0, Height = 0;
  TDefViewport* Viewport = nullptr;
};

// A small list that owns plain objects.
template <class T>
class TBaseList {
 public:
  TBaseList() = default;
  TBaseList(const TBaseList&) = delete;
  TBaseList& operator=(const TBaseList&) = delete;
  ~TBaseList() { Clear(); }
  T* Add(T* Obj) {
    Items.push_back(Obj);
    return Obj;
  }
  T* Get(int Index) const { return Items.at(static_cast<size_t>(Index)); }
  int Count() const { return static_cast<int>(Items.size()); }
  void Clear() {
    for (T* item : Items) delete item;
    Items.clear();
  }

  std::vector<T*> Items;
};

// The type names that descriptions may use, each with its virtual
// constructor. Names are compared without regard to case; a second
// registration of a name is ignored.
using TSceneClassFactory = TMainObject* (*)();
void RegisterSceneClass(const std::string& TypeName, TSceneClassFactory Factory);
// Registers the classes of the object model (called once at start-up; more
// calls do nothing).
void RegisterSceneClasses();
// A new object of the type, named Name; null for an unknown type.
TMainObject* CreateObjectByType(const std::string& TypeName, const std::string& Name);

template <class T>
void RegisterSceneClassOf() {
  RegisterSceneClass(T().ClassName(), [] { return static_cast<TMainObject*>(new T()); });
}

// "Textures/FLAME.jpg": the path of Obj from Scene ("" for none).
std::string RefferenceToStr(TMainScene* Scene, TMainObject* Obj);
// The node that Text names from Scene, or null.
TMainObject* StrToReference(TMainScene* Scene, const std::string& Text);

}  // namespace emberhall
