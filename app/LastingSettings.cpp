#include "LastingSettings.h"

#include <utility>

#include "platform/Diagnostics.h"
#include "print/PrintSettingsStore.h"

namespace {

// The print keys alone, as text: what tells whether the print settings changed.
std::string printText(const PrintSettings& print)
{
    Settings keys;
    storePrintSettings(print, keys);
    return keys.encode();
}

} // namespace

LastingSettings::LastingSettings(std::string file) : file_(std::move(file))
{
}

void LastingSettings::load()
{
    Settings file;
    if (!file_.empty())
        file.load(file_);
    saved_ = readViewerOptions(file);
    print_ = loadPrintSettings(file);
    kept_ = {{kResumeKey, saved_.resume},
             {kNaturalOrderKey, saved_.naturalOrder},
             {kBindingKey, saved_.binding},
             {kSpreadShiftKey, saved_.spreadShift},
             {kHighQualityReductionKey, saved_.highQualityReduction}};
    keptPrint_ = printText(print_);
}

void LastingSettings::keepOption(const char* key, int value)
{
    const auto kept = kept_.find(key);
    if (kept != kept_.end() && kept->second == value)
        return;
    kept_[key] = value;
    debugPrint("settings: %s=%d\n", key, value);
    save([key, value](Settings& file) { file.setInt(key, value); });
}

void LastingSettings::keepPrintSettings(const PrintSettings& print)
{
    std::string text = printText(print);
    if (text == keptPrint_)
        return;
    keptPrint_ = std::move(text);
    debugPrint("settings: print settings of %s\n", print.printerName.c_str());
    save([&print](Settings& file) { storePrintSettings(print, file); });
}

void LastingSettings::save(const std::function<void(Settings&)>& change)
{
    if (file_.empty())
        return;
    Settings file;
    file.load(file_); // what another program saved meanwhile stays
    change(file);
    file.save(file_);
}

ViewerOptions startingOptions(const ViewerOptions& saved, const StartOptions& command)
{
    ViewerOptions options = saved;
    if (command.bindingGiven)
        options.binding = command.binding;
    if (command.spreadShiftGiven)
        options.spreadShift = command.spreadShift;
    return options;
}
