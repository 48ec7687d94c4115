// Records a PulseAudio source (the null sink's monitor, in the sync
// measurement) as 16-bit stereo at 44100 Hz, with the moment each sample was
// captured on the steady clock: after every read, the time of the last sample
// read is now less the latency the server reports for the record stream.
// usage: av_sync_record SOURCE SECONDS OUT_PREFIX   (writes OUT_PREFIX.raw and OUT_PREFIX.times)
// Stops after SECONDS or on SIGTERM/SIGINT.
#include <pulse/error.h>
#include <pulse/simple.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

volatile sig_atomic_t stopping = 0;
void Stop(int) { stopping = 1; }

constexpr int kRate = 44100, kChannels = 2, kFramesPerRead = 441;  // 10 ms a read

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: av_sync_record SOURCE SECONDS OUT_PREFIX\n");
    return 2;
  }
  signal(SIGTERM, Stop);
  signal(SIGINT, Stop);
  const double seconds = std::atof(argv[2]);
  const std::string prefix = argv[3];
  const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, kChannels};
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.fragsize = kFramesPerRead * kChannels * 2;
  int error = 0;
  pa_simple* source =
      pa_simple_new(nullptr, "velkor av-sync", PA_STREAM_RECORD, argv[1], "monitor", &format, nullptr, &attr, &error);
  if (!source) {
    std::fprintf(stderr, "av_sync_record: %s: %s\n", argv[1], pa_strerror(error));
    return 1;
  }
  FILE* raw = std::fopen((prefix + ".raw").c_str(), "wb");
  FILE* times = std::fopen((prefix + ".times").c_str(), "w");
  if (!raw || !times) {
    std::fprintf(stderr, "av_sync_record: cannot write %s.*\n", prefix.c_str());
    return 1;
  }
  std::fputs("endFrame,captureMicros\n", times);
  short buffer[kFramesPerRead * kChannels];
  long long frames = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!stopping && std::chrono::steady_clock::now() < end) {
    if (pa_simple_read(source, buffer, sizeof buffer, &error) < 0) {
      std::fprintf(stderr, "av_sync_record: read: %s\n", pa_strerror(error));
      break;
    }
    const pa_usec_t latency = pa_simple_get_latency(source, &error);
    const long long now =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    frames += kFramesPerRead;
    std::fwrite(buffer, sizeof buffer, 1, raw);
    std::fprintf(times, "%lld,%lld\n", frames, now - static_cast<long long>(latency));
  }
  std::fclose(raw);
  std::fclose(times);
  pa_simple_free(source);
  return 0;
}
