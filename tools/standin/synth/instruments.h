// The synthesiser's instruments: each call renders one mono voice at
// kSynthRate, one sample per frame, starting at its onset.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

// Drums; seeds choose the noise, so equal seeds give equal hits.
std::vector<float> RenderKick();
std::vector<float> RenderSnare(std::uint32_t seed);
std::vector<float> RenderHat(bool open, std::uint32_t seed);
std::vector<float> RenderCrash(std::uint32_t seed);
// Saw bass with a resonant low-pass whose cutoff falls from cutoffHz × 3,
// held for `frames` and then released within 12 ms.
std::vector<float> RenderBass(int frames, double note, double cutoffHz);
// One channel of a pad chord: three detuned saws per note (at most four
// notes), low-passed from cutoffStartHz to cutoffEndHz over the held frames;
// `spread` picks the detune set (0 left, 1 right). Attack and release are in
// frames; the voice lasts frames + release.
std::vector<float> RenderPadChannel(int frames, const double* notes, int noteCount, int spread,
                                    double cutoffStartHz, double cutoffEndHz, int attack, int release);
// Short plucked pulse for arpeggios, `frames` long; brightness 0 .. 1 opens the filter.
std::vector<float> RenderPluck(int frames, double note, double brightness);
// Detuned saw lead with vibrato, held for `frames` then released within 90 ms.
std::vector<float> RenderLead(int frames, double note);
// Two-operator FM bell, 2.4 s long.
std::vector<float> RenderBell(double note);
// Band-passed noise sweeping upwards and swelling over `frames`.
std::vector<float> RenderRiser(int frames, std::uint32_t seed);

}  // namespace velkor
