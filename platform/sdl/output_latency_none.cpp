// The latency watcher where the sound system reports nothing: no answers.
#include "platform/output_latency.h"

namespace velkor {

void StartOutputLatencyWatch(OutputLatencyListener) {}
void StopOutputLatencyWatch() {}

}  // namespace velkor
