#include "module.h"

#include "abitext.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

namespace vst3host {

namespace {

using ModuleEntryFunction = bool (*)(void*);
using ModuleExitFunction = bool (*)();
using GetFactoryFunction = void* (*)();

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool isFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool endsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The shared object inside a bundle: named after the bundle, or else the only
// .so in the architecture folder (a bundle renamed after it was built).
std::string findBinary(std::string bundle, std::string& error)
{
    while (bundle.size() > 1 && bundle.back() == '/')
        bundle.pop_back();
    if (isFile(bundle) && endsWith(bundle, ".so"))
        return bundle;
    if (!isDirectory(bundle)) {
        error = "no bundle at " + bundle;
        return {};
    }
    std::string name = bundle.substr(bundle.find_last_of('/') + 1);
    if (endsWith(name, ".vst3"))
        name.resize(name.size() - 5);
    const std::string folder = bundle + "/Contents/x86_64-linux";
    const std::string expected = folder + "/" + name + ".so";
    if (isFile(expected))
        return expected;
    std::string only;
    int count = 0;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (endsWith(entry->d_name, ".so") && isFile(folder + "/" + entry->d_name)) {
                only = folder + "/" + entry->d_name;
                ++count;
            }
        }
        closedir(dir);
    }
    if (count == 1)
        return only;
    error = "no " + expected;
    return {};
}

} // namespace

std::shared_ptr<Module> Module::load(const std::string& bundlePath, std::string& error)
{
    std::shared_ptr<Module> module(new Module());
    if (!module->open(bundlePath, error))
        return nullptr;
    return module;
}

bool Module::open(const std::string& bundlePath, std::string& error)
{
    bundle = bundlePath;
    binary = findBinary(bundlePath, error);
    if (binary.empty())
        return false;
    handle = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "cannot load " + binary + ": " + (why ? why : "unknown reason");
        return false;
    }
    auto entry = reinterpret_cast<ModuleEntryFunction>(dlsym(handle, "ModuleEntry"));
    auto getFactory = reinterpret_cast<GetFactoryFunction>(dlsym(handle, "GetPluginFactory"));
    if (!dlsym(handle, "ModuleExit") || !entry || !getFactory) {
        error = binary + " does not export ModuleEntry, ModuleExit and GetPluginFactory";
        return false;
    }
    if (!entry(handle)) {
        error = "ModuleEntry of " + binary + " failed";
        return false;
    }
    entered = true;
    pluginFactory = ComPtr<v3_plugin_factory_cpp>::adopt(getFactory());
    if (!pluginFactory) {
        error = "GetPluginFactory of " + binary + " returned no factory";
        return false;
    }
    v3_factory_info raw{};
    if (pluginFactory->v1.get_factory_info(pluginFactory.get(), &raw) == V3_OK) {
        info.vendor = fromFixed(raw.vendor, sizeof raw.vendor);
        info.url = fromFixed(raw.url, sizeof raw.url);
        info.email = fromFixed(raw.email, sizeof raw.email);
        info.flags = raw.flags;
    }
    if (auto factory3 = pluginFactory.query<v3_plugin_factory_cpp>(v3_plugin_factory_3_iid))
        factory3->v3.set_host_context(factory3.get(), host.context());
    readClasses();
    return true;
}

void Module::readClasses()
{
    const auto factory2 = pluginFactory.query<v3_plugin_factory_cpp>(v3_plugin_factory_2_iid);
    const auto factory3 = pluginFactory.query<v3_plugin_factory_cpp>(v3_plugin_factory_3_iid);
    const int32_t count = pluginFactory->v1.num_classes(pluginFactory.get());
    for (int32_t i = 0; i < count; ++i) {
        ClassInfo entry;
        v3_class_info_3 info3{};
        v3_class_info_2 info2{};
        v3_class_info info1{};
        if (factory3 && factory3->v3.get_class_info_utf16(factory3.get(), i, &info3) == V3_OK) {
            entry.id = toTuid(info3.class_id);
            entry.cardinality = info3.cardinality;
            entry.category = fromFixed(info3.category, sizeof info3.category);
            entry.name = fromUtf16(info3.name, 64);
            entry.classFlags = info3.class_flags;
            entry.subCategories = fromFixed(info3.sub_categories, sizeof info3.sub_categories);
            entry.vendor = fromUtf16(info3.vendor, 64);
            entry.version = fromUtf16(info3.version, 64);
            entry.sdkVersion = fromUtf16(info3.sdk_version, 64);
            entry.infoVersion = 3;
        } else if (factory2 && factory2->v2.get_class_info_2(factory2.get(), i, &info2) == V3_OK) {
            entry.id = toTuid(info2.class_id);
            entry.cardinality = info2.cardinality;
            entry.category = fromFixed(info2.category, sizeof info2.category);
            entry.name = fromFixed(info2.name, sizeof info2.name);
            entry.classFlags = info2.class_flags;
            entry.subCategories = fromFixed(info2.sub_categories, sizeof info2.sub_categories);
            entry.vendor = fromFixed(info2.vendor, sizeof info2.vendor);
            entry.version = fromFixed(info2.version, sizeof info2.version);
            entry.sdkVersion = fromFixed(info2.sdk_version, sizeof info2.sdk_version);
            entry.infoVersion = 2;
        } else if (pluginFactory->v1.get_class_info(pluginFactory.get(), i, &info1) == V3_OK) {
            entry.id = toTuid(info1.class_id);
            entry.cardinality = info1.cardinality;
            entry.category = fromFixed(info1.category, sizeof info1.category);
            entry.name = fromFixed(info1.name, sizeof info1.name);
        } else {
            continue;
        }
        classList.push_back(std::move(entry));
    }
}

Module::~Module()
{
    pluginFactory.reset();
    if (entered) {
        if (auto exit = reinterpret_cast<ModuleExitFunction>(dlsym(handle, "ModuleExit")))
            exit();
    }
    if (handle)
        dlclose(handle);
}

const ClassInfo* Module::findClass(std::string_view category, std::string_view name) const
{
    for (const ClassInfo& entry : classList)
        if (entry.category == category && (name.empty() || entry.name == name))
            return &entry;
    return nullptr;
}

void* Module::createInstance(const Tuid& id, const v3_tuid iid) const
{
    void* object = nullptr;
    if (pluginFactory->v1.create_instance(pluginFactory.get(), id.data(), iid, &object) != V3_OK)
        return nullptr;
    return object;
}

void* Module::symbol(const char* name) const
{
    return handle ? dlsym(handle, name) : nullptr;
}

} // namespace vst3host
