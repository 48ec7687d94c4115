// Full-screen quads in eye space.
#include "scenes/layers.h"

#include "platform/gl.h"

namespace velkor {

namespace {
const float kCorners[4][2] = {{-1.33f, -1.0f}, {-1.33f, 1.0f}, {1.33f, 1.0f}, {1.33f, -1.0f}};
const float kCornerTexCoords[4][2] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
}  // namespace

void DrawScreenQuad(float z) {
  glBegin(GL_QUADS);
  for (const auto& c : kCorners) glVertex3f(c[0], c[1], z);
  glEnd();
}

void DrawTexturedScreenQuad(float z) {
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glMultiTexCoord2fARB(GL_TEXTURE0_ARB, kCornerTexCoords[i][0], kCornerTexCoords[i][1]);
    glVertex3f(kCorners[i][0], kCorners[i][1], z);
  }
  glEnd();
}

void DrawFadeLayer(const FadeColour& colour) {
  glColor4f(colour.r, colour.g, colour.b, colour.a);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glLoadIdentity();
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  DrawScreenQuad(-2.4f);
}

}  // namespace velkor
