// inspect for TGA and JPEG images (placeholder until the loaders land).
#include "tools/inspect_parts.h"

namespace velkor {

bool InspectTga(const char*, std::string& json) { json = "{\"error\": \"not implemented\"}"; return false; }
bool InspectJpeg(const char*, std::string& json) { json = "{\"error\": \"not implemented\"}"; return false; }

}  // namespace velkor
