// Illustrations of the stand-in data set: the bird picture, the poem strip, the
// figure overlay, the pond pictures, the honeycomb background and the framed
// pictures with their cameo mask.

#include <algorithm>
#include <cmath>

#include "proc/maths.h"
#include "tools/standin/bitmap_font.h"
#include "tools/standin/exact/exact_math.h"
#include "tools/standin/standin_images.h"

namespace velkor {

using namespace paint;

namespace {

constexpr double kWide = 4.0 / 3.0;

// The scene is 4:3 across the square picture (see the photographs' PaintWide
// for why theirs is a separate formula).
template <typename Scene>
StandinImage PaintWide(int size, Scene scene) {
  return Paint(size, size, [&](double u, double v) { return scene(u * kWide, v); });
}

double Min(double a, double b) { return a < b ? a : b; }
double Max(double a, double b) { return a > b ? a : b; }

Rgb Glow(Rgb c, double d, Rgb colour, double strength, double falloff) {
  return Screen(c, Scale(colour, strength * ExpSeries(-Max(d, 0.0) * falloff)));
}

// ---- Bird on a branch at sunset ----

double BirdDistance(double x, double y) {
  double d = CircleDistance(x, y, 0.66, 0.5, 0.045);
  d = Min(d, EllipseDistance(x, y, 0.725, 0.575, 0.1, 0.062, 0.5));
  const double beak[] = {0.625, 0.486, 0.575, 0.505, 0.625, 0.516};
  d = Min(d, PolygonDistance(beak, 3, x, y));
  const double tail[] = {0.78, 0.6, 0.91, 0.71, 0.885, 0.728, 0.765, 0.64};
  d = Min(d, PolygonDistance(tail, 4, x, y));
  d = Min(d, SegmentDistance(x, y, 0.71, 0.62, 0.703, 0.695) - 0.004);
  d = Min(d, SegmentDistance(x, y, 0.74, 0.62, 0.745, 0.695) - 0.004);
  return d;
}

double BranchY(double x) { return 0.7 + 0.06 * ((x - 0.75) / 0.75) * ((x - 0.75) / 0.75) - 0.015 * SinSeries(x * 9); }

double BranchDistance(double x, double y) {
  const double thickness = 0.004 + 0.016 * Clamp01(1.0 - x / kWide);
  double d = std::fabs(y - BranchY(x)) - thickness;
  // A twig with leaves.
  d = Min(d, SegmentDistance(x, y, 0.35, BranchY(0.35), 0.45, 0.6) - 0.003);
  for (int k = 0; k < 5; ++k) {
    const double lx = 0.38 + 0.02 * k + 0.004 * k * k;
    const double ly = BranchY(0.35) + (0.6 - BranchY(0.35)) * (lx - 0.35) / 0.1;
    d = Min(d, EllipseDistance(x, y, lx + 0.012, ly - 0.015 + 0.03 * (k % 2), 0.022, 0.008, (k % 2 ? 0.6 : -0.6)));
  }
  return d;
}

Rgb BirdScene(double x, double y) {
  Rgb c = y < 0.45 ? Mix(Hex(0x2a1640), Hex(0xc24a3a), SmoothStep(0.0, 0.45, y))
                   : Mix(Hex(0xc24a3a), Hex(0xffb25e), SmoothStep(0.45, 1.0, y));
  const double sun = CircleDistance(x, y, 0.78, 0.56, 0.24);
  c = Glow(c, sun, Hex(0xffa860), 0.5, 5.0);
  c = Mix(c, Mix(Hex(0xffe0a0), Hex(0xffb070), SmoothStep(0.35, 0.8, y)), Coverage(sun, 0.002));
  // Distant flock.
  for (int k = 0; k < 5; ++k) {
    const double bx = 0.15 + 0.09 * k + 0.03 * Lattice(k, 0, 301U);
    const double by = 0.16 + 0.08 * Lattice(k, 1, 301U);
    const double s = 0.012 + 0.006 * Lattice(k, 2, 301U);
    const double wing = Min(SegmentDistance(x, y, bx - s, by - s * 0.4, bx, by),
                            SegmentDistance(x, y, bx, by, bx + s, by - s * 0.4));
    c = Mix(c, Hex(0x2a1428), Coverage(wing - 0.0015, 0.001));
  }
  const double silhouette = Min(BirdDistance(x, y), BranchDistance(x, y));
  return Mix(c, Hex(0x1c0f1c), Coverage(silhouette, 0.0015));
}

// ---- Figure in profile ----

const double kProfile[] = {
    1.34, 1.01, 0.86, 1.01, 0.88, 0.93, 0.93, 0.865, 0.99, 0.825, 1.02, 0.785, 1.02, 0.70, 1.0, 0.645,
    0.978, 0.623, 0.966, 0.6, 0.97, 0.577, 0.958, 0.566, 0.962, 0.55, 0.954, 0.538, 0.962, 0.525, 0.956, 0.512,
    0.934, 0.492, 0.952, 0.445, 0.966, 0.41, 0.958, 0.388, 0.965, 0.34, 0.982, 0.29, 1.02, 0.245, 1.08, 0.222,
    1.14, 0.226, 1.2, 0.25, 1.245, 0.29, 1.29, 0.32, 1.315, 0.375, 1.295, 0.43, 1.25, 0.455, 1.22, 0.505,
    1.2, 0.575, 1.18, 0.66, 1.19, 0.74, 1.25, 0.82, 1.31, 0.86, 1.34, 0.88,
};
constexpr int kProfilePoints = static_cast<int>(sizeof(kProfile) / sizeof(kProfile[0]) / 2);

// Long hair falling from the crown down the back to the shoulder.
const double kHair[] = {
    0.985, 0.3, 1.03, 0.235, 1.1, 0.205, 1.18, 0.215, 1.25, 0.25, 1.3, 0.31, 1.325, 0.4, 1.33, 0.52,
    1.34, 0.64, 1.345, 0.78, 1.3, 0.83, 1.26, 0.8, 1.22, 0.72, 1.19, 0.6, 1.16, 0.5, 1.1, 0.33, 1.04, 0.29,
};
constexpr int kHairPoints = static_cast<int>(sizeof(kHair) / sizeof(kHair[0]) / 2);

double HairDistance(double x, double y) { return PolygonDistance(kHair, kHairPoints, x, y); }

double FigureDistance(double x, double y) {
  return Min(PolygonDistance(kProfile, kProfilePoints, x, y), HairDistance(x, y));
}

Rgb FigureColour(double x, double y) {
  const double d = FigureDistance(x, y);
  Rgb c = Mix(Hex(0x101a3a), Hex(0x2a2a5e), SmoothStep(0.2, 1.0, y));
  c = Scale(c, 0.85 + 0.3 * Fbm(x * 6, y * 6, 311U, 4));
  // Warm rim light on the face side.
  const double rim = ExpSeries(-Max(-d, 0.0) * 45.0) * SmoothStep(1.12, 0.96, x);
  c = Mix(c, Hex(0xffc88a), rim * 0.9);
  // Hair: darker, with strands that follow its fall and a sheen near the crown.
  const double strand = Fbm(x * 70.0 + 6.0 * Fbm(x * 3, y * 3, 313U, 3), y * 5.0, 312U, 3);
  const double hair = Coverage(HairDistance(x, y), 0.003);
  const Rgb hairColour =
      Mix(Hex(0x0e0c22), Hex(0x463a6a),
          SmoothStep(0.3, 0.8, strand) * (0.5 + 0.5 * ExpSeries(-((y - 0.3) * 5) * ((y - 0.3) * 5))));
  c = Mix(c, hairColour, hair);
  // Outside the figure: a faint blue haze (transparent in the mask anyway).
  return d > 0 ? Hex(0x0a1020) : c;
}

// ---- Pond illustrations ----

double LilyPadDistance(double x, double y, double cx, double cy, double r, double notch) {
  const double d = EllipseDistance(x, y, cx, cy, r, r * 0.38, 0.0);
  const double a = Atan2Series((y - cy) / 0.38, x - cx);
  const double wedge = std::fabs(a - notch) < 0.25 ? 1.0 : -1.0;
  return wedge > 0 ? Max(d, 0.004) : d;
}

Rgb PondScene(double x, double y) {
  Rgb c = Mix(Hex(0x1e4a5c), Hex(0x08202c), SmoothStep(0.0, 1.0, y));
  const double sky = Fbm(x * 3, y * 30, 321U, 4);
  c = Screen(c, Scale(Hex(0xf0b070), 0.25 * SmoothStep(0.4, 0.8, sky) * (1.0 - y)));
  for (int k = 0; k < 9; ++k) {
    const double cx = 0.1 + 1.15 * Lattice(k, 0, 322U);
    const double cy = 0.35 + 0.6 * Lattice(k, 1, 322U);
    const double r = 0.05 + 0.09 * cy;
    const double d = LilyPadDistance(x, y, cx, cy, r, -1.6 + 3.2 * Lattice(k, 2, 322U));
    const Rgb pad = Mix(Hex(0x2f7a3a), Hex(0x7ec25a), Clamp01(0.5 - (y - cy) / (r * 0.8)));
    c = Mix(c, Scale(pad, 0.8 + 0.3 * Fbm(x * 40, y * 40, 323U, 2)), Coverage(d, 0.0015));
    c = Mix(c, Hex(0x1c4a26), Coverage(std::fabs(d + 0.004) - 0.0012, 0.001) * 0.6);
  }
  // A lotus flower on the largest pad.
  for (int p = 0; p < 7; ++p) {
    const double a = -kPi / 2 + (p - 3) * 0.32;
    const double px = 0.72 + 0.06 * CosSeries(a);
    const double py = 0.66 + 0.06 * SinSeries(a);
    const double d = EllipseDistance(x, y, px, py, 0.02, 0.065, a + kPi / 2);
    c = Mix(c, Mix(Hex(0xf6b8d0), Hex(0xfff0f6), Clamp01(-d * 40)), Coverage(d, 0.0015));
  }
  // Reeds at the sides.
  for (int k = 0; k < 14; ++k) {
    const double rx = (k < 7 ? 0.02 + 0.03 * k : 1.12 + 0.03 * (k - 7)) + 0.01 * Lattice(k, 5, 324U);
    const double top = 0.15 + 0.25 * Lattice(k, 6, 324U);
    const double bend = 0.03 * (Lattice(k, 7, 324U) - 0.5);
    if (y > top) {
      const double t = (y - top) / (1.0 - top);
      const double d = std::fabs(x - (rx + bend * (1 - t) * (1 - t))) - 0.003 - 0.002 * t;
      c = Mix(c, Hex(0x0a1a12), Coverage(d, 0.001));
    }
  }
  return c;
}

double FrogDistance(double x, double y, double fx, double fy, double s) {
  double d = EllipseDistance(x, y, fx, fy, 0.12 * s, 0.085 * s, -0.15);
  d = Min(d, EllipseDistance(x, y, fx - 0.1 * s, fy - 0.06 * s, 0.07 * s, 0.05 * s, -0.2));
  d = Min(d, CircleDistance(x, y, fx - 0.12 * s, fy - 0.11 * s, 0.028 * s));
  d = Min(d, CircleDistance(x, y, fx - 0.06 * s, fy - 0.115 * s, 0.028 * s));
  d = Min(d, EllipseDistance(x, y, fx + 0.08 * s, fy + 0.06 * s, 0.09 * s, 0.035 * s, 0.35));
  d = Min(d, EllipseDistance(x, y, fx - 0.13 * s, fy + 0.07 * s, 0.06 * s, 0.02 * s, -0.3));
  return d;
}

Rgb FrogMoonScene(double x, double y) {
  Rgb c = Mix(Hex(0x1a1240), Hex(0x5a3a7a), SmoothStep(0.0, 0.65, y));
  const double star = Lattice(static_cast<int>(x * 260), static_cast<int>(y * 260), 331U);
  c = Add(c, Scale(Hex(0xfff6e0), SmoothStep(0.993, 1.0, star) * (1.0 - y)));
  const double moon = CircleDistance(x, y, 0.67, 0.42, 0.27);
  c = Glow(c, moon, Hex(0xb8a0e0), 0.45, 7.0);
  const double crater = Fbm(x * 12, y * 12, 332U, 4);
  c = Mix(c, Mix(Hex(0xfff4d8), Hex(0xe0d0b0), SmoothStep(0.45, 0.7, crater)), Coverage(moon, 0.002));
  if (y > 0.7) c = Mix(Hex(0x24204a), Hex(0x0c0a20), SmoothStep(0.7, 1.0, y));
  const double reflection = std::fabs(x - 0.67) < 0.2 * (1.0 - (y - 0.7) * 2) && y > 0.7
                                ? SmoothStep(0.4, 0.7, ValueNoise(x * 20, y * 200, 333U))
                                : 0.0;
  c = Screen(c, Scale(Hex(0xfff0d0), reflection * 0.5));
  const double pad = EllipseDistance(x, y, 0.66, 0.74, 0.26, 0.06, 0.0);
  const double frog = FrogDistance(x, y, 0.66, 0.63, 1.3);
  c = Mix(c, Hex(0x101822), Coverage(Min(pad, frog), 0.0015));
  // The frog's eyes catch the moonlight.
  const double eye = Min(CircleDistance(x, y, 0.66 - 0.156, 0.63 - 0.148, 0.008),
                         CircleDistance(x, y, 0.66 - 0.078, 0.63 - 0.154, 0.008));
  return Mix(c, Hex(0xffe890), Coverage(eye, 0.0015));
}

Rgb FrogFaceScene(double x, double y) {
  // Bokeh background.
  Rgb c = Mix(Hex(0x0e3a2a), Hex(0x2a6a3a), Fbm(x * 2, y * 2, 341U, 3));
  for (int k = 0; k < 12; ++k) {
    const double d =
        CircleDistance(x, y, kWide * Lattice(k, 0, 342U), Lattice(k, 1, 342U), 0.04 + 0.05 * Lattice(k, 2, 342U));
    c = Screen(c, Scale(Hex(0xd8f0a0), 0.25 * Coverage(d, 0.01)));
  }
  const double head = EllipseDistance(x, y, 0.667, 0.66, 0.5, 0.3, 0.0);
  const double eyeL = CircleDistance(x, y, 0.42, 0.36, 0.14);
  const double eyeR = CircleDistance(x, y, 0.91, 0.36, 0.14);
  const double body = Min(head, Min(eyeL, eyeR));
  const Rgb skin = Mix(Hex(0x3f9a2c), Hex(0xa6dc4a), Clamp01(0.9 - y));
  const double spots = SmoothStep(0.62, 0.7, Fbm(x * 9, y * 9, 343U, 3));
  Rgb frog = Mix(skin, Hex(0x2a6a20), spots * 0.6);
  frog = Mix(frog, Hex(0xe8f0a0), SmoothStep(0.75, 1.0, y) * 0.5);
  c = Mix(c, frog, Coverage(body, 0.002));
  c = Mix(c, Hex(0x1e4a14), Coverage(std::fabs(body) - 0.004, 0.002) * 0.7);
  // Eyes: golden iris, horizontal pupil, highlight.
  const double irisL = CircleDistance(x, y, 0.42, 0.36, 0.105);
  const double irisR = CircleDistance(x, y, 0.91, 0.36, 0.105);
  const double iris = Min(irisL, irisR);
  const Rgb gold = Mix(Hex(0xffd040), Hex(0xc07010), Clamp01((y - 0.28) * 5));
  c = Mix(c, gold, Coverage(iris, 0.002));
  const double pupil =
      Min(EllipseDistance(x, y, 0.42, 0.37, 0.075, 0.035, 0.0), EllipseDistance(x, y, 0.91, 0.37, 0.075, 0.035, 0.0));
  c = Mix(c, Hex(0x080808), Coverage(pupil, 0.002));
  const double shine = Min(CircleDistance(x, y, 0.385, 0.325, 0.02), CircleDistance(x, y, 0.875, 0.325, 0.02));
  c = Mix(c, Hex(0xffffff), Coverage(shine, 0.002));
  // Smile and nostrils.
  const double smileY = 0.8 - 0.6 * (x - 0.667) * (x - 0.667);
  const double smile = std::fabs(y - smileY) - 0.006;
  c = Mix(c, Hex(0x1a3a10), Coverage(Max(smile, std::fabs(x - 0.667) - 0.33), 0.002));
  const double nostril = Min(CircleDistance(x, y, 0.62, 0.6, 0.01), CircleDistance(x, y, 0.715, 0.6, 0.01));
  c = Mix(c, Hex(0x1a3a10), Coverage(nostril, 0.002));
  const double cheek = Min(CircleDistance(x, y, 0.36, 0.72, 0.06), CircleDistance(x, y, 0.97, 0.72, 0.06));
  return Mix(c, Hex(0xf09a7a), Coverage(cheek, 0.04) * 0.35 * Coverage(head, 0.002));
}

Rgb FirefliesScene(double x, double y) {
  Rgb c = Mix(Hex(0x0a1a2a), Hex(0x020810), SmoothStep(0.0, 1.0, y));
  double wave = 0.0;
  for (int k = 0; k < 5; ++k) {
    const double cx = 0.2 + 0.95 * Lattice(k, 0, 351U);
    const double cy = 0.45 + 0.45 * Lattice(k, 1, 351U);
    const double d = std::sqrt((x - cx) * (x - cx) + ((y - cy) * 2.6) * ((y - cy) * 2.6));
    wave += Max(0.0, SinSeries(d * 70.0)) * ExpSeries(-d * 5.0);
  }
  c = Screen(c, Scale(Hex(0x4a8ab0), Clamp01(wave) * 0.6 * SmoothStep(0.3, 0.5, y)));
  for (int k = 0; k < 24; ++k) {
    const double fx = kWide * Lattice(k, 2, 352U);
    const double fy = 0.05 + 0.55 * Lattice(k, 3, 352U);
    const double size = 0.003 + 0.006 * Lattice(k, 4, 352U);
    const double d = CircleDistance(x, y, fx, fy, size);
    c = Glow(c, d, Hex(0xffd060), 0.6, 40.0);
    c = Mix(c, Hex(0xfff8c0), Coverage(d, 0.002));
    // Its reflection.
    const double ry = 1.3 - fy * 0.5;
    const double rd = std::sqrt((x - fx) * (x - fx) * 9 + (y - ry) * (y - ry)) - size * 3;
    c = Glow(c, rd, Hex(0xffb040), 0.2, 30.0);
  }
  return c;
}

// ---- Honeycomb with a bee ----

Rgb HoneycombScene(double u, double v) {
  const double px = u * 8.0;
  const double py = v * 8.0;
  const double sq3 = std::sqrt(3.0);
  // Nearest of the two interleaved lattices of hexagon centres.
  const double ax = px - std::floor(px / 1.0) * 1.0 - 0.5;
  const double ay = py - std::floor(py / sq3) * sq3 - sq3 / 2;
  const double bx = (px - 0.5) - std::floor((px - 0.5) / 1.0) * 1.0 - 0.5;
  const double by = (py - sq3 / 2) - std::floor((py - sq3 / 2) / sq3) * sq3 - sq3 / 2;
  const bool first = ax * ax + ay * ay < bx * bx + by * by;
  const double gx = std::fabs(first ? ax : bx);
  const double gy = std::fabs(first ? ay : by);
  const double edge = 0.5 - Max(gx, gx * 0.5 + gy * sq3 / 2);
  const double cellId = std::floor(first ? px : px - 0.5) * 17.0 + std::floor(first ? py / sq3 : (py - sq3 / 2) / sq3);
  const double fill = Lattice(static_cast<int>(cellId), 0, 361U);
  const double r = std::sqrt(gx * gx + gy * gy);
  Rgb honey = Mix(Hex(0x7a3c06), Hex(0xf0a628), Clamp01(0.35 + 0.6 * fill - r * 0.6));
  if (fill < 0.2) honey = Mix(Hex(0x2a1404), Hex(0x5a300a), 1.0 - r);  // an empty cell
  Rgb c = Mix(Hex(0x1e0e02), honey, SmoothStep(0.02, 0.07, edge));
  const double vignette = 1.0 - 0.6 * SmoothStep(0.3, 0.75, std::sqrt((u - 0.5) * (u - 0.5) + (v - 0.45) * (v - 0.45)));
  c = Scale(c, 0.75 * vignette);
  // The bee, upper middle, facing right.
  const double x = u * kWide, y = v;
  const double wing =
      Min(EllipseDistance(x, y, 0.8, 0.2, 0.07, 0.035, -0.7), EllipseDistance(x, y, 0.86, 0.21, 0.06, 0.03, -0.3));
  c = Mix(c, Hex(0xe8f4ff), Coverage(wing, 0.003) * 0.55);
  const double body = EllipseDistance(x, y, 0.82, 0.28, 0.09, 0.05, 0.2);
  const double stripes = 0.5 + 0.5 * SinSeries((x * CosSeries(0.2) + y * SinSeries(0.2)) * 110.0);
  c = Mix(c, Mix(Hex(0xf6c21c), Hex(0x1a1206), SmoothStep(0.45, 0.55, stripes)), Coverage(body, 0.002));
  const double head = CircleDistance(x, y, 0.925, 0.305, 0.035);
  c = Mix(c, Hex(0x1a1206), Coverage(head, 0.002));
  c = Mix(c, Hex(0x1a1206), Coverage(SegmentDistance(x, y, 0.94, 0.28, 0.97, 0.23) - 0.003, 0.002));
  return Mix(c, Hex(0xe8f4ff), Coverage(Max(wing, -body), 0.003) * 0.3);
}

// ---- Framed pictures ----

double CameoRadius(double u, double v) {
  const double a = Atan2Series(v - 0.5, u - 0.5);
  return 0.47 + 0.012 * CosSeries(a * 16.0);
}

// Normalised distance from the cameo edge: negative inside.
double CameoDistance(double u, double v) {
  const double r = std::sqrt((u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5));
  return r - CameoRadius(u, v);
}

template <typename Inner>
StandinImage PaintFramed(Inner inner) {
  return Paint(kTextureSize, kTextureSize, [&](double u, double v) {
    const double d = CameoDistance(u, v);
    Rgb c = inner(u, v);
    // A gold band inside the cameo edge, lit from the upper left.
    const double band = Coverage(std::fabs(d + 0.03) - 0.022, 0.004);
    const double light = 0.5 + 0.5 * ((0.5 - u) + (0.5 - v)) / 0.7;
    const double bead = 0.5 + 0.5 * CosSeries(Atan2Series(v - 0.5, u - 0.5) * 40.0);
    Rgb gold = Mix(Hex(0x7a5010), Hex(0xffe08a), Clamp01(light * 0.8 + 0.2 * bead));
    gold = Scale(gold, 0.8 + 0.2 * CosSeries((d + 0.03) / 0.022 * kPi * 0.5));
    c = Mix(c, gold, band);
    return Mix(c, Hex(0x3a2508), Coverage(std::fabs(d + 0.054) - 0.002, 0.002) * 0.8);
  });
}

Rgb SunflowerInner(double u, double v) {
  Rgb c = Mix(Hex(0x4a8ad8), Hex(0xbfe0f4), v);
  const double a = Atan2Series(v - 0.48, u - 0.5);
  const double r = std::sqrt((u - 0.5) * (u - 0.5) + (v - 0.48) * (v - 0.48));
  if (v > 0.6) c = Mix(c, Hex(0x3a7a2a), Coverage(std::fabs(u - 0.5) - 0.02, 0.004));
  const double petalR = 0.2 + 0.05 * std::fabs(CosSeries(a * 8.0));
  c = Mix(c, Mix(Hex(0xf0a010), Hex(0xffe040), r / petalR), Coverage(r - petalR, 0.004));
  c = Mix(c, Hex(0x4a2a0a), Coverage(r - 0.1, 0.004));
  const double seeds = 0.5 + 0.5 * SinSeries(a * 21.0 + r * 160.0);
  return Mix(c, Hex(0x2a1404), Coverage(r - 0.1, 0.004) * seeds * 0.6);
}

Rgb LavenderInner(double u, double v) {
  Rgb c = Mix(Hex(0x5a3a80), Hex(0xffb070), SmoothStep(0.1, 0.5, v));
  const double sun = CircleDistance(u, v, 0.62, 0.45, 0.07);
  c = Mix(c, Hex(0xfff0c0), Coverage(sun, 0.003));
  if (v > 0.5) {
    const double rows = SinSeries((u - 0.5) / (v - 0.45) * 14.0);
    c = Mix(Hex(0x3a2a5a), Hex(0x9a70d0), Clamp01(0.5 + 0.5 * rows) * SmoothStep(0.5, 0.9, v) + 0.2);
  }
  return c;
}

Rgb SailInner(double u, double v) {
  Rgb c = Mix(Hex(0x6ab0e8), Hex(0xe6f4fa), SmoothStep(0.0, 0.55, v));
  if (v > 0.55) c = Mix(Hex(0x2a78b0), Hex(0x0e3a6a), SmoothStep(0.55, 1.0, v));
  const double sail1[] = {0.5, 0.25, 0.5, 0.6, 0.32, 0.6};
  const double sail2[] = {0.52, 0.3, 0.66, 0.6, 0.52, 0.6};
  const double hull[] = {0.3, 0.62, 0.7, 0.62, 0.64, 0.68, 0.36, 0.68};
  c = Mix(c, Hex(0xfffaf0), Coverage(PolygonDistance(sail1, 3, u, v), 0.003));
  c = Mix(c, Hex(0xf0e0c8), Coverage(PolygonDistance(sail2, 3, u, v), 0.003));
  return Mix(c, Hex(0x8a3a1a), Coverage(PolygonDistance(hull, 4, u, v), 0.003));
}

Rgb MoonInner(double u, double v) {
  Rgb c = Mix(Hex(0x050a24), Hex(0x1e2a5a), v);
  c = Add(c, Scale(Hex(0xffffff),
                   SmoothStep(0.985, 1.0, Lattice(static_cast<int>(u * 128), static_cast<int>(v * 128), 371U))));
  const double moon = CircleDistance(u, v, 0.6, 0.35, 0.11);
  const double shadow = CircleDistance(u, v, 0.65, 0.32, 0.1);
  c = Glow(c, moon, Hex(0x6a80c0), 0.4, 12.0);
  c = Mix(c, Hex(0xfff6d8), Coverage(Max(moon, -shadow), 0.003));
  const double hill = 0.72 - 0.06 * SinSeries(u * 7.0) - 0.04 * Fbm(u * 6, 0.1, 372U, 3);
  if (v > hill) c = Hex(0x050810);
  return c;
}

}  // namespace

StandinImage PaintBirdPicture() { return PaintWide(kPictureSize, BirdScene); }

StandinImage PaintFigurePicture() { return PaintWide(kTextureSize, FigureColour); }

StandinImage PaintFigureMask() {
  return PaintWide(kTextureSize, [](double x, double y) {
    const double a = 0.86 * Coverage(FigureDistance(x, y), 0.004);
    return Rgb{a, a, a};
  });
}

StandinImage PaintPondPicture() { return PaintWide(kPictureSize, PondScene); }
StandinImage PaintFrogMoonPicture() { return PaintWide(kPictureSize, FrogMoonScene); }
StandinImage PaintFrogFacePicture() { return PaintWide(kPictureSize, FrogFaceScene); }
StandinImage PaintFirefliesPicture() { return PaintWide(kPictureSize, FirefliesScene); }

StandinImage PaintHoneycombBackground() { return Paint(kTextureSize, kTextureSize, HoneycombScene); }

StandinImage PaintFrameMask() {
  return Paint(kTextureSize, kTextureSize, [](double u, double v) {
    const double a = Coverage(CameoDistance(u, v), 0.004);
    return Rgb{a, a, a};
  });
}

StandinImage PaintSunflowerFrame() { return PaintFramed(SunflowerInner); }
StandinImage PaintLavenderFrame() { return PaintFramed(LavenderInner); }
StandinImage PaintSailFrame() { return PaintFramed(SailInner); }
StandinImage PaintMoonFrame() { return PaintFramed(MoonInner); }

// ---- Text ----

std::vector<double> TextCoverage(const char* const* lines, int lineCount, int width, int height, int dotSize,
                                 int lineStep, int top) {
  std::vector<double> field(static_cast<std::size_t>(width) * height, 0.0);
  const int advance = (kGlyphWidth + 1) * dotSize;
  const double half = dotSize * 0.5;
  for (int line = 0; line < lineCount; ++line) {
    int length = 0;
    while (lines[line][length] != '\0') ++length;
    const int left = (width - (length * advance - dotSize)) / 2;
    const int lineTop = top + line * lineStep;
    for (int k = 0; k < length; ++k) {
      for (int row = 0; row < kGlyphHeight; ++row) {
        for (int col = 0; col < kGlyphWidth; ++col) {
          if (!GlyphDot(lines[line][k], col, row)) continue;
          const double cx = left + k * advance + col * dotSize + half;
          const double cy = lineTop + row * dotSize + half;
          const int x0 = static_cast<int>(cx - half) - 2, x1 = static_cast<int>(cx + half) + 2;
          const int y0 = static_cast<int>(cy - half) - 2, y1 = static_cast<int>(cy + half) + 2;
          for (int y = y0; y <= y1; ++y) {
            if (y < 0 || y >= height) continue;
            for (int x = x0; x <= x1; ++x) {
              if (x < 0 || x >= width) continue;
              // A dot is a rounded square, so neighbouring dots join into strokes.
              const double dx = std::fabs(x + 0.5 - cx) - half * 0.55;
              const double dy = std::fabs(y + 0.5 - cy) - half * 0.55;
              const double ox = dx > 0 ? dx : 0.0, oy = dy > 0 ? dy : 0.0;
              const double d = std::sqrt(ox * ox + oy * oy) - half * 0.5;
              const double cover = Coverage(d, 0.7);
              double& cell = field[static_cast<std::size_t>(y) * width + x];
              if (cover > cell) cell = cover;
            }
          }
        }
      }
    }
  }
  return field;
}

StandinImage PaintPoemStrip() {
  // Ten line slots; the strip shows about two at a time, scrolling upward.
  static const char* const kPoem[] = {
      "LIGHT OVER WATER", "", "SLOW CLOUDS GATHER", "ABOVE A SLEEPING SEA", "EVERY SPARK A SUN",
      "FORGETTING ITS NAME", "WE COUNT THEM", "IN THE QUIET DARK", "AND LET THEM GO", "* * *",
  };
  const int lineStep = kPictureSize / 10;
  const int dotSize = 4;
  const int top = (lineStep - kGlyphHeight * dotSize) / 2;
  std::vector<double> text = TextCoverage(kPoem, 10, kPictureSize, kPictureSize, dotSize, lineStep, top);
  std::vector<double> glow = text;
  BoxBlur(glow, kPictureSize, kPictureSize, 4, 3);
  StandinImage image = BlankImage(kPictureSize, kPictureSize);
  for (std::size_t i = 0; i < text.size(); ++i)
    PutPixel(image, i, Mix(Scale(Hex(0x4a7ac0), Clamp01(glow[i] * 1.6)), Hex(0xfff0d4), text[i]));
  return image;
}

StandinImage FlipRows(const StandinImage& image) {
  StandinImage out = image;
  const std::size_t row = static_cast<std::size_t>(image.width) * 3;
  for (int y = 0; y < image.height; ++y)
    std::copy(image.rgb.begin() + y * row, image.rgb.begin() + (y + 1) * row,
              out.rgb.begin() + (image.height - 1 - y) * row);
  return out;
}

}  // namespace velkor
