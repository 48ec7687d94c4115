// Deterministic transcendental functions. Every result depends on the order of
// the operations below; rewriting a formula, even to an equal one, changes the
// stand-in data set.
#include "tools/standin/exact/exact_math.h"

#include <cmath>

#include "proc/maths.h"

namespace velkor {

namespace {

// Clamps x to at most 700 and splits it as k·ln2 + r with |r| <= ln2 / 2, so
// that e^x = 2^k · e^r. False below -700, where e^x is taken as 0.
bool SplitByLn2(double x, int* k, double* r) {
  if (x < -700.0) return false;
  if (x > 700.0) x = 700.0;
  const double n = std::floor(x / kLn2 + 0.5);
  *k = static_cast<int>(n);
  *r = x - n * kLn2;
  return true;
}

}  // namespace

double Fract(double x) { return x - std::floor(x); }

double SinTurns(double turns) {
  double r = Fract(turns + 0.5) - 0.5;  // [-0.5, 0.5)
  if (r > 0.25) r = 0.5 - r;
  if (r < -0.25) r = -0.5 - r;
  const double x = 2.0 * kPi * r;  // [-π/2, π/2]
  const double x2 = x * x;
  // Taylor polynomial to x^13: error below 1e-9 on the reduced range.
  double p = 1.0 / 6227020800.0;
  p = p * x2 - 1.0 / 39916800.0;
  p = p * x2 + 1.0 / 362880.0;
  p = p * x2 - 1.0 / 5040.0;
  p = p * x2 + 1.0 / 120.0;
  p = p * x2 - 1.0 / 6.0;
  p = p * x2 + 1.0;
  return x * p;
}

double ExpExact(double x) {
  int k = 0;
  double r = 0.0;
  if (!SplitByLn2(x, &k, &r)) return 0.0;
  static const double kInv[12] = {1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0, 1.0 / 40320.0,
                                  1.0 / 5040.0,     1.0 / 720.0,     1.0 / 120.0,    1.0 / 24.0,
                                  1.0 / 6.0,        1.0 / 2.0,       1.0,            1.0};
  double p = 1.0 / 479001600.0;
  for (double c : kInv) p = p * r + c;
  return std::ldexp(p, k);
}

double Exp2Exact(double x) { return ExpExact(x * kLn2); }

double TanhExact(double x) {
  if (x > 20.0) return 1.0;
  if (x < -20.0) return -1.0;
  const double e = ExpExact(2.0 * x);
  return (e - 1.0) / (e + 1.0);
}

double Log2Exact(double x) {
  if (x <= 0.0) return -1074.0;
  int e = 0;
  const double m = std::frexp(x, &e);  // x = m · 2^e, m in [0.5, 1)
  // ln m = 2·atanh(s), by its series up to s^27.
  const double s = (m - 1.0) / (m + 1.0), s2 = s * s;
  double p = 1.0 / 27.0;
  for (int k = 12; k >= 0; --k) p = p * s2 + 1.0 / (2 * k + 1);
  return e + 2.0 * s * p / kLn2;
}

double SinSeries(double x) {
  // Reduce to [-π, π], then fold into [-π/2, π/2].
  const double turns = std::floor(x / (2.0 * kPi) + 0.5);
  double r = x - turns * (2.0 * kPi);
  if (r > kPi / 2) r = kPi - r;
  if (r < -kPi / 2) r = -kPi - r;
  // Taylor terms up to r^23: error below 1e-15 on the folded range.
  const double r2 = r * r;
  double term = r;
  double sum = r;
  for (int n = 1; n < 12; ++n) {
    term = -term * r2 / ((2.0 * n) * (2.0 * n + 1.0));
    sum += term;
  }
  return sum;
}

double CosSeries(double x) { return SinSeries(x + kPi / 2); }

double ExpSeries(double x) {
  int k = 0;
  double r = 0.0;
  if (!SplitByLn2(x, &k, &r)) return 0.0;
  double term = 1.0;
  double sum = 1.0;
  for (int n = 1; n < 18; ++n) {
    term = term * r / n;
    sum += term;
  }
  return std::ldexp(sum, k);
}

double Atan2Series(double y, double x) {
  // atan on [0, 1] by its series after two argument halvings
  // (atan z = 2·atan(z / (1 + sqrt(1 + z²)))).
  const double ax = std::fabs(x);
  const double ay = std::fabs(y);
  if (ax == 0.0 && ay == 0.0) return 0.0;
  const bool swap = ay > ax;
  double z = swap ? ax / ay : ay / ax;
  z = z / (1.0 + std::sqrt(1.0 + z * z));
  z = z / (1.0 + std::sqrt(1.0 + z * z));
  const double z2 = z * z;
  double term = z;
  double sum = z;
  for (int n = 1; n < 14; ++n) {
    term = -term * z2;
    sum += term / (2.0 * n + 1.0);
  }
  double a = 4.0 * sum;
  if (swap) a = kPi / 2 - a;
  if (x < 0) a = kPi - a;
  if (y < 0) a = -a;
  return a;
}

}  // namespace velkor
