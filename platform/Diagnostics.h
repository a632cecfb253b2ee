#pragma once

// The mutex guard every layer traces around comes with the diagnostics.
#include "AutoLock.h"

// Writes one trace line, formatted like printf into 1024 bytes (the rest is cut), to
// standard error with a single write. No newline is added. Any thread; never blocks for long.
void debugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Shows `format` in a modal box titled "Error" with a warning icon, then traces the same
// text. `owner` is the window the box belongs to, or null. Any thread: off the UI thread the
// box is handed to the UI thread and the call returns at once (see Dialogs.h).
void reportError(const void* owner, const char* format, ...) __attribute__((format(printf, 2, 3)));
