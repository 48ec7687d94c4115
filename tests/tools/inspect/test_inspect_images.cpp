// inspect on TGA and JPEG files: the descriptions, the refusals with their
// reasons, and the command's output and exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/jpeg.h"
#include "support/tool_support.h"
#include "tools/inspect/describe.h"
#include "tools/standin/image_writers.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(InspectImageTest, DescribesAcceptedImagesAndSaysWhyOthersAreRefused) {
  test::TempDir dir;
  Bytes rle = EncodeTga(Bytes(4 * 3, 1), 2, 2, 24), cut = EncodeJpegRgb(Bytes(32 * 32 * 3, 50), 32, 32, 80);
  rle[2] = 10;
  cut.resize(cut.size() / 2);
  const struct { std::string path; bool tga, ok; std::string json; } cases[] = {
      {dir.Write("a.tga", EncodeTga(Bytes(100 * 60 * 4, 9), 100, 60, 32)), true, true,
       R"({"format": "tga", "width": 100, "height": 60, "bitsPerPixel": 32})"},
      {dir.Write("c.jpg", EncodeJpegRgb(Bytes(24 * 8 * 3, 99), 24, 8, 80)), false, true,
       R"({"format": "jpeg", "width": 24, "height": 8, "channels": 3})"},
      {dir.Write("g.jpg", EncodeJpegGrey(Bytes(9 * 7, 99), 9, 7, 80)), false, true,
       R"({"format": "jpeg", "width": 9, "height": 7, "channels": 1})"},
      {dir.Write("rle.tga", rle), true, false, R"({"error": "TGA image type)"},
      {dir.Write("cut.jpg", cut), false, false, R"({"error": ")"},
      {dir.path() + "/none.jpg", false, false, R"({"error": "cannot read file"})"},
  };
  for (const auto& c : cases) {
    std::string json;
    EXPECT_EQ(c.tga ? InspectTga(c.path.c_str(), json) : InspectJpeg(c.path.c_str(), json), c.ok) << c.path;
    EXPECT_EQ(json.substr(0, c.ok ? std::string::npos : c.json.size()), c.json) << c.path;
  }
}

TEST(InspectImageTest, ToolPrintsOneObjectAndExitStatusFollowsTheResult) {
  test::TempDir dir;
  // The extension picks the decoder whatever its case.
  const std::string tga = dir.Write("ok.TGA", EncodeTga(Bytes(3 * 5 * 3, 1), 3, 5, 24));
  const test::CommandResult ok = test::RunTool("inspect " + test::Quote(tga));
  EXPECT_EQ(ok.status, 0) << ok.output;
  EXPECT_EQ(ok.output, "{\"format\": \"tga\", \"width\": 3, \"height\": 5, \"bitsPerPixel\": 24}\n");
  const test::CommandResult refused = test::RunTool("inspect " + test::Quote(dir.Write("bad.jpg", std::string("x"))));
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_EQ(refused.output.rfind("{\"error\": ", 0), 0u) << refused.output;
  EXPECT_EQ(test::RunTool("inspect").status, 2);
}

}  // namespace
}  // namespace velkor
