// Records a PulseAudio source (the null sink's monitor, in the sync
// measurement) as 16-bit stereo at 44100 Hz, with the moment each sample was
// captured on the steady clock: after every read, the time of the next sample
// to read is now less the latency the server reports for the record stream.
// A monitor's latency is mostly negative (the sink renders ahead of its
// clock, and its monitor hears the samples then), so it is read with its
// sign: a simpler client that rounds it up to zero marks the samples early.
// usage: av_sync_record SOURCE SECONDS OUT_PREFIX   (writes OUT_PREFIX.raw and OUT_PREFIX.times)
// Stops after SECONDS or on SIGTERM/SIGINT.
#include <pulse/pulseaudio.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

volatile sig_atomic_t stopping = 0;
void Stop(int) { stopping = 1; }

constexpr int kRate = 44100, kChannels = 2, kBytesPerFrame = 4, kFramesPerRead = 441;  // 10 ms a read

pa_threaded_mainloop* loop = nullptr;

void Signal(pa_context*, void*) { pa_threaded_mainloop_signal(loop, 0); }
void SignalStream(pa_stream*, void*) { pa_threaded_mainloop_signal(loop, 0); }
void SignalRead(pa_stream*, size_t, void*) { pa_threaded_mainloop_signal(loop, 0); }

long long SteadyMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int Fail(const char* what, pa_context* context) {
  std::fprintf(stderr, "av_sync_record: %s: %s\n", what, pa_strerror(pa_context_errno(context)));
  return 1;
}

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
  FILE* raw = std::fopen((prefix + ".raw").c_str(), "wb");
  FILE* times = std::fopen((prefix + ".times").c_str(), "w");
  if (!raw || !times) {
    std::fprintf(stderr, "av_sync_record: cannot write %s.*\n", prefix.c_str());
    return 1;
  }
  loop = pa_threaded_mainloop_new();
  pa_context* context = pa_context_new(pa_threaded_mainloop_get_api(loop), "velkor av-sync");
  pa_context_set_state_callback(context, Signal, nullptr);
  if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return Fail("connect", context);
  pa_threaded_mainloop_lock(loop);
  pa_threaded_mainloop_start(loop);
  while (pa_context_get_state(context) != PA_CONTEXT_READY) {
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context))) return Fail("connect", context);
    pa_threaded_mainloop_wait(loop);
  }
  const pa_sample_spec format{PA_SAMPLE_S16LE, kRate, kChannels};
  pa_stream* source = pa_stream_new(context, "monitor", &format, nullptr);
  pa_stream_set_state_callback(source, SignalStream, nullptr);
  pa_stream_set_read_callback(source, SignalRead, nullptr);
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<std::uint32_t>(-1);
  attr.fragsize = kFramesPerRead * kBytesPerFrame;
  const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                                    PA_STREAM_ADJUST_LATENCY);
  if (pa_stream_connect_record(source, argv[1], &attr, flags) < 0) return Fail(argv[1], context);
  while (pa_stream_get_state(source) != PA_STREAM_READY) {
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(source))) return Fail(argv[1], context);
    pa_threaded_mainloop_wait(loop);
  }
  std::fputs("endFrame,captureMicros\n", times);
  long long bytes = 0, marked = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (!stopping && std::chrono::steady_clock::now() < end) {
    const void* data = nullptr;
    size_t size = 0;
    if (pa_stream_peek(source, &data, &size) < 0) {
      Fail("read", context);
      break;
    }
    if (size == 0) {
      pa_threaded_mainloop_wait(loop);
      continue;
    }
    if (data) {
      std::fwrite(data, size, 1, raw);
    } else {  // a hole in the recording: silence in its place
      for (size_t i = 0; i < size; ++i) std::fputc(0, raw);
    }
    pa_stream_drop(source);
    bytes += static_cast<long long>(size);
    if (bytes - marked < kFramesPerRead * kBytesPerFrame) continue;
    marked = bytes;
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(source, &latency, &negative) < 0) continue;  // no timing yet
    const long long signedLatency = negative ? -static_cast<long long>(latency) : static_cast<long long>(latency);
    std::fprintf(times, "%lld,%lld\n", bytes / kBytesPerFrame, SteadyMicros() - signedLatency);
  }
  pa_threaded_mainloop_unlock(loop);
  pa_threaded_mainloop_stop(loop);
  pa_stream_unref(source);
  pa_context_disconnect(context);
  pa_context_unref(context);
  pa_threaded_mainloop_free(loop);
  std::fclose(raw);
  std::fclose(times);
  return 0;
}
