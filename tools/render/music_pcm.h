// The music track decoded whole for a video's sound: 16-bit stereo samples,
// decoded by libmpg123 with the settings of the show's own sound layer, so
// that sample n is heard at the music time the show's clock gives it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkor {

struct MusicPcm {
  int rate = 0;                        // samples per second
  std::vector<std::int16_t> samples;   // left, right, left, right, ...
};

// False, with *error naming the file, when it cannot be read or decoded.
bool DecodeMusicFile(const std::string& path, MusicPcm* pcm, std::string* error);

}  // namespace velkor
