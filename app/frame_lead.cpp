// The expected time from a clock reading to the frame's swap, and the music
// time a frame is drawn for.
#include "app/frame_lead.h"

#include <algorithm>

namespace velkor {

void ResetFrameLead(FrameLead* lead, bool mayGoBack) {
  lead->count = 0;
  lead->next = 0;
  if (mayGoBack) lead->handedOut = false;
}

void NoteFrameTime(FrameLead* lead, int readToSwapMicros) {
  lead->micros[lead->next] = readToSwapMicros;
  lead->next = (lead->next + 1) % kFrameLeadSamples;
  lead->count = std::min(lead->count + 1, kFrameLeadSamples);
}

int ExpectedLeadMicros(const FrameLead& lead) {
  if (lead.count == 0) return 0;
  int sorted[kFrameLeadSamples];
  for (int i = 0; i < lead.count; ++i) {  // insertion: a handful of values
    int j = i;
    for (; j > 0 && sorted[j - 1] > lead.micros[i]; --j) sorted[j] = sorted[j - 1];
    sorted[j] = lead.micros[i];
  }
  // The lower middle of an even count: a lead a little short is less seen than one too long.
  return std::clamp(sorted[(lead.count - 1) / 2], 0, kMaxFrameLeadMicros);
}

int LeadMusicMs(FrameLead* lead, int clockMs) {
  int ms = clockMs + (ExpectedLeadMicros(*lead) + 500) / 1000;
  if (lead->handedOut) ms = std::max(ms, lead->lastMs);
  lead->lastMs = ms;
  lead->handedOut = true;
  return ms;
}

}  // namespace velkor
