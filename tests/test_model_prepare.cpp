// Vertex normals from face normals, and camera key-track animation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "assets/model.h"
#include "proc/noise.h"

namespace velkor {
namespace {

Face MakeFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, float nx, float ny, float nz) {
  Face f{};
  f.vertex[0] = a, f.vertex[1] = b, f.vertex[2] = c;
  f.normal[0] = nx, f.normal[1] = ny, f.normal[2] = nz;
  return f;
}

void SetMesh(SceneModel& model, int index, std::uint32_t vertexCount, std::vector<Face> faces) {
  Mesh& mesh = model.meshes[index];
  mesh.vertexCount = vertexCount;
  mesh.vertices.assign(vertexCount, Vertex{});
  mesh.faceCount = static_cast<std::uint32_t>(faces.size());
  mesh.faces = std::move(faces);
  if (model.meshCount <= static_cast<std::uint32_t>(index)) model.meshCount = index + 1;
}

// The direct form: every vertex scans every face of its mesh.
void ReferenceNormals(const Mesh& mesh, std::vector<std::array<float, 3>>& out) {
  out.assign(mesh.vertexCount, {0, 0, 0});
  for (std::uint32_t j = 0; j < mesh.vertexCount; ++j) {
    float sum[3] = {0, 0, 0};
    for (const Face& f : mesh.faces) {
      if (f.vertex[0] == j || f.vertex[1] == j || f.vertex[2] == j)
        for (int k = 0; k < 3; ++k) sum[k] += f.normal[k];
    }
    const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (int k = 0; k < 3; ++k) out[j][k] = sum[k] / length;
  }
}

void ExpectNormal(const Vertex& v, float x, float y, float z) {
  EXPECT_EQ(v.normal[0], x);
  EXPECT_EQ(v.normal[1], y);
  EXPECT_EQ(v.normal[2], z);
}

TEST(VertexNormalsTest, SharedVertexAveragesItsFaces) {
  SceneModel model;
  SetMesh(model, 0, 4, {MakeFace(0, 1, 2, 0, 0, 1), MakeFace(0, 2, 3, 1, 0, 0)});
  ComputeVertexNormals(model);
  const float half = 0.70710677f;
  ExpectNormal(model.meshes[0].vertices[0], half, 0, half);
  ExpectNormal(model.meshes[0].vertices[2], half, 0, half);
  ExpectNormal(model.meshes[0].vertices[1], 0, 0, 1);
  ExpectNormal(model.meshes[0].vertices[3], 1, 0, 0);
}

TEST(VertexNormalsTest, SingleFaceNormalIsNormalised) {
  SceneModel model;
  SetMesh(model, 0, 3, {MakeFace(0, 1, 2, 0, 3, 4)});
  ComputeVertexNormals(model);
  for (const Vertex& v : model.meshes[0].vertices) ExpectNormal(v, 0, 0.6f, 0.8f);
}

TEST(VertexNormalsTest, FaceNamingAVertexTwiceCountsOnce) {
  SceneModel model;
  // Vertex 0 appears twice in the first face; counted twice it would lean to +x.
  SetMesh(model, 0, 3, {MakeFace(0, 0, 1, 1, 0, 0), MakeFace(0, 1, 2, 0, 1, 0)});
  ComputeVertexNormals(model);
  const float half = 0.70710677f;
  ExpectNormal(model.meshes[0].vertices[0], half, half, 0);
  SetMesh(model, 0, 3, {MakeFace(2, 2, 2, 0, 0, -5)});
  ComputeVertexNormals(model);
  ExpectNormal(model.meshes[0].vertices[2], 0, 0, -1);
}

TEST(VertexNormalsTest, UnusedOrCancellingVerticesPointUp) {
  SceneModel model;
  SetMesh(model, 0, 5, {MakeFace(0, 1, 2, 1, 0, 0), MakeFace(0, 1, 3, -1, 0, 0)});
  ComputeVertexNormals(model);
  ExpectNormal(model.meshes[0].vertices[0], 0, 0, 1);  // the two normals cancel
  ExpectNormal(model.meshes[0].vertices[4], 0, 0, 1);  // no face uses it
  ExpectNormal(model.meshes[0].vertices[2], 1, 0, 0);
  ExpectNormal(model.meshes[0].vertices[3], -1, 0, 0);
  // Sums too small to square also have no usable direction.
  SetMesh(model, 0, 3, {MakeFace(0, 1, 2, 1e-30f, 0, 0)});
  ComputeVertexNormals(model);
  ExpectNormal(model.meshes[0].vertices[0], 0, 0, 1);
}

TEST(VertexNormalsTest, MeshesDoNotShareVertices) {
  SceneModel model;
  SetMesh(model, 0, 3, {MakeFace(0, 1, 2, 1, 0, 0)});
  SetMesh(model, 1, 3, {MakeFace(0, 1, 2, 0, 1, 0)});
  ComputeVertexNormals(model);
  ExpectNormal(model.meshes[0].vertices[0], 1, 0, 0);
  ExpectNormal(model.meshes[1].vertices[0], 0, 1, 0);
}

// Normals of widely differing sizes make the float sums depend on the order of
// addition, so any change of order shows up in the bits.
TEST(VertexNormalsTest, BitIdenticalToTheDirectScanOnRandomMeshes) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-8, 8);
  for (int round = 0; round < 20; ++round) {
    const std::uint32_t vertexCount = 5 + rng() % 60;
    const std::uint32_t faceCount = rng() % 200;
    std::vector<Face> faces;
    for (std::uint32_t f = 0; f < faceCount; ++f) {
      Face face = MakeFace(rng() % vertexCount, rng() % vertexCount, rng() % vertexCount, 0, 0, 0);
      if (rng() % 8 == 0) face.vertex[2] = face.vertex[0];
      for (float& n : face.normal) n = std::ldexp(unit(rng), exponent(rng));
      faces.push_back(face);
    }
    SceneModel model;
    SetMesh(model, 0, vertexCount, faces);
    std::vector<std::array<float, 3>> expected;
    ReferenceNormals(model.meshes[0], expected);
    ComputeVertexNormals(model);
    for (std::uint32_t j = 0; j < vertexCount; ++j) {
      const float* got = model.meshes[0].vertices[j].normal;
      if (std::isfinite(expected[j][0]) && std::isfinite(expected[j][1]) && std::isfinite(expected[j][2])) {
        ASSERT_EQ(std::memcmp(got, expected[j].data(), sizeof(float) * 3), 0)
            << "round " << round << " vertex " << j << ": " << got[0] << " vs " << expected[j][0];
      } else {
        ExpectNormal(model.meshes[0].vertices[j], 0, 0, 1);
      }
    }
  }
}

Camera TrackCamera(std::vector<CameraKey> positionKeys, std::vector<CameraKey> targetKeys) {
  Camera c{};
  c.position[0] = -1, c.position[1] = -2, c.position[2] = -3;
  c.target[0] = 100, c.target[1] = 200, c.target[2] = 300;
  c.positionKeyCount = static_cast<std::uint32_t>(positionKeys.size());
  c.targetKeyCount = static_cast<std::uint32_t>(targetKeys.size());
  c.positionKeys = std::move(positionKeys);
  c.targetKeys = std::move(targetKeys);
  return c;
}

float Segment(float u, float a, float b, float c, float d) {
  const float window[4] = {a, b, c, d};
  return CatmullRomSegment(u, 4, window);
}

const std::vector<CameraKey> kThreeKeys = {{0, 0, 1, 5}, {10, 10, 3, 6}, {20, 20, 2, 9}};

TEST(AnimateCameraTest, FirstSegmentRepeatsTheFirstKey) {
  Camera c = TrackCamera(kThreeKeys, {});
  AnimateCamera(c, 5.0f);
  EXPECT_EQ(c.position[0], Segment(0.5f, 0, 0, 10, 20));
  EXPECT_EQ(c.position[1], Segment(0.5f, 1, 1, 3, 2));
  EXPECT_EQ(c.position[2], Segment(0.5f, 5, 5, 6, 9));
  EXPECT_EQ(c.position[0], 4.375f);  // the repeated first key bends the start of the curve
  // The work window holds the last axis evaluated.
  EXPECT_EQ(c.window[0], 5.0f);
  EXPECT_EQ(c.window[3], 9.0f);
}

TEST(AnimateCameraTest, LastSegmentRepeatsTheLastKey) {
  Camera c = TrackCamera(kThreeKeys, {});
  AnimateCamera(c, 12.5f);
  EXPECT_EQ(c.position[1], Segment(0.25f, 1, 3, 2, 2));
  EXPECT_EQ(c.position[2], Segment(0.25f, 5, 6, 9, 9));
}

TEST(AnimateCameraTest, InnerSegmentUsesFourNeighbours) {
  Camera c = TrackCamera({{0, 1, 0, 0}, {1, 2, 0, 0}, {3, 4, 0, 0}, {4, 8, 0, 0}, {6, 16, 0, 0}}, {});
  AnimateCamera(c, 2.0f);  // segment 1, halfway
  EXPECT_EQ(c.position[0], Segment(0.5f, 1, 2, 4, 8));
  AnimateCamera(c, 3.5f);  // segment 2, halfway
  EXPECT_EQ(c.position[0], Segment(0.5f, 2, 4, 8, 16));
}

TEST(AnimateCameraTest, KeyTimesAndTimesOutsideTheTrackHoldTheLastValue) {
  Camera c = TrackCamera(kThreeKeys, {});
  AnimateCamera(c, -1.0f);  // before the first key: the file's value
  EXPECT_EQ(c.position[0], -1.0f);
  AnimateCamera(c, 0.0f);
  EXPECT_EQ(c.position[0], -1.0f);
  AnimateCamera(c, 7.0f);
  const float at7 = c.position[0];
  EXPECT_EQ(at7, Segment(0.7f, 0, 0, 10, 20));
  AnimateCamera(c, 10.0f);  // exactly on a key
  EXPECT_EQ(c.position[0], at7);
  AnimateCamera(c, 19.0f);
  const float at19 = c.position[0];
  AnimateCamera(c, 25.0f);  // past the end: not snapped to the last key
  EXPECT_EQ(c.position[0], at19);
  EXPECT_NE(c.position[0], 20.0f);
  AnimateCamera(c, 20.0f);
  EXPECT_EQ(c.position[0], at19);
}

TEST(AnimateCameraTest, TracksWithFewerThanTwoKeysNeverMove) {
  Camera c = TrackCamera({{5, 9, 9, 9}}, {});
  for (float t : {0.0f, 5.0f, 6.0f}) {
    AnimateCamera(c, t);
    EXPECT_EQ(c.position[0], -1.0f);
    EXPECT_EQ(c.target[2], 300.0f);
  }
  // A count larger than the keys present is never trusted.
  c = TrackCamera(kThreeKeys, {});
  c.positionKeyCount = 50;
  c.positionKeys.resize(1);
  AnimateCamera(c, 5.0f);
  EXPECT_EQ(c.position[0], -1.0f);
}

TEST(AnimateCameraTest, PositionAndTargetTracksAreIndependent) {
  Camera c = TrackCamera(kThreeKeys, {{30, 0, 0, 0}, {40, 10, 10, 10}});
  AnimateCamera(c, 5.0f);
  const float position = c.position[0];
  EXPECT_EQ(c.target[0], 100.0f);  // target track not yet begun
  AnimateCamera(c, 35.0f);
  EXPECT_EQ(c.position[0], position);  // position track over
  EXPECT_EQ(c.target[0], Segment(0.5f, 0, 0, 10, 10));
  EXPECT_EQ(c.target[1], c.target[0]);
}

TEST(AnimateCameraTest, WorksOnALoadedModelCamera) {
  SceneModel model;
  model.cameras.push_back(TrackCamera(kThreeKeys, kThreeKeys));
  model.cameraCount = 1;
  model.currentCamera = FirstCamera(model);
  ASSERT_NE(model.currentCamera, nullptr);
  AnimateCamera(*model.currentCamera, 15.0f);
  EXPECT_EQ(model.cameras[0].position[0], model.cameras[0].target[0]);
  EXPECT_EQ(model.cameras[0].position[0], 15.625f);  // window 0, 10, 20, 20 at u = 0.5
}

}  // namespace
}  // namespace velkor
