// The stand-in music track (placeholder until the synthesiser lands).
#include "tools/standin.h"

namespace velkor {

std::vector<std::uint8_t> MakeStandinMusic() { return {}; }

}  // namespace velkor
