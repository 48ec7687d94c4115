// The scene table the program hands to the sequencer, and what each scene's
// setup reads, so that the next scene's files are prepared while one plays.
#include "scenes/scenes.h"

#include "assets/prepare.h"
#include "scenes/warm_up.h"

namespace velkor {

namespace {

using K = PrepareKind;

// Each setup's loads in the order it makes them; a mesh with the texture
// directory in effect when it is loaded (its materials' images come with it).
const PrepareItem kScene0Files[] = {
    {K::Mesh, "data\\part01_max.bin", "data\\texpart01\\"},
    {K::Mesh, "data\\part01_max2.bin", "data\\texpart01\\"},
};
const PrepareItem kScene1Files[] = {
    {K::Jpeg, "data\\texpart02\\pelto.jpg", nullptr},
    {K::Jpeg, "data\\texpart02\\sarv.jpg", nullptr},
    {K::Jpeg, "data\\texpart02\\kel.jpg", nullptr},
    {K::Jpeg, "data\\birdie.jpg", nullptr},
};
const PrepareItem kScene2Files[] = {
    {K::Mesh, "data\\part03_max.bin", "data\\texpart03\\"},
    {K::Mesh, "data\\part03_max2.bin", "data\\texpart03\\"},
    {K::Tga, "data\\texpart03\\texture02.tga", nullptr},
    {K::Tga, "data\\texpart03\\texture03.tga", nullptr},
    {K::Jpeg, "data\\texpart03\\dikt.jpg", nullptr},
    {K::Composed, "data\\texpart03\\texture02.tga", "data\\texpart03\\texture03.tga"},
};
const PrepareItem kScene3Files[] = {
    {K::Mesh, "data\\part04_max.bin", "data\\texpart04\\"},
    {K::Mesh, "data\\part04_max2.bin", "data\\texpart04\\"},
    {K::Tga, "data\\texpart04\\texture04.tga", nullptr},
    {K::Tga, "data\\texpart04\\texture05.tga", nullptr},
    {K::Tga, "data\\texpart04\\texture07.tga", nullptr},
    {K::Tga, "data\\texpart04\\woman.tga", nullptr},
    {K::Tga, "data\\texpart04\\womanA.tga", nullptr},
    {K::Composed, "data\\texpart04\\texture04.tga", "data\\texpart04\\texture05.tga"},
    {K::Composed, "data\\texpart04\\texture07.tga", "data\\texpart04\\texture07.tga"},
    {K::Composed, "data\\texpart04\\woman.tga", "data\\texpart04\\womanA.tga"},
};
const PrepareItem kScene4Files[] = {
    {K::Jpeg, "data\\texpart06\\frog00.jpg", nullptr},
    {K::Jpeg, "data\\texpart06\\frog01.jpg", nullptr},
    {K::Jpeg, "data\\texpart06\\frog02.jpg", nullptr},
    {K::Jpeg, "data\\texpart06\\frog03.jpg", nullptr},
    {K::Mesh, "data\\part06_max.bin", "data\\texpart06\\"},
};
const PrepareItem kScene5Files[] = {
    {K::Tga, "data\\texpart05\\bee.tga", nullptr},
    {K::Tga, "data\\texpart05\\frame01.tga", nullptr},
    {K::Tga, "data\\texpart05\\frameA.tga", nullptr},
    {K::Tga, "data\\texpart05\\frame02.tga", nullptr},
    {K::Tga, "data\\texpart05\\frame03.tga", nullptr},
    {K::Tga, "data\\texpart05\\frame04.tga", nullptr},
    {K::JpegMipmapped, "data\\texpart05\\s0.jpg", nullptr},
    {K::JpegMipmapped, "data\\texpart05\\s1.jpg", nullptr},
    {K::JpegMipmapped, "data\\texpart05\\s2.jpg", nullptr},
    {K::JpegMipmapped, "data\\texpart05\\s3.jpg", nullptr},
    {K::JpegMipmapped, "data\\texpart05\\s4.jpg", nullptr},
    {K::Composed, "data\\texpart05\\frame01.tga", "data\\texpart05\\frameA.tga"},
    {K::Composed, "data\\texpart05\\frame02.tga", "data\\texpart05\\frameA.tga"},
    {K::Composed, "data\\texpart05\\frame03.tga", "data\\texpart05\\frameA.tga"},
    {K::Composed, "data\\texpart05\\frame04.tga", "data\\texpart05\\frameA.tga"},
};

struct FileList {
  const PrepareItem* items;
  std::size_t count;
};
template <std::size_t N>
constexpr FileList ListOf(const PrepareItem (&items)[N]) {
  return {items, N};
}
const FileList kSceneFiles[kSceneCount] = {ListOf(kScene0Files), ListOf(kScene1Files), ListOf(kScene2Files),
                                           ListOf(kScene3Files), ListOf(kScene4Files), ListOf(kScene5Files)};

// What is done ahead for the scene after the current one: from the current
// scene's second pass on, its files are prepared and its draw states warmed
// up one a pass, so that neither competes with the first frame of the scene
// that has just begun. After the last scene comes the first, which
// a loop or a seek back to the start sets up next.
struct Ahead {
  int next = 0;
  int passes = 0;  // passes drawn since the setup, counted up to 2
};
Ahead ahead;

template <void (*Setup)(), int Next>
void SetUpThenLookAhead() {
  Setup();
  ahead = Ahead{Next, 0};
  ScheduleWarmUp(Next);
}

template <void (*Render)()>
void RenderThenWorkAhead() {
  Render();
  if (ahead.passes < 2) {
    if (++ahead.passes < 2) return;
    PrepareSceneAhead(ahead.next);
  }
  WarmUpStep();
}

}  // namespace

void PrepareSceneAhead(int scene) {
  if (scene < 0 || scene >= kSceneCount) return;
  PrepareAhead(scene, kSceneFiles[scene].items, kSceneFiles[scene].count);
}

const SceneProcs kShowScenes[kSceneCount] = {
    {SetUpThenLookAhead<SetupScene0, 1>, RenderThenWorkAhead<RenderScene0>},
    {SetUpThenLookAhead<SetupScene1, 2>, RenderThenWorkAhead<RenderScene1>},
    {SetUpThenLookAhead<SetupScene2, 3>, RenderThenWorkAhead<RenderScene2>},
    {SetUpThenLookAhead<SetupScene3, 4>, RenderThenWorkAhead<RenderScene3>},
    {SetUpThenLookAhead<SetupScene4, 5>, RenderThenWorkAhead<RenderScene4>},
    {SetUpThenLookAhead<SetupScene5, 0>, RenderThenWorkAhead<RenderScene5>},
};

}  // namespace velkor
