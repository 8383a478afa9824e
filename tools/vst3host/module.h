// A VST 3 bundle loaded by path: the shared object, its entry and exit calls,
// the plug-in factory and the classes it offers.
#pragma once

#include "abi.h"
#include "hostapplication.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vst3host {

struct FactoryInfo {
    std::string vendor;
    std::string url;
    std::string email;
    int32_t flags = 0;  // 0x10: class strings are Unicode
};

struct ClassInfo {
    Tuid id{};
    int32_t cardinality = 0;
    std::string category;       // "Audio Module Class", "Component Controller Class" …
    std::string name;
    // Filled from the second and third factory interfaces when the factory has them (infoVersion 2 or 3).
    uint32_t classFlags = 0;
    std::string subCategories;
    std::string vendor;
    std::string version;
    std::string sdkVersion;
    int infoVersion = 1;
};

inline constexpr std::string_view kAudioModuleClass = "Audio Module Class";

class Module {
public:
    // Loads `<bundle>/Contents/x86_64-linux/<bundle name>.so` (or a .so given
    // directly), calls ModuleEntry with the dlopen handle and takes the
    // factory. Null with `error` set on failure (main thread).
    static std::shared_ptr<Module> load(const std::string& bundlePath, std::string& error);
    // Releases the factory, calls ModuleExit and unloads the object. Every
    // Plugin made from it holds the module, so this runs after the last one.
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const std::string& bundlePath() const { return bundle; }
    const std::string& binaryPath() const { return binary; }
    const FactoryInfo& factoryInfo() const { return info; }
    const std::vector<ClassInfo>& classes() const { return classList; }
    // The first class of `category`, with `name` unless that is empty.
    const ClassInfo* findClass(std::string_view category, std::string_view name = {}) const;

    // A new object of class `id` seen through interface `iid`; the caller
    // owns the returned reference. Null when the factory refuses.
    void* createInstance(const Tuid& id, const v3_tuid iid) const;

    HostApplication& hostApplication() { return host; }
    const ComPtr<v3_plugin_factory_cpp>& factory() const { return pluginFactory; }
    // Any other symbol the object exports (tests and diagnostics).
    void* symbol(const char* name) const;

private:
    Module() = default;
    bool open(const std::string& bundlePath, std::string& error);
    void readClasses();

    std::string bundle;
    std::string binary;
    void* handle = nullptr;
    bool entered = false;
    HostApplication host;
    ComPtr<v3_plugin_factory_cpp> pluginFactory;
    FactoryInfo info;
    std::vector<ClassInfo> classList;
};

} // namespace vst3host
