// `inspect` on TGA and JPEG files: the functions and the velkor-tools command.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/jpeg.h"
#include "support/test_files.h"
#include "tools/image_writers.h"
#include "tools/describe.h"

namespace velkor {
namespace {

using test::TempDir;

TEST(InspectImageTest, DescribesAcceptedImages) {
  TempDir dir;
  std::string json;
  const std::string tga = dir.Write("a.tga", EncodeTga(std::vector<std::uint8_t>(100 * 60 * 4, 9), 100, 60, 32));
  EXPECT_TRUE(InspectTga(tga.c_str(), json));
  EXPECT_EQ(json, R"({"format": "tga", "width": 100, "height": 60, "bitsPerPixel": 32})");

  const std::string colour = dir.Write("c.jpg", EncodeJpegRgb(std::vector<std::uint8_t>(24 * 8 * 3, 99), 24, 8, 80));
  EXPECT_TRUE(InspectJpeg(colour.c_str(), json));
  EXPECT_EQ(json, R"({"format": "jpeg", "width": 24, "height": 8, "channels": 3})");

  const std::string grey = dir.Write("g.jpg", EncodeJpegGrey(std::vector<std::uint8_t>(9 * 7, 99), 9, 7, 80));
  EXPECT_TRUE(InspectJpeg(grey.c_str(), json));
  EXPECT_EQ(json, R"({"format": "jpeg", "width": 9, "height": 7, "channels": 1})");
}

TEST(InspectImageTest, ReportsWhyAFileIsRefused) {
  TempDir dir;
  std::string json;
  std::vector<std::uint8_t> rle = EncodeTga(std::vector<std::uint8_t>(4 * 3, 1), 2, 2, 24);
  rle[2] = 10;
  EXPECT_FALSE(InspectTga(dir.Write("rle.tga", rle).c_str(), json));
  EXPECT_EQ(json.rfind("{\"error\": \"", 0), 0u) << json;
  EXPECT_NE(json.find("type"), std::string::npos) << json;

  std::vector<std::uint8_t> jpeg = EncodeJpegRgb(std::vector<std::uint8_t>(32 * 32 * 3, 50), 32, 32, 80);
  jpeg.resize(jpeg.size() / 2);
  EXPECT_FALSE(InspectJpeg(dir.Write("cut.jpg", jpeg).c_str(), json));
  EXPECT_EQ(json.rfind("{\"error\": \"", 0), 0u) << json;

  EXPECT_FALSE(InspectJpeg((dir.path() + "/none.jpg").c_str(), json));
  EXPECT_EQ(json, R"({"error": "cannot read file"})");
}

TEST(InspectImageTest, ToolPrintsOneObjectAndExitStatusFollowsTheResult) {
  const std::string tool = test::ProgramPath("VELKOR_TOOLS");
  ASSERT_FALSE(tool.empty());
  TempDir dir;
  const std::string tga = dir.Write("ok.TGA", EncodeTga(std::vector<std::uint8_t>(3 * 5 * 3, 1), 3, 5, 24));
  test::CommandResult ok = test::RunCommand("'" + tool + "' inspect '" + tga + "'");
  EXPECT_EQ(ok.status, 0) << ok.output;
  EXPECT_EQ(ok.output, "{\"format\": \"tga\", \"width\": 3, \"height\": 5, \"bitsPerPixel\": 24}\n");

  const std::string bad = dir.Write("bad.jpg", std::string("not a jpeg"));
  test::CommandResult refused = test::RunCommand("'" + tool + "' inspect '" + bad + "'");
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_EQ(refused.output.rfind("{\"error\": ", 0), 0u) << refused.output;
}

}  // namespace
}  // namespace velkor
