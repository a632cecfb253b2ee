#include "app/PrintDialogAnswer.h"

#include <cstdlib>
#include <functional>
#include <map>

#include "print/PrinterSettings.h"

namespace {

// Splits "a=1;b;c=x=y" into items; an item without '=' has an empty value and `bare` set.
struct Item {
    std::string key;
    std::string value;
    bool bare = false;
};

std::vector<Item> items(const std::string& text)
{
    std::vector<Item> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string part = text.substr(start, end - start);
        if (!part.empty()) {
            Item item;
            const size_t eq = part.find('=');
            item.key = part.substr(0, eq);
            item.bare = eq == std::string::npos;
            if (!item.bare)
                item.value = part.substr(eq + 1);
            out.push_back(item);
        }
        start = end + 1;
    }
    return out;
}

// A decimal number made of digits only, within [low, high].
bool number(const std::string& text, int low, int high, int& value)
{
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::atoi(text.c_str());
    return value >= low && value <= high;
}

bool allDigits(const std::string& text)
{
    return !text.empty() && text.size() <= 6 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// One key's reader: true when the value was taken.
using Reader = std::function<bool(const Item&)>;

Reader intReader(std::optional<int>& field, int low, int high)
{
    return [&field, low, high](const Item& item) {
        int v = 0;
        if (item.bare || !number(item.value, low, high, v))
            return false;
        field = v;
        return true;
    };
}

Reader boolReader(std::optional<bool>& field)
{
    return [&field](const Item& item) {
        int v = 0;
        if (item.bare || !number(item.value, 0, 1, v))
            return false;
        field = v == 1;
        return true;
    };
}

Reader textReader(std::optional<std::string>& field, bool allowEmpty)
{
    return [&field, allowEmpty](const Item& item) {
        if (item.bare || (!allowEmpty && item.value.empty()))
            return false;
        field = item.value;
        return true;
    };
}

bool readAll(const std::string& text, const std::map<std::string, Reader>& readers,
             std::string& error)
{
    for (const Item& item : items(text)) {
        const auto reader = readers.find(item.key);
        if (reader == readers.end()) {
            error = "unknown choice \"" + item.key + "\"";
            return false;
        }
        if (!reader->second(item)) {
            error = "bad value for \"" + item.key + "\"";
            return false;
        }
    }
    return true;
}

bool chooseByIndexOrName(const std::string& value, int count, const std::function<bool(int)>& named,
                         const std::function<bool(int)>& choose)
{
    if (allDigits(value))
        return choose(std::atoi(value.c_str()));
    for (int i = 0; i < count; ++i)
        if (named(i))
            return choose(i);
    return false;
}

} // namespace

bool parsePrintDialogChoices(const std::string& text, PrintDialogChoices& c, std::string& error)
{
    c = PrintDialogChoices();
    const std::map<std::string, Reader> readers = {
        {"printer", textReader(c.printer, false)},
        {"properties",
         [&c](const Item& item) {
             int v = 1;
             if (!item.bare && !number(item.value, 0, 1, v))
                 return false;
             c.properties = v == 1;
             return true;
         }},
        {"range", intReader(c.range, 0, 2)},
        {"pages", textReader(c.pages, true)},
        {"filter", intReader(c.filter, 0, 2)},
        {"layout", intReader(c.layout, 0, 2)},
        {"first", boolReader(c.firstPageAlone)},
        {"booklet", boolReader(c.booklet)},
        {"dither", intReader(c.dither, 0, 5)},
        {"nup", intReader(c.nup, 0, 4)},
        {"exclude", boolReader(c.excludeColourPages)},
        {"binarise", boolReader(c.binariseOnColourPrinter)},
        {"orient", intReader(c.orientation, 1, 2)},
    };
    return readAll(text, readers, error);
}

std::string encodePrintDialogChoices(const PrintSettings& s)
{
    std::string text;
    const auto add = [&text](const char* key, const std::string& value) {
        if (!text.empty())
            text += ';';
        text += key;
        text += '=';
        text += value;
    };
    if (!s.printerName.empty())
        add("printer", s.printerName);
    add("range", std::to_string(s.printRange));
    add("pages", s.pageSpec);
    add("filter", std::to_string(s.sheetFilter));
    add("layout", std::to_string(s.printLayout));
    add("first", s.firstPageAlone ? "1" : "0");
    add("booklet", s.booklet ? "1" : "0");
    add("dither", std::to_string(s.ditherMode));
    add("nup", std::to_string(s.nupIndex));
    add("exclude", s.excludeColourPages ? "1" : "0");
    add("binarise", s.binariseOnColourPrinter ? "1" : "0");
    add("orient", std::to_string(s.paperOrientation == 1 ? 1 : 2));
    return text;
}

bool parsePrinterPropertiesChoices(const std::string& text, PrinterPropertiesChoices& c,
                                   std::string& error)
{
    c = PrinterPropertiesChoices();
    const std::map<std::string, Reader> readers = {
        {"media", textReader(c.media, false)},      {"color", intReader(c.color, 1, 2)},
        {"sides", textReader(c.sides, false)},      {"resolution", textReader(c.resolution, false)},
        {"orient", intReader(c.orientation, 1, 2)},
    };
    return readAll(text, readers, error);
}

bool applyPrinterPropertiesChoices(PrinterPropertiesEdit& edit, const PrinterPropertiesChoices& c,
                                   std::string& error)
{
    const PrinterCapabilities& caps = edit.capabilities();
    if (c.media && !chooseByIndexOrName(
                       *c.media, static_cast<int>(caps.media.size()),
                       [&](int i) { return caps.media[i].name == *c.media; },
                       [&](int i) { return edit.chooseMedia(i); })) {
        error = "the printer has no paper \"" + *c.media + "\"";
        return false;
    }
    if (c.color && !edit.chooseColour(*c.color)) {
        error = "the printer has no colour mode " + std::to_string(*c.color);
        return false;
    }
    if (c.sides && !chooseByIndexOrName(
                       *c.sides, static_cast<int>(caps.sides.size()),
                       [&](int i) { return caps.sides[i] == *c.sides; },
                       [&](int i) { return edit.chooseSides(i); })) {
        error = "the printer has no sides \"" + *c.sides + "\"";
        return false;
    }
    if (c.resolution && !chooseByIndexOrName(
                            *c.resolution, static_cast<int>(caps.resolutions.size()),
                            [&](int i) {
                                const auto& r = caps.resolutions[i];
                                return std::to_string(r.first) + "x" + std::to_string(r.second) ==
                                       *c.resolution;
                            },
                            [&](int i) { return edit.chooseResolution(i); })) {
        error = "the printer has no resolution \"" + *c.resolution + "\"";
        return false;
    }
    if (c.orientation && !edit.chooseOrientation(*c.orientation)) {
        error = "bad orientation";
        return false;
    }
    return true;
}
