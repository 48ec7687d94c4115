// The latency watcher over the PulseAudio protocol (PulseAudio itself, or
// PipeWire's server for it): 25 times a second it lists the server's
// playback streams, finds this process's by its process id, and reports the
// stream's buffered time plus its sink's latency. SDL plays through its own
// connection; this one only asks. A server that is not there or goes away
// ends the watch quietly.
#include "platform/output_latency.h"

#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

namespace velkor {

namespace {

constexpr auto kAskEvery = std::chrono::milliseconds(40);

struct Watch {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  OutputLatencyListener listener = nullptr;
  // On the heap and never destroyed at exit: a program leaving through
  // exit() while watching (Xlib does, when its display goes) would
  // otherwise destroy a running thread and abort.
  std::thread* asker = nullptr;
  std::atomic<bool> stopping{false};
  std::string pid;
  std::chrono::steady_clock::time_point askedAt;  // under the loop's lock
  pa_operation* asking = nullptr;                 // under the loop's lock
};
Watch watch;

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void*) {
  if (eol || !info || !watch.listener) return;
  const char* pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
  if (!pid || watch.pid != pid || info->corked) return;
  const std::int64_t delay = static_cast<std::int64_t>(info->buffer_usec) + static_cast<std::int64_t>(info->sink_usec);
  watch.listener(delay, watch.askedAt, std::chrono::steady_clock::now());
}

void OnContextState(pa_context* context, void*) {
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: pa_threaded_mainloop_signal(watch.loop, 0); break;
    default: break;
  }
}

// Connects, waiting for the server's answer; false when there is none.
bool Connect() {
  pa_threaded_mainloop_lock(watch.loop);
  pa_context_set_state_callback(watch.context, OnContextState, nullptr);
  bool ready = pa_context_connect(watch.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
  while (ready) {
    const pa_context_state_t state = pa_context_get_state(watch.context);
    if (state == PA_CONTEXT_READY) break;
    if (!PA_CONTEXT_IS_GOOD(state)) ready = false;
    else pa_threaded_mainloop_wait(watch.loop);
  }
  pa_threaded_mainloop_unlock(watch.loop);
  return ready;
}

void AskUntilStopped() {
  while (!watch.stopping) {
    pa_threaded_mainloop_lock(watch.loop);
    const bool good = PA_CONTEXT_IS_GOOD(pa_context_get_state(watch.context));
    // A question still unanswered is waited for rather than joined by another,
    // so each answer belongs to the time its own question was sent.
    if (watch.asking && pa_operation_get_state(watch.asking) != PA_OPERATION_RUNNING) {
      pa_operation_unref(watch.asking);
      watch.asking = nullptr;
    }
    if (good && !watch.asking) {
      watch.askedAt = std::chrono::steady_clock::now();
      watch.asking = pa_context_get_sink_input_info_list(watch.context, OnSinkInput, nullptr);
    }
    pa_threaded_mainloop_unlock(watch.loop);
    if (!good) return;
    std::this_thread::sleep_for(kAskEvery);
  }
}

void Release() {
  if (watch.asking) pa_operation_unref(watch.asking);
  watch.asking = nullptr;
  if (watch.context) {
    pa_context_disconnect(watch.context);
    pa_context_unref(watch.context);
  }
  if (watch.loop) pa_threaded_mainloop_free(watch.loop);
  watch.context = nullptr;
  watch.loop = nullptr;
  watch.listener = nullptr;
}

}  // namespace

void StartOutputLatencyWatch(OutputLatencyListener listener) {
  if (watch.loop || !listener) return;
  watch.pid = std::to_string(getpid());
  watch.loop = pa_threaded_mainloop_new();
  if (!watch.loop) return;
  watch.context = pa_context_new(pa_threaded_mainloop_get_api(watch.loop), "velkor latency watch");
  if (!watch.context || pa_threaded_mainloop_start(watch.loop) < 0) {
    Release();
    return;
  }
  if (!Connect()) {
    pa_threaded_mainloop_stop(watch.loop);
    Release();
    return;
  }
  watch.listener = listener;
  watch.stopping = false;
  watch.asker = new std::thread(AskUntilStopped);
}

void StopOutputLatencyWatch() {
  if (!watch.loop) return;
  watch.stopping = true;
  if (watch.asker) {
    watch.asker->join();
    delete watch.asker;
    watch.asker = nullptr;
  }
  // Stopping the loop joins its thread, so no reply is being handled after it.
  pa_threaded_mainloop_lock(watch.loop);
  watch.listener = nullptr;
  pa_context_disconnect(watch.context);
  pa_threaded_mainloop_unlock(watch.loop);
  pa_threaded_mainloop_stop(watch.loop);
  Release();
}

}  // namespace velkor
