// Between the browser build's window and its message boxes: a page dialog
// swallows the key releases made while it is up, so once it closes every key
// still counted as held is released, as the desktop's event queue would.
#pragma once

namespace velkor {

void ReleaseHeldWebKeys();

}  // namespace velkor
