// Mathematical constants shared by the show and its tools.
#pragma once

namespace velkor {

constexpr double kPi = 3.14159265358979323846;
constexpr float kPiF = static_cast<float>(kPi);  // 3.1415927f

// The six-decimal pi written into some of the scenes' motion formulas; their
// paths follow it, not the exact value.
constexpr double kPiSixDecimals = 3.141592;
static_assert(static_cast<float>(kPiSixDecimals) == 3.141592f, "one value in both precisions");

}  // namespace velkor
