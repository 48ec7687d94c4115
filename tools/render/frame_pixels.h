// A read-back frame made into output pixels: turned top row first and, when
// drawn supersampled, reduced by an exact box filter.
#pragma once

#include <cstdint>

namespace velkor {

// rows holds (width * factor) x (height * factor) RGB pixels, the bottom row
// first unless topRowFirst. Each pixel of the width x height topDown result
// is the mean of its factor x factor block, rounded to nearest (halves up);
// factor 1 only puts the rows in order.
void ReduceFrame(const std::uint8_t* rows, bool topRowFirst, int width, int height, int factor,
                 std::uint8_t* topDown);

}  // namespace velkor
