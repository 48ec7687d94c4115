// The figures that matter for loading: a 50,000-face model's file load and
// parse, its linear vertex normals against the direct vertex-by-face scan they
// replace; texture loads from files on disk on the software renderer (a 512 x
// 512 JPEG, one level and mipmapped, and a 256 x 256 TGA); value noise
// throughput.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "assets/model.h"
#include "assets/texture.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/standin/image_writers.h"
#include "tools/standin/mesh_writer.h"

namespace velkor {
namespace {

// A wavy 126 x 201 vertex grid: 125 x 200 cells of two faces each, in a file.
const std::string& GridPath() {
  static test::TempDir dir;
  static const std::string path = [] {
    constexpr int kGridX = 126, kGridY = 201;
    MeshFileDesc file;
    file.meshes.resize(1);
    MeshDesc& mesh = file.meshes[0];
    for (int y = 0; y < kGridY; ++y)
      for (int x = 0; x < kGridX; ++x)
        mesh.vertices.push_back({{float(x), float(y), std::sin(0.1f * x) * std::cos(0.07f * y)}, {}});
    for (std::uint32_t y = 0; y + 1 < kGridY; ++y)
      for (std::uint32_t x = 0; x + 1 < kGridX; ++x) {
        const std::uint32_t a = y * kGridX + x, b = a + 1, c = a + kGridX, d = c + 1;
        const float nx = 0.01f * static_cast<float>(x % 7), ny = 0.01f * static_cast<float>(y % 5);
        mesh.faces.push_back({{a, b, d}, {nx, ny, 1}, {}, {}});
        mesh.faces.push_back({{a, d, c}, {nx, ny, 1}, {}, {}});
      }
    mesh.materialName = "ground";
    mesh.bitmapPath = "C:\\maps\\ground.tga";
    return dir.Write("grid.bin", BuildMeshFile(file));
  }();
  return path;
}

// The direct form: every vertex scans every face of its mesh.
void QuadraticNormals(Mesh& mesh) {
  for (std::uint32_t j = 0; j < mesh.vertexCount; ++j) {
    float sum[3] = {0, 0, 0};
    for (const Face& f : mesh.faces)
      if (f.vertex[0] == j || f.vertex[1] == j || f.vertex[2] == j)
        for (int k = 0; k < 3; ++k) sum[k] += f.normal[k];
    const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (int k = 0; k < 3; ++k) mesh.vertices[j].normal[k] = sum[k] / length;
  }
}

void BM_LoadSceneModel(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(LoadSceneModel(GridPath().c_str()).meshes[0].faces.data());
}
BENCHMARK(BM_LoadSceneModel)->Unit(benchmark::kMillisecond);

// Argument 0: the linear vertex normals; 1: the direct scan.
void BM_VertexNormals(benchmark::State& state) {
  SceneModel model = LoadSceneModel(GridPath().c_str());
  for (auto _ : state) {
    if (state.range(0) != 0)
      QuadraticNormals(model.meshes[0]);
    else
      ComputeVertexNormals(model);
    benchmark::DoNotOptimize(model.meshes[0].vertices.data());
  }
}
BENCHMARK(BM_VertexNormals)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

std::vector<std::uint8_t> Photo(int size) {
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      for (int c = 0; c < 3; ++c) rgb.push_back(static_cast<std::uint8_t>(x * (c + 1) + y * (3 - c) + ((x * y) >> 5)));
  return rgb;
}

void BM_CosineNoise3(benchmark::State& state) {
  SetRand15State(1);
  InitNoiseTables();
  float x = 0.0f, sum = 0.0f;
  for (auto _ : state) {
    sum += CosineNoise3(x, 0.37f * x, 1.7f);
    x = x > 1000.0f ? 0.0f : x + 0.013f;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CosineNoise3);

// Loads `file` through `load` each iteration, deleting the texture again outside the timing.
void RunLoads(benchmark::State& state, const std::vector<std::uint8_t>& file,
              bool (*load)(const char*, GLuint*, std::string*)) {
  if (!test::EnsureHeadlessContext()) {
    state.SkipWithError("no headless GL context");
    return;
  }
  test::TempDir dir;
  const std::string path = dir.Write("image", file);
  for (auto _ : state) {
    GLuint name = 0;
    load(path.c_str(), &name, nullptr);
    glFinish();
    state.PauseTiming();
    glDeleteTextures(1, &name);
    state.ResumeTiming();
  }
}

// Argument 0: one level; 1: the whole mipmap chain.
void BM_LoadJpegTexture512(benchmark::State& state) {
  RunLoads(state, EncodeJpegRgb(Photo(512), 512, 512, 90),
           state.range(0) ? LoadJpegTextureMipmapped : LoadJpegTexture);
}
BENCHMARK(BM_LoadJpegTexture512)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadTgaTexture256(benchmark::State& state) {
  RunLoads(state, EncodeTga(Photo(256), 256, 256, 24), [](const char* path, GLuint* name, std::string* error) {
    TextureRecord record{};
    const bool ok = LoadTgaTexture(&record, path, error);
    *name = record.textureId;
    return ok;
  });
}
BENCHMARK(BM_LoadTgaTexture256)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velkor

BENCHMARK_MAIN();
