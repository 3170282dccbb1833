#include "gl/GLArrays.h"

#include <cstring>

namespace emberhall {

void TGLVectorDArray::AssignFloats(std::span<const float> Values) {
  SetCount(static_cast<int32_t>(Values.size() / 3));
  for (int32_t i = 0; i < Count; ++i) SetVector(i, Values[3 * i], Values[3 * i + 1], Values[3 * i + 2]);
}

void TGLVectorDArray::ZeroAll() {
  if (Data) std::memset(Data, 0, static_cast<size_t>(Count) * static_cast<size_t>(ElementSize));
}

void TGLTextureCoordDArray::AssignFloats(std::span<const float> Values) {
  SetCount(static_cast<int32_t>(Values.size() / 2));
  for (int32_t i = 0; i < Count; ++i) SetCoord(i, Values[2 * i], Values[2 * i + 1]);
}

}  // namespace emberhall
