// A growable array of fixed-size elements in one contiguous block, exactly
// Count * ElementSize bytes (no spare capacity), so it can be handed to
// OpenGL as a vertex array.
#pragma once

#include <cstdint>

namespace emberhall {

class TDArray {
 public:
  TDArray() = default;
  virtual ~TDArray();
  TDArray(const TDArray&) = delete;
  TDArray& operator=(const TDArray&) = delete;

  // Copy ElementSize bytes of element Index out of / into the array. Raise
  // "TDArray GetItem: index out of bounds." / "TDArray SetItem: index out of bounds.".
  void GetItem(int32_t Index, void* Element) const;
  void SetItem(int32_t Index, const void* Element);
  // Grow adds N zero elements; Shrink drops the last N (all of them when N
  // >= Count); SetCount does either. Each change reallocates to the exact
  // size; an allocation failure raises std::bad_alloc and changes nothing.
  void Grow(int32_t N);
  void Shrink(int32_t N);
  void SetCount(int32_t N);
  // Makes Destination an element-by-element copy (taking this element size);
  // nothing happens when Destination is none or this array is empty.
  void CopyTo(TDArray* Destination) const;

  uint8_t* Data = nullptr;
  int32_t Count = 0;
  int32_t ElementSize = 1;
};

}  // namespace emberhall
