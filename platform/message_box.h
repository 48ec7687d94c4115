// Modal message boxes without an owner window. Without a display the text and
// caption go to standard error, and a Yes/No question is answered No.
#pragma once

namespace velkor {

enum class MessageBoxButtons { Ok, YesNo };
enum class MessageBoxIcon { Exclamation, Stop, Information, None };
enum class MessageBoxAnswer { Ok, Yes, No };

using MessageBoxSink = MessageBoxAnswer (*)(const char* text, const char* caption, MessageBoxButtons buttons,
                                            MessageBoxIcon icon);

MessageBoxAnswer ShowMessageBox(const char* text, const char* caption, MessageBoxButtons buttons,
                                MessageBoxIcon icon);

// Replaces where boxes go (tests record them); null restores the real boxes.
void SetMessageBoxSink(MessageBoxSink sink);

}  // namespace velkor
