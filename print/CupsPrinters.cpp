#include "print/CupsPrinters.h"

#include <cstdlib>
#include <cstring>

#include "platform/Diagnostics.h"
#include "print/CupsHandles.h"
#include "print/PrintException.h"

namespace {

struct DestSession {
    CupsDestHolder dest;
    CupsDestInfoHolder info;
};

std::string lastCupsError()
{
    const char* text = cupsLastErrorString();
    return text && *text ? text : "no answer from the print server";
}

DestSession openDest(const std::string& name, int openLocation, int infoLocation)
{
    DestSession s;
    s.dest.reset(cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr));
    if (!s.dest)
        throw PrintException(openLocation, name + ": " + lastCupsError());
    s.info.reset(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, s.dest.get()));
    if (!s.info)
        throw PrintException(infoLocation, name + ": " + lastCupsError());
    return s;
}

ipp_attribute_t* supported(const DestSession& s, const char* option)
{
    return cupsFindDestSupported(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(), option);
}

ipp_attribute_t* byDefault(const DestSession& s, const char* option)
{
    return cupsFindDestDefault(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(), option);
}

std::vector<std::string> keywords(ipp_attribute_t* attr)
{
    std::vector<std::string> values;
    for (int i = 0; attr && i < ippGetCount(attr); ++i)
        if (const char* v = ippGetString(attr, i, nullptr))
            values.push_back(v);
    return values;
}

// print-color-mode-supported (made from the PPD's ColorModel for driver queues) decides;
// without it the colour bit of printer-type.
bool colourCapable(const DestSession& s)
{
    if (ipp_attribute_t* modes = supported(s, "print-color-mode")) {
        for (const std::string& mode : keywords(modes))
            if (mode == "color")
                return true;
        return false;
    }
    const char* type = cupsGetOption("printer-type", s.dest->num_options, s.dest->options);
    return type && (std::strtol(type, nullptr, 10) & CUPS_PRINTER_COLOR);
}

bool dotsPerInch(ipp_attribute_t* attr, int index, int* x, int* y)
{
    if (!attr || ippGetValueTag(attr) != IPP_TAG_RESOLUTION || index >= ippGetCount(attr))
        return false;
    ipp_res_t units;
    int yres = 0;
    int xres = ippGetResolution(attr, index, &yres, &units);
    if (units == IPP_RES_PER_CM) {
        xres = (xres * 254 + 50) / 100;
        yres = (yres * 254 + 50) / 100;
    }
    if (xres < 1 || yres < 1 || xres > 9600 || yres > 9600)
        return false;
    *x = xres;
    *y = yres;
    return true;
}

void applySize(DeviceMode& mode, const cups_size_t& size)
{
    mode.mediaName = size.media;
    mode.paperWidth = size.width;
    mode.paperLength = size.length;
    mode.marginLeft = size.left;
    mode.marginRight = size.right;
    mode.marginTop = size.top;
    mode.marginBottom = size.bottom;
}

// The default media by name first: cupsGetDestMediaDefault may answer Letter for a printer
// whose default is A4.
void readMedia(const DestSession& s, DeviceMode& mode)
{
    cups_size_t size;
    ipp_attribute_t* media = byDefault(s, CUPS_MEDIA);
    const char* name = media ? ippGetString(media, 0, nullptr) : nullptr;
    if (name && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(), name,
                                       CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        applySize(mode, size);
        return;
    }
    if (cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(),
                                CUPS_MEDIA_FLAGS_DEFAULT, &size)) {
        applySize(mode, size);
        return;
    }
    debugPrint("%s names no media: A4 assumed\n", mode.printerName.c_str());
    mode.mediaName = "iso_a4_210x297mm";
    mode.paperWidth = 21000;
    mode.paperLength = 29700;
    mode.marginLeft = mode.marginRight = mode.marginTop = mode.marginBottom = 0;
}

std::string mediaLabel(const DestSession& s, cups_size_t& size)
{
    std::string label;
    if (const char* local = cupsLocalizeDestMedia(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(),
                                                  CUPS_MEDIA_FLAGS_DEFAULT, &size))
        label = local;
    if (label.empty()) {
        pwg_media_t* pwg = pwgMediaForPWG(size.media);
        if (!pwg)
            pwg = pwgMediaForSize(size.width, size.length);
        label = pwg && pwg->ppd ? pwg->ppd : size.media;
    }
    if (!size.left && !size.right && !size.top && !size.bottom)
        label += " (フチなし)";
    return label;
}

} // namespace

PrinterList listPrinters()
{
    PrinterList list;
    CupsDestList dests;
    const int n = dests.load();
    const ipp_status_t status = cupsLastError();
    // An empty list from a server that answered is "no printers"; an empty list with a
    // transport error means no server.
    list.serverAnswered =
        n > 0 || status <= IPP_STATUS_OK_EVENTS_COMPLETE || status == IPP_STATUS_ERROR_NOT_FOUND;
    if (!list.serverAnswered)
        list.error = lastCupsError();
    for (int i = 0; i < n; ++i) {
        const cups_dest_t& d = dests.dests()[i];
        if (d.instance) // instances are saved option sets of a printer listed already
            continue;
        list.names.push_back(d.name);
    }
    return list;
}

std::string getDefaultPrinter()
{
    CupsDestList dests;
    const int n = dests.load();
    if (n <= 0) {
        debugPrint("no default printer: %s\n", lastCupsError().c_str());
        return std::string();
    }
    const cups_dest_t* chosen = cupsGetDest(nullptr, nullptr, n, dests.dests());
    if (!chosen) {
        for (int i = 0; i < n && !chosen; ++i)
            if (!dests.dests()[i].instance)
                chosen = &dests.dests()[i];
    }
    if (!chosen)
        chosen = &dests.dests()[0];
    debugPrint("(CUPS) default printer=%s\n", chosen->name);
    return chosen->name;
}

DeviceMode readPrinterDefaults(const std::string& name, int orientation)
{
    const DestSession s = openDest(name, 2673, 2680);
    DeviceMode mode;
    mode.printerName = name;
    readMedia(s, mode);
    mode.orientation = orientation == 2 ? 2 : 1;
    mode.color = colourCapable(s) ? 2 : 1;
    int x = 600, y = 600;
    mode.resolutionNamed = dotsPerInch(byDefault(s, "printer-resolution"), 0, &x, &y) ||
                           dotsPerInch(supported(s, "printer-resolution"), 0, &x, &y);
    mode.xResolution = x;
    mode.yResolution = y;
    ipp_attribute_t* sides = byDefault(s, CUPS_SIDES);
    const char* side = sides ? ippGetString(sides, 0, nullptr) : nullptr;
    mode.duplex = side ? side : CUPS_SIDES_ONE_SIDED;
    return mode;
}

PrinterCapabilities readPrinterCapabilities(const std::string& name, int location)
{
    const DestSession s = openDest(name, location, location);
    PrinterCapabilities caps;
    const int count = cupsGetDestMediaCount(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(),
                                            CUPS_MEDIA_FLAGS_DEFAULT);
    for (int i = 0; i < count; ++i) {
        cups_size_t size;
        if (!cupsGetDestMediaByIndex(CUPS_HTTP_DEFAULT, s.dest.get(), s.info.get(), i,
                                     CUPS_MEDIA_FLAGS_DEFAULT, &size))
            continue;
        MediaChoice m;
        m.name = size.media;
        m.label = mediaLabel(s, size);
        m.width = size.width;
        m.length = size.length;
        m.left = size.left;
        m.right = size.right;
        m.top = size.top;
        m.bottom = size.bottom;
        caps.media.push_back(m);
    }
    caps.colourSupported = colourCapable(s);
    caps.sides = keywords(supported(s, CUPS_SIDES));
    if (caps.sides.empty())
        caps.sides.push_back(CUPS_SIDES_ONE_SIDED);
    ipp_attribute_t* res = supported(s, "printer-resolution");
    for (int i = 0; res && i < ippGetCount(res); ++i) {
        int x = 0, y = 0;
        if (dotsPerInch(res, i, &x, &y))
            caps.resolutions.emplace_back(x, y);
    }
    return caps;
}

std::string sidesLabel(const std::string& keyword)
{
    if (keyword == CUPS_SIDES_ONE_SIDED)
        return "片面";
    if (keyword == CUPS_SIDES_TWO_SIDED_PORTRAIT)
        return "両面 (長辺とじ)";
    if (keyword == CUPS_SIDES_TWO_SIDED_LANDSCAPE)
        return "両面 (短辺とじ)";
    return keyword;
}
