#include "gl/GLTypes.h"

#include <cmath>

#include <gtest/gtest.h>

#include "gl/GLArrays.h"
#include "platform/SysUtils.h"

using namespace emberhall;

TEST(GLTypes, PackingAndUnpacking) {
  TGLPackedColor c = PackRGBA(1, 2, 3, 4);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&c);
  EXPECT_EQ((std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}), (std::vector<int>{1, 2, 3, 4}));
  uint32_t b = PackBGRA(1, 2, 3, 4);
  bytes = reinterpret_cast<const uint8_t*>(&b);
  EXPECT_EQ((std::vector<int>{bytes[0], bytes[1], bytes[2], bytes[3]}), (std::vector<int>{3, 2, 1, 4}));
  EXPECT_EQ(UnpackColor(PackRGBA(255, 0, 51, 0)), MakeColor(1.0f, 0.0f, 0.2f, 1.0f));  // alpha always 1
}

TEST(GLTypes, TextForms) {
  EXPECT_EQ(ColorToStr(MakeColor(1, 0.5f, 0.25f, 1)), "1,0.5,0.25,1");
  EXPECT_EQ(VectorToStr(MakeVector(0.1f, -2, 12345678)), "0.1,-2,1.234568E7");
  EXPECT_EQ(VectorToStr(MakeVector(1.0f / 3, 0.00005f, 0)), "0.3333333,5E-5,0");
  EXPECT_EQ(PackedColorToStr(PackRGBA(255, 128, 0, 7)), "255,128,0,7");

  struct ColorCase { const char* text; TGLColor color; };
  const ColorCase colors[] = {
      {"", {1, 1, 1, 1}},
      {"1, 0.5", {1, 0.5f, 1, 1}},
      {"0.2,0.2,0.2,1,7", {0.2f, 0.2f, 0.2f, 1}},
      {"  0 0   0.5 ", {0, 0, 0.5f, 1}},
      {"\"0.25\",\"1\"", {0.25f, 1, 1, 1}},
      {"1e-1,\t2E0", {0.1f, 2, 1, 1}},
  };
  for (const ColorCase& c : colors) EXPECT_EQ(StrToColor(c.text), c.color) << c.text;
  EXPECT_EQ(StrToVector("0 0 -1"), MakeVector(0, 0, -1));
  EXPECT_EQ(StrToVector("5"), MakeVector(5, 0, 0));
  EXPECT_EQ(StrToPackedColor("255,128"), PackRGBA(255, 128, 255, 255));
  EXPECT_EQ(StrToPackedColor("256,-1,3"), PackRGBA(0, 255, 3, 255));

  struct ErrorCase { const char* text; int kind; const char* message; };
  const ErrorCase errors[] = {
      {"1,2,", 0, "'' is not a valid floating point value"},
      {"1,,2", 0, "'' is not a valid floating point value"},
      {"1,x", 0, "'x' is not a valid floating point value"},
      {"0,1,2,3,4,", 1, nullptr},  // the final empty item is the fifth: ignored
      {"1.5,2", 2, "'1.5' is not a valid integer value"},
  };
  for (const ErrorCase& e : errors) {
    try {
      if (e.kind == 2) {
        StrToPackedColor(e.text);
      } else {
        StrToColor(e.text);
      }
      EXPECT_EQ(e.message, nullptr) << e.text;
    } catch (const EConvertError& x) {
      ASSERT_NE(e.message, nullptr) << e.text;
      EXPECT_STREQ(x.what(), e.message) << e.text;
    }
  }
}

TEST(GLTypes, ListSplitting) {
  struct Case { const char* text; std::vector<std::string> items; };
  const Case cases[] = {
      {"", {}}, {"   ", {}}, {"a", {"a"}}, {"a,b", {"a", "b"}}, {"a , b", {"a", "b"}}, {"a b", {"a", "b"}},
      {"a,,b", {"a", "", "b"}}, {"a,", {"a", ""}}, {"a, ", {"a"}}, {",", {"", ""}},
      {"\"x y\",z", {"x y", "z"}}, {"\"say \"\"hi\"\"\"", {"say \"hi\""}}, {"\"open", {"open"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitListText(c.text), c.items) << c.text;
}

TEST(GLTypes, VectorArithmetic) {
  TGLVector v = MakeVector(3, 0, 4);
  NormalizeVector(v);
  EXPECT_EQ(v, MakeVector(0.6f, 0, 0.8f));
  TGLVector zero = MakeVector(0, 0, 0);
  NormalizeVector(zero);
  EXPECT_EQ(zero, MakeVector(0, 0, 0));

  TGLVector list[2] = {MakeVector(0, 2, 0), MakeVector(0, 0, 0)};
  NormalizeVectors(list, list, 2);
  EXPECT_EQ(list[0], MakeVector(0, 1, 0));
  EXPECT_EQ(list[1], MakeVector(0, 0, 0));

  TGLVector a[1] = {MakeVector(0, 0, 0)}, b[1] = {MakeVector(2, 4, -2)}, out[1];
  LerpVectors(a, b, out, 1.5f, 1);
  EXPECT_EQ(out[0], MakeVector(3, 6, -3));

  // Translation by (1, 2, 3), transformed in place.
  TGLMatrix t = IdentityMatrix();
  t[12] = 1, t[13] = 2, t[14] = 3;
  TGLVector p[1] = {MakeVector(1, 1, 1)};
  TransformVectors(p, p, 1, t);
  EXPECT_EQ(p[0], MakeVector(2, 3, 4));

  TGLMatrix r = RotationMatrixX(90);
  TGLVector y[1] = {MakeVector(0, 1, 0)};
  TransformVectors(y, y, 1, r);
  EXPECT_NEAR(y[0].Y, 0, 1e-7);
  EXPECT_NEAR(y[0].Z, 1, 1e-7);

  // MultiplyMatrix(A, B) moves a point through A first, then B.
  TGLMatrix product;
  MultiplyMatrix(t, r, product);  // translate, then rotate
  TGLVector q[1] = {MakeVector(0, 0, 0)};
  TransformVectors(q, q, 1, product);
  EXPECT_NEAR(q[0].X, 1, 1e-6);
  EXPECT_NEAR(q[0].Y, -3, 1e-6);
  EXPECT_NEAR(q[0].Z, 2, 1e-6);
  MultiplyMatrix(t, r, t);  // the result may be one of the operands
  EXPECT_EQ(t, product);
}

TEST(DArrays, StorageRules) {
  TGLVectorDArray v;
  EXPECT_EQ(v.ElementSize, 12);
  v.SetCount(3);
  v.SetVector(2, 1, 2, 3);
  EXPECT_EQ(v.GetItem(2), MakeVector(1, 2, 3));
  v.SetCount(0);
  EXPECT_EQ(v.Data, nullptr);
  v.Grow(2);
  EXPECT_EQ(v.GetItem(0), MakeVector(0, 0, 0));
  EXPECT_EQ(v.GetItem(1), MakeVector(0, 0, 0));
  v.Shrink(5);  // past zero: empty, no error
  EXPECT_EQ(v.Count, 0);
  EXPECT_EQ(v.Data, nullptr);
  v.Grow(-3);
  v.Shrink(-3);
  EXPECT_EQ(v.Count, 0);

  const float floats[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  v.AssignFloats(floats);
  EXPECT_EQ(v.Count, 3);
  EXPECT_EQ(v.GetItem(2), MakeVector(7, 8, 9));
  v.ZeroAll();
  EXPECT_EQ(v.GetItem(2), MakeVector(0, 0, 0));
  TGLTextureCoordDArray t;
  t.AssignFloats(std::span<const float>(floats, 5));
  EXPECT_EQ(t.Count, 2);
  EXPECT_EQ(t.GetItem(1), (TGLTextureCoord{3, 4}));

  TGLIndexDArray i;
  struct Case { int index; bool get; const char* message; };
  const Case bad[] = {{-1, true, "TDArray GetItem: index out of bounds."},
                      {0, true, "TDArray GetItem: index out of bounds."},
                      {0, false, "TDArray SetItem: index out of bounds."}};
  for (const Case& c : bad) {
    try {
      if (c.get) {
        i.GetItem(c.index);
      } else {
        i.SetItem(c.index, 5u);
      }
      FAIL() << c.message;
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

TEST(DArrays, CopyToRules) {
  TGLVectorDArray vectors;
  TGLColorDArray colors;
  colors.SetCount(2);
  colors.SetItem(0, PackRGBA(1, 2, 3, 4));
  TGLVectorDArray empty;
  empty.CopyTo(&colors);  // an empty source leaves the destination alone
  EXPECT_EQ(colors.Count, 2);
  EXPECT_EQ(colors.GetItem(0), PackRGBA(1, 2, 3, 4));

  vectors.SetCount(3);
  vectors.SetVector(1, 7, 8, 9);
  vectors.CopyTo(&colors);  // the destination takes 12-byte elements
  EXPECT_EQ(colors.ElementSize, 12);
  EXPECT_EQ(colors.Count, 3);
  TGLVector copied;
  colors.TDArray::GetItem(1, &copied);
  EXPECT_EQ(copied, MakeVector(7, 8, 9));
  EXPECT_THROW(colors.GetItem(0), EInvalidCast);  // typed access would read past its value
  EXPECT_THROW(colors.SetItem(0, 1u), EInvalidCast);
  vectors.CopyTo(nullptr);
}
