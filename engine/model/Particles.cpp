// Models: the particle pool, per-tick motion and fading, and drawing in
// batches of 30 camera-facing quads per draw call through the particle
// program.
//
// The program expands each quad of a small static buffer (30 quads, each
// vertex tagged with its quad's number) around a centre taken from uniform
// arrays, so one draw call covers 30 particles with no per-frame vertex
// upload: only 8 floats per particle travel as uniforms.
#include "Internal.h"
#include "render/Render.h"
#include "Cp1251.h"

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

using namespace cgl;

namespace {

const int kQuads = TParticlesSystem::BatchSize;
// Byte layout of the quad buffer: texture coordinates, corners, quad numbers.
const int kTexCoordOffset = 0;
const int kTexCoordBytes = kQuads * 4 * 2 * 4;  // 960
const int kCornerOffset = kTexCoordOffset + kTexCoordBytes;
const int kCornerBytes = kQuads * 4 * 3 * 4;  // 1440
const int kQuadNumberOffset = kCornerOffset + kCornerBytes;
const int kQuadNumberBytes = kQuads * 4 * 4;                        // 480
const int kQuadBufferBytes = kQuadNumberOffset + kQuadNumberBytes;  // 2880
static_assert(kQuadBufferBytes == 2880, "quad buffer layout");

const void* BufferOffset(int bytes) {
  return reinterpret_cast<const void*>(static_cast<size_t>(bytes));
}

}  // namespace

void TParticlesSystem::InitParticleShader() {
  if (!RequireGL("TParticlesSystem::InitParticleShader")) return;
  if (!glGenBuffersARB || !glBindBufferARB || !glBufferDataARB || !glBufferSubDataARB) {
    AddToLog(RU("Ошибка. Нет функций буферов OpenGL, частицы не будут видны"));
    return;
  }
  // Texture row t = 0 lies along each quad's upper edge.
  static const float kTexCorner[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
  static const float kCorner[4][3] = {
      {-0.5f, -0.5f, 0.0f}, {0.5f, -0.5f, 0.0f}, {0.5f, 0.5f, 0.0f}, {-0.5f, 0.5f, 0.0f}};
  float texCoords[kQuads * 4 * 2];
  float corners[kQuads * 4 * 3];
  float numbers[kQuads * 4];
  for (int q = 0; q < kQuads; q++) {
    for (int v = 0; v < 4; v++) {
      int i = q * 4 + v;
      texCoords[i * 2 + 0] = kTexCorner[v][0];
      texCoords[i * 2 + 1] = kTexCorner[v][1];
      corners[i * 3 + 0] = kCorner[v][0];
      corners[i * 3 + 1] = kCorner[v][1];
      corners[i * 3 + 2] = kCorner[v][2];
      numbers[i] = static_cast<float>(q);
    }
  }
  GLuint name = 0;
  glGenBuffersARB(1, &name);
  quadBuffer = name;
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, quadBuffer);
  glBufferDataARB(GL_ARRAY_BUFFER_ARB, kQuadBufferBytes, nullptr, GL_STATIC_COPY_ARB);
  glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, kTexCoordOffset, kTexCoordBytes, texCoords);
  glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, kCornerOffset, kCornerBytes, corners);
  glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, kQuadNumberOffset, kQuadNumberBytes, numbers);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  AddToLog(RU("Шейдерная часть системы частиц инициализирована"));
}

void TParticlesSystem::SetTexture(unsigned int name) { texture = name; }

void TParticlesSystem::MarkFree(int i) {
  freeSlots[i / 64] |= uint64_t(1) << (i % 64);
  if (i / 64 < firstFreeWord) firstFreeWord = i / 64;
}

void TParticlesSystem::Add(SParticle3D particle) {
  const int words = MaxParticles / 64;
  while (firstFreeWord < words) {
    uint64_t& word = freeSlots[firstFreeWord];
    if (word == 0) {
      firstFreeWord++;
      continue;
    }
    const int bit = __builtin_ctzll(word);
    const int i = firstFreeWord * 64 + bit;
    word &= word - 1;
    // A slot filled by hand since the last look is skipped.
    if (particles[i].life > 0) continue;
    particles[i] = particle;
    if (particles[i].life <= 0) word |= uint64_t(1) << bit;  // a dead particle keeps it free
    return;
  }
}

void TParticlesSystem::RescanFreeSlots() {
  firstFreeWord = MaxParticles / 64;
  for (int w = MaxParticles / 64 - 1; w >= 0; w--) freeSlots[w] = 0;
  for (int i = 0; i < MaxParticles; i++)
    if (particles[i].life <= 0) MarkFree(i);
}

void TParticlesSystem::Process() {
  liveCount = 0;
  firstFreeWord = MaxParticles / 64;
  for (int w = MaxParticles / 64 - 1; w >= 0; w--) freeSlots[w] = 0;
  for (int i = 0; i < MaxParticles; i++) {
    SParticle3D& p = particles[i];
    if (p.life <= 0) {
      MarkFree(i);
      continue;
    }
    liveCount++;
    p.life--;
    // Position moves by the velocity of the previous tick.
    p.x += p.velocity[0];
    p.y += p.velocity[1];
    p.z += p.velocity[2];
    for (int k = 0; k < 3; k++) {
      p.angle[k] += p.spin[k];
      p.velocity[k] += p.acceleration[k];
    }
    for (int k = 0; k < 4; k++) p.color[k] += p.colorDelta[k];
    p.size += p.sizeDelta;
    if (!(p.color[3] > 0.0f)) p.life = 0;
    if (p.life <= 0) MarkFree(i);
  }
}

namespace {

// Each live particle as a copy of the system's model, placed, turned,
// sized and tinted as the particle.
void DrawAsModels(TParticlesSystem& ps) {
  TModel& model = ps.model;
  for (int i = 0; i < TParticlesSystem::MaxParticles; i++) {
    const SParticle3D& p = ps.particles[i];
    if (p.life <= 0) continue;
    Begin3D();
    model.Move(p.x, p.y, p.z);
    model.scale = p.size;
    model.rotX = p.angle[0];
    model.rotY = p.angle[1];
    model.rotZ = p.angle[2];
    SetColor(p.color[0], p.color[1], p.color[2], p.color[3]);
    model.DrawStatic();
    End3D();
  }
}

// One draw of the first count quads of the static buffer, positioned and
// coloured by the batch arrays through the particle program.
void DrawBatch(TParticlesSystem& ps, int count) {
  Begin3D();
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
  ParticleShader.Enable();
  glUniform1fvARB(NewPosLocation, count * 4, ps.batchPos);
  glUniform1fvARB(NewColorLocation, count * 4, ps.batchColor);
  BindTexture2D(ps.texture);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, ps.quadBuffer);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  // A program that failed to build has no attribute; the quads then
  // all collapse onto batch entry 0 instead of raising GL errors.
  if (PartPosLocation >= 0) ParticleShader.EnableVertexArray(PartPosLocation);
  glTexCoordPointer(2, GL_FLOAT, 8, BufferOffset(kTexCoordOffset));
  glVertexPointer(3, GL_FLOAT, 12, BufferOffset(kCornerOffset));
  if (PartPosLocation >= 0)
    glVertexAttribPointerARB(PartPosLocation, 1, GL_FLOAT, GL_FALSE, 0,
                             BufferOffset(kQuadNumberOffset));
  glDrawArrays(GL_QUADS, 0, count * 4);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  ParticleShader.Disable();
  glDisable(GL_BLEND);
  End3D();
}

// Live particles gathered into batches of up to kQuads, one draw each.
void DrawBatched(TParticlesSystem& ps) {
  int b = -1;
  for (int i = 0; i < TParticlesSystem::MaxParticles; i++) {
    const SParticle3D& p = ps.particles[i];
    if (p.life > 0) {
      b++;
      ps.batchPos[4 * b + 0] = p.x;
      ps.batchPos[4 * b + 1] = p.y;
      ps.batchPos[4 * b + 2] = p.z;
      ps.batchPos[4 * b + 3] = p.size;
      for (int k = 0; k < 4; k++) ps.batchColor[4 * b + k] = p.color[k];
    }
    if (b == kQuads - 1 || (i == TParticlesSystem::MaxParticles - 1 && b != -1)) {
      DrawBatch(ps, b + 1);
      b = -1;
    }
  }
}

// Without the program: each live particle as a textured plane of its own.
void DrawAsPlanes(TParticlesSystem& ps) {
  for (int i = 0; i < TParticlesSystem::MaxParticles; i++) {
    const SParticle3D& p = ps.particles[i];
    if (p.life <= 0) continue;
    Begin3D();
    SetColor(p.color[0], p.color[1], p.color[2], p.color[3]);
    SetPos3D(p.x, p.y, p.z);
    RotateX(p.angle[0]);
    RotateY(p.angle[1]);
    RotateZ(p.angle[2]);
    glScalef(p.size, p.size, 1.0f);
    BindTexture2D(ps.texture);
    DrawSimplePlane();
    End3D();
  }
}

}  // namespace

void TParticlesSystem::Draw() {
  if (!RequireGL("TParticlesSystem::Draw")) return;
  glDepthMask(GL_FALSE);
  if (useModel)
    DrawAsModels(*this);
  else if (_ShadersOn && quadBuffer != 0)
    DrawBatched(*this);
  else
    DrawAsPlanes(*this);
  glDepthMask(GL_TRUE);
}
