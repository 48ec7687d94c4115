// The stand-in data set: every file the show opens, generated procedurally and
// deterministically, in the formats the show reads.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

// velkor-tools make-data DIR; returns the process exit status.
int MakeDataCommand(int argc, char** argv);

// The stand-in music track as 16-bit stereo samples at 44.1 kHz, interleaved:
// 220 s at 130 beats per minute with a bar line on 106,866 ms, its sections
// turning on the bar lines nearest the scene starts, peaks at -1 dBFS.
std::vector<std::int16_t> SynthesizeStandinPcm();

// That track as the MP3 the show plays (kMusicFileName), decoding gaplessly
// to exactly those samples.
std::vector<std::uint8_t> MakeStandinMusic();

}  // namespace velkor
