// velkor-tools contact-sheet: one PNG with a labelled grid of moments of the
// show, by default four per scene, each drawn by the offline renderer exactly
// as "velkor-tools render" draws that pass.
#pragma once

#include <cstdint>
#include <vector>

namespace velkor {

// The captions' bitmap font, handed in by the command table: dot (column,
// row) of a character's glyph of width x height dots.
struct CaptionFont {
  bool (*dot)(char c, int column, int row);
  int width, height;
};

// The arguments after "contact-sheet"; returns the process exit status.
int ContactSheetCommand(int argc, char** argv, const CaptionFont& font);

// The passes shown at the given rate: in every scene, the first pass at or
// after each of perScene evenly spread moments (the middles of perScene
// equal parts of the scene's nominal span), in show order.
std::vector<std::int64_t> ContactSheetPasses(int perScene, std::int64_t fpsNum, std::int64_t fpsDen);

}  // namespace velkor
