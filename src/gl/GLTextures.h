// OpenGL 2D textures with the CPU-side pixel buffers they are made from.
#pragma once

#include <cstdint>
#include <memory>

#include "gl/GLItems.h"
#include "gl/GLTypes.h"
#include "gl/OGL.h"

namespace emberhall {

class TGLTextureList;

class TGLTexture : public TGLItem {
 public:
  explicit TGLTexture(TGLItemList* AList);
  ~TGLTexture() override;

  void SetFormat(GLenum AInternalFormat, GLenum AFormat, GLenum APixelType);
  // 0 or a power of two; otherwise "TGLTexture.SetWidth error: Width is not
  // power 2" (or the height's message) and the field is unchanged.
  void SetWidth(int32_t W);
  void SetHeight(int32_t H);
  void SetSize(int32_t W, int32_t H);
  // A new buffer of FrameSize bytes (contents undefined; callers write every pixel).
  uint8_t* AllocatePixels();
  void FreePixels();
  // Row Y of the buffer (no bounds check); row 0 is sent first (T = 0).
  uint8_t* GetRow(int32_t Y) { return Pixels.get() + static_cast<ptrdiff_t>(Y) * RowSize; }

  void UpLoad();
  // Uploads when not uploaded, else replaces the whole image (level 0).
  void UpdateData();
  void Bind();
  void Use();
  void DeleteTexture();

  bool Uploaded = false;
  GLuint GLName = 0;
  int32_t Width = 256;
  int32_t Height = 256;
  std::unique_ptr<uint8_t[]> Pixels;
  float Priority = 1.0f;
  GLenum Filter = GL_LINEAR;
  GLenum EnvMode = GL_MODULATE;
  TGLColor EnvColor{1, 1, 1, 1};
  GLenum Format = GL_RGB;
  GLenum InternalFormat = GL_RGB8;
  GLenum PixelType = GL_UNSIGNED_BYTE;
  int32_t BytesPerPixel = 0;
  int32_t RowSize = 0;
  int32_t FrameSize = 0;
  int32_t Components = 0;
  int32_t TextureUnit = 0;
  float AlphaReference = 0.0f;

 private:
  void ComputeSizes();
  bool UseMultitexture() const;
};

class TGLTextureList : public TGLTypedItemList<TGLTexture> {
 public:
  explicit TGLTextureList(TCustomOpenGL* AOpenGL) : TGLTypedItemList(AOpenGL) {}

  TGLTexture* AddRGBA4(int32_t W, int32_t H);
  TGLTexture* AddRGB5A1(int32_t W, int32_t H);
  TGLTexture* AddRGB5(int32_t W, int32_t H);
  TGLTexture* AddRGB8(int32_t W, int32_t H);
  TGLTexture* AddRGBA8(int32_t W, int32_t H);
  void SetUseBGRA(bool Value) { UseBGRA = Value; }
  void ContextCreated() override;
  void DeleteAll();

  bool HasBGRA = false;
  bool HasPackedPixels = false;
  GLenum DefaultFilter = GL_LINEAR;
  GLenum DefaultEnvMode = GL_MODULATE;
  bool UseBGRA = false;
  bool MultitextureSupported = false;
  int32_t MaxTextureUnits = 1;
  bool UseMultitexture = false;

 private:
  TGLTexture* AddVariant(GLenum RGBFormat, GLenum BGRAFormat, GLenum Internal, int32_t W, int32_t H);
};

}  // namespace emberhall
