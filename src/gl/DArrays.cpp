#include "gl/DArrays.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/SysUtils.h"

namespace emberhall {

namespace {

size_t BlockSize(int64_t count, int32_t elementSize) {
  int64_t bytes = count * static_cast<int64_t>(elementSize);
  if (count < 0 || elementSize < 0 || bytes / (elementSize ? elementSize : 1) != count) throw std::bad_alloc();
  return static_cast<size_t>(bytes);
}

}  // namespace

TDArray::~TDArray() { std::free(Data); }

void TDArray::GetItem(int32_t Index, void* Element) const {
  if (Index < 0 || Index >= Count) throw EListError("TDArray GetItem: index out of bounds.");
  std::memcpy(Element, Data + static_cast<size_t>(Index) * static_cast<size_t>(ElementSize),
              static_cast<size_t>(ElementSize));
}

void TDArray::SetItem(int32_t Index, const void* Element) {
  if (Index < 0 || Index >= Count) throw EListError("TDArray SetItem: index out of bounds.");
  std::memcpy(Data + static_cast<size_t>(Index) * static_cast<size_t>(ElementSize), Element,
              static_cast<size_t>(ElementSize));
}

void TDArray::Grow(int32_t N) {
  if (N <= 0) return;
  int64_t newCount = static_cast<int64_t>(Count) + N;
  if (newCount > INT32_MAX) throw std::bad_alloc();
  size_t bytes = BlockSize(newCount, ElementSize);
  auto* block = static_cast<uint8_t*>(std::calloc(bytes ? bytes : 1, 1));
  if (!block) throw std::bad_alloc();
  if (Data) std::memcpy(block, Data, BlockSize(Count, ElementSize));
  std::free(Data);
  Data = block;
  Count = static_cast<int32_t>(newCount);
}

void TDArray::Shrink(int32_t N) {
  if (N <= 0) return;
  int32_t newCount = N >= Count ? 0 : Count - N;
  if (newCount == 0) {
    std::free(Data);
    Data = nullptr;
    Count = 0;
    return;
  }
  size_t bytes = BlockSize(newCount, ElementSize);
  auto* block = static_cast<uint8_t*>(std::malloc(bytes ? bytes : 1));
  if (!block) throw std::bad_alloc();
  std::memcpy(block, Data, bytes);
  std::free(Data);
  Data = block;
  Count = newCount;
}

void TDArray::SetCount(int32_t N) {
  if (N > Count) {
    Grow(N - Count);
  } else if (N < Count) {
    Shrink(Count - N);
  }
}

void TDArray::CopyTo(TDArray* Destination) const {
  if (!Destination || Count == 0 || Destination == this) return;
  if (Destination->ElementSize != ElementSize) {
    Destination->SetCount(0);
    Destination->ElementSize = ElementSize;
  }
  Destination->SetCount(Count);
  std::memcpy(Destination->Data, Data, BlockSize(Count, ElementSize));
}

}  // namespace emberhall
