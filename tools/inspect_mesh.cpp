// inspect for mesh files (placeholder until the loader lands).
#include "tools/inspect_parts.h"

namespace velkor {

bool InspectMesh(const char*, std::string& json) { json = "{\"error\": \"not implemented\"}"; return false; }

}  // namespace velkor
