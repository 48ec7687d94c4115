// Short generated MP3 tones for the music tests and the sound benchmark.
#pragma once

#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace velkor::test {

// A sine tone of the given length, with white noise of amplitude noise added
// (out of 32767), encoded as constant-bitrate MP3 without a leading info
// frame, so copies of it can be joined into a longer track. Empty on failure.
inline std::vector<std::uint8_t> EncodeToneMp3(double seconds, int rate, int channels, int kbps = 128,
                                               double hz = 440.0, int noise = 0) {
  lame_global_flags* lame = lame_init();
  if (!lame) return {};
  lame_set_in_samplerate(lame, rate);
  lame_set_out_samplerate(lame, rate);
  lame_set_num_channels(lame, channels);
  lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_brate(lame, kbps);
  lame_set_quality(lame, 7);
  lame_set_bWriteVbrTag(lame, 0);
  const int frames = static_cast<int>(seconds * rate);
  std::vector<short> wave(static_cast<std::size_t>(frames));
  std::uint32_t seed = 12345;
  for (int i = 0; i < frames; ++i) {
    seed = seed * 1103515245u + 12345u;
    const int jitter = noise ? static_cast<int>((seed >> 8) % (2u * static_cast<std::uint32_t>(noise) + 1u)) - noise : 0;
    wave[static_cast<std::size_t>(i)] = static_cast<short>(8000.0 * std::sin(2.0 * M_PI * hz * i / rate) + jitter);
  }
  std::vector<std::uint8_t> out(static_cast<std::size_t>(frames) * 5 / 4 + 7200 + 16384);
  const int written = lame_init_params(lame) < 0 ? -1 : lame_encode_buffer(lame, wave.data(), wave.data(), frames, out.data(),
                                                                       static_cast<int>(out.size()));
  const int flushed = written < 0 ? -1 : lame_encode_flush(lame, out.data() + written, static_cast<int>(out.size()) - written);
  lame_close(lame);
  out.resize(flushed < 0 ? 0 : static_cast<std::size_t>(written + flushed));
  return out;
}

}  // namespace velkor::test
