#pragma once

#include <dirent.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

// Helpers of the persistence tests.
namespace persisttest {

// A fresh folder under /tmp, removed with its contents on destruction.
class ScratchFolder {
  public:
    ScratchFolder()
    {
        char pattern[] = "/tmp/mekuri-persist-test-XXXXXX";
        path_ = mkdtemp(pattern) ? pattern : "";
    }
    ~ScratchFolder() { std::system(("chmod -R u+rwx " + path_ + "; rm -rf " + path_).c_str()); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline std::string slurp(const std::string& path)
{
    std::ostringstream out;
    out << std::ifstream(path, std::ios::binary).rdbuf();
    return out.str();
}

inline void spit(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

// True when no temporary of a save is left in `folder`.
inline bool noTemporariesIn(const std::string& folder)
{
    bool none = true;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir))
            none = none && std::string(e->d_name).find(".tmp-") == std::string::npos;
        closedir(dir);
    }
    return none;
}

} // namespace persisttest
