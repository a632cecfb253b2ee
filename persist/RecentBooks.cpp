#include "RecentBooks.h"

#include <algorithm>

#include "persist/LineFormat.h"
#include "persist/WholeFile.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"

namespace {

const char kHeader[] = "mekuri recent 1";

const char* kindWord(RecentKind kind)
{
    return kind == RecentKind::book ? "book" : "catalog";
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool fitsLine(const std::string& path)
{
    return !path.empty() && escapeField(path).size() + 8 <= kMaxLineBytes;
}

std::string displayName(const std::string& path)
{
    const std::string name = lastComponent(path);
    return name.empty() ? path : name;
}

bool contains(const std::vector<RecentEntry>& entries, const RecentEntry& entry)
{
    return std::any_of(entries.begin(), entries.end(), [&entry](const RecentEntry& e) {
        return e.path == entry.path && e.kind == entry.kind;
    });
}

// Keeps the first (most recent) of entries with the same path and kind.
void dropRepeats(std::vector<RecentEntry>& entries)
{
    std::vector<RecentEntry> kept;
    for (RecentEntry& e : entries) {
        if (!contains(kept, e))
            kept.push_back(std::move(e));
    }
    entries.swap(kept);
}

} // namespace

RecentBooks::RecentBooks(size_t capacity) : capacity_(capacity)
{
}

bool RecentBooks::load(const std::string& file)
{
    entries_.clear();
    std::string text;
    const ReadResult result = readWholeFile(file, text);
    if (result == ReadResult::missing)
        debugPrint("recent: no file %s yet\n", file.c_str());
    if (result != ReadResult::read)
        return false;
    if (!decode(text)) {
        debugPrint("warning: %s is not a recent list, ignored\n", file.c_str());
        return false;
    }
    return true;
}

bool RecentBooks::save(const std::string& file) const
{
    return writeWholeFile(file, encode());
}

std::string RecentBooks::encode() const
{
    std::string text = std::string(kHeader) + "\n";
    for (const RecentEntry& e : entries_)
        text += std::string(kindWord(e.kind)) + "\t" + escapeField(e.path) + "\n";
    return text;
}

bool RecentBooks::decode(const std::string& text)
{
    std::vector<std::string> lines;
    size_t dropped = 0;
    if (!splitRecordLines(text, kHeader, lines, &dropped))
        return false;
    entries_.clear();
    std::vector<std::string> fields;
    for (const std::string& line : lines) {
        if (entries_.size() >= capacity_)
            break;
        RecentEntry e;
        const bool parsed = splitFields(line, '\t', 2, fields) &&
                            (fields[0] == "book" || fields[0] == "catalog") &&
                            unescapeField(fields[1], e.path) && !e.path.empty();
        if (!parsed) {
            ++dropped;
            continue;
        }
        e.kind = fields[0] == "book" ? RecentKind::book : RecentKind::catalogFolder;
        if (!contains(entries_, e))
            entries_.push_back(std::move(e));
    }
    if (dropped > 0)
        debugPrint("recent: %zu garbled lines ignored\n", dropped);
    return true;
}

void RecentBooks::add(const std::string& path, RecentKind kind)
{
    const std::string kept = withoutTrailingSlashes(path);
    if (!fitsLine(kept)) {
        debugPrint("recent: path empty or too long, not kept\n");
        return;
    }
    remove(kept, kind);
    entries_.insert(entries_.begin(), RecentEntry{kept, kind});
    if (entries_.size() > capacity_)
        entries_.resize(capacity_);
}

bool RecentBooks::remove(const std::string& path, RecentKind kind)
{
    const std::string kept = withoutTrailingSlashes(path);
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const RecentEntry& e) {
        return e.path == kept && e.kind == kind;
    });
    if (found == entries_.end())
        return false;
    entries_.erase(found);
    return true;
}

void RecentBooks::rename(const std::string& from, const std::string& to)
{
    const std::string oldPath = withoutTrailingSlashes(from);
    const std::string newPath = withoutTrailingSlashes(to);
    if (!fitsLine(newPath)) {
        remove(oldPath, RecentKind::book);
        remove(oldPath, RecentKind::catalogFolder);
        return;
    }
    for (RecentEntry& e : entries_) {
        if (e.path == oldPath)
            e.path = newPath;
    }
    dropRepeats(entries_);
}

std::vector<std::string> RecentBooks::menuLabels() const
{
    std::vector<std::string> labels;
    for (const RecentEntry& e : entries_) {
        const std::string name = displayName(e.path);
        const bool shared =
            std::any_of(entries_.begin(), entries_.end(), [&](const RecentEntry& o) {
                return &o != &e && displayName(o.path) == name;
            });
        std::string label = name;
        if (shared)
            label += " (" + withoutTrailingSlashes(folderOf(e.path)) + ")";
        labels.push_back(menuItemLabel(label));
    }
    return labels;
}

std::string menuItemLabel(const std::string& text)
{
    std::string label;
    label.reserve(text.size());
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '&' || c == '@')
            label += ch; // doubled: shown as one
        if (c < 0x20 || c == 0x7F)
            label += '?';
        else
            label += ch;
    }
    return label;
}
