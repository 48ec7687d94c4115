// The render resolution's words and sums: what --resolution accepts, which
// renderers draw in software, the automatic choice, and the picture's place
// in any drawable.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/options.h"
#include "app/resolution.h"

namespace velkor {
namespace {

TEST(ResolutionTest, AcceptsTheModesAndFourByThreeSizesOnly) {
  const struct { const char* text; ResolutionMode mode; int width, height; } good[] = {
      {"auto", ResolutionMode::Automatic, 0, 0},  {"native", ResolutionMode::Native, 0, 0},
      {"original", ResolutionMode::Original, 0, 0}, {"1024x768", ResolutionMode::Fixed, 1024, 768},
      {"160x120", ResolutionMode::Fixed, 160, 120}, {"8192x6144", ResolutionMode::Fixed, 8192, 6144},
  };
  for (const auto& g : good) {
    ResolutionRequest r;
    ASSERT_TRUE(ParseResolution(g.text, &r)) << g.text;
    EXPECT_EQ(r.mode, g.mode) << g.text;
    EXPECT_EQ(r.width * 100000 + r.height, g.width * 100000 + g.height) << g.text;
  }
  for (const char* bad : {"", "Original", "640x481", "1280x720", "640X480", "x480", "640x", "-640x-480", "640x480x",
                          "156x117", "8196x6147", "99999999999x3", "0x0", " 640x480", "640 x 480", "6.4e2x480"}) {
    ResolutionRequest r;
    r.mode = ResolutionMode::Native;
    EXPECT_FALSE(ParseResolution(bad, &r)) << bad;
    EXPECT_EQ(r.mode, ResolutionMode::Native) << "changed by '" << bad << "'";
  }
}

TEST(ResolutionTest, TheAutomaticChoiceDrawsTheOriginalSizeOnSoftwareRenderersOnly) {
  ResolutionRequest automatic;
  const ResolutionChoice soft = ChooseResolution(automatic, "llvmpipe (LLVM 15.0.6, 256 bits)");
  EXPECT_TRUE(soft.offscreen);
  EXPECT_EQ(soft.width * 10000 + soft.height, 640 * 10000 + 480);
  EXPECT_NE(soft.why.find("llvmpipe"), std::string::npos) << soft.why;
  for (const char* software : {"softpipe", "Google SwiftShader", "GDI Generic"})
    EXPECT_TRUE(ChooseResolution(automatic, software).offscreen) << software;
  for (const char* hardware : {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", "AMD Radeon RX 6600 (radeonsi, navi23)",
                               "NVIDIA GeForce GTX 1060/PCIe/SSE2", "", static_cast<const char*>(nullptr)}) {
    const ResolutionChoice c = ChooseResolution(automatic, hardware);
    EXPECT_FALSE(c.offscreen) << (hardware ? hardware : "null");
    EXPECT_FALSE(c.why.empty());
  }
  // What is asked for is done whatever the renderer.
  ResolutionRequest native;
  native.mode = ResolutionMode::Native;
  EXPECT_FALSE(ChooseResolution(native, "llvmpipe").offscreen);
  ResolutionRequest fixed;
  ASSERT_TRUE(ParseResolution("320x240", &fixed));
  const ResolutionChoice small = ChooseResolution(fixed, "NVIDIA GeForce");
  EXPECT_TRUE(small.offscreen);
  EXPECT_EQ(small.width * 10000 + small.height, 320 * 10000 + 240);
}

// Inside the drawable, centred, 4:3 to the pixel, and as large as fits.
TEST(ResolutionTest, TheKeptPictureIsTheLargestCentredFourByThreeAreaOfAnyDrawable) {
  for (int width = 1; width <= 4000; width += 37)
    for (int height = 1; height <= 3000; height += 29) {
      const PictureRect r = FitPicture(width, height, true);
      ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.width <= width && r.y + r.height <= height)
          << width << "x" << height;
      ASSERT_LE(std::abs(r.x * 2 + r.width - width), 1) << width << "x" << height;
      ASSERT_LE(std::abs(r.y * 2 + r.height - height), 1) << width << "x" << height;
      ASSERT_LE(std::abs(r.width * 3 - r.height * 4), 4) << width << "x" << height;
      ASSERT_TRUE(r.width == width || r.height == height) << width << "x" << height;
    }
  const PictureRect all = FitPicture(1920, 1080, false);
  EXPECT_EQ(all.width * 10000 + all.height, 1920 * 10000 + 1080);
  const PictureRect flat = FitPicture(640, 0, true);
  EXPECT_EQ(flat.height, 1);
  const PictureRect wide = FitPicture(1920, 1080, true);
  EXPECT_EQ(wide.x * 10000 + wide.width, 240 * 10000 + 1440);
}

TEST(ResolutionTest, ThePlayerTakesTheResolutionAndTheFilter) {
  const char* args[] = {"velkor", "--resolution", "800x600", "--scale-filter", "nearest"};
  PlayerOptions o;
  std::string error;
  ASSERT_TRUE(ParsePlayerOptions(5, const_cast<char**>(args), &o, &error)) << error;
  EXPECT_EQ(o.resolution.mode, ResolutionMode::Fixed);
  EXPECT_EQ(o.resolution.width, 800);
  EXPECT_FALSE(o.linearScaling);
  PlayerOptions defaults;
  EXPECT_EQ(defaults.resolution.mode, ResolutionMode::Automatic);
  EXPECT_TRUE(defaults.linearScaling);
  for (const char* bad : {"--resolution", "--scale-filter"}) {
    const char* missing[] = {"velkor", bad};
    const char* wrong[] = {"velkor", bad, "800x601"};
    EXPECT_FALSE(ParsePlayerOptions(2, const_cast<char**>(missing), &o, &error));
    EXPECT_FALSE(ParsePlayerOptions(3, const_cast<char**>(wrong), &o, &error));
    EXPECT_NE(error.find(bad), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace velkor
