#include "FolderList.h"

#include <FL/filename.H>

namespace {

// Owns the toolkit's listing.
class DirentList {
  public:
    explicit DirentList(const std::string& folder)
        : count_(fl_filename_list(folder.c_str(), &list_, fl_casenumericsort))
    {
    }
    ~DirentList()
    {
        if (count_ >= 0 && list_ != nullptr)
            fl_filename_free_list(&list_, count_);
    }
    DirentList(const DirentList&) = delete;
    DirentList& operator=(const DirentList&) = delete;

    int count() const { return count_; }
    const char* name(int i) const { return list_[i]->d_name; }

  private:
    dirent** list_ = nullptr;
    int count_;
};

} // namespace

bool listFolder(const std::string& folder, std::vector<FolderName>& names)
{
    names.clear();
    const DirentList list(folder);
    if (list.count() < 0)
        return false;
    names.reserve(static_cast<size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i) {
        std::string name = list.name(i);
        const bool isFolder = !name.empty() && name.back() == '/';
        if (isFolder)
            name.pop_back();
        names.push_back({std::move(name), isFolder});
    }
    return true;
}
