// Message boxes through SDL, falling back to standard error; on Windows
// Windows' own message box, which is what the show's boxes always were there.
#include "platform/message_box.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <string>
#ifdef _WIN32
#include <windows.h>
#endif

namespace velkor {

namespace {

MessageBoxSink activeSink = nullptr;

#ifndef _WIN32
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
#endif

#ifdef _WIN32
std::wstring Wide(const char* utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (n <= 0) return L"";
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, out.data(), n);
  out.resize(static_cast<std::size_t>(n - 1));
  return out;
}

// Owned by the show's window when there is one, so the box comes up over it.
MessageBoxAnswer ShowWindowsBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) {
  const bool yesNo = buttons == MessageBoxButtons::YesNo;
  UINT type = yesNo ? MB_YESNO : MB_OK;
  if (icon == MessageBoxIcon::Exclamation) type |= MB_ICONEXCLAMATION;
  else if (icon == MessageBoxIcon::Stop) type |= MB_ICONSTOP;
  else type |= MB_ICONINFORMATION;
  const int pressed = MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(caption).c_str(), type | MB_SETFOREGROUND);
  if (pressed == 0) {
    std::fprintf(stderr, "%s: %s\n", caption, text);
    return yesNo ? MessageBoxAnswer::No : MessageBoxAnswer::Ok;
  }
  if (!yesNo) return MessageBoxAnswer::Ok;
  return pressed == IDYES ? MessageBoxAnswer::Yes : MessageBoxAnswer::No;
}
#endif

}  // namespace

MessageBoxAnswer ShowMessageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon) {
  if (activeSink) return activeSink(text, caption, buttons, icon);
#ifdef _WIN32
  return ShowWindowsBox(text, caption, buttons, icon);
#else
  return ShowSdlBox(text, caption, buttons, icon);
#endif
}

void SetMessageBoxSink(MessageBoxSink sink) { activeSink = sink; }

}  // namespace velkor
