// inspect on TGA and JPEG files: one JSON object with the description or the
// reason for refusing, and an exit status that follows the result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/jpeg.h"
#include "support/tool_support.h"
#include "tools/standin/image_writers.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(InspectImageTest, DescribesAcceptedImagesAndSaysWhyOthersAreRefused) {
  test::TempDir dir;
  Bytes rle = EncodeTga(Bytes(4 * 3, 1), 2, 2, 24), cut = EncodeJpegRgb(Bytes(32 * 32 * 3, 50), 32, 32, 80);
  rle[2] = 10;
  cut.resize(cut.size() / 2);
  // The extension picks the decoder whatever its case.
  const struct { std::string path; int status; std::string json; } cases[] = {
      {dir.Write("a.TGA", EncodeTga(Bytes(100 * 60 * 4, 9), 100, 60, 32)), 0,
       "{\"format\": \"tga\", \"width\": 100, \"height\": 60, \"bitsPerPixel\": 32}\n"},
      {dir.Write("c.jpg", EncodeJpegRgb(Bytes(24 * 8 * 3, 99), 24, 8, 80)), 0,
       "{\"format\": \"jpeg\", \"width\": 24, \"height\": 8, \"channels\": 3}\n"},
      {dir.Write("g.jpg", EncodeJpegGrey(Bytes(9 * 7, 99), 9, 7, 80)), 0,
       "{\"format\": \"jpeg\", \"width\": 9, \"height\": 7, \"channels\": 1}\n"},
      {dir.Write("rle.tga", rle), 1, "{\"error\": \"TGA image type"},
      {dir.Write("cut.jpg", cut), 1, "{\"error\": \""},
      {dir.path() + "/none.jpg", 1, "{\"error\": \"cannot read file\"}"},
  };
  for (const auto& c : cases) {
    const test::CommandResult r = test::RunTool("inspect " + test::Quote(c.path));
    EXPECT_EQ(r.status, c.status) << c.path << "\n" << r.output;
    EXPECT_EQ(r.output.substr(0, c.status == 0 ? std::string::npos : c.json.size()), c.json) << c.path;
  }
  EXPECT_EQ(test::RunTool("inspect").status, 2);
}

}  // namespace
}  // namespace velkor
