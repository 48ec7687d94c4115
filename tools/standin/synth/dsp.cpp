// Oscillators, filters and envelopes of the synthesiser.
#include "tools/standin/synth/dsp.h"

#include <algorithm>

#include "proc/maths.h"
#include "tools/standin/exact/exact_math.h"

namespace velkor {

namespace {

constexpr double kRate = kSynthRate;

// Step correction of the saw around its wrap, at phase t with increment dt.
double PolyBlep(double t, double dt) {
  if (t < dt) {
    const double x = t / dt;
    return x + x - x * x - 1.0;
  }
  if (t > 1.0 - dt) {
    const double x = (t - 1.0) / dt;
    return x * x + x + x + 1.0;
  }
  return 0.0;
}

}  // namespace

int SynthFrames(double seconds) { return static_cast<int>(seconds * kRate + 0.5); }

double MidiToHz(double note) { return 440.0 * Exp2Exact((note - 69.0) / 12.0); }

float NextNoise(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return static_cast<float>(static_cast<std::int32_t>(state) * (1.0 / 2147483648.0));
}

double DecayFactor(double seconds) { return ExpExact(-1.0 / (seconds * kRate)); }

double OnePole(double hz) { return 1.0 - ExpExact(-2.0 * kPi * hz / kRate); }

double SawSample(double phase, double dt) { return 2.0 * phase - 1.0 - PolyBlep(phase, dt); }

void Svf::SetCutoff(double hz, double damp) {
  hz = std::min(std::max(hz, 20.0), 6500.0);
  f = 2.0 * SinTurns(hz / (2.0 * kRate));
  damping = damp;
}

void Svf::Step(double x) {
  low += f * band;
  high = x - low - damping * band;
  band += f * high;
}

double AttackRelease(int n, double attack, int frames, int release) {
  double amp = std::min(1.0, n / attack);
  if (n >= frames) amp *= 1.0 - static_cast<double>(n - frames) / release;
  return amp;
}

void FadeTail(std::vector<float>& voice, int frames) {
  const int n = static_cast<int>(voice.size());
  frames = std::min(frames, n);
  for (int i = 0; i < frames; ++i) voice[n - 1 - i] *= static_cast<float>(i) / frames;
}

}  // namespace velkor
