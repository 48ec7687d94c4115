// libmpg123 over a block in memory, as every sound layer decodes the track.
#include "platform/mp3_decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velkor {

namespace {

// A stream that keeps answering without audio is treated as ended.
constexpr int kMaxEmptyReads = 64;

mpg123_ssize_t ReadMemory(void* handle, void* buffer, std::size_t count) {
  Mp3MemoryReader* r = static_cast<Mp3MemoryReader*>(handle);
  const std::size_t n = std::min(count, r->size - r->offset);
  std::memcpy(buffer, r->data + r->offset, n);
  r->offset += n;
  return static_cast<mpg123_ssize_t>(n);
}

off_t SeekMemory(void* handle, off_t offset, int whence) {
  Mp3MemoryReader* r = static_cast<Mp3MemoryReader*>(handle);
  off_t base = 0;
  if (whence == SEEK_CUR) base = static_cast<off_t>(r->offset);
  if (whence == SEEK_END) base = static_cast<off_t>(r->size);
  const off_t target = base + offset;
  if (target < 0 || target > static_cast<off_t>(r->size)) return -1;
  r->offset = static_cast<std::size_t>(target);
  return target;
}

// Only 16-bit stereo comes out of the decoder (mono is doubled), at the
// track's own rate; the output side converts to the device rate.
bool ConfigureDecoderFormats(mpg123_handle* decoder) {
  if (mpg123_format_none(decoder) != MPG123_OK) return false;
  const long* rates = nullptr;
  std::size_t count = 0;
  mpg123_rates(&rates, &count);
  for (std::size_t i = 0; i < count; ++i)
    if (mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
  return true;
}

}  // namespace

std::size_t DecodeMp3Next(Mp3Decoder& decoder, unsigned char* buffer, std::size_t capacity, bool* ended) {
  std::size_t got = 0;
  const int rc = mpg123_read(decoder.handle, buffer, capacity, &got);
  decoder.emptyReads = got > 0 ? 0 : decoder.emptyReads + 1;
  *ended = rc == MPG123_DONE || (rc == MPG123_ERR && got == 0) || decoder.emptyReads > kMaxEmptyReads;
  return got;
}

void CloseMp3Decoder(Mp3Decoder& decoder) {
  if (decoder.handle) {
    mpg123_close(decoder.handle);
    mpg123_delete(decoder.handle);
  }
  decoder = Mp3Decoder{};
}

int OpenMp3Decoder(Mp3Decoder& decoder, const std::uint8_t* data, std::size_t size, int* trackRate) {
  decoder = Mp3Decoder{};
  decoder.reader = Mp3MemoryReader{data, size, 0};
  int err = MPG123_OK;
  decoder.handle = mpg123_new(nullptr, &err);
  if (!decoder.handle) return kSoundOutOfMemory;
  // Gapless decoding drops the encoder delay named in the stream's tag, so the
  // position follows the timeline the track was written on.
  mpg123_param(decoder.handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0);
  if (!ConfigureDecoderFormats(decoder.handle)) return kSoundOutOfMemory;
  if (mpg123_replace_reader_handle(decoder.handle, ReadMemory, SeekMemory, nullptr) != MPG123_OK)
    return kSoundOutOfMemory;
  if (mpg123_open_handle(decoder.handle, &decoder.reader) != MPG123_OK) return kSoundUnknownFormat;
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(decoder.handle, &rate, &channels, &encoding) != MPG123_OK) {
    return mpg123_errcode(decoder.handle) == MPG123_OUT_OF_MEM ? kSoundOutOfMemory : kSoundUnknownFormat;
  }
  *trackRate = static_cast<int>(rate);
  return kSoundOk;
}

SoundDecodeResult DecodeMp3Memory(const std::uint8_t* data, std::size_t size, std::int64_t maxFrames) {
  SoundDecodeResult result;
  if (size == 0) result.error = kSoundUnknownFormat;
  else if (!data) result.error = kSoundInvalidParameter;
  else if (mpg123_init() != MPG123_OK) result.error = kSoundOutOfMemory;
  if (result.error != kSoundOk) return result;
  Mp3Decoder decoder;
  result.error = OpenMp3Decoder(decoder, data, size, &result.trackRate);
  unsigned char buffer[16384];
  while (result.error == kSoundOk && !result.ended && result.frames < maxFrames) {
    const std::int64_t room = std::min<std::int64_t>(sizeof buffer / kMp3BytesPerFrame, maxFrames - result.frames);
    const std::size_t capacity = static_cast<std::size_t>(room) * kMp3BytesPerFrame;
    const std::size_t got = DecodeMp3Next(decoder, buffer, capacity, &result.ended);
    result.frames += static_cast<std::int64_t>(got / kMp3BytesPerFrame);
  }
  CloseMp3Decoder(decoder);
  return result;
}

}  // namespace velkor
