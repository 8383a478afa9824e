#pragma once

// The plug-in module's entry points. The module's own source exports them;
// everything else in the module keeps hidden visibility:
//
//   VST3_MODULE_EXPORTS(buildFactory, InitModule, DeinitModule)
//
// defines GetPluginFactory, ModuleEntry and ModuleExit with default
// visibility, where buildFactory is `VST3::PluginFactory* ()` and the two
// hooks are `bool ()`.

#include "VST3PluginFactory.h"

#include <cstdint>
#include <string>

namespace VST3
{
// Reference-counted module entry and exit, and the module's one factory.
// Thread-safe; the host normally calls all of them on its main thread.
class Module
{
public:
  using Hook = bool (*)();
  using FactoryBuilder = PluginFactory* (*)();

  // ModuleEntry: counts an entry. The first one records `handle` (the
  // host's handle of the loaded module) and the module file's path, calls
  // `init` and returns its result; later ones return true. A null handle
  // counts nothing and returns true.
  static bool entry(void* handle, Hook init);
  // ModuleExit: the exit that matches the first entry calls `deinit` and
  // returns its result; it also drops the module's own reference to the
  // factory. False, and nothing else, when there was no entry to match.
  static bool exit(Hook deinit);

  // GetPluginFactory: the module's one factory, built by `build` on the first
  // call (or the first after the last exit). Every call adds a reference for
  // the caller; the module keeps one of its own, so the factory outlives
  // hosts that release all theirs. Null when building fails.
  static v3_plugin_factory** getFactory(FactoryBuilder build);

  static void* getHandle();
  // The file the module was loaded from; empty before the first entry.
  static std::string getPath();
  static int32_t getEntryCount();
};
} // namespace VST3

#define VST3_EXPORT extern "C" __attribute__((visibility("default")))

#define VST3_MODULE_EXPORTS(buildFactory, initModule, deinitModule)             \
  VST3_EXPORT v3_plugin_factory** GetPluginFactory()                            \
  {                                                                             \
    return ::VST3::Module::getFactory(buildFactory);                            \
  }                                                                             \
  VST3_EXPORT bool ModuleEntry(void* handle)                                    \
  {                                                                             \
    return ::VST3::Module::entry(handle, initModule);                           \
  }                                                                             \
  VST3_EXPORT bool ModuleExit()                                                 \
  {                                                                             \
    return ::VST3::Module::exit(deinitModule);                                  \
  }
