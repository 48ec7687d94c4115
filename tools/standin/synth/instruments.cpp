// The synthesiser's instruments, each a loop over its oscillators, filters
// and envelopes.
#include "tools/standin/synth/instruments.h"

#include <algorithm>

#include "proc/maths.h"
#include "tools/standin/exact/exact_math.h"
#include "tools/standin/synth/dsp.h"

namespace velkor {

namespace {

constexpr double kRate = kSynthRate;

// 808-style metallic tone: six square waves at inharmonic ratios.
double MetalSample(double* phases, double scale) {
  static const double kFreqs[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  double s = 0.0;
  for (int i = 0; i < 6; ++i) {
    phases[i] = Fract(phases[i] + kFreqs[i] * scale / kRate);
    s += phases[i] < 0.5 ? 1.0 : -1.0;
  }
  return s / 6.0;
}

}  // namespace

std::vector<float> RenderKick() {
  std::vector<float> v(SynthFrames(0.42));
  const double pitchDecay = DecayFactor(0.032), ampDecay = DecayFactor(0.16), clickDecay = DecayFactor(0.0025);
  double pitchEnv = 1.0, amp = 1.0, click = 1.0, phase = 0.0, clickLow = 0.0;
  std::uint32_t seed = 0x1234567u;
  const double norm = 1.0 / TanhExact(1.8);
  for (std::size_t n = 0; n < v.size(); ++n) {
    const double hz = 47.0 + 150.0 * pitchEnv;
    const double attack = std::min(1.0, n / 22.0);
    clickLow += 0.5 * (NextNoise(seed) - clickLow);
    const double s = SinTurns(phase) * amp * attack + 0.35 * clickLow * click;
    v[n] = static_cast<float>(TanhExact(1.8 * s) * norm);
    phase = Fract(phase + hz / kRate);
    pitchEnv *= pitchDecay;
    amp *= ampDecay;
    click *= clickDecay;
  }
  FadeTail(v, SynthFrames(0.03));
  return v;
}

std::vector<float> RenderSnare(std::uint32_t seed) {
  std::vector<float> v(SynthFrames(0.34));
  Svf body;
  body.SetCutoff(1900.0, 0.9);
  const double toneDecay = DecayFactor(0.045), noiseDecay = DecayFactor(0.085);
  double tone = 1.0, noise = 1.0, p1 = 0.0, p2 = 0.0, lp = 0.0;
  const double hpA = OnePole(900.0);
  for (std::size_t n = 0; n < v.size(); ++n) {
    const double attack = std::min(1.0, n / 30.0);
    const double x = NextNoise(seed);
    body.Step(x);
    lp += hpA * (x - lp);
    const double hiss = (x - lp) * 0.55 + body.band * 0.9;
    const double t = 0.55 * SinTurns(p1) + 0.3 * SinTurns(p2);
    v[n] = static_cast<float>((t * tone + hiss * noise) * attack * 0.8);
    p1 = Fract(p1 + 182.0 / kRate);
    p2 = Fract(p2 + 331.0 / kRate);
    tone *= toneDecay;
    noise *= noiseDecay;
  }
  FadeTail(v, SynthFrames(0.03));
  return v;
}

std::vector<float> RenderHat(bool open, std::uint32_t seed) {
  std::vector<float> v(SynthFrames(open ? 0.45 : 0.11));
  const double decay = DecayFactor(open ? 0.13 : 0.022);
  const double a = OnePole(6500.0);
  double env = 1.0, lp1 = 0.0, lp2 = 0.0, phases[6] = {0.1, 0.7, 0.3, 0.9, 0.5, 0.2};
  for (std::size_t n = 0; n < v.size(); ++n) {
    const double x = 0.7 * NextNoise(seed) + 0.5 * MetalSample(phases, 2.0);
    lp1 += a * (x - lp1);
    const double h1 = x - lp1;
    lp2 += a * (h1 - lp2);
    const double attack = std::min(1.0, n / 15.0);
    v[n] = static_cast<float>((h1 - lp2) * env * attack * 1.3);
    env *= decay;
  }
  FadeTail(v, SynthFrames(open ? 0.05 : 0.02));
  return v;
}

std::vector<float> RenderCrash(std::uint32_t seed) {
  std::vector<float> v(SynthFrames(2.6));
  const double slow = DecayFactor(0.75), fast = DecayFactor(0.06);
  const double a = OnePole(3800.0);
  double envSlow = 1.0, envFast = 1.0, lp = 0.0, phases[6] = {0.4, 0.1, 0.8, 0.6, 0.3, 0.9};
  for (std::size_t n = 0; n < v.size(); ++n) {
    const double x = 0.75 * NextNoise(seed) + 0.35 * MetalSample(phases, 3.1);
    lp += a * (x - lp);
    const double attack = std::min(1.0, n / 40.0);
    v[n] = static_cast<float>((x - lp) * (0.55 * envSlow + 0.6 * envFast) * attack);
    envSlow *= slow;
    envFast *= fast;
  }
  FadeTail(v, SynthFrames(0.3));
  return v;
}

std::vector<float> RenderBass(int frames, double note, double cutoffHz) {
  const int release = SynthFrames(0.012);
  std::vector<float> v(frames + release);
  const double hz = MidiToHz(note), dt = hz / kRate;
  const double envDecay = DecayFactor(0.07);
  double phase = 0.0, sinePhase = 0.0, env = 1.0;
  Svf lp;
  for (int n = 0; n < frames + release; ++n) {
    if ((n & 15) == 0) lp.SetCutoff(cutoffHz * (1.0 + 2.0 * env), 0.55);
    const double osc = 0.7 * SawSample(phase, dt) + 0.5 * SinTurns(sinePhase);
    lp.Step(osc);
    v[n] = static_cast<float>(lp.low * AttackRelease(n, 90.0, frames, release));
    phase = Fract(phase + dt);
    sinePhase = Fract(sinePhase + dt);
    env *= envDecay;
  }
  return v;
}

std::vector<float> RenderPadChannel(int frames, const double* notes, int noteCount, int spread,
                                    double cutoffStartHz, double cutoffEndHz, int attack, int release) {
  static const double kDetune[2][3] = {{-0.11, -0.03, 0.06}, {-0.06, 0.02, 0.10}};
  const int total = frames + release;
  std::vector<float> v(total);
  double phases[12], steps[12];
  int oscCount = 0;
  std::uint32_t seed = 0x9E3779B9u ^ static_cast<std::uint32_t>(spread * 7919 + noteCount);
  for (int i = 0; i < noteCount && i < 4; ++i) {
    for (int d = 0; d < 3; ++d) {
      steps[oscCount] = MidiToHz(notes[i] + kDetune[spread & 1][d]) / kRate;
      phases[oscCount] = 0.5 + 0.5 * NextNoise(seed);
      ++oscCount;
    }
  }
  double lp1 = 0.0, lp2 = 0.0, a = 0.0;
  const double logStart = Log2Exact(std::max(cutoffStartHz, 20.0));
  const double logEnd = Log2Exact(std::max(cutoffEndHz, 20.0));
  const double scale = 1.0 / oscCount;
  for (int n = 0; n < total; ++n) {
    if ((n & 31) == 0) {
      const double x = std::min(1.0, static_cast<double>(n) / std::max(frames, 1));
      a = OnePole(Exp2Exact(logStart + (logEnd - logStart) * x));
    }
    double s = 0.0;
    for (int o = 0; o < oscCount; ++o) {
      s += SawSample(phases[o], steps[o]);
      phases[o] += steps[o];
      if (phases[o] >= 1.0) phases[o] -= 1.0;
    }
    s *= scale;
    lp1 += a * (s - lp1);
    lp2 += a * (lp1 - lp2);
    // Smoothstep swells: the pad fades in and out without corners.
    double amp = 1.0;
    if (n < attack) {
      const double x = static_cast<double>(n) / attack;
      amp = x * x * (3.0 - 2.0 * x);
    }
    if (n >= frames) {
      const double x = 1.0 - static_cast<double>(n - frames) / release;
      amp *= x * x * (3.0 - 2.0 * x);
    }
    v[n] = static_cast<float>(lp2 * amp);
  }
  return v;
}

std::vector<float> RenderPluck(int frames, double note, double brightness) {
  std::vector<float> v(frames);
  const double dt = MidiToHz(note) / kRate;
  const double filterDecay = DecayFactor(0.07), ampDecay = DecayFactor(0.16);
  double phase = 0.0, env = 1.0, amp = 1.0;
  Svf lp;
  for (int n = 0; n < frames; ++n) {
    if ((n & 15) == 0) lp.SetCutoff(350.0 + brightness * 4200.0 * env, 0.7);
    // A square-ish pulse as the difference of two saws half a cycle apart.
    const double upper = Fract(phase + 0.5);
    const double pulse = SawSample(phase, dt) - SawSample(upper, dt);
    lp.Step(pulse * 0.5);
    v[n] = static_cast<float>(lp.low * amp * std::min(1.0, n / 40.0));
    phase = Fract(phase + dt);
    env *= filterDecay;
    amp *= ampDecay;
  }
  FadeTail(v, SynthFrames(0.004));
  return v;
}

std::vector<float> RenderLead(int frames, double note) {
  const int release = SynthFrames(0.09);
  const int total = frames + release;
  std::vector<float> v(total);
  const double base = MidiToHz(note) / kRate;
  const double envDecay = DecayFactor(0.12);
  double p1 = 0.0, p2 = 0.37, p3 = 0.61, vib = 0.0, env = 1.0, d1 = base, d2 = base, d3 = base * 0.5;
  const int vibratoStart = SynthFrames(0.16);
  Svf lp;
  for (int n = 0; n < total; ++n) {
    if ((n & 15) == 0) {
      const double depth = n < vibratoStart ? 0.0 : std::min(1.0, (n - vibratoStart) / (0.25 * kRate)) * 0.12;
      const double bend = Exp2Exact(depth * SinTurns(vib) / 12.0);
      d1 = base * bend * Exp2Exact(0.07 / 12.0);
      d2 = base * bend * Exp2Exact(-0.07 / 12.0);
      d3 = base * bend * 0.5;
      lp.SetCutoff(2300.0 + 2600.0 * env, 0.8);
    }
    const double s = 0.45 * SawSample(p1, d1) + 0.45 * SawSample(p2, d2) + 0.3 * SawSample(p3, d3);
    lp.Step(s);
    v[n] = static_cast<float>(lp.low * AttackRelease(n, 350.0, frames, release));
    p1 = Fract(p1 + d1);
    p2 = Fract(p2 + d2);
    p3 = Fract(p3 + d3);
    vib = Fract(vib + 5.3 / kRate);
    env *= envDecay;
  }
  return v;
}

std::vector<float> RenderBell(double note) {
  std::vector<float> v(SynthFrames(2.4));
  const double carrier = MidiToHz(note) / kRate, modulator = carrier * 3.003;
  const double indexDecay = DecayFactor(0.45), ampDecay = DecayFactor(0.8);
  double pc = 0.0, pm = 0.0, index = 1.0, amp = 1.0;
  for (std::size_t n = 0; n < v.size(); ++n) {
    // Phase modulation in turns: the index is in radians.
    const double mod = (0.25 + 1.4 * index) * SinTurns(pm) / (2.0 * kPi);
    v[n] = static_cast<float>(SinTurns(pc + mod) * amp * std::min(1.0, n / 80.0));
    pc = Fract(pc + carrier);
    pm = Fract(pm + modulator);
    index *= indexDecay;
    amp *= ampDecay;
  }
  FadeTail(v, SynthFrames(0.2));
  return v;
}

std::vector<float> RenderRiser(int frames, std::uint32_t seed) {
  std::vector<float> v(frames);
  Svf bp;
  for (int n = 0; n < frames; ++n) {
    const double x = static_cast<double>(n) / frames;
    if ((n & 31) == 0) bp.SetCutoff(250.0 * Exp2Exact(4.7 * x), 0.45);
    bp.Step(NextNoise(seed));
    v[n] = static_cast<float>(bp.band * x * x * 0.6);
  }
  FadeTail(v, SynthFrames(0.01));
  return v;
}

}  // namespace velkor
