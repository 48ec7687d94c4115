// What the sound system says of the show's own playback stream: how long the
// audio handed to it waits before it is heard (queued in the server for the
// stream, plus the output device's own delay). A watcher asks many times a
// second and passes each answer to a listener; where the sound system says
// nothing (no PulseAudio or PipeWire server, another platform) no answer comes
// and the player keeps to the device's buffer size.
#pragma once

#include <chrono>
#include <cstdint>

namespace velkor {

// Called on the watcher's thread with the delay in microseconds, when the
// question was sent and when its answer came: the delay held at some moment
// between the two.
using OutputLatencyListener = void (*)(std::int64_t delayMicros, std::chrono::steady_clock::time_point askedAt,
                                       std::chrono::steady_clock::time_point answeredAt);

// Starts watching this process's playback stream; harmless when already
// watching, and a no-op where the sound system cannot tell.
void StartOutputLatencyWatch(OutputLatencyListener listener);
// Stops the watcher; once it returns no listener call is under way.
void StopOutputLatencyWatch();

}  // namespace velkor
