// Billboards that face the viewer, for the glowing particles and sprites: the
// corner offsets come from the current modelview matrix, once per frame.
#pragma once

namespace velkor {

// Corner offsets of a billboard facing the viewer, from a column-major
// modelview matrix: a = h(-R - U), b = h(R - U), c = h(R + U), d = h(U - R),
// with R = (m0, m4, m8) and U = (m1, m5, m9).
struct BillboardOffsets {
  float a[3], b[3], c[3], d[3];
};
BillboardOffsets BillboardOffsetsFrom(const float m[16], float halfSize);

// One textured quad around p: (0, 0) at p + a, (0, 1) at p + b, (1, 1) at p + c,
// (1, 0) at p + d, coordinates on unit 0.
void DrawBillboard(const float p[3], const BillboardOffsets& offsets);

}  // namespace velkor
