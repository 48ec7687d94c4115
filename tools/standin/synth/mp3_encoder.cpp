// MP3 encoding on libmp3lame, with the LAME tag written last into the blank
// first frame so that decoders can trim the delay and padding.
#include "tools/standin/synth/mp3_encoder.h"

#include <algorithm>
#include <cstring>

#include <lame/lame.h>

namespace velkor {

std::vector<std::uint8_t> EncodeStereoMp3(const std::vector<std::int16_t>& interleaved, int sampleRate, int kbps) {
  std::vector<std::uint8_t> out;
  lame_global_flags* lame = lame_init();
  if (!lame) return out;
  lame_set_in_samplerate(lame, sampleRate);
  lame_set_out_samplerate(lame, sampleRate);
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
  std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);  // LAME's worst case for kChunk frames
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
