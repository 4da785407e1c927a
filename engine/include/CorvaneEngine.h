// CorvaneEngine — the one public header of the engine library.
//
// Everything a game may call, embed or read is declared here, grouped by
// module. A game links against libCorvaneEngine.so and includes this file
// only; SDL, OpenAL and other platform headers never appear here.
//
// Conventions: plain classes with public fields, fixed-size arrays, module
// state in exported globals (leading underscore), amounts per 20 ms tick,
// angles in degrees, colours as four floats 0..1, no exceptions. Loaders
// log failures to "EngineLog.txt" and carry on.
#ifndef CORVANE_ENGINE_H
#define CORVANE_ENGINE_H

#include <cstddef>
#include <cstdint>

#if defined(CORVANE_STATIC)
#define CORVANE_API
#elif defined(CORVANE_BUILDING)
#define CORVANE_API __attribute__((visibility("default")))
#else
#define CORVANE_API
#endif

// OpenGL object names as the engine hands them out.
typedef unsigned int GLTexture;

// ============================================================ Sound buffers
// (module: sound)

// ============================================================ Log
// (module: log)

// ============================================================ Shaders
// (module: shaders)

// ============================================================ Drawing state, camera, primitives
// (module: primitives)

// Three floats / three ints, returned by value.
struct SVec3 {
  float x, y, z;
};
struct SInt3 {
  int x, y, z;
};
CORVANE_API SVec3 VEC3(float x, float y, float z);
CORVANE_API SInt3 INT3(int x, int y, int z);

// Screen-space 2D mode: pixels of _Zarn_ScreenWidth x _Zarn_ScreenHeight,
// origin top-left, y down. Begin2D saves the enable/colour/depth/viewport
// attribute groups and both matrices, turns depth testing off and unbinds
// the texture; End2D restores them and leaves the colour white.
CORVANE_API void Begin2D();
CORVANE_API void End2D();
// Bracket for one 3D object: unbind texture + push matrix / unbind texture,
// colour white, blending off, pop matrix.
CORVANE_API void Begin3D();
CORVANE_API void End3D();
// Transform helpers (narrowed to float). Rotations turn about the negative
// axis: a positive angle is clockwise seen from the positive end.
CORVANE_API void SetPos3D(double x, double y, double z);
CORVANE_API void RotateX(double deg);
CORVANE_API void RotateY(double deg);
CORVANE_API void RotateZ(double deg);
CORVANE_API void Size3D(double x, double y, double z);
CORVANE_API void Size3D(double s);
// Camera at (ex, ey, ez) looking at (cx, cy, cz), up is +Y.
CORVANE_API void SetCamera(double ex, double ey, double ez, double cx, double cy, double cz);
// Current colour; an alpha other than exactly 1 also switches on additive
// blending (GL_SRC_ALPHA, GL_ONE). Never turns blending off.
CORVANE_API void SetColor(float r, float g, float b, float a);
// Builds the unit-plane buffers; called once by InitGL after the buffer
// entry points are bound.
CORVANE_API void Init3DPrimitives();
// Unit plane (-0.5..0.5, z = 0) with the current texture and colour.
CORVANE_API void DrawSimplePlane();
// The unit plane over the rectangle with top-left (x, y), size w x h.
CORVANE_API void DrawRectangle(double x, double y, double w, double h);
// Cut-out u[0]..u[1] x v[0] (bottom edge) .. v[1] (top edge) of tex over a
// rectangle, added onto the frame (GL_ONE, GL_ONE); blending off afterwards.
CORVANE_API void DrawTextureCut(unsigned int tex, double x, double y, double w, double h,
                                const double* u, const double* v);
// Tinted cut-out of tex (tex0 is not read); blending off afterwards.
CORVANE_API void DrawSpriteCut(unsigned int tex0, unsigned int tex, double x, double y, double w,
                               double h, const double* u, const double* v, const float* color);
// One untextured point.
CORVANE_API void PutPoint2D(float x, float y);
// Textured cube of edge 1 at the origin. Scales the current matrix by 0.5
// without pushing it: bracket it with Begin3D/End3D.
CORVANE_API void DrawCube();

// ============================================================ Textures
// (module: textures)

// Texture registry: every texture the makers create, in load order.
// _MaxFreeTextures is the index of the last used entry (-1 when empty);
// the number of loads is _MaxFreeTextures + 1. Never more than 2048.
#define CORVANE_MAX_TEXTURES 2048
extern CORVANE_API unsigned int _FreeTextures[CORVANE_MAX_TEXTURES];
extern CORVANE_API int _MaxFreeTextures;
// Upload path of the colour-keyed maker: non-zero (default 1) gives one
// unfiltered level (GL_NEAREST), 0 gives linear mipmaps. TFonts::Load sets it.
extern CORVANE_API int _TextureMode;

// TGA (type 2 or 10, 24 or 32 bits) to an RGB texture with mipmaps.
// Returns the GL texture name, 0 when the file could not be read (the
// failed load still takes a registry entry).
CORVANE_API unsigned int LoadTexture(const char* path);
// RGBA texture whose alpha is 0 where the pixel equals the colour key
// key[0..2] (red, green, blue, 0..255) exactly, 255 elsewhere.
CORVANE_API unsigned int LoadTexture(const char* path, const int* key);
// RGB texture, white where the pixel equals the key, black elsewhere.
CORVANE_API unsigned int CreateMaskTexture(const char* path, const int* key);
// Binds name to GL_TEXTURE_2D; a colour-keyed texture also switches on
// alpha blending (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA). Never turns it off.
CORVANE_API void SetTexture(unsigned int name);

// ============================================================ Sprites and fonts
// (module: sprites and fonts)

// One textured rectangle in 2D screen space (x, y = top-left corner).
// Drawn in the current colour; `color` is kept for the menu widgets.
class CORVANE_API TSprite {
 public:
  int width;
  int height;
  int x, y;
  float color[4];
  unsigned int texture;

  TSprite() {
    color[0] = 1.0f;
    color[1] = 1.0f;
    color[2] = 1.0f;
    color[3] = 1.0f;
  }
  // Opaque RGB texture.
  void Load(const char* path);
  // Colour key key[0..2] becomes transparent.
  void Load(const char* path, const int* key);
  void Set(int x, int y, int w, int h);
  void Move(int x, int y);
  virtual void Draw();
};

// Bitmap font: a 16 x 16 grid of glyph cells, top row first; byte b
// (unsigned, Windows-1251) is drawn from cell b - 1. Black is transparent.
// Glyphs are size x size squares advancing by size / 2.
class CORVANE_API TFonts {
 public:
  unsigned int texture;
  int size;
  float color[4];

  TFonts() : texture(0), size(0) {
    color[0] = 1.0f;
    color[1] = 1.0f;
    color[2] = 1.0f;
    color[3] = 1.0f;
  }
  // Adopts an existing texture; the colour is kept.
  void Create(unsigned int texture, int size);
  // Loads the glyph image (black transparent, mipmapped); leaves
  // _TextureMode at 1.
  void Load(const char* path, int size);
  void SetColor(float r, float g, float b, float a);
  // printf-style; the first glyph's top-left corner at (x, y). Text past
  // 255 bytes is cut. Call between Begin2D and End2D.
  void Print(int x, int y, const char* format, ...);
};

// ============================================================ Frustum and picking
// (module: frustum)

// Rebuilds the six view planes from the current projection and modelview
// matrices; call once per frame right after SetCamera.
CORVANE_API void CalculateFrustum();
// Strictly inside all six planes.
CORVANE_API bool PointInFrustum(float x, float y, float z);
// Centre less than radius behind every plane.
CORVANE_API bool SphereInFrustum(float x, float y, float z, float radius);
// Axis-aligned cube centred on (x, y, z), half edge `size`.
CORVANE_API bool CubeInFrustum(float x, float y, float z, float size);
// World point under the cursor (_MousePosX, _MousePosY) from the depth
// buffer drawn so far; writes _MousePos3D. Call before the buffer swap.
CORVANE_API void GetMouse3DPos();
// Last result of GetMouse3DPos; (0, 0, 0) before the first call.
extern CORVANE_API SVec3 _MousePos3D;

// ============================================================ Models
// (module: models)

// ============================================================ Particles
// (module: particles)

// ============================================================ Menu widgets
// (module: menu)

// ============================================================ Lifecycle, window, loop, input globals
// (module: lifecycle)

// ============================================================ GL start-up and screenshots
// (module: glinit and screenshot)

#endif // CORVANE_ENGINE_H
