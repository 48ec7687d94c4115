// Flipping and box reduction of read-back frames.
#include "tools/render/frame_pixels.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace velkor {

void ReduceFrame(const std::uint8_t* rows, bool topRowFirst, int width, int height, int factor,
                 std::uint8_t* topDown) {
  const size_t outStride = static_cast<size_t>(width) * 3;
  const size_t inStride = outStride * factor;
  const int inHeight = height * factor;
  // Row y of the picture, counted from its top.
  auto pictureRow = [&](int y) { return rows + inStride * (topRowFirst ? y : inHeight - 1 - y); };
  if (factor == 1) {
    for (int row = 0; row < height; ++row) std::memcpy(topDown + outStride * row, pictureRow(row), outStride);
    return;
  }
  const unsigned area = static_cast<unsigned>(factor * factor);
  std::vector<unsigned> sums(outStride);
  for (int row = 0; row < height; ++row) {
    std::fill(sums.begin(), sums.end(), 0u);
    for (int sub = 0; sub < factor; ++sub) {
      const std::uint8_t* in = pictureRow(row * factor + sub);
      for (int x = 0; x < width; ++x)
        for (int k = 0; k < factor; ++k, in += 3) {
          unsigned* sum = &sums[static_cast<size_t>(x) * 3];
          sum[0] += in[0];
          sum[1] += in[1];
          sum[2] += in[2];
        }
    }
    std::uint8_t* out = topDown + outStride * row;
    for (size_t i = 0; i < outStride; ++i) out[i] = static_cast<std::uint8_t>((sums[i] + area / 2) / area);
  }
}

}  // namespace velkor
