// The plug-in module: the factory with its one class and the three exported
// entry points. Everything else in the module has hidden visibility.
#include <mutex>
#include <new>

#include "VST3Module.h"
#include "VST3PluginFactory.h"
#include "kelva.h"

namespace
{
// Construction reads the configuration file and the startup bank: two
// instances are never built at the same time.
std::mutex gCreateLock;

v3_funknown** createInstance(void* /*context*/)
{
  std::lock_guard<std::mutex> lock(gCreateLock);
  Kelva* kelva = new (std::nothrow) Kelva();
  return kelva ? kelva->asUnknown() : nullptr;
}

VST3::PluginFactory* buildFactory()
{
  VST3::FactoryInfo info;
  info.vendor = "Orvane Music";
  info.url = "https://orvane.example/kelva";
  info.email = "support@orvane.example";
  info.flags = VST3::FactoryInfo::kUnicode;

  auto* factory = new VST3::PluginFactory(info);
  VST3::ClassInfo kelva;
  kelva.cid = VST3::UID(0xF2AEE70D, 0x00DE4F4E, static_cast<uint32_t>(MakeFourCC("OrVn")),
                        static_cast<uint32_t>(MakeFourCC("zq71")));
  kelva.cardinality = VST3::ClassInfo::kManyInstances;
  kelva.category = "Audio Module Class";
  kelva.name = "Kelva";
  kelva.classFlags = 2;
  kelva.subCategories = "Instrument|Synth";
  kelva.version = "1.3.1";
  kelva.sdkVersion = "VST 3.7.3";
  kelva.create = createInstance;
  factory->registerClass(kelva);
  return factory;
}

bool InitModule()
{
  return true;
}

bool DeinitModule()
{
  return true;
}
} // namespace

VST3_MODULE_EXPORTS(buildFactory, InitModule, DeinitModule)
