// The heard position between the tightest of the recent bounds the sound
// system's reports give (see heard_position.h).
#include "platform/heard_position.h"

#include <algorithm>

namespace velkor {

namespace {

constexpr double kLongestHeldSeconds = 2.0;

// The second most extreme of a few values, or the most extreme of fewer than
// three: one report that overstates or understates what is held would
// otherwise hold the clock off for a second.
struct Extreme {
  double first = 0, second = 0;
  int seen = 0;
  void Note(double value, bool lowest) {
    const auto beyond = [lowest](double a, double b) { return lowest ? a < b : a > b; };
    if (seen == 0) {
      first = second = value;
    } else if (beyond(value, first)) {
      second = first;
      first = value;
    } else if (seen == 1 || beyond(value, second)) {
      second = value;
    }
    ++seen;
  }
  double Value() const { return seen >= 3 ? second : first; }
};

int Newest(const HeardPosition& heard) { return (heard.next + kHeardReports - 1) % kHeardReports; }

}  // namespace

void ClearHeardPosition(HeardPosition* heard, double rate) {
  *heard = HeardPosition{};
  heard->rate = rate;
}

bool NoteHeardReport(HeardPosition* heard, double askedSeconds, double answeredSeconds, double handedFrames,
                     double writtenFrames, double heldFrames) {
  if (heard->rate <= 0 || heldFrames < 0 || heldFrames > handedFrames ||
      heldFrames > kLongestHeldSeconds * heard->rate || answeredSeconds < askedSeconds)
    return false;
  const int i = heard->next;
  heard->highs[i] = handedFrames - heldFrames - askedSeconds * heard->rate;
  heard->lowKnown[i] = writtenFrames >= 0 && writtenFrames <= handedFrames;
  heard->lows[i] = heard->lowKnown[i] ? writtenFrames - heldFrames - answeredSeconds * heard->rate : 0;
  heard->times[i] = askedSeconds;
  heard->next = (i + 1) % kHeardReports;
  heard->count = std::min(heard->count + 1, kHeardReports);
  return true;
}

bool HeardFrameAt(const HeardPosition& heard, double nowSeconds, double* frame) {
  if (heard.count == 0) return false;
  const double newest = heard.times[Newest(heard)];
  Extreme high, low;
  for (int i = 0; i < heard.count; ++i) {
    if (newest - heard.times[i] > kHeardWindowSeconds) continue;
    high.Note(heard.highs[i], true);
    if (heard.lowKnown[i]) low.Note(heard.lows[i], false);
  }
  double offset = high.Value();
  if (low.seen > 0 && low.Value() <= offset) offset = (low.Value() + offset) / 2;
  *frame = offset + nowSeconds * heard.rate;
  return true;
}

}  // namespace velkor
