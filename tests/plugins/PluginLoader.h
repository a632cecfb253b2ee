#pragma once

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "plugins/SpiAbi.h"

// Loads a plug-in built next to the program (build/bin/NAME.spi) the way the program does:
// dlopen and the entry points by name. Unloaded on destruction.
class PluginLoader {
  public:
    explicit PluginLoader(const std::string& fileName)
        : handle_(
              dlopen((std::string(MEKURI_BIN_DIR) + "/" + fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
    {
        if (handle_ == nullptr) {
            const char* error = dlerror();
            error_ = error != nullptr ? error : "dlopen failed";
        }
    }
    ~PluginLoader()
    {
        if (handle_ != nullptr)
            dlclose(handle_);
    }
    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    template <typename Fn> Fn entry(const char* name) const
    {
        return handle_ != nullptr ? reinterpret_cast<Fn>(dlsym(handle_, name)) : nullptr;
    }

  private:
    void* handle_;
    std::string error_;
};

// A block handed over by a plug-in, freed with free() as the program does.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using PluginBlock = std::unique_ptr<void, FreeDeleter>;
