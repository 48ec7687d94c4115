// The fixed-function OpenGL 1.x calls the show makes, as the browser build
// provides them: declared in the velkor namespace so that the show's
// unqualified calls reach them instead of the WebGL functions of the same
// names, and carried out over WebGL 2 by web/gl.cpp. The constants and types
// are those of <GL/gl.h>.
#pragma once

#include <GL/gl.h>

namespace velkor {

// State.
void glEnable(GLenum cap);
void glDisable(GLenum cap);
void glHint(GLenum target, GLenum mode);
void glShadeModel(GLenum mode);
void glBlendFunc(GLenum sfactor, GLenum dfactor);
void glDepthFunc(GLenum func);
void glDepthMask(GLboolean flag);
void glCullFace(GLenum mode);
void glViewport(GLint x, GLint y, GLsizei width, GLsizei height);
void glScissor(GLint x, GLint y, GLsizei width, GLsizei height);
void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void glClearDepth(GLclampd depth);
void glClear(GLbitfield mask);
void glFlush();
void glFinish();
void glGetFloatv(GLenum pname, GLfloat* params);
void glGetIntegerv(GLenum pname, GLint* params);
void glPixelStorei(GLenum pname, GLint param);

// Matrices.
void glMatrixMode(GLenum mode);
void glLoadIdentity();
void glPushMatrix();
void glPopMatrix();
void glLoadMatrixf(const GLfloat* m);
void glMultMatrixf(const GLfloat* m);
void glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void glScalef(GLfloat x, GLfloat y, GLfloat z);
void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY, GLdouble centerZ,
               GLdouble upX, GLdouble upY, GLdouble upZ);

// Immediate mode.
void glBegin(GLenum mode);
void glEnd();
void glVertex3f(GLfloat x, GLfloat y, GLfloat z);
void glNormal3f(GLfloat x, GLfloat y, GLfloat z);
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void glTexCoord1f(GLfloat s);
void glTexCoord2f(GLfloat s, GLfloat t);
void glTexCoord3f(GLfloat s, GLfloat t, GLfloat r);
void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
void glMultiTexCoord1fARB(GLenum unit, GLfloat s);
void glMultiTexCoord2fARB(GLenum unit, GLfloat s, GLfloat t);
void glMultiTexCoord3fARB(GLenum unit, GLfloat s, GLfloat t, GLfloat r);
void glMultiTexCoord4fARB(GLenum unit, GLfloat s, GLfloat t, GLfloat r, GLfloat q);
void glActiveTextureARB(GLenum unit);
void glClientActiveTextureARB(GLenum unit);

// Lighting and fog.
void glLightf(GLenum light, GLenum pname, GLfloat param);
void glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void glFogf(GLenum pname, GLfloat param);
void glFogi(GLenum pname, GLint param);
void glFogfv(GLenum pname, const GLfloat* params);

// Textures: internal formats 3 / GL_RGB and 4 / GL_RGBA from GL_RGB or
// GL_RGBA unsigned bytes, as GLU would hand them over.
void glGenTextures(GLsizei n, GLuint* textures);
void glDeleteTextures(GLsizei n, const GLuint* textures);
void glBindTexture(GLenum target, GLuint texture);
void glTexParameteri(GLenum target, GLenum pname, GLint param);
void glTexParameterf(GLenum target, GLenum pname, GLfloat param);
void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height, GLint border,
                  GLenum format, GLenum type, const void* pixels);
GLint gluBuild2DMipmaps(GLenum target, GLint components, GLint width, GLint height, GLenum format, GLenum type,
                        const void* data);

// Accepted and ignored: the page keeps no attribute stack and always
// modulates. The show saves attributes and sets the environment only around
// its warm-up draws, which the page does not make (PlatformGlNeedsWarmUp).
void glPushAttrib(GLbitfield mask);
void glPopAttrib();
void glTexEnvi(GLenum target, GLenum pname, GLint param);

// The multitexture calls are always there.
bool FetchMultitextureEntryPoints();
void* PlatformGetProcAddress(const char* name);

// The browser build's own: compiles the shader and makes the buffers once
// the WebGL context is current; draws whatever is batched (at the end of a frame).
bool StartWebGl();
void FlushWebGl();

}  // namespace velkor
