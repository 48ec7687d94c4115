// The sound layer's decoding of a music block without a device: the track
// format the stand-in set uses decodes to its exact length (the encoder's
// delay and padding dropped, as the music clock assumes), a limit stops it,
// and blocks without audio are refused with the stream opening's codes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "tools/standin/synth/mp3_encoder.h"

namespace velkor {
namespace {

std::vector<std::uint8_t> OneSecondTone() {
  std::vector<std::int16_t> pcm(44100 * 2);
  for (std::size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<std::int16_t>(8000.0 * std::sin(static_cast<double>(i / 2) * 0.0627));
  return EncodeStereoMp3(pcm, 44100, 128);
}

TEST(SoundDecodeTest, DecodesWholeTracksExactlyStopsAtTheLimitAndRefusesBlocksWithoutAudio) {
  const std::vector<std::uint8_t> tone = OneSecondTone();
  ASSERT_FALSE(tone.empty());
  const std::string text = "ID3 but not really; no frame header anywhere in here";
  const struct {
    const char* name;
    const std::uint8_t* data;
    std::size_t size;
    std::int64_t maxFrames;
    SoundDecodeResult expected;
  } cases[] = {
      {"whole tone", tone.data(), tone.size(), 1 << 20, {kSoundOk, 44100, 44100, true}},
      {"limited", tone.data(), tone.size(), 1000, {kSoundOk, 44100, 1000, false}},
      {"empty", tone.data(), 0, 1000, {kSoundUnknownFormat, 0, 0, false}},
      {"text", reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 1000, {kSoundUnknownFormat, 0, 0, false}},
      {"no data", nullptr, 100, 1000, {kSoundInvalidParameter, 0, 0, false}},
  };
  for (const auto& c : cases) {
    const SoundDecodeResult r = SoundDecodeMemory(c.data, c.size, c.maxFrames);
    EXPECT_EQ(r.error, c.expected.error) << c.name;
    EXPECT_EQ(r.trackRate, c.expected.trackRate) << c.name;
    EXPECT_EQ(r.frames, c.expected.frames) << c.name;
    EXPECT_EQ(r.ended, c.expected.ended) << c.name;
    EXPECT_EQ(SoundLastError(), c.expected.error) << c.name;
  }
}

}  // namespace
}  // namespace velkor
