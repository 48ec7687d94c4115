// A hidden GL context on Mesa's software renderer for tests that draw, with
// pixel read-back. One context per test program, created on first use.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace velkor::test {

// Creates the shared 640 x 480 context (once) and fetches the entry points.
// Returns false when no context can be had at all.
bool EnsureHeadlessContext();

// RGB pixels of the default framebuffer, bottom row first.
std::vector<std::uint8_t> ReadPixelsRgb(int x, int y, int width, int height);
// One pixel as {r, g, b}.
std::vector<int> PixelAt(int x, int y);

// Base for tests that need GL: skips nothing, fails when no context exists.
class GlTest : public ::testing::Test {
 protected:
  void SetUp() override;
};

}  // namespace velkor::test
