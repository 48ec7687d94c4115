// The exact maths against the C library's within each function's stated
// error, and the exact values and periods the generators rely on.
#include <gtest/gtest.h>

#include <cmath>

#include "proc/maths.h"
#include "tools/standin/exact/exact_math.h"
#include "tools/standin/synth/dsp.h"

namespace velkor {
namespace {

TEST(ExactMathTest, AgreesWithTheCLibraryWithinTheStatedError) {
  using Fn = double (*)(double);
  const struct { const char* name; Fn exact, reference; double from, to, tolerance; bool relative; } cases[] = {
      {"SinTurns", SinTurns, [](double t) { return std::sin(2.0 * kPi * t); }, -40, 40, 1e-9, false},
      {"SinSeries", SinSeries, [](double x) { return std::sin(x); }, -100, 100, 5e-14, false},
      {"CosSeries", CosSeries, [](double x) { return std::cos(x); }, -100, 100, 5e-14, false},
      {"ExpExact", ExpExact, [](double x) { return std::exp(x); }, -699, 699, 1e-13, true},
      {"ExpSeries", ExpSeries, [](double x) { return std::exp(x); }, -699, 699, 1e-13, true},
      {"Exp2Exact", Exp2Exact, [](double x) { return std::exp2(x); }, -60, 60, 1e-13, true},
      {"TanhExact", TanhExact, [](double x) { return std::tanh(x); }, -25, 25, 1e-15, false},
      // Log2Exact over x = 2^e.
      {"Log2Exact", [](double e) { return Log2Exact(std::exp2(e)); }, [](double e) { return std::log2(std::exp2(e)); },
       -64, 64, 1e-14, false},
  };
  constexpr int kSamples = 100000;
  for (const auto& c : cases) {
    double worst = 0.0;
    for (int i = 0; i <= kSamples; ++i) {
      // An irrational step, so the samples do not sit on the functions' own breakpoints.
      const double x = c.from + (c.to - c.from) * std::fmod(i * 0.6180339887498949, 1.0);
      const double want = c.reference(x), error = std::fabs(c.exact(x) - want);
      worst = std::max(worst, c.relative ? error / want : error);
    }
    EXPECT_LE(worst, c.tolerance) << c.name;
  }
  double worst = 0.0;
  for (double radius : {1e-3, 1.0, 1e3})
    for (int i = 0; i <= 720; ++i) {
      const double y = radius * std::sin(i * kPi / 360), x = radius * std::cos(i * kPi / 360);
      worst = std::max(worst, std::fabs(Atan2Series(y, x) - std::atan2(y, x)));
    }
  EXPECT_LE(worst, 2e-15) << "Atan2Series";
}

TEST(ExactMathTest, ExactValuesLimitsAndPeriods) {
  const struct { double got, want; const char* what; } exact[] = {
      {Atan2Series(0.0, 0.0), 0.0, "Atan2Series(0, 0)"}, {ExpExact(0.0), 1.0, "ExpExact(0)"},
      {ExpExact(-701.0), 0.0, "ExpExact(-701)"},       {ExpSeries(-701.0), 0.0, "ExpSeries(-701)"},
      {ExpExact(800.0), ExpExact(700.0), "ExpExact(800)"}, {ExpSeries(800.0), ExpSeries(700.0), "ExpSeries(800)"},
      {Log2Exact(0.0), -1074.0, "Log2Exact(0)"},       {Log2Exact(-3.0), -1074.0, "Log2Exact(-3)"},
      {TanhExact(20.5), 1.0, "TanhExact(20.5)"},       {TanhExact(-20.5), -1.0, "TanhExact(-20.5)"},
      {SinTurns(0.5), 0.0, "SinTurns(0.5)"},           {SinTurns(-2.0), 0.0, "SinTurns(-2)"},
      // A4 is 440 Hz exactly, so every other pitch hangs on it.
      {MidiToHz(69.0), 440.0, "MidiToHz(69)"},
  };
  for (const auto& e : exact) EXPECT_EQ(e.got, e.want) << e.what;
  EXPECT_NEAR(MidiToHz(81.0) / MidiToHz(57.0), 4.0, 1e-13) << "two octaves";
  for (int k = -64; k < 64; ++k) {
    const double turns = k / 64.0;  // few enough bits that adding whole turns is exact
    EXPECT_EQ(SinTurns(turns + 7.0), SinTurns(turns)) << turns;
    EXPECT_EQ(SinTurns(turns - 3.0), SinTurns(turns)) << turns;
    EXPECT_EQ(SinSeries(-(turns + 0.01)), -SinSeries(turns + 0.01)) << turns;
    const double fraction = Fract(turns * 3.7);
    EXPECT_TRUE(fraction >= 0.0 && fraction < 1.0) << turns;
  }
}

}  // namespace
}  // namespace velkor
