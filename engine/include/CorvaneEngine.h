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
//
// Units: world units (the camera's 3D space), screen pixels of the size
// asked of StartEngine in 2D mode (origin top-left, y down), degrees,
// ticks of 20 ms for every speed and per-tick amount.
//
// Projection: a perspective of 45 degrees vertical field of view, aspect
// width / height of the window, near plane 0.1 world units; the far plane
// is 300 during the init callback and 100 from the first frame on (each
// window size change sets it again). The model-view matrix is reset to
// identity before each frame's render callback, so a frame starts with
// SetCamera.
//
// Text: every text the engine shows or writes - window captions, log
// entries, bitmap-font texts, button captions - is Windows-1251, one byte
// per character; ASCII is the same in both. File paths are passed to the
// C library unchanged.
//
// GL context: calls marked [GL] need the engine's OpenGL context, which
// exists from the init callback until the engine shuts down; call them from
// the init, process or render callbacks or from menu callbacks. Without a
// context they log one line naming themselves and return their failure
// value (0, -1, false, or nothing drawn). Null paths and null arrays given
// to a call are refused the same way.
//
// Ownership: texture names, model buffers and shader objects belong to the
// GL context and are all released with it at shutdown; there is no call to
// release one earlier. Sound buffers from LoadDirectSound belong to the
// caller (see there). Menu widgets added to a TCMenu stay the caller's.
#ifndef CORVANE_ENGINE_H
#define CORVANE_ENGINE_H

#include <cstddef>
#include <cstdint>

// Version of the engine this header belongs to. The build reads these
// three lines; a new major number means programs must be rebuilt.
#define CORVANE_VERSION_MAJOR 1
#define CORVANE_VERSION_MINOR 0
#define CORVANE_VERSION_PATCH 0

// The engine's exported names. On Windows the DLL exports them and its users
// import them; elsewhere they are the shared library's only visible names.
// CORVANE_BUILDING is set while the engine itself is compiled, CORVANE_STATIC
// by users of a static copy.
#if defined(CORVANE_STATIC)
#define CORVANE_API
#elif defined(_WIN32) && defined(CORVANE_BUILDING)
#define CORVANE_API __declspec(dllexport)
#elif defined(_WIN32)
#define CORVANE_API __declspec(dllimport)
#elif defined(CORVANE_BUILDING)
#define CORVANE_API __attribute__((visibility("default")))
#else
#define CORVANE_API
#endif

// An OpenGL texture name as the texture makers return it (0: none).
typedef unsigned int GLTexture;

// ============================================================ Sound buffers
// (module: sound)

// One loaded sound effect: its samples on the sound device and the voice
// that plays them. Made by LoadDirectSound, kept by the game for the whole
// run. A buffer that failed to load (no device, damaged file) is empty:
// its operations do nothing. Sound needs no GL context.
class CORVANE_API TSoundBuffer {
public:
  unsigned int source;  // device voice name, 0 when empty
  unsigned int buffer;  // device sample buffer name, 0 when empty
  unsigned int size;    // bytes of sample data held on the device
  unsigned int rate;    // sample frames per second (Hz)
  int channels;         // 1 or 2
  int bits;             // as held: 8 or 16 (integer PCM), 32 (float)

  // An empty buffer.
  TSoundBuffer() : source(0), buffer(0), size(0), rate(0), channels(0), bits(0) {}

  // Moves the play position to byte `pos` of the samples; 0 rewinds, so the
  // next Play starts from the beginning. A playing sound jumps there.
  void SetCurrentPosition(unsigned int pos);
  // Plays once from the current position, no looping. A sound that is
  // already playing goes on; a finished one plays again from its start.
  // The arguments are accepted for the callers' sake and not used.
  void Play(unsigned int reserved, unsigned int priority, unsigned int flags);
  // True while the sound is being played.
  bool IsPlaying() const;
  // True when the buffer holds no playable sound.
  bool IsEmpty() const { return source == 0; }
};

// Reads the RIFF/WAVE file at `path` into a new buffer on the engine's
// sound device and stores it in *buffer. Taken: mono or stereo at any rate
// up to 1 MHz, as 8-, 16-, 24- or 32-bit integer PCM or 32-bit float, in a
// plain or an extensible (WAVE_FORMAT_EXTENSIBLE, PCM or float sub-format)
// format chunk; the "fmt " and "data" chunks may lie anywhere in the file
// among other chunks (LIST, JUNK, bext, ...). 8- and 16-bit samples go to
// the device as they are; 24/32-bit and float samples go as 32-bit float
// where the device has AL_EXT_FLOAT32 (OpenAL Soft has), otherwise as
// 16-bit PCM rounded to nearest. Refused with a log line naming the file:
// more than two channels, compressed codecs (ADPCM, mu-law, A-law, ...),
// 64-bit float, and chunk or frame sizes the file cannot hold.
// A missing file logs a line and leaves *buffer untouched; a damaged or
// unsupported file, or no sound device, logs a line and stores an empty
// buffer. A null `buffer` or `path` is refused with a log line. The new
// buffer is the caller's: ReleaseSoundBuffer(&b) frees it and sets b to
// null (safe on null, and after shutdown); one left alone is emptied at
// shutdown and its memory stays taken until the program ends.
CORVANE_API void LoadDirectSound(TSoundBuffer** buffer, const char* path);
// Frees a buffer made by LoadDirectSound and sets *buffer to null;
// safe on null and after the engine has shut down.
CORVANE_API void ReleaseSoundBuffer(TSoundBuffer** buffer);

// ============================================================ Log
// (module: log)

// Appends one entry to the log file, "EngineLog.txt" in the working
// directory unless SetLogFile named another: local time "HH:MM:SS ", the
// printf-formatted message (cut at 255 bytes) and CR LF. The file is
// opened and closed for each entry; an unwritable log is skipped after one
// line on stderr naming it (once per log file). Text from outside (file
// names, driver strings) must be passed as the argument of a "%s".
// Windows-1251 text; a null format writes an empty entry. The log is
// deleted each time StartEngine makes its window. Needs no GL context.
CORVANE_API void AddToLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Logs every pending OpenGL error, one entry each, all with one time stamp;
// the second form puts the caller's context text (Windows-1251) in front.
// Without a GL context there is nothing to report and nothing is logged.
CORVANE_API void GlError();
CORVANE_API void GlError(const char* context);
// True when the path names anything on disk (a directory counts); false
// for a null or empty path.
CORVANE_API bool FileExists(const char* path);
// Makes `path` the log file from the next entry on (the file StartEngine
// deletes when it makes its window); null or "" goes back to
// "EngineLog.txt" in the working directory. The folder is not created.
// True when the file can be written (it exists and is writable, or its
// folder is). False: the place is used anyway, and the caller reports it
// (the entries then skip their own stderr line). A path of 4096 bytes or
// more is refused: false, the log file stays as it was.
CORVANE_API bool SetLogFile(const char* path);

// ============================================================ Shaders
// (module: shaders)

// One GLSL program built through the ARB shader-object extension: the
// program object and the two shader objects it links. The engine builds
// its own two programs with it; a game may build more. [GL] for every
// member but Destroy. Uniform and attribute setters act on the program
// that is current (the one last passed to Enable), not on `this`. Not
// copyable: the objects have one owner. The shutdown deletes every
// registered object, so a program lives until then unless Destroy is called.
class CORVANE_API TShader {
public:
  unsigned int program;         // program object
  unsigned int fragmentShader;  // fragment shader object
  unsigned int vertexShader;    // vertex shader object

  TShader() : program(0), fragmentShader(0), vertexShader(0) {}
  ~TShader() { Destroy(); }
  // One program has one owner: a copy would delete the objects twice.
  TShader(const TShader&) = delete;
  TShader& operator=(const TShader&) = delete;

  // Compiles both NUL-terminated texts, links them and registers the three
  // objects (vertex, fragment, program) in _FreeShaders. Build problems
  // show only as info-log lines in the engine log.
  void Create(const char* vertexSource, const char* fragmentSource);
  // The same with texts read from two files; a file that cannot be read is
  // logged and leaves the object without a program.
  void Load(const char* vertexFile, const char* fragmentFile);
  void Enable();   // makes this program current
  void Disable();  // back to the fixed-function pipeline
  // Deletes the three objects (when a context is alive) and zeroes the
  // names; the registry keeps its entries. Also run by the destructor.
  void Destroy();
  // Location of the uniform `name` (ASCII) in this program; -1 when the
  // program has none of that name, or for a null name.
  int GetUniform(const char* name);
  // Location of the vertex attribute `name` (ASCII); -1 when absent.
  int GetAttribute(const char* name);
  // Sets the int or float uniform at `location` of the current program.
  void SetUniform(int location, int value);
  void SetUniform(int location, float value);
  // Sets a vec2/vec3/vec4 uniform from values[0..count-1]; count 2, 3 or 4,
  // any other count (or null values) does nothing.
  void SetUniform(int location, int count, const int* values);
  void SetUniform(int location, int count, const float* values);
  // Does nothing (kept for callers written against it).
  void SetAttribute(int location, float value);
  // Sets the constant value of a vec3/vec4 vertex attribute from
  // values[0..count-1]; count 3 or 4, anything else does nothing.
  void SetAttribute(int location, int count, const float* values);
  // Switches on the attribute array at `location` (ignored when negative).
  void EnableVertexArray(int location);
};

// Every GL object made by TShader, in creation order; shutdown deletes
// entries 0.._MaxFreeShaders. _MaxFreeShaders is the last used index
// (-1 when empty). Objects past the 2048th are not registered.
extern CORVANE_API unsigned int _FreeShaders[2048];
extern CORVANE_API int _MaxFreeShaders;
// True once the engine's programs are built (set by the GL start-up);
// models and particles use the GLSL path while it is set.
extern CORVANE_API bool _ShadersOn;

// ============================================================ Drawing state, camera, primitives
// (module: primitives)

// Three floats / three ints, returned by value.
struct SVec3 {
  float x, y, z;
};
struct SInt3 {
  int x, y, z;
};
CORVANE_API SVec3 VEC3(float x, float y, float z);  // {x, y, z}
CORVANE_API SInt3 INT3(int x, int y, int z);        // {x, y, z}

// [GL] from here to DrawCube. Screen-space 2D mode: pixels of
// _Zarn_ScreenWidth x _Zarn_ScreenHeight, origin top-left, y down. Begin2D
// saves the enable/colour/depth/viewport attribute groups and both
// matrices, turns depth testing off and unbinds the texture; End2D
// restores them and leaves the colour white.
CORVANE_API void Begin2D();
CORVANE_API void End2D();
// Bracket for one 3D object: unbind texture + push matrix / unbind texture,
// colour white, blending off, pop matrix.
CORVANE_API void Begin3D();
CORVANE_API void End3D();
// Transform helpers on the current matrix (narrowed to float). Rotations
// turn about the negative axis: a positive angle is clockwise seen from
// the positive end.
CORVANE_API void SetPos3D(double x, double y, double z);  // translate, world units
CORVANE_API void RotateX(double deg);                     // turn about x, degrees
CORVANE_API void RotateY(double deg);                     // turn about y, degrees
CORVANE_API void RotateZ(double deg);                     // turn about z, degrees
CORVANE_API void Size3D(double x, double y, double z);    // scale per axis
CORVANE_API void Size3D(double s);                        // uniform scale
// Camera at (ex, ey, ez) looking at (cx, cy, cz), up is +Y; multiplies the
// current (model-view) matrix, so call it first in the render callback.
CORVANE_API void SetCamera(double ex, double ey, double ez, double cx, double cy, double cz);
// Current colour; an alpha other than exactly 1 also switches on additive
// blending (GL_SRC_ALPHA, GL_ONE). Never turns blending off.
CORVANE_API void SetColor(float r, float g, float b, float a);
// Builds the unit-plane buffers; called once by InitGL after the buffer
// entry points are bound (a game does not call it).
CORVANE_API void Init3DPrimitives();
// Unit plane (-0.5..0.5, z = 0) with the current texture and colour.
CORVANE_API void DrawSimplePlane();
// The unit plane over the rectangle with top-left (x, y), size w x h
// (pixels in 2D mode).
CORVANE_API void DrawRectangle(double x, double y, double w, double h);
// Cut-out u[0]..u[1] x v[0] (bottom edge) .. v[1] (top edge) of tex over a
// rectangle, added onto the frame (GL_ONE, GL_ONE); blending off afterwards.
// u and v point to two values each; null is refused.
CORVANE_API void DrawTextureCut(unsigned int tex, double x, double y, double w, double h,
                                const double* u, const double* v);
// Cut-out of tex tinted by color[0..3] (tex0 is not read); blending off
// afterwards. u, v (two values) and color (four) must not be null.
CORVANE_API void DrawSpriteCut(unsigned int tex0, unsigned int tex, double x, double y, double w,
                               double h, const double* u, const double* v, const float* color);
// One untextured point in the current colour.
CORVANE_API void PutPoint2D(float x, float y);
// Textured cube of edge 1 at the origin. Scales the current matrix by 0.5
// without pushing it: bracket it with Begin3D/End3D.
CORVANE_API void DrawCube();
// Textured quads in the current matrix, texture and colour: `count`
// corners, four per quad, with xyz[i] the position and st[i] the texture
// coordinate of corner i. A count that is not a multiple of four draws the
// whole quads only; null arrays are refused.
CORVANE_API void DrawQuads(const float (*xyz)[3], const float (*st)[2], int count);

// ============================================================ Textures
// (module: textures)

// Image formats every texture maker (and TSprite, TFonts) reads; the kind
// is told by the file's first bytes, not by its name:
// - TGA: true colour, uncompressed (type 2) or run-length (type 10), 24 or
//   32 bits, with or without an image ID field; the x/y origin fields are
//   ignored. Colour-mapped, grey and 15/16-bit TGA files are refused.
// - PNG: every colour type (grey, grey + alpha, RGB, RGBA, palette), bit
//   depths 1 to 16 (16-bit channels are scaled to 8 bits), interlaced or
//   not; gamma and colour-profile chunks are not applied. A PNG has alpha
//   when it has an alpha channel or transparency entries (tRNS).
// At most 8192 pixels a side and 16 M pixels in all. Whatever order a file
// stores its rows and pixels in (TGA's origin bits; PNG is top row first),
// the picture's bottom row becomes texture row t = 0, left at s = 0;
// sprites, fonts and widgets show t = 0 at the bottom, so every picture
// appears upright there. Model texture coordinates address rows the same
// way. Textures keep the picture's own size; a context without
// non-power-of-two textures (before GL 2.0) resamples to powers of two.
// The texture makers are [GL]; a texture lives until shutdown. A file that
// cannot be read shows an error box, logs a line naming it (with the reason
// for a kind of image not taken) and gives texture 0.
//
// Texture registry: every texture the makers create, in load order.
// _MaxFreeTextures is the index of the last used entry (-1 when empty);
// the number of loads is _MaxFreeTextures + 1. Never more than 2048.
#define CORVANE_MAX_TEXTURES 2048
extern CORVANE_API unsigned int _FreeTextures[CORVANE_MAX_TEXTURES];
extern CORVANE_API int _MaxFreeTextures;
// Upload path of the colour-keyed maker: non-zero (default 1) gives one
// unfiltered level (GL_NEAREST), 0 gives linear mipmaps. TFonts::Load sets it.
extern CORVANE_API int _TextureMode;

// TGA or PNG to an RGB texture with mipmaps (a file's alpha is dropped).
// Returns the GL texture name, 0 when the file could not be read (the
// failed load still takes a registry entry; a refused call - no context,
// null path - takes none).
CORVANE_API unsigned int LoadTexture(const char* path);
// TGA or PNG to an RGBA texture with mipmaps that keeps the file's own
// alpha (32-bit TGA, PNG with alpha); 255 where the file has none.
// SetTexture switches on alpha blending for it. Returns 0 as LoadTexture.
CORVANE_API unsigned int LoadTextureWithAlpha(const char* path);
// TGA or PNG to an RGBA texture whose alpha is 0 where the pixel equals the
// colour key key[0..2] (red, green, blue, 0..255) exactly, 255 elsewhere
// (the file's own alpha is not used); a null key matches nothing.
// Unfiltered or mipmapped as _TextureMode says.
CORVANE_API unsigned int LoadTexture(const char* path, const int* key);
// RGB texture, white where the pixel equals the key, black elsewhere;
// mipmapped. Returns 0 as LoadTexture does.
CORVANE_API unsigned int CreateMaskTexture(const char* path, const int* key);
// Binds name to GL_TEXTURE_2D; a colour-keyed or alpha texture also
// switches on alpha blending (GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA). Never
// turns it off.
CORVANE_API void SetTexture(unsigned int name);

// ============================================================ Sprites and fonts
// (module: sprites and fonts)

// One textured rectangle in 2D screen space (x, y = top-left corner, in
// pixels). Drawn in the current colour; `color` is kept for the menu
// widgets. Starts zeroed (no texture, empty rectangle), colour white.
class CORVANE_API TSprite {
public:
  int width;  // pixels
  int height;
  int x, y;              // top-left corner, pixels
  float color[4];        // r, g, b, a
  unsigned int texture;  // GL texture name, 0 for none

  TSprite() : width(0), height(0), x(0), y(0), texture(0) {
    color[0] = 1.0f;
    color[1] = 1.0f;
    color[2] = 1.0f;
    color[3] = 1.0f;
  }
  // [GL] texture = LoadTexture(path): an opaque RGB texture.
  void Load(const char* path);
  // [GL] texture = LoadTexture(path, key): colour key key[0..2] transparent.
  void Load(const char* path, const int* key);
  // Places the rectangle: top-left (x, y), size w x h pixels.
  void Set(int x, int y, int w, int h);
  // Moves the top-left corner to (x, y); the size stays.
  void Move(int x, int y);
  // [GL] Draws the texture over the rectangle in 2D mode (its own
  // Begin2D/End2D), with alpha blending for a colour-keyed texture.
  virtual void Draw();
};

// Bitmap font: a 16 x 16 grid of glyph cells, top row first; byte b
// (unsigned, Windows-1251) is drawn from cell b - 1. Black is transparent.
// Glyphs are size x size pixel squares advancing by size / 2.
class CORVANE_API TFonts {
public:
  unsigned int texture;  // the glyph image
  int size;              // glyph square edge, pixels
  float color[4];        // tint of the text, r, g, b, a

  TFonts() : texture(0), size(0) {
    color[0] = 1.0f;
    color[1] = 1.0f;
    color[2] = 1.0f;
    color[3] = 1.0f;
  }
  // Adopts an existing texture; the colour is kept.
  void Create(unsigned int texture, int size);
  // [GL] Loads the glyph image (black transparent, mipmapped); leaves
  // _TextureMode at 1.
  void Load(const char* path, int size);
  // The colour the text is tinted with, r, g, b, a (0..1).
  void SetColor(float r, float g, float b, float a);
  // [GL] printf-style, Windows-1251; the first glyph's top-left corner at
  // (x, y) pixels. Text past 255 bytes is cut; a null format prints
  // nothing. Call between Begin2D and End2D.
  void Print(int x, int y, const char* format, ...);
};

// ============================================================ Frustum and picking
// (module: frustum)

// [GL] Rebuilds the six view planes from the current projection and
// model-view matrices; call once per frame right after SetCamera. The
// three tests below use the planes last built (world units).
CORVANE_API void CalculateFrustum();
// Strictly inside all six planes.
CORVANE_API bool PointInFrustum(float x, float y, float z);
// Centre less than radius behind every plane.
CORVANE_API bool SphereInFrustum(float x, float y, float z, float radius);
// Axis-aligned cube centred on (x, y, z), half edge `size`.
CORVANE_API bool CubeInFrustum(float x, float y, float z, float size);
// [GL] World point under the cursor (_MousePosX, _MousePosY) from the
// depth buffer drawn so far; writes _MousePos3D. Call before the buffer
// swap, from the render callback.
CORVANE_API void GetMouse3DPos();
// Last result of GetMouse3DPos (x, y, z); (0, 0, 0) before the first call.
CORVANE_API extern float _MousePos3D[3];

// ============================================================ Models
// (module: models)

// .mdl model file, binary, little-endian, IEEE-754 floats, no header magic,
// no padding:
//
//   int32  V                      vertex count per keyframe (0..65536)
//   int32  T                      triangle count (>= 0)
//   int32  F                      keyframe count (>= 1 when V or T > 0)
//   float  positions[F][V][3]     frame-major: every vertex of frame 0,
//                                 then frame 1, ...; x, y, z each
//   int32  triangles[T][3]        vertex indices; only the low 16 bits are
//                                 used and they must be below V
//   float  texcoords[V][2]        (u, v) per vertex, shared by all frames;
//                                 v = 0 is the first row of the image
//
// Bytes after the texture coordinates are ignored. Triangles are drawn as
// GL_TRIANGLES in file order without face culling. Normals are not stored:
// each is the frame-0 position of its vertex made unit length.
//
// Animation list (text): one record per line, white-space separated:
//   start end keyFrame speed Name
// e.g. "0 10 5 0.5 Move". Names are one word, compared case-sensitively.

// One named frame range of a model.
struct SAnimation {
  char name[128];  // NUL-terminated, at most 127 characters
  float start;     // first frame
  float end;       // last frame
  float speed;     // frames per animation step
  float keyFrame;  // frame at which IsKeyFrame fires
};

// A keyframe-animated triangle mesh with one texture, its animation table
// and its own placement and frame. Embedded and copied by value: a copy
// shares the GL buffers and texture and keeps its own position, rotation,
// scale, frame and animation state. Frames are floats: 12.25 is a quarter
// of the way from keyframe 12 to keyframe 13. The GL buffers live until
// shutdown; memory the model allocates is freed by its destructor, and a
// second Load frees the first load's.
class CORVANE_API TModel {
public:
  enum { MaxAnimations = 64 };

  short animationCount;                  // records in animations; -1 when none
  SAnimation animations[MaxAnimations];  // the animation table
  unsigned int vertexBuffer;             // texcoords, all keyframes, normals
  unsigned int indexBuffer;              // T * 3 unsigned 16-bit indices
  float* frames;                         // keyframes in memory (fallback path only)
  float* blendedVertices;                // fallback scratch, V * 3 floats
  float animStart;                       // running animation: first frame,
  float animEnd;                         // last frame,
  float animSpeed;                       // frames per ProcessAnimation step
  float offsetX;                         // drawing offsets added to x and y
  float offsetY;
  float unitScale;         // 1 / largest frame-0 coordinate
  int frameCount;          // keyframes (F)
  int vertexCount;         // vertices per keyframe (V)
  int triangleCount;       // triangles (T)
  unsigned int texture;    // GL texture name drawn with
  float scale;             // uniform scale when drawn
  float x, y, z;           // position, world units
  float frame;             // current frame
  float rotX, rotY, rotZ;  // degrees

  // An empty model that draws nothing until Load.
  TModel()
      : animationCount(-1), animations(), vertexBuffer(0), indexBuffer(0), frames(nullptr),
        blendedVertices(nullptr), animStart(0), animEnd(0), animSpeed(0), offsetX(0), offsetY(0),
        unitScale(0), frameCount(0), vertexCount(0), triangleCount(0), texture(0), scale(0), x(0),
        y(0), z(0), frame(0), rotX(0), rotY(0), rotZ(0) {}

  // Frees the keyframes and scratch array Load made once no copy uses them
  // (no GL calls: the buffer objects go with the context).
  ~TModel();
  // Copies share the mesh: the GL buffers and the keyframes in memory.
  TModel(const TModel& other);
  TModel& operator=(const TModel& other);

  // Reads a .mdl file into GL buffers, stores the texture, computes
  // unitScale and resets frame to 0. A missing or damaged file is logged and
  // leaves a model that draws nothing. Needs the GL context. A second load
  // frees what the first one kept in memory.
  void Load(const char* path, unsigned int texture);

  // Sets scale, rotation (degrees), position (world units) and frame = 0.
  void InitModel(float scale, float rotX, float rotY, float rotZ, float x, float y, float z);
  // Sets the position, world units.
  void Move(float x, float y, float z);
  // Sets the drawing offsets added to x and y (world units).
  void SetOffset(float offsetX, float offsetY);
  // Sets the running range and speed; frame is unchanged.
  void SetAnimation(float start, float end, float speed);
  // Appends the records of an animation list file (at most 64 in all); a
  // missing file is logged.
  void LoadAnimationList(const char* path);
  // Selects the first record with this name; nothing changes if none has it.
  void SelectAnimation(const char* name);
  // Selects record `index`; nothing changes for an index out of range.
  void SelectAnimation(int index);
  // One step: frame += speed; past the end wraps to the start (returns
  // true), below the start is pulled up to it.
  bool ProcessAnimation();
  // True when the running range is exactly from..to.
  bool IsAnimation(float from, float to);
  // True when the running range is that of the named record / record index.
  bool IsAnimation(const char* name);  // false for an unknown name
  bool IsAnimation(int index);         // false for an index out of range
  // keyFrame <= frame < keyFrame + speed of the record.
  bool IsKeyFrame(const char* name);  // false for an unknown name
  bool IsKeyFrame(int index);         // false for an index out of range

  // [GL] The four draws place the model at (x + offsetX, y + offsetY, z),
  // turn it by rotX, rotY, rotZ and scale it by `scale`, on top of the
  // current matrix. Draws the running animation; in its last keyframe
  // interval it blends toward the range's first frame so loops close.
  void DrawAnimation();
  // Draws frame blended toward the next keyframe.
  void Draw();
  // Draws frame blended toward keyframe `target`.
  void Draw2(float target);
  // Draws the keyframe of frame without blending and without a program,
  // tinted by the current colour.
  void DrawStatic();

private:
  // Lets go of the shared keyframes and clears the pointers.
  void Release();
};

// ============================================================ Particles
// (module: particles)

// One particle: 26 four-byte values, passed by value.
struct SParticle3D {
  float x, y, z;          // position
  float size;             // edge of the square quad
  float velocity[3];      // added to the position every tick
  float acceleration[3];  // added to velocity every tick
  float angle[3];         // degrees about X, Y, Z (fallback and model drawing)
  float spin[3];          // added to angle every tick
  float color[4];         // r, g, b, a
  float colorDelta[4];    // added to color every tick
  float sizeDelta;        // added to size every tick
  int life;               // ticks left; the slot is free when life <= 0
};
static_assert(sizeof(SParticle3D) == 26 * 4, "SParticle3D is 26 four-byte values");

// A fixed pool of 4096 particles drawn as camera-facing additive quads, in
// batches of 30 per draw call through the engine's particle program.
// Construct (static storage: the record is about 440 KB) -> Init (in the
// init callback) -> SetTexture; then Add any time, Process once per tick,
// Draw once per frame. Positions and sizes in world units.
class CORVANE_API TParticlesSystem {
public:
  enum { MaxParticles = 4096, BatchSize = 30 };

  SParticle3D particles[MaxParticles];
  SParticle3D templateParticle;  // copied and varied by the game for Add
  TModel model;                  // drawn per particle when useModel is true
  bool useModel;
  unsigned int quadBuffer;  // GL buffer with the 30 quads (2880 bytes)
  float batchPos[120];      // x, y, z, size of up to 30 particles
  float batchColor[120];    // colour of up to 30 particles
  int liveCount;            // live particles seen by the last Process; -1 before
  unsigned int texture;
  // One bit per slot, set while the slot is free; kept by Add and Process.
  uint64_t freeSlots[MaxParticles / 64];
  int firstFreeWord;  // every word below it has no free slot

  TParticlesSystem()
      : templateParticle(), useModel(false), quadBuffer(0), liveCount(-1), texture(0) {
    for (int i = 0; i < MaxParticles; i++) particles[i] = SParticle3D();
    for (int i = 0; i < 120; i++) batchPos[i] = batchColor[i] = 0.0f;
    for (uint64_t& w : freeSlots) w = ~uint64_t(0);
    firstFreeWord = 0;
  }
  // [GL] Stores the template particle and builds the quad buffer.
  void Init(SParticle3D particle) {
    templateParticle = particle;
    InitParticleShader();
  }

  // [GL] Builds quadBuffer.
  void InitParticleShader();
  // The texture every particle is drawn with (0: untextured).
  void SetTexture(unsigned int texture);
  // Copies the particle into the first free slot; dropped when the pool is full.
  void Add(SParticle3D particle);
  // Relearns which slots are free; call after setting `life` of slots by hand.
  void RescanFreeSlots();
  // One tick of every live particle.
  void Process();
  // [GL] Draws every live particle (depth writes off during the call).
  void Draw();

private:
  // Sets the slot's bit in freeSlots and lowers firstFreeWord to it.
  void MarkFree(int slot);
};

// ============================================================ Menu widgets
// (module: menu)

// A widget callback: no arguments, no result.
typedef void (*TUICallback)();

// Plain image widget; the base of all menu widgets. Screen pixels, origin
// top-left. `state`: 0 normal, 1 hover, 2 pressed, 3 disabled (written by
// TCMenu::Process). `enabled` and `onClick` are set by the caller.
class CORVANE_API TCObjectUI {
public:
  TSprite sprite;       // the image drawn over the rectangle
  int state;            // 0 normal, 1 hover, 2 pressed, 3 disabled
  bool enabled;         // false: never clicked, drawn as disabled
  int x, y;             // top-left corner, pixels
  int width, height;    // pixels; the edges count as inside
  TUICallback onClick;  // called by TCMenu::Click; may be null

  TCObjectUI() : state(0), enabled(false), x(0), y(0), width(0), height(0), onClick(nullptr) {}

  // Sprite texture, rectangle (pixels), and sprite colour white.
  void Create(unsigned int texture, int x, int y, int width, int height);
  // Sprite texture and sprite colour white.
  void SetTextureOn(unsigned int texture);
  // The sprite's colour, r, g, b, a (0..1).
  void SetColorOn(float r, float g, float b, float a);
  virtual ~TCObjectUI() = default;
  // [GL] Draws the sprite over the widget's rectangle.
  virtual void Draw();
};

// A button: one image per state and a caption in a bitmap font.
class CORVANE_API TCButton : public TCObjectUI {
public:
  TSprite stateSprites[4];  // one image per state
  char* text;               // the button's own copy made by SetText; null until then
  float textColor[4];
  TFonts font;

  TCButton() : TCObjectUI(), text(nullptr) {
    textColor[0] = textColor[1] = textColor[2] = textColor[3] = 0.0f;
  }
  // Frees the caption copy.
  ~TCButton() override;
  // Copies take their own copy of the caption.
  TCButton(const TCButton& other);
  TCButton& operator=(const TCButton& other);

  // `textures` points to 4 texture names, one per state (null: none);
  // rectangle in pixels.
  void Create(const unsigned int* textures, int x, int y, int width, int height);
  // The font the caption is drawn with (copied; its texture is shared).
  void SetFont(TFonts font);
  // Copies the caption (Windows-1251); null removes it. The copy belongs
  // to the button: the next SetText and the destructor free it.
  void SetText(const char* text);
  // The caption's colour, r, g, b, a (0..1).
  void SetTextColor(float r, float g, float b, float a);
  // [GL] The state's image, then the caption roughly centred on it.
  void Draw() override;
};

// A menu: widgets drawn and hit-tested in order, with an optional own
// cursor image. The engine holds ten of them in _MENU and draws, processes
// and clicks the one chosen by ShowMenu. Widgets are owned by the caller.
class CORVANE_API TCMenu {
public:
  enum { MaxItems = 512 };

  TCObjectUI* items[MaxItems];  // the widgets, in drawing order
  int count;                    // widgets in items
  bool cursorOn;                // true once SetCursor has run
  TSprite cursor;               // the own cursor image
  TUICallback beforeDraw;       // called first in Draw when set
  TUICallback afterDraw;        // called after the widgets, before the cursor

  TCMenu() : count(0), cursorOn(false), beforeDraw(nullptr), afterDraw(nullptr) {
    for (int i = 0; i < MaxItems; i++) items[i] = nullptr;
    cursor.color[0] = cursor.color[1] = cursor.color[2] = cursor.color[3] = 1.0f;
  }

  // Appends a widget (the caller keeps owning it and must keep it alive);
  // a full menu (512 widgets) ignores further ones, a null one is refused.
  void Add(TCObjectUI* item);
  // [GL] Hides the system cursor for the rest of the run and draws the
  // image at `path` (black transparent, width x height pixels) at the mouse
  // position instead.
  void SetCursor(const char* path, int width, int height);
  // Hooks, widgets, cursor: once per frame while the menu is active.
  void Draw();
  // Updates every widget's state from the mouse: once per tick.
  void Process();
  // Calls onClick of every enabled widget under the mouse: on left-button release.
  void Click();
};

// ============================================================ Lifecycle, window, loop, input
// globals (module: lifecycle)

struct TSoundDevice;  // the engine's sound device (OpenAL device + context)

// Runs the whole engine: window, GL context, sound device, InitGL (which
// ends with `init`), then the loop that calls `process` every 20 ms tick
// while _GameOn and draws frames (clear, identity, `render`, the active
// menu) paced as the loop settings below say. Returns 0 when no window could be
// made, 1 after the loop ended. Any callback may be null. width x height
// pixels; `caption` is Windows-1251 (null: empty). hInstance,
// hPrevInstance, cmdLine, nCmdShow and reserved are accepted and ignored.
CORVANE_API int StartEngine(void* hInstance, void* hPrevInstance, const char* cmdLine, int nCmdShow,
                            void (*process)(), void (*init)(), void (*render)(), bool fullScreen,
                            bool reserved, int width, int height, const char* caption);
// Closes the engine window: the whole shutdown sequence has run when this
// returns; the loop ends at its next turn. Code after the call still runs.
CORVANE_API void QuiteEngine();
// Window size in pixels (0 x 0: the logical size given to StartEngine);
// takes effect at the next StartEngine, or at once in a running window.
CORVANE_API void SetWindowSize(int width, int height);
// Sets the window's title (Windows-1251; null: empty); nothing without a window.
CORVANE_API void ChangeWindowCaption(const char* text);
CORVANE_API void PauseGame();          // _GameOn = false: process callback skipped
CORVANE_API void ResumeGame();         // _GameOn = true
CORVANE_API void ShowMenu(int index);  // _ActiveMenu = index (-1: none)

// Loop pacing. Every tick that is due runs before a frame, at most 5 in a
// row; a loop more than 100 ms behind drops the rest. A minimized or hidden
// window draws no frames (ticks go on). Settings hold across runs.
// Vsync (adaptive where the driver has it), on by default.
CORVANE_API void SetVSync(bool on);
// Frames a second at most: 0 unlimited, negative (the default) the
// display's refresh rate (60 when unknown). A cap at or above that rate
// stands aside while vsync paces the frames.
CORVANE_API void SetFrameCap(int fps);
// On (the default): GetTickFraction reports where between two ticks a
// frame is drawn; off: frames show exact tick states.
CORVANE_API void SetSmoothing(bool on);
// In the render callback: the fraction (0..1) of the tick period elapsed
// since the last tick. 0 with smoothing off, outside a frame, or in fixed step.
CORVANE_API float GetTickFraction();
// On: every loop turn runs exactly one tick and then one frame, with no
// sleeping, frame cap or vsync (timed demos).
CORVANE_API void SetFixedStep(bool on);

// Key state indexed by Windows virtual-key code (letters: upper-case ASCII,
// 13 Enter, 27 Escape, 32 Space, 37..40 arrows); 1 while held.
CORVANE_API extern int _keys[256];
CORVANE_API extern int _MousePosX;         // logical-screen pixels from the left
CORVANE_API extern int _MousePosY;         // logical-screen pixels from the top
CORVANE_API extern bool _MouseButton[3];   // left, middle, right
CORVANE_API extern float _FPS;             // frames in the last ~1 s interval
CORVANE_API extern int _Zarn_ScreenWidth;  // size asked of StartEngine
CORVANE_API extern int _Zarn_ScreenHeight;
CORVANE_API extern bool _GameOn;           // false: paused
CORVANE_API extern bool _ScreenPause;      // screenshot gate, opened each FPS update
CORVANE_API extern int _ActiveMenu;        // index into _MENU, -1 none
CORVANE_API extern TCMenu _MENU[10];       // the menu slots
CORVANE_API extern TSoundDevice* _dsound;  // null when no sound device

// ============================================================ Controls: bindings, pads, pause
// (module: input)

// What the game reads in _keys is a virtual key (the Windows code of the
// key it names). Input sources - keyboard keys, pad buttons and the
// directions of pad sticks and triggers - are bound to virtual keys: a
// bound source held down holds its virtual keys, and a press released
// before the next tick is still seen by exactly one tick. Each source
// sets at most four virtual keys. Out of the box every keyboard key sets
// its own code and pads set nothing. Changing the bindings releases every
// key (one held across the change must be pressed again). Bindings are
// kept across StartEngine runs; none of these calls needs a window.
CORVANE_API void ResetInputBindings();  // keyboard keys set their own code; pads nothing
CORVANE_API void ClearInputBindings();  // no source sets anything
// The keyboard key `key` (its own virtual-key code, 1..255) also sets `vk`
// (1..255). False for a code out of range or a key already bound to four.
CORVANE_API bool BindKey(int key, int vk);

// Pads (game controllers) through SDL's game-controller layer, which knows
// most pads; SDL_GAMECONTROLLERCONFIG in the environment or PadAddMappings
// add mappings for others. Pads are opened as they are plugged in, before
// or during the run, into slots 0..CORVANE_MAX_PADS-1 (the first free slot;
// a slot keeps its pad until it is unplugged). Unplugging a pad releases
// whatever it held. Pads work while the engine runs (StartEngine).
#define CORVANE_MAX_PADS 16
// Buttons in the layout of a common pad: A bottom, B right, X left, Y top.
enum TPadButton {
  PAD_A,
  PAD_B,
  PAD_X,
  PAD_Y,
  PAD_BACK,
  PAD_GUIDE,
  PAD_START,
  PAD_LEFT_STICK,
  PAD_RIGHT_STICK,
  PAD_LEFT_SHOULDER,
  PAD_RIGHT_SHOULDER,
  PAD_DPAD_UP,
  PAD_DPAD_DOWN,
  PAD_DPAD_LEFT,
  PAD_DPAD_RIGHT,
  PAD_MISC,
  PAD_PADDLE1,
  PAD_PADDLE2,
  PAD_PADDLE3,
  PAD_PADDLE4,
  PAD_TOUCHPAD,
  PAD_BUTTON_COUNT
};
// Sticks from -1 (left, up) to 1 (right, down); triggers from 0 to 1.
enum TPadAxis {
  PAD_LEFT_X,
  PAD_LEFT_Y,
  PAD_RIGHT_X,
  PAD_RIGHT_Y,
  PAD_LEFT_TRIGGER,
  PAD_RIGHT_TRIGGER,
  PAD_AXIS_COUNT
};
CORVANE_API int PadCount();                       // pads connected now
CORVANE_API bool PadConnected(int pad);           // slot holds a pad
CORVANE_API const char* PadName(int pad);         // UTF-8 name ("" for an empty slot)
CORVANE_API bool PadButton(int pad, int button);  // held now (false for an empty slot)
CORVANE_API float PadAxis(int pad, int axis);     // position now (0 for an empty slot)
// Rumbles the pad: low- and high-frequency motor strengths 0..1 for `ms`
// milliseconds (0 stops it). False when the slot is empty or the pad has
// no motors.
CORVANE_API bool PadRumble(int pad, float low, float high, int ms);
// Adds the mappings of a text file in SDL's mapping-database format (one
// pad per line; at most 1 MiB). False, with a log line, when the file
// cannot be read. Takes effect for pads plugged in afterwards.
CORVANE_API bool PadAddMappings(const char* path);
// Every pad's `button` also sets `vk` (1..255); false out of range or full.
CORVANE_API bool BindPadButton(int button, int vk);
// Every pad's `axis` pushed past the dead zone towards `direction` (-1 or
// 1; triggers only 1) also sets `vk`. False out of range or full.
CORVANE_API bool BindPadAxis(int axis, int direction, int vk);
// How far (0..0.9 of the travel) a stick must move before a bound
// direction counts as held; 0.25 out of the box. Triggers count past half.
CORVANE_API void SetPadDeadZone(float fraction);

// Pausing. A press of a source bound to the pause key (0: none, out of the
// box) pauses the game (PauseGame) and another resumes it; it never reaches
// _keys. While paused no tick runs the process callback, _keys reads all
// released, and nothing pressed while paused reaches the game after it
// resumes: a key held then counts only once released and pressed again.
CORVANE_API void SetPauseKey(int vk);
// When on (off out of the box), losing the window's focus pauses the game
// and getting it back resumes it (a pause the player chose stays).
CORVANE_API void SetPauseOnFocusLoss(bool on);

// ============================================================ Window and sound settings
// (module: lifecycle, sound)

// The window's last size in windowed mode (what SetWindowSize asked, or
// the player's resizing since); 0 x 0 before any. Kept after StartEngine
// returns, so a game can remember it.
CORVANE_API void GetWindowSize(int* width, int* height);
// Whether the engine window is (or, after a run, was at its end) full screen.
CORVANE_API bool IsFullScreen();
// Switches a running window between full screen and a window (the window
// takes its last windowed size back); nothing without a running window.
CORVANE_API void SetFullScreen(bool on);
// The window's icon from a TGA image (24 or 32 bits, at most 256 x 256).
// Set at once on a running window, otherwise kept for the next one. False,
// with one log line, when the file is missing or not such an image.
CORVANE_API bool SetWindowIcon(const char* path);
// Master volume: the gain of everything played, 0 (silent) to 1 (full);
// values outside are clamped. Kept across runs, applied to the sound
// device when it opens.
CORVANE_API void SetMasterVolume(float gain);
CORVANE_API float GetMasterVolume();

// ============================================================ GL start-up and screenshots
// (module: glinit and screenshot)

// [GL] Sets the default GL state and projection, logs the driver and its
// extensions, binds the extension entry points, builds the engine's shader
// programs and primitives and calls the game's init callback. A missing
// entry point is logged and the engine refuses to start. StartEngine
// calls it; a game does not.
CORVANE_API void InitGL(int width, int height);
// [GL] Saves the frame buffer as "Screen<N>.tga" (lowest free N) in the
// screenshot folder (the working directory unless SetScreenshotFolder named
// another) at the size asked of StartEngine: uncompressed 24-bit, bottom
// row first. At most one shot per FPS interval (_ScreenPause); a call in
// the tick that quit is dropped without a line.
CORVANE_API void MakeScreenShoot();
// Makes `dir` the folder MakeScreenShoot writes into; null or "" goes back
// to the working directory. The folder is not created. True when it is a
// folder that can be written; false (the folder is used anyway) otherwise.
// A path of 4000 bytes or more is refused: false, the folder stays as it was.
CORVANE_API bool SetScreenshotFolder(const char* dir);

#endif  // CORVANE_ENGINE_H
