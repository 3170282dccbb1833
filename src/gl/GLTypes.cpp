#include "gl/GLTypes.h"

#include <cmath>
#include <numbers>

#include "platform/SysUtils.h"

namespace emberhall {

TGLColor UnpackColor(TGLPackedColor C) {
  return {static_cast<float>((C & 0xFF) / 255.0L), static_cast<float>(((C >> 8) & 0xFF) / 255.0L),
          static_cast<float>(((C >> 16) & 0xFF) / 255.0L), 1.0f};
}

void NormalizeVector(TGLVector& V) {
  long double x = V.X, y = V.Y, z = V.Z;
  float length = static_cast<float>(std::sqrt(x * x + y * y + z * z));
  if (length == 0) return;
  V.X = static_cast<float>(x / length);
  V.Y = static_cast<float>(y / length);
  V.Z = static_cast<float>(z / length);
}

void NormalizeVectors(const TGLVector* Source, TGLVector* Destination, int Count) {
  for (int i = 0; i < Count; ++i) {
    TGLVector v = Source[i];
    NormalizeVector(v);
    Destination[i] = v;
  }
}

void TransformVectors(const TGLVector* Source, TGLVector* Destination, int Count, const TGLMatrix& M) {
  for (int i = 0; i < Count; ++i) {
    long double x = Source[i].X, y = Source[i].Y, z = Source[i].Z;
    TGLVector r;
    r.X = static_cast<float>(x * M[0] + y * M[4] + z * M[8] + M[12]);
    r.Y = static_cast<float>(x * M[1] + y * M[5] + z * M[9] + M[13]);
    r.Z = static_cast<float>(x * M[2] + y * M[6] + z * M[10] + M[14]);
    Destination[i] = r;
  }
}

void LerpVectors(const TGLVector* A, const TGLVector* B, TGLVector* Destination, float T, int Count) {
  for (int i = 0; i < Count; ++i) {
    long double t = T;
    Destination[i] = {static_cast<float>(A[i].X + t * (static_cast<long double>(B[i].X) - A[i].X)),
                      static_cast<float>(A[i].Y + t * (static_cast<long double>(B[i].Y) - A[i].Y)),
                      static_cast<float>(A[i].Z + t * (static_cast<long double>(B[i].Z) - A[i].Z))};
  }
}

void MultiplyMatrix(const TGLMatrix& A, const TGLMatrix& B, TGLMatrix& Result) {
  TGLMatrix r;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      long double sum = 0;
      for (int k = 0; k < 4; ++k) sum += static_cast<long double>(A[4 * i + k]) * B[4 * k + j];
      r[4 * i + j] = static_cast<float>(sum);
    }
  }
  Result = r;
}

TGLMatrix IdentityMatrix() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

TGLMatrix RotationMatrixX(float Angle) {
  long double a = Angle * std::numbers::pi_v<long double> / 180.0L;
  TGLMatrix m = IdentityMatrix();
  m[5] = static_cast<float>(std::cos(a));
  m[6] = static_cast<float>(std::sin(a));
  m[9] = static_cast<float>(-std::sin(a));
  m[10] = static_cast<float>(std::cos(a));
  return m;
}

// ---- text forms ----

std::vector<std::string> SplitListText(std::string_view Text) {
  std::vector<std::string> items;
  auto blank = [](char c) { return c != '\0' && static_cast<unsigned char>(c) <= ' '; };
  size_t i = 0, n = Text.size();
  while (i < n && blank(Text[i])) ++i;
  while (i < n) {
    std::string item;
    if (Text[i] == '"') {
      ++i;
      while (i < n) {
        if (Text[i] == '"') {
          if (i + 1 < n && Text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += Text[i++];
      }
    } else {
      while (i < n && static_cast<unsigned char>(Text[i]) > ' ' && Text[i] != ',') item += Text[i++];
    }
    items.push_back(item);
    while (i < n && blank(Text[i])) ++i;
    if (i < n && Text[i] == ',') {
      if (i + 1 == n) items.emplace_back();  // a comma at the very end: a final empty item
      ++i;
      while (i < n && blank(Text[i])) ++i;
    } else if (i < n && Text[i] == '\0') {
      break;  // text ends at a zero character
    }
  }
  return items;
}

namespace {

// Reads up to Count float items into Out; items before a bad one are set.
void ParseFloats(std::string_view Text, float* Out, size_t Count) {
  std::vector<std::string> items = SplitListText(Text);
  for (size_t k = 0; k < items.size() && k < Count; ++k) Out[k] = static_cast<float>(StrToFloat(items[k]));
}

}  // namespace

std::string ColorToStr(const TGLColor& C) {
  return FloatToStr(C.Red) + "," + FloatToStr(C.Green) + "," + FloatToStr(C.Blue) + "," + FloatToStr(C.Alpha);
}

TGLColor StrToColor(std::string_view Text) {
  float v[4] = {1, 1, 1, 1};
  ParseFloats(Text, v, 4);
  return {v[0], v[1], v[2], v[3]};
}

std::string VectorToStr(const TGLVector& V) {
  return FloatToStr(V.X) + "," + FloatToStr(V.Y) + "," + FloatToStr(V.Z);
}

TGLVector StrToVector(std::string_view Text) {
  float v[3] = {0, 0, 0};
  ParseFloats(Text, v, 3);
  return {v[0], v[1], v[2]};
}

std::string PackedColorToStr(TGLPackedColor C) {
  return IntToStr(C & 0xFF) + "," + IntToStr((C >> 8) & 0xFF) + "," + IntToStr((C >> 16) & 0xFF) + "," +
         IntToStr(C >> 24);
}

TGLPackedColor StrToPackedColor(std::string_view Text) {
  uint8_t bytes[4] = {255, 255, 255, 255};
  std::vector<std::string> items = SplitListText(Text);
  for (size_t k = 0; k < items.size() && k < 4; ++k) bytes[k] = static_cast<uint8_t>(StrToInt(items[k]) & 0xFF);
  return PackRGBA(bytes[0], bytes[1], bytes[2], bytes[3]);
}

}  // namespace emberhall
