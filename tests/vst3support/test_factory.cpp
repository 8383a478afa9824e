// The factory and the module entry as a host's module loader uses them.

#include "VST3Module.h"
#include "VST3PluginFactory.h"
#include "VST3SingleComponentEffect.h"
#include "host_fakes.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
template <class Table, class T>
Table* tableOf(T** obj)
{
  return *reinterpret_cast<Table**>(obj);
}

int liveEffects = 0;

class CountedEffect : public VST3::SingleComponentEffect
{
public:
  CountedEffect() { ++liveEffects; }
  ~CountedEffect() override { --liveEffects; }
};

v3_funknown** createEffect(void* context)
{
  if (context)
    ++*static_cast<int*>(context);
  return (new CountedEffect)->asUnknown();
}

const VST3::UID kClassId(0xF2AEE70D, 0x00DE4F4E, 0x4F72566E, 0x7A713731);

VST3::PluginFactory* buildFactory(int* creations = nullptr)
{
  VST3::FactoryInfo info;
  info.vendor = "Orvane Music";
  info.url = "https://example.invalid/";
  info.email = "info@example.invalid";
  auto* factory = new VST3::PluginFactory(info);
  VST3::ClassInfo c;
  c.cid = kClassId;
  c.category = "Audio Module Class";
  c.name = "Kelva";
  c.classFlags = 2;
  c.subCategories = "Instrument|Synth";
  c.version = "1.3.1";
  c.sdkVersion = "VST 3.7.3";
  c.create = &createEffect;
  c.context = creations;
  EXPECT_TRUE(factory->registerClass(c));
  EXPECT_FALSE(factory->registerClass(c)); // one class per ID
  return factory;
}

struct FactoryHost
{
  VST3::PluginFactory* factory = buildFactory(&creations);
  int creations = 0;
  v3_plugin_factory** f = factory->asFactory();
  v3_plugin_factory_cpp* t() { return tableOf<v3_plugin_factory_cpp>(f); }
  ~FactoryHost() { factory->release(); }
};
} // namespace

TEST(Factory, DescribesTheVendorAndItsOneClass)
{
  FactoryHost host;
  v3_factory_info info;
  std::memset(&info, 0x55, sizeof info);
  ASSERT_EQ(host.t()->v1.get_factory_info(host.f, &info), V3_OK);
  EXPECT_STREQ(info.vendor, "Orvane Music");
  EXPECT_STREQ(info.url, "https://example.invalid/");
  EXPECT_STREQ(info.email, "info@example.invalid");
  EXPECT_EQ(info.flags, 16);

  ASSERT_EQ(host.t()->v1.num_classes(host.f), 1);
  const uint8_t cid[16] = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E, 'O', 'r', 'V', 'n', 'z', 'q', '7', '1'};

  v3_class_info one;
  ASSERT_EQ(host.t()->v1.get_class_info(host.f, 0, &one), V3_OK);
  EXPECT_EQ(std::memcmp(one.class_id, cid, 16), 0);
  EXPECT_EQ(one.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(one.category, "Audio Module Class");
  EXPECT_STREQ(one.name, "Kelva");

  v3_class_info_2 two;
  std::memset(&two, 0x55, sizeof two);
  ASSERT_EQ(host.t()->v2.get_class_info_2(host.f, 0, &two), V3_OK);
  EXPECT_EQ(std::memcmp(two.class_id, cid, 16), 0);
  EXPECT_EQ(two.cardinality, 0x7FFFFFFF);
  EXPECT_STREQ(two.category, "Audio Module Class");
  EXPECT_STREQ(two.name, "Kelva");
  EXPECT_EQ(two.class_flags, 2u);
  EXPECT_STREQ(two.sub_categories, "Instrument|Synth");
  EXPECT_STREQ(two.vendor, "");
  EXPECT_STREQ(two.version, "1.3.1");
  EXPECT_STREQ(two.sdk_version, "VST 3.7.3");

  v3_class_info_3 three;
  std::memset(&three, 0x55, sizeof three);
  ASSERT_EQ(host.t()->v3.get_class_info_utf16(host.f, 0, &three), V3_OK);
  EXPECT_EQ(std::memcmp(three.class_id, cid, 16), 0);
  EXPECT_STREQ(three.category, "Audio Module Class");
  EXPECT_EQ(VST3::fromUTF16(three.name, 64), u"Kelva");
  EXPECT_EQ(three.class_flags, 2u);
  EXPECT_STREQ(three.sub_categories, "Instrument|Synth");
  EXPECT_EQ(VST3::fromUTF16(three.vendor, 64), u"");
  EXPECT_EQ(VST3::fromUTF16(three.version, 64), u"1.3.1");
  EXPECT_EQ(VST3::fromUTF16(three.sdk_version, 64), u"VST 3.7.3");

  EXPECT_EQ(host.t()->v1.get_class_info(host.f, 1, &one), V3_INVALID_ARG);
  EXPECT_EQ(host.t()->v2.get_class_info_2(host.f, -1, &two), V3_INVALID_ARG);
  EXPECT_EQ(host.t()->v3.get_class_info_utf16(host.f, 1, &three), V3_INVALID_ARG);
}

TEST(Factory, EveryFactoryInterfaceIsTheSameObject)
{
  FactoryHost host;
  for (const uint8_t* id : {v3_funknown_iid, v3_plugin_factory_iid, v3_plugin_factory_2_iid, v3_plugin_factory_3_iid})
  {
    void* face = nullptr;
    ASSERT_EQ(host.t()->query_interface(host.f, id, &face), V3_OK);
    EXPECT_EQ(face, host.f);
  }
  EXPECT_EQ(host.factory->getRefCount(), 5u);
  for (int i = 0; i < 4; ++i)
    host.t()->unref(host.f);
  void* face = reinterpret_cast<void*>(1);
  EXPECT_EQ(host.t()->query_interface(host.f, v3_component_iid, &face), V3_NO_INTERFACE);
  EXPECT_EQ(face, nullptr);
}

TEST(Factory, CreatedInstanceHoldsOnlyTheHostsReference)
{
  FactoryHost host;
  void* obj = nullptr;
  ASSERT_EQ(host.t()->v1.create_instance(host.f, kClassId.bytes, v3_component_iid, &obj), V3_OK);
  ASSERT_NE(obj, nullptr);
  EXPECT_EQ(liveEffects, 1);
  EXPECT_EQ(host.creations, 1);
  auto** component = static_cast<v3_component**>(obj);
  // The host's release is the last one.
  EXPECT_EQ(tableOf<v3_funknown>(component)->unref(component), 0u);
  EXPECT_EQ(liveEffects, 0);

  // An interface the object lacks: nothing handed out, nothing left alive.
  obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(host.t()->v1.create_instance(host.f, kClassId.bytes, v3_plugin_view_iid, &obj), V3_NO_INTERFACE);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(liveEffects, 0);

  // An unknown class is not created at all.
  const VST3::UID other(1, 2, 3, 4);
  EXPECT_EQ(host.t()->v1.create_instance(host.f, other.bytes, v3_component_iid, &obj), V3_NO_INTERFACE);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(host.creations, 2);
}

TEST(Factory, KeepsTheHostContextItIsGiven)
{
  FactoryHost host;
  fakes::HostApplication application(u"Host");
  EXPECT_EQ(host.t()->v3.set_host_context(host.f, application.get()), V3_OK);
  EXPECT_EQ(application.refs, 1);
  EXPECT_EQ(host.factory->getHostContext(), application.get());
  EXPECT_EQ(host.t()->v3.set_host_context(host.f, application.get()), V3_OK);
  EXPECT_EQ(application.refs, 1);
  host.factory->addRef();
  host.factory->release();
  EXPECT_EQ(host.t()->v3.set_host_context(host.f, nullptr), V3_OK);
  EXPECT_EQ(application.refs, 0);
}

TEST(Factory, LongTextsAreCutAtACharacterBoundary)
{
  VST3::FactoryInfo info;
  info.vendor = std::string(62, 'v') + "\xc3\xa9"; // 64 bytes: no room for the terminator
  VST3::PluginFactory factory(info);
  v3_factory_info out{};
  auto** f = factory.asFactory();
  ASSERT_EQ(tableOf<v3_plugin_factory_cpp>(f)->v1.get_factory_info(f, &out), V3_OK);
  EXPECT_EQ(std::string(out.vendor), std::string(62, 'v'));
}

namespace
{
int initCalls = 0;
int deinitCalls = 0;
bool initModule()
{
  ++initCalls;
  return true;
}
bool deinitModule()
{
  ++deinitCalls;
  return true;
}
VST3::PluginFactory* buildModuleFactory()
{
  return buildFactory();
}
} // namespace

TEST(Module, FirstEntryAndLastExitRunTheHooks)
{
  initCalls = deinitCalls = 0;
  int handle = 0;
  EXPECT_TRUE(VST3::Module::entry(&handle, &initModule));
  EXPECT_TRUE(VST3::Module::entry(&handle, &initModule));
  EXPECT_EQ(initCalls, 1);
  EXPECT_EQ(VST3::Module::getEntryCount(), 2);
  EXPECT_EQ(VST3::Module::getHandle(), &handle);
  EXPECT_NE(VST3::Module::getPath().find("vst3support"), std::string::npos);

  EXPECT_TRUE(VST3::Module::exit(&deinitModule));
  EXPECT_EQ(deinitCalls, 0);
  EXPECT_TRUE(VST3::Module::exit(&deinitModule));
  EXPECT_EQ(deinitCalls, 1);
  EXPECT_EQ(VST3::Module::getHandle(), nullptr);

  // An exit without an entry does nothing; a null handle counts nothing.
  EXPECT_FALSE(VST3::Module::exit(&deinitModule));
  EXPECT_TRUE(VST3::Module::entry(nullptr, &initModule));
  EXPECT_EQ(VST3::Module::getEntryCount(), 0);
  EXPECT_EQ(initCalls, 1);
  EXPECT_EQ(deinitCalls, 1);
}

TEST(Module, GetPluginFactoryReturnsOneFactoryWithAReferencePerCall)
{
  int handle = 0;
  ASSERT_TRUE(VST3::Module::entry(&handle, &initModule));
  v3_plugin_factory** first = VST3::Module::getFactory(&buildModuleFactory);
  ASSERT_NE(first, nullptr);
  auto* t = tableOf<v3_plugin_factory_cpp>(first);
  const uint32_t count = t->ref(first) - 1;
  t->unref(first);
  v3_plugin_factory** second = VST3::Module::getFactory(&buildModuleFactory);
  EXPECT_EQ(second, first);
  EXPECT_EQ(t->ref(first) - 1, count + 1);
  t->unref(first);

  // The host releasing all its references does not end the factory while
  // the module is entered.
  t->unref(first);
  t->unref(second);
  EXPECT_EQ(VST3::Module::getFactory(&buildModuleFactory), first);
  t->unref(first);
  VST3::Module::exit(&deinitModule);
}

// The module's three exports, as the plug-in module's source defines them.
VST3_MODULE_EXPORTS(buildModuleFactory, initModule, deinitModule)

TEST(Module, ExportedEntryPointsFollowTheModuleRules)
{
  initCalls = deinitCalls = 0;
  int handle = 0;
  EXPECT_TRUE(ModuleEntry(&handle));
  v3_plugin_factory** factory = GetPluginFactory();
  ASSERT_NE(factory, nullptr);
  auto* t = tableOf<v3_plugin_factory_cpp>(factory);
  EXPECT_EQ(t->v1.num_classes(factory), 1);
  t->unref(factory);
  EXPECT_TRUE(ModuleExit());
  EXPECT_EQ(initCalls, 1);
  EXPECT_EQ(deinitCalls, 1);
}
