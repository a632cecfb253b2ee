#include "XdgFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/FileOps.h"

namespace {

bool absolute(const char* path)
{
    return path && path[0] == '/';
}

std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (absolute(home))
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        absolute(found->pw_dir))
        return found->pw_dir;
    return std::string();
}

std::string fileIn(const std::string& folder, const char* name)
{
    return folder.empty() ? std::string() : joinPath(folder, name);
}

} // namespace

std::string xdgProgramFolder(const char* variable, const char* homeDefault)
{
    const char* base = std::getenv(variable);
    if (absolute(base))
        return joinPath(base, "mekuri");
    const std::string home = homeFolder();
    if (home.empty())
        return std::string();
    return joinPath(joinPath(home, homeDefault), "mekuri");
}

std::string configFolder()
{
    return xdgProgramFolder("XDG_CONFIG_HOME", ".config");
}

std::string stateFolder()
{
    return xdgProgramFolder("XDG_STATE_HOME", ".local/state");
}

std::string settingsFile()
{
    return fileIn(configFolder(), "settings");
}

std::string positionsFile()
{
    return fileIn(stateFolder(), "positions");
}

std::string recentFile()
{
    return fileIn(stateFolder(), "recent");
}
