// The stand-in music track: a 220-second piece in A minor at 130 beats per
// minute, written as a bar-by-bar arrangement over the synthesiser's
// instruments and encoded to MP3. Its bar lines fall on the picture changes
// of the fourth scene (106,866 ms and every bar after) and its sections turn
// at the bar lines nearest the scene starts.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "music/timeline.h"
#include "tools/standin/standin.h"
#include "tools/standin/synth/dsp.h"
#include "tools/standin/synth/instruments.h"
#include "tools/standin/synth/mix.h"
#include "tools/standin/synth/mp3_encoder.h"

namespace velkor {

namespace {

// Tempo grid: 130 beats per minute, 4/4, bar lines on 106,866 ms and every bar
// before and after it. Bar 0 is the first whole bar in the track.
constexpr double kAnchorSeconds = 106.866;
constexpr double kTrackSeconds = 220.0;
constexpr double kBeatSeconds = 60.0 / 130.0;
constexpr double kBarSeconds = 4.0 * kBeatSeconds;
constexpr int kBitrateKbps = 128;

enum Section { kIntro, kGroove, kBreakdown, kBuild, kMain, kFinale, kOutro };

// Bars whose kick is silenced inside the finale, for a short drop.
constexpr int kDropBars = 4;
constexpr int kDropOffset = 16;  // bars after the finale begins

int AnchorBar() { return static_cast<int>(std::floor(kAnchorSeconds / kBarSeconds)); }

// Frame at which a sixteenth-note step of a bar starts; steps past 15 run on
// into the following bars.
std::int64_t StepFrame(int bar, double step) {
  const double seconds = kAnchorSeconds + ((bar - AnchorBar()) * 16 + step) * (kBeatSeconds / 4.0);
  return static_cast<std::int64_t>(std::floor(seconds * kSynthRate + 0.5));
}

int StepFrames(double steps) { return static_cast<int>(steps * kBeatSeconds / 4.0 * kSynthRate + 0.5); }

double BarSeconds(int bar) { return kAnchorSeconds + (bar - AnchorBar()) * kBarSeconds; }

// The first bar of each section: groove, breakdown, build, main theme, finale,
// outro, each on the bar line nearest the nominal start of scenes 1 .. 5 and
// the end of the show.
std::vector<int> SectionBars() {
  std::vector<int> bars;
  for (int scene = 1; scene <= kSceneCount; ++scene) {
    const double seconds = NominalSceneStartTicks(scene) / kTicksPerSecond;
    bars.push_back(static_cast<int>(std::floor((seconds - BarSeconds(0)) / kBarSeconds + 0.5)));
  }
  return bars;
}

struct Chord {
  double pad[4];  // voicing around middle C
  double bass;    // root in the low octave
  double triad[3];
};

enum ChordName { kAm, kF, kC, kG, kE };
const Chord kChords[5] = {
    {{57, 60, 64, 69}, 33, {57, 60, 64}},  // A minor
    {{57, 60, 65, 69}, 29, {53, 57, 60}},  // F major
    {{55, 60, 64, 67}, 36, {60, 64, 67}},  // C major
    {{55, 59, 62, 67}, 31, {55, 59, 62}},  // G major
    {{56, 59, 64, 68}, 28, {56, 59, 64}},  // E major, the dominant that turns each section
};

// One note of a melody: start and length in sixteenths, pitch.
struct Note {
  int step, length, pitch;
};
struct Phrase {
  Note notes[4][6];
  int counts[4];
};
// The theme, two four-bar phrases over A minor, F, C, G.
const Phrase kThemeA = {{{{0, 3, 69}, {3, 3, 72}, {6, 2, 76}, {8, 4, 74}, {12, 2, 72}, {14, 2, 71}},
                         {{0, 6, 69}, {6, 2, 72}, {8, 4, 77}, {12, 4, 76}},
                         {{0, 3, 76}, {3, 3, 79}, {6, 2, 76}, {8, 4, 74}, {12, 4, 72}},
                         {{0, 6, 74}, {6, 2, 71}, {8, 6, 67}, {14, 2, 71}}},
                        {6, 4, 5, 4}};
const Phrase kThemeB = {{{{0, 2, 76}, {2, 2, 74}, {4, 2, 72}, {6, 2, 74}, {8, 6, 76}, {14, 2, 72}},
                         {{0, 4, 77}, {4, 4, 76}, {8, 4, 72}, {12, 4, 69}},
                         {{0, 2, 67}, {2, 2, 72}, {4, 4, 76}, {8, 4, 79}, {12, 4, 76}},
                         {{0, 8, 74}, {8, 4, 71}, {12, 4, 74}}},
                        {6, 4, 5, 3}};
const Note kTurnaround[4] = {{0, 6, 71}, {6, 2, 74}, {8, 4, 71}, {12, 4, 68}};

struct Arrangement {
  std::vector<int> starts;  // first bar of groove, breakdown, build, main, finale, outro
  Section SectionOf(int bar) const {
    int s = kIntro;
    for (std::size_t i = 0; i < starts.size(); ++i)
      if (bar >= starts[i]) s = static_cast<int>(i) + 1;
    return static_cast<Section>(s);
  }
  int SectionStart(Section s) const { return s == kIntro ? -1 : starts[s - 1]; }
  int BarInSection(int bar) const { return bar - SectionStart(SectionOf(bar)); }
  bool LastBarOfSection(int bar) const {
    return SectionOf(bar) != kOutro && SectionOf(bar + 1) != SectionOf(bar);
  }
  bool InDrop(int bar) const {
    const int first = starts[kFinale - 1] + kDropOffset;
    return bar >= first && bar < first + kDropBars;
  }
  int LastBar() const { return starts[kOutro - 1] + 3; }
};

ChordName ChordOf(const Arrangement& a, int bar) {
  static const ChordName kMainProgression[4] = {kAm, kF, kC, kG};
  static const ChordName kBreakProgression[4] = {kF, kG, kAm, kAm};
  const Section s = a.SectionOf(bar);
  if (s == kOutro) return kAm;
  if (a.LastBarOfSection(bar)) return kE;
  const int rel = std::max(0, a.BarInSection(bar));
  if (s == kIntro) return kMainProgression[(rel / 2) % 4];
  if (s == kBreakdown) return kBreakProgression[rel % 4];
  return kMainProgression[rel % 4];
}

bool KickPlays(const Arrangement& a, int bar) {
  const Section s = a.SectionOf(bar);
  if (s == kGroove || s == kMain) return true;
  if (s == kBuild) return bar < a.starts[kMain - 1] - 2;  // silence before the theme lands
  if (s == kFinale) return !a.InDrop(bar);
  return false;
}

// Kick onsets, needed before any ducked voice is mixed.
std::vector<std::int64_t> KickFrames(const Arrangement& a) {
  std::vector<std::int64_t> kicks;
  for (int bar = 0; bar <= a.LastBar(); ++bar) {
    if (KickPlays(a, bar))
      for (int beat = 0; beat < 4; ++beat) kicks.push_back(StepFrame(bar, beat * 4));
    else if (bar == a.starts[kOutro - 1])
      kicks.push_back(StepFrame(bar, 0));
  }
  return kicks;
}

struct DrumKit {
  std::vector<float> kick, snare, closedHat, openHat, crashLeft, crashRight;
};

void AddCrash(SynthMix& mix, const DrumKit& kit, std::int64_t at, float gain) {
  MixChannel(mix, kit.crashLeft, at, 0, gain, 0.3f, false);
  MixChannel(mix, kit.crashRight, at, 1, gain, 0.3f, false);
}

void AddDrums(SynthMix& mix, const Arrangement& a, const DrumKit& kit) {
  for (std::int64_t k : mix.kicks) MixVoice(mix, kit.kick, k, 0.95f, 0.0f, 0.02f, false);
  const int mainStart = a.starts[kMain - 1];
  for (int bar = 0; bar <= a.LastBar(); ++bar) {
    const Section s = a.SectionOf(bar);
    const int rel = a.BarInSection(bar);
    const bool full = s == kMain || (s == kFinale && !a.InDrop(bar));
    // Snare: backbeat, or the roll that climbs into the main theme.
    if ((s == kGroove && rel >= 4) || full) {
      MixVoice(mix, kit.snare, StepFrame(bar, 4), 0.55f, 0.08f, 0.25f, false);
      MixVoice(mix, kit.snare, StepFrame(bar, 12), 0.55f, 0.08f, 0.25f, false);
    } else if (s == kBuild && bar >= mainStart - 8) {
      const int toGo = mainStart - bar;  // 8 .. 1
      const int every = toGo > 4 ? 4 : toGo > 2 ? 2 : 1;
      for (int step = 0; step < 16; step += every) {
        const float rise = static_cast<float>((8 - toGo) * 16 + step) / 128.0f;
        MixVoice(mix, kit.snare, StepFrame(bar, step), 0.18f + 0.4f * rise, 0.0f, 0.3f, false);
      }
    }
    // Hats: sixteenths with the offbeat accented once the groove is going.
    const bool hats = (s == kGroove && rel >= 2) || s == kBuild || full;
    if (hats) {
      for (int step = 0; step < 16; ++step) {
        const bool offbeat = step % 4 == 2;
        if (full && offbeat) MixVoice(mix, kit.openHat, StepFrame(bar, step), 0.3f, 0.25f, 0.05f, false);
        else MixVoice(mix, kit.closedHat, StepFrame(bar, step), offbeat ? 0.32f : 0.16f, 0.3f, 0.02f, false);
      }
    } else if (s == kIntro && rel >= 6) {
      for (int step = 2; step < 16; step += 4)
        MixVoice(mix, kit.closedHat, StepFrame(bar, step), 0.12f + 0.02f * (rel - 6), 0.35f, 0.1f, false);
    }
    if (bar == a.starts[kGroove - 1] || bar == mainStart || bar == a.starts[kFinale - 1] ||
        bar == a.starts[kOutro - 1] || (s == kFinale && a.InDrop(bar - 1) && !a.InDrop(bar)))
      AddCrash(mix, kit, StepFrame(bar, 0), 0.45f);
  }
}

void AddBass(SynthMix& mix, const Arrangement& a) {
  for (int bar = 0; bar <= a.LastBar(); ++bar) {
    const Section s = a.SectionOf(bar);
    const double root = kChords[ChordOf(a, bar)].bass;
    const int rel = a.BarInSection(bar);
    if (s == kGroove || s == kBuild) {
      // Offbeat eighths, the filter opening through the build.
      double cutoff = 420.0;
      if (s == kBuild) cutoff = 260.0 + 700.0 * rel / (a.starts[kMain - 1] - a.starts[kBuild - 1]);
      for (int step = 2; step < 16; step += 4) {
        const double note = root + ((step == 10 && rel % 2 == 1) ? 12.0 : 0.0);
        MixVoice(mix, RenderBass(StepFrames(1.6), note, cutoff), StepFrame(bar, step), 0.6f, 0.0f, 0.0f, true);
      }
    } else if ((s == kMain || s == kFinale) && !a.InDrop(bar)) {
      // Rolling sixteenths between the kicks.
      for (int step = 0; step < 16; ++step) {
        if (step % 4 == 0) continue;
        const double note = root + (step % 4 == 3 && step > 8 ? 12.0 : 0.0);
        MixVoice(mix, RenderBass(StepFrames(0.85), note, s == kFinale ? 620.0 : 520.0), StepFrame(bar, step), 0.58f,
                 0.0f, 0.0f, true);
      }
    } else if (s == kBreakdown || (s == kFinale && a.InDrop(bar))) {
      MixVoice(mix, RenderBass(StepFrames(15.5), root + 12.0, 240.0), StepFrame(bar, 0), 0.45f, 0.0f, 0.05f, false);
    } else if (s == kOutro && rel == 0) {
      MixVoice(mix, RenderBass(StepFrames(28.0), root, 200.0), StepFrame(bar, 0), 0.55f, 0.0f, 0.05f, false);
    }
  }
}

// Pad cutoff at a bar's start, in Hz.
double PadCutoff(const Arrangement& a, int bar) {
  const Section s = a.SectionOf(bar);
  const double rel = a.BarInSection(bar);
  const double length = s == kOutro ? 4.0 : a.SectionStart(static_cast<Section>(s + 1)) - a.SectionStart(s);
  const double x = std::min(1.0, std::max(0.0, rel / length));
  switch (s) {
    case kIntro: return 350.0 + 1500.0 * x;
    case kGroove: return 1500.0;
    case kBreakdown: return 2300.0;
    case kBuild: return 800.0 + 2800.0 * x;
    case kMain: return 2400.0;
    case kFinale: return 2800.0;
    default: return 1800.0 - 1300.0 * x;
  }
}

float PadGain(Section s) {
  switch (s) {
    case kIntro: return 0.55f;
    case kBreakdown: return 0.6f;
    case kOutro: return 0.5f;
    default: return 0.42f;
  }
}

// Pads hold each chord for as long as it lasts, so repeated bars do not retrigger.
void AddPads(SynthMix& mix, const Arrangement& a) {
  int bar = -1;
  while (bar <= a.LastBar()) {
    const ChordName chord = ChordOf(a, bar);
    const Section s = a.SectionOf(std::max(bar, 0));
    int end = bar + 1;
    while (end <= a.LastBar() && ChordOf(a, end) == chord && a.SectionOf(end) == s && s != kOutro) ++end;
    if (s == kOutro) end = a.LastBar() + 1;
    const std::int64_t start = std::max<std::int64_t>(0, StepFrame(bar, 0));
    const int frames = static_cast<int>(StepFrame(end, 0) - start);
    const int attack = bar < 0 ? static_cast<int>(3.0 * kSynthRate) : StepFrames(1.0);
    const int release = s == kOutro ? static_cast<int>(2.5 * kSynthRate) : StepFrames(2.0);
    const bool ducked = KickPlays(a, std::max(bar, 0));
    const double* notes = kChords[chord].pad;
    const double from = PadCutoff(a, std::max(bar, 0)), to = PadCutoff(a, end);
    for (int side = 0; side < 2; ++side)
      MixChannel(mix, RenderPadChannel(frames, notes, 4, side, from, to, attack, release), start, side,
                 PadGain(s), 0.35f, ducked);
    bar = end;
  }
}

void AddArpeggio(SynthMix& mix, const Arrangement& a) {
  static const int kPattern[16] = {0, 1, 2, 3, 4, 3, 2, 1, 0, 2, 4, 5, 4, 2, 3, 1};
  for (int bar = 0; bar <= a.LastBar(); ++bar) {
    const Section s = a.SectionOf(bar);
    const int rel = a.BarInSection(bar);
    const bool plays = (s == kBreakdown && rel >= 2) || s == kBuild || (s == kFinale && rel < 4) ||
                       (s == kFinale && a.InDrop(bar)) || (s == kFinale && rel >= 32);
    if (!plays) continue;
    const Chord& c = kChords[ChordOf(a, bar)];
    const double brightness = s == kBuild ? 0.3 + 0.7 * rel / 18.0 : s == kBreakdown ? 0.45 : 0.8;
    for (int step = 0; step < 16; ++step) {
      const int i = kPattern[step];
      const double note = c.triad[i % 3] + 12.0 * (i / 3) + 12.0;
      MixVoice(mix, RenderPluck(StepFrames(2.0), note, brightness), StepFrame(bar, step), 0.22f,
               step % 2 ? 0.4f : -0.4f, 0.3f, s != kBreakdown);
    }
  }
}

// A lead note with two dotted-eighth echoes bouncing between the sides.
void AddLeadNote(SynthMix& mix, int bar, const Note& n, double transpose, float gain) {
  const std::vector<float> voice = RenderLead(StepFrames(n.length - 0.3), n.pitch + transpose);
  const std::int64_t at = StepFrame(bar, n.step);
  MixVoice(mix, voice, at, gain, 0.0f, 0.25f, false);
  MixVoice(mix, voice, at + StepFrames(3.0), gain * 0.3f, -0.6f, 0.3f, false);
  MixVoice(mix, voice, at + StepFrames(6.0), gain * 0.14f, 0.6f, 0.3f, false);
}

void AddLead(SynthMix& mix, const Arrangement& a) {
  for (int bar = 0; bar <= a.LastBar(); ++bar) {
    const Section s = a.SectionOf(bar);
    const int rel = a.BarInSection(bar);
    const bool plays = s == kMain || (s == kFinale && rel >= 4 && !a.InDrop(bar));
    if (!plays) continue;
    const double transpose = s == kFinale && rel >= 28 ? 12.0 : 0.0;
    const float gain = transpose > 0 ? 0.2f : 0.26f;
    if (a.LastBarOfSection(bar)) {
      for (const Note& n : kTurnaround) AddLeadNote(mix, bar, n, transpose, gain);
      continue;
    }
    const Phrase& phrase = (rel / 4) % 2 ? kThemeB : kThemeA;
    const int line = rel % 4;
    for (int i = 0; i < phrase.counts[line]; ++i) AddLeadNote(mix, bar, phrase.notes[line][i], transpose, gain);
  }
}

// Bells: sparse chord tones in the intro, breakdown, drop and outro.
void AddBells(SynthMix& mix, const Arrangement& a) {
  for (int bar = 0; bar <= a.LastBar(); ++bar) {
    const Section s = a.SectionOf(bar);
    const int rel = a.BarInSection(bar);
    const bool plays = (s == kIntro && rel >= 3) || s == kBreakdown || (s == kFinale && a.InDrop(bar)) ||
                       (s == kOutro && rel < 2);
    if (!plays) continue;
    const Chord& c = kChords[ChordOf(a, bar)];
    static const int kSteps[3] = {0, 6, 12};
    for (int i = 0; i < 3; ++i) {
      const double note = c.triad[(i + bar) % 3] + 12.0;
      MixVoice(mix, RenderBell(note), StepFrame(bar, kSteps[i]), i == 0 ? 0.2f : 0.14f, i == 1 ? -0.5f : 0.5f,
               0.6f, false);
    }
  }
}

void AddRisers(SynthMix& mix, const Arrangement& a) {
  struct Rise {
    int endBar, bars;
  };
  const int dropEnd = a.starts[kFinale - 1] + kDropOffset + kDropBars;
  const Rise rises[4] = {{a.starts[kGroove - 1], 2}, {a.starts[kBuild - 1], 2}, {a.starts[kMain - 1], 4}, {dropEnd, 2}};
  std::uint32_t seed = 0xC0FFEEu;
  for (const Rise& r : rises) {
    const std::int64_t start = StepFrame(r.endBar - r.bars, 0);
    const int frames = static_cast<int>(StepFrame(r.endBar, 0) - start);
    MixVoice(mix, RenderRiser(frames, seed++), start, 0.35f, 0.0f, 0.4f, false);
  }
}

// The last seconds fade to silence after the final chord has sounded.
void FadeOut(SynthMix& mix, double fromSeconds) {
  const std::int64_t from = static_cast<std::int64_t>(fromSeconds * kSynthRate);
  const double length = static_cast<double>(mix.frames - from);
  for (std::int64_t f = std::max<std::int64_t>(0, from); f < mix.frames; ++f) {
    const double x = 1.0 - (f - from) / length;
    mix.stereo[2 * f] *= static_cast<float>(x * x);
    mix.stereo[2 * f + 1] *= static_cast<float>(x * x);
  }
}

Arrangement MakeArrangement() {
  Arrangement a;
  a.starts = SectionBars();
  return a;
}

DrumKit MakeDrumKit() {
  DrumKit kit;
  kit.kick = RenderKick();
  kit.snare = RenderSnare(0xBEEFu);
  kit.closedHat = RenderHat(false, 0x5EEDu);
  kit.openHat = RenderHat(true, 0xFACEu);
  kit.crashLeft = RenderCrash(0x1111u);
  kit.crashRight = RenderCrash(0x2222u);
  return kit;
}

}  // namespace

std::vector<std::int16_t> SynthesizeStandinPcm() {
  const Arrangement a = MakeArrangement();
  SynthMix mix = MakeSynthMix(static_cast<std::int64_t>(kTrackSeconds * kSynthRate));
  mix.kicks = KickFrames(a);
  AddDrums(mix, a, MakeDrumKit());
  AddBass(mix, a);
  AddPads(mix, a);
  AddArpeggio(mix, a);
  AddLead(mix, a);
  AddBells(mix, a);
  AddRisers(mix, a);
  ApplyReverb(mix, 0.9f);
  FadeOut(mix, BarSeconds(a.starts[kOutro - 1]) + 1.0);
  return LimitToPcm16(mix, -1.0);
}

std::vector<std::uint8_t> MakeStandinMusic() {
  return EncodeStereoMp3(SynthesizeStandinPcm(), kSynthRate, kBitrateKbps);
}

}  // namespace velkor
