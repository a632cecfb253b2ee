#pragma once

#include <functional>
#include <map>
#include <string>

#include "StartOptions.h"
#include "persist/Settings.h"
#include "persist/ViewerOptions.h"
#include "print/PrintSettings.h"

// The program's settings file ($XDG_CONFIG_HOME/mekuri/settings): the reading options of the
// menus and the print settings, read at start-up and saved when the user changes one. A save
// reads the file again and writes back only what this program changed, so that another program
// running at once keeps its own changes to the other keys (for the same key the last save wins).
// Options of the command line apply to their run and never reach the file. Shows and draws
// nothing, so it may run while the program ends without its display. UI thread only.
class LastingSettings {
  public:
    // `file` empty (no home to keep it in): nothing is read or saved.
    explicit LastingSettings(std::string file);

    // Reads the file. A missing, unreadable or corrupt one leaves every default, with a trace,
    // and is replaced at the next save.
    void load();
    // The options as the file holds them, defaults where it holds none.
    const ViewerOptions& saved() const { return saved_; }
    // The print settings the file holds (print/PrintSettingsStore.h).
    const PrintSettings& printSettings() const { return print_; }

    // The user set the option `key` (a key of persist/ViewerOptions.h) to `value`: saved when
    // it differs from what this program last read or saved for it.
    void keepOption(const char* key, int value);
    // The print settings, saved when they differ from those last read or saved.
    void keepPrintSettings(const PrintSettings& print);

  private:
    void save(const std::function<void(Settings&)>& change);

    std::string file_;
    ViewerOptions saved_;
    PrintSettings print_;
    std::map<std::string, int> kept_; // each option as last read or saved
    std::string keptPrint_;           // the print keys' text as last read or saved
};

// The options a run starts with: the saved ones, under the binding and the spread unit the
// command line gave.
ViewerOptions startingOptions(const ViewerOptions& saved, const StartOptions& command);
