// Render: mipmapped texture uploads at the picture's own size.
//
// Every GL the engine runs on takes textures of any size, so a picture
// whose sides are not powers of two goes up as it is and the driver builds
// the smaller levels. Only a context that cannot do both (before GL 2.0
// without ARB_texture_non_power_of_two, or without any way to build mipmaps
// itself) gets GLU's path, which resamples to powers of two in software.
// Power-of-two pictures keep GLU's path: GLU uploads them unchanged and its
// box filter gives the smaller levels exactly as they always were, so
// everything drawn from them stays the same to the byte.
#include "render/Render.h"

#include <SDL2/SDL.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdio>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

const TextureUploadCaps* TextureUploadCapsOverride = nullptr;

namespace {

// "major.minor" at the start of GL_VERSION (after any "OpenGL ES " prefix).
void GlVersion(int* major, int* minor) {
  *major = *minor = 0;
  const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (!v) return;
  while (*v && (*v < '0' || *v > '9')) ++v;
  if (std::sscanf(v, "%d.%d", major, minor) != 2) *major = *minor = 0;
}

bool AtLeast(int major, int minor, int wantMajor, int wantMinor) {
  return major > wantMajor || (major == wantMajor && minor >= wantMinor);
}

typedef void(APIENTRYP GenerateMipmapProc)(GLenum target);

// The context's glGenerateMipmap (core or EXT name), null when it has none.
GenerateMipmapProc GenerateMipmapEntry() {
  int major = 0, minor = 0;
  GlVersion(&major, &minor);
  const char* name = nullptr;
  if (AtLeast(major, minor, 3, 0) || SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object"))
    name = "glGenerateMipmap";
  else if (SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object"))
    name = "glGenerateMipmapEXT";
  return name ? reinterpret_cast<GenerateMipmapProc>(SDL_GL_GetProcAddress(name)) : nullptr;
}

bool PowerOfTwo(unsigned v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

TextureUploadCaps QueryTextureUploadCaps() {
  int major = 0, minor = 0;
  GlVersion(&major, &minor);
  TextureUploadCaps caps;
  caps.anySize =
      AtLeast(major, minor, 2, 0) || SDL_GL_ExtensionSupported("GL_ARB_texture_non_power_of_two");
  caps.generateMipmap = GenerateMipmapEntry() != nullptr;
  caps.generateParameter =
      AtLeast(major, minor, 1, 4) || SDL_GL_ExtensionSupported("GL_SGIS_generate_mipmap");
  return caps;
}

void UploadMipmapped(int components, unsigned width, unsigned height, unsigned format,
                     const void* pixels) {
  const TextureUploadCaps caps =
      TextureUploadCapsOverride ? *TextureUploadCapsOverride : QueryTextureUploadCaps();
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  const bool fits = maxSize > 0 && width <= static_cast<unsigned>(maxSize) &&
                    height <= static_cast<unsigned>(maxSize);
  const bool exact = fits && caps.anySize && !(PowerOfTwo(width) && PowerOfTwo(height));
  GenerateMipmapProc generate = exact && caps.generateMipmap ? GenerateMipmapEntry() : nullptr;
  const GLsizei w = static_cast<GLsizei>(width), h = static_cast<GLsizei>(height);
  if (generate) {
    glTexImage2D(GL_TEXTURE_2D, 0, components, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
    generate(GL_TEXTURE_2D);
    return;
  }
  if (exact && caps.generateParameter) {
    // Before GL 3.0: the levels follow every change of level 0 by themselves.
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
    glTexImage2D(GL_TEXTURE_2D, 0, components, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_FALSE);
    return;
  }
  gluBuild2DMipmaps(GL_TEXTURE_2D, components, w, h, format, GL_UNSIGNED_BYTE, pixels);
}
