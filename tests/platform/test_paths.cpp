// Data paths as the show writes them: backslashes and Windows' case-insensitive names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/paths.h"
#include "support/test_files.h"

namespace velkor {
namespace {

TEST(PathsTest, BackslashesSeparateAndEachComponentMatchesIgnoringCase) {
  const struct {
    const char* name;
    std::vector<std::string> files;
    const char* asked;
    const char* resolved;  // found: the file holds its own name
    bool found;
  } cases[] = {
      {"backslashes", {"data/texpart01/rock.tga"}, "data\\texpart01\\rock.tga", "data/texpart01/rock.tga", true},
      {"every component", {"DATA/TexPart01/Rock.TGA"}, "data\\TEXPART01\\rock.tga", "DATA/TexPart01/Rock.TGA", true},
      {"the exact name first", {"data/a.txt", "data/A.txt"}, "data\\A.txt", "data/A.txt", true},
      {"nothing matches", {"data/present.bin"}, "data\\Absent.bin", "data/Absent.bin", false},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    for (const std::string& f : c.files) dir.Write(f, f);
    test::ScopedWorkingDirectory cwd(dir.path());
    EXPECT_EQ(ResolveDataPath(c.asked), c.resolved) << c.name;
    std::vector<std::uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(ReadDataFile(c.asked, 100, bytes), c.found ? ReadFileResult::Ok : ReadFileResult::NotFound) << c.name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.found ? c.resolved : "") << c.name;
  }
}

TEST(PathsTest, MissingFoldersDirectoriesAndFilesOverTheLimitAreRefused) {
  test::TempDir dir;
  dir.Write("data/big.bin", std::vector<std::uint8_t>(70000, 7));
  test::ScopedWorkingDirectory cwd(dir.path());
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(ReadDataFile("nodir\\big.bin", 100, bytes), ReadFileResult::NotFound);
  EXPECT_EQ(OpenDataFile("data", "rb"), nullptr) << "a directory is not a data file";
  EXPECT_EQ(ReadDataFile("data\\big.bin", 69999, bytes), ReadFileResult::TooLarge);
  EXPECT_TRUE(bytes.empty());
  EXPECT_EQ(ReadDataFile("data\\big.bin", 70000, bytes), ReadFileResult::Ok);
  EXPECT_EQ(bytes.size(), 70000u);
}

}  // namespace
}  // namespace velkor
