#include "DropRules.h"

#include "platform/Text.h"

#include <limits.h>
#include <strings.h>

namespace {

// Enough of a URI to recognise it in a trace line, which holds 1024 bytes.
std::string shown(const std::string& text)
{
    return text.size() > 300 ? text.substr(0, 300) + "..." : text;
}

DroppedPath refused(const std::string& line)
{
    DroppedPath result;
    result.refusal = line + "\n";
    return result;
}

// Decodes %XX escapes; false for a malformed one, and for NUL or "/", which would end the
// path early or change where it leads.
bool percentDecode(const std::string& in, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '%') {
            out += in[i];
            continue;
        }
        const int high = i + 2 < in.size() ? hexDigitValue(in[i + 1]) : -1;
        const int low = i + 2 < in.size() ? hexDigitValue(in[i + 2]) : -1;
        if (high < 0 || low < 0)
            return false;
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0' || byte == '/')
            return false;
        out += byte;
        i += 2;
    }
    return true;
}

bool isLocalHost(const std::string& host, const std::string& localHost)
{
    return host.empty() || strcasecmp(host.c_str(), "localhost") == 0 ||
           (!localHost.empty() && strcasecmp(host.c_str(), localHost.c_str()) == 0);
}

DroppedPath fromFileUri(const std::string& uri, const std::string& localHost)
{
    std::string rest = uri.substr(5); // after "file:"
    if (rest.compare(0, 2, "//") == 0) {
        rest.erase(0, 2);
        const size_t slash = rest.find('/');
        const std::string host = rest.substr(0, slash);
        if (!isLocalHost(host, localHost))
            return refused("drop refused: file://" + shown(rest) + " is on another host");
        rest = slash == std::string::npos ? std::string() : rest.substr(slash);
    }
    DroppedPath result;
    if (rest.empty() || rest[0] != '/' || !percentDecode(rest, result.path))
        return refused("drop refused: " + shown(uri) + " is not a usable file URI");
    return result;
}

} // namespace

DroppedPath parseDroppedList(const std::string& text, const std::string& localHost)
{
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        DroppedPath result;
        if (strncasecmp(line.c_str(), "file:", 5) == 0)
            result = fromFileUri(line, localHost);
        else if (line[0] == '/')
            result.path = line;
        else
            return refused("drop refused: " + shown(line) + " is not a local file");
        if (result.path.size() >= PATH_MAX)
            return refused("drop refused: " + shown(line) + " is too long a path");
        return result;
    }
    return DroppedPath();
}
