// Mixing, reverb and limiting of the synthesiser's voices.
#include "tools/standin/synth/mix.h"

#include <algorithm>
#include <cmath>

#include "tools/standin/exact/exact_math.h"
#include "tools/standin/synth/dsp.h"

namespace velkor {

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
    constexpr double kLength = 0.19 * kSynthRate;
    if (d >= kLength) return 1.0f;
    const double x = 1.0 - d / kLength;
    return static_cast<float>(1.0 - 0.5 * x * x);
  }
};

// Calls add(frame, sample, duck) for every sample of a voice starting at
// `start` that lands inside the mix; duck is the ducking gain at that frame,
// 1 for a voice that is not ducked.
template <typename Add>
void PlaceVoice(const SynthMix& mix, const std::vector<float>& voice, std::int64_t start, bool ducked, Add add) {
  Ducker duck(mix.kicks, start);
  const std::int64_t n = static_cast<std::int64_t>(voice.size());
  for (std::int64_t i = std::max<std::int64_t>(0, -start); i < n && start + i < mix.frames; ++i) {
    const std::int64_t f = start + i;
    add(f, voice[i], ducked ? duck.Gain(f) : 1.0f);
  }
}

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

SynthMix MakeSynthMix(std::int64_t frames) {
  SynthMix mix;
  mix.frames = frames;
  mix.stereo.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
  mix.reverbSend.assign(static_cast<std::size_t>(frames), 0.0f);
  return mix;
}

void MixChannel(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, int channel, float gain,
                float send, bool ducked) {
  PlaceVoice(mix, voice, start, ducked, [&](std::int64_t f, float sample, float duck) {
    const float s = sample * gain * duck;
    mix.stereo[2 * f + channel] += s;
    mix.reverbSend[f] += s * send;
  });
}

void MixVoice(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, float gain, float pan,
              float send, bool ducked) {
  const double angle = (std::min(1.0f, std::max(-1.0f, pan)) + 1.0) / 8.0;  // quarter turn across
  const float left = static_cast<float>(SinTurns(angle + 0.25) * gain);
  const float right = static_cast<float>(SinTurns(angle) * gain);
  PlaceVoice(mix, voice, start, ducked, [&](std::int64_t f, float sample, float duck) {
    const float s = sample * duck;
    mix.stereo[2 * f] += s * left;
    mix.stereo[2 * f + 1] += s * right;
    mix.reverbSend[f] += s * gain * send;
  });
}

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
  constexpr double kKnee = 0.72, kDrive = 1.35, kLn10 = 2.302585092994046;
  const double pre = kDrive / peak;
  auto limit = [&](double x) {
    const double a = std::fabs(x * pre);
    const double y = a <= kKnee ? a : kKnee + (1.0 - kKnee) * TanhExact((a - kKnee) / (1.0 - kKnee));
    return x < 0 ? -y : y;
  };
  const double limitedPeak = limit(peak);
  const double target = ExpExact(peakDb / 20.0 * kLn10) * 32767.0 / limitedPeak;
  for (std::size_t i = 0; i < pcm.size(); ++i) {
    const double v = std::floor(limit(mix.stereo[i]) * target + 0.5);
    pcm[i] = static_cast<std::int16_t>(std::min(32767.0, std::max(-32768.0, v)));
  }
  return pcm;
}

}  // namespace velkor
