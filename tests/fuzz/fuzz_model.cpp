// libFuzzer entry for the mesh file parser: any byte string must either parse
// or give the empty model, without reading outside the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/model.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // An exact-size copy, so any read past the end is caught by the sanitizer.
  std::vector<std::uint8_t> bytes(data, data + size);
  std::string error;
  const velkor::SceneModel model = velkor::ParseSceneModel(bytes.data(), bytes.size(), "data\\", &error);
  const bool failed = !error.empty();
  if (failed && (model.meshCount != 0 || model.materialCount != 0 || !model.cameras.empty())) std::abort();
  if (model.meshCount > velkor::kMaxMeshes || model.materialCount > velkor::kMaxMaterials) std::abort();
  for (std::uint32_t m = 0; m < model.meshCount; ++m)
    for (const velkor::Face& f : model.meshes[m].faces)
      for (std::uint32_t v : f.vertex)
        if (v >= model.meshes[m].vertices.size()) std::abort();
  return 0;
}
