// Transcendental functions for the stand-in data set. The C library's sin,
// exp and friends may differ in the last bit between machines; these use only
// IEEE +, -, ×, /, sqrt and floor (exactly rounded everywhere) and are compiled
// without fused multiply-add, so a generator calling them writes the same
// bytes everywhere.
//
// Sine and exponential come in two versions that agree to about an ulp but
// not bit for bit: the song was made with the Horner polynomials, the pictures
// and meshes with the summed Taylor series. Which one a generator calls is part
// of its output, so both are kept.
#pragma once

namespace velkor {

constexpr double kLn2 = 0.69314718055994530942;

// x - floor(x): the fraction of a cycle, in [0, 1).
double Fract(double x);

// ---- Horner polynomials (the song) ----
// sin(2π·turns), within 1e-9.
double SinTurns(double turns);
// e^x to double precision; 0 below -700, e^700 above 700.
double ExpExact(double x);
// 2^x, as ExpExact(x·ln 2).
double Exp2Exact(double x);
// log2(x) to double precision; -1074 for x <= 0.
double Log2Exact(double x);
// tanh(x) from ExpExact; exactly ±1 beyond ±20.
double TanhExact(double x);

// ---- Summed Taylor series (the pictures and meshes) ----
// sin(x) and cos(x) of radians, to an ulp or two.
double SinSeries(double x);
double CosSeries(double x);
// e^x to an ulp or two; 0 below -700, e^700 above 700.
double ExpSeries(double x);
// atan2(y, x) in [-π, π]; 0 for the origin.
double Atan2Series(double y, double x);

}  // namespace velkor
