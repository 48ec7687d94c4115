// The music time a frame is drawn for: the clock reading led on by the
// expected time to the swap, robust to odd frames, bounded, and never
// running backwards but at a seek.
#include <gtest/gtest.h>

#include <random>

#include "app/frame_lead.h"

namespace velkor {
namespace {

TEST(FrameLeadTest, TheLeadIsTheMedianOfRecentFramesWithinItsBounds) {
  FrameLead lead;
  EXPECT_EQ(ExpectedLeadMicros(lead), 0) << "no frame yet: the reading as it is";
  EXPECT_EQ(LeadMusicMs(&lead, 1000), 1000);
  for (int micros : {40000, 42000, 41000, 44000, 43000}) NoteFrameTime(&lead, micros);
  EXPECT_EQ(ExpectedLeadMicros(lead), 42000);
  EXPECT_EQ(LeadMusicMs(&lead, 2000), 2042);
  // One slow frame (a box, a hiccup of the machine) moves nothing.
  NoteFrameTime(&lead, 900000);
  EXPECT_EQ(ExpectedLeadMicros(lead), 43000);
  // Only the last few frames count: the show's pace changes with its scenes.
  for (int i = 0; i < kFrameLeadSamples; ++i) NoteFrameTime(&lead, 8000);
  EXPECT_EQ(ExpectedLeadMicros(lead), 8000);
  // Frames slower than the bound are led on by the bound alone.
  for (int i = 0; i < kFrameLeadSamples; ++i) NoteFrameTime(&lead, 400000);
  EXPECT_EQ(ExpectedLeadMicros(lead), kMaxFrameLeadMicros);
  ResetFrameLead(&lead, false);
  EXPECT_EQ(ExpectedLeadMicros(lead), 0);
  NoteFrameTime(&lead, 10000);
  NoteFrameTime(&lead, 30000);
  EXPECT_EQ(ExpectedLeadMicros(lead), 10000) << "of two, the shorter";
}

TEST(FrameLeadTest, TimesNeverGoBackButAtASeek) {
  FrameLead lead;
  for (int i = 0; i < kFrameLeadSamples; ++i) NoteFrameTime(&lead, 60000);
  EXPECT_EQ(LeadMusicMs(&lead, 5000), 5060);
  // A scene switch forgets the lead; the next frames hold the time already
  // shown until the clock passes it.
  ResetFrameLead(&lead, false);
  EXPECT_EQ(LeadMusicMs(&lead, 5010), 5060);
  EXPECT_EQ(LeadMusicMs(&lead, 5070), 5070);
  // A seek back is the one way back.
  ResetFrameLead(&lead, true);
  EXPECT_EQ(LeadMusicMs(&lead, 1000), 1000);

  // Whatever the frames and the resets other than seeks, the times handed
  // out over a steadily running clock never decrease.
  std::mt19937 random(7);
  FrameLead walk;
  int clockMs = 0, last = -1;
  for (int pass = 0; pass < 20000; ++pass) {
    clockMs += static_cast<int>(random() % 50);
    if (random() % 97 == 0) ResetFrameLead(&walk, false);
    NoteFrameTime(&walk, static_cast<int>(random() % 300000));
    const int ms = LeadMusicMs(&walk, clockMs);
    ASSERT_GE(ms, last) << "pass " << pass;
    ASSERT_GE(ms, clockMs) << "pass " << pass;
    ASSERT_LE(ms - clockMs, kMaxFrameLeadMicros / 1000 + 1) << "pass " << pass;
    last = ms;
  }
}

}  // namespace
}  // namespace velkor
