// Generator, noise tables, value noise (with its linear and cosine blends) and
// the Catmull-Rom segment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "proc/noise.h"

namespace velkor {
namespace {

class NoiseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetRand15State(1);
    InitNoiseTables();
  }
};

// Values are (draw & 2047 - 1024) / 1024 from draws 1 .. 2048, hashes draw & 2047
// from draws 2049 .. 4096: the generator's first draw from state 1, 41, gives
// -983 / 1024, and so on.
TEST_F(NoiseTest, TablesTakeExactly4096DrawsAndNoiseStaysInTheirRange) {
  const float values[] = {-0.9599609375f, -0.9658203125f, -0.814453125f, 0.87890625f, -0.2802734375f};
  const int hash[] = {1758, 1831, 597, 1760, 108};
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(noiseValues[k], values[k]) << k;
    EXPECT_EQ(noiseHash[k], hash[k]) << k;
  }
  EXPECT_EQ(*std::min_element(noiseHash, noiseHash + kNoiseTableSize), 0);
  EXPECT_EQ(*std::max_element(noiseHash, noiseHash + kNoiseTableSize), 2047);
  EXPECT_GE(*std::min_element(noiseValues, noiseValues + kNoiseTableSize), -1.0f);
  EXPECT_LE(*std::max_element(noiseValues, noiseValues + kNoiseTableSize), 0.9990234375f);
  const unsigned afterTables = Rand15State();
  SetRand15State(1);
  for (int i = 0; i < 4096; ++i) Rand15();
  EXPECT_EQ(afterTables, Rand15State());
  // Lattice (0, 0, 0) reads value (hash[0] + hash[0] + 0) & 2047 = 3516 & 2047 = 1468.
  EXPECT_EQ(NoiseLattice(0, 0, 0), noiseValues[1468]);
  EXPECT_EQ(NoiseLattice(1, 0, 0), noiseValues[1469]);
  for (float x = 0; x < 20; x += 0.37f) {
    const float n = CosineNoise3(x, x * 0.3f, x * 1.7f);
    EXPECT_TRUE(n >= -1.0f && n <= 0.9990234375f) << x;
  }
}

// With hash[k] = k and value[k] = k / 2048 the lattice value is the wrapped sum
// of the truncated coordinates, which makes every case workable by hand.
TEST_F(NoiseTest, LatticeTruncatesTowardZeroAndWrapsAndNoiseBlendsItsCorners) {
  for (int k = 0; k < kNoiseTableSize; ++k) noiseHash[k] = k, noiseValues[k] = k / 2048.0f;
  const struct {
    const char* name;
    float x, y, z, index;
  } lattice[] = {{"origin", 0, 0, 0, 0},        {"sum", 5, 7, 11, 23},
                 {"-0.9 truncates to 0", -0.9f, 0, 0, 0}, {"negative x", -1, 3, 0, 2},
                 {"negative y masks to 2047", -1, -1.5f, 0, 2046}, {"wraps past 2047", 1000, 1000, 100, 52}};
  for (const auto& c : lattice) EXPECT_EQ(NoiseLattice(c.x, c.y, c.z), c.index / 2048.0f) << c.name;
  // Value noise of a linear table is linear between lattice points; the
  // cosine blend weighs a quarter of the way (1 - cos(pi / 4)) / 2.
  EXPECT_FLOAT_EQ(LinearNoise3(0.25f, 0, 0), 0.25f / 2048);
  EXPECT_FLOAT_EQ(LinearNoise3(2.5f, 3.25f, 4.75f), 10.5f / 2048);
  EXPECT_FLOAT_EQ(CosineNoise3(0.25f, 0, 0), 0.14644661f / 2048);
  EXPECT_FLOAT_EQ(CosineNoise3(2, 3.5f, 4), 9.5f / 2048);
  EXPECT_EQ(CosineNoise3(3, 1, 2), 6 / 2048.0f);
}

TEST(CatmullRomTest, PassesThroughTheInnerPointsOfAFourPointWindow) {
  const float p[] = {1.0f, 3.0f, -2.0f, 7.0f};
  EXPECT_EQ(CatmullRomSegment(0.0f, 4, p), 3.0f);
  EXPECT_NEAR(CatmullRomSegment(0.9999f, 4, p), -2.0f, 1e-2f);
  // Midpoint of the uniform curve: (-p0 + 9p1 + 9p2 - p3) / 16.
  EXPECT_FLOAT_EQ(CatmullRomSegment(0.5f, 4, p), (-1.0f + 27.0f - 18.0f - 7.0f) / 16.0f);
  const float line[] = {0.0f, 1.0f, 2.0f, 3.0f};
  EXPECT_FLOAT_EQ(CatmullRomSegment(0.25f, 4, line), 1.25f) << "points on a line are followed evenly";
}

}  // namespace
}  // namespace velkor
