// The preparation worker and the store of what it prepared. One thread takes
// one job at a time (the file list of one scene setup), works outside the
// lock and publishes each result under it, tagged with the job's generation:
// a newer job or a discard bumps the generation, so late results of an old
// job are dropped and its remaining items skipped. Results are immutable once
// published; a parsed model and a decoded JPEG go to their one taker, which
// removes them from the store.
#include "assets/prepare.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "music/sequencer.h"
#include "platform/paths.h"
#include "platform/thread.h"

namespace velkor {

namespace {

struct PreparedFile {
  std::vector<std::uint8_t> bytes;  // the file as it was read
  TextureRecord image;              // a TGA file's decode
  JpegImage jpeg;                   // a JPEG file's decode
  std::shared_ptr<const MipmapChain> chain;  // the image's levels, when it is mipmapped
  std::unique_ptr<SceneModel> model;
};

struct Store {
  int key = -1;
  std::map<std::string, std::shared_ptr<PreparedFile>> files;
  std::vector<std::shared_ptr<const MipmapChain>> chains;
  PreparationCounts counts;
};

struct JobItem {
  PrepareKind kind;
  std::string path;
  std::string second;
};

// The worker's niceness: well below the drawing, still above idle-only work.
constexpr int kWorkerNice = 10;

std::mutex mutex;
std::condition_variable changed;
Store store;
unsigned generation = 0;
std::vector<JobItem> pendingItems;
bool pending = false;
bool busy = false;
bool stopping = false;
bool waits = false;
int enabled = -1;  // -1: not yet read from the environment
std::thread worker;

std::string FileKey(PrepareKind kind, const std::string& path, const std::string& second) {
  switch (kind) {
    case PrepareKind::Mesh: return "M" + path + '\n' + second;
    case PrepareKind::Tga: return "T" + path;
    default: return "J" + path;
  }
}

// Publishes under the lock when the job is still the current one.
void Publish(unsigned job, const std::string& key, std::shared_ptr<PreparedFile> file,
             std::shared_ptr<const MipmapChain> chain) {
  const std::lock_guard<std::mutex> lock(mutex);
  if (job != generation) return;
  if (file) store.files[key] = std::move(file);
  if (chain) store.chains.push_back(std::move(chain));
}

bool StillCurrent(unsigned job) {
  const std::lock_guard<std::mutex> lock(mutex);
  return job == generation && !stopping;
}

// keepSource for chains found by their pixels; an image's own chain travels with it.
std::shared_ptr<const MipmapChain> ChainFor(const std::uint8_t* pixels, int width, int height, int components,
                                            bool keepSource) {
  return std::make_shared<const MipmapChain>(BuildMipmapChain(
      pixels, width, height, components, NearestPowerOfTwo(width), NearestPowerOfTwo(height), keepSource));
}

// One TGA file: its pixels and the levels LoadTgaTexture will upload. Null when
// it cannot be used; its loader will then say why.
std::shared_ptr<PreparedFile> PrepareTga(unsigned job, const std::string& path) {
  auto file = std::make_shared<PreparedFile>();
  if (ReadDataFile(path.c_str(), kImageFileMaxBytes, file->bytes) != ReadFileResult::Ok) return nullptr;
  if (DecodeTga(file->bytes.data(), file->bytes.size(), file->image) != nullptr) return nullptr;
  const TextureRecord& image = file->image;
  file->chain = ChainFor(image.pixels.data(), static_cast<int>(image.width), static_cast<int>(image.height),
                         static_cast<int>(image.bitsPerPixel / 8), false);
  Publish(job, FileKey(PrepareKind::Tga, path, {}), file, nullptr);
  return file;
}

void PrepareJpeg(unsigned job, const std::string& path, bool mipmapped) {
  auto file = std::make_shared<PreparedFile>();
  if (ReadDataFile(path.c_str(), kImageFileMaxBytes, file->bytes) != ReadFileResult::Ok) return;
  if (DecodeJpegRgb(file->bytes.data(), file->bytes.size(), file->jpeg) != kJpegOk) return;
  if (mipmapped) file->chain = ChainFor(file->jpeg.rgb.data(), file->jpeg.width, file->jpeg.height, 3, false);
  Publish(job, FileKey(PrepareKind::Jpeg, path, {}), std::move(file), nullptr);
}

void PrepareComposed(unsigned job, const PreparedFile* colour, const PreparedFile* mask) {
  if (!colour || !mask) return;
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(kOverlaySize) * kOverlaySize * 4);
  if (!ComposeRgbaPixels(colour->image, mask->image, rgba.data())) return;
  Publish(job, {}, nullptr, ChainFor(rgba.data(), kOverlaySize, kOverlaySize, 4, true));
}

void RunJob(unsigned job, const std::vector<JobItem>& items) {
  std::map<std::string, std::shared_ptr<PreparedFile>> tgaFiles;  // this job's, for compositions
  auto tga = [&](const std::string& path) -> const PreparedFile* {
    auto found = tgaFiles.find(path);
    if (found == tgaFiles.end()) found = tgaFiles.emplace(path, PrepareTga(job, path)).first;
    return found->second.get();
  };
  for (const JobItem& item : items) {
    if (!StillCurrent(job)) return;
    switch (item.kind) {
      case PrepareKind::Tga: tga(item.path); break;
      case PrepareKind::Jpeg: PrepareJpeg(job, item.path, false); break;
      case PrepareKind::JpegMipmapped: PrepareJpeg(job, item.path, true); break;
      case PrepareKind::Composed: PrepareComposed(job, tga(item.path), tga(item.second)); break;
      case PrepareKind::Mesh: {
        auto file = std::make_shared<PreparedFile>();
        if (ReadDataFile(item.path.c_str(), kModelFileMaxBytes, file->bytes) != ReadFileResult::Ok) break;
        std::string error;
        file->model = std::make_unique<SceneModel>(
            ParseSceneModel(file->bytes.data(), file->bytes.size(), item.second.c_str(), &error));
        if (!error.empty()) break;
        std::vector<std::string> materials;
        const std::uint32_t count = std::min<std::uint32_t>(file->model->materialCount, kMaxMaterials);
        for (std::uint32_t i = 0; i < count; ++i) materials.emplace_back(file->model->materials[i].path);
        Publish(job, FileKey(PrepareKind::Mesh, item.path, item.second), std::move(file), nullptr);
        for (const std::string& material : materials) {
          if (!StillCurrent(job)) return;
          tga(material);
        }
        break;
      }
    }
  }
}

void WorkerLoop() {
  PlatformNameThisThread("velkor-prepare");
  // Its work is due seconds from now and the frames' work at once: on a
  // machine with few cores it gives way to the drawing threads.
  PlatformLowerThisThreadPriority(kWorkerNice);
  std::unique_lock<std::mutex> lock(mutex);
  for (;;) {
    changed.wait(lock, [] { return pending || stopping; });
    if (stopping) return;
    std::vector<JobItem> items = std::move(pendingItems);
    const unsigned job = generation;
    pending = false;
    busy = true;
    lock.unlock();
    RunJob(job, items);
    lock.lock();
    busy = false;
    changed.notify_all();
  }
}

bool EnabledLocked() {
  if (!PlatformHasWorkerThreads()) return false;  // setups do their own work
  if (enabled < 0) {
    const char* setting = std::getenv("VELKOR_PREPARE");
    enabled = setting && std::strcmp(setting, "off") == 0 ? 0 : 1;
  }
  return enabled == 1;
}

// Drops the store and any job not yet finished; the lock is held.
void DropLocked() {
  ++generation;
  store = Store();
  pendingItems.clear();
  pending = false;
}

// The store when it was prepared for the setup now running, with the lock
// held; with waiting on, after its job has finished. Null otherwise. Without
// waiting, what is not ready yet is done by the setup itself, as without
// preparation: at a switch the worker has had a whole scene's time, and only
// a machine too busy for that ends up here.
Store* StoreForThisSetup(std::unique_lock<std::mutex>& lock) {
  if (!EnabledLocked() || store.key != sceneIndex || store.key < 0) return nullptr;
  if (waits) {
    const unsigned job = generation;
    changed.wait(lock, [job] { return job != generation || (!pending && !busy); });
    if (job != generation) return nullptr;
  }
  return &store;
}

std::shared_ptr<PreparedFile> FindFile(Store& s, const std::string& key, const std::vector<std::uint8_t>& bytes) {
  const auto found = s.files.find(key);
  if (found == s.files.end() || found->second->bytes != bytes) {
    ++s.counts.filesMissed;
    return nullptr;
  }
  ++s.counts.filesTaken;
  return found->second;
}

// Joins the worker when the program ends without having stopped it.
struct WorkerGuard {
  ~WorkerGuard() { StopPreparation(); }
} workerGuard;

}  // namespace

void PrepareAhead(int key, const PrepareItem* items, std::size_t count) {
  const std::lock_guard<std::mutex> lock(mutex);
  DropLocked();
  if (!EnabledLocked()) return;
  store.key = key;
  for (std::size_t i = 0; i < count; ++i)
    pendingItems.push_back({items[i].kind, items[i].path ? items[i].path : "", items[i].second ? items[i].second : ""});
  pending = true;
  stopping = false;
  if (!worker.joinable()) worker = std::thread(WorkerLoop);
  changed.notify_all();
}

void DiscardPreparation() {
  std::unique_lock<std::mutex> lock(mutex);
  DropLocked();
  changed.wait(lock, [] { return !busy; });
}

void StopPreparation() {
  {
    std::unique_lock<std::mutex> lock(mutex);
    DropLocked();
    stopping = true;
    changed.notify_all();
  }
  if (worker.joinable()) worker.join();
}

void SetPreparationEnabled(bool on) {
  const std::lock_guard<std::mutex> lock(mutex);
  enabled = on ? 1 : 0;
  if (!on) DropLocked();
}

bool PreparationEnabled() {
  const std::lock_guard<std::mutex> lock(mutex);
  return EnabledLocked();
}

bool SetPreparationWaits(bool on) {
  const std::lock_guard<std::mutex> lock(mutex);
  return std::exchange(waits, on);
}

void WaitForPreparation() {
  std::unique_lock<std::mutex> lock(mutex);
  changed.wait(lock, [] { return !pending && !busy; });
}

PreparationCounts PreparationUse() {
  const std::lock_guard<std::mutex> lock(mutex);
  return store.counts;
}

bool TakePreparedTga(const char* path, const std::vector<std::uint8_t>& bytes, TextureRecord& record,
                     std::shared_ptr<const MipmapChain>* chain) {
  std::shared_ptr<PreparedFile> file;
  {
    std::unique_lock<std::mutex> lock(mutex);
    Store* s = StoreForThisSetup(lock);
    if (!s || !path || !(file = FindFile(*s, FileKey(PrepareKind::Tga, path, {}), bytes))) return false;
  }
  record.width = file->image.width;
  record.height = file->image.height;
  record.bitsPerPixel = file->image.bitsPerPixel;
  record.pixels = file->image.pixels;
  if (chain) *chain = file->chain;
  return true;
}

// A decoded JPEG goes to its one loader (the pixels are dropped after upload);
// a second load of the same file in the same setup decodes it again.
bool TakePreparedJpeg(const char* path, const std::vector<std::uint8_t>& bytes, JpegImage& image,
                      std::shared_ptr<const MipmapChain>* chain) {
  std::shared_ptr<PreparedFile> file;
  {
    std::unique_lock<std::mutex> lock(mutex);
    Store* s = StoreForThisSetup(lock);
    const std::string key = FileKey(PrepareKind::Jpeg, path ? path : "", {});
    if (!s || !path || !(file = FindFile(*s, key, bytes))) return false;
    s->files.erase(key);
  }
  image = std::move(file->jpeg);
  if (chain) *chain = file->chain;
  return true;
}

bool TakePreparedModel(const char* path, const char* textureDir, const std::vector<std::uint8_t>& bytes,
                       SceneModel& model) {
  std::unique_ptr<SceneModel> taken;
  {
    std::unique_lock<std::mutex> lock(mutex);
    Store* s = StoreForThisSetup(lock);
    if (!s || !path) return false;
    const std::string key = FileKey(PrepareKind::Mesh, path, textureDir ? textureDir : "");
    const std::shared_ptr<PreparedFile> file = FindFile(*s, key, bytes);
    if (!file) return false;
    taken = std::move(file->model);
    s->files.erase(key);
  }
  model = std::move(*taken);
  return true;
}

std::shared_ptr<const MipmapChain> FindPreparedChain(int components, int width, int height,
                                                     const std::uint8_t* pixels,
                                                     std::shared_ptr<const MipmapChain> known) {
  std::vector<std::shared_ptr<const MipmapChain>> candidates;
  {
    std::unique_lock<std::mutex> lock(mutex);
    Store* s = StoreForThisSetup(lock);
    if (!s || !pixels) return nullptr;
    if (known && known->components == components && known->sourceWidth == width && known->sourceHeight == height) {
      ++s->counts.chainsTaken;
      return known;
    }
    for (const auto& chain : s->chains)
      if (chain->components == components && chain->sourceWidth == width && chain->sourceHeight == height)
        candidates.push_back(chain);
  }
  const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * components;
  std::shared_ptr<const MipmapChain> found;
  for (const auto& chain : candidates)
    if (chain->source.size() == size && std::memcmp(chain->source.data(), pixels, size) == 0) {
      found = chain;
      break;
    }
  const std::lock_guard<std::mutex> lock(mutex);
  if (store.key == sceneIndex) ++(found ? store.counts.chainsTaken : store.counts.chainsMissed);
  return found;
}

}  // namespace velkor
