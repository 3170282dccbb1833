#include "gl/GLTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "app/SnapShot.h"
#include "support/TestSupport.h"

#include "gl/GLE.h"
#include "platform/SysUtils.h"

using namespace emberhall;
using namespace emberhall::test;

namespace gl = emberhall;  // the resolved entry points, not the system's prototypes

namespace {

std::vector<float> LightParam(GLenum light, GLenum pname, int n) {
  std::vector<float> v(4, -99);
  gl::glGetLightfv(light, pname, v.data());
  v.resize(static_cast<size_t>(n));
  return v;
}

std::vector<float> MaterialParam(GLenum face, GLenum pname, int n) {
  std::vector<float> v(4, -99);
  gl::glGetMaterialfv(face, pname, v.data());
  v.resize(static_cast<size_t>(n));
  return v;
}

void Fill(TGLTexture* t, uint8_t seed) {
  for (int y = 0; y < t->Height; ++y)
    for (int x = 0; x < t->RowSize; ++x) t->GetRow(y)[x] = static_cast<uint8_t>(seed + y * 31 + x * 7);
}

std::vector<uint8_t> ReadTexture(TGLTexture* t, int level, GLenum format, int bytesPerPixel) {
  GLint w = 0, h = 0;
  t->Bind();
  gl::glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &w);
  gl::glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &h);
  std::vector<uint8_t> out(static_cast<size_t>(w * h * bytesPerPixel));
  gl::glPixelStorei(GL_PACK_ALIGNMENT, 1);
  gl::glGetTexImage(GL_TEXTURE_2D, level, format, GL_UNSIGNED_BYTE, out.data());
  return out;
}

}  // namespace

TEST(GLTexture, DerivedSizesAndPowerOfTwo) {
  struct Case { GLenum format, type; int32_t w, h, components, bpp, row, frame; };
  const Case cases[] = {
      {GL_BGR_EXT, GL_UNSIGNED_BYTE, 256, 256, 3, 3, 768, 196608},
      {GL_BGRA_EXT, GL_UNSIGNED_BYTE, 256, 256, 4, 4, 1024, 262144},
      {GL_LUMINANCE_ALPHA, GL_UNSIGNED_SHORT, 8, 2, 2, 4, 32, 64},
      {GL_ALPHA, GL_FLOAT, 4, 4, 1, 4, 16, 64},
      {GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 16, 1, 4, 2, 32, 32},
      {GL_RGB, GL_UNSIGNED_BYTE_3_3_2, 2, 2, 3, 1, 2, 4},
      {GL_RGBA, GL_UNSIGNED_INT_8_8_8_8_REV, 1, 1, 4, 4, 4, 4},
  };
  for (const Case& c : cases) {
    TGLTexture t(nullptr);
    t.SetFormat(GL_RGB8, c.format, c.type);
    t.SetSize(c.w, c.h);
    EXPECT_EQ(t.Components, c.components) << c.format;
    EXPECT_EQ(t.BytesPerPixel, c.bpp) << c.format;
    EXPECT_EQ(t.RowSize, c.row) << c.format;
    EXPECT_EQ(t.FrameSize, c.frame) << c.format;
  }
  TGLTexture t(nullptr);
  t.SetWidth(0);
  t.SetWidth(1);
  try {
    t.SetWidth(96);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TGLTexture.SetWidth error: Width is not power 2");
  }
  EXPECT_EQ(t.Width, 1);
  try {
    t.SetSize(64, -4);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "TGLTexture.SetHeight error: Height is not power 2");
  }
  EXPECT_EQ(t.Width, 64);  // the width was set before the bad height
}

TEST(GLTexture, AddVariants) {
  TCustomOpenGL owner;
  TGLTextureList& list = owner.Textures;
  struct Case { TGLTexture* (TGLTextureList::*add)(int32_t, int32_t); bool bgra; GLenum format, internal; };
  const Case cases[] = {
      {&TGLTextureList::AddRGB5, true, GL_BGR_EXT, GL_RGB5},   {&TGLTextureList::AddRGB5, false, GL_RGB, GL_RGB5},
      {&TGLTextureList::AddRGBA4, true, GL_BGRA_EXT, GL_RGBA4}, {&TGLTextureList::AddRGB5A1, false, GL_RGBA, GL_RGB5_A1},
      {&TGLTextureList::AddRGB8, false, GL_RGB, GL_RGB8},       {&TGLTextureList::AddRGBA8, true, GL_BGRA_EXT, GL_RGBA8},
  };
  list.DefaultFilter = GL_NEAREST;
  for (const Case& c : cases) {
    list.SetUseBGRA(c.bgra);
    TGLTexture* t = (list.*c.add)(0, 0);
    EXPECT_EQ(t->Format, c.format);
    EXPECT_EQ(t->InternalFormat, c.internal);
    EXPECT_EQ(t->PixelType, static_cast<GLenum>(GL_UNSIGNED_BYTE));
    EXPECT_EQ(t->Width, 0);
    EXPECT_EQ(t->Pixels, nullptr);
    EXPECT_EQ(t->Filter, static_cast<GLenum>(GL_NEAREST));
  }
  TGLTexture* sized = list.AddRGB5(4, 2);
  EXPECT_EQ(sized->BytesPerPixel, 3);
  EXPECT_NE(sized->Pixels, nullptr);
  EXPECT_EQ(list.Count(), 7);
  delete sized;  // a freed texture leaves its list
  EXPECT_EQ(list.Count(), 6);
  try {
    list.Items(6);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (6)");
  }
}

using GLObjects = TGLContextTest;

TEST_F(GLObjects, TextureUploadUpdateAndReupload) {
  TGLTextureList& list = OpenGL->Textures;
  EXPECT_TRUE(list.MultitextureSupported);
  EXPECT_TRUE(list.UseMultitexture);
  EXPECT_GE(list.MaxTextureUnits, 2);
  list.SetUseBGRA(true);
  TGLTexture* t = list.AddRGBA8(8, 4);
  Fill(t, 1);
  std::vector<uint8_t> first(t->Pixels.get(), t->Pixels.get() + t->FrameSize);
  t->UpdateData();  // never uploaded: uploads
  ASSERT_TRUE(t->Uploaded);
  EXPECT_EQ(ReadTexture(t, 0, GL_BGRA_EXT, 4), first);
  GLint min = 0, wrap = 0, env = 0;
  gl::glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
  gl::glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  gl::glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
  EXPECT_EQ(min, GL_LINEAR);
  EXPECT_EQ(wrap, GL_REPEAT);
  EXPECT_EQ(env, GL_MODULATE);

  Fill(t, 100);  // the per-frame path replaces the whole image
  std::vector<uint8_t> second(t->Pixels.get(), t->Pixels.get() + t->FrameSize);
  t->UpdateData();
  EXPECT_EQ(ReadTexture(t, 0, GL_BGRA_EXT, 4), second);

  const GLuint oldName = t->GLName;
  t->DeleteTexture();
  EXPECT_FALSE(gl::glIsTexture(oldName));
  t->AlphaReference = 0.5f;
  t->Use();  // a new name, made from the kept pixels
  EXPECT_TRUE(t->Uploaded);
  EXPECT_EQ(ReadTexture(t, 0, GL_BGRA_EXT, 4), second);
  EXPECT_TRUE(gl::glIsEnabled(GL_TEXTURE_2D));
  GLfloat ref = 0;
  gl::glGetFloatv(GL_ALPHA_TEST_REF, &ref);
  EXPECT_FLOAT_EQ(ref, 0.5f);
  GLint unit = 0;
  gl::glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
  EXPECT_EQ(unit, GL_TEXTURE0_ARB);
}

TEST_F(GLObjects, MipmapFilterBuildsEveryLevel) {
  TGLTexture* t = OpenGL->Textures.AddRGB8(8, 8);
  t->Filter = GL_LINEAR_MIPMAP_LINEAR;
  Fill(t, 9);
  t->UpdateData();
  GLint w1 = 0, w3 = 0, mag = 0;
  t->Bind();
  gl::glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &w1);
  gl::glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &w3);
  gl::glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  EXPECT_EQ(w1, 4);
  EXPECT_EQ(w3, 1);
  EXPECT_EQ(mag, GL_LINEAR);
  // Replacing the data touches level 0 only.
  std::vector<uint8_t> level1 = ReadTexture(t, 1, GL_RGB, 3);
  Fill(t, 77);
  t->UpdateData();
  EXPECT_EQ(ReadTexture(t, 1, GL_RGB, 3), level1);
  EXPECT_EQ(ReadTexture(t, 0, GL_RGB, 3), std::vector<uint8_t>(t->Pixels.get(), t->Pixels.get() + t->FrameSize));
}

TEST_F(GLObjects, NewLightSendsEverythingThenOnlyWhatIsDirty) {
  TGLLight* light = OpenGL->Lights.Add();
  {
    TRecordLightingCalls record;
    light->Enable();
    EXPECT_EQ(RecordedCalls(), (std::vector<std::string>{
                                   "glLightfv 0x1200", "glLightfv 0x1201", "glLightfv 0x1202", "glLightfv 0x1203",
                                   "glLightf 0x1205", "glLightf 0x1206", "glLightModeli 0x0B51", "glLightModeli 0x0B52",
                                   "glLightf 0x1207", "glLightf 0x1208", "glLightf 0x1209"}));
  }
  EXPECT_TRUE(gl::glIsEnabled(GL_LIGHT0));
  EXPECT_EQ(LightParam(GL_LIGHT0, GL_AMBIENT, 4), (std::vector<float>{0, 0, 0, 1}));
  EXPECT_EQ(LightParam(GL_LIGHT0, GL_DIFFUSE, 4), (std::vector<float>{1, 1, 1, 1}));
  EXPECT_EQ(LightParam(GL_LIGHT0, GL_POSITION, 4), (std::vector<float>{0, 0, 1, 0}));
  EXPECT_EQ(LightParam(GL_LIGHT0, GL_SPOT_CUTOFF, 1), (std::vector<float>{90}));

  struct Step { std::function<void()> change; std::vector<std::string> calls; };
  const Step steps[] = {
      {[] {}, {}},
      {[&] { light->SetDirection(MakeVector(0, -1, 0)); }, {"glLightfv 0x1203"}},
      {[&] { light->SetPosition(MakeVector(1, 2, 3)); }, {}},  // an infinite light ignores its position
      {[&] { light->SetInfinite(false); }, {"glLightfv 0x1203"}},
      {[&] { light->SetDirection(MakeVector(0, 0, 1)); }, {"glLightfv 0x1204"}},
      {[&] { light->SetLinearAttenuation(0.5f); light->SetSpotCutoff(30); }, {"glLightf 0x1206", "glLightf 0x1208"}},
  };
  for (const Step& s : steps) {
    TRecordLightingCalls record;
    s.change();
    light->Update();
    EXPECT_EQ(RecordedCalls(), s.calls);
  }
  EXPECT_EQ(LightParam(GL_LIGHT0, GL_POSITION, 4), (std::vector<float>{1, 2, 3, 1}));
  EXPECT_EQ(LightParam(GL_LIGHT0, GL_SPOT_DIRECTION, 3), (std::vector<float>{0, 0, 1}));
  light->Disable();
  EXPECT_FALSE(gl::glIsEnabled(GL_LIGHT0));

  // Numbering: a new light takes the count of the lights left.
  TGLLight* second = OpenGL->Lights.Add();
  EXPECT_EQ(second->Index, 1);
  delete second;
  EXPECT_EQ(OpenGL->Lights.Add()->Index, 1);
  OpenGL->Lights.SetGlobalAmbient(MakeColor(0.25f, 0.5f, 0.75f, 1));
  GLfloat ambient[4] = {};
  gl::glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
  EXPECT_FLOAT_EQ(ambient[2], 0.75f);
}

TEST_F(GLObjects, InactiveLightKeepsItsChangesPending) {
  TGLLight* light = OpenGL->Lights.Add();
  OpenGL->Active = false;
  light->Update();
  EXPECT_NE(light->Dirty, 0u);
  OpenGL->Active = true;
  light->Update();
  EXPECT_EQ(light->Dirty, 0u);
}

TEST_F(GLObjects, MaterialsSendOnlyWhatIsDirtyToTheRightFace) {
  TGLMaterial* m = OpenGL->Materials.Add();
  {
    TRecordLightingCalls record;
    m->Update();
    EXPECT_EQ(RecordedCalls(), (std::vector<std::string>{"glColor4fv", "glMaterialfv 0x1200", "glMaterialfv 0x1201",
                                                         "glMaterialfv 0x1202", "glMaterialfv 0x1600",
                                                         "glMaterialf 0x1601"}));
  }
  {
    TRecordLightingCalls record;
    m->Update();  // clean: not even the colour
    EXPECT_TRUE(RecordedCalls().empty());
    m->SetShininess(20);
    m->Update();
    EXPECT_EQ(RecordedCalls(), (std::vector<std::string>{"glColor4fv", "glMaterialf 0x1601"}));
  }
  struct Case { bool front, back; GLenum face; };
  const Case faces[] = {{true, true, GL_FRONT_AND_BACK}, {true, false, GL_FRONT}, {false, true, GL_BACK},
                        {false, false, GL_BACK}};
  for (const Case& c : faces) {
    m->SetFront(c.front);
    m->SetBack(c.back);
    EXPECT_EQ(m->Face(), c.face);
  }
  m->SetDiffuse(MakeColor(0.1f, 0.2f, 0.3f, 0.4f));
  m->Update();
  EXPECT_EQ(MaterialParam(GL_BACK, GL_DIFFUSE, 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(MaterialParam(GL_BACK, GL_SHININESS, 1), (std::vector<float>{20}));
}

TEST(GLPrimitive, ComputeNormals) {
  TGLPrimitive p(nullptr);
  // Two triangles sharing the edge (0,0,0)-(1,0,0): one in the XY plane, one in XZ.
  const float v[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, -1};
  p.Vertices.AssignFloats(v);
  p.ComputeNormals();  // flat: one normal per triangle
  EXPECT_EQ(p.Normals.GetItem(0), MakeVector(0, 0, 1));
  EXPECT_EQ(p.Normals.GetItem(2), MakeVector(0, 0, 1));
  EXPECT_EQ(p.Normals.GetItem(3), MakeVector(0, -1, 0));  // (B - A) x (C - A) of (1,0,0), (0,0,0), (0,0,-1)

  TGLPrimitive s(nullptr);
  const float sv[] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, -1};
  s.Vertices.AssignFloats(sv);
  for (uint32_t i : {0u, 1u, 2u, 1u, 0u, 3u, 9u}) {  // a trailing index is ignored
    s.Indices.Grow(1);
    s.Indices.SetItem(s.Indices.Count - 1, i);
  }
  s.ComputeNormals();  // smooth: shared vertices average both faces
  const float r = 1.0f / std::sqrt(2.0f);
  TGLVector shared = s.Normals.GetItem(0);
  EXPECT_NEAR(shared.X, 0, 1e-6);
  EXPECT_NEAR(shared.Y, -r, 1e-6);
  EXPECT_NEAR(shared.Z, r, 1e-6);
  EXPECT_EQ(s.Normals.GetItem(2), MakeVector(0, 0, 1));
  EXPECT_EQ(s.Normals.GetItem(3), MakeVector(0, -1, 0));
  EXPECT_EQ(s.Normals.GetItem(1), s.Normals.GetItem(0));

  TGLPrimitive q(nullptr);
  q.Mode = GL_QUADS;
  const float qv[] = {0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0, 2, 0, 2, 2, 0, 2, 0};
  q.Vertices.AssignFloats(qv);
  q.ComputeNormals();
  for (int i = 0; i < 4; ++i) EXPECT_EQ(q.Normals.GetItem(i), MakeVector(0, 0, 1));
  for (int i = 4; i < 8; ++i) EXPECT_EQ(q.Normals.GetItem(i), MakeVector(-1, 0, 0));
  q.Indices.SetCount(4);  // quads with indices: zero normals
  q.ComputeNormals();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(q.Normals.GetItem(i), MakeVector(0, 0, 0));
  q.Mode = GL_LINES;
  q.Indices.SetCount(0);
  q.ComputeNormals();
  EXPECT_EQ(q.Normals.GetItem(0), MakeVector(0, 0, 0));

  EXPECT_THROW(q.GetTextureCoords(3), Exception);
  EXPECT_EQ(&q.GetTextureCoords(2), &q.TexCoords[2]);

  TGLVectorDArray from, to;
  const float f[] = {0, 0, 0, 2, 2, 2}, t[] = {2, 4, 6, 2, 2, 2}, odd[] = {1, 1, 1};
  from.AssignFloats(f);
  to.AssignFloats(t);
  q.MorphVertices(from, to, 0.5f);
  EXPECT_EQ(q.Vertices.Count, 2);
  EXPECT_EQ(q.Vertices.GetItem(0), MakeVector(1, 2, 3));
  TGLVectorDArray short1;
  short1.AssignFloats(odd);
  q.MorphVertices(from, short1, 0.5f);  // counts differ: nothing
  EXPECT_EQ(q.Vertices.Count, 2);
}

TEST_F(GLObjects, DrawWithOneColourAndNoNormals) {
  TGLPrimitive* p = OpenGL->Primitives.Add();
  p->Mode = GL_QUADS;
  const float v[] = {-1, -1, 0, 1, -1, 0, 1, 1, 0, -1, 1, 0};
  p->Vertices.AssignFloats(v);
  p->Colors.SetCount(1);
  p->Colors.SetItem(0, PackRGBA(0, 255, 0, 255));
  p->TexCoords[0].SetCount(3);  // neither empty nor one per vertex: not drawn from
  gl::glClearColor(0, 0, 0, 1);
  gl::glClear(GL_COLOR_BUFFER_BIT);
  PlainDrawing();
  p->Draw();
  EXPECT_EQ(ReadPixel(Size / 2, Size / 2), (std::vector<int>{0, 255, 0}));
  EXPECT_FALSE(gl::glIsEnabled(GL_NORMAL_ARRAY));
  EXPECT_FALSE(gl::glIsEnabled(GL_COLOR_ARRAY));
  EXPECT_FALSE(gl::glIsEnabled(GL_TEXTURE_COORD_ARRAY));
  EXPECT_TRUE(gl::glIsEnabled(GL_VERTEX_ARRAY));

  // Indexed, one colour per vertex: the lower-left triangle only.
  p->Mode = GL_TRIANGLES;
  p->Colors.SetCount(4);
  for (int i = 0; i < 4; ++i) p->Colors.SetItem(i, PackRGBA(0, 0, 255, 255));
  for (uint32_t i : {0u, 1u, 3u}) {
    p->Indices.Grow(1);
    p->Indices.SetItem(p->Indices.Count - 1, i);
  }
  gl::glClear(GL_COLOR_BUFFER_BIT);
  p->Draw();
  EXPECT_EQ(ReadPixel(4, 4), (std::vector<int>{0, 0, 255}));
  EXPECT_EQ(ReadPixel(Size - 4, Size - 4), (std::vector<int>{0, 0, 0}));
}

TEST_F(GLObjects, DisplayListsBuildCallAndRebuild) {
  TGLDisplayList* list = OpenGL->DisplayLists.Add();
  int builds = 0;
  list->Count = 3;
  list->OnBuild = [&](TGLDisplayList* l) {
    ++builds;
    for (int i = 0; i < l->Count; ++i) {
      l->BeginList(i);
      gl::glColor3ub(static_cast<GLubyte>(i == 1 ? 255 : 0), static_cast<GLubyte>(i == 2 ? 255 : 0), 0);
      gl::glRectf(-1, -1, 1, 1);
      l->EndList();
    }
  };
  PlainDrawing();
  list->CallString(std::string("\x01", 1));  // built on first use, then code 1 drawn
  EXPECT_EQ(builds, 1);
  EXPECT_EQ(ReadPixel(8, 8), (std::vector<int>{255, 0, 0}));
  list->CallString(std::string("\x02", 1));
  EXPECT_EQ(ReadPixel(8, 8), (std::vector<int>{0, 255, 0}));
  gl::glClear(GL_COLOR_BUFFER_BIT);
  list->CallString("");  // no list called
  EXPECT_EQ(ReadPixel(8, 8)[1], 0);

  const GLuint oldBase = list->Base;
  list->Build();  // rebuilding deletes the old lists first
  EXPECT_EQ(builds, 2);
  EXPECT_TRUE(gl::glIsList(list->Base));
  if (list->Base != oldBase) {
    EXPECT_FALSE(gl::glIsList(oldBase));
  }

  // The context's stop deletes them; its start builds them again.
  OpenGL->StopContext();
  EXPECT_FALSE(list->Built);
  OpenGL->StartContext(DC);
  EXPECT_TRUE(list->Built);
  EXPECT_EQ(builds, 3);

  TGLDisplayList* empty = OpenGL->DisplayLists.Add();
  empty->CallString("abc");  // no OnBuild: never built
  EXPECT_FALSE(empty->Built);
}

TEST_F(GLObjects, ViewportApplySelectionAndCapture) {
  TGLViewport* v = OpenGL->Viewports.Add();
  v->Apply();
  GLint vp[4] = {};
  gl::glGetIntegerv(GL_VIEWPORT, vp);
  EXPECT_EQ((std::vector<int>{vp[0], vp[1], vp[2], vp[3]}), (std::vector<int>{0, 0, 100, 100}));
  GLdouble projection[16] = {}, modelview[16] = {};
  gl::glGetDoublev(GL_PROJECTION_MATRIX, projection);
  gl::glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
  EXPECT_NEAR(projection[0], 1.0, 1e-6);            // 2n / (r - l)
  EXPECT_NEAR(projection[10], -101.0 / 99.0, 1e-6);  // -(f + n) / (f - n)
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[i], i % 5 == 0 ? 1.0 : 0.0, 1e-6);

  v->SetPerspective(45, 16.0 / 9.0, 1, 100);
  EXPECT_NEAR(v->FrustumBox.Top, 0.41421, 1e-5);
  EXPECT_NEAR(v->FrustumBox.Right, 0.73638, 1e-5);
  EXPECT_EQ(v->FrustumBox.Left, -v->FrustumBox.Right);
  EXPECT_EQ(v->FrustumBox.Bottom, -v->FrustumBox.Top);

  v->Perspective = false;
  v->SetOrtho(0, 64, 0, 64, -1, 1);
  v->SetViewport(0, 0, Size, Size);
  v->Apply();
  gl::glGetDoublev(GL_PROJECTION_MATRIX, projection);
  EXPECT_NEAR(projection[0], 2.0 / 64, 1e-9);

  TGLSelectable picked;
  v->ObjectOfName = [&](GLuint name) { return name == 7 ? &picked : nullptr; };
  v->Selected = &picked;
  picked.SelectedFlag = true;
  v->BeginSelect(32, 32, 2, 2);  // clears the previous pick
  EXPECT_EQ(v->Selected, nullptr);
  EXPECT_FALSE(picked.SelectedFlag);
  gl::glLoadName(7);
  gl::glRectf(0, 0, 64, 64);
  v->EndSelect();
  EXPECT_EQ(v->Selected, &picked);
  EXPECT_TRUE(picked.SelectedFlag);
  v->BeginSelect(32, 32, 2, 2);
  v->EndSelect();  // no hits: nothing picked
  EXPECT_EQ(v->Selected, nullptr);

  gl::glClearColor(0, 0, 1, 1);
  gl::glClear(GL_COLOR_BUFFER_BIT);
  gl::glReadBuffer(GL_BACK);
  TGLScreenShot& shot = OpenGL->ScreenShot;
  shot.Capture(Size, Size);
  shot.Capture(Size, Size);
  EXPECT_EQ(shot.Count, 2);
  EXPECT_EQ(shot.RowSize, Size * 3);
  EXPECT_EQ(shot.Data.size(), static_cast<size_t>(Size * Size * 3));
  EXPECT_EQ((std::vector<int>{shot.Row(Size - 1)[0], shot.Row(Size - 1)[1], shot.Row(Size - 1)[2]}),
            (std::vector<int>{0, 0, 255}));
  shot.Capture(0, 10);
  EXPECT_EQ(shot.Width, 0);
  EXPECT_TRUE(shot.Data.empty());
  shot.Clear();
  EXPECT_EQ(shot.Count, 3);
}

TEST_F(GLObjects, CapturedFrameSavesAsThePicture) {
  gl::glClearColor(0, 0, 1, 1);
  gl::glClear(GL_COLOR_BUFFER_BIT);
  PlainDrawing();
  gl::glColor3ub(255, 255, 0);
  gl::glRectf(-1, 0, 1, 1);  // upper half yellow, lower half blue
  gl::glReadBuffer(GL_BACK);
  OpenGL->ScreenShot.Capture(Size, Size);
  TBitmap picture = BitmapFromCapture(OpenGL->ScreenShot);
  TTempDir dir;
  std::string file = dir.File(NumberedSnapShotName("emberhall.jpg", OpenGL->ScreenShot.Count));
  ASSERT_TRUE(SaveSnapShotFile(file, picture));
  EXPECT_EQ(file, dir.File("emberhall1.jpg"));
  if (const char* keep = std::getenv("EMBERHALL_KEEP_SNAPSHOT")) std::filesystem::copy_file(file, keep);
  TBitmap back = LoadBitmapJPEG(file);
  const uint8_t* top = back.Row(4) + 3 * (Size / 2);
  const uint8_t* bottom = back.Row(Size - 5) + 3 * (Size / 2);
  EXPECT_GT(top[1], 230);     // yellow: green and red high, blue low (BGR order)
  EXPECT_GT(top[2], 230);
  EXPECT_LT(top[0], 30);
  EXPECT_GT(bottom[0], 230);  // blue
  EXPECT_LT(bottom[2], 30);
}
