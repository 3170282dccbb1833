#include "gl/GLItems.h"

#include <algorithm>

#include "platform/SysUtils.h"

namespace emberhall {

TGLItem::~TGLItem() {
  if (List) List->Remove(this);
}

TGLItemList::~TGLItemList() { Clear(); }

TGLItem* TGLItemList::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (" + IntToStr(Index) + ")");
  return FItems[static_cast<size_t>(Index)];
}

void TGLItemList::Clear() {
  std::vector<TGLItem*> items;
  items.swap(FItems);
  for (TGLItem* item : items) {
    item->List = nullptr;
    delete item;
  }
}

void TGLItemList::Remove(TGLItem* Item) { FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end()); }

}  // namespace emberhall
