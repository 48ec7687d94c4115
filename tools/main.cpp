// velkor-tools: the command table over the tool products (inspect, make-data,
// render, icon, contact-sheet), each a library of its own on top of the show's
// modules; the contact sheet borrows the stand-in set's font from here.
#include <cstdio>
#include <cstring>

#include "tools/inspect/describe.h"
#include "tools/render/contact_sheet.h"
#include "tools/render/icon.h"
#include "tools/render/render.h"
#include "tools/standin/bitmap_font.h"
#include "tools/standin/standin.h"

namespace {

// The contact sheet's captions in the stand-in pictures' font.
int ContactSheet(int argc, char** argv) {
  return velkor::ContactSheetCommand(argc, argv,
                                     velkor::CaptionFont{velkor::GlyphDot, velkor::kGlyphWidth, velkor::kGlyphHeight});
}

struct Subcommand {
  const char* name;
  int (*run)(int argc, char** argv);
  const char* help;
};

const Subcommand kSubcommands[] = {
    {"inspect", velkor::InspectCommand, "inspect FILE            describe an image or mesh file as JSON"},
    {"make-data", velkor::MakeDataCommand, "make-data DIR           write the stand-in data set into DIR"},
    {"render", velkor::RenderCommand, "render [options]        render the show offline to PNG frames or video"},
    {"icon", velkor::IconCommand, "icon --data DIR --out F  a square picture of the show for the desktop's menus"},
    {"contact-sheet", ContactSheet, "contact-sheet --data DIR --out F  a labelled grid of moments of every scene"},
};

// To standard output when asked for, else with the error on standard error.
void PrintUsage(std::FILE* to) {
  std::fprintf(to, "usage: velkor-tools COMMAND ...\n");
  for (const Subcommand& c : kSubcommands) std::fprintf(to, "  %s\n", c.help);
  std::fprintf(to, "'velkor-tools COMMAND --help' tells a command's options.\n");
}

bool IsHelp(const char* arg) { return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0; }

}  // namespace

// Each command receives the arguments after its own name.
int main(int argc, char** argv) {
  if (argc < 2) {
    PrintUsage(stderr);
    return 2;
  }
  if (IsHelp(argv[1]) || std::strcmp(argv[1], "help") == 0) {
    PrintUsage(stdout);
    return 0;
  }
  for (const Subcommand& c : kSubcommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    // render explains its many options itself; the others' one line says it all.
    if (argc >= 3 && IsHelp(argv[2]) && c.run != velkor::RenderCommand) {
      std::printf("usage: velkor-tools %s\n", c.help);
      return 0;
    }
    return c.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "velkor-tools: unknown command '%s'\n", argv[1]);
  PrintUsage(stderr);
  return 2;
}
