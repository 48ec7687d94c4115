// The music time each frame is drawn for: the time at which it will be seen,
// not the time at which the clock was read. A frame reads the clock, is drawn
// and appears at its swap; drawn for the reading, it would trail the sound by
// its own drawing time. So the reading is moved on by the expected time from
// reading to swap: the median of the last few frames' times, within 0 to
// 100 ms. The estimate starts afresh after a seek, a pause and a scene switch
// (whose frame holds a setup and says nothing of the next); the times handed
// out never decrease, except that a seek may go back.
#pragma once

namespace velkor {

constexpr int kFrameLeadSamples = 5;
constexpr int kMaxFrameLeadMicros = 100000;

struct FrameLead {
  int micros[kFrameLeadSamples] = {};
  int count = 0;
  int next = 0;
  int lastMs = 0;         // the latest time handed out
  bool handedOut = false; // lastMs holds one
};

// Forgets the frames so far; after a seek (mayGoBack) the next time may also
// be earlier than the last one handed out.
void ResetFrameLead(FrameLead* lead, bool mayGoBack);

// A drawn frame took readToSwapMicros from its clock reading to its swap.
void NoteFrameTime(FrameLead* lead, int readToSwapMicros);

// The expected time from a reading to its frame's swap: 0 until a frame is noted.
int ExpectedLeadMicros(const FrameLead& lead);

// The time to draw for at clock reading clockMs.
int LeadMusicMs(FrameLead* lead, int clockMs);

}  // namespace velkor
