// Entry point of velkor-tools.
#include "tools/tools.h"

int main(int argc, char** argv) { return velkor::ToolsMain(argc, argv); }
