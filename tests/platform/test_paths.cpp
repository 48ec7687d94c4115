// Data paths as the show writes them: backslashes and Windows' case-insensitive names.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/test_files.h"

namespace velkor {
namespace {

class PathsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::ScopedWorkingDirectory cwd{dir.path()};
};

TEST_F(PathsTest, BackslashesAreSeparators) {
  dir.Write("data/texpart01/rock.tga", std::string("x"));
  EXPECT_EQ(ResolveDataPath("data\\texpart01\\rock.tga"), "data/texpart01/rock.tga");
  FILE* f = OpenDataFile("data\\texpart01\\rock.tga", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
}

TEST_F(PathsTest, EachComponentMatchesIgnoringCase) {
  dir.Write("DATA/TexPart01/Rock.TGA", std::string("abc"));
  EXPECT_EQ(ResolveDataPath("data\\texpart01\\rock.tga"), "DATA/TexPart01/Rock.TGA");
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(ReadDataFile("data\\TEXPART01\\ROCK.tga", 100, bytes), ReadFileResult::Ok);
  EXPECT_EQ(bytes.size(), 3u);
}

TEST_F(PathsTest, ExactNameWinsOverACaseVariant) {
  dir.Write("data/a.txt", std::string("lower"));
  dir.Write("data/A.txt", std::string("upper!"));
  std::vector<std::uint8_t> bytes;
  ASSERT_EQ(ReadDataFile("data\\A.txt", 100, bytes), ReadFileResult::Ok);
  EXPECT_EQ(bytes.size(), 6u);
}

TEST_F(PathsTest, MissingFilesAndDirectoriesAreReported) {
  dir.Write("data/present.bin", std::string("x"));
  std::vector<std::uint8_t> bytes{1, 2, 3};
  EXPECT_EQ(ReadDataFile("data\\absent.bin", 100, bytes), ReadFileResult::NotFound);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadDataFile("nodir\\present.bin", 100, bytes), ReadFileResult::NotFound);
  EXPECT_EQ(OpenDataFile("data", "rb"), nullptr) << "a directory is not a data file";
  EXPECT_EQ(ResolveDataPath("data\\Absent.bin"), "data/Absent.bin");
}

TEST_F(PathsTest, FilesLargerThanTheLimitAreRefused) {
  dir.Write("big.bin", std::vector<std::uint8_t>(70000, 7));
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(ReadDataFile("big.bin", 69999, bytes), ReadFileResult::TooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadDataFile("big.bin", 70000, bytes), ReadFileResult::Ok);
  EXPECT_EQ(bytes.size(), 70000u);
}

}  // namespace
}  // namespace velkor
