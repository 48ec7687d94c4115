// The whole show rendered twice with the texture calls logged by a preloaded
// library: with its files prepared ahead and with preparation off (every setup
// loading, decoding and letting GLU build its mipmaps as it always did). The
// calls, their order, their arguments and the bytes they upload are the same.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/test_files.h"
#include "support/tool_support.h"

namespace velkor {
namespace {

using test::Quote;

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::size_t CountLines(const std::string& text, const std::string& start) {
  std::size_t count = 0;
  for (std::size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1))
    count += at == 0 || text[at - 1] == '\n';
  return count;
}

TEST(PreparedUploadsTest, TextureCallsAreTheSameWithAndWithoutPreparation) {
  const std::string data = test::StandinDataDir();
  ASSERT_FALSE(data.empty());
  test::TempDir t;
  auto render = [&](const char* prepare, const std::string& log) {
    return test::RunCommand("VELKOR_PREPARE=" + std::string(prepare) + " VELKOR_GL_CALL_LOG=" + Quote(log) +
                            " VELKOR_GLU_CALL_LOG=" + Quote(log + ".glu") +
                            " LD_PRELOAD=" + Quote(VELKOR_GL_CALL_LOG_PATH) + " " +
                            Quote(test::ProgramPath("VELKOR_TOOLS")) + " render --data " + Quote(data) +
                            " --fps 1 --size 64x48 2>&1");
  };
  const test::CommandResult off = render("off", t.path() + "/off.log");
  ASSERT_EQ(off.status, 0) << off.output;
  const test::CommandResult on = render("on", t.path() + "/on.log");
  ASSERT_EQ(on.status, 0) << on.output;
  // Each mipmapped texture is GLU's work without preparation and ours with it.
  EXPECT_GT(CountLines(ReadText(t.path() + "/off.log.glu"), "gluBuild2DMipmaps "), 20u);
  EXPECT_EQ(ReadText(t.path() + "/on.log.glu"), "");
  const std::string without = ReadText(t.path() + "/off.log");
  const std::string with = ReadText(t.path() + "/on.log");
  // Every scene's textures: the mipmapped ones come level by level.
  EXPECT_GT(CountLines(without, "glTexImage2D 0xde1 0 "), 40u);
  EXPECT_GT(CountLines(without, "glTexImage2D 0xde1 8 "), 10u);
  EXPECT_GT(CountLines(without, "glTexImage2D 0x8064 1 "), 10u) << "GLU's proxy checks";
  std::size_t at = 0;
  while (at < with.size() && at < without.size() && with[at] == without[at]) ++at;
  const std::size_t line = without.rfind('\n', at) == std::string::npos ? 0 : without.rfind('\n', at) + 1;
  EXPECT_TRUE(with == without) << "first difference: " << without.substr(line, 120) << " | "
                               << with.substr(line, 120);
}

}  // namespace
}  // namespace velkor
