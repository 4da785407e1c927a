// Render: static quad buffers. Geometry that does not move (a level's
// walls) is uploaded once into a GL buffer object and drawn in ranges, one
// draw call per range, instead of corner by corner in immediate mode each
// frame. Where the context has no buffer objects the corners stay in client
// memory and are drawn from there.
#include "render/Render.h"

#include "Internal.h"
#include "Cp1251.h"

#include <cstddef>
#include <vector>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

using namespace cgl;

namespace {

// One corner as stored: position, then texture coordinate.
struct SQuadCorner {
  float x, y, z, s, t;
};

// A slot of the pool. The handle given out is the slot number plus one,
// with the generation of the context above it, so a handle of an earlier
// context is refused instead of naming a buffer it never made.
struct SQuadBuffer {
  bool used = false;
  unsigned int buffer = 0;           // GL buffer name, 0 in client memory
  int count = 0;                     // corners
  std::vector<SQuadCorner> corners;  // the corners when there is no buffer
};

constexpr int kMaxQuadBuffers = 64;
// Corners in one buffer at most (80 MiB): a full level of 4096 walls needs
// 114,688.
constexpr int kMaxQuadCorners = 1 << 22;
SQuadBuffer g_buffers[kMaxQuadBuffers];
unsigned int g_generation = 1;

bool BufferObjects() { return glGenBuffersARB && glBindBufferARB && glBufferDataARB; }

SQuadBuffer* Find(unsigned int handle) {
  const unsigned int slot = (handle & 0xFFu) - 1;
  if (handle == 0 || (handle >> 8) != g_generation || slot >= kMaxQuadBuffers) return nullptr;
  return g_buffers[slot].used ? &g_buffers[slot] : nullptr;
}

void Fill(SQuadCorner* out, const float (*xyz)[3], const float (*st)[2], int count) {
  for (int i = 0; i < count; i++)
    out[i] = SQuadCorner{xyz[i][0], xyz[i][1], xyz[i][2], st[i][0], st[i][1]};
}

}  // namespace

void ResetQuadBuffers() {
  // The old context's buffers went with it; only the slots are freed.
  for (SQuadBuffer& b : g_buffers) b = SQuadBuffer();
  g_generation = (g_generation + 1) & 0xFFFFFFu;
  if (g_generation == 0) g_generation = 1;
}

unsigned int CreateQuadBuffer(const float (*xyz)[3], const float (*st)[2], int count) {
  if (!RequireGL("CreateQuadBuffer") || !RequireArg(xyz, "CreateQuadBuffer", "xyz") ||
      !RequireArg(st, "CreateQuadBuffer", "st"))
    return 0;
  count = count > 0 ? count - count % 4 : 0;
  if (count > kMaxQuadCorners) {
    AddToLog(RU("CreateQuadBuffer: %d вершин больше предела %d, буфер не создан."), count,
             kMaxQuadCorners);
    return 0;
  }
  int slot = 0;
  while (slot < kMaxQuadBuffers && g_buffers[slot].used) slot++;
  if (slot == kMaxQuadBuffers) {
    AddToLog(RU("CreateQuadBuffer: все %d буферов заняты, буфер не создан."), kMaxQuadBuffers);
    return 0;
  }
  SQuadBuffer& b = g_buffers[slot];
  std::vector<SQuadCorner> corners(static_cast<size_t>(count));
  Fill(corners.data(), xyz, st, count);
  b = SQuadBuffer();
  b.used = true;
  b.count = count;
  if (BufferObjects() && count > 0) {
    glGenBuffersARB(1, &b.buffer);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, b.buffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(count * sizeof(SQuadCorner)),
                    corners.data(), GL_STATIC_DRAW_ARB);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  } else {
    b.corners.swap(corners);
  }
  return (g_generation << 8) | static_cast<unsigned int>(slot + 1);
}

bool UpdateQuadBuffer(unsigned int handle, int first, const float (*xyz)[3], const float (*st)[2],
                      int count) {
  if (!RequireGL("UpdateQuadBuffer") || !RequireArg(xyz, "UpdateQuadBuffer", "xyz") ||
      !RequireArg(st, "UpdateQuadBuffer", "st"))
    return false;
  SQuadBuffer* b = Find(handle);
  // Only whole ranges inside the buffer: nothing is written past its end.
  if (!b || first < 0 || count < 0 || first > b->count || count > b->count - first) return false;
  if (count == 0) return true;
  if (b->buffer) {
    std::vector<SQuadCorner> corners(static_cast<size_t>(count));
    Fill(corners.data(), xyz, st, count);
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, b->buffer);
    glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, static_cast<GLintptrARB>(first * sizeof(SQuadCorner)),
                       static_cast<GLsizeiptrARB>(count * sizeof(SQuadCorner)), corners.data());
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  } else {
    Fill(b->corners.data() + first, xyz, st, count);
  }
  return true;
}

bool DrawQuadBuffer(unsigned int handle, int first, int count) {
  if (!RequireGL("DrawQuadBuffer")) return false;
  SQuadBuffer* b = Find(handle);
  if (!b) return false;
  // Whole quads inside the buffer only.
  if (first < 0) {
    count += first;
    first = 0;
  }
  first -= first % 4;
  if (count > b->count - first) count = b->count - first;
  count -= count > 0 ? count % 4 : count;
  if (count <= 0) return true;
  const SQuadCorner* base = nullptr;
  if (b->buffer) {
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, b->buffer);
  } else {
    if (glBindBufferARB) glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    base = b->corners.data();
  }
  // Models leave the normal array on; it would be read past its buffer.
  glDisableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  // In a buffer the pointers are offsets into it.
  const void* xyz = base ? static_cast<const void*>(&base->x)
                         : reinterpret_cast<const void*>(offsetof(SQuadCorner, x));
  const void* st = base ? static_cast<const void*>(&base->s)
                        : reinterpret_cast<const void*>(offsetof(SQuadCorner, s));
  glVertexPointer(3, GL_FLOAT, sizeof(SQuadCorner), xyz);
  glTexCoordPointer(2, GL_FLOAT, sizeof(SQuadCorner), st);
  glDrawArrays(GL_QUADS, first, count);
  if (b->buffer) glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  return true;
}

void DeleteQuadBuffer(unsigned int handle) {
  if (!RequireGL("DeleteQuadBuffer")) return;
  SQuadBuffer* b = Find(handle);
  if (!b) return;
  if (b->buffer && glDeleteBuffersARB) glDeleteBuffersARB(1, &b->buffer);
  *b = SQuadBuffer();
}
