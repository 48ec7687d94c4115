// Writes the starting corpus of an image or sound fuzz target with the
// project's own writers: small files of each kind the show reads, and damaged
// copies that stop in the reader's different checks.
// Usage: fuzz_seeds fuzz_tga|fuzz_jpeg|fuzz_mp3 DIR
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "music/test_music_tone.h"
#include "platform/jpeg.h"
#include "tools/standin/image_writers.h"
#include "tools/standin/standin_files.h"
#include "tools/standin/synth/mp3_encoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Seeds = std::vector<std::pair<std::string, Bytes>>;

Bytes Pattern(std::size_t size, unsigned seed) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>((i * 37 + seed * 101) ^ (i >> 3));
  return b;
}

Bytes Changed(Bytes b, std::size_t at, std::uint8_t value) {
  if (at < b.size()) b[at] = value;
  return b;
}

Bytes FirstHalf(const Bytes& b) { return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(b.size() / 2)); }

// Four-component files: Adobe YCCK (inverted inks) and plain CMYK. The
// project's own encoder writes RGB and grey only.
Bytes CmykJpeg(bool adobeYcck) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = 8;
  c.image_height = 8;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  if (adobeYcck) jpeg_set_colorspace(&c, JCS_YCCK);
  else c.write_Adobe_marker = FALSE;
  jpeg_start_compress(&c, TRUE);
  Bytes row = Pattern(8 * 4, 3);
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  Bytes bytes(out, out + size);
  std::free(out);
  jpeg_destroy_compress(&c);
  return bytes;
}

Seeds TgaSeeds() {
  const Bytes rgb = velkor::EncodeTga(Pattern(3 * 2 * 3, 1), 3, 2, 24);
  return {{"rgb.tga", rgb},
          {"rgba.tga", velkor::EncodeTga(Pattern(2 * 2 * 4, 2), 2, 2, 32)},
          {"cut.tga", Bytes(rgb.begin(), rgb.end() - 1)},
          {"header.tga", Bytes(rgb.begin(), rgb.begin() + 18)},
          {"id-field.tga", Changed(rgb, 0, 4)},
          {"run-length.tga", Changed(rgb, 2, 10)},
          {"16-bit.tga", Changed(rgb, 16, 16)},
          {"no-width.tga", Changed(rgb, 12, 0)}};
}

Seeds JpegSeeds() {
  const Bytes colour = velkor::EncodeJpegRgb(Pattern(13 * 7 * 3, 4), 13, 7, 90);
  return {{"colour.jpg", colour},
          {"grey.jpg", velkor::EncodeJpegGrey(Pattern(16 * 8, 5), 16, 8, 75)},
          {"ycck.jpg", CmykJpeg(true)},
          {"cmyk.jpg", CmykJpeg(false)},
          {"cut.jpg", FirstHalf(colour)},
          {"damaged-scan.jpg", Changed(colour, colour.size() - 40, 0xff)},
          {"start-only.jpg", Bytes{0xff, 0xd8}}};
}

// A tenth of a second at 44.1 kHz: the rate the encoder writes its gapless tag for.
Bytes Tone(int kbps) {
  std::vector<std::int16_t> pcm(4410 * 2);
  for (std::size_t i = 0; i < pcm.size(); ++i)
    pcm[i] = static_cast<std::int16_t>(8000.0 * std::sin(static_cast<double>(i / 2) * 0.06 * (1 + i % 2)));
  return velkor::EncodeStereoMp3(pcm, 44100, kbps);
}

Seeds Mp3Seeds() {
  const Bytes tone = Tone(64);
  Bytes tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0, 16};
  tagged.resize(tagged.size() + 16);
  tagged.insert(tagged.end(), tone.begin(), tone.end());
  return {{"tone-64k.mp3", tone},
          {"tone-96k.mp3", Tone(96)},
          {"tone-128k.mp3", Tone(128)},
          // Without the gapless tag: MPEG-2 and 2.5 rates, mono.
          {"mono-22k.mp3", velkor::test::EncodeToneMp3(0.1, 22050, 1, 32)},
          {"mono-11k.mp3", velkor::test::EncodeToneMp3(0.2, 11025, 1, 16)},
          {"stereo-48k.mp3", velkor::test::EncodeToneMp3(0.05, 48000, 2, 160)},
          {"cut.mp3", FirstHalf(tone)},
          {"no-sync.mp3", Changed(tone, 0, 0)},
          {"id3-tag.mp3", tagged},
          {"noise.mp3", Changed(Changed(Pattern(256, 6), 0, 0xff), 1, 0xfb)}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string target = argv[1];
  const Seeds seeds = target == "fuzz_tga" ? TgaSeeds() : target == "fuzz_jpeg" ? JpegSeeds()
                      : target == "fuzz_mp3" ? Mp3Seeds() : Seeds{};
  bool ok = !seeds.empty();
  for (const auto& [name, bytes] : seeds) {
    if (bytes.empty()) std::fprintf(stderr, "fuzz_seeds: no bytes for %s\n", name.c_str());
    ok = !bytes.empty() && velkor::WriteBytesFile(std::string(argv[2]) + "/" + name, bytes) && ok;
  }
  return ok ? 0 : 1;
}
