// Building blocks of the synthesiser's voices: the sample rate, pitch, noise,
// oscillators, filters and envelopes. Plain double arithmetic over the exact
// maths, so a voice comes out the same on every machine.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

constexpr int kSynthRate = 44100;

// Frames in `seconds`, rounded.
int SynthFrames(double seconds);

// Frequency in Hz of a MIDI note number (69 = A 440 Hz, 12 per octave).
double MidiToHz(double note);

// xorshift32 white noise in [-1, 1); the state must not be 0.
float NextNoise(std::uint32_t& state);

// Per-sample factor that decays to 1/e after `seconds`.
double DecayFactor(double seconds);

// One-pole low-pass coefficient for a cutoff in Hz.
double OnePole(double hz);

// Band-limited saw (polyBLEP) in [-1, 1] at phase in [0, 1) with phase
// increment dt per sample.
double SawSample(double phase, double dt);

// Two-pole state-variable filter (Chamberlin) with low, band and high outputs.
// SetCutoff clamps the cutoff to 20 .. 6500 Hz, where the filter is stable.
struct Svf {
  double low = 0.0, band = 0.0, high = 0.0;
  double f = 0.1, damping = 1.0;
  void SetCutoff(double hz, double damp);
  void Step(double x);
};

// Gain at frame n of a voice held for `frames`: a linear rise over `attack`
// frames, and after the hold a linear fall to silence over `release` frames.
double AttackRelease(int n, double attack, int frames, int release);

// Fades the last `frames` samples linearly to silence so voices end without a click.
void FadeTail(std::vector<float>& voice, int frames);

}  // namespace velkor
