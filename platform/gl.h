// OpenGL and GLU for the whole system, plus the ARB multitexture entry points,
// which are looked up by name once a context is current.
#pragma once
#ifdef VELKOR_WEB
// In a browser the same calls reach the fixed-function layer over WebGL.
#include "platform/web/gl.h"
#else
#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>

namespace velkor {

// Declared inside the namespace so that the system's calls reach these pointers
// rather than the prototypes of the same names in <GL/gl.h>.
extern PFNGLMULTITEXCOORD1FARBPROC glMultiTexCoord1fARB;
extern PFNGLMULTITEXCOORD2FARBPROC glMultiTexCoord2fARB;
extern PFNGLMULTITEXCOORD3FARBPROC glMultiTexCoord3fARB;
extern PFNGLMULTITEXCOORD4FARBPROC glMultiTexCoord4fARB;
extern PFNGLACTIVETEXTUREARBPROC glActiveTextureARB;
extern PFNGLCLIENTACTIVETEXTUREARBPROC glClientActiveTextureARB;

// Looks the six entry points up with the current context, in their fixed order.
// Where the extension is missing, unit 0 falls back to core calls
// (glTexCoord2f, unit selection ignored), so no null pointer is ever called.
// Returns false when that fallback is in use.
bool FetchMultitextureEntryPoints();

// Address of a GL function in the current context, or null.
void* PlatformGetProcAddress(const char* name);

}  // namespace velkor
#endif  // VELKOR_WEB

namespace velkor {

// Whether the GL answers proxy-texture queries (OpenGL 1.1 and later), as
// gluBuild2DMipmaps asks before it picks a size. Asked with a current context.
bool PlatformHasProxyTextures();

// Asked through the proxy: whether the GL would hold `level` of a texture
// of that size, internal components and format of unsigned bytes.
bool PlatformProxyTextureFits(GLint level, GLint components, GLsizei width, GLsizei height, GLenum format);

// Whether the GL prepares its work for a combination of draw state only when
// it first draws with it, so that a draw made ahead spares the frame that
// first needs it.
bool PlatformGlNeedsWarmUp();

}  // namespace velkor
