// Models: .mdl loading into GL buffer objects, and model drawing: blended
// between two keyframes on the GPU through ModelShader, blended on the processor
// when shaders are off, or a single keyframe without a program.
#include "Internal.h"
#include "render/Render.h"

#include "BoundedReader.h"
#include "Cp1251.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

using namespace cgl;

namespace {

// The buffer-object entry points every model path needs.
bool BufferEntryPointsBound() {
  return glGenBuffersARB && glBindBufferARB && glBufferDataARB && glBufferSubDataARB;
}

// Byte offset of keyframe f's positions in the vertex buffer.
inline intptr_t KeyframeOffset(int vertexCount, int f) {
  return static_cast<intptr_t>(vertexCount) * 8 + static_cast<intptr_t>(f) * vertexCount * 12;
}

inline const void* BufferOffset(intptr_t offset) { return reinterpret_cast<const void*>(offset); }

// Keyframe drawn for a frame value: the frame truncated toward zero, kept
// inside 0..frameCount-1 so that no frame value can point outside the
// buffer (negative frames, or any frame of a one-keyframe model).
int KeyframeIndex(float frame, int frameCount) {
  if (!(frame > 0.0f)) return 0;
  if (frame >= static_cast<float>(frameCount - 1)) return frameCount - 1;
  return static_cast<int>(frame);
}

// (target truncated toward zero) mod frameCount, always 0..frameCount-1.
int TargetKeyframe(float target, int frameCount) {
  if (!std::isfinite(target)) return 0;
  double r = std::fmod(std::trunc(static_cast<double>(target)), static_cast<double>(frameCount));
  if (r < 0) r += frameCount;
  int i = static_cast<int>(r);
  return (i >= 0 && i < frameCount) ? i : 0;
}

}  // namespace

const char* ParseModel(const unsigned char* data, size_t size, ModelData* out) {
  bounded::ByteCursor in(data, size);
  const int32_t V = in.I32(), T = in.I32(), F = in.I32();
  if (in.Failed()) return RU("файл обрезан");
  if (V < 0 || T < 0 || F < 0) return RU("отрицательные счётчики");
  if (V > kMaxModelVertices) return RU("больше 65536 вершин");
  if (F < 1 && (V > 0 || T > 0)) return RU("нет ни одного ключевого кадра");
  if (static_cast<int64_t>(F) * V * 12 + static_cast<int64_t>(T) * 12 +
          static_cast<int64_t>(V) * 8 >
      static_cast<int64_t>(in.Left()))
    return RU("файл короче, чем указано в заголовке");

  // The sizes are now bounded by the file, which is bounded by its cap.
  const size_t positions = static_cast<size_t>(F) * V * 3;
  out->keyframes.resize(positions);
  for (size_t i = 0; i < positions; i++) out->keyframes[i] = in.F32();

  // Only the low 16 bits of each index count; they must name a vertex.
  const size_t indexCount = static_cast<size_t>(T) * 3;
  out->indices.resize(indexCount);
  for (size_t i = 0; i < indexCount; i++) {
    out->indices[i] = static_cast<unsigned short>(in.U32() & 0xFFFFu);
    if (out->indices[i] >= V) return RU("индекс вершины вне диапазона");
  }
  out->texCoords.resize(static_cast<size_t>(V) * 2);
  for (float& t : out->texCoords) t = in.F32();
  if (in.Failed()) return RU("файл обрезан");
  out->vertexCount = V;
  out->triangleCount = T;
  out->frameCount = F;
  return nullptr;
}

namespace {

// Copies of a model (every monster holds one of its kind's) share the
// keyframes and scratch array that Load made; the last copy frees them.
// Keyed by the keyframe array; memory a caller put there is never freed.
// The table itself is never destroyed: models with static storage are
// destroyed at exit after any function-local static would be.
std::unordered_map<const float*, int>& SharedFrames() {
  static auto* refs = new std::unordered_map<const float*, int>();
  return *refs;
}

}  // namespace

void TModel::Release() {
  if (frames) {
    auto& refs = SharedFrames();
    auto it = refs.find(frames);
    if (it != refs.end() && --it->second == 0) {
      refs.erase(it);
      delete[] frames;
      delete[] blendedVertices;
    }
  }
  frames = nullptr;
  blendedVertices = nullptr;
}

TModel::~TModel() { Release(); }

TModel::TModel(const TModel& other) : TModel() { *this = other; }

TModel& TModel::operator=(const TModel& other) {
  if (this == &other) return *this;
  Release();
  animationCount = other.animationCount;
  std::memcpy(animations, other.animations, sizeof(animations));
  vertexBuffer = other.vertexBuffer;
  indexBuffer = other.indexBuffer;
  animStart = other.animStart;
  animEnd = other.animEnd;
  animSpeed = other.animSpeed;
  offsetX = other.offsetX;
  offsetY = other.offsetY;
  unitScale = other.unitScale;
  frameCount = other.frameCount;
  vertexCount = other.vertexCount;
  triangleCount = other.triangleCount;
  texture = other.texture;
  scale = other.scale;
  x = other.x;
  y = other.y;
  z = other.z;
  frame = other.frame;
  rotX = other.rotX;
  rotY = other.rotY;
  rotZ = other.rotZ;
  frames = other.frames;
  blendedVertices = other.blendedVertices;
  if (frames) {
    auto it = SharedFrames().find(frames);
    if (it != SharedFrames().end()) it->second++;
  }
  return *this;
}

namespace {

// Reads and parses the .mdl file into *mesh. Returns null when it is sound,
// otherwise the reason for the log line.
const char* ReadModelFile(const char* path, ModelData* mesh) {
  if (!BufferEntryPointsBound()) return RU("функции буферов не загружены");
  bounded::FileBytes file;
  switch (bounded::ReadFileCapped(path, kMaxModelFile, &file)) {
    case bounded::ReadResult::kOk: return ParseModel(file.data(), file.size(), mesh);
    case bounded::ReadResult::kTooLarge: return RU("файл больше 64 МиБ");
    default: return RU("файл не открывается");
  }
}

// The frame-0 direction of each vertex from the model's origin (V * 3
// floats) into *normals; returns the largest positive coordinate of frame 0
// in any axis, which unitScale is the inverse of.
float FrameZeroNormals(const ModelData& mesh, std::vector<float>* normals) {
  const int V = mesh.vertexCount;
  normals->assign(static_cast<size_t>(V) * 3, 0.0f);
  float largest = 0.0f;
  for (int i = 0; i < V; i++) {
    const float* v = mesh.keyframes.data() + static_cast<size_t>(i) * 3;
    largest = largest > v[0] ? largest : v[0];
    largest = largest > v[1] ? largest : v[1];
    largest = largest > v[2] ? largest : v[2];
    float length = static_cast<float>(std::sqrt(static_cast<double>(v[0]) * v[0] +
                                                static_cast<double>(v[1]) * v[1] +
                                                static_cast<double>(v[2]) * v[2]));
    if (length == 0.0f) length = 1.0f;
    (*normals)[i * 3 + 0] = v[0] / length;
    (*normals)[i * 3 + 1] = v[1] / length;
    (*normals)[i * 3 + 2] = v[2] / length;
  }
  return largest;
}

// Uploads the triangle indices into a new element buffer, named in
// m.indexBuffer.
void UploadIndices(TModel& m, const ModelData& mesh) {
  glGenBuffersARB(1, &m.indexBuffer);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m.indexBuffer);
  glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, static_cast<GLsizeiptrARB>(mesh.indices.size()) * 2,
                  mesh.indices.data(), GL_STATIC_DRAW_ARB);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
}

// Uploads texture coordinates, every keyframe and the frame-0 normals into
// a new vertex buffer, named in m.vertexBuffer, and sets m.unitScale.
void UploadVertices(TModel& m, const ModelData& mesh) {
  const int V = mesh.vertexCount;
  const intptr_t normalsOffset = KeyframeOffset(V, mesh.frameCount);
  glGenBuffersARB(1, &m.vertexBuffer);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, m.vertexBuffer);
  glBufferDataARB(GL_ARRAY_BUFFER_ARB, normalsOffset + static_cast<intptr_t>(V) * 12, nullptr,
                  GL_STATIC_COPY_ARB);
  glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, 0, static_cast<intptr_t>(V) * 8, mesh.texCoords.data());
  glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, static_cast<intptr_t>(V) * 8,
                     static_cast<intptr_t>(mesh.keyframes.size()) * 4, mesh.keyframes.data());

  std::vector<float> normals;
  m.unitScale = 1.0f / FrameZeroNormals(mesh, &normals);

  glBufferSubDataARB(GL_ARRAY_BUFFER_ARB, normalsOffset, static_cast<intptr_t>(V) * 12,
                     normals.data());
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

}  // namespace

void TModel::Load(const char* path, unsigned int tex) {
  if (!RequireGLExt("TModel::Load") || !RequireArg(path, "TModel::Load", "path")) return;
  texture = tex;
  const char* name = path ? path : "(null)";

  // A second load replaces the first: its memory goes now, and until the
  // file proves sound the model holds nothing to draw.
  Release();
  vertexBuffer = 0;
  indexBuffer = 0;
  frameCount = vertexCount = triangleCount = 0;
  unitScale = 1.0f;
  frame = 0;

  ModelData mesh;
  if (const char* problem = ReadModelFile(path, &mesh)) {
    AddToLog(RU("Модель %s не загружена: %s"), name, problem);
    return;
  }

  vertexCount = mesh.vertexCount;
  triangleCount = mesh.triangleCount;
  frameCount = mesh.frameCount;
  UploadIndices(*this, mesh);
  UploadVertices(*this, mesh);

  // With shaders the keyframes live only in the buffer; the processor
  // fallback blends from a copy in memory into a scratch array.
  if (!_ShadersOn) {
    const size_t positions = mesh.keyframes.size();
    frames = new float[positions > 0 ? positions : 1];
    std::memcpy(frames, mesh.keyframes.data(), positions * sizeof(float));
    blendedVertices = new float[static_cast<size_t>(vertexCount) * 3 + 1];
    SharedFrames()[frames] = 1;
  }

  frame = 0;
  AddToLog(RU("Модель %s загружена"), name);
}

// --------------------------------------------------------------- drawing

namespace {

// Shared start of every draw: placement, then the frame wrap that keeps a
// non-negative frame below frameCount - 1 (the last keyframe is reached
// only as a blend target). Returns false when the model holds nothing to
// draw; the matrix is pushed either way.
bool BeginModelDraw(TModel& m) {
  glPushMatrix();
  SetPos3D(m.x + m.offsetX, m.y + m.offsetY, m.z);
  RotateX(m.rotX);
  RotateY(m.rotY);
  RotateZ(m.rotZ);
  Size3D(m.scale);

  if (!std::isfinite(m.frame)) m.frame = 0.0f;
  if (m.frameCount > 1) {
    const float span = static_cast<float>(m.frameCount - 1);
    // Subtraction keeps the exact values of ordinary frames; a frame so
    // large that subtracting no longer changes it is reduced in one step.
    for (int guard = 0; m.frame >= span && guard < 1024; guard++) m.frame -= span;
    if (m.frame >= span) m.frame = std::fmod(m.frame, span);
  }

  return m.triangleCount > 0 && m.vertexCount > 0 && m.frameCount > 0 && m.vertexBuffer != 0 &&
         m.indexBuffer != 0 && BufferEntryPointsBound();
}

void DrawTriangles(const TModel& m) {
  glDrawElements(GL_TRIANGLES, m.triangleCount * 3, GL_UNSIGNED_SHORT, BufferOffset(0));
}

// One keyframe straight from the buffer with no program change: the
// static draw, and the fallback when no keyframes are kept in memory.
void DrawKeyframe(const TModel& m, int key) {
  BindTexture2D(m.texture);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, m.vertexBuffer);
  glNormalPointer(GL_FLOAT, 12, BufferOffset(KeyframeOffset(m.vertexCount, m.frameCount)));
  glTexCoordPointer(2, GL_FLOAT, 8, BufferOffset(0));
  glVertexPointer(3, GL_FLOAT, 12, BufferOffset(KeyframeOffset(m.vertexCount, key)));
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m.indexBuffer);
  DrawTriangles(m);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
}

// Keyframes `key` and `next` blended by t in the vertex shader.
void DrawBlendedOnGpu(const TModel& m, int key, int next, float t) {
  ModelShader.Enable();
  ModelShader.SetUniform(IcLocation, t);
  BindTexture2D(m.texture);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m.indexBuffer);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, m.vertexBuffer);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  ModelShader.EnableVertexArray(Vertex2Location);
  glTexCoordPointer(2, GL_FLOAT, 8, BufferOffset(0));
  glNormalPointer(GL_FLOAT, 12, BufferOffset(KeyframeOffset(m.vertexCount, m.frameCount)));
  if (Vertex2Location >= 0 && glVertexAttribPointerARB)
    glVertexAttribPointerARB(Vertex2Location, 3, GL_FLOAT, GL_FALSE, 0,
                             BufferOffset(KeyframeOffset(m.vertexCount, next)));
  glVertexPointer(3, GL_FLOAT, 12, BufferOffset(KeyframeOffset(m.vertexCount, key)));
  DrawTriangles(m);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
}

// Keyframe `key` blended toward the following one on the processor, drawn
// from a client-side array with the buffer's texture coordinates and
// normals.
void DrawBlendedOnCpu(const TModel& m, int key, float t) {
  if (!m.frames || !m.blendedVertices) {
    DrawKeyframe(m, key);
    return;
  }
  const int next = (key + 1) % m.frameCount;
  const float* a = m.frames + static_cast<size_t>(key) * m.vertexCount * 3;
  const float* b = m.frames + static_cast<size_t>(next) * m.vertexCount * 3;
  for (int i = 0; i < m.vertexCount * 3; i++) m.blendedVertices[i] = a[i] + (b[i] - a[i]) * t;

  BindTexture2D(m.texture);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_VERTEX_ARRAY);
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, m.vertexBuffer);
  glTexCoordPointer(2, GL_FLOAT, 8, BufferOffset(0));
  glNormalPointer(GL_FLOAT, 12, BufferOffset(KeyframeOffset(m.vertexCount, m.frameCount)));
  glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
  glVertexPointer(3, GL_FLOAT, 12, m.blendedVertices);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, m.indexBuffer);
  DrawTriangles(m);
  glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
}

// Draw and Draw2: `target` < 0 means "the keyframe after the current one".
void DrawBlended(TModel& m, bool toTarget, float target) {
  if (!BeginModelDraw(m)) {
    glPopMatrix();
    return;
  }
  const int key = KeyframeIndex(m.frame, m.frameCount);
  const float t = m.frame - std::trunc(m.frame);
  if (_ShadersOn) {
    const int next = toTarget ? TargetKeyframe(target, m.frameCount) : (key + 1) % m.frameCount;
    DrawBlendedOnGpu(m, key, next, t);
    glPopMatrix();
    ModelShader.Disable();
  } else {
    DrawBlendedOnCpu(m, key, t);
    glPopMatrix();
  }
}

}  // namespace

void TModel::Draw() {
  if (!RequireGL("TModel::Draw")) return;
  DrawBlended(*this, false, 0.0f);
}

void TModel::Draw2(float target) {
  if (!RequireGL("TModel::Draw2")) return;
  DrawBlended(*this, true, target);
}

void TModel::DrawAnimation() {
  if (!RequireGL("TModel::DrawAnimation")) return;
  if (animEnd - 1 > frame)
    Draw();
  else
    Draw2(animStart);
}

void TModel::DrawStatic() {
  if (!RequireGL("TModel::DrawStatic")) return;
  if (BeginModelDraw(*this)) DrawKeyframe(*this, KeyframeIndex(frame, frameCount));
  glPopMatrix();
}
