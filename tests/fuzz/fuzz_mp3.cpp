// libFuzzer entry for the music stream: the MP3 decoder opened over the bytes
// as the sound layer opens the show's track, then decoded as playback would
// for up to 1.5 s. Any byte string either fails to open, with nothing decoded,
// or gives audio at an MPEG sample rate, never more than its frames can hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/sound.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  constexpr std::int64_t kMaxFrames = 66150;
  const velkor::SoundDecodeResult r = velkor::SoundDecodeMemory(bytes.data(), bytes.size(), kMaxFrames);
  if (r.error != velkor::kSoundOk) {
    const bool openError = r.error == velkor::kSoundUnknownFormat || r.error == velkor::kSoundOutOfMemory;
    if (!openError || r.frames != 0 || r.trackRate != 0) std::abort();
    return 0;
  }
  bool mpegRate = false;
  for (int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000})
    mpegRate = mpegRate || r.trackRate == rate;
  if (!mpegRate || r.frames < 0 || r.frames > kMaxFrames) std::abort();
  // A frame is at least its 4-byte header and holds at most 1152 samples.
  if (r.frames > static_cast<std::int64_t>(size / 4 + 1) * 1152) std::abort();
  return 0;
}
