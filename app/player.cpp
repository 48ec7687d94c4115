// The player's key table and its actions.
#include "app/player.h"

#include <algorithm>

#include "app/shell.h"
#include "music/music.h"
#include "music/sequencer.h"

namespace velkor {

namespace {

constexpr int kKeyEnter = 13, kKeySpace = 32, kKeyPageUp = 0x21, kKeyPageDown = 0x22, kKeyHome = 0x24;
constexpr int kKeyLeft = 0x25, kKeyRight = 0x27, kKeyF11 = 0x7A;

struct KeyBinding {
  int key;
  int shift;  // -1: either, 0: not held, 1: held
  int alt;
  PlayerAction action;
};

const KeyBinding kKeyTable[] = {
    {kKeyEnter, -1, 1, PlayerAction::ToggleFullscreen}, {kKeyF11, -1, -1, PlayerAction::ToggleFullscreen},
    {kKeySpace, -1, 0, PlayerAction::Pause},            {kKeyLeft, 0, 0, PlayerAction::Back5},
    {kKeyRight, 0, 0, PlayerAction::Forward5},          {kKeyLeft, 1, 0, PlayerAction::Back30},
    {kKeyRight, 1, 0, PlayerAction::Forward30},         {kKeyPageUp, -1, 0, PlayerAction::SceneStart},
    {kKeyPageDown, -1, 0, PlayerAction::NextScene},     {kKeyHome, -1, 0, PlayerAction::ShowStart},
};

bool Matches(int wanted, bool held) { return wanted < 0 || (wanted == 1) == held; }

// A second of a scene: Page Up within it goes to the scene before.
constexpr float kSceneStartGraceTicks = 13.0f;

// The last millisecond before the show ends by itself.
int LastShowMs() { return SceneStartMs(kSceneCount - 1) + static_cast<int>(NominalMsFromTicks(kSceneLengthTicks[kSceneCount - 1])) - 1; }

}  // namespace

PlayerAction ActionForKey(int virtualKey, bool shiftHeld, bool altHeld) {
  for (const KeyBinding& b : kKeyTable)
    if (b.key == virtualKey && Matches(b.shift, shiftHeld) && Matches(b.alt, altHeld)) return b.action;
  return PlayerAction::None;
}

int SeekTargetMs(PlayerAction action, int ms) {
  int target = -1;
  switch (action) {
    case PlayerAction::Back5: target = ms - 5000; break;
    case PlayerAction::Forward5: target = ms + 5000; break;
    case PlayerAction::Back30: target = ms - 30000; break;
    case PlayerAction::Forward30: target = ms + 30000; break;
    case PlayerAction::ShowStart: target = 0; break;
    case PlayerAction::SceneStart:
      target = SceneStartMs(sceneTicks < kSceneStartGraceTicks ? std::max(sceneIndex - 1, 0) : sceneIndex);
      break;
    case PlayerAction::NextScene:
      if (sceneIndex >= kSceneCount - 1) return -1;
      target = SceneStartMs(sceneIndex + 1);
      break;
    default: return -1;
  }
  return std::clamp(target, 0, LastShowMs());
}

void SeekShow(int ms) {
  SeekMusicMs(ms);
  SeekSequencer(ms);
}

void RunPlayerAction(PlayerAction action, const MainLoopIo& io) {
  switch (action) {
    case PlayerAction::None: return;
    case PlayerAction::ToggleFullscreen:
      if (io.setFullscreen) io.setFullscreen(!fullscreenMode);
      return;
    case PlayerAction::Pause: PauseMusic(!MusicPaused()); return;
    default: break;
  }
  const int target = SeekTargetMs(action, io.positionMs());
  if (target >= 0) SeekShow(target);
}

}  // namespace velkor
