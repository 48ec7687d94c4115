// Painting toolkit of the stand-in data generator: colours, integer-hashed value
// noise, cell noise, smooth shapes and signed distances, and a per-pixel painter.
// Everything is plain double arithmetic with the exact maths
// (tools/standin/exact), so a picture comes out byte for byte the same on every
// run and machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velkor {

// The square sizes of the data set's pictures: textures, sprites and masks
// (TGA files), and photographs and illustrations (JPEG files).
constexpr int kTextureSize = 256;
constexpr int kPictureSize = 512;

// An RGB picture, 8 bits per channel, top row first as a viewer sees it.
struct StandinImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

namespace paint {

struct Rgb {
  double r, g, b;
};

Rgb Hex(std::uint32_t rrggbb);
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Scale(Rgb a, double k);
Rgb Add(Rgb a, Rgb b);
// Screen blend: brightens a by b.
Rgb Screen(Rgb a, Rgb b);

double Clamp01(double x);
double Mix(double a, double b, double t);
double SmoothStep(double edge0, double edge1, double x);

std::uint32_t Hash(std::uint32_t x);
// Uniform 0..1 for an integer lattice point and a seed.
double Lattice(int x, int y, std::uint32_t seed);

// Value noise 0..1 with quintic blending; with period > 0 it repeats every
// period units in x and y (for tileable textures).
double ValueNoise(double x, double y, std::uint32_t seed, int period = 0);
// Fractal sum of octaves, normalised to 0..1; the period doubles per octave.
double Fbm(double x, double y, std::uint32_t seed, int octaves, int period = 0);

// Cell (Worley) noise: distances to the nearest and second nearest feature
// point, one point per unit cell; periodic when period > 0.
struct CellDistances {
  double nearest;
  double second;
};
CellDistances CellNoise(double x, double y, std::uint32_t seed, int period = 0);

// Signed distances, negative inside.
double EllipseDistance(double x, double y, double cx, double cy, double rx, double ry, double angle);
double CircleDistance(double x, double y, double cx, double cy, double r);
// Closed polygon of n points (xy pairs).
double PolygonDistance(const double* xy, int n, double x, double y);
// Distance to a segment (unsigned).
double SegmentDistance(double x, double y, double ax, double ay, double bx, double by);

// Coverage 0..1 of a shape from its signed distance, soft over width.
double Coverage(double distance, double width);

// A black width x height picture.
StandinImage BlankImage(int width, int height);
// Stores c, each channel clamped to 0..1 and rounded to 8 bits, as the
// pixel-th pixel (row by row from the top left).
void PutPixel(StandinImage& image, std::size_t pixel, Rgb c);

// Paints width x height pixels; shade(u, v) gets the pixel centre, u from 0 at
// the left to 1 at the right, v from 0 at the top to 1 at the bottom.
template <typename Shade>
StandinImage Paint(int width, int height, Shade shade) {
  StandinImage image = BlankImage(width, height);
  std::size_t pixel = 0;
  for (int y = 0; y < height; ++y) {
    const double v = (y + 0.5) / height;
    for (int x = 0; x < width; ++x) PutPixel(image, pixel++, shade((x + 0.5) / width, v));
  }
  return image;
}

// Grey levels 0..1 of an image's red channel, top row first.
std::vector<double> RedChannel(const StandinImage& image);
// Separable box blur of a width x height field, repeated passes times.
void BoxBlur(std::vector<double>& field, int width, int height, int radius, int passes);

}  // namespace paint
}  // namespace velkor
