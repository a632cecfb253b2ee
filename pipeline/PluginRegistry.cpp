#include "PluginRegistry.h"

#include <FL/filename.H>
#include <dlfcn.h>
#include <malloc.h>

#include <memory>

#include "pipeline/FolderList.h"
#include "platform/Diagnostics.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace {

// A plug-in that keeps answering GetPluginInfo would otherwise hold start-up forever; no real
// one has more than a few dozen texts.
constexpr int kMaxPatternTexts = 256;
constexpr int kPatternBufferSize = 512;

struct Registry {
    Mutex registryLock;
    std::vector<std::unique_ptr<SpiPlugin>> plugins; // guarded by registryLock
};

// Never destroyed: plug-ins are unloaded explicitly at exit, and the registry must outlive
// every other static object that might still look a plug-in up.
Registry& registry()
{
    static Registry* instance = new Registry;
    return *instance;
}

template <typename Fn> Fn resolve(void* module, const char* name)
{
    return reinterpret_cast<Fn>(dlsym(module, name));
}

std::string trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

void appendPatterns(const char* text, std::vector<std::string>& patterns)
{
    const std::string all(text);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(';', start);
        if (end == std::string::npos)
            end = all.size();
        // A blank after a ";" is common in plug-in texts and would keep the pattern from ever
        // matching.
        std::string piece = trimmed(all.substr(start, end - start));
        if (!piece.empty())
            patterns.push_back(std::move(piece));
        start = end + 1;
    }
}

void readPluginInfo(SpiPlugin& plugin)
{
    char version[5] = {};
    plugin.GetPluginInfo(0, version, sizeof version);
    version[4] = '\0';
    std::copy(version, version + 5, plugin.apiVersion);
    for (int i = 0; i < kMaxPatternTexts; ++i) {
        char text[kPatternBufferSize] = {};
        if (plugin.GetPluginInfo(2 + 2 * i, text, sizeof text) == 0)
            break;
        text[kPatternBufferSize - 1] = '\0';
        appendPatterns(text, plugin.patterns);
    }
}

std::unique_ptr<SpiPlugin> loadPlugin(const std::string& folder, const std::string& name)
{
    auto plugin = std::make_unique<SpiPlugin>();
    plugin->fileName = name;
    const std::string path = folder + name;
    plugin->module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin->module == nullptr) {
        debugPrint("Loading plugin %s is failed\n", path.c_str());
        if (const char* reason = dlerror())
            debugPrint("%s\n", reason);
        return plugin;
    }
    void* module = plugin->module;
    plugin->GetPluginInfo = resolve<GetPluginInfoFn>(module, "GetPluginInfo");
    plugin->GetArchiveInfo = resolve<GetArchiveInfoFn>(module, "GetArchiveInfo");
    plugin->GetFile = resolve<GetFileFn>(module, "GetFile");
    plugin->GetPicture = resolve<GetPictureFn>(module, "GetPicture");
    plugin->GetPictureInfo = resolve<GetPictureInfoFn>(module, "GetPictureInfo");
    if (plugin->GetPluginInfo != nullptr)
        readPluginInfo(*plugin);
    const char* v = plugin->apiVersion;
    debugPrint("%s %c%c%c%c\n", name.c_str(), v[0], v[1], v[2], v[3]);
    return plugin;
}

bool isType(const SpiPlugin& plugin, const char* type)
{
    return plugin.apiVersion[2] == type[0] && plugin.apiVersion[3] == type[1];
}

} // namespace

SpiPlugin::~SpiPlugin()
{
    if (module != nullptr)
        dlclose(module);
}

void loadPlugins()
{
    loadPluginsFrom(programFolder());
}

void loadPluginsFrom(const std::string& folderName)
{
    std::string folder = folderName;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    std::vector<FolderName> names;
    if (!listFolder(folder, names)) {
        debugPrint("Cannot list plug-in folder %s\n", folder.c_str());
        return;
    }
    for (const FolderName& entry : names) {
        if (entry.isFolder || !fl_filename_match(entry.name.c_str(), "*.[sS][pP][iI]"))
            continue;
        std::unique_ptr<SpiPlugin> plugin = loadPlugin(folder, entry.name);
        AutoLock lock(registry().registryLock);
        registry().plugins.push_back(std::move(plugin));
    }
}

int whichSpi(const std::string& name, const char* type)
{
    if (type == nullptr || type[0] == '\0' || type[1] == '\0')
        return -1;
    const std::string lowered = mbslwr(name);
    Registry& r = registry();
    AutoLock lock(r.registryLock);
    for (size_t i = 0; i < r.plugins.size(); ++i) {
        const SpiPlugin& plugin = *r.plugins[i];
        if (plugin.module == nullptr || !isType(plugin, type))
            continue;
        for (const std::string& pattern : plugin.patterns) {
            if (fl_filename_match(lowered.c_str(), mbslwr(pattern).c_str()))
                return static_cast<int>(i);
        }
    }
    return -1;
}

SpiPlugin* pluginAt(int index)
{
    Registry& r = registry();
    AutoLock lock(r.registryLock);
    if (index < 0 || static_cast<size_t>(index) >= r.plugins.size())
        return nullptr;
    return r.plugins[static_cast<size_t>(index)].get();
}

std::string pluginListText()
{
    Registry& r = registry();
    AutoLock lock(r.registryLock);
    std::string text;
    int inLine = 0;
    for (const auto& plugin : r.plugins) {
        if (plugin->module == nullptr)
            continue; // the About box lists what is loaded
        if (inLine == 4) {
            text += '\n';
            inLine = 0;
        }
        text += ' ';
        text += plugin->fileName;
        ++inLine;
    }
    return text;
}

void unloadPlugins()
{
    Registry& r = registry();
    AutoLock lock(r.registryLock);
    for (auto& plugin : r.plugins) {
        if (plugin->module != nullptr)
            debugPrint("%s destructed\n", plugin->fileName.c_str());
        plugin.reset();
    }
    r.plugins.clear();
    lock.release();
}

MemoryBlock adoptPluginBlock(void* bytes)
{
    return MemoryBlock::adopt(bytes, bytes != nullptr ? malloc_usable_size(bytes) : 0);
}
