// Landscape "photographs" of the stand-in data set: the photo show of scene 1
// and the rising photo column of scene 5. All are 512 x 512 pictures painted
// for a 4:3 screen (x runs 0 .. 4/3, y 0 .. 1 from the top).

#include <cmath>

#include "tools/standin/exact/exact_math.h"
#include "tools/standin/standin_images.h"

namespace velkor {

using namespace paint;

namespace {

// The scene is 4:3 across the square picture. (u · 4) / 3 rounds differently
// from the illustrations' u · (4 / 3); the photographs were painted with this one.
template <typename Scene>
StandinImage PaintWide(Scene scene) {
  return Paint(kPictureSize, kPictureSize, [&](double u, double v) { return scene(u * 4.0 / 3.0, v); });
}

Rgb VerticalGradient(double y, double y0, double y1, Rgb top, Rgb bottom) {
  return Mix(top, bottom, SmoothStep(y0, y1, y));
}

// Sun disc with a soft halo added to c.
Rgb AddSun(Rgb c, double x, double y, double sx, double sy, double radius, Rgb colour, double halo) {
  const double d = std::sqrt((x - sx) * (x - sx) + (y - sy) * (y - sy));
  c = Screen(c, Scale(colour, halo * ExpSeries(-d * 6.0)));
  return Mix(c, colour, Coverage(d - radius, 0.003));
}

Rgb AddClouds(Rgb c, double x, double y, std::uint32_t seed, double amount, double horizon, Rgb light, Rgb shade) {
  const double n = Fbm(x * 2.5, y * 7.0, seed, 5);
  const double cover = SmoothStep(0.62 - amount, 0.8 - amount, n) * (1.0 - SmoothStep(horizon * 0.6, horizon, y));
  const double lower = Fbm(x * 2.5, (y + 0.02) * 7.0, seed, 5);
  return Mix(c, Mix(light, shade, SmoothStep(0.0, 0.15, n - lower + 0.05)), cover * 0.9);
}

// Height of a hill outline at x (y grows downward).
double Ridge(double x, std::uint32_t seed, double base, double amplitude, double frequency) {
  return base - amplitude * Fbm(x * frequency, 0.37 * seed, seed, 5);
}

double RidgedRidge(double x, std::uint32_t seed, double base, double amplitude, double frequency) {
  double sum = 0.0, weight = 0.5, total = 0.0, f = frequency;
  for (int o = 0; o < 5; ++o) {
    const double n = 1.0 - std::fabs(2.0 * ValueNoise(x * f, 3.1, seed + o) - 1.0);
    sum += n * n * weight;
    total += weight;
    f *= 2.0;
    weight *= 0.5;
  }
  return base - amplitude * sum / total;
}

// ---- Field in summer ----

Rgb FieldScene(double x, double y) {
  Rgb c = VerticalGradient(y, 0.0, 0.56, Hex(0x2d6cc0), Hex(0xd9ecf6));
  c = AddClouds(c, x, y, 201U, 0.05, 0.5, Hex(0xffffff), Hex(0xb7c4d6));
  c = AddSun(c, x, y, 1.05, 0.15, 0.045, Hex(0xfffbe6), 0.6);
  const double far = Ridge(x, 202U, 0.56, 0.09, 2.5);
  if (y > far) c = Mix(Hex(0x7f9cc0), Hex(0x9db6cf), Fbm(x * 8, y * 8, 203U, 3));
  const double near = Ridge(x, 204U, 0.6, 0.05, 4.0);
  const double trees = near - 0.018 * SmoothStep(0.55, 0.7, ValueNoise(x * 40, 1.0, 205U));
  if (y > trees) c = Mix(Hex(0x2d4a2a), Hex(0x4f7a3e), Fbm(x * 30, y * 30, 206U, 2));
  // A lone tree on the near hill.
  const double canopy = CircleDistance(x, y, 0.34, near - 0.075, 0.05) +
                        0.012 * (Fbm(x * 40, y * 40, 207U, 3) - 0.5);
  const double trunk = std::fabs(x - 0.34) - 0.006;
  if (canopy < 0 || (trunk < 0 && y > near - 0.06 && y < near + 0.01))
    c = Mix(Hex(0x1f331c), Hex(0x3c5c2c), Clamp01(-canopy * 30));
  const double ground = 0.6;
  if (y > near && y > ground) {
    const double depth = y - 0.555;
    const double furrow = SinSeries(((x - 0.7) / depth) * 55.0);
    const double grain = Fbm(x * 60 / (depth * 6 + 0.2), y * 200, 208U, 3);
    c = Mix(Hex(0xb57f24), Hex(0xf0cc6a), Clamp01(0.5 + 0.3 * furrow + 0.4 * (grain - 0.5)));
    c = Scale(c, 1.05 - 0.35 * SmoothStep(0.7, 1.0, y));
    c = Mix(c, Hex(0xd0342a), Coverage(0.8 - Fbm(x * 90, y * 90, 209U, 2), 0.01) * SmoothStep(0.8, 0.95, y));
  }
  return c;
}

// ---- Lake at dusk ----

Rgb LakeAbove(double x, double y) {
  Rgb c = y < 0.3 ? VerticalGradient(y, 0.0, 0.3, Hex(0x25244f), Hex(0xc5607a))
                  : VerticalGradient(y, 0.3, 0.58, Hex(0xc5607a), Hex(0xffc07a));
  c = AddClouds(c, x, y, 211U, -0.02, 0.45, Hex(0xf7a28a), Hex(0x6a3f6a));
  c = AddSun(c, x, y, 0.82, 0.52, 0.06, Hex(0xffe6a8), 0.7);
  const Rgb layers[4] = {Hex(0xa27398), Hex(0x7a5686), Hex(0x4c3a6a), Hex(0x241d3e)};
  const double bases[4] = {0.5, 0.54, 0.575, 0.6};
  for (int k = 0; k < 4; ++k) {
    const double top = Ridge(x, 212U + k, bases[k], 0.09 - 0.015 * k, 2.0 + k);
    if (y > top) c = Mix(layers[k], Hex(0xffc07a), 0.15 * (1.0 - SmoothStep(top, bases[k] + 0.02, y)) * (3 - k) / 3.0);
  }
  return c;
}

Rgb LakeScene(double x, double y) {
  const double shore = 0.6;
  if (y < shore) return LakeAbove(x, y);
  const double ripple = Fbm(x * 6, y * 120, 216U, 3) - 0.5;
  const double mirrored = 2 * shore - y + 0.004 * ripple;
  Rgb c = Scale(LakeAbove(x + 0.01 * ripple, mirrored < shore - 0.0005 ? mirrored : shore - 0.0005), 0.72);
  const double glint = SmoothStep(0.72, 0.9, ValueNoise(x * 30, y * 300, 217U)) * ExpSeries(-std::fabs(x - 0.82) * 9);
  return Screen(c, Scale(Hex(0xffe0a0), glint * 0.7));
}

// ---- Mountains ----

struct MountainPalette {
  Rgb skyTop, skyHorizon, rock, rockShade, snow, snowShade, forest, ground, groundShade;
  double sunX, sunY;
  Rgb sun;
};

Rgb MountainScene(double x, double y, const MountainPalette& p, std::uint32_t seed) {
  Rgb c = VerticalGradient(y, 0.0, 0.6, p.skyTop, p.skyHorizon);
  c = AddSun(c, x, y, p.sunX, p.sunY, 0.035, p.sun, 0.5);
  c = AddClouds(c, x, y, seed + 1, -0.05, 0.4, Mix(p.skyHorizon, Hex(0xffffff), 0.6), p.skyTop);
  const double top = RidgedRidge(x, seed + 2, 0.62, 0.42, 1.6);
  if (y > top) {
    const double slope = RidgedRidge(x + 0.004, seed + 2, 0.62, 0.42, 1.6) - top;
    const double face = Fbm(x * 7 + 0.01, y * 9, seed + 7, 5) - Fbm(x * 7 - 0.01, y * 9, seed + 7, 5);
    const double lit = Clamp01(0.5 + 0.35 * SmoothStep(-0.006, 0.006, slope) - 0.17 + face * 18.0);
    const double altitude = (0.62 - y) / 0.42;
    const double snowLine = 0.35 + 0.2 * Fbm(x * 10, y * 10, seed + 3, 4);
    const Rgb rock = Mix(p.rockShade, p.rock, lit);
    const Rgb snow = Mix(p.snowShade, p.snow, lit);
    c = Mix(rock, snow, SmoothStep(snowLine - 0.05, snowLine + 0.05, altitude + 0.1 * (y - top)));
    c = Mix(c, p.skyHorizon, 0.25 * SmoothStep(0.3, 0.62, y));
  }
  // A band of pines in front of the mountains.
  const double cell = x * 70.0;
  const double cx = std::floor(cell) + 0.5;
  const double h = 0.05 + 0.05 * Lattice(static_cast<int>(std::floor(cell)), 0, seed + 4);
  const double treeTop = 0.66 - h;
  const double halfWidth = (y - treeTop) * 0.32 * 70.0;
  if (y > treeTop && std::fabs(cell - cx) < halfWidth && y < 0.74)
    c = Mix(p.forest, Hex(0x000000), 0.2 * (y - treeTop) / h);
  if (y > 0.69 + 0.02 * Fbm(x * 6, 0.5, seed + 5, 3)) {
    const double drift = Fbm(x * 3, y * 40, seed + 6, 5);
    c = Mix(Mix(p.groundShade, p.ground, 0.6), p.ground, SmoothStep(0.3, 0.7, drift));
    c = Scale(c, 0.92 + 0.1 * SmoothStep(0.7, 1.0, y));
  }
  return c;
}

const MountainPalette kWinterMorning = {Hex(0x7fa9d8), Hex(0xf1dcc9), Hex(0x5d6679), Hex(0x3b4254),
                                        Hex(0xf6f8fc), Hex(0xa9b8d4), Hex(0x1e3a2f), Hex(0xf4f7fc),
                                        Hex(0xaabbd8), 0.25, 0.2, Hex(0xfff4da)};
const MountainPalette kAlpineSunrise = {Hex(0x3b4f8e), Hex(0xffb27a), Hex(0x7a5a5a), Hex(0x40304a),
                                        Hex(0xffe0c8), Hex(0xc08aa0), Hex(0x213428), Hex(0x6b8a4a),
                                        Hex(0x2f4a2c), 1.0, 0.45, Hex(0xfff0c0)};

// ---- Scene 5 photographs ----

Rgb BeachScene(double x, double y) {
  Rgb c = VerticalGradient(y, 0.0, 0.45, Hex(0x3f86d0), Hex(0xcfe8f5));
  c = AddClouds(c, x, y, 221U, 0.0, 0.42, Hex(0xffffff), Hex(0xbfcfe0));
  c = AddSun(c, x, y, 0.3, 0.12, 0.04, Hex(0xfffbe8), 0.5);
  const double horizon = 0.45;
  if (y > horizon) {
    c = VerticalGradient(y, horizon, 0.68, Hex(0x1b5f98), Hex(0x47b3c6));
    const double glint = SmoothStep(0.7, 0.9, ValueNoise(x * 40, y * 260, 222U));
    c = Screen(c, Scale(Hex(0xffffff), glint * 0.5 * ExpSeries(-std::fabs(x - 0.3) * 3)));
  }
  const double shoreline = 0.66 + 0.03 * SinSeries(x * 7.0) + 0.01 * Fbm(x * 20, 0.3, 223U, 3);
  if (y > shoreline) {
    c = Mix(Hex(0xd9bf8a), Hex(0xf3e2b8), Fbm(x * 30, y * 30, 224U, 3));
    c = Mix(Hex(0x9ec9c6), c, SmoothStep(shoreline, shoreline + 0.04, y));
  }
  const double foam = Coverage(std::fabs(y - shoreline) - 0.006 - 0.006 * ValueNoise(x * 60, 0.0, 225U), 0.003);
  return Mix(c, Hex(0xffffff), foam * 0.9);
}

Rgb PoppyScene(double x, double y) {
  Rgb c = VerticalGradient(y, 0.0, 0.4, Hex(0x6aa6dc), Hex(0xe8f2f6));
  c = AddClouds(c, x, y, 231U, 0.05, 0.38, Hex(0xffffff), Hex(0xc8d4e0));
  const double hill = Ridge(x, 232U, 0.42, 0.07, 2.5);
  if (y > hill) {
    const double depth = (y - hill) + 0.02;
    c = Mix(Hex(0x3d6b2c), Hex(0x9cbf58), Fbm(x * 20 / depth * 0.1, y * 30, 233U, 4));
    // Poppies on the ground plane, one per cell, seen in perspective.
    const double px = (x - 0.667) / depth * 2.2;
    const double py = 0.6 / depth;
    const double fx = std::floor(px), fy = std::floor(py);
    const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    if (Lattice(ix, iy, 234U) < 0.6) {
      const double cx = fx + 0.25 + 0.5 * Lattice(ix, iy, 235U);
      const double cy = fy + 0.25 + 0.5 * Lattice(ix, iy, 236U);
      const double d = std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy));
      const double r = 0.14 + 0.08 * Lattice(ix, iy, 237U);
      const double soft = 0.03 + 0.02 / (depth * 10.0);
      c = Mix(c, Mix(Hex(0xd42a1e), Hex(0xff6a3a), Clamp01(1.0 - d / r)), Coverage(d - r, soft));
      c = Mix(c, Hex(0x1a1010), Coverage(d - r * 0.25, soft));
    }
    c = Mix(c, Hex(0xb7c9b8), 0.35 * (1.0 - SmoothStep(0.0, 0.1, y - hill)));
  }
  return c;
}

Rgb ForestScene(double x, double y) {
  Rgb c = VerticalGradient(y, 0.0, 1.0, Hex(0xdfe8c8), Hex(0x7a9460));
  // Light shafts from the upper left.
  const double shaft = SmoothStep(0.55, 0.85, ValueNoise((x + y * 0.5) * 9.0, 0.5, 241U));
  c = Screen(c, Scale(Hex(0xfff2c0), shaft * 0.35 * (1.0 - y)));
  const Rgb mist = Hex(0xd9e6cf);
  for (int layer = 0; layer < 3; ++layer) {
    const double cols = 11.0 - layer * 3.0;
    const double cell = x * cols;
    const double fx = std::floor(cell);
    const int ix = static_cast<int>(fx);
    if (Lattice(ix, layer, 247U) < 0.3) continue;
    const double cx = fx + 0.25 + 0.5 * Lattice(ix, layer, 242U);
    const double width = (0.05 + 0.06 * Lattice(ix, layer, 243U)) * (layer + 1) * 0.8;
    const double fade = 0.75 - layer * 0.35;
    const double edge = std::fabs(cell - cx) - width;
    if (edge < 0.02) {
      Rgb bark = Mix(Hex(0x2e2216), Hex(0x6a5038), Fbm(x * 200, y * 6, 244U + layer, 3));
      bark = Scale(bark, 0.8 + 0.4 * Clamp01((cx - cell) / width));
      c = Mix(c, Mix(bark, mist, fade), Coverage(edge, 0.02));
    }
  }
  const double leaves = Fbm(x * 6, y * 6, 248U, 5);
  c = Mix(c, Mix(Hex(0x1f3a1a), Hex(0x5a8a3a), leaves), SmoothStep(0.5, 0.6, leaves + 0.45 - y * 1.3));
  const double floor = 0.82 + 0.03 * Fbm(x * 4, 0.2, 245U, 3);
  if (y > floor) c = Mix(Hex(0x2e4a22), Hex(0x7a9a46), Fbm(x * 40, y * 40, 246U, 3));
  return c;
}

Rgb AuroraScene(double x, double y) {
  Rgb c = VerticalGradient(y, 0.0, 0.75, Hex(0x030818), Hex(0x0f2a48));
  const double star = Lattice(static_cast<int>(x * 300), static_cast<int>(y * 300), 251U);
  c = Add(c, Scale(Hex(0xffffff), SmoothStep(0.994, 1.0, star)));
  const double curtainY = 0.25 + 0.12 * SinSeries(x * 4.0 + 1.0) + 0.05 * Fbm(x * 3, 0.0, 252U, 3);
  const double streak = Fbm(x * 40, 0.2, 253U, 3);
  const double band = ExpSeries(-((y - curtainY) * 7) * ((y - curtainY) * 7)) * (y > curtainY ? 1.0 : 0.4);
  const double rise = ExpSeries(-std::fabs(y - curtainY + 0.1) * 3) * (y < curtainY ? 1.0 : 0.0);
  c = Screen(c, Scale(Mix(Hex(0x40ff9a), Hex(0x9a5cff), SmoothStep(0.0, 0.2, curtainY - y)),
                      (band + rise * 0.5) * (0.4 + 0.8 * streak)));
  const double hills = Ridge(x, 254U, 0.85, 0.15, 2.0);
  if (y > hills) c = Mix(Hex(0x02060c), Hex(0x0b1620), Fbm(x * 10, y * 10, 255U, 3));
  return c;
}

}  // namespace

StandinImage PaintFieldPhoto() { return PaintWide(FieldScene); }
StandinImage PaintLakePhoto() { return PaintWide(LakeScene); }
StandinImage PaintMountainPhoto() {
  return PaintWide([](double x, double y) { return MountainScene(x, y, kWinterMorning, 261U); });
}
StandinImage PaintBeachPhoto() { return PaintWide(BeachScene); }
StandinImage PaintPoppyPhoto() { return PaintWide(PoppyScene); }
StandinImage PaintSunrisePhoto() {
  return PaintWide([](double x, double y) { return MountainScene(x, y, kAlpineSunrise, 271U); });
}
StandinImage PaintForestPhoto() { return PaintWide(ForestScene); }
StandinImage PaintAuroraPhoto() { return PaintWide(AuroraScene); }

}  // namespace velkor
