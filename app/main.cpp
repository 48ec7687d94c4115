// Entry point of the show program.
#include "app/shell.h"

int main(int argc, char** argv) { return velkor::VelkorMain(argc, argv); }
