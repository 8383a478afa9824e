#include "VST3Module.h"

#include <dlfcn.h>

#include <mutex>

namespace VST3
{
namespace
{
struct ModuleState
{
  std::mutex lock;
  int32_t entries = 0;
  void* handle = nullptr;
  std::string path;
  PluginFactory* factory = nullptr;
};

ModuleState& state()
{
  static ModuleState s;
  return s;
}

// The file that holds this code: the plug-in module itself once linked in.
std::string findModulePath()
{
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&findModulePath), &info) == 0 || !info.dli_fname)
    return {};
  return info.dli_fname;
}
} // namespace

bool Module::entry(void* handle, Hook init)
{
  if (!handle)
    return true;
  ModuleState& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (++s.entries > 1)
    return true;
  s.handle = handle;
  s.path = findModulePath();
  return init ? init() : true;
}

bool Module::exit(Hook deinit)
{
  ModuleState& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.entries == 0)
    return false;
  if (--s.entries > 0)
    return true;
  s.handle = nullptr;
  if (s.factory)
  {
    s.factory->release();
    s.factory = nullptr;
  }
  return deinit ? deinit() : true;
}

v3_plugin_factory** Module::getFactory(FactoryBuilder build)
{
  ModuleState& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!s.factory)
  {
    try
    {
      s.factory = build ? build() : nullptr;
    }
    catch (...)
    {
      s.factory = nullptr;
    }
    if (!s.factory)
      return nullptr;
  }
  s.factory->addRef();
  return s.factory->asFactory();
}

void* Module::getHandle()
{
  ModuleState& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.handle;
}

std::string Module::getPath()
{
  ModuleState& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.path;
}

int32_t Module::getEntryCount()
{
  ModuleState& s = state();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.entries;
}
} // namespace VST3
