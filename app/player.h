// The player's own keys: a fixed table from key to action, and the actions
// on the music and the sequencer (pause, seeks, scene jumps, fullscreen).
#pragma once

namespace velkor {

struct MainLoopIo;

enum class PlayerAction {
  None,
  ToggleFullscreen,  // Alt+Enter, F11
  Pause,             // Space: pause or resume
  Back5,             // Left
  Forward5,          // Right
  Back30,            // Shift+Left
  Forward30,         // Shift+Right
  SceneStart,        // Page Up: this scene's start, or the previous one's in the first second
  NextScene,         // Page Down
  ShowStart,         // Home
};

// What a key pressed with these modifiers asks for.
PlayerAction ActionForKey(int virtualKey, bool shiftHeld, bool altHeld);

// Where a seek action goes from music position ms (in the current scene);
// -1 for actions that do not seek, and for Page Down in the last scene.
// Targets are kept inside the show.
int SeekTargetMs(PlayerAction action, int ms);

// Moves the music and the sequencer together to ms.
void SeekShow(int ms);

// Carries out an action; fullscreen goes through io.setFullscreen.
void RunPlayerAction(PlayerAction action, const MainLoopIo& io);

}  // namespace velkor
