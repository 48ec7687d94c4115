// Whole-track MP3 decoding on libmpg123.
#include "tools/render/music_pcm.h"

#include <mpg123.h>

namespace velkor {

namespace {

// Stereo 16-bit at whatever rate the file has, gapless: as the sound layer plays it.
bool Configure(mpg123_handle* decoder) {
  if (mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0.0) != MPG123_OK) return false;
  if (mpg123_format_none(decoder) != MPG123_OK) return false;
  const long* rates = nullptr;
  size_t count = 0;
  mpg123_rates(&rates, &count);
  for (size_t i = 0; i < count; ++i)
    if (mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) return false;
  return true;
}

bool Decode(mpg123_handle* decoder, const std::string& path, MusicPcm* pcm) {
  if (!Configure(decoder) || mpg123_open(decoder, path.c_str()) != MPG123_OK) return false;
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK) return false;
  pcm->rate = static_cast<int>(rate);
  unsigned char buffer[1 << 16];
  for (int emptyReads = 0; emptyReads < 1000;) {
    size_t got = 0;
    const int rc = mpg123_read(decoder, buffer, sizeof buffer, &got);
    const auto* s = reinterpret_cast<const std::int16_t*>(buffer);
    pcm->samples.insert(pcm->samples.end(), s, s + got / 2);
    emptyReads = got > 0 ? 0 : emptyReads + 1;
    if (rc == MPG123_DONE) return true;
    // The show plays a damaged track up to the damage, and so does the video.
    if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) return !pcm->samples.empty();
  }
  return true;
}

}  // namespace

bool DecodeMusicFile(const std::string& path, MusicPcm* pcm, std::string* error) {
  *pcm = MusicPcm();
  mpg123_init();
  int err = MPG123_OK;
  mpg123_handle* decoder = mpg123_new(nullptr, &err);
  const bool ok = decoder && Decode(decoder, path, pcm);
  if (decoder) {
    mpg123_close(decoder);
    mpg123_delete(decoder);
  }
  if (!ok) *error = "cannot decode the music in " + path;
  if (pcm->samples.size() % 2 != 0) pcm->samples.pop_back();
  return ok;
}

}  // namespace velkor
