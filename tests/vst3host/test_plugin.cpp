// The loader and the instance, end to end, on the host's fixture plug-in.
#include "host_test_support.h"
#include "module.h"
#include "plugin.h"
#include "render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace vst3host;

namespace {

template <class R>
R call(const Module& module, const char* name)
{
    auto function = reinterpret_cast<R (*)()>(module.symbol(name));
    EXPECT_NE(function, nullptr) << name;
    return function ? function() : R{};
}

std::shared_ptr<Module> loadFixture()
{
    std::string error;
    std::shared_ptr<Module> module = Module::load(hosttest::fixtureBundle(), error);
    EXPECT_TRUE(module) << error;
    return module;
}

TEST(Module, ListsTheFactoryAndItsClassesWithUnicodeInformation)
{
    const auto module = loadFixture();
    ASSERT_TRUE(module);
    EXPECT_EQ(module->factoryInfo().vendor, "Host Fixture Vendor");
    EXPECT_EQ(module->factoryInfo().flags, 0x10);
    ASSERT_EQ(module->classes().size(), 3u);
    const ClassInfo& sine = module->classes()[0];
    EXPECT_EQ(sine.category, "Audio Module Class");
    EXPECT_EQ(sine.name, "Host Fixture Sine");
    EXPECT_EQ(sine.subCategories, "Instrument|Synth");
    EXPECT_EQ(sine.sdkVersion, "VST 3.7.3");
    EXPECT_EQ(sine.infoVersion, 3);
    EXPECT_EQ(module->classes()[2].category, "Component Controller Class");
    EXPECT_EQ(module->findClass(kAudioModuleClass, "Host Fixture Split"), &module->classes()[1]);
    EXPECT_EQ(module->findClass(kAudioModuleClass, "Host Fixture Controller"), nullptr);
    EXPECT_EQ(call<int>(*module, "HostFixtureEntries"), 1);
    EXPECT_EQ(call<int>(*module, "HostFixtureFactoryRefs"), 1);
    EXPECT_TRUE(call<bool>(*module, "HostFixtureHasHostContext"));
}

TEST(Module, ReportsBundlesItCannotLoad)
{
    hosttest::ScratchDir dir;
    namespace fs = std::filesystem;
    fs::create_directories(dir.path("Empty.vst3/Contents/x86_64-linux"));
    fs::create_directories(dir.path("NoExports.vst3/Contents/x86_64-linux"));
    fs::create_directories(dir.path("Broken.vst3/Contents/x86_64-linux"));
    {
        std::ofstream junk(dir.path("Broken.vst3/Contents/x86_64-linux/Broken.so"));
        junk << "not an ELF file";
    }
    // A genuine shared object that is no plug-in.
    const std::string libm = "/lib/x86_64-linux-gnu/libm.so.6";
    if (fs::exists(libm))
        fs::create_symlink(libm, dir.path("NoExports.vst3/Contents/x86_64-linux/NoExports.so"));

    const struct {
        std::string path;
        const char* why;
    } cases[] = {
        {dir.path("Missing.vst3"), "no bundle"},
        {dir.path("Empty.vst3"), "Empty.so"},
        {dir.path("Broken.vst3"), "cannot load"},
        {dir.path("NoExports.vst3"), "does not export"},
    };
    for (const auto& c : cases) {
        if (std::string(c.why) == "does not export" && !fs::exists(libm))
            continue;
        std::string error;
        EXPECT_EQ(Module::load(c.path, error), nullptr) << c.path;
        EXPECT_NE(error.find(c.why), std::string::npos) << error;
    }
}

TEST(Module, LoadsTheSharedObjectOfARenamedBundleOrGivenDirectly)
{
    hosttest::ScratchDir dir;
    namespace fs = std::filesystem;
    const std::string binary = hosttest::fixtureBundle() + "/Contents/x86_64-linux/HostFixture.so";
    fs::create_directories(dir.path("Renamed.vst3/Contents/x86_64-linux"));
    fs::copy_file(binary, dir.path("Renamed.vst3/Contents/x86_64-linux/HostFixture.so"));
    for (const std::string& path : {dir.path("Renamed.vst3/"), binary}) {
        std::string error;
        const auto module = Module::load(path, error);
        ASSERT_TRUE(module) << error;
        EXPECT_EQ(module->classes().size(), 3u);
    }
}

TEST(Plugin, CreatesTheFirstAudioModuleAndReleasesEverythingAtTheEnd)
{
    const auto module = loadFixture();
    ASSERT_TRUE(module);
    std::string error;
    {
        auto plugin = Plugin::create(module, "", error);
        ASSERT_TRUE(plugin) << error;
        EXPECT_EQ(plugin->classInfo().name, "Host Fixture Sine");
        EXPECT_TRUE(plugin->singleComponent());
        EXPECT_NE(plugin->controller(), nullptr);
        EXPECT_NE(plugin->midiMapping(), nullptr);
        EXPECT_NE(plugin->unitInformation(), nullptr);
        EXPECT_GT(module->hostApplication().referenceCount(), 0u);
        EXPECT_GT(plugin->componentHandler().referenceCount(), 0u);
        EXPECT_EQ(call<int>(*module, "HostFixtureLiveObjects"), 1);
    }
    EXPECT_EQ(call<int>(*module, "HostFixtureLiveObjects"), 0);
    EXPECT_EQ(module->hostApplication().referenceCount(), 0u);
    EXPECT_EQ(Plugin::create(module, "No Such Class", error), nullptr);
    EXPECT_NE(error.find("No Such Class"), std::string::npos);
}

TEST(Plugin, CreatesAndConnectsASeparateControllerAndPassesItTheComponentState)
{
    const auto module = loadFixture();
    ASSERT_TRUE(module);
    std::string error;
    {
        auto plugin = Plugin::create(module, "Host Fixture Split", error);
        ASSERT_TRUE(plugin) << error;
        EXPECT_FALSE(plugin->singleComponent());
        EXPECT_EQ(call<int>(*module, "HostFixtureLiveObjects"), 2);
        EXPECT_EQ(call<int>(*module, "HostFixtureConnections"), 2);
        EXPECT_EQ(plugin->parameterCount(), 2);

        // The controller hears of a new component state and asks for a restart.
        std::vector<uint8_t> state;
        ASSERT_TRUE(plugin->getState(state));
        const double level = 0.25;
        std::memcpy(state.data() + 4, &level, sizeof level);
        const double before = plugin->parameterNormalized(0);
        ASSERT_TRUE(plugin->setState(state));
        EXPECT_NE(before, level);
        EXPECT_DOUBLE_EQ(plugin->parameterNormalized(0), level);
        EXPECT_TRUE(plugin->componentHandler().restartFlags() & V3_RESTART_PARAM_VALUES_CHANGED);
    }
    EXPECT_EQ(call<int>(*module, "HostFixtureConnections"), 0);
    EXPECT_EQ(call<int>(*module, "HostFixtureLiveObjects"), 0);
}

TEST(Plugin, EnumeratesParametersUnitsProgramsAndControllerMapping)
{
    const auto module = loadFixture();
    std::string error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;

    const std::vector<ParameterInfo> parameters = plugin->parameters();
    ASSERT_EQ(parameters.size(), 2u);
    EXPECT_EQ(parameters[0].title, "Level");
    EXPECT_EQ(parameters[0].units, "%");
    EXPECT_EQ(parameters[1].stepCount, 3);
    EXPECT_EQ(parameters[1].flags, V3_PARAM_PROGRAM_CHANGE | V3_PARAM_IS_LIST);
    EXPECT_EQ(plugin->findParameter("Lvl")->id, 0u);
    EXPECT_EQ(plugin->findParameter("1")->title, "Program");
    EXPECT_FALSE(plugin->findParameter("Missing"));
    EXPECT_EQ(plugin->parameterString(1, 1.0), "Three Octaves");
    EXPECT_EQ(plugin->parameterString(99, 1.0), "");
    EXPECT_DOUBLE_EQ(*plugin->parameterFromString(0, "40"), 0.4);
    EXPECT_TRUE(plugin->setParameterNormalized(0, 0.75));
    EXPECT_DOUBLE_EQ(plugin->parameterNormalized(0), 0.75);
    EXPECT_FALSE(plugin->setParameterNormalized(99, 0.5));

    const std::vector<UnitInfo> units = plugin->units();
    ASSERT_EQ(units.size(), 1u);
    EXPECT_EQ(units[0].name, "Root");
    EXPECT_EQ(units[0].programListId, 1);
    const std::vector<ProgramListInfo> lists = plugin->programLists();
    ASSERT_EQ(lists.size(), 1u);
    EXPECT_EQ(lists[0].name, "Fixture Programs");
    EXPECT_EQ(lists[0].programNames, (std::vector<std::string>{"Unison", "Octave", "Two Octaves", "Three Octaves"}));

    EXPECT_EQ(plugin->midiControllerAssignment(0, 0, 7), 0u);
    EXPECT_FALSE(plugin->midiControllerAssignment(0, 1, 7));
    const MidiControllerMap map = plugin->midiControllerMap();
    EXPECT_EQ(map.parameterFor(0, 7), 0u);
    EXPECT_FALSE(map.parameterFor(0, MidiControllerMap::kPitchBend));
    EXPECT_EQ(map.programParameter, 1u);
    EXPECT_EQ(map.programStepCount, 3);

    const std::vector<BusInfo> outputs = plugin->buses(V3_AUDIO, V3_OUTPUT);
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_EQ(outputs[0].name, "Output");
    EXPECT_EQ(outputs[0].channelCount, 2);
    EXPECT_EQ(plugin->buses(V3_EVENT, V3_INPUT).size(), 1u);
    EXPECT_TRUE(plugin->buses(V3_AUDIO, V3_INPUT).empty());
}

TEST(Plugin, StateSurvivesARoundTripAndDamagedStateIsRefused)
{
    const auto module = loadFixture();
    std::string error;
    auto first = Plugin::create(module, "", error);
    ASSERT_TRUE(first) << error;
    first->setParameterNormalized(0, 0.3);
    first->setParameterNormalized(1, 1.0);
    std::vector<uint8_t> saved;
    ASSERT_TRUE(first->getState(saved));

    auto second = Plugin::create(module, "", error);
    ASSERT_TRUE(second) << error;
    ASSERT_TRUE(second->setState(saved));
    std::vector<uint8_t> again;
    ASSERT_TRUE(second->getState(again));
    EXPECT_EQ(again, saved);
    EXPECT_DOUBLE_EQ(second->parameterNormalized(0), 0.3);
    EXPECT_DOUBLE_EQ(second->parameterNormalized(1), 1.0);

    std::vector<uint8_t> truncated(saved.begin(), saved.end() - 1);
    EXPECT_FALSE(second->setState(truncated));
    EXPECT_FALSE(second->setState({}));
}

TEST(Plugin, ProcessesOnlyWhenPreparedAndWithinTheBlockSize)
{
    const auto module = loadFixture();
    std::string error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;
    EXPECT_EQ(plugin->process(64), V3_NOT_INITIALIZED);
    ASSERT_TRUE(plugin->prepare(ProcessSetup{44100.0, 64, false, V3_REALTIME}, error)) << error;
    EXPECT_TRUE(plugin->active());
    EXPECT_TRUE(plugin->processing());
    EXPECT_EQ(plugin->process(65), V3_INVALID_ARG);
    EXPECT_EQ(plugin->process(0), V3_OK);
    EXPECT_EQ(plugin->outputChannelCount(0), 2);
    EXPECT_NE(plugin->output32(0, 1), nullptr);
    EXPECT_EQ(plugin->output64(0, 1), nullptr);
    EXPECT_EQ(plugin->output32(0, 2), nullptr);
    // Setup needs an inactive plug-in.
    EXPECT_FALSE(plugin->setupProcessing(ProcessSetup{}));
    plugin->stop();
    EXPECT_FALSE(plugin->active());
    EXPECT_EQ(plugin->process(64), V3_NOT_INITIALIZED);
}

TEST(Plugin, PassesEventsAndParameterChangesAtTheirSampleOffsets)
{
    const auto module = loadFixture();
    std::string error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;
    for (bool doublePrecision : {false, true}) {
        SCOPED_TRACE(doublePrecision);
        ASSERT_TRUE(plugin->prepare(ProcessSetup{48000.0, 256, doublePrecision, V3_REALTIME}, error)) << error;
        plugin->setParameterNormalized(0, 1.0);
        plugin->inputParameterChanges().addPoint(0, 0, 1.0);
        ASSERT_TRUE(plugin->inputEvents().addNoteOn(100, 0, 69, 1.0f));
        // Level drops to a quarter at sample 200, in the same block.
        plugin->inputParameterChanges().addPoint(0, 200, 0.25);
        ASSERT_EQ(plugin->process(256), V3_OK);

        const auto sample = [&](int32_t channel, int i) {
            return doublePrecision ? plugin->output64(0, channel)[i] : plugin->output32(0, channel)[i];
        };
        for (int i = 0; i < 100; ++i)
            ASSERT_EQ(sample(0, i), 0.0) << i;
        EXPECT_NE(sample(0, 100), 0.0);
        double early = 0, late = 0;
        for (int i = 100; i < 200; ++i)
            early = std::max(early, std::fabs(sample(0, i)));
        for (int i = 200; i < 256; ++i)
            late = std::max(late, std::fabs(sample(1, i)));
        EXPECT_NEAR(early, 0.25, 0.01);  // velocity 1 × level 1 / 4
        EXPECT_NEAR(late, 0.0625, 0.01);

        // The plug-in's echo of the note-on arrives in the output events.
        ASSERT_EQ(plugin->outputEvents().size(), 1u);
        EXPECT_EQ(plugin->outputEvents()[0].sample_offset, 100);
        // process() consumed the inputs: the next block starts empty.
        EXPECT_EQ(plugin->inputEvents().size(), 0u);
        EXPECT_EQ(plugin->inputParameterChanges().count(), 0);
        EXPECT_EQ(plugin->samplePosition(), 256);
        plugin->stop();
    }
}

TEST(Settings, ResolveParameterValuesByIdTitleTextOrNormalisedNumber)
{
    const auto module = loadFixture();
    std::string error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;
    const struct {
        const char* text;
        bool valid;
        uint32_t id;
        double normalized;
    } cases[] = {
        {"Level=0.25", true, 0, 0.25},        {"Level=norm:1", true, 0, 1.0},
        {"Level=text:25", true, 0, 0.25},     {"Level=40", true, 0, 0.40},  // beyond 1: the plug-in's text
        {"Lvl= 0.5", true, 0, 0.5},           {"Program=Octave", true, 1, 1 / 3.0},
        {"1=Three Octaves", true, 1, 1.0},    {"Level=norm:1.5", false, 0, 0},
        {"Program=Bogus", false, 0, 0},       {"Missing=0.5", false, 0, 0},
        {"Level=nan", false, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto setting = parseParameterSetting(c.text);
        ASSERT_TRUE(setting);
        const auto value = resolveParameterSetting(*plugin, *setting, error);
        ASSERT_EQ(value.has_value(), c.valid) << error;
        if (value) {
            EXPECT_EQ(value->id, c.id);
            EXPECT_NEAR(value->normalized, c.normalized, 1e-12);
        }
    }
    EXPECT_FALSE(parseParameterSetting("Level"));
    EXPECT_FALSE(parseParameterSetting("=0.5"));
}

TEST(Settings, ApplyStateThenProgramThenParameters)
{
    const auto module = loadFixture();
    std::string error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;
    std::vector<uint8_t> state;
    ASSERT_TRUE(plugin->getState(state));  // level 0.5, program 0

    Settings settings;
    settings.state = state;
    settings.program = 2;
    settings.parameters = {{"Level", "0.125"}};
    plugin->setParameterNormalized(0, 0.9);
    std::vector<ParameterValue> forProcessor;
    ASSERT_TRUE(applySettings(*plugin, settings, forProcessor, error)) << error;
    EXPECT_DOUBLE_EQ(plugin->parameterNormalized(0), 0.125);
    EXPECT_DOUBLE_EQ(plugin->parameterNormalized(1), 2 / 3.0);
    ASSERT_EQ(forProcessor.size(), 2u);
    EXPECT_EQ(forProcessor[0].id, 1u);
    EXPECT_EQ(forProcessor[1].id, 0u);

    const struct {
        int32_t program;
        std::vector<uint8_t> state;
        const char* why;
    } failures[] = {{4, {}, "out of range"}, {-1, {1, 2, 3}, "refused the state"}};
    for (const auto& f : failures) {
        Settings bad;
        bad.program = f.program;
        if (!f.state.empty())
            bad.state = f.state;
        EXPECT_FALSE(applySettings(*plugin, bad, forProcessor, error));
        EXPECT_NE(error.find(f.why), std::string::npos) << error;
    }
}

} // namespace
