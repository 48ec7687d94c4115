// Mesh file loading: block stream, material table and texture paths, every
// record kind, and rejection of damaged files without reading past their end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/model.h"
#include "support/test_files.h"
#include "tools/standin/mesh_writer.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

MeshDesc Triangle(const std::string& material, const std::string& bitmap, float z = 0.0f) {
  MeshDesc m;
  m.vertices = {{{0, 0, z}, {10, 20}}, {{1, 0, z}, {11, 21}}, {{0, 1, z}, {12, 22}}};
  m.faces = {{{0, 1, 2}, {0, 0, 1}, {0.1f, 0.3f, 0.5f}, {0.2f, 0.4f, 0.6f}}};
  m.meshValue = 77, m.materialName = material, m.bitmapPath = bitmap;
  return m;
}

MeshFileDesc Meshes(std::vector<MeshDesc> meshes) {
  MeshFileDesc d;
  d.meshes = std::move(meshes);
  return d;
}

// A file with every block kind, unknown tags between them, and no value that reads as the end tag.
MeshFileDesc FullFile() {
  MeshFileDesc d = Meshes({Triangle("stone", "C:\\maps\\rock.tga"), Triangle("metal", "steel.tga", 2.0f)});
  MeshDesc& quad = d.meshes[1];
  quad.vertices.push_back(quad.vertices[1]);
  quad.faces.push_back(quad.faces[0]);
  quad.faces[1].vertex[0] = 1, quad.faces[1].vertex[1] = 3, quad.faces[1].normal[0] = 1;
  quad.meshValue = 5;
  d.cameras = {{{1, 2, 3}, {{0, 1, 2, 3}, {10, 4, 5, 6}, {20, 7, 8, 9}}, {{0, -1, -2, -3}, {30, -4, -5, -6}}, {-1, -2, -3}, 60}};
  d.points = {PointDesc{}, PointDesc{{-9, 0, 0}, {1000, 1001, 1002, 1003, 1004, 1005}}};
  d.extras = {ExtraDesc{{0, 0, 0, 303}}};
  d.tracks = {TrackDesc{"spin", 0, "", {1, 0, 3}, {}},
              TrackDesc{"door", 1, "hinge", {0, 5, 0}, {{{11, 12, 13, 14}}, {{15, 16, 17, 18}}}}};
  d.strayTags = {7, 12345, 0};
  return d;
}

// Why the last Parse refused its bytes; empty after a good parse.
std::string parseError;

SceneModel Parse(const Bytes& bytes, const char* textureDir = "data\\") {
  parseError = "stale";
  return ParseSceneModel(bytes.data(), bytes.size(), textureDir, &parseError);
}
SceneModel Parse(const MeshFileDesc& desc, const char* textureDir = "data\\") {
  return Parse(BuildMeshFile(desc), textureDir);
}

void ExpectEmpty(const SceneModel& m) {
  EXPECT_EQ(m.meshCount + m.cameraCount + m.pointCount + m.materialCount + m.extraCount + m.trackCount, 0u);
  EXPECT_TRUE(m.cameras.empty() && m.points.empty() && m.extras.empty() && m.tracks.empty());
  EXPECT_TRUE(m.meshes[0].vertices.empty() && m.currentCamera == nullptr);
}

void ExpectRejected(const Bytes& bytes, const std::string& reason) {
  ExpectEmpty(Parse(bytes));
  EXPECT_NE(parseError.find(reason), std::string::npos) << parseError;
}

Bytes Words(std::initializer_list<std::uint32_t> words) {
  MeshBytes b;
  for (std::uint32_t w : words) b.U32(w);
  return b.bytes;
}

class ModelLoaderTest : public ::testing::Test {
 protected:
  void TearDown() override { SetTextureDirectory("data\\"); }
};

TEST_F(ModelLoaderTest, EndTagAloneGivesAnEmptyModel) {
  ExpectEmpty(Parse(Words({200})));
  EXPECT_EQ(parseError, "");
}

// Counts, materials and cameras are checked through the inspect output below.
TEST_F(ModelLoaderTest, RoundTripKeepsRecordsPastStrayTags) {
  const SceneModel m = Parse(FullFile());
  ASSERT_EQ(parseError, "");
  ASSERT_EQ(m.meshCount, 2u);
  const Mesh& a = m.meshes[0];
  EXPECT_EQ(a.vertices[1].position[0] + a.vertices[2].position[1], 2.0f);
  EXPECT_EQ(a.vertices[2].mapping[0], 12u);
  EXPECT_EQ(a.vertices[2].mapping[1], 22u);
  // Interleaved corner coordinates in the file become two arrays.
  EXPECT_EQ(std::vector<float>(a.faces[0].s, a.faces[0].s + 3), (std::vector<float>{0.1f, 0.3f, 0.5f}));
  EXPECT_EQ(std::vector<float>(a.faces[0].t, a.faces[0].t + 3), (std::vector<float>{0.2f, 0.4f, 0.6f}));
  EXPECT_EQ(m.meshes[1].faces[1].vertex[1], 3u);
  EXPECT_EQ(m.meshes[1].faces[1].normal[0], 1.0f);
  EXPECT_EQ(m.points[1].values[5] + m.extras[0].values[3], 1308u);
  // Named tracks: a second name only with a non-zero flag, the values directly after.
  ASSERT_EQ(m.trackCount, 2u);
  const NamedTrack &plain = m.tracks[0], &paired = m.tracks[1];
  EXPECT_EQ(plain.name, "spin");
  EXPECT_EQ(plain.secondName, "");
  EXPECT_EQ(plain.values[0], 1u);
  EXPECT_EQ(plain.values[2], 3u);
  EXPECT_EQ(paired.name + "|" + paired.secondName + "|" + std::to_string(paired.values[1]), "door|hinge|5");
  EXPECT_EQ(plain.keyCount, 0u);
  ASSERT_EQ(paired.keyCount, 2u);
  EXPECT_EQ(paired.keys[1][0], 15u);
  EXPECT_EQ(paired.keys[1][3], 18u);
}

TEST_F(ModelLoaderTest, SecondMeshBlockOverwritesFromMeshZero) {
  MeshBytes b;
  AppendPointBlock(b, {});  // blocks in any order, empty ones count zero
  AppendMeshBlock(b, {Triangle("a", "a.tga", 1), Triangle("b", "b.tga", 2), Triangle("c", "c.tga", 3)});
  AppendMeshBlock(b, {Triangle("d", "d.tga", 4)});
  b.U32(200);
  const SceneModel m = Parse(b.bytes);
  ASSERT_EQ(m.meshCount, 1u);
  EXPECT_EQ(m.meshes[0].vertices[0].position[2], 4.0f);
  // The material table is per file, so it keeps the first block's entries.
  EXPECT_EQ(m.materialCount, 4u);
  EXPECT_EQ(m.meshes[0].materialIndex, 3u);
}

TEST_F(ModelLoaderTest, MaterialNamesAreComparedOnFortyCharacters) {
  const std::string m40(40, 'm'), m39(39, 'm');
  const struct { std::string first, second; std::uint32_t count; } cases[] = {
      {m40 + "one", m40 + "two", 1}, {m39 + "a", m39 + "b", 2}, {"wood", "woodland", 2}};
  for (const auto& c : cases) {
    const SceneModel m = Parse(Meshes({Triangle(c.first, "one.tga"), Triangle(c.second, "two.tga")}));
    EXPECT_EQ(m.materialCount, c.count) << c.second;
    EXPECT_EQ(m.meshes[1].materialIndex, c.count - 1) << c.second;
    EXPECT_STREQ(m.materials[0].name, c.first.c_str());
  }
}

TEST_F(ModelLoaderTest, MaterialPathIsTextureDirectoryPlusBaseName) {
  // Forward slashes are not separators in the exporter's paths.
  const SceneModel m = Parse(Meshes({Triangle("a", "C:\\3dsmax\\maps\\rock.tga"), Triangle("b", "rock.tga"),
                                     Triangle("c", "maps\\"), Triangle("d", "maps/rock.tga")}),
                             "data\\texpart01\\");
  EXPECT_STREQ(m.materials[0].path, "data\\texpart01\\rock.tga");
  EXPECT_STREQ(m.materials[1].path, "data\\texpart01\\rock.tga");
  EXPECT_STREQ(m.materials[2].path, "data\\texpart01\\");
  EXPECT_STREQ(m.materials[3].path, "data\\texpart01\\maps/rock.tga");
}

TEST_F(ModelLoaderTest, SingleMaterialTakesTheLastMeshPath) {
  SceneModel m = Parse(Meshes({Triangle("skin", "x\\first.tga"), Triangle("skin", "x\\2.tga"), Triangle("skin", "3.tga")}));
  ASSERT_EQ(m.materialCount, 1u);
  EXPECT_STREQ(m.materials[0].path, "data\\3.tga");
  // Once a second material exists, matching meshes leave the paths alone.
  m = Parse(Meshes({Triangle("skin", "a1.tga"), Triangle("skin", "a2.tga"), Triangle("bone", "b.tga"),
                    Triangle("skin", "a3.tga"), Triangle("bone", "b2.tga")}));
  ASSERT_EQ(m.materialCount, 2u);
  EXPECT_STREQ(m.materials[0].path, "data\\a2.tga");
  EXPECT_STREQ(m.materials[1].path, "data\\b.tga");
  EXPECT_EQ(m.meshes[3].materialIndex, 0u);
  EXPECT_EQ(m.meshes[4].materialIndex, 1u);
}

std::vector<MeshDesc> DistinctMaterials(int count) {
  std::vector<MeshDesc> meshes;
  for (int i = 0; i < count; ++i) meshes.push_back(Triangle("mat" + std::to_string(i), "t.tga"));
  return meshes;
}

// Each limit: a file at it loads, one a step past it is refused. Vertex-less meshes are fine.
TEST_F(ModelLoaderTest, LimitsAreAcceptedUpToTheirBoundAndRejectedPastIt) {
  const struct { MeshFileDesc atLimit, past; const char* reason; } cases[] = {
      {Meshes(std::vector<MeshDesc>(100)), Meshes(std::vector<MeshDesc>(101)), "mesh count 101"},
      {Meshes(DistinctMaterials(40)), Meshes(DistinctMaterials(41)), "more than 40 materials"},
      {Meshes({Triangle(std::string(49, 'n'), "t")}), Meshes({Triangle(std::string(50, 'n'), "t")}),
       "material name longer than 49"},
      {Meshes({Triangle("a", std::string(1990, 'p') + "\\t.tga")}),
       Meshes({Triangle("a", std::string(1994, 'p') + "\\t.tga")}), "bitmap path longer than 1999"},
      // "data\" and 494 characters make 499.
      {Meshes({Triangle("a", std::string(494, 'b'))}), Meshes({Triangle("a", std::string(495, 'b'))}), "500 characters"},
  };
  for (const auto& c : cases) {
    const SceneModel m = Parse(c.atLimit);
    EXPECT_EQ(parseError, "") << c.reason;
    EXPECT_EQ(m.meshCount, c.atLimit.meshes.size()) << c.reason;
    ExpectRejected(BuildMeshFile(c.past), c.reason);
  }
}

Bytes BadFace(std::uint32_t index, bool noVertices) {
  MeshFileDesc d = Meshes({Triangle("a", "a.tga")});
  d.meshes[0].faces[0].vertex[2] = index;
  if (noVertices) d.meshes[0].vertices.clear();
  return BuildMeshFile(d);
}

TEST_F(ModelLoaderTest, MalformedFilesAreRejectedBeforeAllocating) {
  const std::uint32_t huge = 0xFFFFFFF0u;
  MeshFileDesc noEnd = FullFile();
  noEnd.endTag = false;
  const struct { Bytes bytes; const char* reason; } cases[] = {
      {BadFace(3, false), "face index 3 not below vertex count 3"},
      {BadFace(0xFFFFFFFFu, false), "face index"},
      {BadFace(0, true), "not below vertex count 0"},
      {Words({100, 1, huge}), "vertex count"},
      {Words({100, 1, 0, huge}), "face count"},
      {Words({300, huge, 200}), "camera count"},
      {Words({300, 1, 0, 0, 0, huge, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200}), "camera key count"},
      {Words({400, 2, 1, 1, 1, 1, 1, 1, 1, 1, 1, 200}), "point count"},
      {Words({500, huge, 200}), "extra record count"},
      {Words({600, huge, 200}), "track count"},
      {MeshBytes().U32(600).U32(1).String("t").Byte(0).U32(0).U32(0).U32(0).U32(huge).U32(200).bytes,
       "track key count"},
      {BuildMeshFile(noEnd), "no end tag"},
      {{}, "no end tag"},
      {{200, 0, 0}, "no end tag"},  // a tag cut short
  };
  for (const auto& c : cases) ExpectRejected(c.bytes, c.reason);
  // Nothing of a rejected file lingers into the next load.
  const SceneModel m = Parse(Meshes({Triangle("only", "one.tga")}));
  EXPECT_EQ(m.materialCount, 1u);
  EXPECT_STREQ(m.materials[1].name, "");
  EXPECT_EQ(parseError, "");
}

// Each prefix is a buffer of exactly its length, so a read past the end is a sanitizer error.
TEST_F(ModelLoaderTest, EveryTruncationIsRejected) {
  const Bytes whole = BuildMeshFile(FullFile());
  for (std::size_t len = 0; len < whole.size(); ++len) {
    const SceneModel m = Parse(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(len)));
    ASSERT_EQ(m.meshCount + m.cameraCount + m.materialCount + m.trackCount, 0u) << len;
    ASSERT_NE(parseError, "") << len;
  }
}

TEST_F(ModelLoaderTest, LoadsWholeFilesFromDataPathsAndNamesTheFileOnFailure) {
  test::TempDir dir;
  const test::ScopedWorkingDirectory cwd(dir.path());
  MeshDesc big;
  big.vertices.resize(60000);  // 1.2 MB, larger than any fixed read buffer
  big.vertices.back().position[0] = 42.0f;
  dir.Write("data/Part01_MAX.bin", BuildMeshFile(Meshes({big})));
  // The show's load builds material paths from the global texture directory.
  SetTextureDirectory("data\\texpart06\\");
  std::string error = "stale";
  SceneModel m = LoadSceneModel("data\\part01_max.bin", &error);
  ASSERT_EQ(m.meshCount, 1u);
  EXPECT_EQ(error, "");
  EXPECT_EQ(m.meshes[0].vertices[59999].position[0], 42.0f);
  EXPECT_STREQ(m.materials[0].path, "data\\texpart06\\");

  ExpectEmpty(LoadSceneModel("data\\missing.bin", &error));
  EXPECT_EQ(error.rfind("data\\missing.bin: ", 0), 0u) << error;
  dir.Write("data/bad.bin", BadFace(3, false));
  ExpectEmpty(LoadSceneModel("data\\bad.bin", &error));
  EXPECT_EQ(error.rfind("data\\bad.bin: ", 0), 0u) << error;
  EXPECT_NE(error.find("face index 3"), std::string::npos) << error;
  // The inspector's read leaves the show's texture directory alone.
  m = ReadSceneModelFile("data\\part01_max.bin", "elsewhere\\", &error);
  EXPECT_STREQ(m.materials[0].path, "elsewhere\\");
  EXPECT_STREQ(textureDirectory, "data\\texpart06\\");
}

}  // namespace
}  // namespace velkor
