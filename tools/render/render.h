// velkor-tools render: the show played offline, frame-exactly, against a
// virtual clock, into PNG frames, a video with the music and frame statistics.
#pragma once

namespace velkor {

// The arguments after "render"; returns the process exit status.
int RenderCommand(int argc, char** argv);

}  // namespace velkor
