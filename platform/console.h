// The show's text output when it has no console of its own. On Windows the
// show is a GUI program: started from a command prompt, its --help, version
// and messages go to that prompt's console; started from Explorer they go
// nowhere, and where standard output or error is redirected to a file or a
// pipe it is left there. Elsewhere this does nothing.
#pragma once

namespace velkor {

void UseStartingConsole();

}  // namespace velkor
