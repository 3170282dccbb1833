// The typed vertex arrays: vectors, packed colours, texture coordinates and
// vertex indices, each a TDArray with its element size fixed.
#pragma once

#include <span>
#include <string>

#include "gl/DArrays.h"
#include "gl/GLTypes.h"
#include "platform/SysUtils.h"

namespace emberhall {

template <class TElement>
class TTypedDArray : public TDArray {
 public:
  TTypedDArray() { ElementSize = sizeof(TElement); }
  using TDArray::GetItem;
  using TDArray::SetItem;
  // Typed access needs elements of this type's size (CopyTo may have
  // changed it); otherwise EInvalidCast is raised instead of copying past
  // the element.
  TElement GetItem(int32_t Index) const {
    CheckElementSize();
    TElement e;
    TDArray::GetItem(Index, &e);
    return e;
  }
  void SetItem(int32_t Index, const TElement& Element) {
    CheckElementSize();
    TDArray::SetItem(Index, &Element);
  }
  // The block as elements; valid while the element size is this type's.
  TElement* Items() { return reinterpret_cast<TElement*>(Data); }
  const TElement* Items() const { return reinterpret_cast<const TElement*>(Data); }

 private:
  void CheckElementSize() const {
    if (ElementSize != static_cast<int32_t>(sizeof(TElement)))
      throw EInvalidCast("TDArray: elements of " + std::to_string(ElementSize) + " bytes read as " +
                         std::to_string(sizeof(TElement)) + "-byte values");
  }
};

class TGLVectorDArray : public TTypedDArray<TGLVector> {
 public:
  void SetVector(int32_t Index, float X, float Y, float Z) { SetItem(Index, MakeVector(X, Y, Z)); }
  // SetCount(length div 3), then element i from Values[3i..3i+2]; leftovers are ignored.
  void AssignFloats(std::span<const float> Values);
  void ZeroAll();
};

class TGLTextureCoordDArray : public TTypedDArray<TGLTextureCoord> {
 public:
  void SetCoord(int32_t Index, float S, float T) { SetItem(Index, TGLTextureCoord{S, T}); }
  void AssignFloats(std::span<const float> Values);
};

class TGLColorDArray : public TTypedDArray<TGLPackedColor> {};

class TGLIndexDArray : public TTypedDArray<uint32_t> {};

}  // namespace emberhall
