// Where the sound being heard is, from the sound system's reports of how much
// audio it still holds for the stream. Audio handed to the device does not
// reach the server at once (SDL's PulseAudio output passes a refill on in the
// pieces the server asks for), and a report is held at some moment between
// its question and its answer, so no report says exactly where the sound is.
// Each one bounds it, though, as an offset of the heard frame from the steady
// clock:
//   at most  handed by the answer       - held - clock at the question,
//   at least written before the question - held - clock at the answer,
// where everything handed before the latest refill began counts as written.
// The sound plays on in step with the clock, so the offset holds still and
// the bounds of the last second close in on it; it is taken midway between
// the tightest of them. When the bounds disagree the sound has slipped back
// (the output starved), and the upper bounds, which say so first, are
// followed. Pure arithmetic, no sound library.
#pragma once

namespace velkor {

constexpr int kHeardReports = 32;            // 25 a second are asked for
constexpr double kHeardWindowSeconds = 1.0;  // the reports weighed: this much before the newest

struct HeardPosition {
  double highs[kHeardReports];  // upper bounds on heard frame minus clock seconds times the rate
  double lows[kHeardReports];   // lower bounds, where known
  bool lowKnown[kHeardReports];
  double times[kHeardReports];  // when the report was asked for, clock seconds
  int count;
  int next;
  double rate;
};

// Forgets every report (a seek, a pause, a new stream); rate is the output's.
void ClearHeardPosition(HeardPosition* heard, double rate);

// One report of heldFrames held by the sound system, asked for at
// askedSeconds and answered at answeredSeconds. handedFrames: frames handed
// to the device by the answer; writtenFrames: frames surely passed on to the
// sound system before the question, or negative when not known. False (and
// nothing kept) when the report cannot be true: more held than was ever
// handed, more than two seconds, or an answer before its question.
bool NoteHeardReport(HeardPosition* heard, double askedSeconds, double answeredSeconds, double handedFrames,
                     double writtenFrames, double heldFrames);

// The frame being heard at nowSeconds, from the reports kept; false when
// there are none.
bool HeardFrameAt(const HeardPosition& heard, double nowSeconds, double* frame);

}  // namespace velkor
