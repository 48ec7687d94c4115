// Generator, noise tables, value noise and interpolation.
#include <gtest/gtest.h>

#include <cmath>

#include "proc/noise.h"

namespace velkor {
namespace {

class NoiseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SetRand15State(1);
    InitNoiseTables();
  }
};

TEST(Rand15Test, FirstValuesFromInitialState) {
  SetRand15State(1);
  const int expected[] = {41, 18467, 6334, 26500, 19169};
  for (int e : expected) EXPECT_EQ(Rand15(), e);
}

TEST_F(NoiseTest, TablesHoldTheDocumentedFirstEntries) {
  const float values[] = {-0.9599609375f, -0.9658203125f, -0.814453125f, 0.87890625f, -0.2802734375f};
  const int hash[] = {1758, 1831, 597, 1760, 108};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(noiseValues[k], values[k]) << k;
    EXPECT_EQ(noiseHash[k], hash[k]) << k;
  }
  for (int k = 0; k < kNoiseTableSize; ++k) {
    ASSERT_GE(noiseHash[k], 0);
    ASSERT_LE(noiseHash[k], 2047);
    ASSERT_GE(noiseValues[k], -1.0f);
    ASSERT_LE(noiseValues[k], 0.9990234375f);
  }
}

TEST_F(NoiseTest, TablesTakeExactly4096Draws) {
  SetRand15State(1);
  for (int i = 0; i < 4096; ++i) Rand15();
  const unsigned after = Rand15State();
  SetRand15State(1);
  InitNoiseTables();
  EXPECT_EQ(Rand15State(), after);
}

TEST_F(NoiseTest, LatticeIndexesThroughTheHash) {
  EXPECT_EQ(NoiseLattice(0, 0, 0), 0.58203125f);
  EXPECT_EQ(noiseValues[1468], 0.58203125f);
  EXPECT_EQ(NoiseLattice(1, 0, 0), -0.0068359375f);
  EXPECT_EQ(noiseValues[1469], -0.0068359375f);
}

TEST_F(NoiseTest, NegativeCoordinatesMaskTwosComplement) {
  // trunc(-1.5) = -1 and -1 & 2047 = 2047.
  const int index = (noiseHash[2047] + noiseHash[0] - 1) & 2047;
  EXPECT_EQ(NoiseLattice(-1.0f, -1.5f, 0.0f), noiseValues[(noiseHash[2047] + noiseHash[0] + -1) & 2047]);
  EXPECT_EQ(NoiseLattice(-1.0f, -1.5f, 0.0f), noiseValues[index]);
  EXPECT_EQ(NoiseLattice(-0.9f, 0.0f, 0.0f), NoiseLattice(0.0f, 0.0f, 0.0f));
}

TEST_F(NoiseTest, IntegerCoordinatesReturnTheLatticeValue) {
  for (int x = -3; x < 4; ++x)
    for (int y = 0; y < 3; ++y)
      for (int z = 0; z < 3; ++z) {
        const float lattice = NoiseLattice(float(x), float(y), float(z));
        EXPECT_EQ(LinearNoise3(float(x), float(y), float(z)), lattice);
        EXPECT_EQ(CosineNoise3(float(x), float(y), float(z)), lattice);
      }
}

TEST_F(NoiseTest, LinearNoiseBlendsCornersAlongEachAxis) {
  const float a = NoiseLattice(0, 0, 0), b = NoiseLattice(1, 0, 0);
  EXPECT_FLOAT_EQ(LinearNoise3(0.25f, 0, 0), 0.75f * a + 0.25f * b);
  const float c = NoiseLattice(0, 1, 0);
  EXPECT_FLOAT_EQ(LinearNoise3(0, 0.5f, 0), 0.5f * a + 0.5f * c);
  // Non-negative coordinates stay inside the value range.
  for (float x = 0; x < 20; x += 0.37f) {
    const float n = CosineNoise3(x, x * 0.3f, x * 1.7f);
    EXPECT_GE(n, -1.0f);
    EXPECT_LE(n, 0.9990234375f);
  }
}

TEST(InterpolateTest, EndPointsAndMiddle) {
  EXPECT_EQ(LinearInterpolate(2.0f, 6.0f, 0.0f), 2.0f);
  EXPECT_EQ(LinearInterpolate(2.0f, 6.0f, 1.0f), 6.0f);
  EXPECT_EQ(LinearInterpolate(2.0f, 6.0f, 2.0f), 10.0f);  // no clamping
  EXPECT_EQ(CosineInterpolate(2.0f, 6.0f, 0.0f), 2.0f);
  EXPECT_NEAR(CosineInterpolate(2.0f, 6.0f, 0.5f), 4.0f, 1e-6f);
  EXPECT_NEAR(CosineInterpolate(2.0f, 6.0f, 1.0f), 6.0f, 1e-6f);
}

TEST(CatmullRomTest, PassesThroughInnerPoints) {
  const float p[] = {1.0f, 3.0f, -2.0f, 7.0f};
  EXPECT_EQ(CatmullRomSegment(0.0f, 4, p), 3.0f);
  EXPECT_NEAR(CatmullRomSegment(0.9999f, 4, p), -2.0f, 1e-2f);
  const float flat[] = {5.0f, 5.0f, 5.0f, 5.0f};
  for (float t = 0; t < 1.0f; t += 0.1f) EXPECT_FLOAT_EQ(CatmullRomSegment(t, 4, flat), 5.0f);
  // Midpoint of the uniform curve: (-p0 + 9p1 + 9p2 - p3) / 16.
  EXPECT_FLOAT_EQ(CatmullRomSegment(0.5f, 4, p), (-1.0f + 27.0f - 18.0f - 7.0f) / 16.0f);
}

TEST(CatmullRomTest, LongerWindowsUseTheSegmentOfX) {
  const float p[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
  EXPECT_FLOAT_EQ(CatmullRomSegment(1.5f, 6, p), 2.5f);
  EXPECT_FLOAT_EQ(CatmullRomSegment(2.0f, 6, p), 3.0f);
  EXPECT_FLOAT_EQ(CatmullRomSegment(3.5f, 6, p), 4.5f);  // capped at count - 4, t = 1.5
}

}  // namespace
}  // namespace velkor
