// The render's progress line on standard error: rewritten in place on a
// terminal, otherwise a plain line about once a second.
#pragma once

#include <cstdint>
#include <string>

namespace velkor {

struct ProgressSample {
  std::int64_t pass;
  std::int64_t musicMs;
  int sceneIndex;
  double framesPerSecond;  // passes per wall-clock second so far
  double secondsLeft;      // negative when unknown
  // Shares of the wall-clock time so far that the drawing thread spent
  // drawing, reading frames back and waiting for the writers.
  double drawShare, readShare, writeShare;
};

// "frame 1234  music 01:23.456  scene 3  58.2 fps  draw 71% read 2% write 24%  0:42 left"
std::string FormatProgress(const ProgressSample& sample);

// Starts the wall clock and decides between in-place and plain lines.
void BeginProgress();
// Seconds since BeginProgress.
double ProgressSeconds();
// Shows the sample if enough time has passed since the last one (or force).
void ReportProgress(const ProgressSample& sample, bool force);
// Ends an in-place line so that later messages start on their own line.
void EndProgress();

}  // namespace velkor
