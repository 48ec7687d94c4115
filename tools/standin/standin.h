// The stand-in data set: every file the show opens, generated procedurally and
// deterministically, in the formats the show reads.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

// velkor-tools make-data DIR; returns the process exit status.
int MakeDataCommand(int argc, char** argv);

// The stand-in music track "mirok6.mp3" as MP3 bytes (44.1 kHz stereo).
std::vector<std::uint8_t> MakeStandinMusic();

}  // namespace velkor
