#pragma once

// Connects the layers below the views to the toolkit: real message boxes (handed to the UI
// thread when another thread asks), the event pump for long listings and the wait cursor.
// Call once from the UI thread after Fl::lock().
void installToolkitHooks();

// The name of the Japanese font the program draws with (IPA Gothic, else Noto Sans CJK JP),
// spelled for Fl::set_font; empty when neither is installed.
const char* japaneseFontName();
