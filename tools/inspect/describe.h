// The parts of `velkor-tools inspect`: each fills json with one object and returns true for
// a file the show's loaders accept, or {"error": "..."} and false.
#pragma once

#include <string>

namespace velkor {

// velkor-tools inspect FILE; returns the process exit status.
int InspectCommand(int argc, char** argv);

bool InspectTga(const char* path, std::string& json);
bool InspectJpeg(const char* path, std::string& json);
bool InspectMesh(const char* path, std::string& json);

// s as a JSON string literal, quotes included.
std::string JsonString(const std::string& s);

}  // namespace velkor
