// Sound synthesis for the stand-in music track. Every sample must come out the
// same on every machine, so the maths here uses only IEEE +, -, ×, / and
// floor (exactly rounded everywhere) and never lets the compiler fuse
// multiply-adds; sine, exp and tanh are our own polynomials.

#include "tools/standin/synth/synth.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <lame/lame.h>

namespace velkor {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLn2 = 0.69314718055994530942;
constexpr double kRate = kSynthRate;

// Fraction of a cycle as a value in [0, 1).
double Wrap(double x) { return x - std::floor(x); }

// Per-sample factor that decays to 1/e after `seconds`.
double DecayFactor(double seconds) { return ExpExact(-1.0 / (seconds * kRate)); }

// Band-limited saw step correction (polyBLEP) at phase t with increment dt.
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

double SawSample(double phase, double dt) { return 2.0 * phase - 1.0 - PolyBlep(phase, dt); }

// Two-pole state-variable filter (Chamberlin); stable while the cutoff stays
// well below a sixth of the sample rate, which SetCutoff enforces.
struct Svf {
  double low = 0.0, band = 0.0, high = 0.0;
  double f = 0.1, damping = 1.0;
  void SetCutoff(double hz, double damp) {
    hz = std::min(std::max(hz, 20.0), 6500.0);
    f = 2.0 * SinTurns(hz / (2.0 * kRate));
    damping = damp;
  }
  void Step(double x) {
    low += f * band;
    high = x - low - damping * band;
    band += f * high;
  }
};

// One-pole low-pass coefficient for a cutoff in Hz.
double OnePole(double hz) { return 1.0 - ExpExact(-2.0 * kPi * hz / kRate); }

// Fades the last `frames` samples linearly to silence so voices end without a click.
void FadeTail(std::vector<float>& v, int frames) {
  const int n = static_cast<int>(v.size());
  frames = std::min(frames, n);
  for (int i = 0; i < frames; ++i) v[n - 1 - i] *= static_cast<float>(i) / frames;
}

// 808-style metallic tone: six square waves at inharmonic ratios.
double MetalSample(double* phases, double scale) {
  static const double kFreqs[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
  double s = 0.0;
  for (int i = 0; i < 6; ++i) {
    phases[i] = Wrap(phases[i] + kFreqs[i] * scale / kRate);
    s += phases[i] < 0.5 ? 1.0 : -1.0;
  }
  return s / 6.0;
}

int Seconds(double s) { return static_cast<int>(s * kRate + 0.5); }

}  // namespace

double SinTurns(double turns) {
  double r = Wrap(turns + 0.5) - 0.5;  // [-0.5, 0.5)
  if (r > 0.25) r = 0.5 - r;
  if (r < -0.25) r = -0.5 - r;
  const double x = 2.0 * kPi * r;  // [-π/2, π/2]
  const double x2 = x * x;
  // Taylor series to x^13: error below 1e-9 on the reduced range.
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
  if (x < -700.0) return 0.0;
  if (x > 700.0) x = 700.0;
  const double k = std::floor(x / kLn2 + 0.5);
  const double r = x - k * kLn2;  // |r| <= ln2 / 2
  double p = 1.0 / 479001600.0;
  static const double kInv[12] = {1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0, 1.0 / 40320.0,
                                  1.0 / 5040.0,     1.0 / 720.0,     1.0 / 120.0,    1.0 / 24.0,
                                  1.0 / 6.0,        1.0 / 2.0,       1.0,            1.0};
  for (double c : kInv) p = p * r + c;
  return std::ldexp(p, static_cast<int>(k));
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
  const double s = (m - 1.0) / (m + 1.0), s2 = s * s;
  double p = 1.0 / 27.0;
  for (int k = 12; k >= 0; --k) p = p * s2 + 1.0 / (2 * k + 1);
  return e + 2.0 * s * p / kLn2;
}

double MidiToHz(double note) { return 440.0 * Exp2Exact((note - 69.0) / 12.0); }

float NextNoise(std::uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return static_cast<float>(static_cast<std::int32_t>(state) * (1.0 / 2147483648.0));
}

std::vector<float> RenderKick() {
  std::vector<float> v(Seconds(0.42));
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
    phase = Wrap(phase + hz / kRate);
    pitchEnv *= pitchDecay;
    amp *= ampDecay;
    click *= clickDecay;
  }
  FadeTail(v, Seconds(0.03));
  return v;
}

std::vector<float> RenderSnare(std::uint32_t seed) {
  std::vector<float> v(Seconds(0.34));
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
    p1 = Wrap(p1 + 182.0 / kRate);
    p2 = Wrap(p2 + 331.0 / kRate);
    tone *= toneDecay;
    noise *= noiseDecay;
  }
  FadeTail(v, Seconds(0.03));
  return v;
}

std::vector<float> RenderHat(bool open, std::uint32_t seed) {
  std::vector<float> v(Seconds(open ? 0.45 : 0.11));
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
  FadeTail(v, Seconds(open ? 0.05 : 0.02));
  return v;
}

std::vector<float> RenderCrash(std::uint32_t seed) {
  std::vector<float> v(Seconds(2.6));
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
  FadeTail(v, Seconds(0.3));
  return v;
}

std::vector<float> RenderBass(int frames, double note, double cutoffHz) {
  const int release = Seconds(0.012);
  std::vector<float> v(frames + release);
  const double hz = MidiToHz(note), dt = hz / kRate;
  const double envDecay = DecayFactor(0.07);
  double phase = 0.0, sinePhase = 0.0, env = 1.0;
  Svf lp;
  for (int n = 0; n < frames + release; ++n) {
    if ((n & 15) == 0) lp.SetCutoff(cutoffHz * (1.0 + 2.0 * env), 0.55);
    const double osc = 0.7 * SawSample(phase, dt) + 0.5 * SinTurns(sinePhase);
    lp.Step(osc);
    double amp = std::min(1.0, n / 90.0);
    if (n >= frames) amp *= 1.0 - static_cast<double>(n - frames) / release;
    v[n] = static_cast<float>(lp.low * amp);
    phase = Wrap(phase + dt);
    sinePhase = Wrap(sinePhase + dt);
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
    const double upper = Wrap(phase + 0.5);
    const double pulse = SawSample(phase, dt) - SawSample(upper, dt);
    lp.Step(pulse * 0.5);
    v[n] = static_cast<float>(lp.low * amp * std::min(1.0, n / 40.0));
    phase = Wrap(phase + dt);
    env *= filterDecay;
    amp *= ampDecay;
  }
  FadeTail(v, Seconds(0.004));
  return v;
}

std::vector<float> RenderLead(int frames, double note) {
  const int release = Seconds(0.09);
  const int total = frames + release;
  std::vector<float> v(total);
  const double base = MidiToHz(note) / kRate;
  const double envDecay = DecayFactor(0.12);
  double p1 = 0.0, p2 = 0.37, p3 = 0.61, vib = 0.0, env = 1.0, d1 = base, d2 = base, d3 = base * 0.5;
  const int vibratoStart = Seconds(0.16);
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
    double amp = std::min(1.0, n / 350.0);
    if (n >= frames) amp *= 1.0 - static_cast<double>(n - frames) / release;
    v[n] = static_cast<float>(lp.low * amp);
    p1 = Wrap(p1 + d1);
    p2 = Wrap(p2 + d2);
    p3 = Wrap(p3 + d3);
    vib = Wrap(vib + 5.3 / kRate);
    env *= envDecay;
  }
  return v;
}

std::vector<float> RenderBell(double note) {
  std::vector<float> v(Seconds(2.4));
  const double carrier = MidiToHz(note) / kRate, modulator = carrier * 3.003;
  const double indexDecay = DecayFactor(0.45), ampDecay = DecayFactor(0.8);
  double pc = 0.0, pm = 0.0, index = 1.0, amp = 1.0;
  for (std::size_t n = 0; n < v.size(); ++n) {
    const double mod = (0.25 + 1.4 * index) * SinTurns(pm) / (2.0 * kPi);
    v[n] = static_cast<float>(SinTurns(pc + mod) * amp * std::min(1.0, n / 80.0));
    pc = Wrap(pc + carrier);
    pm = Wrap(pm + modulator);
    index *= indexDecay;
    amp *= ampDecay;
  }
  FadeTail(v, Seconds(0.2));
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
  FadeTail(v, Seconds(0.01));
  return v;
}

SynthMix MakeSynthMix(std::int64_t frames) {
  SynthMix mix;
  mix.frames = frames;
  mix.stereo.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
  mix.reverbSend.assign(static_cast<std::size_t>(frames), 0.0f);
  return mix;
}

namespace {

// Gain of ducked voices: a dip right after each kick that recovers within a
// fraction of a beat (the "pumping" of dance music).
struct Ducker {
  const std::vector<std::int64_t>& kicks;
  std::size_t next = 0;
  std::int64_t last = -1000000;
  explicit Ducker(const std::vector<std::int64_t>& k, std::int64_t start) : kicks(k) {
    next = std::upper_bound(kicks.begin(), kicks.end(), start) - kicks.begin();
    if (next > 0) last = kicks[next - 1];
  }
  float Gain(std::int64_t frame) {
    while (next < kicks.size() && kicks[next] <= frame) last = kicks[next++];
    const std::int64_t d = frame - last;
    constexpr double kLength = 0.19 * kRate;
    if (d >= kLength) return 1.0f;
    const double x = 1.0 - d / kLength;
    return static_cast<float>(1.0 - 0.5 * x * x);
  }
};

}  // namespace

void MixChannel(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, int channel, float gain,
                float send, bool ducked) {
  Ducker duck(mix.kicks, start);
  const std::int64_t n = static_cast<std::int64_t>(voice.size());
  for (std::int64_t i = std::max<std::int64_t>(0, -start); i < n && start + i < mix.frames; ++i) {
    const std::int64_t f = start + i;
    float s = voice[i] * gain;
    if (ducked) s *= duck.Gain(f);
    mix.stereo[2 * f + channel] += s;
    mix.reverbSend[f] += s * send;
  }
}

void MixVoice(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, float gain, float pan,
              float send, bool ducked) {
  const double angle = (std::min(1.0f, std::max(-1.0f, pan)) + 1.0) / 8.0;  // quarter turn across
  const float left = static_cast<float>(SinTurns(angle + 0.25) * gain);
  const float right = static_cast<float>(SinTurns(angle) * gain);
  Ducker duck(mix.kicks, start);
  const std::int64_t n = static_cast<std::int64_t>(voice.size());
  for (std::int64_t i = std::max<std::int64_t>(0, -start); i < n && start + i < mix.frames; ++i) {
    const std::int64_t f = start + i;
    float s = voice[i];
    if (ducked) s *= duck.Gain(f);
    mix.stereo[2 * f] += s * left;
    mix.stereo[2 * f + 1] += s * right;
    mix.reverbSend[f] += s * gain * send;
  }
}

namespace {

struct Comb {
  std::vector<float> buffer;
  std::size_t index = 0;
  float store = 0.0f;
  float Process(float input, float feedback, float damp) {
    const float out = buffer[index];
    store = out * (1.0f - damp) + store * damp;
    buffer[index] = input + store * feedback;
    if (++index == buffer.size()) index = 0;
    return out;
  }
};

struct Allpass {
  std::vector<float> buffer;
  std::size_t index = 0;
  float Process(float input) {
    const float held = buffer[index];
    buffer[index] = input + held * 0.5f;
    if (++index == buffer.size()) index = 0;
    return held - input;
  }
};

}  // namespace

void ApplyReverb(SynthMix& mix, float wet) {
  // A Schroeder-Moorer room: eight damped combs and four allpasses per side,
  // the right side slightly longer for width.
  static const int kCombs[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
  static const int kAllpasses[4] = {556, 441, 341, 225};
  Comb combs[2][8];
  Allpass allpasses[2][4];
  for (int side = 0; side < 2; ++side) {
    for (int i = 0; i < 8; ++i) combs[side][i].buffer.assign(kCombs[i] + side * 23, 0.0f);
    for (int i = 0; i < 4; ++i) allpasses[side][i].buffer.assign(kAllpasses[i] + side * 23, 0.0f);
  }
  const float feedback = 0.86f, damp = 0.3f;
  for (std::int64_t f = 0; f < mix.frames; ++f) {
    const float input = mix.reverbSend[f] * 0.015f;
    for (int side = 0; side < 2; ++side) {
      float out = 0.0f;
      for (Comb& c : combs[side]) out += c.Process(input, feedback, damp);
      for (Allpass& a : allpasses[side]) out = a.Process(out);
      mix.stereo[2 * f + side] += out * wet;
    }
  }
}

std::vector<std::int16_t> LimitToPcm16(const SynthMix& mix, double peakDb) {
  float peak = 0.0f;
  for (float s : mix.stereo) peak = std::max(peak, std::fabs(s));
  std::vector<std::int16_t> pcm(mix.stereo.size(), 0);
  if (peak <= 0.0f) return pcm;
  // Drive the loudest transients into a tanh knee, then set the final peak.
  constexpr double kKnee = 0.72, kDrive = 1.35;
  const double pre = kDrive / peak;
  auto limit = [&](double x) {
    const double a = std::fabs(x * pre);
    const double y = a <= kKnee ? a : kKnee + (1.0 - kKnee) * TanhExact((a - kKnee) / (1.0 - kKnee));
    return x < 0 ? -y : y;
  };
  const double limitedPeak = limit(peak);
  const double target = ExpExact(peakDb / 20.0 * 2.302585092994046) * 32767.0 / limitedPeak;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    const double v = std::floor(limit(mix.stereo[i]) * target + 0.5);
    pcm[i] = static_cast<std::int16_t>(std::min(32767.0, std::max(-32768.0, v)));
  }
  return pcm;
}

std::vector<std::uint8_t> EncodeStereoMp3(const std::vector<std::int16_t>& interleaved, int kbps) {
  std::vector<std::uint8_t> out;
  lame_global_flags* lame = lame_init();
  if (!lame) return out;
  lame_set_in_samplerate(lame, kSynthRate);
  lame_set_out_samplerate(lame, kSynthRate);
  lame_set_num_channels(lame, 2);
  lame_set_mode(lame, JOINT_STEREO);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, kbps);
  lame_set_quality(lame, 7);
  lame_set_bWriteVbrTag(lame, 1);  // the Info frame that carries delay and padding
  lame_set_write_id3tag_automatic(lame, 0);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return out;
  }
  const int frames = static_cast<int>(interleaved.size() / 2);
  constexpr int kChunk = 1152 * 32;
  std::vector<short> chunk(kChunk * 2);
  std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
  bool ok = true;
  for (int start = 0; start < frames && ok; start += kChunk) {
    const int n = std::min(kChunk, frames - start);
    std::memcpy(chunk.data(), interleaved.data() + 2 * static_cast<std::size_t>(start), n * 2 * sizeof(short));
    const int bytes = lame_encode_buffer_interleaved(lame, chunk.data(), n, buffer.data(),
                                                     static_cast<int>(buffer.size()));
    if (bytes < 0) ok = false;
    else out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
  }
  if (ok) {
    const int bytes = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (bytes < 0) ok = false;
    else out.insert(out.end(), buffer.begin(), buffer.begin() + bytes);
  }
  if (ok) {
    // The stream began with a blank frame of this size; fill in the real tag.
    const std::size_t tagBytes = lame_get_lametag_frame(lame, buffer.data(), buffer.size());
    if (tagBytes == 0 || tagBytes > out.size()) ok = false;
    else std::memcpy(out.data(), buffer.data(), tagBytes);
  }
  lame_close(lame);
  if (!ok) out.clear();
  return out;
}

}  // namespace velkor
