// The module's factory as a host reads it through the bundle's exports.
#include <thread>

#include "kelva_host.h"

using namespace kelvahost;

TEST_F(KelvaHost, FactoryOffersOneInstrumentClass)
{
  EXPECT_EQ(module->factoryInfo().vendor, "Orvane Music");
  EXPECT_EQ(module->factoryInfo().flags, 0x10);
  ASSERT_EQ(module->classes().size(), 1u);

  const vst3host::ClassInfo& c = module->classes()[0];
  const vst3host::Tuid id = {0xF2, 0xAE, 0xE7, 0x0D, 0x00, 0xDE, 0x4F, 0x4E,
                             0x4F, 0x72, 0x56, 0x6E, 0x7A, 0x71, 0x37, 0x31};
  EXPECT_EQ(c.id, id);
  EXPECT_EQ(c.category, "Audio Module Class");
  EXPECT_EQ(c.subCategories, "Instrument|Synth");
  EXPECT_EQ(c.name, "Kelva");
  EXPECT_EQ(c.vendor, "");
  EXPECT_EQ(c.version, "1.3.1");
  EXPECT_EQ(c.sdkVersion, "VST 3.7.3");
  EXPECT_EQ(c.cardinality, 0x7FFFFFFF);
  EXPECT_EQ(c.classFlags, 2u);
}

TEST_F(KelvaHost, GetPluginFactoryHandsOutTheSameFactoryWithOneMoreReference)
{
  using Entry = v3_plugin_factory** (*)();
  const auto getFactory = reinterpret_cast<Entry>(module->symbol("GetPluginFactory"));
  ASSERT_NE(getFactory, nullptr);

  v3_plugin_factory** first = getFactory();
  ASSERT_NE(first, nullptr);
  auto* unknown = reinterpret_cast<v3_funknown**>(first);
  const uint32_t before = (*unknown)->ref(unknown);
  v3_plugin_factory** second = getFactory();
  EXPECT_EQ(second, first);
  EXPECT_EQ(second, reinterpret_cast<v3_plugin_factory**>(module->factory().get()));
  const uint32_t after = (*unknown)->ref(unknown);
  EXPECT_EQ(after, before + 2);  // the second call's reference and ours

  for (int i = 0; i < 4; ++i)  // both calls' references and our two
    (*unknown)->unref(unknown);
}

TEST_F(KelvaHost, InstancesAreIndependentObjects)
{
  vst3host::Plugin* a = create();
  vst3host::Plugin* b = create();
  ASSERT_TRUE(a && b);
  EXPECT_TRUE(a->singleComponent());
  EXPECT_NE(a->component(), b->component());
  const double before = b->parameterNormalized(kVolume);
  ASSERT_TRUE(a->setParameterNormalized(kVolume, 0.9));
  EXPECT_DOUBLE_EQ(a->parameterNormalized(kVolume), 0.9);
  EXPECT_DOUBLE_EQ(b->parameterNormalized(kVolume), before);
}

TEST_F(KelvaHost, InstancesCreatedFromSeveralThreadsAtOnceAreAllWhole)
{
  constexpr int kThreads = 4;
  std::vector<std::unique_ptr<vst3host::Plugin>> made(kThreads * 2);
  std::vector<std::string> errors(made.size());
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int k = 0; k < 2; ++k)
      {
        const size_t i = static_cast<size_t>(t * 2 + k);
        made[i] = vst3host::Plugin::create(module, "", errors[i]);
      }
    });
  for (std::thread& thread : threads)
    thread.join();
  for (size_t i = 0; i < made.size(); ++i)
  {
    ASSERT_TRUE(made[i]) << errors[i];
    EXPECT_EQ(made[i]->parameterCount(), 186);
    EXPECT_EQ(made[i]->programLists().size(), 1u);
  }
}
