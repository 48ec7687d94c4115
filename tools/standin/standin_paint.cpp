// Painting toolkit of the stand-in data generator.
// Fused multiply-add would change results between machines; keep every
// operation separately rounded.

#include "tools/standin/standin_paint.h"

#include <algorithm>
#include <cmath>

#include "tools/standin/exact/exact_math.h"

namespace velkor::paint {

Rgb Hex(std::uint32_t c) {
  return {((c >> 16) & 255) / 255.0, ((c >> 8) & 255) / 255.0, (c & 255) / 255.0};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb a, double k) { return {a.r * k, a.g * k, a.b * k}; }

Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }

Rgb Screen(Rgb a, Rgb b) {
  return {1.0 - (1.0 - Clamp01(a.r)) * (1.0 - Clamp01(b.r)), 1.0 - (1.0 - Clamp01(a.g)) * (1.0 - Clamp01(b.g)),
          1.0 - (1.0 - Clamp01(a.b)) * (1.0 - Clamp01(b.b))};
}

double Clamp01(double x) { return x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x); }

double Mix(double a, double b, double t) { return a + (b - a) * t; }

double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0 - 2.0 * t);
}

std::uint32_t Hash(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

double Lattice(int x, int y, std::uint32_t seed) {
  const std::uint32_t h =
      Hash(static_cast<std::uint32_t>(x) * 0x9E3779B1U ^ Hash(static_cast<std::uint32_t>(y) * 0x85EBCA77U ^ seed));
  return (h >> 8) / 16777216.0;
}

namespace {

int Wrap(int i, int period) {
  if (period <= 0) return i;
  const int m = i % period;
  return m < 0 ? m + period : m;
}

double Quintic(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

}  // namespace

double ValueNoise(double x, double y, std::uint32_t seed, int period) {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  const int ix = static_cast<int>(fx);
  const int iy = static_cast<int>(fy);
  const double tx = Quintic(x - fx);
  const double ty = Quintic(y - fy);
  const int x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
  const int y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
  const double a = Mix(Lattice(x0, y0, seed), Lattice(x1, y0, seed), tx);
  const double b = Mix(Lattice(x0, y1, seed), Lattice(x1, y1, seed), tx);
  return Mix(a, b, ty);
}

double Fbm(double x, double y, std::uint32_t seed, int octaves, int period) {
  double sum = 0.0;
  double weight = 0.5;
  double total = 0.0;
  for (int o = 0; o < octaves; ++o) {
    sum += ValueNoise(x, y, seed + static_cast<std::uint32_t>(o) * 1013U, period) * weight;
    total += weight;
    x *= 2.0;
    y *= 2.0;
    if (period > 0) period *= 2;
    weight *= 0.5;
  }
  return sum / total;
}

CellDistances CellNoise(double x, double y, std::uint32_t seed, int period) {
  const double fx = std::floor(x);
  const double fy = std::floor(y);
  const int ix = static_cast<int>(fx);
  const int iy = static_cast<int>(fy);
  CellDistances d{10.0, 10.0};
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      const int cx = Wrap(ix + i, period);
      const int cy = Wrap(iy + j, period);
      const double px = fx + i + 0.1 + 0.8 * Lattice(cx, cy, seed);
      const double py = fy + j + 0.1 + 0.8 * Lattice(cx, cy, seed + 77U);
      const double dist = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (dist < d.nearest) {
        d.second = d.nearest;
        d.nearest = dist;
      } else if (dist < d.second) {
        d.second = dist;
      }
    }
  }
  return d;
}

double EllipseDistance(double x, double y, double cx, double cy, double rx, double ry, double angle) {
  const double c = CosSeries(angle);
  const double s = SinSeries(angle);
  const double dx = x - cx;
  const double dy = y - cy;
  const double lx = (dx * c + dy * s) / rx;
  const double ly = (-dx * s + dy * c) / ry;
  // Approximate distance: scaled radial distance times the smaller radius.
  const double k = std::sqrt(lx * lx + ly * ly);
  return (k - 1.0) * (rx < ry ? rx : ry);
}

double CircleDistance(double x, double y, double cx, double cy, double r) {
  return std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) - r;
}

double SegmentDistance(double x, double y, double ax, double ay, double bx, double by) {
  const double dx = bx - ax;
  const double dy = by - ay;
  const double len2 = dx * dx + dy * dy;
  double t = len2 > 0.0 ? ((x - ax) * dx + (y - ay) * dy) / len2 : 0.0;
  t = Clamp01(t);
  const double px = ax + dx * t - x;
  const double py = ay + dy * t - y;
  return std::sqrt(px * px + py * py);
}

double PolygonDistance(const double* xy, int n, double x, double y) {
  double best = 1e30;
  bool inside = false;
  for (int i = 0, j = n - 1; i < n; j = i++) {
    const double xi = xy[2 * i], yi = xy[2 * i + 1];
    const double xj = xy[2 * j], yj = xy[2 * j + 1];
    const double d = SegmentDistance(x, y, xj, yj, xi, yi);
    if (d < best) best = d;
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside ? -best : best;
}

double Coverage(double distance, double width) { return 1.0 - SmoothStep(-width, width, distance); }

StandinImage BlankImage(int width, int height) {
  StandinImage image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  return image;
}

void PutPixel(StandinImage& image, std::size_t pixel, Rgb c) {
  image.rgb[3 * pixel] = static_cast<std::uint8_t>(Clamp01(c.r) * 255.0 + 0.5);
  image.rgb[3 * pixel + 1] = static_cast<std::uint8_t>(Clamp01(c.g) * 255.0 + 0.5);
  image.rgb[3 * pixel + 2] = static_cast<std::uint8_t>(Clamp01(c.b) * 255.0 + 0.5);
}

std::vector<double> RedChannel(const StandinImage& image) {
  std::vector<double> out(static_cast<std::size_t>(image.width) * image.height);
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = image.rgb[3 * i] / 255.0;
  return out;
}

namespace {

// One pass of a box blur along rows or along columns, the edge pixels repeated.
void BoxBlurPass(const std::vector<double>& from, std::vector<double>& to, int width, int height, int radius,
                 bool alongRows) {
  const double scale = 1.0 / (2 * radius + 1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double sum = 0.0;
      for (int k = -radius; k <= radius; ++k) {
        const int xx = alongRows ? std::clamp(x + k, 0, width - 1) : x;
        const int yy = alongRows ? y : std::clamp(y + k, 0, height - 1);
        sum += from[static_cast<std::size_t>(yy) * width + xx];
      }
      to[static_cast<std::size_t>(y) * width + x] = sum * scale;
    }
  }
}

}  // namespace

void BoxBlur(std::vector<double>& field, int width, int height, int radius, int passes) {
  std::vector<double> tmp(field.size());
  for (int p = 0; p < passes; ++p) {
    BoxBlurPass(field, tmp, width, height, radius, true);
    BoxBlurPass(tmp, field, width, height, radius, false);
  }
}

}  // namespace velkor::paint
