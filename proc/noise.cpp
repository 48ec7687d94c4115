// Generator, noise tables and value noise. Integer conversion truncates toward
// zero and table indices keep the low bits of the two's-complement value.
#include "proc/noise.h"

#include <cmath>

#include "proc/maths.h"

namespace velkor {

float noiseValues[kNoiseTableSize];
int noiseHash[kNoiseTableSize];

namespace {
unsigned generatorState = 1;

inline int Trunc(float v) { return static_cast<int>(v); }

template <float (*Blend)(float, float, float)>
float ValueNoise3(float x, float y, float z) {
  const int ix = Trunc(x), iy = Trunc(y), iz = Trunc(z);
  const float fx = x - static_cast<float>(ix);
  const float fy = y - static_cast<float>(iy);
  const float fz = z - static_cast<float>(iz);
  auto q = [&](int dx, int dy, int dz) {
    return NoiseLattice(static_cast<float>(ix + dx), static_cast<float>(iy + dy), static_cast<float>(iz + dz));
  };
  const float a = Blend(q(0, 0, 0), q(1, 0, 0), fx);
  const float b = Blend(q(0, 1, 0), q(1, 1, 0), fx);
  const float c = Blend(q(0, 0, 1), q(1, 0, 1), fx);
  const float d = Blend(q(0, 1, 1), q(1, 1, 1), fx);
  const float e = Blend(a, b, fy);
  const float f = Blend(c, d, fy);
  return Blend(e, f, fz);
}
}  // namespace

int Rand15() {
  generatorState = generatorState * 214013u + 2531011u;
  return static_cast<int>((generatorState >> 16) & 0x7FFF);
}

unsigned Rand15State() { return generatorState; }
void SetRand15State(unsigned state) { generatorState = state; }

void InitNoiseTables() {
  for (int k = 0; k < kNoiseTableSize; ++k)
    noiseValues[k] = static_cast<float>((Rand15() & 2047) - 1024) * (1.0f / 1024.0f);
  for (int k = 0; k < kNoiseTableSize; ++k) noiseHash[k] = Rand15() & 2047;
}

float LinearInterpolate(float a, float b, float t) { return (1.0f - t) * a + b * t; }

float CosineInterpolate(float a, float b, float t) {
  const float f = (1.0f - std::cos(t * kPiF)) * 0.5f;
  return (1.0f - f) * a + f * b;
}

float CatmullRomSegment(float x, int count, const float* points) {
  int i = Trunc(x);
  if (i > count - 4) i = count - 4;
  if (i < 0) i = 0;  // a window shorter than four points or a negative x reads nothing outside
  const float t = x - static_cast<float>(i);
  const float p0 = points[i], p1 = points[i + 1], p2 = points[i + 2], p3 = points[i + 3];
  const float c3 = -0.5f * p0 + 1.5f * p1 - 1.5f * p2 + 0.5f * p3;
  const float c2 = 1.0f * p0 - 2.5f * p1 + 2.0f * p2 - 0.5f * p3;
  const float c1 = -0.5f * p0 + 0.5f * p2;
  const float c0 = p1;
  return ((c3 * t + c2) * t + c1) * t + c0;
}

float NoiseLattice(float x, float y, float z) {
  const int index = (noiseHash[Trunc(y) & 2047] + noiseHash[Trunc(z) & 2047] + Trunc(x)) & 2047;
  return noiseValues[index];
}

float LinearNoise3(float x, float y, float z) { return ValueNoise3<LinearInterpolate>(x, y, z); }
float CosineNoise3(float x, float y, float z) { return ValueNoise3<CosineInterpolate>(x, y, z); }

}  // namespace velkor
