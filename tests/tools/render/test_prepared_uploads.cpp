// The whole show rendered twice with the texture calls logged by a preloaded
// library: with its files prepared ahead and with preparation off (every setup
// loading, decoding and letting GLU build its mipmaps as it always did). The
// calls, their order, their arguments and the bytes they upload are the same,
// on the usual GL and on one that cannot hold the usual texture sizes.
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

struct UploadLogs {
  std::string without, with;        // texture calls, preparation off and on
  std::string gluWithout, gluWith;  // GLU's builder calls
};

// Renders the whole show with preparation off, then on; proxyLimit > 0 plays a
// GL that holds no texture side above it.
UploadLogs RenderBothWays(int proxyLimit) {
  UploadLogs logs;
  const std::string data = test::StandinDataDir();
  EXPECT_FALSE(data.empty());
  test::TempDir t;
  auto render = [&](const char* prepare, std::string& log, std::string& gluLog) {
    const std::string path = t.path() + "/" + prepare + ".log";
    const test::CommandResult run = test::RunCommand(
        "VELKOR_PREPARE=" + std::string(prepare) + " VELKOR_GL_PROXY_LIMIT=" + std::to_string(proxyLimit) +
        " VELKOR_GL_CALL_LOG=" + Quote(path) + " VELKOR_GLU_CALL_LOG=" + Quote(path + ".glu") +
        " LD_PRELOAD=" + Quote(VELKOR_GL_CALL_LOG_PATH) + " " + Quote(test::ProgramPath("VELKOR_TOOLS")) +
        " render --data " + Quote(data) + " --fps 1 --size 64x48 2>&1");
    EXPECT_EQ(run.status, 0) << run.output;
    log = ReadText(path);
    gluLog = ReadText(path + ".glu");
  };
  render("off", logs.without, logs.gluWithout);
  render("on", logs.with, logs.gluWith);
  return logs;
}

void ExpectSameCalls(const UploadLogs& logs) {
  const std::string& with = logs.with;
  const std::string& without = logs.without;
  std::size_t at = 0;
  while (at < with.size() && at < without.size() && with[at] == without[at]) ++at;
  const std::size_t line = without.rfind('\n', at) == std::string::npos ? 0 : without.rfind('\n', at) + 1;
  EXPECT_TRUE(with == without) << "first difference: " << without.substr(line, 120) << " | "
                               << with.substr(line, 120);
}

TEST(PreparedUploadsTest, TextureCallsAreTheSameWithAndWithoutPreparation) {
  const UploadLogs logs = RenderBothWays(0);
  // Each mipmapped texture is GLU's work without preparation and ours with it.
  EXPECT_GT(CountLines(logs.gluWithout, "gluBuild2DMipmaps "), 20u);
  EXPECT_EQ(logs.gluWith, "");
  // Every scene's textures: the mipmapped ones come level by level.
  EXPECT_GT(CountLines(logs.without, "glTexImage2D 0xde1 0 "), 40u);
  EXPECT_GT(CountLines(logs.without, "glTexImage2D 0xde1 8 "), 10u);
  EXPECT_GT(CountLines(logs.without, "glTexImage2D 0x8064 1 "), 10u) << "GLU's proxy checks";
  ExpectSameCalls(logs);
}

// A GL too small for the usual sizes: GLU shrinks each chain until its proxy
// check passes; the prepared levels do not fit, so they are made again on the
// spot at the size that does, and the uploads are still GLU's bit for bit.
TEST(PreparedUploadsTest, SmallGlGetsTheSizesGluWouldChoose) {
  const UploadLogs logs = RenderBothWays(32);
  EXPECT_GT(CountLines(logs.without, "glGetTexLevelParameteriv 0x8064 1 0x1000 -> 0"), 20u) << "refused proxies";
  EXPECT_EQ(CountLines(logs.without, "glTexImage2D 0xde1 7 "), 0u) << "no chain above 64 x 64";
  EXPECT_GT(CountLines(logs.without, "glTexImage2D 0xde1 6 "), 10u);
  EXPECT_EQ(logs.gluWith, "");
  ExpectSameCalls(logs);
}

}  // namespace
}  // namespace velkor
