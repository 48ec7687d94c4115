// The synthesiser's stereo mix: voices placed on a timeline with pan, gain and
// a reverb send, ducked under the kick, then a room reverb and a limiter that
// turn the mix into 16-bit samples.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

struct SynthMix {
  std::int64_t frames = 0;
  std::vector<float> stereo;       // interleaved left, right
  std::vector<float> reverbSend;   // mono
  std::vector<std::int64_t> kicks; // sorted onsets that duck the ducked voices
};

// A silent mix of `frames` stereo frames without kicks.
SynthMix MakeSynthMix(std::int64_t frames);
// Adds `voice` from frame `start` (clipped to the mix), scaled by gain and
// panned by pan (-1 left .. 1 right, equal-power); `send` of it also goes to
// the reverb. Ducked voices dip after every kick onset listed in the mix and
// recover within 0.19 s.
void MixVoice(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, float gain, float pan,
              float send, bool ducked);
// Adds a voice to one channel only (0 left, 1 right), otherwise as MixVoice;
// for parts rendered in stereo.
void MixChannel(SynthMix& mix, const std::vector<float>& voice, std::int64_t start, int channel, float gain,
                float send, bool ducked);
// Runs the reverb send through a stereo room and adds it to the mix, scaled by wet.
void ApplyReverb(SynthMix& mix, float wet);
// Soft-limits the peaks, then scales so the highest peak is peakDb below full
// scale; returns interleaved 16-bit stereo (all zero for a silent mix).
std::vector<std::int16_t> LimitToPcm16(const SynthMix& mix, double peakDb);

}  // namespace velkor
