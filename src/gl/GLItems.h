// The base of every GL object kind, and of the context's owning lists.
#pragma once

#include <cstddef>
#include <vector>

namespace emberhall {

class TCustomOpenGL;
class TGLItemList;

class TGLItem {
 public:
  explicit TGLItem(TGLItemList* AList) : List(AList) {}
  // Leaves the owning list when it has one.
  virtual ~TGLItem();
  TGLItem(const TGLItem&) = delete;
  TGLItem& operator=(const TGLItem&) = delete;

  TGLItemList* List = nullptr;
};

class TGLItemList {
 public:
  explicit TGLItemList(TCustomOpenGL* AOpenGL) : OpenGL(AOpenGL) {}
  virtual ~TGLItemList();
  TGLItemList(const TGLItemList&) = delete;
  TGLItemList& operator=(const TGLItemList&) = delete;

  // Called when a rendering context has been created and made current.
  virtual void ContextCreated() {}

  int Count() const { return static_cast<int>(FItems.size()); }
  // Raises "List index out of bounds (<index>)" outside 0..Count-1.
  TGLItem* Items(int Index) const;
  void SetCapacity(int N) { FItems.reserve(static_cast<size_t>(N > 0 ? N : 0)); }
  // Frees every item in order (detached first), then empties the list.
  void Clear();
  // Called by an item that is freed while in the list.
  void Remove(TGLItem* Item);

  TCustomOpenGL* OpenGL;

 protected:
  template <class TItem>
  TItem* Append(TItem* Item) {
    FItems.push_back(Item);
    return Item;
  }
  std::vector<TGLItem*> FItems;
};

// A list whose items are all of one kind.
template <class TItem>
class TGLTypedItemList : public TGLItemList {
 public:
  using TGLItemList::TGLItemList;
  TItem* Items(int Index) const { return static_cast<TItem*>(TGLItemList::Items(Index)); }
  TItem* Add() { return Append(new TItem(this)); }
};

}  // namespace emberhall
