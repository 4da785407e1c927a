// Shader programs on a real GL context: the built-in programs and the
// registry, info-log reporting, setters that ignore unsupported counts,
// and reading shader files.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

#include "Cp1251.h"
#include "Internal.h"
#include "testutil.h"

using cgl::ContextAlive;
using cgl::LoadEntryPoints;

namespace {

std::string LogText() { return testutil::ReadFile("EngineLog.txt"); }

int ObjectParam(unsigned int object, GLenum what) {
  GLint v = -12345;
  cgl::glGetObjectParameterivARB(object, what, &v);
  return v;
}

const char* const kTestVertex =
    "uniform vec2 U2; uniform vec4 U4; uniform ivec3 I3; attribute vec4 A; "
    "void main(){ gl_Position = gl_Vertex + A + vec4(U2,0.0,0.0) + U4 + vec4(vec3(I3),0.0); }";
const char* const kTestFragment = "void main(){ gl_FragColor = vec4(1.0); }";

class Shaders : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    testutil::RemoveFile("EngineLog.txt");
    ASSERT_TRUE(testutil::OpenContext(64, 64));
    ASSERT_EQ(LoadEntryPoints(), nullptr);
    ContextAlive = true;
    registryBefore = _MaxFreeShaders;
    shadersOnBefore = _ShadersOn;
    InitEngineShaders();
  }
  static int registryBefore;
  static bool shadersOnBefore;
};
int Shaders::registryBefore = 0;
bool Shaders::shadersOnBefore = true;

TEST_F(Shaders, BuiltInProgramsAreRegisteredInOrderAndLinked) {
  EXPECT_EQ(registryBefore, -1);
  EXPECT_FALSE(shadersOnBefore);
  EXPECT_EQ(_MaxFreeShaders, 5);
  EXPECT_TRUE(_ShadersOn);

  // Particle program first, then the model program; each as vertex,
  // fragment, program.
  EXPECT_EQ(_FreeShaders[0], ParticleShader.vertexShader);
  EXPECT_EQ(_FreeShaders[1], ParticleShader.fragmentShader);
  EXPECT_EQ(_FreeShaders[2], ParticleShader.program);
  EXPECT_EQ(_FreeShaders[3], ModelShader.vertexShader);
  EXPECT_EQ(_FreeShaders[4], ModelShader.fragmentShader);
  EXPECT_EQ(_FreeShaders[5], ModelShader.program);
  for (int i = 0; i < 6; i += 3) {
    EXPECT_EQ(ObjectParam(_FreeShaders[i], GL_OBJECT_SUBTYPE_ARB), GL_VERTEX_SHADER_ARB);
    EXPECT_EQ(ObjectParam(_FreeShaders[i + 1], GL_OBJECT_SUBTYPE_ARB), GL_FRAGMENT_SHADER_ARB);
    EXPECT_EQ(ObjectParam(_FreeShaders[i + 2], GL_OBJECT_TYPE_ARB), GL_PROGRAM_OBJECT_ARB);
    EXPECT_EQ(ObjectParam(_FreeShaders[i + 2], GL_OBJECT_LINK_STATUS_ARB), 1);
  }

  EXPECT_GE(IcLocation, 0);
  EXPECT_GE(Vertex2Location, 0);
  EXPECT_GE(PartPosLocation, 0);
  EXPECT_GE(NewPosLocation, 0);
  EXPECT_GE(NewColorLocation, 0);
  // The fixed-function pipeline is current again afterwards.
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, BrokenSourceIsRegisteredAndReportedThroughTheInfoLog) {
  const int before = _MaxFreeShaders;
  TShader broken{};
  broken.Create("void main() { this is not glsl }", kTestFragment);
  EXPECT_EQ(_MaxFreeShaders, before + 3);
  EXPECT_EQ(_FreeShaders[before + 3], broken.program);
  EXPECT_NE(LogText().find(RU("Шэйдэр говорит: ")), std::string::npos);
  EXPECT_EQ(broken.GetUniform("IC"), -1);
  EXPECT_EQ(broken.GetAttribute("Vertex2"), -1);
  broken.Destroy();
  EXPECT_EQ(broken.program, 0u);
  EXPECT_EQ(_MaxFreeShaders, before + 3);  // the registry keeps its entries
  while (glGetError() != GL_NO_ERROR) {
  }  // lookups on an unlinked program raise GL errors of their own
}

TEST_F(Shaders, SettersChangeOnlyForHandledCounts) {
  TShader s{};
  s.Create(kTestVertex, kTestFragment);
  ASSERT_EQ(ObjectParam(s.program, GL_OBJECT_LINK_STATUS_ARB), 1);
  s.Enable();
  const int u2 = s.GetUniform("U2"), u4 = s.GetUniform("U4"), i3 = s.GetUniform("I3");
  const int a = s.GetAttribute("A");
  ASSERT_GE(u2, 0);
  ASSERT_GE(u4, 0);
  ASSERT_GE(i3, 0);
  ASSERT_GE(a, 0);

  // GL 2.0 calls, loaded from the driver.
  const auto getUniformfv = testutil::GlProc<PFNGLGETUNIFORMFVPROC>("glGetUniformfv");
  const auto getUniformiv = testutil::GlProc<PFNGLGETUNIFORMIVPROC>("glGetUniformiv");
  const auto vertexAttrib4f = testutil::GlProc<PFNGLVERTEXATTRIB4FPROC>("glVertexAttrib4f");
  const auto getVertexAttribfv =
      testutil::GlProc<PFNGLGETVERTEXATTRIBFVPROC>("glGetVertexAttribfv");
  ASSERT_TRUE(getUniformfv && getUniformiv && vertexAttrib4f && getVertexAttribfv);
  float f[4] = {1.5f, 2.5f, 3.5f, 4.5f};
  float got[4] = {};
  s.SetUniform(u2, 1, f);  // one float is not a handled count
  getUniformfv(s.program, u2, got);
  EXPECT_EQ(got[0], 0.0f);
  s.SetUniform(u2, 2, f);
  getUniformfv(s.program, u2, got);
  EXPECT_EQ(got[0], 1.5f);
  EXPECT_EQ(got[1], 2.5f);
  s.SetUniform(u4, 5, f);
  getUniformfv(s.program, u4, got);
  EXPECT_EQ(got[3], 0.0f);
  s.SetUniform(u4, 4, f);
  getUniformfv(s.program, u4, got);
  EXPECT_EQ(got[3], 4.5f);

  int iv[3] = {7, 8, 9};
  int igot[3] = {};
  s.SetUniform(i3, 1, iv);
  getUniformiv(s.program, i3, igot);
  EXPECT_EQ(igot[0], 0);
  s.SetUniform(i3, 3, iv);
  getUniformiv(s.program, i3, igot);
  EXPECT_EQ(igot[2], 9);

  ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  float attr[4] = {};
  vertexAttrib4f(a, 0.25f, 0.25f, 0.25f, 0.25f);
  s.SetAttribute(a, 2, f);
  s.SetAttribute(a, 9.0f);
  getVertexAttribfv(a, GL_CURRENT_VERTEX_ATTRIB, attr);
  EXPECT_EQ(attr[0], 0.25f);
  s.SetAttribute(a, 3, f);
  getVertexAttribfv(a, GL_CURRENT_VERTEX_ATTRIB, attr);
  EXPECT_EQ(attr[0], 1.5f);
  EXPECT_EQ(attr[2], 3.5f);
  EXPECT_EQ(attr[3], 1.0f);  // three components: w defaults to 1
  s.Disable();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Shaders, ShaderFilesAreReadAsTextWithLineEndsNormalised) {
  EXPECT_EQ(ReadShaderFile(nullptr), nullptr);
  EXPECT_EQ(ReadShaderFile("no_such_shader.vert"), nullptr);
  testutil::WriteFile("empty.vert", "");
  EXPECT_EQ(ReadShaderFile("empty.vert"), nullptr);

  testutil::WriteFile("crlf.txt", "a\r\nb\rc\r\n");
  char* text = ReadShaderFile("crlf.txt");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::string(text), "a\nb\rc\n");
  delete[] text;

  // CR LF sources compile and link when loaded from files.
  testutil::WriteFile("t.vert", "void main()\r\n{\r\n gl_Position = gl_Vertex;\r\n}\r\n");
  testutil::WriteFile("t.frag", "void main()\r\n{\r\n gl_FragColor = vec4(1.0);\r\n}\r\n");
  const int before = _MaxFreeShaders;
  TShader fromFiles{};
  fromFiles.Load("t.vert", "t.frag");
  EXPECT_EQ(_MaxFreeShaders, before + 3);
  EXPECT_EQ(ObjectParam(fromFiles.program, GL_OBJECT_LINK_STATUS_ARB), 1);

  // An unreadable file leaves the object without a program and registers
  // nothing.
  TShader missing{};
  missing.Load("t.vert", "no_such_shader.frag");
  EXPECT_EQ(missing.program, 0u);
  EXPECT_EQ(_MaxFreeShaders, before + 3);
  EXPECT_NE(LogText().find("no_such_shader.frag"), std::string::npos);
}

TEST_F(Shaders, DestroyAfterTheContextIsGoneTouchesNoGlObject) {
  TShader s{};
  s.Create(kTestVertex, kTestFragment);
  const unsigned int program = s.program;
  ContextAlive = false;
  s.Destroy();
  ContextAlive = true;
  EXPECT_EQ(s.program, 0u);
  EXPECT_EQ(ObjectParam(program, GL_OBJECT_TYPE_ARB), GL_PROGRAM_OBJECT_ARB);
}

}  // namespace
