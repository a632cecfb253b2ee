#include "NextBook.h"

#include <algorithm>
#include <vector>

#include "catalog/CatalogSync.h"
#include "pipeline/Decoders.h"
#include "pipeline/FolderList.h"
#include "pipeline/PluginRegistry.h"
#include "platform/FileOps.h"
#include "platform/NameOrder.h"

namespace {

struct Candidate {
    std::string name;
    bool isFolder;
};

// The name order made total: names the order finds equal ("a.zip", "A.ZIP") by their bytes.
int compareTotal(const std::string& a, const std::string& b, bool natural)
{
    const int order = compareNames(a, b, natural);
    if (order != 0)
        return order;
    return a.compare(b);
}

// Every archive and folder of `folder` on the side of `from` the step goes to; the folders'
// pages are looked for later, only as far as the step needs.
std::vector<Candidate> candidatesBeyond(const std::string& folder, const std::string& from,
                                        bool forward, bool natural, const std::string& skip)
{
    std::vector<Candidate> candidates;
    std::vector<FolderName> names;
    if (!listFolder(folder, names))
        return candidates;
    for (const FolderName& entry : names) {
        if (entry.name == "." || entry.name == ".." || entry.name == skip)
            continue;
        const int side = compareTotal(entry.name, from, natural);
        if (forward ? side <= 0 : side >= 0)
            continue;
        if (entry.isFolder ? isDirectory(joinPath(folder, entry.name))
                           : isCatalogArchive(entry.name, folder))
            candidates.push_back({entry.name, entry.isFolder});
    }
    std::sort(candidates.begin(), candidates.end(),
              [natural, forward](const Candidate& a, const Candidate& b) {
                  const int order = compareTotal(a.name, b.name, natural);
                  return forward ? order < 0 : order > 0;
              });
    return candidates;
}

} // namespace

bool folderHoldsPage(const std::string& path)
{
    std::vector<FolderName> names;
    if (!listFolder(path, names))
        return false;
    for (const FolderName& entry : names) {
        if (entry.isFolder)
            continue;
        // The decoders' own rule (filterPages), without its trace line for every name.
        if (whichSpi(entry.name, "IN") >= 0 || isJpegName(entry.name))
            return true;
    }
    return false;
}

std::string neighbourBookName(const std::string& folder, const std::string& from, bool forward,
                              bool natural, const std::string& skip)
{
    for (const Candidate& c : candidatesBeyond(folder, from, forward, natural, skip)) {
        if (!c.isFolder || folderHoldsPage(joinPath(folder, c.name)))
            return c.name;
    }
    return std::string();
}
