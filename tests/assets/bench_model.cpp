// Loading and preparing a 50,000-face model: file load and parse, the linear
// vertex normals, and the direct vertex-by-face scan for comparison.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "assets/model.h"
#include "support/test_files.h"
#include "tools/standin/mesh_writer.h"

namespace velkor {
namespace {

constexpr int kGridX = 126, kGridY = 201;  // 125 x 200 cells, two faces each: 50,000 faces

MeshFileDesc GridFile() {
  MeshDesc mesh;
  for (int y = 0; y < kGridY; ++y)
    for (int x = 0; x < kGridX; ++x) {
      MeshVertexDesc v;
      v.position[0] = static_cast<float>(x);
      v.position[1] = static_cast<float>(y);
      v.position[2] = std::sin(0.1f * x) * std::cos(0.07f * y);
      mesh.vertices.push_back(v);
    }
  for (int y = 0; y + 1 < kGridY; ++y)
    for (int x = 0; x + 1 < kGridX; ++x) {
      const std::uint32_t a = y * kGridX + x, b = a + 1, c = a + kGridX, d = c + 1;
      MeshFaceDesc f;
      f.normal[0] = 0.01f * static_cast<float>(x % 7);
      f.normal[1] = 0.01f * static_cast<float>(y % 5);
      f.vertex[0] = a, f.vertex[1] = b, f.vertex[2] = d;
      mesh.faces.push_back(f);
      f.vertex[1] = d, f.vertex[2] = c;
      mesh.faces.push_back(f);
    }
  mesh.materialName = "ground";
  mesh.bitmapPath = "C:\\maps\\ground.tga";
  MeshFileDesc d;
  d.meshes = {mesh};
  return d;
}

struct GridFixture {
  test::TempDir dir;
  std::string path = dir.Write("grid.bin", BuildMeshFile(GridFile()));
};

GridFixture& Grid() {
  static GridFixture fixture;
  return fixture;
}

// The direct form: every vertex scans every face of its mesh.
void QuadraticNormals(SceneModel& model) {
  for (std::uint32_t m = 0; m < model.meshCount; ++m) {
    Mesh& mesh = model.meshes[m];
    for (std::uint32_t j = 0; j < mesh.vertexCount; ++j) {
      float sum[3] = {0, 0, 0};
      for (const Face& f : mesh.faces)
        if (f.vertex[0] == j || f.vertex[1] == j || f.vertex[2] == j)
          for (int k = 0; k < 3; ++k) sum[k] += f.normal[k];
      const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
      for (int k = 0; k < 3; ++k) mesh.vertices[j].normal[k] = sum[k] / length;
    }
  }
}

void BM_LoadSceneModel(benchmark::State& state) {
  const std::string& path = Grid().path;
  for (auto _ : state) {
    SceneModel model = LoadSceneModel(path.c_str());
    benchmark::DoNotOptimize(model.meshes[0].faces.data());
  }
}
BENCHMARK(BM_LoadSceneModel)->Unit(benchmark::kMillisecond);

void BM_LinearNormals(benchmark::State& state) {
  SceneModel model = LoadSceneModel(Grid().path.c_str());
  for (auto _ : state) {
    ComputeVertexNormals(model);
    benchmark::DoNotOptimize(model.meshes[0].vertices.data());
  }
}
BENCHMARK(BM_LinearNormals)->Unit(benchmark::kMillisecond);

void BM_QuadraticNormals(benchmark::State& state) {
  SceneModel model = LoadSceneModel(Grid().path.c_str());
  for (auto _ : state) {
    QuadraticNormals(model);
    benchmark::DoNotOptimize(model.meshes[0].vertices.data());
  }
}
BENCHMARK(BM_QuadraticNormals)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace velkor

BENCHMARK_MAIN();
