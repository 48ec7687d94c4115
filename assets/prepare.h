// Preparation ahead: while one scene plays, a worker thread reads and decodes
// the files the next scene's setup will load (mesh files parsed, TGA and JPEG
// pixels, the mipmap levels the setup will upload) so that the setup only
// uploads. The setup still reads every file itself and uses a prepared result
// only when the file holds the very bytes that were prepared, so a file that
// changed, vanished or was damaged in between gives what it gives without
// preparation, messages included. The worker makes no GL call and logs nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/model.h"
#include "platform/jpeg.h"
#include "platform/mipmap.h"

namespace velkor {

enum class PrepareKind {
  Mesh,           // path, second = the texture directory in effect; also its materials' TGA files
  Tga,            // path: pixels and mipmap levels
  Jpeg,           // path: pixels
  JpegMipmapped,  // path: pixels and mipmap levels
  Composed,       // path = colour TGA, second = mask TGA: the composed RGBA mipmap levels
};

struct PrepareItem {
  PrepareKind kind;
  const char* path;
  const char* second;
};

// Starts preparing the items for the setup of scene `key`, dropping whatever
// was prepared or being prepared before. Only the setup that runs while
// sceneIndex == key takes the results. Does nothing while preparation is off.
void PrepareAhead(int key, const PrepareItem* items, std::size_t count);

// Drops everything prepared and waits until the worker has put down the item
// in hand. Call before changing what the data paths mean.
void DiscardPreparation();
// Ends the worker thread (it starts again with the next PrepareAhead).
void StopPreparation();

// Preparation is on unless VELKOR_PREPARE=off was in the environment at the
// first call; tests and benchmarks switch it to compare.
void SetPreparationEnabled(bool on);
bool PreparationEnabled();
// When set, a setup that finds its preparation still running waits for it
// rather than doing the work itself: offline rendering takes the same path
// on every run, and start-up does not do scene 0's work twice. Returns the
// setting it replaces.
bool SetPreparationWaits(bool on);
// Blocks until the current preparation has finished (or there is none).
void WaitForPreparation();

// What the setups of the prepared scene took, and what they had to do
// themselves while a preparation for them existed.
struct PreparationCounts {
  int filesTaken = 0;   // loads that used prepared pixels or a parsed model
  int filesMissed = 0;  // loads that found nothing prepared for their bytes
  int chainsTaken = 0;  // mipmap uploads from prepared levels
  int chainsMissed = 0;
};
PreparationCounts PreparationUse();  // since the last PrepareAhead or Discard

// The loaders' side: each is true, with the prepared result given out, when
// bytes are exactly the bytes that were prepared for the path. An image's
// mipmap chain, when one was prepared, comes with it (null otherwise).
bool TakePreparedTga(const char* path, const std::vector<std::uint8_t>& bytes, TextureRecord& record,
                     std::shared_ptr<const MipmapChain>* chain);
bool TakePreparedJpeg(const char* path, const std::vector<std::uint8_t>& bytes, JpegImage& image,
                      std::shared_ptr<const MipmapChain>* chain);
bool TakePreparedModel(const char* path, const char* textureDir, const std::vector<std::uint8_t>& bytes,
                       SceneModel& model);
// The prepared mipmap chain of exactly these pixels, or null; `known`, the
// chain that came with the pixels from a Take call, is taken as it is.
std::shared_ptr<const MipmapChain> FindPreparedChain(int components, int width, int height,
                                                     const std::uint8_t* pixels,
                                                     std::shared_ptr<const MipmapChain> known = nullptr);

}  // namespace velkor
