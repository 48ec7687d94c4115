// Vertex normals from face normals, and camera key-track animation.
#include <gtest/gtest.h>

#include <array>

#include <cmath>
#include <cstring>
#include <random>

#include "assets/model.h"
#include "proc/noise.h"

namespace velkor {
namespace {

using N = std::array<float, 3>;

Face MakeFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, float nx, float ny, float nz) {
  return Face{{a, b, c}, {nx, ny, nz}, {}, {}};
}

void SetMesh(SceneModel& model, int index, std::uint32_t vertexCount, std::vector<Face> faces) {
  Mesh& mesh = model.meshes[index];
  mesh.vertexCount = vertexCount;
  mesh.vertices.assign(vertexCount, Vertex{});
  mesh.faceCount = static_cast<std::uint32_t>(faces.size());
  mesh.faces = std::move(faces);
  model.meshCount = std::max<std::uint32_t>(model.meshCount, index + 1);
}

// Vertex normals of a single mesh made of `faces`.
std::vector<N> Normals(std::uint32_t vertexCount, std::vector<Face> faces) {
  SceneModel model;
  SetMesh(model, 0, vertexCount, std::move(faces));
  ComputeVertexNormals(model);
  std::vector<N> out;
  for (const Vertex& v : model.meshes[0].vertices) out.push_back({v.normal[0], v.normal[1], v.normal[2]});
  return out;
}

// The direct form: every vertex scans every face of its mesh.
N ReferenceNormal(const Mesh& mesh, std::uint32_t j) {
  N sum = {0, 0, 0};
  for (const Face& f : mesh.faces)
    if (f.vertex[0] == j || f.vertex[1] == j || f.vertex[2] == j)
      for (int k = 0; k < 3; ++k) sum[k] += f.normal[k];
  const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
  return {sum[0] / length, sum[1] / length, sum[2] / length};
}

TEST(VertexNormalsTest, DocumentedExamples) {
  const float half = 0.70710677f;
  EXPECT_EQ(Normals(4, {MakeFace(0, 1, 2, 0, 0, 1), MakeFace(0, 2, 3, 1, 0, 0)}),
            (std::vector<N>{{half, 0, half}, {0, 0, 1}, {half, 0, half}, {1, 0, 0}}));
  EXPECT_EQ(Normals(3, {MakeFace(0, 1, 2, 0, 3, 4)}), std::vector<N>(3, N{0, 0.6f, 0.8f}));
}

TEST(VertexNormalsTest, FaceNamingAVertexTwiceCountsOnce) {
  // Counted twice, vertex 0 would lean to +x.
  EXPECT_EQ(Normals(3, {MakeFace(0, 0, 1, 1, 0, 0), MakeFace(0, 1, 2, 0, 1, 0)})[0], (N{0.70710677f, 0.70710677f, 0}));
  EXPECT_EQ(Normals(3, {MakeFace(2, 2, 2, 0, 0, -5)})[2], (N{0, 0, -1}));
}

// Vertex 0's two normals cancel, no face uses vertex 4, and a sum too small to square has no direction.
TEST(VertexNormalsTest, UnusedCancellingOrTinySumsPointUp) {
  EXPECT_EQ(Normals(5, {MakeFace(0, 1, 2, 1, 0, 0), MakeFace(0, 1, 3, -1, 0, 0)}),
            (std::vector<N>{{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {-1, 0, 0}, {0, 0, 1}}));
  EXPECT_EQ(Normals(3, {MakeFace(0, 1, 2, 1e-30f, 0, 0)})[0], (N{0, 0, 1}));
}

// Normals of widely differing sizes make the float sums depend on the order of
// addition, so any change of order shows up in the bits. Two meshes per model
// show that meshes do not share vertices.
TEST(VertexNormalsTest, BitIdenticalToTheDirectScanOnRandomMeshes) {
  std::mt19937 rng(20240607);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_int_distribution<int> exponent(-8, 8);
  for (int round = 0; round < 20; ++round) {
    SceneModel model;
    for (int mesh = 0; mesh < 2; ++mesh) {
      const std::uint32_t vertexCount = 5 + rng() % 60;
      std::vector<Face> faces(rng() % 200);
      for (Face& face : faces) {
        face = MakeFace(rng() % vertexCount, rng() % vertexCount, rng() % vertexCount, 0, 0, 0);
        if (rng() % 8 == 0) face.vertex[2] = face.vertex[0];
        for (float& n : face.normal) n = std::ldexp(unit(rng), exponent(rng));
      }
      SetMesh(model, mesh, vertexCount, faces);
    }
    const std::array<Mesh, 2> before = {model.meshes[0], model.meshes[1]};
    ComputeVertexNormals(model);
    for (int mesh = 0; mesh < 2; ++mesh)
      for (std::uint32_t j = 0; j < model.meshes[mesh].vertexCount; ++j) {
        N expected = ReferenceNormal(before[mesh], j);
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

// Between keys: the end segments repeat their end key, inner ones take four neighbours.
TEST(AnimateCameraTest, TimeBetweenKeysUsesTheSurroundingWindow) {
  const std::vector<CameraKey> five = {{0, 1, 0, 0}, {1, 2, 0, 0}, {3, 4, 0, 0}, {4, 8, 0, 0}, {6, 16, 0, 0}};
  const struct { const std::vector<CameraKey>& keys; float t; int axis; float expected; } cases[] = {
      {kThreeKeys, 5.0f, 0, Segment(0.5f, 0, 0, 10, 20)},  {kThreeKeys, 5.0f, 2, Segment(0.5f, 5, 5, 6, 9)},
      {kThreeKeys, 12.5f, 1, Segment(0.25f, 1, 3, 2, 2)}, {kThreeKeys, 7.0f, 0, Segment(0.7f, 0, 0, 10, 20)},
      {five, 2.0f, 0, Segment(0.5f, 1, 2, 4, 8)},          {five, 3.5f, 0, Segment(0.5f, 2, 4, 8, 16)},
  };
  for (const auto& c : cases) {
    Camera camera = TrackCamera(c.keys, {});
    AnimateCamera(camera, c.t);
    EXPECT_EQ(camera.position[c.axis], c.expected) << c.t;
  }
  Camera camera = TrackCamera(kThreeKeys, {});
  AnimateCamera(camera, 5.0f);
  EXPECT_EQ(camera.position[0], 4.375f);  // the repeated first key bends the start of the curve
  EXPECT_EQ(std::vector<float>(camera.window, camera.window + 4), (std::vector<float>{5, 5, 6, 9}));  // last axis
}

// Before or on the first key the file's value stays; on a later key or past the end, the last value
// (not snapped to the key).
TEST(AnimateCameraTest, KeyTimesAndTimesOutsideTheTrackHoldTheLastValue) {
  Camera c = TrackCamera(kThreeKeys, {});
  std::vector<float> seen;
  for (float t : {-1.0f, 0.0f, 7.0f, 10.0f, 19.0f, 25.0f, 20.0f}) {
    AnimateCamera(c, t);
    seen.push_back(c.position[0]);
  }
  EXPECT_EQ(seen, (std::vector<float>{-1, -1, seen[2], seen[2], seen[4], seen[4], seen[4]}));
  EXPECT_NE(seen[4], 20.0f);
}

TEST(AnimateCameraTest, TracksAreIndependentAndShortOnesNeverMove) {
  Camera c = TrackCamera(kThreeKeys, {{30, 0, 0, 0}, {40, 10, 10, 10}});
  AnimateCamera(c, 5.0f);
  const float position = c.position[0];
  EXPECT_EQ(c.target[0], 100.0f);  // target track not yet begun
  AnimateCamera(c, 35.0f);
  EXPECT_EQ(c.position[0], position);  // position track over
  EXPECT_EQ(c.target[0], Segment(0.5f, 0, 0, 10, 10));
  EXPECT_EQ(c.target[1], c.target[0]);
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
