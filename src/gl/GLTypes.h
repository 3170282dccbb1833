// Plain value types of the OpenGL layer and the scene (vectors, colours,
// texture coordinates, matrices), their helpers and their text forms.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace emberhall {

struct TGLVector {
  float X = 0, Y = 0, Z = 0;
  bool operator==(const TGLVector&) const = default;
};

struct TGLColor {
  float Red = 0, Green = 0, Blue = 0, Alpha = 0;
  bool operator==(const TGLColor&) const = default;
};

// One word whose bytes in memory are red, green, blue, alpha (red in the low byte).
using TGLPackedColor = uint32_t;

struct TGLTextureCoord {
  float S = 0, T = 0;
  bool operator==(const TGLTextureCoord&) const = default;
};

// Element (row r, column c) at index 4c + r (OpenGL's column order).
using TGLMatrix = std::array<float, 16>;

static_assert(sizeof(TGLVector) == 12);
static_assert(sizeof(TGLColor) == 16);
static_assert(sizeof(TGLPackedColor) == 4);
static_assert(sizeof(TGLTextureCoord) == 8);
static_assert(sizeof(TGLMatrix) == 64);

constexpr TGLVector MakeVector(float X, float Y, float Z) { return {X, Y, Z}; }
constexpr TGLColor MakeColor(float R, float G, float B, float A) { return {R, G, B, A}; }
constexpr TGLPackedColor PackRGBA(uint8_t R, uint8_t G, uint8_t B, uint8_t A) {
  return uint32_t(R) | uint32_t(G) << 8 | uint32_t(B) << 16 | uint32_t(A) << 24;
}
// A word whose bytes in memory are blue, green, red, alpha.
constexpr uint32_t PackBGRA(uint8_t R, uint8_t G, uint8_t B, uint8_t A) {
  return uint32_t(B) | uint32_t(G) << 8 | uint32_t(R) << 16 | uint32_t(A) << 24;
}
// Red, green and blue as byte / 255; alpha is 1.0 whatever the fourth byte.
TGLColor UnpackColor(TGLPackedColor C);

void NormalizeVector(TGLVector& V);
// Source and Destination may be the same array.
void NormalizeVectors(const TGLVector* Source, TGLVector* Destination, int Count);
void TransformVectors(const TGLVector* Source, TGLVector* Destination, int Count, const TGLMatrix& M);
void LerpVectors(const TGLVector* A, const TGLVector* B, TGLVector* Destination, float T, int Count);
// Result[4i + j] = sum over k of A[4i + k] * B[4k + j]; in column order the
// product B·A: a point goes through A first, then B. Result may be A or B.
void MultiplyMatrix(const TGLMatrix& A, const TGLMatrix& B, TGLMatrix& Result);
TGLMatrix RotationMatrixX(float Angle);
TGLMatrix IdentityMatrix();

// Text forms in scene descriptions.
std::string ColorToStr(const TGLColor& C);
TGLColor StrToColor(std::string_view Text);
std::string VectorToStr(const TGLVector& V);
TGLVector StrToVector(std::string_view Text);
std::string PackedColorToStr(TGLPackedColor C);
TGLPackedColor StrToPackedColor(std::string_view Text);

// The items of a comma or blank separated list text (quoted items allowed).
std::vector<std::string> SplitListText(std::string_view Text);

}  // namespace emberhall
