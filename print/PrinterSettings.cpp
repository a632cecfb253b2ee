#include "print/PrinterSettings.h"

#include <algorithm>
#include <cstdio>

#include "platform/Diagnostics.h"
#include "platform/Dialogs.h"
#include "print/PrintException.h"

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

void choosePrinter(PrintSettings& settings, const std::vector<std::string>& printers)
{
    if (!settings.printerName.empty() && contains(printers, settings.printerName))
        return;
    if (!settings.printerName.empty())
        debugPrint("printer %s is gone\n", settings.printerName.c_str());
    std::string name = getDefaultPrinter();
    if (name.empty())
        throw PrintException(2607, "no default printer");
    settings.printerName = name;
    loadDefaultDevmode(settings);
}

} // namespace

bool preparePrintDialog(PrintSettings& settings, std::vector<std::string>& printers,
                        const void* owner)
{
    const PrinterList list = listPrinters();
    printers = list.names;
    if (!list.serverAnswered)
        tracePrintException(PrintException(2588, list.error));
    if (printers.empty()) {
        reportError(owner, "プリンタがインストールされていません\n");
        return false;
    }
    try {
        choosePrinter(settings, printers);
    } catch (const PrintException& e) {
        tracePrintException(e);
        return false;
    }
    return true;
}

void loadDefaultDevmode(PrintSettings& settings)
{
    try {
        settings.printerDevmode =
            readPrinterDefaults(settings.printerName, settings.paperOrientation);
        const DeviceMode& m = settings.printerDevmode;
        debugPrint("DEVMODE %s %s %dx%d color=%d %ddpi %s\n", m.printerName.c_str(),
                   m.mediaName.c_str(), m.paperWidth / 10, m.paperLength / 10, m.color,
                   m.xResolution, m.duplex.c_str());
    } catch (const PrintException& e) {
        tracePrintException(e);
    }
}

bool printerChosen(PrintSettings& settings, const std::string& name)
{
    debugPrint("Mekuri::printerChosen(%s) called\n", name.c_str());
    if (name == settings.printerName)
        return false;
    settings.printerName = name;
    loadDefaultDevmode(settings);
    if (settings.printerDevmode.printerName == name)
        settings.paperOrientation = settings.printerDevmode.orientation == 1 ? 1 : 2;
    return true;
}

bool binarisationGroupActive(const PrintSettings& settings, bool binariseOnColourPrinter)
{
    return !settings.colourPrinter() || binariseOnColourPrinter;
}

void setPaperOrientation(PrintSettings& settings, int orientation, const void* owner)
{
    settings.paperOrientation = orientation;
    try {
        DeviceMode& mode = settings.printerDevmode;
        if (mode.empty())
            throw PrintException(2816, settings.printerName + ": no settings record");
        if (mode.printerName != settings.printerName) {
            reportError(owner, "異常 printerDevmode.size() mismatch.\n");
            throw PrintException(2820, "settings record of " + mode.printerName);
        }
        if (orientation != 1 && orientation != 2)
            throw PrintException(2827, "orientation " + std::to_string(orientation));
        mode.orientation = orientation;
    } catch (const PrintException& e) {
        tracePrintException(e);
    }
}

std::optional<std::string> showPrinterInfo(const PrintSettings& settings)
{
    const DeviceMode& mode = settings.printerDevmode;
    if (mode.empty())
        return std::nullopt;
    char text[256];
    if (mode.color == 1 || mode.color == 2)
        std::snprintf(text, sizeof text, "プリンタの解像度: %d x %d\n色: %s", mode.printableWidth(),
                      mode.printableHeight(), mode.color == 1 ? "モノクロ" : "カラー");
    else
        std::snprintf(text, sizeof text, "プリンタの解像度: %d x %d\n色: %d", mode.printableWidth(),
                      mode.printableHeight(), mode.color);
    return std::string(text);
}

std::unique_ptr<PrinterPropertiesEdit> editPrinterProperties(const PrintSettings& settings,
                                                             const std::string& name)
{
    try {
        PrinterCapabilities caps = readPrinterCapabilities(name, 2713);
        DeviceMode start = name == settings.printerName && !settings.printerDevmode.empty()
                               ? settings.printerDevmode
                               : readPrinterDefaults(name, settings.paperOrientation);
        return std::make_unique<PrinterPropertiesEdit>(name, std::move(start), std::move(caps));
    } catch (const PrintException& e) {
        tracePrintException(e);
        return nullptr;
    }
}

void applyPrinterProperties(PrintSettings& settings, const PrinterPropertiesEdit& edit)
{
    settings.printerName = edit.printer();
    settings.printerDevmode = edit.mode();
    settings.printerDevmode.printerName = edit.printer();
    const DeviceMode& m = settings.printerDevmode;
    debugPrint("変更DEVMODE %d %d %dx%d %dx%d\n", m.orientation, m.paperSizeCode(),
               m.paperLength / 10, m.paperWidth / 10, m.printableWidth(), m.printableHeight());
    settings.paperOrientation = m.orientation == 1 ? 1 : 2;
}
