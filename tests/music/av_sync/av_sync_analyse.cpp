// Matches a recording of what was heard against the decoded track, and the
// player's frames against both: for every presented frame, the music time it
// was drawn for minus the music time being heard at its swap. Prints, per
// scene, the frame count and the median, 5th and 95th percentile in ms.
//
// What was heard when: every half second of the recording, 2048 samples are
// found in the track by normalised cross-correlation, searched within 250 ms
// of where the player's own clock said the music was; windows that match
// poorly (quiet passages) are left out. Between windows the offset of heard
// time against the steady clock is interpolated.
// usage: av_sync_analyse TRACK.mp3 REC_PREFIX FRAMES.csv ORIGIN_MICROS
// (AV_SYNC_DEBUG=1 in the environment prints every matched window.)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/mp3_decoder.h"

namespace {

using velkor::Mp3Decoder;

constexpr int kRate = 44100;
constexpr int kWindow = 2048;
constexpr int kSearch = kRate / 4;  // 250 ms either side
constexpr int kStep = kRate / 2;
constexpr double kGoodMatch = 0.6;

std::vector<float> MonoOf(const short* samples, std::size_t frames) {
  std::vector<float> mono(frames);
  for (std::size_t i = 0; i < frames; ++i) mono[i] = (samples[2 * i] + samples[2 * i + 1]) / 65536.0f;
  return mono;
}

bool DecodeTrack(const std::string& path, std::vector<float>* track) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty() || mpg123_init() != MPG123_OK) return false;
  Mp3Decoder decoder;
  int rate = 0;
  if (velkor::OpenMp3Decoder(decoder, bytes.data(), bytes.size(), &rate) != 0 || rate != kRate) return false;
  std::vector<short> pcm;
  unsigned char buffer[65536];
  for (bool ended = false; !ended;) {
    const std::size_t got = velkor::DecodeMp3Next(decoder, buffer, sizeof buffer, &ended);
    const short* s = reinterpret_cast<const short*>(buffer);
    pcm.insert(pcm.end(), s, s + got / 2);
  }
  velkor::CloseMp3Decoder(decoder);
  *track = MonoOf(pcm.data(), pcm.size() / 2);
  return true;
}

struct Frame {
  long long swapMicros;  // on the steady clock
  long long clockMs;     // the player's clock at the swap
  long long shownMs;
  int scene;
};

std::vector<Frame> ReadFrames(const std::string& path, long long origin) {
  std::vector<Frame> frames;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    long long wall, music, setup, shown, read, predicted;
    int scene;
    if (std::sscanf(line.c_str(), "%lld,%lld,%d,%lld,%lld,%lld,%lld", &wall, &music, &scene, &setup, &shown, &read,
                    &predicted) == 7)
      frames.push_back(Frame{origin + wall, music, shown, scene});
  }
  return frames;
}

// The capture time of each recorded frame, from the recorder's time marks.
std::vector<double> CaptureTimes(const std::string& path, std::size_t frames) {
  std::vector<std::pair<long long, long long>> marks;
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    long long end, micros;
    if (std::sscanf(line.c_str(), "%lld,%lld", &end, &micros) == 2) marks.emplace_back(end, micros);
  }
  std::vector<double> times(frames, 0.0);
  if (marks.empty()) return times;
  // The sink plays, and so its monitor captures, at its own steady pace: not
  // quite 44100 samples a second of the steady clock (a null sink counts its
  // time in whole microseconds per block and so runs some 170 ppm fast),
  // which over a minute is several ms. Where the samples start and how long
  // each lasts is therefore fitted to the marks: the median mark of each
  // stretch of the recording (a read that waited, at the start or on a busy
  // machine, marks its samples late), then the median of the slopes between
  // stretches, so that a stretch gone wrong (the idle sink before the player
  // started) cannot tilt the line.
  constexpr int kStretches = 16;
  const double nominal = 1e6 / kRate;
  std::vector<double> xs, ys;
  for (int k = 0; k < kStretches; ++k) {
    const std::size_t from = marks.size() * k / kStretches, to = marks.size() * (k + 1) / kStretches;
    if (to <= from) continue;
    std::vector<double> starts;
    for (std::size_t i = from; i < to; ++i)
      starts.push_back(static_cast<double>(marks[i].second) - marks[i].first * nominal);
    std::nth_element(starts.begin(), starts.begin() + starts.size() / 2, starts.end());
    xs.push_back(static_cast<double>(marks[(from + to) / 2].first));
    ys.push_back(starts[starts.size() / 2]);
  }
  std::vector<double> slopes, intercepts;
  for (std::size_t a = 0; a < xs.size(); ++a)
    for (std::size_t b = a + 1; b < xs.size(); ++b)
      if (xs[b] != xs[a]) slopes.push_back((ys[b] - ys[a]) / (xs[b] - xs[a]));
  std::sort(slopes.begin(), slopes.end());
  const double drift = slopes.empty() ? 0 : slopes[slopes.size() / 2];  // µs a sample beyond the nominal
  for (std::size_t k = 0; k < xs.size(); ++k) intercepts.push_back(ys[k] - drift * xs[k]);
  std::sort(intercepts.begin(), intercepts.end());
  const double first = intercepts[intercepts.size() / 2];
  if (std::getenv("AV_SYNC_DEBUG"))
    std::fprintf(stderr, "recording: %.1f ppm from 44100 Hz\n", -drift / nominal * 1e6);
  for (std::size_t i = 0; i < frames; ++i) times[i] = first + (static_cast<double>(i) + 1) * (nominal + drift);
  return times;
}

// The track sample where rec[at .. at + kWindow) matches best, near guess; -1 if nowhere well.
long long FindInTrack(const std::vector<float>& track, const std::vector<float>& rec, std::size_t at, long long guess) {
  double recEnergy = 0;
  for (int k = 0; k < kWindow; ++k) recEnergy += rec[at + k] * rec[at + k];
  if (recEnergy < 1e-6) return -1;
  const long long from = std::max<long long>(0, guess - kSearch);
  const long long to = std::min<long long>(static_cast<long long>(track.size()) - kWindow, guess + kSearch);
  double best = 0;
  long long bestAt = -1;
  for (long long lag = from; lag <= to; ++lag) {
    double dot = 0, energy = 0;
    const float* t = track.data() + lag;
    const float* r = rec.data() + at;
    for (int k = 0; k < kWindow; ++k) {
      dot += t[k] * r[k];
      energy += t[k] * t[k];
    }
    const double score = energy > 0 ? dot / std::sqrt(energy * recEnergy) : 0;
    if (score > best) {
      best = score;
      bestAt = lag;
    }
  }
  return best >= kGoodMatch ? bestAt : -1;
}

double Percentile(std::vector<double> values, double p) {
  std::sort(values.begin(), values.end());
  const std::size_t i = std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5));
  return values[i];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: av_sync_analyse TRACK.mp3 REC_PREFIX FRAMES.csv ORIGIN_MICROS\n");
    return 2;
  }
  std::vector<float> track;
  if (!DecodeTrack(argv[1], &track)) {
    std::fprintf(stderr, "av_sync_analyse: %s: not a 44100 Hz MP3\n", argv[1]);
    return 1;
  }
  const std::string prefix = argv[2];
  std::ifstream rawIn(prefix + ".raw", std::ios::binary);
  const std::vector<char> raw((std::istreambuf_iterator<char>(rawIn)), std::istreambuf_iterator<char>());
  const std::vector<float> rec = MonoOf(reinterpret_cast<const short*>(raw.data()), raw.size() / 4);
  const std::vector<double> captured = CaptureTimes(prefix + ".times", rec.size());
  const std::vector<Frame> frames = ReadFrames(argv[3], std::atoll(argv[4]));
  if (rec.size() < kWindow * 4 || frames.size() < 10) {
    std::fprintf(stderr, "av_sync_analyse: too little recorded (%zu samples) or drawn (%zu frames)\n", rec.size(),
                 frames.size());
    return 1;
  }
  // Heard music time minus steady time (ms), at steady times (µs).
  std::vector<std::pair<double, double>> offsets;
  std::size_t f = 0;
  for (std::size_t at = 0; at + kWindow < rec.size(); at += kStep) {
    const double t = captured[at + kWindow / 2];
    while (f + 1 < frames.size() && frames[f + 1].swapMicros < t) ++f;
    if (frames[f].swapMicros > t) continue;  // before the first frame: no guess yet
    const double clockMs = frames[f].clockMs + (t - frames[f].swapMicros) / 1000.0;
    const long long found = FindInTrack(track, rec, at, static_cast<long long>(clockMs * kRate / 1000) - kWindow / 2);
    if (found < 0) continue;
    const double heardMs = (found + kWindow / 2) * 1000.0 / kRate;
    offsets.emplace_back(t, heardMs - t / 1000.0);
    if (std::getenv("AV_SYNC_DEBUG"))
      std::fprintf(stderr, "window at %.3f s: heard %.1f ms, clock %.1f ms, offset %.1f\n", (t - frames.front().swapMicros) / 1e6,
                   heardMs, clockMs, heardMs - clockMs);
  }
  if (offsets.size() < 2) {
    std::fprintf(stderr, "av_sync_analyse: the recording matched the track in %zu windows\n", offsets.size());
    return 1;
  }
  std::map<int, std::vector<double>> byScene;
  std::size_t o = 0;
  for (const Frame& frame : frames) {
    const double t = static_cast<double>(frame.swapMicros);
    if (t < offsets.front().first || t > offsets.back().first) continue;
    while (o + 2 < offsets.size() && offsets[o + 1].first < t) ++o;
    const auto& [t0, d0] = offsets[o];
    const auto& [t1, d1] = offsets[o + 1];
    const double offset = d0 + (d1 - d0) * (t - t0) / (t1 - t0);
    byScene[frame.scene].push_back(static_cast<double>(frame.shownMs) - (t / 1000.0 + offset));
  }
  std::printf("windows matched: %zu\n", offsets.size());
  std::printf("%5s %7s %10s %8s %8s\n", "scene", "frames", "median_ms", "p5_ms", "p95_ms");
  for (const auto& [scene, diffs] : byScene)
    std::printf("%5d %7zu %10.1f %8.1f %8.1f\n", scene, diffs.size(), Percentile(diffs, 0.5), Percentile(diffs, 0.05),
                Percentile(diffs, 0.95));
  return 0;
}
