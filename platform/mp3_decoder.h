// MP3 decoding shared by the sound layers (SDL on the desktop, Web Audio in a
// browser): libmpg123 reading a borrowed music block, 16-bit stereo out at
// the track's own rate, so both play the same samples.
#pragma once

#include <mpg123.h>

#include <cstddef>
#include <cstdint>

#include "platform/sound.h"

namespace velkor {

constexpr int kMp3BytesPerFrame = 4;  // 16-bit stereo

// The decoder's view of the music block: a read position over borrowed bytes.
struct Mp3MemoryReader {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t offset = 0;
};

struct Mp3Decoder {
  mpg123_handle* handle = nullptr;
  Mp3MemoryReader reader;
  int emptyReads = 0;
};

// Opens a decoder over data[0 .. size) and reads up to the first frame
// header; a SoundError code, with the decoder left for CloseMp3Decoder either way.
int OpenMp3Decoder(Mp3Decoder& decoder, const std::uint8_t* data, std::size_t size, int* trackRate);

// Decodes the next piece of the track into buffer: the bytes decoded, and
// *ended once the decoder can give no more (the end, an error it cannot pass,
// or a stream that keeps answering without audio).
std::size_t DecodeMp3Next(Mp3Decoder& decoder, unsigned char* buffer, std::size_t capacity, bool* ended);

void CloseMp3Decoder(Mp3Decoder& decoder);

// SoundDecodeMemory without the error record: the whole check of a block.
SoundDecodeResult DecodeMp3Memory(const std::uint8_t* data, std::size_t size, std::int64_t maxFrames);

}  // namespace velkor
