#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "tests/plugins/PluginLoader.h"

// The archive plug-in seen through its entry points, as the program calls them.
class ArchiveClient {
  public:
    struct Entry {
        std::string path;     // the record's path field
        std::string filename; // its file-name field
        std::string method;
        uint32_t position = 0;
        uint32_t size = 0;
        int32_t time = 0;
        std::string name() const { return path + filename; }
    };

    ArchiveClient() : loader_("mekuri_archive.spi")
    {
        getPluginInfo_ = loader_.entry<GetPluginInfoFn>("GetPluginInfo");
        getArchiveInfo_ = loader_.entry<GetArchiveInfoFn>("GetArchiveInfo");
        getFile_ = loader_.entry<GetFileFn>("GetFile");
    }

    bool ready() const { return getPluginInfo_ && getArchiveInfo_ && getFile_; }
    const std::string& loadError() const { return loader_.error(); }

    std::string info(int infono, int buflen = 512) const
    {
        std::vector<char> buf(static_cast<size_t>(buflen) + 8, '\x7f');
        const int n = getPluginInfo_(infono, buf.data(), buflen);
        if (n <= 0)
            return "";
        return std::string(buf.data(), static_cast<size_t>(n));
    }
    int infoResult(int infono, char* buf, int buflen) const
    {
        return getPluginInfo_(infono, buf, buflen);
    }

    // GetArchiveInfo(path, 0, 0, &block): the result code; `entries` gets the records.
    int list(const std::string& archive, std::vector<Entry>& entries) const
    {
        entries.clear();
        void* raw = nullptr;
        const int rc = getArchiveInfo_(archive.c_str(), 0, 0, &raw);
        PluginBlock block(raw);
        if (rc != 0 || raw == nullptr)
            return rc != 0 ? rc : -100;
        for (const auto* r = static_cast<const SpiFileInfo*>(raw); r->method[0] != 0; ++r) {
            Entry e;
            e.path.assign(r->path, strnlen(r->path, sizeof r->path));
            e.filename.assign(r->filename, strnlen(r->filename, sizeof r->filename));
            e.method.assign(reinterpret_cast<const char*>(r->method),
                            strnlen(reinterpret_cast<const char*>(r->method), sizeof r->method));
            e.position = r->position;
            e.size = r->filesize;
            e.time = r->timestamp;
            entries.push_back(e);
        }
        return 0;
    }

    // GetFile(path, pos, &block, 0x0100, cb, user): the result code; `bytes` gets the block's
    // first `listedSize` bytes (the program trusts the listed size).
    int get(const std::string& archive, long pos, uint32_t listedSize,
            std::vector<unsigned char>& bytes, SpiProgress cb = nullptr, long user = 0) const
    {
        bytes.clear();
        void* raw = nullptr;
        const int rc = getFile_(archive.c_str(), pos, &raw, SPI_FILE_TO_MEMORY, cb, user);
        PluginBlock block(raw);
        if (rc != 0)
            return raw == nullptr ? rc : -200; // a failure must not hand a block over
        if (raw == nullptr)
            return -100;
        const auto* p = static_cast<const unsigned char*>(raw);
        bytes.assign(p, p + listedSize);
        return 0;
    }

    // Lists and reads the entry named `name`; false when it is not listed or not read.
    bool read(const std::string& archive, const std::string& name,
              std::vector<unsigned char>& bytes) const
    {
        std::vector<Entry> entries;
        if (list(archive, entries) != 0)
            return false;
        for (const Entry& e : entries) {
            if (e.name() == name)
                return get(archive, e.position, e.size, bytes) == 0;
        }
        return false;
    }

  private:
    PluginLoader loader_;
    GetPluginInfoFn getPluginInfo_ = nullptr;
    GetArchiveInfoFn getArchiveInfo_ = nullptr;
    GetFileFn getFile_ = nullptr;
};
