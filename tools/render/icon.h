// velkor-tools icon: a square picture of one moment of the show, for the
// desktop's menus, drawn by the offline renderer and cut from the middle.
#pragma once

namespace velkor {

// velkor-tools icon --data DIR --out FILE.png [--size N] [--ms T]; returns the exit status.
int IconCommand(int argc, char** argv);

}  // namespace velkor
