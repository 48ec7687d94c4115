// Transcendental functions for the stand-in data set. The C library's sin,
// exp and friends may differ in the last bit between machines; these use only
// IEEE +, -, ×, /, sqrt and floor (exactly rounded everywhere) and are compiled
// without fused multiply-add, so a generator calling them writes the same
// bytes everywhere.
//
// Sine and exponential come in two versions that agree to about an ulp but
// not bit for bit: the song was made with the Horner polynomials, the pictures
// and meshes with the summed Taylor series. Which one a generator calls shows
// in its output bytes, so both are kept.
#pragma once

namespace velkor {

constexpr double kLn2 = 0.69314718055994530942;

// x - floor(x): the fraction of a cycle, in [0, 1).
double Fract(double x);

// ---- Horner polynomials (the song) ----
// sin(2π·turns), within 1e-9.
double SinTurns(double turns);
// e^x within a relative 1e-13; 0 below -700, e^700 above 700.
double ExpExact(double x);
// 2^x, as ExpExact(x·ln 2).
double Exp2Exact(double x);
// log2(x) within 1e-14 for x from 2^-64 to 2^64; -1074 for x <= 0.
double Log2Exact(double x);
// tanh(x) within 1e-15, from ExpExact; exactly ±1 beyond ±20.
double TanhExact(double x);

// ---- Summed Taylor series (the pictures and meshes) ----
// sin(x) and cos(x) of radians, within 5e-14 for |x| <= 100 (1e-15 near 0:
// the reduction by a rounded 2π loses more the larger x is).
double SinSeries(double x);
double CosSeries(double x);
// e^x within a relative 1e-13; 0 below -700, e^700 above 700.
double ExpSeries(double x);
// atan2(y, x) in [-π, π] within 2e-15; 0 for the origin.
double Atan2Series(double y, double x);

}  // namespace velkor
