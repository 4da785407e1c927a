// Render: GLSL programs through the ARB shader-object extension, the
// registry of every shader object made, and the engine's two built-in
// programs.
#include "Internal.h"

#include "BoundedReader.h"
#include "Cp1251.h"

#include <cstdio>
#include <cstring>
#include <vector>

// Last: wraps the GL calls below in the engine's call counters.
#include "render/GLCount.h"

using namespace cgl;

unsigned int _FreeShaders[2048];
int _MaxFreeShaders = -1;
bool _ShadersOn = false;

TShader ModelShader;
int IcLocation = -1;
int Vertex2Location = -1;
TShader ParticleShader;
int PartPosLocation = -1;
int NewPosLocation = -1;
int NewColorLocation = -1;

namespace {

// Keyframe blending: gl_Vertex is the current keyframe, Vertex2 the next,
// IC the blend between them.
const char* const kModelVertexSource =
    "uniform float IC; attribute vec3 Vertex2; void main() {\t"
    "gl_Position "
    "=gl_ModelViewProjectionMatrix*vec4(mix(gl_Vertex.xyz,Vertex2.xyz,IC),gl_Vertex.w); "
    "gl_TexCoord[0] = gl_MultiTexCoord0; }";

const char* const kModelFragmentSource =
    "uniform sampler2D texture1;void main(){ gl_FragColor = texture2D(texture1, "
    "gl_TexCoord[0].xy); }";

// Camera-facing particle quads, 30 per batch: each vertex carries the index
// of its particle; centre, size and colour come from the uniform arrays.
const char* const kParticleVertexSource =
    "attribute float part_pos; uniform float NewPos[120]; uniform float NewColor[120]; "
    "varying vec4 NewClr; void main(){ int num=int(part_pos)*4; "
    "vec3 X = vec3( gl_ModelViewMatrix[0][0], gl_ModelViewMatrix[1][0], gl_ModelViewMatrix[2][0] "
    "); "
    "vec3 Y = vec3( gl_ModelViewMatrix[0][1], gl_ModelViewMatrix[1][1], gl_ModelViewMatrix[2][1] "
    "); "
    "float coef=NewPos[num+3]; "
    "vec3 vertex = gl_Vertex.x * X*coef + gl_Vertex.y*coef * "
    "Y+vec3(NewPos[num],NewPos[num+1],NewPos[num+2]); "
    "NewClr[0]=NewColor[num]; NewClr[1]=NewColor[num+1]; NewClr[2]=NewColor[num+2]; "
    "NewClr[3]=NewColor[num+3];gl_Position = gl_ModelViewProjectionMatrix * vec4( vertex, 1.0 ); "
    "gl_TexCoord[0] = gl_MultiTexCoord0; }";

const char* const kParticleFragmentSource =
    "varying vec4 NewClr; uniform sampler2D texture1; void main() { "
    "gl_FragColor = texture2D(texture1, gl_TexCoord[0].xy)*NewClr;}";

const int kRegistrySize = static_cast<int>(sizeof(_FreeShaders) / sizeof(_FreeShaders[0]));

// Appends one object to the registry; a full registry drops it with a log
// line rather than writing past the array.
void Register(unsigned int object) {
  if (_MaxFreeShaders + 1 >= kRegistrySize) {
    AddToLog(RU("Реестр шейдеров переполнен, объект %u не записан"), object);
    return;
  }
  _MaxFreeShaders++;
  _FreeShaders[_MaxFreeShaders] = object;
}

// The entry points Create needs; a context without them cannot build
// anything, and calling through a null pointer is never an option.
bool BuildEntryPointsBound() {
  return glCreateShaderObjectARB && glShaderSourceARB && glCompileShaderARB &&
         glCreateProgramObjectARB && glAttachObjectARB && glLinkProgramARB &&
         glGetObjectParameterivARB && glGetInfoLogARB;
}

}  // namespace

char* ShaderTextFromBytes(const unsigned char* data, size_t size) {
  if (!data || size == 0) return nullptr;
  char* text = new char[size + 1];
  // Text-mode reading: a CR right before an LF is dropped, so the compiler
  // sees the same text whichever line ends the file was saved with.
  size_t out = 0;
  for (size_t i = 0; i < size; i++) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    text[out++] = static_cast<char>(data[i]);
  }
  text[out] = '\0';
  return text;
}

char* ReadShaderFile(const char* path) {
  bounded::FileBytes file;
  const bounded::ReadResult result = bounded::ReadFileCapped(path, kMaxShaderFile, &file);
  if (result == bounded::ReadResult::kTooLarge)
    AddToLog(RU("Шейдер %s больше %d КиБ, не прочитан"), path,
             static_cast<int>(kMaxShaderFile >> 10));
  if (result != bounded::ReadResult::kOk) return nullptr;
  return ShaderTextFromBytes(file.data(), file.size());
}

void LogShaderInfo(unsigned int object) {
  if (!glGetObjectParameterivARB || !glGetInfoLogARB) return;
  GLint length = 0;
  glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
  if (length <= 0) return;
  char* buffer = new char[static_cast<size_t>(length) + 1];
  GLsizei written = 0;
  glGetInfoLogARB(object, length, &written, buffer);
  if (written < 0) written = 0;
  if (written > length) written = length;
  buffer[written] = '\0';
  AddToLog(RU("Шэйдэр говорит: %s"), buffer);
  delete[] buffer;
}

void TShader::Create(const char* vertexSource, const char* fragmentSource) {
  if (!RequireGL("TShader::Create")) return;
  if (!BuildEntryPointsBound()) {
    AddToLog(RU("Шейдер не создан: функции работы с шейдерами не загружены"));
    program = fragmentShader = vertexShader = 0;
    return;
  }
  vertexShader = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
  fragmentShader = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
  const GLcharARB* vs = vertexSource ? vertexSource : "";
  const GLcharARB* fs = fragmentSource ? fragmentSource : "";
  glShaderSourceARB(vertexShader, 1, &vs, nullptr);
  glShaderSourceARB(fragmentShader, 1, &fs, nullptr);
  glCompileShaderARB(vertexShader);
  glCompileShaderARB(fragmentShader);
  program = glCreateProgramObjectARB();
  glAttachObjectARB(program, vertexShader);
  LogShaderInfo(vertexShader);
  glAttachObjectARB(program, fragmentShader);
  LogShaderInfo(fragmentShader);
  glLinkProgramARB(program);
  LogShaderInfo(program);
  Register(vertexShader);
  Register(fragmentShader);
  Register(program);
}

void TShader::Load(const char* vertexFile, const char* fragmentFile) {
  if (!RequireGL("TShader::Load")) return;
  char* vertexText = ReadShaderFile(vertexFile);
  char* fragmentText = ReadShaderFile(fragmentFile);
  if (!vertexText || !fragmentText) {
    AddToLog(RU("Не удалось прочитать шейдер %s"), !vertexText
                                                       ? (vertexFile ? vertexFile : "(null)")
                                                       : (fragmentFile ? fragmentFile : "(null)"));
    delete[] vertexText;
    delete[] fragmentText;
    program = fragmentShader = vertexShader = 0;
    return;
  }
  Create(vertexText, fragmentText);
  delete[] vertexText;
  delete[] fragmentText;
}

void TShader::Enable() {
  if (!RequireGL("TShader::Enable")) return;
  if (glUseProgramObjectARB) glUseProgramObjectARB(program);
}

void TShader::Disable() {
  if (!RequireGL("TShader::Disable")) return;
  if (glUseProgramObjectARB) glUseProgramObjectARB(0);
}

void TShader::Destroy() {
  // After shutdown the context and all registered objects are gone; the
  // handles are only forgotten then.
  if (ContextAlive && glDeleteObjectARB) {
    glDeleteObjectARB(fragmentShader);
    glDeleteObjectARB(vertexShader);
    glDeleteObjectARB(program);
  }
  program = fragmentShader = vertexShader = 0;
}

int TShader::GetUniform(const char* name) {
  if (!RequireGL("TShader::GetUniform")) return -1;
  if (!glGetUniformLocationARB || !name) return -1;
  return glGetUniformLocationARB(program, name);
}

int TShader::GetAttribute(const char* name) {
  if (!RequireGL("TShader::GetAttribute")) return -1;
  if (!glGetAttribLocationARB || !name) return -1;
  return glGetAttribLocationARB(program, name);
}

void TShader::SetUniform(int location, int value) {
  if (!RequireGL("TShader::SetUniform")) return;
  if (glUniform1iARB) glUniform1iARB(location, value);
}

void TShader::SetUniform(int location, float value) {
  if (!RequireGL("TShader::SetUniform")) return;
  if (glUniform1fARB) glUniform1fARB(location, value);
}

void TShader::SetUniform(int location, int count, const int* values) {
  if (!RequireGL("TShader::SetUniform")) return;
  if (!values) return;
  switch (count) {
    case 2:
      if (glUniform2iARB) glUniform2iARB(location, values[0], values[1]);
      break;
    case 3:
      if (glUniform3iARB) glUniform3iARB(location, values[0], values[1], values[2]);
      break;
    case 4:
      if (glUniform4iARB) glUniform4iARB(location, values[0], values[1], values[2], values[3]);
      break;
    default: break;
  }
}

void TShader::SetUniform(int location, int count, const float* values) {
  if (!RequireGL("TShader::SetUniform")) return;
  if (!values) return;
  switch (count) {
    case 2:
      if (glUniform2fARB) glUniform2fARB(location, values[0], values[1]);
      break;
    case 3:
      if (glUniform3fARB) glUniform3fARB(location, values[0], values[1], values[2]);
      break;
    case 4:
      if (glUniform4fARB) glUniform4fARB(location, values[0], values[1], values[2], values[3]);
      break;
    default: break;
  }
}

void TShader::SetAttribute(int, float) {}

void TShader::SetAttribute(int location, int count, const float* values) {
  if (!RequireGL("TShader::SetAttribute")) return;
  if (!values || location < 0) return;
  if (count == 3) {
    if (glVertexAttrib3fARB) glVertexAttrib3fARB(location, values[0], values[1], values[2]);
  } else if (count == 4) {
    if (glVertexAttrib4fARB)
      glVertexAttrib4fARB(location, values[0], values[1], values[2], values[3]);
  }
}

void TShader::EnableVertexArray(int location) {
  if (!RequireGL("TShader::EnableVertexArray")) return;
  if (glEnableVertexAttribArrayARB && location >= 0) glEnableVertexAttribArrayARB(location);
}

void InitEngineShaders() {
  ParticleShader.Create(kParticleVertexSource, kParticleFragmentSource);
  ParticleShader.Enable();
  PartPosLocation = ParticleShader.GetAttribute("part_pos");
  NewPosLocation = ParticleShader.GetUniform("NewPos");
  NewColorLocation = ParticleShader.GetUniform("NewColor");
  ParticleShader.Disable();

  ModelShader.Create(kModelVertexSource, kModelFragmentSource);
  ModelShader.Enable();
  IcLocation = ModelShader.GetUniform("IC");
  Vertex2Location = ModelShader.GetAttribute("Vertex2");
  ModelShader.Disable();

  _ShadersOn = true;
}
