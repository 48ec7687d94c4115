// Mesh file loading: block stream, material table and texture paths, every
// record kind, and rejection of damaged files without reading past their end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/model.h"
#include "support/test_files.h"
#include "tools/describe.h"
#include "tools/mesh_writer.h"

namespace velkor {
namespace {

MeshDesc Triangle(const std::string& material, const std::string& bitmap, float z = 0.0f) {
  MeshDesc m;
  m.vertices.resize(3);
  const float xy[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (int i = 0; i < 3; ++i) {
    m.vertices[i].position[0] = xy[i][0];
    m.vertices[i].position[1] = xy[i][1];
    m.vertices[i].position[2] = z;
    m.vertices[i].mapping[0] = 10 + i;
    m.vertices[i].mapping[1] = 20 + i;
  }
  MeshFaceDesc f;
  f.vertex[0] = 0, f.vertex[1] = 1, f.vertex[2] = 2;
  f.s[0] = 0.1f, f.t[0] = 0.2f, f.s[1] = 0.3f, f.t[1] = 0.4f, f.s[2] = 0.5f, f.t[2] = 0.6f;
  m.faces.push_back(f);
  m.meshValue = 77;
  m.materialName = material;
  m.bitmapPath = bitmap;
  return m;
}

// A file with every block kind and no value that reads as the end tag.
MeshFileDesc FullFile() {
  MeshFileDesc d;
  d.meshes.push_back(Triangle("stone", "C:\\maps\\rock.tga"));
  MeshDesc quad = Triangle("metal", "steel.tga", 2.0f);
  quad.vertices.push_back(quad.vertices[1]);
  MeshFaceDesc second = quad.faces[0];
  second.vertex[0] = 1, second.vertex[1] = 3, second.vertex[2] = 2;
  second.normal[0] = 1, second.normal[2] = 0;
  quad.faces.push_back(second);
  quad.meshValue = 5;
  d.meshes.push_back(quad);
  CameraDesc cam;
  cam.position[0] = 1, cam.position[1] = 2, cam.position[2] = 3;
  cam.positionKeys = {{0, 1, 2, 3}, {10, 4, 5, 6}, {20, 7, 8, 9}};
  cam.targetKeys = {{0, -1, -2, -3}, {30, -4, -5, -6}};
  cam.target[0] = -1, cam.target[1] = -2, cam.target[2] = -3;
  cam.fov = 60.0f;
  d.cameras.push_back(cam);
  PointDesc p;
  p.position[0] = 9, p.position[1] = 8, p.position[2] = 7;
  for (int i = 0; i < 6; ++i) p.values[i] = 1000 + i;
  d.points = {p, p};
  d.points[1].position[0] = -9;
  ExtraDesc e;
  for (int i = 0; i < 6; ++i) e.values[i] = 300 + i;
  d.extras = {e};
  TrackDesc plain;
  plain.name = "spin";
  plain.values[0] = 1, plain.values[1] = 2, plain.values[2] = 3;
  TrackDesc paired;
  paired.name = "door";
  paired.flag = 1;
  paired.secondName = "hinge";
  paired.values[0] = 4, paired.values[1] = 5, paired.values[2] = 6;
  paired.keys = {{{11, 12, 13, 14}}, {{15, 16, 17, 18}}};
  d.tracks = {plain, paired};
  return d;
}

SceneModel Parse(const std::vector<std::uint8_t>& bytes) { return ParseSceneModel(bytes.data(), bytes.size()); }

void ExpectEmpty(const SceneModel& m) {
  EXPECT_EQ(m.meshCount, 0u);
  EXPECT_EQ(m.cameraCount, 0u);
  EXPECT_EQ(m.pointCount, 0u);
  EXPECT_EQ(m.materialCount, 0u);
  EXPECT_EQ(m.extraCount, 0u);
  EXPECT_EQ(m.trackCount, 0u);
  EXPECT_TRUE(m.cameras.empty());
  EXPECT_TRUE(m.points.empty());
  EXPECT_TRUE(m.extras.empty());
  EXPECT_TRUE(m.tracks.empty());
  EXPECT_TRUE(m.meshes[0].vertices.empty());
  EXPECT_EQ(m.currentCamera, nullptr);
}

// Parses and expects rejection with a reason containing `reason`.
void ExpectRejected(const std::vector<std::uint8_t>& bytes, const std::string& reason) {
  const SceneModel m = Parse(bytes);
  ExpectEmpty(m);
  const std::string error = LastModelLoadError();
  EXPECT_NE(error.find(reason), std::string::npos) << "error was: " << error;
}

class ModelLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { SetTextureDirectory("data\\"); }
  void TearDown() override { SetTextureDirectory("data\\"); }
};

TEST_F(ModelLoaderTest, EndTagAloneGivesAnEmptyModel) {
  MeshBytes b;
  b.U32(200);
  ExpectEmpty(Parse(b.bytes));
  EXPECT_STREQ(LastModelLoadError(), "");
}

TEST_F(ModelLoaderTest, RoundTripKeepsEveryField) {
  const SceneModel m = Parse(BuildMeshFile(FullFile()));
  ASSERT_STREQ(LastModelLoadError(), "");
  ASSERT_EQ(m.meshCount, 2u);
  const Mesh& a = m.meshes[0];
  ASSERT_EQ(a.vertexCount, 3u);
  ASSERT_EQ(a.vertices.size(), 3u);
  EXPECT_EQ(a.vertices[1].position[0], 1.0f);
  EXPECT_EQ(a.vertices[2].mapping[0], 12u);
  EXPECT_EQ(a.vertices[2].mapping[1], 22u);
  ASSERT_EQ(a.faceCount, 1u);
  EXPECT_EQ(a.faces[0].vertex[1], 1u);
  EXPECT_EQ(a.faces[0].normal[2], 1.0f);
  // Interleaved corner coordinates in the file become two arrays.
  EXPECT_EQ(a.faces[0].s[1], 0.3f);
  EXPECT_EQ(a.faces[0].t[1], 0.4f);
  EXPECT_EQ(a.faces[0].t[2], 0.6f);
  EXPECT_EQ(a.meshValue, 77u);
  const Mesh& b = m.meshes[1];
  EXPECT_EQ(b.vertexCount, 4u);
  EXPECT_EQ(b.faceCount, 2u);
  EXPECT_EQ(b.faces[1].vertex[1], 3u);
  EXPECT_EQ(b.faces[1].normal[0], 1.0f);
  EXPECT_EQ(b.materialIndex, 1u);
  EXPECT_EQ(b.meshValue, 5u);
  ASSERT_EQ(m.materialCount, 2u);
  EXPECT_STREQ(m.materials[0].name, "stone");
  EXPECT_STREQ(m.materials[0].path, "data\\rock.tga");
  EXPECT_STREQ(m.materials[1].path, "data\\steel.tga");

  ASSERT_EQ(m.cameraCount, 1u);
  ASSERT_EQ(m.cameras.size(), 1u);
  const Camera& c = m.cameras[0];
  EXPECT_EQ(c.position[2], 3.0f);
  EXPECT_EQ(c.target[1], -2.0f);
  EXPECT_EQ(c.fov, 60.0f);
  ASSERT_EQ(c.positionKeyCount, 3u);
  ASSERT_EQ(c.targetKeyCount, 2u);
  EXPECT_EQ(c.positionKeys[2].time, 20.0f);
  EXPECT_EQ(c.positionKeys[2].z, 9.0f);
  EXPECT_EQ(c.targetKeys[1].time, 30.0f);
  EXPECT_EQ(c.targetKeys[1].x, -4.0f);
  EXPECT_EQ(m.currentCamera, nullptr);

  ASSERT_EQ(m.pointCount, 2u);
  EXPECT_EQ(m.points[1].position[0], -9.0f);
  EXPECT_EQ(m.points[1].values[5], 1005u);
  ASSERT_EQ(m.extraCount, 1u);
  EXPECT_EQ(m.extras[0].values[3], 303u);
}

TEST_F(ModelLoaderTest, NamedTracksReadTheSecondNameOnlyWhenFlagged) {
  const SceneModel m = Parse(BuildMeshFile(FullFile()));
  ASSERT_EQ(m.trackCount, 2u);
  const NamedTrack& plain = m.tracks[0];
  EXPECT_EQ(plain.name, "spin");
  EXPECT_EQ(plain.flag, 0);
  EXPECT_EQ(plain.secondName, "");
  EXPECT_EQ(plain.values[0], 1u);  // directly after the flag byte
  EXPECT_EQ(plain.values[2], 3u);
  EXPECT_EQ(plain.keyCount, 0u);
  EXPECT_TRUE(plain.keys.empty());
  const NamedTrack& paired = m.tracks[1];
  EXPECT_EQ(paired.name, "door");
  EXPECT_EQ(paired.flag, 1);
  EXPECT_EQ(paired.secondName, "hinge");
  EXPECT_EQ(paired.values[1], 5u);
  ASSERT_EQ(paired.keyCount, 2u);
  EXPECT_EQ(paired.keys[1][0], 15u);
  EXPECT_EQ(paired.keys[1][3], 18u);

  // Any non-zero flag means a second name follows.
  TrackDesc odd;
  odd.name = "x";
  odd.flag = 7;
  odd.secondName = "y";
  odd.values[2] = 99;
  MeshBytes bytes;
  AppendTrackBlock(bytes, {odd});
  bytes.U32(200);
  const SceneModel n = Parse(bytes.bytes);
  ASSERT_EQ(n.trackCount, 1u);
  EXPECT_EQ(n.tracks[0].secondName, "y");
  EXPECT_EQ(n.tracks[0].values[2], 99u);
}

TEST_F(ModelLoaderTest, UnknownTagsAreSkippedFourBytesAtATime) {
  MeshFileDesc d = FullFile();
  d.strayTags = {7, 12345, 0};
  const SceneModel m = Parse(BuildMeshFile(d));
  EXPECT_STREQ(LastModelLoadError(), "");
  EXPECT_EQ(m.meshCount, 2u);
  ASSERT_EQ(m.cameraCount, 1u);
  EXPECT_EQ(m.cameras[0].fov, 60.0f);
  EXPECT_EQ(m.trackCount, 2u);
}

TEST_F(ModelLoaderTest, BlocksMayComeInAnyOrderAndEmptyBlocksCountZero) {
  MeshBytes b;
  AppendPointBlock(b, {});
  AppendCameraBlock(b, FullFile().cameras);
  AppendMeshBlock(b, {Triangle("a", "a.tga")});
  b.U32(200);
  const SceneModel m = Parse(b.bytes);
  EXPECT_EQ(m.pointCount, 0u);
  EXPECT_EQ(m.cameraCount, 1u);
  EXPECT_EQ(m.meshCount, 1u);
}

TEST_F(ModelLoaderTest, SecondMeshBlockOverwritesFromMeshZero) {
  MeshBytes b;
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
  const std::string stem(40, 'm');
  MeshFileDesc d;
  d.meshes = {Triangle(stem + "one", "one.tga"), Triangle(stem + "two", "two.tga")};
  SceneModel m = Parse(BuildMeshFile(d));
  EXPECT_EQ(m.materialCount, 1u);
  EXPECT_EQ(m.meshes[1].materialIndex, 0u);
  EXPECT_STREQ(m.materials[0].name, (stem + "one").c_str());

  // A difference inside the first 40 characters makes two materials.
  d.meshes = {Triangle(std::string(39, 'm') + "a", "one.tga"), Triangle(std::string(39, 'm') + "b", "two.tga")};
  m = Parse(BuildMeshFile(d));
  EXPECT_EQ(m.materialCount, 2u);
  EXPECT_EQ(m.meshes[1].materialIndex, 1u);

  // A shorter name is not a prefix match.
  d.meshes = {Triangle("wood", "one.tga"), Triangle("woodland", "two.tga")};
  m = Parse(BuildMeshFile(d));
  EXPECT_EQ(m.materialCount, 2u);
}

TEST_F(ModelLoaderTest, MaterialPathIsTextureDirectoryPlusBaseName) {
  SetTextureDirectory("data\\texpart01\\");
  MeshFileDesc d;
  d.meshes = {Triangle("a", "C:\\3dsmax\\maps\\rock.tga"), Triangle("b", "rock.tga"), Triangle("c", "maps\\")};
  const SceneModel m = Parse(BuildMeshFile(d));
  EXPECT_STREQ(m.materials[0].path, "data\\texpart01\\rock.tga");
  EXPECT_STREQ(m.materials[1].path, "data\\texpart01\\rock.tga");
  EXPECT_STREQ(m.materials[2].path, "data\\texpart01\\");
  // Forward slashes are not separators in the exporter's paths.
  d.meshes = {Triangle("a", "maps/rock.tga")};
  EXPECT_STREQ(Parse(BuildMeshFile(d)).materials[0].path, "data\\texpart01\\maps/rock.tga");
}

TEST_F(ModelLoaderTest, SingleMaterialTakesTheLastMeshPath) {
  MeshFileDesc d;
  d.meshes = {Triangle("skin", "x\\first.tga"), Triangle("skin", "x\\second.tga"), Triangle("skin", "third.tga")};
  SceneModel m = Parse(BuildMeshFile(d));
  ASSERT_EQ(m.materialCount, 1u);
  EXPECT_STREQ(m.materials[0].path, "data\\third.tga");

  // Once a second material exists, matching meshes leave the paths alone.
  d.meshes = {Triangle("skin", "a1.tga"), Triangle("skin", "a2.tga"), Triangle("bone", "b.tga"),
              Triangle("skin", "a3.tga"), Triangle("bone", "b2.tga")};
  m = Parse(BuildMeshFile(d));
  ASSERT_EQ(m.materialCount, 2u);
  EXPECT_STREQ(m.materials[0].path, "data\\a2.tga");
  EXPECT_STREQ(m.materials[1].path, "data\\b.tga");
  EXPECT_EQ(m.meshes[3].materialIndex, 0u);
  EXPECT_EQ(m.meshes[4].materialIndex, 1u);
}

TEST_F(ModelLoaderTest, LimitsAreAcceptedUpToTheirBoundAndRejectedPastIt) {
  MeshFileDesc d;
  d.meshes.assign(100, MeshDesc{});
  EXPECT_EQ(Parse(BuildMeshFile(d)).meshCount, 100u);
  d.meshes.assign(101, MeshDesc{});
  ExpectRejected(BuildMeshFile(d), "mesh count 101");

  d.meshes.clear();
  for (int i = 0; i < 40; ++i) d.meshes.push_back(Triangle("mat" + std::to_string(i), "t.tga"));
  EXPECT_EQ(Parse(BuildMeshFile(d)).materialCount, 40u);
  d.meshes.push_back(Triangle("mat40", "t.tga"));
  ExpectRejected(BuildMeshFile(d), "more than 40 materials");

  d.meshes = {Triangle(std::string(49, 'n'), "t.tga")};
  EXPECT_EQ(Parse(BuildMeshFile(d)).materialCount, 1u);
  d.meshes = {Triangle(std::string(50, 'n'), "t.tga")};
  ExpectRejected(BuildMeshFile(d), "material name longer than 49");

  d.meshes = {Triangle("a", std::string(1990, 'p') + "\\t.tga")};  // 1,996 characters
  EXPECT_STREQ(Parse(BuildMeshFile(d)).materials[0].path, "data\\t.tga");
  d.meshes = {Triangle("a", std::string(1994, 'p') + "\\t.tga")};  // 2,000 characters
  ExpectRejected(BuildMeshFile(d), "bitmap path longer than 1999");

  // "data\" is 5 characters: 494 more make 499, one more reaches 500.
  d.meshes = {Triangle("a", std::string(494, 'b'))};
  EXPECT_EQ(std::strlen(Parse(BuildMeshFile(d)).materials[0].path), 499u);
  d.meshes = {Triangle("a", std::string(495, 'b'))};
  ExpectRejected(BuildMeshFile(d), "500 characters");

  TrackDesc t;
  t.name = std::string(1999, 'q');
  d = MeshFileDesc{};
  d.tracks = {t};
  EXPECT_EQ(Parse(BuildMeshFile(d)).tracks[0].name.size(), 1999u);
  d.tracks[0].name += 'q';
  ExpectRejected(BuildMeshFile(d), "track name longer");
}

TEST_F(ModelLoaderTest, MeshWithoutVerticesOrFacesIsAccepted) {
  MeshFileDesc d;
  d.meshes = {MeshDesc{}, Triangle("a", "a.tga")};
  const SceneModel m = Parse(BuildMeshFile(d));
  ASSERT_EQ(m.meshCount, 2u);
  EXPECT_EQ(m.meshes[0].vertexCount, 0u);
  EXPECT_EQ(m.meshes[0].faceCount, 0u);
  EXPECT_EQ(m.materialCount, 2u);  // the empty name is a material like any other
  EXPECT_STREQ(m.materials[0].name, "");
  EXPECT_EQ(m.meshes[1].materialIndex, 1u);
}

TEST_F(ModelLoaderTest, FaceIndexMustBeBelowVertexCount) {
  MeshFileDesc d;
  d.meshes = {Triangle("a", "a.tga")};
  d.meshes[0].faces[0].vertex[2] = 3;
  ExpectRejected(BuildMeshFile(d), "face index 3 not below vertex count 3");
  d.meshes[0].faces[0].vertex[2] = 0xFFFFFFFFu;
  ExpectRejected(BuildMeshFile(d), "face index");
  // No vertices at all: any face is out of range.
  d.meshes[0].vertices.clear();
  d.meshes[0].faces[0].vertex[2] = 0;
  ExpectRejected(BuildMeshFile(d), "not below vertex count 0");
}

TEST_F(ModelLoaderTest, CountsPastTheEndAreRejectedBeforeAllocating) {
  const std::uint32_t huge = 0xFFFFFFF0u;
  MeshBytes verts;
  verts.U32(100).U32(1).U32(huge);
  ExpectRejected(verts.bytes, "vertex count");
  MeshBytes faces;
  faces.U32(100).U32(1).U32(0).U32(huge);
  ExpectRejected(faces.bytes, "face count");
  MeshBytes cams;
  cams.U32(300).U32(huge).U32(200);
  ExpectRejected(cams.bytes, "camera count");
  MeshBytes keys;
  keys.U32(300).U32(1).F32(0).F32(0).F32(0).U32(huge);
  for (int i = 0; i < 12; ++i) keys.U32(0);
  keys.U32(200);
  ExpectRejected(keys.bytes, "camera key count");
  MeshBytes points;
  points.U32(400).U32(2);
  for (int i = 0; i < 9; ++i) points.U32(1);
  points.U32(200);
  ExpectRejected(points.bytes, "point count");
  MeshBytes extras;
  extras.U32(500).U32(huge).U32(200);
  ExpectRejected(extras.bytes, "extra record count");
  MeshBytes tracks;
  tracks.U32(600).U32(huge).U32(200);
  ExpectRejected(tracks.bytes, "track count");
  MeshBytes trackKeys;
  trackKeys.U32(600).U32(1).String("t").Byte(0).U32(0).U32(0).U32(0).U32(huge).U32(200);
  ExpectRejected(trackKeys.bytes, "track key count");
}

TEST_F(ModelLoaderTest, MissingEndTagAndEmptyInputAreRejected) {
  MeshFileDesc d = FullFile();
  d.endTag = false;
  ExpectRejected(BuildMeshFile(d), "no end tag");
  ExpectRejected({}, "no end tag");
  ExpectRejected({200, 0, 0}, "no end tag");  // a tag cut short
  EXPECT_EQ(ParseSceneModel(nullptr, 0).meshCount, 0u);
}

// Every proper prefix of a good file is rejected cleanly; each is copied to a
// buffer of exactly its length so a read past the end is a sanitizer error.
TEST_F(ModelLoaderTest, EveryTruncationIsRejected) {
  const std::vector<std::uint8_t> whole = BuildMeshFile(FullFile());
  ASSERT_EQ(Parse(whole).meshCount, 2u);
  for (std::size_t len = 0; len < whole.size(); ++len) {
    const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(len));
    const SceneModel m = Parse(cut);
    ASSERT_EQ(m.meshCount, 0u) << len;
    ASSERT_EQ(m.cameraCount, 0u) << len;
    ASSERT_EQ(m.materialCount, 0u) << len;
    ASSERT_EQ(m.trackCount, 0u) << len;
    ASSERT_NE(std::string(LastModelLoadError()), "") << len;
  }
}

TEST_F(ModelLoaderTest, RejectedFileDoesNotAffectTheNextLoad) {
  MeshFileDesc bad = FullFile();
  bad.meshes[1].faces[0].vertex[0] = 9;
  ExpectEmpty(Parse(BuildMeshFile(bad)));
  MeshFileDesc good;
  good.meshes = {Triangle("only", "one.tga")};
  const SceneModel m = Parse(BuildMeshFile(good));
  EXPECT_EQ(m.meshCount, 1u);
  EXPECT_EQ(m.materialCount, 1u);
  EXPECT_STREQ(m.materials[0].name, "only");
  EXPECT_STREQ(m.materials[1].name, "");
  EXPECT_STREQ(LastModelLoadError(), "");
}

TEST_F(ModelLoaderTest, LoadsFromDataPathsAndNamesTheFileOnFailure) {
  test::TempDir dir;
  const test::ScopedWorkingDirectory cwd(dir.path());
  dir.Write("data/Part01_MAX.bin", BuildMeshFile(FullFile()));
  SceneModel m = LoadSceneModel("data\\part01_max.bin");
  EXPECT_EQ(m.meshCount, 2u);
  EXPECT_EQ(FirstCamera(m), &m.cameras[0]);

  m = LoadSceneModel("data\\missing.bin");
  ExpectEmpty(m);
  EXPECT_EQ(FirstCamera(m), nullptr);
  EXPECT_NE(std::string(LastModelLoadError()).find("data\\missing.bin"), std::string::npos);

  MeshFileDesc bad = FullFile();
  bad.meshes[0].faces[0].vertex[0] = 3;
  dir.Write("data/bad.bin", BuildMeshFile(bad));
  ExpectEmpty(LoadSceneModel("data\\bad.bin"));
  const std::string error = LastModelLoadError();
  EXPECT_NE(error.find("data\\bad.bin"), std::string::npos) << error;
  EXPECT_NE(error.find("face index 3"), std::string::npos) << error;
}

TEST_F(ModelLoaderTest, FilesLargerThanTheOriginalBufferLoadWhole) {
  MeshFileDesc d;
  MeshDesc big;
  big.vertices.resize(60000);  // 1.2 MB of vertices
  big.vertices.back().position[0] = 42.0f;
  big.materialName = "m";
  d.meshes = {big};
  test::TempDir dir;
  const std::string path = dir.Write("big.bin", BuildMeshFile(d));
  const SceneModel m = LoadSceneModel(path.c_str());
  ASSERT_EQ(m.meshCount, 1u);
  EXPECT_EQ(m.meshes[0].vertices[59999].position[0], 42.0f);
}

TEST_F(ModelLoaderTest, InspectDescribesTheFileAsJson) {
  test::TempDir dir;
  SetTextureDirectory("data\\texpart04\\");
  MeshFileDesc d = FullFile();
  d.cameras[0].targetKeys.resize(1);
  d.points.resize(1);
  const std::string path = dir.Write("scene.bin", BuildMeshFile(d));
  std::string json;
  ASSERT_TRUE(InspectMesh(path.c_str(), json));
  EXPECT_EQ(json,
            "{\"meshCount\": 2, \"cameraCount\": 1, \"pointCount\": 1, \"materialCount\": 2, \"extraCount\": 1, "
            "\"trackCount\": 2, \"meshes\": [{\"vertexCount\": 3, \"faceCount\": 1, \"materialIndex\": 0, "
            "\"meshValue\": 77}, {\"vertexCount\": 4, \"faceCount\": 2, \"materialIndex\": 1, \"meshValue\": 5}], "
            "\"materials\": [{\"name\": \"stone\", \"path\": \"data\\\\rock.tga\"}, {\"name\": \"metal\", "
            "\"path\": \"data\\\\steel.tga\"}], \"cameras\": [{\"position\": [1, 2, 3], \"target\": [-1, -2, -3], "
            "\"fov\": 60, \"positionKeys\": [[0, 1, 2, 3], [10, 4, 5, 6], [20, 7, 8, 9]], \"targetKeys\": "
            "[[0, -1, -2, -3]]}], \"points\": [[9, 8, 7]]}");
  // The show's own texture directory is left as it was.
  EXPECT_STREQ(textureDirectory, "data\\texpart04\\");

  d.meshes[0].faces[0].vertex[0] = 5;
  const std::string bad = dir.Write("bad.bin", BuildMeshFile(d));
  EXPECT_FALSE(InspectMesh(bad.c_str(), json));
  EXPECT_EQ(json.rfind("{\"error\": \"", 0), 0u) << json;
  EXPECT_NE(json.find("face index 5"), std::string::npos) << json;

  const test::CommandResult run = test::RunCommand(test::ProgramPath("VELKOR_TOOLS") + " inspect " + bad);
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.output.find("\"error\""), std::string::npos) << run.output;
}

}  // namespace
}  // namespace velkor
