#pragma once

#include "persist/Settings.h"

// The viewer's own settings kept between runs, with the keys they are stored under. Options
// given on the command line apply to one run: the caller does not write those back. Plain
// value; UI thread only, like Settings.
struct ViewerOptions {
    bool resume = true; // "前回の位置から開く": open a book where the reader stopped
    bool naturalOrder = false;    // "数字順に並べる": digit runs compare by value
    int binding = 0;              // 0 right binding, 1 left binding
    int spreadShift = 1;          // 1 the first page stands alone, 0 pages 1 and 2 pair
    int highQualityReduction = 1; // 1 high quality reduction, 0 fast
};

// Keys of the settings file.
extern const char kResumeKey[];               // "resume"
extern const char kNaturalOrderKey[];         // "naturalOrder"
extern const char kBindingKey[];              // "binding"
extern const char kSpreadShiftKey[];          // "spreadShift"
extern const char kHighQualityReductionKey[]; // "highQualityReduction"

// The options held in `settings`; a missing or bad value (traced by Settings) keeps the default.
ViewerOptions readViewerOptions(const Settings& settings);
// Stores every option into `settings` (saving it is the caller's).
void writeViewerOptions(Settings& settings, const ViewerOptions& options);
