// Material textures, sprites and masks of the stand-in data set. Textures that
// repeat over a mesh use periodic noise so they tile without seams.

#include <cmath>

#include "proc/maths.h"
#include "tools/standin/exact/exact_math.h"
#include "tools/standin/standin_images.h"

namespace velkor {

using namespace paint;

namespace {

// One soft dot per cell with the given probability; periodic over cells.
double Speckle(double u, double v, int cells, std::uint32_t seed, double probability, double radius) {
  const double x = u * cells;
  const double y = v * cells;
  const int ix = static_cast<int>(std::floor(x));
  const int iy = static_cast<int>(std::floor(y));
  const int cx = ((ix % cells) + cells) % cells;
  const int cy = ((iy % cells) + cells) % cells;
  if (Lattice(cx, cy, seed) > probability) return 0.0;
  const double px = ix + 0.3 + 0.4 * Lattice(cx, cy, seed + 1U);
  const double py = iy + 0.3 + 0.4 * Lattice(cx, cy, seed + 2U);
  return Coverage(CircleDistance(x, y, px, py, radius), 0.06);
}

Rgb GreyRgb(double g) { return {g, g, g}; }

double RoundedBoxDistance(double x, double y, double cx, double cy, double hx, double hy, double r) {
  const double qx = std::fabs(x - cx) - hx + r;
  const double qy = std::fabs(y - cy) - hy + r;
  const double ox = qx > 0 ? qx : 0.0;
  const double oy = qy > 0 ? qy : 0.0;
  const double inner = qx > qy ? qx : qy;
  return std::sqrt(ox * ox + oy * oy) + (inner < 0 ? inner : 0.0) - r;
}

}  // namespace

// ---- Scene 0 -------------------------------------------------------------

StandinImage PaintMeadowTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double n = Fbm(u * 4, v * 4, 11U, 5, 4);
    const double blades = ValueNoise(u * 96, v * 24, 12U, 24);
    Rgb c = Mix(Hex(0x3f6a2c), Hex(0x8fb050), SmoothStep(0.2, 0.8, n));
    c = Scale(c, 0.82 + 0.3 * blades);
    c = Mix(c, Hex(0xf3e27a), Speckle(u, v, 28, 13U, 0.10, 0.16) * 0.9);
    c = Mix(c, Hex(0xf6f1f4), Speckle(u, v, 22, 14U, 0.06, 0.14) * 0.9);
    return c;
  });
}

StandinImage PaintRockTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double warp = Fbm(u * 4, v * 4, 21U, 5, 4);
    const double layer = SinSeries(2 * kPi * (v * 5 + warp * 1.3));
    Rgb c = Mix(Hex(0x5a4c43), Hex(0xa8937c), 0.5 + 0.5 * layer);
    c = Mix(c, Hex(0x8a8a86), SmoothStep(0.55, 0.8, Fbm(u * 8, v * 8, 24U, 3, 8)) * 0.5);
    const CellDistances cell = CellNoise(u * 6, v * 6, 22U, 6);
    const double crack = 1.0 - SmoothStep(0.0, 0.07, cell.second - cell.nearest);
    c = Scale(c, 1.0 - 0.45 * crack);
    return Scale(c, 0.85 + 0.3 * ValueNoise(u * 128, v * 128, 23U, 128));
  });
}

StandinImage PaintSnowTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double n = Fbm(u * 4, v * 4, 31U, 5, 4);
    Rgb c = Mix(Hex(0xaebfd8), Hex(0xfbfdff), SmoothStep(0.2, 0.7, n));
    return Mix(c, Hex(0xffffff), Speckle(u, v, 64, 32U, 0.15, 0.1));
  });
}

StandinImage PaintPetalTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    Rgb c = Mix(Hex(0xffe0a0), Hex(0xf29ab8), SmoothStep(0.1, 0.9, v));
    const double vein =
        1.0 - SmoothStep(0.0, 0.05, std::fabs(SinSeries(2 * kPi * (u * 6 + 0.3 * Fbm(u * 3, v * 3, 41U, 3)))));
    c = Mix(c, Hex(0xfff6e8), vein * 0.5);
    return Scale(c, 0.9 + 0.2 * Fbm(u * 8, v * 8, 42U, 3));
  });
}

// ---- Scene 2 -------------------------------------------------------------

StandinImage PaintGlowSprite() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double r = std::sqrt((u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5));
    double g = 0.34 * ExpSeries(-(r / 0.11) * (r / 0.11)) + 0.07 * ExpSeries(-(r / 0.26) * (r / 0.26));
    g *= 1.0 - SmoothStep(0.36, 0.5, r);
    return Rgb{g * 0.72, g * 0.9, g};
  });
}

StandinImage PaintSparkSprite() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double dx = std::fabs(u - 0.5);
    const double dy = std::fabs(v - 0.5);
    const double r = std::sqrt(dx * dx + dy * dy);
    double g = ExpSeries(-dx * 60) * ExpSeries(-dy * 7) + ExpSeries(-dy * 60) * ExpSeries(-dx * 7) +
               0.8 * ExpSeries(-(r / 0.06) * (r / 0.06));
    g *= 1.0 - SmoothStep(0.4, 0.5, r);
    return Rgb{g, g * 0.92, g * 0.8};
  });
}

namespace {

// Distance from the inner edge of the overlay frame, in screen-height units
// (the square texture is stretched over a 4:3 quad): positive in the border.
// The quad lies 2 units from the eye, so a 45-degree view shows only its
// middle 83 percent: the border reaches 14 percent in from each edge.
double OverlayBorderDistance(double u, double v) {
  const double x = u * 4.0 / 3.0;
  return RoundedBoxDistance(x, v, 2.0 / 3.0, 0.5, (0.5 - 0.14) * 4.0 / 3.0, 0.5 - 0.14, 0.07);
}

double OverlayGoldLine(double d) { return 1.0 - SmoothStep(0.0025, 0.0055, std::fabs(d - 0.022)); }

}  // namespace

StandinImage PaintFrameOverlay() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double d = OverlayBorderDistance(u, v);
    const double pattern = Fbm(u * 12, v * 9, 51U, 3);
    Rgb c = Mix(Hex(0x0a1830), Hex(0x1b3560), SmoothStep(0.0, 0.09, d) * 0.6 + pattern * 0.4);
    const double inner = SmoothStep(-0.2, 0.0, d);
    c = Mix(Hex(0x06101f), c, inner);
    return Mix(c, Hex(0xe0bc68), OverlayGoldLine(d));
  });
}

StandinImage PaintFrameOverlayMask() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double d = OverlayBorderDistance(u, v);
    double a =
        0.9 * SmoothStep(-0.01, 0.015, d) + 0.3 * SmoothStep(-0.22, 0.0, d) * (1.0 - SmoothStep(-0.01, 0.015, d));
    a = a > OverlayGoldLine(d) ? a : OverlayGoldLine(d);
    return GreyRgb(a);
  });
}

// ---- Scene 3 -------------------------------------------------------------

StandinImage PaintMarbleTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double w = Fbm(u * 3, v * 3, 61U, 5, 3);
    const double s = SinSeries(2 * kPi * (u * 2 + v + 1.6 * w));
    Rgb c = Mix(Hex(0xd8dde6), Hex(0xf8f6f1), Fbm(u * 6, v * 6, 62U, 4, 6));
    const double vein = 1.0 - SmoothStep(0.0, 0.12, std::fabs(s));
    return Mix(c, Hex(0x7d88a0), vein * 0.7);
  });
}

StandinImage PaintBronzeTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double n = Fbm(u * 3, v * 3, 71U, 4, 3);
    const double brushed = ValueNoise(u * 4, v * 128, 72U, 4) * 0.5 + ValueNoise(u * 8, v * 64, 73U, 8) * 0.5;
    Rgb c = Mix(Hex(0x6a3d16), Hex(0xe6b04e), SmoothStep(0.2, 0.8, n));
    c = Scale(c, 0.8 + 0.35 * brushed);
    return Mix(c, Hex(0xfff0c0), 0.3 * ExpSeries(-((v - 0.3) * 6) * ((v - 0.3) * 6)));
  });
}

StandinImage PaintSlateTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const int tx = static_cast<int>(u * 4);
    const int ty = static_cast<int>(v * 4);
    const double gx = std::fabs(Fract(u * 4) - 0.5);
    const double gy = std::fabs(Fract(v * 4) - 0.5);
    const double grout = SmoothStep(0.46, 0.49, gx > gy ? gx : gy);
    Rgb c = Mix(Hex(0x2a3850), Hex(0x4a5e80), Lattice(tx, ty, 81U));
    c = Scale(c, 0.8 + 0.4 * Fbm(u * 8, v * 8, 82U, 4, 8));
    return Mix(c, Hex(0x10151f), grout);
  });
}

namespace {

Rgb Iridescent(double t) {
  return {0.62 + 0.32 * CosSeries(2 * kPi * (t + 0.0)), 0.62 + 0.32 * CosSeries(2 * kPi * (t + 0.33)),
          0.72 + 0.28 * CosSeries(2 * kPi * (t + 0.67))};
}

}  // namespace

StandinImage PaintGlassTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    return Iridescent(v * 1.5 + 0.8 * Fbm(u * 3, v * 3, 91U, 4, 3));
  });
}

StandinImage PaintGlassAlpha() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double bands = 0.5 + 0.5 * SinSeries(2 * kPi * (v * 6 + 0.6 * Fbm(u * 2, v * 2, 92U, 3, 2)));
    return GreyRgb(0.22 + 0.5 * bands * bands);
  });
}

StandinImage PaintGoldGlow() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double r = 2.0 * std::sqrt((u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5));
    double a = 0.85 * ExpSeries(-(r * 3.0) * (r * 3.0)) + 0.25 * ExpSeries(-(r * 1.6) * (r * 1.6));
    a *= 1.0 - SmoothStep(0.72, 1.0, r);
    a = a > 1.0 ? 1.0 : a;
    const double core = ExpSeries(-(r * 7) * (r * 7));
    // Red is the alpha; green and blue stay below it (premultiplied colour).
    return Rgb{a, a * (0.78 + 0.22 * core), a * (0.45 + 0.55 * core)};
  });
}

// ---- Scene 4 -------------------------------------------------------------

StandinImage PaintCausticTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double wu = u + 0.04 * (Fbm(u * 4, v * 4, 101U, 3, 4) - 0.5);
    const double wv = v + 0.04 * (Fbm(u * 4, v * 4, 102U, 3, 4) - 0.5);
    const CellDistances a = CellNoise(wu * 5, wv * 5, 103U, 5);
    const CellDistances b = CellNoise(wu * 8, wv * 8, 104U, 8);
    const double la = ExpSeries(-((a.second - a.nearest) * 9) * ((a.second - a.nearest) * 9));
    const double lb = ExpSeries(-((b.second - b.nearest) * 11) * ((b.second - b.nearest) * 11));
    const double l = la > 0.7 * lb ? la : 0.7 * lb;
    Rgb c = Mix(Hex(0x03242e), Hex(0x0d5a5a), Fbm(u * 3, v * 3, 105U, 3, 3));
    return Mix(c, Hex(0x9ff7df), l);
  });
}

StandinImage PaintRippleTexture() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double warp = Fbm(u * 3, v * 3, 112U, 4, 3);
    const double wave = 0.5 + 0.5 * SinSeries(2 * kPi * (u * 2 + v * 4 + 0.8 * warp));
    const double crest = wave * wave * wave * wave * wave * wave;
    const double n = Fbm(u * 4, v * 4, 113U, 4, 4);
    Rgb c = Mix(Hex(0x08261f), Hex(0x2a7a5a), SmoothStep(0.3, 0.8, n));
    return Mix(c, Hex(0xc8f8d0), crest * 0.8);
  });
}

}  // namespace velkor
