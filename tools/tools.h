// velkor-tools: subcommands over the show's library (inspect, make-data, render).
#pragma once

namespace velkor {

int ToolsMain(int argc, char** argv);

// Subcommands; each receives the arguments after its own name.
int InspectCommand(int argc, char** argv);
int MakeDataCommand(int argc, char** argv);
int RenderCommand(int argc, char** argv);

}  // namespace velkor
