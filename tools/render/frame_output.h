// The frames' way out of the offline renderer: read-back frames are handed
// to worker threads, which reduce them to output pixels, write the PNG files
// side by side and feed the video in frame order, while the GL thread goes
// on drawing. A fixed number of frame buffers bounds the memory: when all
// are taken, the GL thread waits for the writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velkor {

struct FrameOutputSettings {
  int width = 640, height = 480;  // the output frame
  int factor = 1;                 // drawn at factor times the size
  bool topRowFirst = false;       // how the drawn rows come from the read-back
  std::string pngDir;             // empty: no PNG files
  bool video = false;             // frames go to WriteVideoFrame, in order
};

// Starts the workers; the video, when wanted, must be open before the first frame is handed over.
void StartFrameOutput(const FrameOutputSettings& settings);

// A buffer for the next drawn frame (factor * width x factor * height RGB),
// waiting while the writers hold every buffer.
std::vector<std::uint8_t>* TakeFrameBuffer();
// Hands a filled buffer over to be written as this pass's frame, or back unused.
void SubmitFrame(std::vector<std::uint8_t>* buffer, std::int64_t pass);
void GiveBackFrameBuffer(std::vector<std::uint8_t>* buffer);

// True once a write has failed: the render should stop.
bool FrameOutputFailed();

// Waits until every frame handed over is written and stops the workers;
// false when any write failed.
bool FinishFrameOutput();

// Frames written completely to every output so far.
std::int64_t FramesWritten();

// Seconds the GL thread has waited in TakeFrameBuffer, and seconds the
// workers have spent reducing and writing (summed over workers).
double FrameOutputWaitSeconds();
double FrameOutputBusySeconds();

}  // namespace velkor
