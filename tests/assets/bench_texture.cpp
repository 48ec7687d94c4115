// Value noise throughput and texture load times on the software renderer: a
// 512 x 512 JPEG (single level and mipmapped) and a 256 x 256 TGA with mipmaps,
// each from a file on disk, plus the composition of two kept images.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "assets/texture.h"
#include "platform/jpeg.h"
#include "proc/noise.h"
#include "support/gl_fixture.h"
#include "support/test_files.h"
#include "tools/standin/image_writers.h"

namespace velkor {
namespace {

std::vector<std::uint8_t> Photo(int width, int height, int channels) {
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * channels);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        pixels[(static_cast<std::size_t>(y) * width + x) * channels + c] =
            static_cast<std::uint8_t>((x * (c + 1) + y * (3 - c) + ((x * y) >> 5)) & 0xff);
  return pixels;
}

void BM_CosineNoise3(benchmark::State& state) {
  SetRand15State(1);
  InitNoiseTables();
  float x = 0.0f, sum = 0.0f;
  for (auto _ : state) {
    sum += CosineNoise3(x, 0.37f * x, 1.7f);
    x += 0.013f;
    if (x > 1000.0f) x = 0.0f;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CosineNoise3);

void BM_DecodeJpeg512(benchmark::State& state) {
  const std::vector<std::uint8_t> file = EncodeJpegRgb(Photo(512, 512, 3), 512, 512, 90);
  for (auto _ : state) {
    JpegImage image;
    benchmark::DoNotOptimize(DecodeJpegRgb(file.data(), file.size(), image));
  }
}
BENCHMARK(BM_DecodeJpeg512)->Unit(benchmark::kMillisecond);

// Loads through a file on disk, as the scenes do; deletes each texture again so
// that the context does not fill up over the iterations.
template <typename Load>
void RunLoads(benchmark::State& state, Load load) {
  if (!test::EnsureHeadlessContext()) {
    state.SkipWithError("no headless GL context");
    return;
  }
  for (auto _ : state) {
    GLuint name = load();
    glFinish();
    state.PauseTiming();
    glDeleteTextures(1, &name);
    state.ResumeTiming();
  }
}

// Argument 0: one level; 1: the whole mipmap chain.
void BM_LoadJpegTexture512(benchmark::State& state) {
  test::TempDir dir;
  const std::string path = dir.Write("photo.jpg", EncodeJpegRgb(Photo(512, 512, 3), 512, 512, 90));
  const auto load = state.range(0) ? LoadJpegTextureMipmapped : LoadJpegTexture;
  RunLoads(state, [&] {
    GLuint name = 0;
    load(path.c_str(), &name, nullptr);
    return name;
  });
}
BENCHMARK(BM_LoadJpegTexture512)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LoadTgaTexture256(benchmark::State& state) {
  test::TempDir dir;
  const std::string path = dir.Write("frame.tga", EncodeTga(Photo(256, 256, 3), 256, 256, 24));
  RunLoads(state, [&] {
    TextureRecord record{};
    LoadTgaTexture(&record, path.c_str());
    return record.textureId;
  });
}
BENCHMARK(BM_LoadTgaTexture256)->Unit(benchmark::kMillisecond);

void BM_ComposeAlphaTexture(benchmark::State& state) {
  const std::vector<std::uint8_t> file = EncodeTga(Photo(256, 256, 3), 256, 256, 24);
  TextureRecord image{};
  DecodeTga(file.data(), file.size(), image);
  RunLoads(state, [&] {
    GLuint name = 0;
    glGenTextures(1, &name);
    ComposeAlphaTexture(image, image, name);
    return name;
  });
}
BENCHMARK(BM_ComposeAlphaTexture)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velkor

BENCHMARK_MAIN();
