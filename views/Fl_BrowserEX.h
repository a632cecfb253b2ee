#pragma once

#include <FL/Fl_Browser.H>

// The toolkit's text browser under the program's own name: the browser type the inertia
// handler scrolls (the property listing and the spread list). It changes nothing of
// Fl_Browser. UI thread only.
class Fl_BrowserEX : public Fl_Browser {
  public:
    using Fl_Browser::Fl_Browser;
};
