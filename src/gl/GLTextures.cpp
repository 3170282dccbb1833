#include "gl/GLTextures.h"

#include "gl/GLContext.h"
#include "gl/GLE.h"
#include "gl/GLU.h"
#include "platform/SysUtils.h"

namespace emberhall {

namespace {

bool PowerOfTwoOrZero(int32_t v) { return v == 0 || (v > 0 && (v & (v - 1)) == 0); }

int32_t ComponentsOf(GLenum format) {
  switch (format) {
    case GL_LUMINANCE_ALPHA: return 2;
    case GL_RGB:
    case GL_BGR_EXT: return 3;
    case GL_RGBA:
    case GL_BGRA_EXT: return 4;
    default: return 1;
  }
}

int32_t BytesPerPixelOf(GLenum type, int32_t components) {
  switch (type) {
    case GL_SHORT:
    case GL_UNSIGNED_SHORT: return 2 * components;
    case GL_INT:
    case GL_UNSIGNED_INT:
    case GL_FLOAT: return 4 * components;
    case GL_UNSIGNED_BYTE_3_3_2:
    case GL_UNSIGNED_BYTE_2_3_3_REV: return 1;
    case GL_UNSIGNED_SHORT_4_4_4_4:
    case GL_UNSIGNED_SHORT_5_5_5_1:
    case GL_UNSIGNED_SHORT_5_6_5:
    case GL_UNSIGNED_SHORT_5_6_5_REV:
    case GL_UNSIGNED_SHORT_4_4_4_4_REV:
    case GL_UNSIGNED_SHORT_1_5_5_5_REV: return 2;
    case GL_UNSIGNED_INT_8_8_8_8:
    case GL_UNSIGNED_INT_10_10_10_2:
    case GL_UNSIGNED_INT_8_8_8_8_REV:
    case GL_UNSIGNED_INT_2_10_10_10_REV: return 4;
    default: return components;
  }
}

bool IsMipmapFilter(GLenum filter) { return filter >= GL_NEAREST_MIPMAP_NEAREST && filter <= GL_LINEAR_MIPMAP_LINEAR; }

}  // namespace

TGLTexture::TGLTexture(TGLItemList* AList) : TGLItem(AList) { ComputeSizes(); }

TGLTexture::~TGLTexture() {
  DeleteTexture();
  FreePixels();
}

void TGLTexture::ComputeSizes() {
  Components = ComponentsOf(Format);
  BytesPerPixel = BytesPerPixelOf(PixelType, Components);
  RowSize = BytesPerPixel * Width;
  FrameSize = RowSize * Height;
}

void TGLTexture::SetFormat(GLenum AInternalFormat, GLenum AFormat, GLenum APixelType) {
  InternalFormat = AInternalFormat;
  Format = AFormat;
  PixelType = APixelType;
  ComputeSizes();
}

void TGLTexture::SetWidth(int32_t W) {
  if (!PowerOfTwoOrZero(W)) throw Exception("TGLTexture.SetWidth error: Width is not power 2");
  Width = W;
  ComputeSizes();
}

void TGLTexture::SetHeight(int32_t H) {
  if (!PowerOfTwoOrZero(H)) throw Exception("TGLTexture.SetHeight error: Height is not power 2");
  Height = H;
  ComputeSizes();
}

void TGLTexture::SetSize(int32_t W, int32_t H) {
  SetWidth(W);
  SetHeight(H);
}

uint8_t* TGLTexture::AllocatePixels() {
  FreePixels();
  Pixels.reset(new uint8_t[static_cast<size_t>(FrameSize > 0 ? FrameSize : 0)]);
  return Pixels.get();
}

void TGLTexture::FreePixels() { Pixels.reset(); }

bool TGLTexture::UseMultitexture() const {
  auto* list = static_cast<TGLTextureList*>(List);
  return list && list->UseMultitexture;
}

void TGLTexture::Bind() {
  if (UseMultitexture() && glActiveTextureARB) glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(TextureUnit));
  glBindTexture(GL_TEXTURE_2D, GLName);
}

void TGLTexture::UpLoad() {
  if (Uploaded) return;
  glGenTextures(1, &GLName);
  Bind();
  glPixelStoref(GL_UNPACK_ALIGNMENT, 1);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, Priority);
  if (IsMipmapFilter(Filter)) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, Components, Width, Height, Format, PixelType, Pixels.get());
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(InternalFormat), Width, Height, 0, Format, PixelType,
                 Pixels.get());
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLint>(Filter));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, Filter >= GL_LINEAR ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(EnvMode));
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, &EnvColor.Red);
  Uploaded = true;
}

void TGLTexture::UpdateData() {
  if (!Uploaded) {
    UpLoad();
    return;
  }
  Bind();
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, Width, Height, Format, PixelType, Pixels.get());
}

void TGLTexture::Use() {
  if (!Uploaded) UpLoad();
  Bind();
  glAlphaFunc(GL_GREATER, AlphaReference);
  glEnable(GL_TEXTURE_2D);
}

void TGLTexture::DeleteTexture() {
  if (!Uploaded) return;
  if (glDeleteTextures) glDeleteTextures(1, &GLName);
  Uploaded = false;
}

TGLTexture* TGLTextureList::AddVariant(GLenum RGBFormat, GLenum BGRAFormat, GLenum Internal, int32_t W, int32_t H) {
  TGLTexture* t = Add();
  t->SetFormat(Internal, UseBGRA ? BGRAFormat : RGBFormat, GL_UNSIGNED_BYTE);
  if (W != 0 && H != 0) {
    t->SetSize(W, H);
    t->AllocatePixels();
  } else {
    t->SetSize(0, 0);
  }
  t->Filter = DefaultFilter;
  t->EnvMode = DefaultEnvMode;
  return t;
}

TGLTexture* TGLTextureList::AddRGBA4(int32_t W, int32_t H) { return AddVariant(GL_RGBA, GL_BGRA_EXT, GL_RGBA4, W, H); }
TGLTexture* TGLTextureList::AddRGB5A1(int32_t W, int32_t H) {
  return AddVariant(GL_RGBA, GL_BGRA_EXT, GL_RGB5_A1, W, H);
}
TGLTexture* TGLTextureList::AddRGB5(int32_t W, int32_t H) { return AddVariant(GL_RGB, GL_BGR_EXT, GL_RGB5, W, H); }
TGLTexture* TGLTextureList::AddRGB8(int32_t W, int32_t H) { return AddVariant(GL_RGB, GL_BGR_EXT, GL_RGB8, W, H); }
TGLTexture* TGLTextureList::AddRGBA8(int32_t W, int32_t H) { return AddVariant(GL_RGBA, GL_BGRA_EXT, GL_RGBA8, W, H); }

void TGLTextureList::ContextCreated() {
  if (OpenGL) OpenGL->SetPerspectiveCorrection(true);
  HasBGRA = ExtensionSupported("GL_EXT_bgra");
  HasPackedPixels = ExtensionSupported("GL_EXT_packed_pixels");
  MultitextureSupported = UseMultitexture = ExtensionSupported("GL_ARB_multitexture");
  if (MultitextureSupported) {
    GLint units = 1;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
    MaxTextureUnits = units;
  } else {
    MaxTextureUnits = 1;
  }
  UseBGRA = false;
  DefaultFilter = GL_LINEAR;
  DefaultEnvMode = GL_MODULATE;
}

void TGLTextureList::DeleteAll() {
  for (int i = 0; i < Count(); ++i) Items(i)->DeleteTexture();
}

}  // namespace emberhall
