// Worker threads for reducing and writing frames.
#include "tools/render/frame_output.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "tools/render/frame_pixels.h"
#include "tools/render/png_files.h"
#include "tools/render/render_options.h"
#include "tools/render/render_video.h"

namespace velkor {

namespace {

using Clock = std::chrono::steady_clock;

// Frame buffers in flight at most, whatever their size; fewer when they are large.
constexpr int kMostBuffers = 8;
constexpr size_t kBufferBudgetBytes = size_t{768} << 20;

struct Job {
  std::vector<std::uint8_t>* buffer;
  std::int64_t pass;
  std::int64_t sequence;  // order of hand-over, the video's order
};

struct FrameOutput {
  FrameOutputSettings settings;
  std::vector<std::unique_ptr<std::vector<std::uint8_t>>> buffers;
  std::vector<std::vector<std::uint8_t>*> freeBuffers;
  std::deque<Job> jobs;
  std::vector<std::thread> workers;
  std::mutex mutex;
  std::condition_variable jobReady, bufferFree, videoTurn;
  std::int64_t submitted = 0;
  std::int64_t nextVideo = 0;  // sequence whose frame goes to the video next
  bool stopping = false;
  std::atomic<bool> failed{false};
  std::atomic<std::int64_t> written{0};
  double waitSeconds = 0.0;
  double busySeconds = 0.0;
};
FrameOutput output;

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// One frame: pixels in order and reduced, its PNG file, then its turn at the video.
void WriteJob(const Job& job, std::vector<std::uint8_t>* pixels) {
  const FrameOutputSettings& s = output.settings;
  ReduceFrame(job.buffer->data(), s.topRowFirst, s.width, s.height, s.factor, pixels->data());
  bool ok = !output.failed;
  if (ok && !s.pngDir.empty())
    ok = WritePngRgb(s.pngDir + "/" + FrameFileName(job.pass), s.width, s.height, pixels->data());
  if (s.video) {
    std::unique_lock<std::mutex> lock(output.mutex);
    output.videoTurn.wait(lock, [&] { return output.nextVideo == job.sequence; });
    lock.unlock();
    // Alone here until the turn moves on. After a failure no frame follows the
    // failed one, so the video never skips a frame.
    ok = ok && !output.failed && WriteVideoFrame(pixels->data());
    lock.lock();
    ++output.nextVideo;
    output.videoTurn.notify_all();
  }
  if (!ok) output.failed = true;
  else ++output.written;
}

void RunWorker() {
  const FrameOutputSettings& s = output.settings;
  std::vector<std::uint8_t> pixels(static_cast<size_t>(s.width) * s.height * 3);
  for (;;) {
    std::unique_lock<std::mutex> lock(output.mutex);
    output.jobReady.wait(lock, [] { return output.stopping || !output.jobs.empty(); });
    if (output.jobs.empty()) return;
    const Job job = output.jobs.front();
    output.jobs.pop_front();
    lock.unlock();
    const Clock::time_point start = Clock::now();
    WriteJob(job, &pixels);
    lock.lock();
    output.busySeconds += SecondsSince(start);
    output.freeBuffers.push_back(job.buffer);
    output.bufferFree.notify_one();
  }
}

}  // namespace

void StartFrameOutput(const FrameOutputSettings& settings) {
  output.settings = settings;
  output.jobs.clear();
  output.submitted = output.nextVideo = 0;
  output.stopping = false;
  output.failed = false;
  output.written = 0;
  output.waitSeconds = output.busySeconds = 0.0;
  const int workers = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 2, kMostBuffers - 2);
  const size_t frameBytes = static_cast<size_t>(settings.width) * settings.factor * settings.height *
                            settings.factor * 3;
  const int buffers = std::clamp(static_cast<int>(kBufferBudgetBytes / frameBytes), 2, workers + 2);
  output.buffers.clear();
  output.freeBuffers.clear();
  for (int i = 0; i < buffers; ++i) {
    output.buffers.push_back(std::make_unique<std::vector<std::uint8_t>>(frameBytes));
    output.freeBuffers.push_back(output.buffers.back().get());
  }
  for (int i = 0; i < std::min(workers, buffers); ++i) output.workers.emplace_back(RunWorker);
}

std::vector<std::uint8_t>* TakeFrameBuffer() {
  const Clock::time_point start = Clock::now();
  std::unique_lock<std::mutex> lock(output.mutex);
  output.bufferFree.wait(lock, [] { return !output.freeBuffers.empty(); });
  std::vector<std::uint8_t>* buffer = output.freeBuffers.back();
  output.freeBuffers.pop_back();
  output.waitSeconds += SecondsSince(start);
  return buffer;
}

void SubmitFrame(std::vector<std::uint8_t>* buffer, std::int64_t pass) {
  std::lock_guard<std::mutex> lock(output.mutex);
  output.jobs.push_back(Job{buffer, pass, output.submitted++});
  output.jobReady.notify_one();
}

void GiveBackFrameBuffer(std::vector<std::uint8_t>* buffer) {
  std::lock_guard<std::mutex> lock(output.mutex);
  output.freeBuffers.push_back(buffer);
  output.bufferFree.notify_one();
}

bool FrameOutputFailed() { return output.failed; }

bool FinishFrameOutput() {
  {
    std::lock_guard<std::mutex> lock(output.mutex);
    output.stopping = true;
    output.jobReady.notify_all();
  }
  for (std::thread& t : output.workers) t.join();
  output.workers.clear();
  output.buffers.clear();
  output.freeBuffers.clear();
  return !output.failed;
}

std::int64_t FramesWritten() { return output.written; }

double FrameOutputWaitSeconds() { return output.waitSeconds; }

double FrameOutputBusySeconds() {
  std::lock_guard<std::mutex> lock(output.mutex);
  return output.busySeconds;
}

}  // namespace velkor
