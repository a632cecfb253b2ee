#include "Settings.h"

#include <vector>

#include "persist/LineFormat.h"
#include "persist/WholeFile.h"
#include "platform/Diagnostics.h"

namespace {

const char kHeader[] = "mekuri settings 1";

void traceBadValue(const std::string& key, const std::string& value)
{
    debugPrint("settings: bad value %s=%.64s, default used\n", key.c_str(),
               escapeField(value).c_str());
}

} // namespace

bool Settings::load(const std::string& path)
{
    values_.clear();
    std::string text;
    const ReadResult result = readWholeFile(path, text);
    if (result == ReadResult::missing)
        debugPrint("settings: no file %s yet\n", path.c_str());
    if (result != ReadResult::read)
        return false;
    if (!decode(text)) {
        debugPrint("warning: %s is not a settings file, ignored\n", path.c_str());
        return false;
    }
    return true;
}

bool Settings::save(const std::string& path) const
{
    return writeWholeFile(path, encode());
}

std::string Settings::encode() const
{
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [key, value] : values_)
        text += key + "=" + escapeField(value) + "\n";
    return text;
}

bool Settings::decode(const std::string& text)
{
    std::vector<std::string> lines;
    size_t dropped = 0;
    if (!splitRecordLines(text, kHeader, lines, &dropped))
        return false;
    values_.clear();
    for (const std::string& line : lines) {
        const size_t equals = line.find('=');
        std::string value;
        if (equals == std::string::npos || !acceptableKey(line.substr(0, equals)) ||
            !unescapeField(line.substr(equals + 1), value)) {
            ++dropped;
            continue;
        }
        values_[line.substr(0, equals)] = value;
    }
    if (dropped > 0)
        debugPrint("settings: %zu garbled lines ignored\n", dropped);
    return true;
}

bool Settings::getBool(const std::string& key, bool fallback) const
{
    const auto found = values_.find(key);
    if (found == values_.end())
        return fallback;
    if (found->second == "0" || found->second == "1")
        return found->second == "1";
    traceBadValue(key, found->second);
    return fallback;
}

int64_t Settings::getInt(const std::string& key, int64_t fallback, int64_t low, int64_t high) const
{
    const auto found = values_.find(key);
    if (found == values_.end())
        return fallback;
    int64_t value = 0;
    if (parseInt64(found->second, value) && value >= low && value <= high)
        return value;
    traceBadValue(key, found->second);
    return fallback;
}

std::string Settings::getString(const std::string& key, const std::string& fallback,
                                size_t maxBytes) const
{
    const auto found = values_.find(key);
    if (found == values_.end())
        return fallback;
    if (found->second.size() <= maxBytes)
        return found->second;
    traceBadValue(key, found->second);
    return fallback;
}

void Settings::setBool(const std::string& key, bool value)
{
    setString(key, value ? "1" : "0");
}

void Settings::setInt(const std::string& key, int64_t value)
{
    setString(key, std::to_string(value));
}

void Settings::setString(const std::string& key, const std::string& value)
{
    if (!acceptableKey(key)) {
        debugPrint("settings: key %.64s refused\n", escapeField(key).c_str());
        return;
    }
    // A line the reader would drop as too long is refused now rather than lost at the next start.
    if (key.size() + 1 + escapeField(value).size() > kMaxLineBytes) {
        debugPrint("settings: value of %s refused (too long)\n", key.c_str());
        return;
    }
    values_[key] = value;
}

void Settings::remove(const std::string& key)
{
    values_.erase(key);
}

bool Settings::acceptableKey(const std::string& key)
{
    if (key.empty() || key.size() > 64)
        return false;
    for (const char c : key) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}
