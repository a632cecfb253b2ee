#include "WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

#include "platform/Diagnostics.h"
#include "platform/FileOps.h"

namespace {

// A file descriptor closed when it leaves scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports the result: a close error may be the first news of a failed write.
    int close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

bool writeAll(int fd, const std::string& content)
{
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The file a save replaces: the target of a symbolic link at `path`, so that a linked file
// (kept with the user's other dot files) stays linked.
std::string saveTarget(const std::string& path)
{
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// Creates a new temporary file beside `target`; -1 when none can be made (errno set).
int createTemporary(const std::string& target, std::string& name)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 16; ++attempt) {
        const auto nonce = std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFFF;
        name = target + ".tmp-" + std::to_string(::getpid()) + "-" +
               std::to_string(counter.fetch_add(1)) + "-" + std::to_string(nonce);
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Flushes the folder holding `target`, so the rename itself survives a crash. Best effort.
void syncFolder(const std::string& target)
{
    FileDescriptor folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

bool failSave(const std::string& path, const std::string& temporary, int error)
{
    if (!temporary.empty())
        ::unlink(temporary.c_str());
    debugPrint("warning: can't save %s (%s)\n", path.c_str(), errorText(error).c_str());
    return false;
}

} // namespace

ReadResult readWholeFile(const std::string& path, std::string& content, size_t maxBytes)
{
    content.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return ReadResult::missing;
        debugPrint("warning: can't load %s (%s)\n", path.c_str(), errorText(errno).c_str());
        return ReadResult::failed;
    }
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        debugPrint("warning: can't load %s (not a file)\n", path.c_str());
        return ReadResult::failed;
    }
    if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
        debugPrint("warning: %s is larger than %zu bytes, ignored\n", path.c_str(), maxBytes);
        return ReadResult::failed;
    }
    // Read up to one byte past the limit: the file may have grown since fstat.
    std::string buffer(static_cast<size_t>(st.st_size) + 1, '\0');
    size_t done = 0;
    for (;;) {
        if (done == buffer.size()) {
            if (buffer.size() > maxBytes) {
                debugPrint("warning: %s is larger than %zu bytes, ignored\n", path.c_str(),
                           maxBytes);
                return ReadResult::failed;
            }
            buffer.resize(std::min(buffer.size() * 2, maxBytes + 1));
        }
        const ssize_t n = ::read(fd.get(), &buffer[done], buffer.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            debugPrint("warning: can't load %s (%s)\n", path.c_str(), errorText(errno).c_str());
            return ReadResult::failed;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    buffer.resize(done);
    content.swap(buffer);
    return ReadResult::read;
}

bool writeWholeFile(const std::string& path, const std::string& content)
{
    const std::string target = saveTarget(path);
    if (!makeFolders(folderOf(target), 0700))
        return failSave(path, "", errno);
    std::string temporary;
    FileDescriptor fd(createTemporary(target, temporary));
    if (fd.get() < 0)
        return failSave(path, "", errno);
    struct stat old;
    if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd.get(), old.st_mode & 07777);
    if (!writeAll(fd.get(), content) || ::fsync(fd.get()) != 0)
        return failSave(path, temporary, errno);
    if (fd.close() != 0)
        return failSave(path, temporary, errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return failSave(path, temporary, errno);
    syncFolder(target);
    return true;
}

bool makeFolders(const std::string& folder, unsigned mode)
{
    if (folder.empty())
        return false;
    if (isDirectory(folder))
        return true;
    std::string trimmed = folder;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.pop_back();
    const size_t slash = trimmed.rfind('/');
    if (slash != std::string::npos && slash > 0 && !makeFolders(trimmed.substr(0, slash), mode))
        return false;
    if (::mkdir(trimmed.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
        return false;
    if (!isDirectory(trimmed)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}
