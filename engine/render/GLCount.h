// Render (internal): the counting layer over the engine's OpenGL calls.
//
// Every engine source that calls OpenGL includes this header after its
// other includes. Each GL (and GLU) entry point the engine uses is wrapped
// by a function-like macro of the same name that bumps a counter and then
// makes the call itself (a macro is not expanded again inside its own
// expansion), so the cost is one increment a call. Draw calls and texture
// binds are counted on their own as well; tests read the counters around
// a frame to hold the number of calls a frame down.
//
// A name used without a line here goes uncounted: tests/test_gl_calls.cpp
// checks that every GL name the engine's sources call has one. Write calls
// through the cgl pointers by their bare names (`using namespace cgl;`):
// `cgl::glName(` cannot be wrapped.
#ifndef CORVANE_GLCOUNT_H
#define CORVANE_GLCOUNT_H

#include "render/GLExt.h"

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

namespace cgl {
// Running totals since the process started; never reset, so readers take
// differences.
struct GLCallCounts {
  unsigned long long calls = 0;         // every GL and GLU call
  unsigned long long draws = 0;         // glBegin, glDrawArrays, glDrawElements
  unsigned long long textureBinds = 0;  // glBindTexture
};
extern GLCallCounts GLCalls;
}  // namespace cgl

#define CORVANE_GL_CALL(call) (++::cgl::GLCalls.calls, call)
#define CORVANE_GL_DRAW(call) (++::cgl::GLCalls.calls, ++::cgl::GLCalls.draws, call)

// Draws and binds.
#define glBegin(...) CORVANE_GL_DRAW(glBegin(__VA_ARGS__))
#define glDrawArrays(...) CORVANE_GL_DRAW(glDrawArrays(__VA_ARGS__))
#define glDrawElements(...) CORVANE_GL_DRAW(glDrawElements(__VA_ARGS__))
#define glBindTexture(...) \
  (++::cgl::GLCalls.calls, ++::cgl::GLCalls.textureBinds, glBindTexture(__VA_ARGS__))

// Everything else, in name order.
#define glAttachObjectARB(...) CORVANE_GL_CALL(glAttachObjectARB(__VA_ARGS__))
#define glBindBufferARB(...) CORVANE_GL_CALL(glBindBufferARB(__VA_ARGS__))
#define glBlendFunc(...) CORVANE_GL_CALL(glBlendFunc(__VA_ARGS__))
#define glBufferDataARB(...) CORVANE_GL_CALL(glBufferDataARB(__VA_ARGS__))
#define glBufferSubDataARB(...) CORVANE_GL_CALL(glBufferSubDataARB(__VA_ARGS__))
#define glClear(...) CORVANE_GL_CALL(glClear(__VA_ARGS__))
#define glClearColor(...) CORVANE_GL_CALL(glClearColor(__VA_ARGS__))
#define glClearDepth(...) CORVANE_GL_CALL(glClearDepth(__VA_ARGS__))
#define glColor4f(...) CORVANE_GL_CALL(glColor4f(__VA_ARGS__))
#define glColorPointer(...) CORVANE_GL_CALL(glColorPointer(__VA_ARGS__))
#define glCompileShaderARB(...) CORVANE_GL_CALL(glCompileShaderARB(__VA_ARGS__))
#define glCreateProgramObjectARB(...) CORVANE_GL_CALL(glCreateProgramObjectARB(__VA_ARGS__))
#define glCreateShaderObjectARB(...) CORVANE_GL_CALL(glCreateShaderObjectARB(__VA_ARGS__))
#define glDeleteBuffersARB(...) CORVANE_GL_CALL(glDeleteBuffersARB(__VA_ARGS__))
#define glDeleteObjectARB(...) CORVANE_GL_CALL(glDeleteObjectARB(__VA_ARGS__))
#define glDepthFunc(...) CORVANE_GL_CALL(glDepthFunc(__VA_ARGS__))
#define glDepthMask(...) CORVANE_GL_CALL(glDepthMask(__VA_ARGS__))
#define glDisable(...) CORVANE_GL_CALL(glDisable(__VA_ARGS__))
#define glDisableClientState(...) CORVANE_GL_CALL(glDisableClientState(__VA_ARGS__))
#define glEnable(...) CORVANE_GL_CALL(glEnable(__VA_ARGS__))
#define glEnableClientState(...) CORVANE_GL_CALL(glEnableClientState(__VA_ARGS__))
#define glEnableVertexAttribArrayARB(...) CORVANE_GL_CALL(glEnableVertexAttribArrayARB(__VA_ARGS__))
#define glEnd(...) CORVANE_GL_CALL(glEnd(__VA_ARGS__))
#define glFinish(...) CORVANE_GL_CALL(glFinish(__VA_ARGS__))
#define glGenBuffersARB(...) CORVANE_GL_CALL(glGenBuffersARB(__VA_ARGS__))
#define glGenTextures(...) CORVANE_GL_CALL(glGenTextures(__VA_ARGS__))
#define glGetAttribLocationARB(...) CORVANE_GL_CALL(glGetAttribLocationARB(__VA_ARGS__))
#define glGetDoublev(...) CORVANE_GL_CALL(glGetDoublev(__VA_ARGS__))
#define glGetError(...) CORVANE_GL_CALL(glGetError(__VA_ARGS__))
#define glGetFloatv(...) CORVANE_GL_CALL(glGetFloatv(__VA_ARGS__))
#define glGetInfoLogARB(...) CORVANE_GL_CALL(glGetInfoLogARB(__VA_ARGS__))
#define glGetIntegerv(...) CORVANE_GL_CALL(glGetIntegerv(__VA_ARGS__))
#define glGetObjectParameterivARB(...) CORVANE_GL_CALL(glGetObjectParameterivARB(__VA_ARGS__))
#define glGetString(...) CORVANE_GL_CALL(glGetString(__VA_ARGS__))
#define glGetUniformLocationARB(...) CORVANE_GL_CALL(glGetUniformLocationARB(__VA_ARGS__))
#define glHint(...) CORVANE_GL_CALL(glHint(__VA_ARGS__))
#define glLinkProgramARB(...) CORVANE_GL_CALL(glLinkProgramARB(__VA_ARGS__))
#define glLineWidth(...) CORVANE_GL_CALL(glLineWidth(__VA_ARGS__))
#define glLoadIdentity(...) CORVANE_GL_CALL(glLoadIdentity(__VA_ARGS__))
#define glMatrixMode(...) CORVANE_GL_CALL(glMatrixMode(__VA_ARGS__))
#define glNormalPointer(...) CORVANE_GL_CALL(glNormalPointer(__VA_ARGS__))
#define glPixelStorei(...) CORVANE_GL_CALL(glPixelStorei(__VA_ARGS__))
#define glPointSize(...) CORVANE_GL_CALL(glPointSize(__VA_ARGS__))
#define glPopAttrib(...) CORVANE_GL_CALL(glPopAttrib(__VA_ARGS__))
#define glPopMatrix(...) CORVANE_GL_CALL(glPopMatrix(__VA_ARGS__))
#define glPushAttrib(...) CORVANE_GL_CALL(glPushAttrib(__VA_ARGS__))
#define glPushMatrix(...) CORVANE_GL_CALL(glPushMatrix(__VA_ARGS__))
#define glReadPixels(...) CORVANE_GL_CALL(glReadPixels(__VA_ARGS__))
#define glRotatef(...) CORVANE_GL_CALL(glRotatef(__VA_ARGS__))
#define glScalef(...) CORVANE_GL_CALL(glScalef(__VA_ARGS__))
#define glScissor(...) CORVANE_GL_CALL(glScissor(__VA_ARGS__))
#define glShadeModel(...) CORVANE_GL_CALL(glShadeModel(__VA_ARGS__))
#define glShaderSourceARB(...) CORVANE_GL_CALL(glShaderSourceARB(__VA_ARGS__))
#define glTexCoord2d(...) CORVANE_GL_CALL(glTexCoord2d(__VA_ARGS__))
#define glTexCoord2f(...) CORVANE_GL_CALL(glTexCoord2f(__VA_ARGS__))
#define glTexCoordPointer(...) CORVANE_GL_CALL(glTexCoordPointer(__VA_ARGS__))
#define glTexImage2D(...) CORVANE_GL_CALL(glTexImage2D(__VA_ARGS__))
#define glTexParameteri(...) CORVANE_GL_CALL(glTexParameteri(__VA_ARGS__))
#define glTranslated(...) CORVANE_GL_CALL(glTranslated(__VA_ARGS__))
#define glTranslatef(...) CORVANE_GL_CALL(glTranslatef(__VA_ARGS__))
#define glUniform1fARB(...) CORVANE_GL_CALL(glUniform1fARB(__VA_ARGS__))
#define glUniform1fvARB(...) CORVANE_GL_CALL(glUniform1fvARB(__VA_ARGS__))
#define glUniform1iARB(...) CORVANE_GL_CALL(glUniform1iARB(__VA_ARGS__))
#define glUniform2fARB(...) CORVANE_GL_CALL(glUniform2fARB(__VA_ARGS__))
#define glUniform2iARB(...) CORVANE_GL_CALL(glUniform2iARB(__VA_ARGS__))
#define glUniform3fARB(...) CORVANE_GL_CALL(glUniform3fARB(__VA_ARGS__))
#define glUniform3iARB(...) CORVANE_GL_CALL(glUniform3iARB(__VA_ARGS__))
#define glUniform4fARB(...) CORVANE_GL_CALL(glUniform4fARB(__VA_ARGS__))
#define glUniform4iARB(...) CORVANE_GL_CALL(glUniform4iARB(__VA_ARGS__))
#define glUseProgramObjectARB(...) CORVANE_GL_CALL(glUseProgramObjectARB(__VA_ARGS__))
#define glVertex2d(...) CORVANE_GL_CALL(glVertex2d(__VA_ARGS__))
#define glVertex2f(...) CORVANE_GL_CALL(glVertex2f(__VA_ARGS__))
#define glVertex3f(...) CORVANE_GL_CALL(glVertex3f(__VA_ARGS__))
#define glVertexAttrib3fARB(...) CORVANE_GL_CALL(glVertexAttrib3fARB(__VA_ARGS__))
#define glVertexAttrib4fARB(...) CORVANE_GL_CALL(glVertexAttrib4fARB(__VA_ARGS__))
#define glVertexAttribPointerARB(...) CORVANE_GL_CALL(glVertexAttribPointerARB(__VA_ARGS__))
#define glVertexPointer(...) CORVANE_GL_CALL(glVertexPointer(__VA_ARGS__))
#define glViewport(...) CORVANE_GL_CALL(glViewport(__VA_ARGS__))
#define gluBuild2DMipmaps(...) CORVANE_GL_CALL(gluBuild2DMipmaps(__VA_ARGS__))
#define gluErrorString(...) CORVANE_GL_CALL(gluErrorString(__VA_ARGS__))
#define gluLookAt(...) CORVANE_GL_CALL(gluLookAt(__VA_ARGS__))
#define gluOrtho2D(...) CORVANE_GL_CALL(gluOrtho2D(__VA_ARGS__))
#define gluPerspective(...) CORVANE_GL_CALL(gluPerspective(__VA_ARGS__))
#define gluUnProject(...) CORVANE_GL_CALL(gluUnProject(__VA_ARGS__))

#endif
