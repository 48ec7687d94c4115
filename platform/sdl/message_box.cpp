// Message boxes through SDL, falling back to standard error.
#include "platform/message_box.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace velkor {

namespace {

MessageBoxSink activeSink = nullptr;

Uint32 IconFlags(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
    case MessageBoxIcon::Stop: return SDL_MESSAGEBOX_ERROR;
    default: return SDL_MESSAGEBOX_INFORMATION;
  }
}

MessageBoxAnswer ShowSdlBox(const char* text, const char* caption, MessageBoxButtons buttons, MessageBoxIcon icon) {
  const bool yesNo = buttons == MessageBoxButtons::YesNo;
  const SDL_MessageBoxButtonData yesNoButtons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
  };
  const SDL_MessageBoxButtonData okButton[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 1, "OK"},
  };
  SDL_MessageBoxData data{};
  data.flags = IconFlags(icon);
  data.title = caption;
  data.message = text;
  data.numbuttons = yesNo ? 2 : 1;
  data.buttons = yesNo ? yesNoButtons : okButton;
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return yesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
  }
  if (!yesNo) return MessageBoxAnswer::Ok;
  return pressed == 1 ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
}

}  // namespace

MessageBoxAnswer ShowMessageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) {
  if (activeSink) return activeSink(text, caption, buttons, icon);
  return ShowSdlBox(text, caption, buttons, icon);
}

void SetMessageBoxSink(MessageBoxSink sink) { activeSink = sink; }

}  // namespace velkor
