// The heard position from the sound system's reports, against a simulated
// output whose true position is known: SDL handing refills that reach the
// server in the pieces it asks for, or whole once it asks for a whole one;
// answers that take their time; an output that starves for a moment.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "platform/heard_position.h"

namespace velkor {
namespace {

constexpr double kRate = 44100;
constexpr double kRefill = 1024;         // frames an SDL callback hands
constexpr double kServerTarget = 768;    // the server asks for more below this
constexpr double kStep = 1e-4;           // simulation step, s
constexpr double kCallbackSeconds = 3e-4;

enum class Handing {
  Trickled,   // the next refill is made as soon as the last is passed on, then passed on as asked
  OnDemand,   // a refill is made when the server asks for a whole one, and passed on at once
};

struct Output {
  Handing handing = Handing::Trickled;
  double piece = 256;  // what the server asks for at a time
  double startAt = 0.05;
  double stallAt = -1, stallSeconds = 0;

  // The simulated state.
  double heard = 0, written = 0, handed = 0, asked = 0;
  double refillLeft = 0;  // of the latest refill, not yet passed on
  double callbackEnds = -1;
  double anchorTime = -1, anchorFirst = 0;

  bool Stalled(double t) const { return stallAt >= 0 && t >= stallAt && t < stallAt + stallSeconds; }

  void Step(double t) {
    if (t >= startAt && !Stalled(t)) heard = std::min(written, heard + kStep * kRate);
    if (!Stalled(t) && written - heard < kServerTarget && asked == 0) asked = piece;
    if (callbackEnds >= 0 && t >= callbackEnds) {
      callbackEnds = -1;
      handed += kRefill;
      refillLeft = kRefill;
    }
    if (callbackEnds < 0 && refillLeft == 0) {
      const bool wanted = handing == Handing::Trickled || asked >= kRefill;
      if (wanted) {
        anchorTime = t;
        anchorFirst = handed;
        callbackEnds = t + kCallbackSeconds;
      }
    }
    if (asked > 0 && refillLeft > 0) {
      const double pass = std::min(asked, refillLeft);
      written += pass;
      refillLeft -= pass;
      asked -= pass;
    }
  }
};

struct Errors {
  double worstError = 0;  // ms, over the stretch measured
  double meanError = 0;
};

// Plays the output for `seconds`, asking 25 times a second with answers
// taking up to `slowestAnswer` s, and compares the estimate with the truth
// from `measureFrom` on, every millisecond.
Errors Simulate(Output output, double seconds, double measureFrom, double slowestAnswer = 2e-3,
             double overstatedEvery = 0) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> delay(5e-5, slowestAnswer);
  HeardPosition heard;
  ClearHeardPosition(&heard, kRate);
  struct Question {
    double askedAt, heldAt, answerAt, held;
    bool heldTaken;
  } question{0, 0, 0, 0, false};
  bool waiting = false;
  double nextAsk = 0.02, nextCheck = measureFrom;
  int answers = 0;
  Errors run;
  int checks = 0;
  for (double t = 0; t < seconds; t += kStep) {
    output.Step(t);
    if (!waiting && t >= nextAsk) {
      question = {t, t + delay(random), 0, 0, false};
      question.answerAt = question.heldAt + delay(random);
      waiting = true;
      nextAsk = t + 0.04;
    }
    if (waiting && !question.heldTaken && t >= question.heldAt) {
      question.held = output.written - output.heard;
      question.heldTaken = true;
    }
    if (waiting && t >= question.answerAt) {
      waiting = false;
      ++answers;
      double held = question.held;
      if (overstatedEvery > 0 && answers % static_cast<int>(overstatedEvery) == 0) held += 0.5 * kRate;
      const double written = output.anchorTime >= 0 && output.anchorTime <= question.askedAt ? output.anchorFirst : -1;
      NoteHeardReport(&heard, question.askedAt, t, output.handed, written, held);
    }
    if (t >= nextCheck) {
      nextCheck += 1e-3;
      double frame = 0;
      EXPECT_TRUE(HeardFrameAt(heard, t, &frame));
      const double errorMs = (frame - output.heard) * 1000 / kRate;
      run.worstError = std::max(run.worstError, std::fabs(errorMs));
      run.meanError += errorMs;
      ++checks;
    }
  }
  if (checks) run.meanError /= checks;
  if (std::getenv("HEARD_DEBUG")) std::printf("worst %.2f ms, mean %+.2f ms\n", run.worstError, run.meanError);
  return run;
}

TEST(HeardPositionTest, RefillsPassedOnInPiecesAreTrackedToAFewMs) {
  // SDL's PulseAudio output: a quarter refill at a time. Handed minus held
  // alone would run up to a whole refill (23 ms) ahead.
  const Errors run = Simulate(Output{}, 6.0, 1.5);
  EXPECT_LT(run.worstError, 4.0);
  EXPECT_LT(std::fabs(run.meanError), 3.5);
}

TEST(HeardPositionTest, EitherBoundAloneWouldMissWhereTheOtherIsTight) {
  // Asked for whole refills, SDL holds each one back until asked, so only
  // the lower bounds are tight; made on demand and passed on at once, only
  // the upper ones are. Midway, the estimate is off by at most half a refill.
  Output whole;
  whole.piece = kRefill;
  Output demand;
  demand.handing = Handing::OnDemand;
  demand.piece = kRefill;
  const double halfRefillMs = kRefill / 2 * 1000 / kRate;
  for (const Output& output : {whole, demand}) {
    const Errors run = Simulate(output, 6.0, 1.5);
    EXPECT_LT(run.worstError, halfRefillMs + 1.5);
  }
}

TEST(HeardPositionTest, AStarvedOutputIsFollowedAtOnceAndSettlesWithinASecond) {
  Output output;
  output.stallAt = 3.0;
  output.stallSeconds = 0.08;
  // Right after the stall only the upper bounds know of it: off by at most a refill.
  const Errors soon = Simulate(output, 3.4, 3.2);
  EXPECT_LT(soon.worstError, kRefill * 1000 / kRate + 2.0);
  const Errors later = Simulate(output, 5.5, 4.3);
  EXPECT_LT(later.worstError, 4.0);
}

TEST(HeardPositionTest, SlowAnswersAndAnOddOverstatementDoNotMoveIt) {
  // Answers of up to 10 ms, and one in 40 claiming half a second more than is held.
  const Errors run = Simulate(Output{}, 6.0, 1.5, 10e-3, 40);
  EXPECT_LT(run.worstError, 6.0);
}

TEST(HeardPositionTest, ReportsThatCannotBeTrueAreRefused) {
  HeardPosition heard;
  ClearHeardPosition(&heard, kRate);
  double frame = 0;
  EXPECT_FALSE(HeardFrameAt(heard, 1.0, &frame));
  EXPECT_FALSE(NoteHeardReport(&heard, 1.0, 1.001, 1000, 0, 2000));         // more held than handed
  EXPECT_FALSE(NoteHeardReport(&heard, 1.0, 1.001, 500000, 0, 2.5 * kRate)); // over two seconds held
  EXPECT_FALSE(NoteHeardReport(&heard, 1.0, 0.999, 5000, 0, 1000));         // answered before asked
  EXPECT_FALSE(NoteHeardReport(&heard, 1.0, 1.001, 5000, 0, -1));
  EXPECT_FALSE(HeardFrameAt(heard, 1.0, &frame));
  // 5000 handed, 4000 of them surely passed on, 1000 held: between 3000 and
  // 4000 heard then, and half a second on, half a second further.
  ASSERT_TRUE(NoteHeardReport(&heard, 1.0, 1.0, 5000, 4000, 1000));
  ASSERT_TRUE(HeardFrameAt(heard, 1.5, &frame));
  EXPECT_NEAR(frame, 3500 + 0.5 * kRate, 1e-6);
  ClearHeardPosition(&heard, kRate);
  EXPECT_FALSE(HeardFrameAt(heard, 1.5, &frame));
}

}  // namespace
}  // namespace velkor
