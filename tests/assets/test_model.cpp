// Mesh files and what is made of them: the block stream, the material table and
// texture paths, the record kinds the scenes do not draw, refusal of damaged
// files (the fuzz target covers reads past the end and counts larger than the
// file), vertex normals, and camera key-track animation.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "assets/model.h"
#include "proc/noise.h"
#include "support/test_files.h"
#include "tools/standin/mesh_writer.h"

namespace velkor {
namespace {

using Bytes = std::vector<std::uint8_t>;

MeshDesc Triangle(const std::string& material, const std::string& bitmap, float z = 0.0f) {
  MeshDesc m;
  m.vertices = {{{0, 0, z}, {0, 0}}, {{1, 0, z}, {0, 0}}, {{0, 1, z}, {0, 0}}};
  m.faces = {{{0, 1, 2}, {0, 0, 1}, {0, 1, 0}, {0, 0, 1}}};
  m.materialName = material, m.bitmapPath = bitmap;
  return m;
}

MeshFileDesc Meshes(std::vector<MeshDesc> meshes) {
  MeshFileDesc d;
  d.meshes = std::move(meshes);
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
  EXPECT_TRUE(m.cameras.empty() && m.points.empty() && m.tracks.empty() && m.meshes[0].vertices.empty());
}

void ExpectRejected(const Bytes& bytes, const std::string& reason) {
  ExpectEmpty(Parse(bytes));
  EXPECT_NE(parseError.find(reason), std::string::npos) << parseError;
}

class ModelLoaderTest : public ::testing::Test {
 protected:
  void TearDown() override { SetTextureDirectory("data\\"); }
};

// Vertices, faces, cameras and materials of real files show in the golden frames.
TEST_F(ModelLoaderTest, RoundTripKeepsPointsExtrasAndTracksPastStrayTags) {
  MeshFileDesc d = Meshes({Triangle("stone", "rock.tga")});
  d.points = {PointDesc{}, PointDesc{{-9, 0, 0}, {1000, 1001, 1002, 1003, 1004, 1005}}};
  d.extras = {ExtraDesc{{0, 0, 0, 303}}};
  d.tracks = {TrackDesc{"spin", 0, "", {1, 0, 3}, {}},
              TrackDesc{"door", 1, "hinge", {0, 5, 0}, {{{11, 12, 13, 14}}, {{15, 16, 17, 18}}}}};
  d.strayTags = {7, 12345, 0};  // unknown tags between the blocks, none of them the end tag
  const SceneModel m = Parse(d);
  ASSERT_EQ(parseError, "");
  EXPECT_EQ(m.meshCount, 1u);
  EXPECT_EQ(m.points[1].position[0], -9.0f);
  EXPECT_EQ(m.points[1].values[5] + m.extras[0].values[3], 1308u);
  // Named tracks: a second name only with a non-zero flag, the values directly after.
  ASSERT_EQ(m.trackCount, 2u);
  const NamedTrack &plain = m.tracks[0], &paired = m.tracks[1];
  EXPECT_EQ(plain.name + "|" + plain.secondName + "|" + std::to_string(plain.values[2]), "spin||3");
  EXPECT_EQ(paired.name + "|" + paired.secondName + "|" + std::to_string(paired.values[1]), "door|hinge|5");
  EXPECT_EQ(plain.keyCount, 0u);
  ASSERT_EQ(paired.keyCount, 2u);
  EXPECT_EQ(paired.keys[1][0] * 100 + paired.keys[1][3], 1518u);
}

// Blocks come in any order, empty ones count zero, and a second mesh block overwrites from mesh 0.
TEST_F(ModelLoaderTest, BlocksAreReadUpToTheEndTagWhichMustBePresent) {
  MeshBytes b;
  ExpectEmpty(Parse(b.U32(200).bytes));
  EXPECT_EQ(parseError, "");
  b.bytes.clear();
  AppendPointBlock(b, {});
  AppendMeshBlock(b, {Triangle("a", "a.tga", 1), Triangle("b", "b.tga", 2), Triangle("c", "c.tga", 3)});
  AppendMeshBlock(b, {Triangle("d", "d.tga", 4)});
  ExpectRejected(b.bytes, "no end tag");
  const SceneModel m = Parse(b.U32(200).bytes);
  ASSERT_EQ(m.meshCount, 1u);
  EXPECT_EQ(m.meshes[0].vertices[0].position[2], 4.0f);
  // The material table is per file, so it keeps the first block's entries.
  EXPECT_EQ(m.materialCount, 4u);
  EXPECT_EQ(m.meshes[0].materialIndex, 3u);
  ExpectRejected({200, 0, 0}, "no end tag");  // a tag cut short
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
  EXPECT_EQ(m.meshes[3].materialIndex * 10 + m.meshes[4].materialIndex, 1u);
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

// The show's load takes material paths from the global texture directory (which the golden
// frames follow) and names the file when it fails; the inspector's read leaves that directory
// alone. Finding and reading data files is the paths tests' business.
TEST_F(ModelLoaderTest, LoadsNameTheFileOnFailureAndTheInspectorKeepsTheTextureDirectory) {
  test::TempDir dir;
  const test::ScopedWorkingDirectory cwd(dir.path());
  MeshFileDesc file = Meshes({Triangle("a", "a.tga")});
  dir.Write("data/good.bin", BuildMeshFile(file));
  file.meshes[0].faces[0].vertex[2] = 3;
  dir.Write("data/bad.bin", BuildMeshFile(file));
  SetTextureDirectory("data\\texpart06\\");
  std::string error = "stale";
  EXPECT_EQ(LoadSceneModel("data\\good.bin", &error).meshCount, 1u);
  EXPECT_EQ(error, "");
  ExpectEmpty(LoadSceneModel("data\\missing.bin", &error));
  EXPECT_EQ(error.rfind("data\\missing.bin: ", 0), 0u) << error;
  ExpectEmpty(LoadSceneModel("data\\bad.bin", &error));
  EXPECT_EQ(error.rfind("data\\bad.bin: face index 3 not below vertex count 3", 0), 0u) << error;
  EXPECT_STREQ(ReadSceneModelFile("data\\good.bin", "elsewhere\\", &error).materials[0].path, "elsewhere\\a.tga");
  EXPECT_STREQ(textureDirectory, "data\\texpart06\\");
}

using N = std::array<float, 3>;

// The direct form: every vertex scans every face of its mesh.
N ReferenceNormal(const Mesh& mesh, std::uint32_t j) {
  N sum = {0, 0, 0};
  for (const Face& f : mesh.faces)
    if (f.vertex[0] == j || f.vertex[1] == j || f.vertex[2] == j)
      for (int k = 0; k < 3; ++k) sum[k] += f.normal[k];
  const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
  return {sum[0] / length, sum[1] / length, sum[2] / length};
}

// Normals of widely differing sizes make the float sums depend on the order of
// addition, so any change of order shows up in the bits. Faces naming a vertex
// twice, unused vertices (whose normal points up) and two meshes per model
// (which share no vertices) all occur.
TEST(VertexNormalsTest, BitIdenticalToTheDirectScanOnRandomMeshes) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-8, 8);
  for (int round = 0; round < 20; ++round) {
    SceneModel model;
    model.meshCount = 2;
    for (int k = 0; k < 2; ++k) {
      Mesh& mesh = model.meshes[k];
      mesh.vertexCount = 5 + rng() % 60;
      mesh.vertices.assign(mesh.vertexCount, Vertex{});
      mesh.faces.resize(rng() % 200);
      mesh.faceCount = static_cast<std::uint32_t>(mesh.faces.size());
      for (Face& face : mesh.faces) {
        for (std::uint32_t& v : face.vertex) v = rng() % mesh.vertexCount;
        if (rng() % 8 == 0) face.vertex[2] = face.vertex[0];
        for (float& n : face.normal) n = std::ldexp(unit(rng), exponent(rng));
      }
    }
    ComputeVertexNormals(model);
    for (int mesh = 0; mesh < 2; ++mesh)
      for (std::uint32_t j = 0; j < model.meshes[mesh].vertexCount; ++j) {
        N expected = ReferenceNormal(model.meshes[mesh], j);
        if (!std::isfinite(expected[0]) || !std::isfinite(expected[1]) || !std::isfinite(expected[2]))
          expected = {0, 0, 1};  // includes every vertex no face uses
        ASSERT_EQ(std::memcmp(model.meshes[mesh].vertices[j].normal, expected.data(), sizeof expected), 0)
            << "round " << round << " mesh " << mesh << " vertex " << j;
      }
  }
}

Camera TrackCamera(std::vector<CameraKey> position, std::vector<CameraKey> target) {
  return Camera{{-1, -2, -3}, {100, 200, 300}, 45.0f, static_cast<std::uint32_t>(position.size()),
                static_cast<std::uint32_t>(target.size()), position, target, {}};
}

float Segment(float u, float a, float b, float c, float d) {
  const float window[4] = {a, b, c, d};
  return CatmullRomSegment(u, 4, window);
}

const std::vector<CameraKey> kThreeKeys = {{0, 0, 1, 5}, {10, 10, 3, 6}, {20, 20, 2, 9}};

// Strictly between keys a track follows its segment, the end segments repeating their end key;
// before the first key the file's value stays, on a later key or past the end the last value
// (not snapped to the key). The golden frames follow the inner segments of real tracks.
TEST(AnimateCameraTest, TimesBetweenKeysMoveAndOtherTimesHoldTheLastValue) {
  Camera c = TrackCamera(kThreeKeys, {});
  std::vector<float> seen;
  for (float t : {-1.0f, 0.0f, 5.0f, 10.0f, 12.5f, 20.0f, 25.0f}) {
    AnimateCamera(c, t);
    seen.push_back(c.position[0]);
    if (t == 5.0f) {
      EXPECT_EQ(std::vector<float>(c.window, c.window + 4), (std::vector<float>{5, 5, 6, 9}));  // last axis
    }
  }
  const float late = Segment(0.25f, 0, 10, 20, 20);
  EXPECT_EQ(seen, (std::vector<float>{-1, -1, 4.375f, 4.375f, late, late, late}));
  EXPECT_NE(late, 20.0f);
}

TEST(AnimateCameraTest, TracksAreIndependentAndShortOnesNeverMove) {
  Camera c = TrackCamera(kThreeKeys, {{30, 0, 0, 0}, {40, 10, 10, 10}});
  AnimateCamera(c, 5.0f);
  EXPECT_EQ(c.target[0], 100.0f);  // target track not yet begun
  AnimateCamera(c, 35.0f);
  EXPECT_EQ(c.position[0], 4.375f);  // position track over
  EXPECT_EQ(c.target[0], Segment(0.5f, 0, 0, 10, 10));
  // A one-key track never moves, and a count larger than the keys present is never trusted.
  c = TrackCamera(kThreeKeys, {{5, 9, 9, 9}});
  c.positionKeyCount = 50;
  c.positionKeys.resize(1);
  for (float t : {0.0f, 5.0f, 6.0f}) {
    AnimateCamera(c, t);
    EXPECT_EQ(c.position[0], -1.0f);
    EXPECT_EQ(c.target[2], 300.0f);
  }
}

}  // namespace
}  // namespace velkor
