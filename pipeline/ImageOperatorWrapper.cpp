#include "ImageOperatorWrapper.h"

#include <FL/filename.H>
#include <sys/stat.h>

#include <opencv2/core.hpp>

#include <algorithm>

#include "pipeline/Decoders.h"
#include "pipeline/PluginRegistry.h"
#include "platform/Diagnostics.h"
#include "platform/FileOps.h"
#include "platform/NameOrder.h"

ImageOperatorWrapper::ImageOperatorWrapper(const std::string& name)
{
    cv::setUseOptimized(true);
    path = fullPath(name);
    list();
    // A listing that failed half-way (a ZIP directory record that cannot be read) leaves what
    // it had read; a book that is not valid has no pages, so nothing can show or read them.
    if (!valid)
        pages.clear();
}

void ImageOperatorWrapper::list()
{
    // A FIFO or a device named like a book would block the first read for ever.
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) {
        debugPrint("%s is neither a file nor a folder\n", path.c_str());
        return;
    }
    // An archive plug-in comes first, so one that claims *.zip takes ZIP books from the
    // built-in reader.
    const int index = whichSpi(path, "AM");
    if (index >= 0) {
        plugin = pluginAt(index);
        valid = getArchiveInfo(path, &bookTime, plugin, pages);
        return;
    }
    if (isDirectory(path)) {
        valid = scanFolder(path, &bookTime, pages);
        if (valid)
            kind = BOOK_FOLDER;
        return;
    }
    if (!fl_filename_match(path.c_str(), "*.[Zz][Ii][Pp]")) {
        valid = 1; // no pages: the opener says so
        return;
    }
    valid = unzip_list(path, &bookTime, pages);
    if (valid)
        kind = BOOK_ZIP;
}

ImageOperatorWrapper::~ImageOperatorWrapper()
{
    close();
}

void ImageOperatorWrapper::close()
{
    AutoLock lock(labelLock_);
    pages.clear();
    valid = 0;
}

int ImageOperatorWrapper::extract(int page, MemoryBlock& block, SpiProgress progress)
{
    if (!valid)
        return 0;
    bool ok = false;
    if (page >= 0 && static_cast<size_t>(page) < pages.size()) {
        const PageEntry& entry = pages[static_cast<size_t>(page)];
        if (entry.size > kMaxPageBytes)
            debugPrint("%s: %u bytes is past the page size cap\n", entry.name.c_str(), entry.size);
        else if (plugin != nullptr)
            ok = extractWithPlugin(plugin, path, entry, block, progress);
        else if (kind == BOOK_FOLDER)
            ok = readFolderPage(joinPath(path, entry.name), entry.size, block);
        else
            ok = unzip_file(path, entry, block) == 0;
    }
    if (!ok) {
        block.reset();
        debugPrint("ImageOperatorWrapper::extract(%d) failed\n", page);
        return 0;
    }
    return 1;
}

void ImageOperatorWrapper::setSizeLabel(int width, int page, int height)
{
    AutoLock lock(labelLock_);
    if (page < 0 || static_cast<size_t>(page) >= pages.size())
        return;
    PageEntry& entry = pages[static_cast<size_t>(page)];
    if (entry.label.empty())
        entry.label = entry.name + "(" + std::to_string(width) + "x" + std::to_string(height) + ")";
}

std::string ImageOperatorWrapper::labelOf(int page) const
{
    AutoLock lock(labelLock_);
    if (page < 0 || static_cast<size_t>(page) >= pages.size())
        return std::string();
    const PageEntry& entry = pages[static_cast<size_t>(page)];
    return entry.label.empty() ? entry.name : entry.label;
}

void filterPages(std::vector<PageEntry>& pages)
{
    size_t kept = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        const std::string& name = pages[i].name;
        const int index = whichSpi(name, "IN");
        bool keep;
        if (index < 0) {
            debugPrint("%sを開くSPI無し\n", name.c_str());
            keep = isJpegName(name);
        } else {
            const SpiPlugin* plugin = pluginAt(index);
            debugPrint("%sは、%sで開ける\n", name.c_str(),
                       plugin != nullptr ? plugin->fileName.c_str() : "");
            keep = true;
        }
        if (keep) {
            if (kept != i)
                pages[kept] = std::move(pages[i]);
            ++kept;
        }
    }
    pages.resize(kept);
}

namespace {

// The name order is read once per sort: a switch halfway through must not change the
// comparison under std::sort's feet.
struct NameBefore {
    bool natural = naturalNameOrder();
    bool operator()(const PageEntry& a, const PageEntry& b) const
    {
        return compareNames(a.name, b.name, natural) < 0;
    }
};

} // namespace

void sortPages(std::vector<PageEntry>& pages)
{
    std::sort(pages.begin(), pages.end(), NameBefore());
}

void sortPagesStable(std::vector<PageEntry>& pages)
{
    std::stable_sort(pages.begin(), pages.end(), NameBefore());
}
