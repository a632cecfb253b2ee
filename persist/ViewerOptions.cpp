#include "ViewerOptions.h"

const char kResumeKey[] = "resume";
const char kNaturalOrderKey[] = "naturalOrder";
const char kBindingKey[] = "binding";
const char kSpreadShiftKey[] = "spreadShift";
const char kHighQualityReductionKey[] = "highQualityReduction";

ViewerOptions readViewerOptions(const Settings& settings)
{
    const ViewerOptions defaults;
    ViewerOptions options;
    options.resume = settings.getBool(kResumeKey, defaults.resume);
    options.naturalOrder = settings.getBool(kNaturalOrderKey, defaults.naturalOrder);
    options.binding = static_cast<int>(settings.getInt(kBindingKey, defaults.binding, 0, 1));
    options.spreadShift =
        static_cast<int>(settings.getInt(kSpreadShiftKey, defaults.spreadShift, 0, 1));
    options.highQualityReduction = static_cast<int>(
        settings.getInt(kHighQualityReductionKey, defaults.highQualityReduction, 0, 1));
    return options;
}

void writeViewerOptions(Settings& settings, const ViewerOptions& options)
{
    settings.setBool(kResumeKey, options.resume);
    settings.setBool(kNaturalOrderKey, options.naturalOrder);
    settings.setInt(kBindingKey, options.binding);
    settings.setInt(kSpreadShiftKey, options.spreadShift);
    settings.setInt(kHighQualityReductionKey, options.highQualityReduction);
}
