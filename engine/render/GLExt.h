// Render (internal): the OpenGL entry points the engine binds by name at
// start-up (buffer objects, point parameters, ARB shader objects, uniforms,
// object queries and generic vertex attributes). Engine sources only.
//
// Each pointer is named after its entry point and lives in namespace cgl so
// it never clashes with symbols exported by the system's GL library. Use
// `using namespace cgl;` in a .cpp file and call them by their GL names.
#ifndef CORVANE_GLEXT_H
#define CORVANE_GLEXT_H

#include <GL/gl.h>
#include <GL/glext.h>

// X-macro: (entry point, pointer type), in the order they are fetched.
#define CORVANE_GL_ENTRY_POINTS(X)                                     \
  X(glGenBuffersARB, PFNGLGENBUFFERSARBPROC)                           \
  X(glBindBufferARB, PFNGLBINDBUFFERARBPROC)                           \
  X(glBufferDataARB, PFNGLBUFFERDATAARBPROC)                           \
  X(glDeleteBuffersARB, PFNGLDELETEBUFFERSARBPROC)                     \
  X(glBufferSubDataARB, PFNGLBUFFERSUBDATAARBPROC)                     \
  X(glPointParameterfvARB, PFNGLPOINTPARAMETERFVARBPROC)               \
  X(glPointParameterfARB, PFNGLPOINTPARAMETERFARBPROC)                 \
  X(glCreateShaderObjectARB, PFNGLCREATESHADEROBJECTARBPROC)           \
  X(glShaderSourceARB, PFNGLSHADERSOURCEARBPROC)                       \
  X(glCompileShaderARB, PFNGLCOMPILESHADERARBPROC)                     \
  X(glCreateProgramObjectARB, PFNGLCREATEPROGRAMOBJECTARBPROC)         \
  X(glAttachObjectARB, PFNGLATTACHOBJECTARBPROC)                       \
  X(glLinkProgramARB, PFNGLLINKPROGRAMARBPROC)                         \
  X(glUseProgramObjectARB, PFNGLUSEPROGRAMOBJECTARBPROC)               \
  X(glDeleteObjectARB, PFNGLDELETEOBJECTARBPROC)                       \
  X(glGetUniformLocationARB, PFNGLGETUNIFORMLOCATIONARBPROC)           \
  X(glUniform1fARB, PFNGLUNIFORM1FARBPROC)                             \
  X(glUniform2fARB, PFNGLUNIFORM2FARBPROC)                             \
  X(glUniform3fARB, PFNGLUNIFORM3FARBPROC)                             \
  X(glUniform1fvARB, PFNGLUNIFORM1FVARBPROC)                           \
  X(glUniform2fvARB, PFNGLUNIFORM2FVARBPROC)                           \
  X(glUniform3fvARB, PFNGLUNIFORM3FVARBPROC)                           \
  X(glUniform4fvARB, PFNGLUNIFORM4FVARBPROC)                           \
  X(glUniform4fARB, PFNGLUNIFORM4FARBPROC)                             \
  X(glUniform1iARB, PFNGLUNIFORM1IARBPROC)                             \
  X(glUniform2iARB, PFNGLUNIFORM2IARBPROC)                             \
  X(glUniform3iARB, PFNGLUNIFORM3IARBPROC)                             \
  X(glUniform4iARB, PFNGLUNIFORM4IARBPROC)                             \
  X(glGetObjectParameterivARB, PFNGLGETOBJECTPARAMETERIVARBPROC)       \
  X(glGetInfoLogARB, PFNGLGETINFOLOGARBPROC)                           \
  X(glGetAttribLocationARB, PFNGLGETATTRIBLOCATIONARBPROC)             \
  X(glVertexAttrib3fARB, PFNGLVERTEXATTRIB3FARBPROC)                   \
  X(glVertexAttrib4fARB, PFNGLVERTEXATTRIB4FARBPROC)                   \
  X(glEnableVertexAttribArrayARB, PFNGLENABLEVERTEXATTRIBARRAYARBPROC) \
  X(glVertexAttribPointerARB, PFNGLVERTEXATTRIBPOINTERARBPROC)

namespace cgl {
#define CORVANE_DECLARE_ENTRY(name, type) extern type name;
CORVANE_GL_ENTRY_POINTS(CORVANE_DECLARE_ENTRY)
#undef CORVANE_DECLARE_ENTRY

// Number of entry points in the table above (35).
extern const int EntryPointCount;

// Fetches every entry point through the platform's lookup, in table order.
// Returns the name of the first one that is missing, or nullptr when all
// are bound.
const char* LoadEntryPoints();

// True once LoadEntryPoints has bound every entry point and the context is
// current; false before start-up and after shutdown, so late GL work can be
// skipped instead of calling into a dead context.
extern bool ContextAlive;
}  // namespace cgl

#endif
