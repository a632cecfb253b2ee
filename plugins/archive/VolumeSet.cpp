#include "plugins/archive/VolumeSet.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>

#include "platform/Diagnostics.h"

namespace {

// A multi-volume set never has more volumes than this; it bounds the search.
constexpr int kMaxVolumes = 9999;

bool identityOf(const std::string& path, FileIdentity& identity)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    identity.device = st.st_dev;
    identity.inode = st.st_ino;
    identity.size = st.st_size;
    identity.mtimeSeconds = st.st_mtim.tv_sec;
    identity.mtimeNanoseconds = st.st_mtim.tv_nsec;
    return true;
}

// Splits "book.part01.rar" into "book.part", the digit count 2 and ".rar". False when the
// name is not the first volume of such a set.
bool firstVolumeName(const std::string& path, std::string& stem, size_t& digits,
                     std::string& suffix)
{
    if (path.size() < 10)
        return false;
    std::string lower;
    for (char c : path)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.compare(lower.size() - 4, 4, ".rar") != 0)
        return false;
    size_t end = path.size() - 4;
    size_t begin = end;
    while (begin > 0 && std::isdigit(static_cast<unsigned char>(path[begin - 1])))
        --begin;
    if (begin == end || begin < 5 || lower.compare(begin - 5, 5, ".part") != 0)
        return false;
    for (size_t i = begin; i + 1 < end; ++i) {
        if (path[i] != '0')
            return false;
    }
    if (path[end - 1] != '1')
        return false;
    stem = path.substr(0, begin);
    digits = end - begin;
    suffix = path.substr(end);
    return true;
}

} // namespace

bool FileIdentity::operator==(const FileIdentity& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           mtimeSeconds == other.mtimeSeconds && mtimeNanoseconds == other.mtimeNanoseconds;
}

bool VolumeSet::operator==(const VolumeSet& other) const
{
    return paths == other.paths && identities == other.identities;
}

bool findVolumes(const std::string& path, VolumeSet& volumes)
{
    volumes = VolumeSet();
    FileIdentity identity;
    if (!identityOf(path, identity)) {
        debugPrint("mekuri_archive: %s is not a readable file\n", path.c_str());
        return false;
    }
    volumes.paths.push_back(path);
    volumes.identities.push_back(identity);
    std::string stem, suffix;
    size_t digits = 0;
    if (!firstVolumeName(path, stem, digits, suffix))
        return true;
    for (int number = 2; number <= kMaxVolumes; ++number) {
        char text[16];
        std::snprintf(text, sizeof text, "%0*d", static_cast<int>(digits), number);
        const std::string next = stem + text + suffix;
        if (!identityOf(next, identity))
            break;
        volumes.paths.push_back(next);
        volumes.identities.push_back(identity);
    }
    return true;
}
