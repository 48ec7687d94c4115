// Billboard corners from the modelview matrix, and the billboard quad.
#include "scenes/billboard.h"

#include "platform/gl.h"

namespace velkor {

BillboardOffsets BillboardOffsetsFrom(const float m[16], float h) {
  const float r[3] = {m[0], m[4], m[8]};
  const float u[3] = {m[1], m[5], m[9]};
  BillboardOffsets o;
  for (int i = 0; i < 3; ++i) {
    o.a[i] = h * (-r[i] - u[i]);
    o.b[i] = h * (r[i] - u[i]);
    o.c[i] = h * (r[i] + u[i]);
    o.d[i] = h * (u[i] - r[i]);
  }
  return o;
}

void DrawBillboard(const float p[3], const BillboardOffsets& o) {
  glBegin(GL_QUADS);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.0f, 0.0f);
  glVertex3f(p[0] + o.a[0], p[1] + o.a[1], p[2] + o.a[2]);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.0f, 1.0f);
  glVertex3f(p[0] + o.b[0], p[1] + o.b[1], p[2] + o.b[2]);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 1.0f, 1.0f);
  glVertex3f(p[0] + o.c[0], p[1] + o.c[1], p[2] + o.c[2]);
  glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 1.0f, 0.0f);
  glVertex3f(p[0] + o.d[0], p[1] + o.d[1], p[2] + o.d[2]);
  glEnd();
}

}  // namespace velkor
