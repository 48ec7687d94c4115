// Message boxes in a browser: the page's own alert and confirm dialogs, which
// hold the show (not the sound) until answered, as the desktop's boxes do.
#include <emscripten/emscripten.h>

#include <cstdio>

#include "platform/message_box.h"
#include "platform/web/keys.h"

namespace velkor {

namespace {
MessageBoxSink sink = nullptr;
}  // namespace

void SetMessageBoxSink(MessageBoxSink replacement) { sink = replacement; }

MessageBoxAnswer ShowMessageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) {
  if (sink) return sink(text, caption, buttons, icon);
  std::fprintf(stderr, "%s: %s\n", caption, text);
  if (buttons == MessageBoxButtons::YesNo) {
    const int yes = EM_ASM_INT({ return confirm(UTF8ToString($0) + "\n\n" + UTF8ToString($1)) ? 1 : 0; }, caption, text);
    ReleaseHeldWebKeys();
    return yes ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
  }
  EM_ASM({ alert(UTF8ToString($0) + "\n\n" + UTF8ToString($1)); }, caption, text);
  ReleaseHeldWebKeys();
  return MessageBoxAnswer::Ok;
}

}  // namespace velkor
