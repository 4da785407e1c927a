// Bench: the floor program. Opens a window the way the engine does (SDL's
// video only, the same GL attributes, a hidden window shown once the
// context is ready, the same swap interval and frame cap) and draws one
// textured quad a frame. What it costs to start and to draw is the least a
// program on this platform can cost, the yardstick for the engine's own
// start-up and frame figures (scripts/startup_bench.sh, scripts/frame_bench.sh).
//
//   floor_quad [--size WxH] [--fullscreen] [--stretch] [--vsync on|off]
//              [--fps N] [--seconds S]
//
// --stretch draws into a 1024 x 768 frame buffer object first and scales
// it into the window with black bars at every swap, as a program that
// draws at a fixed logical size would. --fps 0 draws without a cap; the
// default cap is 60 frames a second, the engine's own where the display's
// rate is unknown. Runs until the window is closed, Escape, or S seconds.
#include <SDL2/SDL.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct TOptions {
  int width = 1024, height = 768;
  bool fullScreen = false;
  bool stretch = false;
  bool vsync = true;
  int fps = 60;
  double seconds = 0;  // 0: until closed
};

bool ParseOptions(int argc, char** argv, TOptions* o) {
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    if (std::strcmp(a, "--fullscreen") == 0) {
      o->fullScreen = true;
    } else if (std::strcmp(a, "--stretch") == 0) {
      o->stretch = true;
    } else if (std::strcmp(a, "--size") == 0 && v) {
      if (std::sscanf(v, "%dx%d", &o->width, &o->height) != 2 || o->width <= 0 || o->height <= 0)
        return false;
      ++i;
    } else if (std::strcmp(a, "--vsync") == 0 && v) {
      o->vsync = std::strcmp(v, "off") != 0;
      ++i;
    } else if (std::strcmp(a, "--fps") == 0 && v) {
      o->fps = std::atoi(v);
      ++i;
    } else if (std::strcmp(a, "--seconds") == 0 && v) {
      o->seconds = std::atof(v);
      ++i;
    } else {
      return false;
    }
  }
  return o->fps >= 0;
}

// A 256 x 256 checker, uploaded with one level: the least a textured quad needs.
GLuint MakeTexture() {
  static unsigned char pixels[256 * 256 * 3];
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) {
      unsigned char* p = pixels + (y * 256 + x) * 3;
      const bool on = ((x / 32) + (y / 32)) % 2 == 0;
      p[0] = on ? 220 : 40;
      p[1] = static_cast<unsigned char>(x);
      p[2] = static_cast<unsigned char>(y);
    }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 256, 256, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels);
  return name;
}

// The 1024 x 768 buffer of --stretch: colour and depth render buffers,
// scaled into the window with glBlitFramebuffer.
PFNGLGENFRAMEBUFFERSPROC glGenFramebuffers;
PFNGLBINDFRAMEBUFFERPROC glBindFramebuffer;
PFNGLFRAMEBUFFERRENDERBUFFERPROC glFramebufferRenderbuffer;
PFNGLCHECKFRAMEBUFFERSTATUSPROC glCheckFramebufferStatus;
PFNGLGENRENDERBUFFERSPROC glGenRenderbuffers;
PFNGLBINDRENDERBUFFERPROC glBindRenderbuffer;
PFNGLRENDERBUFFERSTORAGEPROC glRenderbufferStorage;
PFNGLBLITFRAMEBUFFERPROC glBlitFramebuffer;

template <typename T>
bool Entry(T* slot, const char* name) {
  *slot = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
  return *slot != nullptr;
}

struct TStretch {
  GLuint framebuffer = 0, colour = 0, depth = 0;
  bool Create() {
    if (!Entry(&glGenFramebuffers, "glGenFramebuffers") ||
        !Entry(&glBindFramebuffer, "glBindFramebuffer") ||
        !Entry(&glFramebufferRenderbuffer, "glFramebufferRenderbuffer") ||
        !Entry(&glCheckFramebufferStatus, "glCheckFramebufferStatus") ||
        !Entry(&glGenRenderbuffers, "glGenRenderbuffers") ||
        !Entry(&glBindRenderbuffer, "glBindRenderbuffer") ||
        !Entry(&glRenderbufferStorage, "glRenderbufferStorage") ||
        !Entry(&glBlitFramebuffer, "glBlitFramebuffer"))
      return false;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1024, 768);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, 1024, 768);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    return glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  }
};

// The largest 4:3 box that fits the drawable, centred.
void FourThreeBox(int w, int h, int* x, int* y, int* bw, int* bh) {
  *bw = w;
  *bh = w * 3 / 4;
  if (*bh > h) {
    *bh = h;
    *bw = h * 4 / 3;
  }
  *x = (w - *bw) / 2;
  *y = (h - *bh) / 2;
}

// Clears the box (x, y, width, height) and draws the quad inside it.
void DrawQuad(GLuint texture, int x, int y, int width, int height) {
  glViewport(x, y, width, height);
  glClearColor(0.1f, 0.1f, 0.2f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0.1f, 0.1f);
  glTexCoord2f(1, 0);
  glVertex2f(0.9f, 0.1f);
  glTexCoord2f(1, 1);
  glVertex2f(0.9f, 0.9f);
  glTexCoord2f(0, 1);
  glVertex2f(0.1f, 0.9f);
  glEnd();
}

}  // namespace

int main(int argc, char** argv) {
  TOptions o;
  if (!ParseOptions(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: floor_quad [--size WxH] [--fullscreen] [--stretch] [--vsync on|off] "
                 "[--fps N] [--seconds S]\n");
    return 2;
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "floor_quad: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL;
  int w = o.width, h = o.height;
  SDL_DisplayMode desktop{};
  if (o.fullScreen) {
    flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0) {
      w = desktop.w;
      h = desktop.h;
    }
  } else {
    flags |= SDL_WINDOW_RESIZABLE;
  }
  SDL_Window* window = SDL_CreateWindow("Floor quad", 0, 0, w, h, flags);
  if (!window) {
    std::fprintf(stderr, "floor_quad: %s\n", SDL_GetError());
    return 1;
  }
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context || SDL_GL_MakeCurrent(window, context) != 0) {
    std::fprintf(stderr, "floor_quad: %s\n", SDL_GetError());
    return 1;
  }
  if (o.vsync) {
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
  } else {
    SDL_GL_SetSwapInterval(0);
  }
  const GLuint texture = MakeTexture();
  TStretch stretch;
  if (o.stretch && !stretch.Create()) {
    std::fprintf(stderr, "floor_quad: no frame buffer object\n");
    return 1;
  }
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool finishAfterSwap = driver && std::strcmp(driver, "offscreen") == 0;
  SDL_ShowWindow(window);
  SDL_RaiseWindow(window);

  const Uint64 frequency = SDL_GetPerformanceFrequency();
  const Uint64 begin = SDL_GetPerformanceCounter();
  const Uint64 interval = o.fps > 0 ? frequency / static_cast<Uint64>(o.fps) : 0;
  Uint64 nextFrame = begin;
  bool running = true;
  while (running) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) running = false;
      if (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE) running = false;
    }
    const Uint64 now = SDL_GetPerformanceCounter();
    if (o.seconds > 0 && static_cast<double>(now - begin) / frequency >= o.seconds) break;
    if (interval > 0 && now < nextFrame) {
      // Sleep to the next frame, as the engine's loop does between frames.
      const Uint32 ms = static_cast<Uint32>((nextFrame - now) * 1000 / frequency);
      SDL_Delay(ms > 0 ? ms : 1);
      continue;
    }
    nextFrame = now - nextFrame < interval ? nextFrame + interval : now + interval;
    int dw = 0, dh = 0;
    SDL_GL_GetDrawableSize(window, &dw, &dh);
    if (o.stretch) {
      glBindFramebuffer(GL_FRAMEBUFFER, stretch.framebuffer);
      DrawQuad(texture, 0, 0, 1024, 768);
      glBindFramebuffer(GL_FRAMEBUFFER, 0);
      glViewport(0, 0, dw, dh);
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      int x, y, bw, bh;
      FourThreeBox(dw, dh, &x, &y, &bw, &bh);
      glBindFramebuffer(GL_READ_FRAMEBUFFER, stretch.framebuffer);
      glBlitFramebuffer(0, 0, 1024, 768, x, y, x + bw, y + bh, GL_COLOR_BUFFER_BIT, GL_LINEAR);
      glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    } else {
      int x, y, bw, bh;
      FourThreeBox(dw, dh, &x, &y, &bw, &bh);
      glViewport(0, 0, dw, dh);
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      glEnable(GL_SCISSOR_TEST);
      glScissor(x, y, bw, bh);
      DrawQuad(texture, x, y, bw, bh);
      glDisable(GL_SCISSOR_TEST);
    }
    SDL_GL_SwapWindow(window);
    if (finishAfterSwap) glFinish();
  }
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
