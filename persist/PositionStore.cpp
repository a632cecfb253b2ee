#include "PositionStore.h"

#include <algorithm>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <unordered_set>

#include "persist/LineFormat.h"
#include "persist/WholeFile.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"

namespace {

const char kHeader[] = "mekuri positions 1";

// Room the numbers of a line take besides the path: three numbers of up to 20 characters and
// three tabs.
constexpr size_t kNumbersBytes = 3 * 20 + 3;

// A folder book is the same book with or without a slash after its name.
std::string keyPath(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool fitsLine(const std::string& path)
{
    return !path.empty() && escapeField(path).size() + kNumbersBytes <= kMaxLineBytes;
}

// A folder's own time changes with every file made in it, a catalog file saved there too: the
// folder book is told by the files that belong to it, their count and the newest time.
bool folderStatus(const std::string& path, const NotOfTheBook& notOfTheBook, int64_t* count,
                  int64_t* newest)
{
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return false;
    *count = 0;
    *newest = 0;
    const std::string folder = path.back() == '/' ? path : path + "/";
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || (notOfTheBook && notOfTheBook(name)))
            continue;
        struct stat st;
        if (lstat((folder + name).c_str(), &st) != 0)
            continue;
        ++*count;
        *newest = std::max<int64_t>(*newest, static_cast<int64_t>(st.st_mtime));
    }
    closedir(dir);
    return true;
}

} // namespace

bool identifyBook(const std::string& path, BookIdentity& book, const NotOfTheBook& notOfTheBook)
{
    int64_t size = 0, mtime = 0;
    if (!fileStatus(path, &size, &mtime))
        return false;
    if (isDirectory(path) && !folderStatus(path, notOfTheBook, &size, &mtime))
        return false;
    book.path = path;
    book.size = size;
    book.mtime = mtime;
    return true;
}

PositionStore::PositionStore(size_t capacity) : capacity_(capacity)
{
}

bool PositionStore::load(const std::string& file)
{
    records_.clear();
    std::string text;
    const ReadResult result = readWholeFile(file, text);
    if (result == ReadResult::missing)
        debugPrint("positions: no file %s yet\n", file.c_str());
    if (result != ReadResult::read)
        return false;
    if (!decode(text)) {
        debugPrint("warning: %s is not a positions file, ignored\n", file.c_str());
        return false;
    }
    return true;
}

bool PositionStore::save(const std::string& file) const
{
    return writeWholeFile(file, encode());
}

std::string PositionStore::encode() const
{
    std::string text = std::string(kHeader) + "\n";
    for (const Record& r : records_) {
        text += std::to_string(r.page) + "\t" + std::to_string(r.size) + "\t" +
                std::to_string(r.mtime) + "\t" + escapeField(r.path) + "\n";
    }
    return text;
}

bool PositionStore::decode(const std::string& text)
{
    std::vector<std::string> lines;
    size_t dropped = 0;
    if (!splitRecordLines(text, kHeader, lines, &dropped))
        return false;
    records_.clear();
    std::unordered_set<std::string> seen;
    std::vector<std::string> fields;
    for (const std::string& line : lines) {
        if (records_.size() == capacity_)
            break;
        Record r;
        int64_t page = 0;
        if (!splitFields(line, '\t', 4, fields) || !parseInt64(fields[0], page) || page < 0 ||
            page > INT_MAX || !parseInt64(fields[1], r.size) || r.size < 0 ||
            !parseInt64(fields[2], r.mtime) || !unescapeField(fields[3], r.path) ||
            r.path.empty()) {
            ++dropped;
            continue;
        }
        r.page = static_cast<int>(page);
        // The first line of a path is its latest; a repeated one is stale.
        if (seen.insert(r.path).second)
            records_.push_back(std::move(r));
    }
    if (dropped > 0)
        debugPrint("positions: %zu garbled lines ignored\n", dropped);
    return true;
}

int PositionStore::lookup(const BookIdentity& book) const
{
    const std::string path = keyPath(book.path);
    for (const Record& r : records_) {
        if (r.path == path)
            return r.size == book.size && r.mtime == book.mtime ? r.page : -1;
    }
    return -1;
}

void PositionStore::remember(const BookIdentity& book, int lowerPage)
{
    const std::string path = keyPath(book.path);
    if (!fitsLine(path)) {
        debugPrint("positions: path empty or too long, position not kept\n");
        return;
    }
    forget(path);
    records_.insert(records_.begin(), Record{path, book.size, book.mtime, std::max(lowerPage, 0)});
    if (records_.size() > capacity_)
        records_.resize(capacity_);
}

void PositionStore::forget(const std::string& path)
{
    const auto found = find(keyPath(path));
    if (found != records_.end())
        records_.erase(found);
}

void PositionStore::rename(const std::string& from, const std::string& to)
{
    const std::string oldPath = keyPath(from);
    const std::string newPath = keyPath(to);
    if (oldPath == newPath || find(oldPath) == records_.end())
        return;
    if (!fitsLine(newPath)) {
        forget(oldPath);
        return;
    }
    forget(newPath);
    find(oldPath)->path = newPath;
}

std::vector<PositionStore::Record>::iterator PositionStore::find(const std::string& path)
{
    return std::find_if(records_.begin(), records_.end(),
                        [&path](const Record& r) { return r.path == path; });
}
