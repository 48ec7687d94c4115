// Sound synthesis for the stand-in music track: portable maths (no libm
// transcendental calls, so every machine computes the same samples), drum and
// tone instruments that render mono voices, a stereo mix with a reverb send,
// the final limiter, and MP3 encoding with a gapless header.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

constexpr int kSynthRate = 44100;

// ---- Maths with results fixed by IEEE arithmetic alone ----
// sin(2π·turns).
double SinTurns(double turns);
double ExpExact(double x);
double Log2Exact(double x);
double Exp2Exact(double x);
double TanhExact(double x);
double MidiToHz(double note);

// xorshift32 white noise in [-1, 1); the state must not be 0.
float NextNoise(std::uint32_t& state);

// ---- Instruments: each returns one mono voice, one sample per frame ----
std::vector<float> RenderKick();
std::vector<float> RenderSnare(std::uint32_t seed);
std::vector<float> RenderHat(bool open, std::uint32_t seed);
std::vector<float> RenderCrash(std::uint32_t seed);
// Saw bass with a resonant low-pass whose cutoff falls from cutoffHz × 3.
std::vector<float> RenderBass(int frames, double note, double cutoffHz);
// One channel of a pad chord: three detuned saws per note, low-passed from
// cutoffStartHz to cutoffEndHz across the held part; `spread` picks the
// detune set (0 left, 1 right). Attack and release are in frames; the voice
// lasts frames + release.
std::vector<float> RenderPadChannel(int frames, const double* notes, int noteCount, int spread,
                                    double cutoffStartHz, double cutoffEndHz, int attack, int release);
// Short plucked pulse for arpeggios.
std::vector<float> RenderPluck(int frames, double note, double brightness);
// Detuned saw lead with vibrato, held for `frames` then released.
std::vector<float> RenderLead(int frames, double note);
// Two-operator FM bell.
std::vector<float> RenderBell(double note);
// Band-passed noise sweeping upwards and swelling over `frames`.
std::vector<float> RenderRiser(int frames, std::uint32_t seed);

// ---- Mixing ----
struct SynthMix {
  std::int64_t frames = 0;
  std::vector<float> stereo;       // interleaved left, right
  std::vector<float> reverbSend;   // mono
  std::vector<std::int64_t> kicks; // sorted onsets that duck the ducked voices
};

SynthMix MakeSynthMix(std::int64_t frames);
// Adds `voice` from frame `start` (clipped to the mix), scaled by gain and
// panned by pan (-1 left .. 1 right, equal-power); `send` of it also goes to
// the reverb. Ducked voices dip after every kick onset listed in the mix.
void MixVoice(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, float gain, float pan,
              float send, bool ducked);
// Adds a voice to one channel only (0 left, 1 right); for stereo-rendered parts.
void MixChannel(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, int channel, float gain,
                float send, bool ducked);
// Runs the reverb send through a stereo room and adds it to the mix.
void ApplyReverb(SynthMix& mix, float wet);
// Soft-limits the peaks, then scales so the highest peak is peakDb below full
// scale; returns interleaved 16-bit stereo.
std::vector<std::int16_t> LimitToPcm16(const SynthMix& mix, double peakDb);

// ---- Encoding ----
// Constant-bitrate MP3 of interleaved 16-bit stereo at kSynthRate. The first
// frame carries the encoder delay and padding, so gapless decoders return the
// PCM timeline exactly. Empty on encoder failure.
std::vector<std::uint8_t> EncodeStereoMp3(const std::vector<std::int16_t>& interleaved, int kbps);

// ---- The stand-in track ----
// Tempo grid: 130 beats per minute, 4/4, bar lines on 106,866 ms and every bar
// before and after it. Bar 0 is the first whole bar in the track.
constexpr double kStandinBpm = 130.0;
constexpr double kStandinAnchorSeconds = 106.866;
constexpr double kStandinSeconds = 220.0;
double StandinBarSeconds(int bar);
// The first bar of each section: groove, breakdown, build, main theme,
// finale, outro (each snapped to the bar line nearest its scene start).
std::vector<int> StandinSectionBars();
// The whole track as interleaved 16-bit stereo at kSynthRate.
std::vector<std::int16_t> SynthesizeStandinPcm();

}  // namespace velkor
