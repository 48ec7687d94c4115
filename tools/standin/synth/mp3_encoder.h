// MP3 encoding of the synthesised song (libmp3lame).
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

// Constant-bitrate joint-stereo MP3 of interleaved 16-bit stereo at
// sampleRate Hz. The first frame carries the encoder delay and padding, so
// gapless decoders return the PCM timeline exactly. Empty on encoder failure.
std::vector<std::uint8_t> EncodeStereoMp3(const std::vector<std::int16_t>& interleaved, int sampleRate, int kbps);

}  // namespace velkor
