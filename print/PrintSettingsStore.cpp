#include "print/PrintSettingsStore.h"

#include "platform/Diagnostics.h"

namespace {

// Limits of a restored settings record: ten metres of paper, 9600 dots per inch.
constexpr int kMaxPaperMm100 = 1000000;
constexpr int kMaxDpi = 9600;

const char* const kDeviceModeIntKeys[] = {
    "devmode.paperWidth",  "devmode.paperLength",  "devmode.marginLeft",  "devmode.marginRight",
    "devmode.marginTop",   "devmode.marginBottom", "devmode.orientation", "devmode.color",
    "devmode.xResolution", "devmode.yResolution"};
const char* const kDeviceModeOtherKeys[] = {"devmode.printer", "devmode.media",
                                            "devmode.resolutionNamed", "devmode.duplex"};

int intValue(const Settings& s, const char* key, int fallback, int low, int high)
{
    return static_cast<int>(s.getInt(key, fallback, low, high));
}

bool knownDuplex(const std::string& sides)
{
    return sides == "one-sided" || sides == "two-sided-long-edge" ||
           sides == "two-sided-short-edge";
}

void storeDeviceMode(const DeviceMode& m, Settings& s)
{
    if (m.empty()) {
        for (const char* key : kDeviceModeIntKeys)
            s.remove(key);
        for (const char* key : kDeviceModeOtherKeys)
            s.remove(key);
        return;
    }
    s.setString("devmode.printer", m.printerName);
    s.setString("devmode.media", m.mediaName);
    const int values[] = {m.paperWidth,  m.paperLength,  m.marginLeft,  m.marginRight,
                          m.marginTop,   m.marginBottom, m.orientation, m.color,
                          m.xResolution, m.yResolution};
    for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i)
        s.setInt(kDeviceModeIntKeys[i], values[i]);
    s.setBool("devmode.resolutionNamed", m.resolutionNamed);
    s.setString("devmode.duplex", m.duplex);
}

// The record kept in `s`, or an empty one when any part is missing or out of range.
DeviceMode loadDeviceMode(const Settings& s, const std::string& printer)
{
    for (const char* key : kDeviceModeIntKeys)
        if (!s.has(key))
            return DeviceMode();
    DeviceMode m;
    m.printerName = s.getString("devmode.printer", "", 1024);
    m.mediaName = s.getString("devmode.media", "", 256);
    m.paperWidth = intValue(s, "devmode.paperWidth", 0, 1, kMaxPaperMm100);
    m.paperLength = intValue(s, "devmode.paperLength", 0, 1, kMaxPaperMm100);
    m.marginLeft = intValue(s, "devmode.marginLeft", -1, 0, kMaxPaperMm100);
    m.marginRight = intValue(s, "devmode.marginRight", -1, 0, kMaxPaperMm100);
    m.marginTop = intValue(s, "devmode.marginTop", -1, 0, kMaxPaperMm100);
    m.marginBottom = intValue(s, "devmode.marginBottom", -1, 0, kMaxPaperMm100);
    m.orientation = intValue(s, "devmode.orientation", 0, 1, 2);
    m.color = intValue(s, "devmode.color", 0, 1, 2);
    m.xResolution = intValue(s, "devmode.xResolution", 0, 1, kMaxDpi);
    m.yResolution = intValue(s, "devmode.yResolution", 0, 1, kMaxDpi);
    m.resolutionNamed = s.getBool("devmode.resolutionNamed", false);
    m.duplex = s.getString("devmode.duplex", "", 64);
    const bool whole = m.paperWidth > 0 && m.paperLength > 0 && m.marginLeft >= 0 &&
                       m.marginRight >= 0 && m.marginTop >= 0 && m.marginBottom >= 0 &&
                       m.orientation > 0 && m.color > 0 && m.xResolution > 0 && m.yResolution > 0 &&
                       knownDuplex(m.duplex);
    const bool room = whole && m.marginLeft + m.marginRight < m.paperWidth &&
                      m.marginTop + m.marginBottom < m.paperLength;
    if (!room || m.printerName.empty() || m.printerName != printer) {
        debugPrint("settings: printer settings record dropped, the printer's defaults apply\n");
        return DeviceMode();
    }
    return m;
}

} // namespace

void storePrintSettings(const PrintSettings& p, Settings& s)
{
    s.setString("print.printer", p.printerName);
    s.setInt("print.range", p.printRange);
    s.setString("print.pages", p.pageSpec);
    s.setInt("print.layout", p.printLayout);
    s.setBool("print.firstPageAlone", p.firstPageAlone);
    s.setBool("print.booklet", p.booklet);
    s.setInt("print.dither", p.ditherMode);
    s.setInt("print.nup", p.nupIndex);
    s.setBool("print.excludeColourPages", p.excludeColourPages);
    s.setBool("print.binariseOnColourPrinter", p.binariseOnColourPrinter);
    s.setInt("print.orientation", p.paperOrientation);
    s.setInt("print.sheetFilter", p.sheetFilter);
    storeDeviceMode(p.printerDevmode, s);
}

PrintSettings loadPrintSettings(const Settings& s)
{
    PrintSettings p;
    p.printerName = s.getString("print.printer", p.printerName, 1024);
    p.printRange = intValue(s, "print.range", p.printRange, 0, 2);
    p.pageSpec = s.getString("print.pages", p.pageSpec, 256);
    p.printLayout = intValue(s, "print.layout", p.printLayout, 0, 2);
    p.firstPageAlone = s.getBool("print.firstPageAlone", p.firstPageAlone);
    p.booklet = s.getBool("print.booklet", p.booklet);
    p.ditherMode = intValue(s, "print.dither", p.ditherMode, 0, 5);
    p.nupIndex = intValue(s, "print.nup", p.nupIndex, 0, 4);
    p.excludeColourPages = s.getBool("print.excludeColourPages", p.excludeColourPages);
    p.binariseOnColourPrinter =
        s.getBool("print.binariseOnColourPrinter", p.binariseOnColourPrinter);
    p.paperOrientation = intValue(s, "print.orientation", p.paperOrientation, 1, 2);
    p.sheetFilter = intValue(s, "print.sheetFilter", p.sheetFilter, 0, 2);
    if (s.has("devmode.printer"))
        p.printerDevmode = loadDeviceMode(s, p.printerName);
    if (!p.printerDevmode.empty())
        p.paperOrientation = p.printerDevmode.orientation; // the record decides, as in the dialog
    return p;
}
