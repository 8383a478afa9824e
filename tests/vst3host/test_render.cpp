// Offline rendering of a MIDI file through the fixture plug-in into WAV.
#include "host_test_support.h"
#include "render.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using namespace vst3host;
using hosttest::MidiBuilder;
using hosttest::ScratchDir;

namespace {

constexpr double kRate = 48000.0;

struct Rendered {
    bool ok = false;
    RenderResult result;
    std::string error;
};

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        module = Module::load(hosttest::fixtureBundle(), error);
        ASSERT_TRUE(module) << error;
        plugin = Plugin::create(module, "", error);
        ASSERT_TRUE(plugin) << error;
    }

    MidiSequence sequence(MidiBuilder& midi)
    {
        const std::string path = dir.path("in.mid");
        EXPECT_TRUE(midi.save(path));
        MidiSequence loaded;
        std::string error;
        EXPECT_TRUE(loadMidiFile(path, loaded, error)) << error;
        return loaded;
    }

    Rendered render(const MidiSequence& midi, RenderOptions options, const std::string& wav = {})
    {
        Rendered out;
        options.captureAudio = true;
        out.ok = vst3host::render(*plugin, midi, options, wav, out.result, out.error);
        return out;
    }

    ScratchDir dir;
    std::shared_ptr<Module> module;
    std::unique_ptr<Plugin> plugin;
};

// The fixture's sound, computed here sample by sample: one sine at 440 Hz ×
// 2^program from `on` to `off`, amplitude velocity × level / 4, phase advanced
// before each sample; level and program change at the given samples.
std::vector<double> expectedSine(int64_t frames, int64_t on, int64_t off, double velocity,
                                 std::vector<std::pair<int64_t, double>> levels,
                                 std::vector<std::pair<int64_t, int>> programs)
{
    std::vector<double> out(static_cast<size_t>(frames), 0.0);
    double phase = 0, level = 0.5;
    int program = 0;
    for (int64_t s = 0; s < frames; ++s) {
        for (const auto& [at, value] : levels)
            if (at == s)
                level = value;
        for (const auto& [at, value] : programs)
            if (at == s)
                program = value;
        if (s < on || s >= off)
            continue;
        phase = std::fmod(phase + 440.0 * std::pow(2.0, program) / kRate, 1.0);
        out[static_cast<size_t>(s)] = velocity * level * 0.25 * std::sin(2.0 * M_PI * phase);
    }
    return out;
}

TEST_F(RenderTest, EveryEventTakesEffectAtItsOwnSampleAcrossBlockBoundaries)
{
    MidiBuilder midi;  // one pulse = 50 samples
    midi.at(7, {0x90, 69, 100})    // 350
        .at(15, {0xB0, 7, 32})     // 750: CC 7 drives "Level"
        .at(20, {0xC0, 1})         // 1000: program 1, an octave up
        .at(27, {0x80, 69, 0});    // 1350
    RenderOptions options;
    options.blockSize = 128;  // 350, 750, 1000 and 1350 all fall inside blocks
    options.tailSeconds = 0.01;
    const Rendered r = render(sequence(midi), options);
    ASSERT_TRUE(r.ok) << r.error;

    const std::vector<double> want =
        expectedSine(r.result.frames, 350, 1350, 100 / 127.0, {{750, 32 / 127.0}}, {{1000, 1}});
    ASSERT_EQ(r.result.audio.size(), 2 * want.size());
    for (size_t s = 0; s < want.size(); ++s) {
        ASSERT_NEAR(r.result.audio[2 * s], want[s], 1e-6) << "sample " << s;
        ASSERT_EQ(r.result.audio[2 * s + 1], r.result.audio[2 * s]) << "sample " << s;
    }
    // The block holding the program change was cut in two there.
    const int64_t calls = (1000 + 127) / 128 + (r.result.frames - 1000 + 127) / 128;
    EXPECT_EQ(r.result.processCalls, calls);
    EXPECT_EQ(r.result.frames, static_cast<int64_t>(std::ceil((1350 / kRate + 0.01) * kRate)));
    EXPECT_EQ(r.result.midi.notes, 2u);
    EXPECT_EQ(r.result.midi.parameters, 1u);
    EXPECT_EQ(r.result.midi.programs, 1u);
    EXPECT_EQ(r.result.outputEvents, 1u);  // the fixture echoes note-ons
    EXPECT_EQ(r.result.processErrors, 0u);
    EXPECT_EQ(r.result.droppedInputs, 0u);
    EXPECT_NEAR(r.result.peak, 0.25 * 100 / 127.0 * 0.5, 1e-3);
}

TEST_F(RenderTest, StartsFromTheChosenStateProgramAndParameters)
{
    MidiBuilder midi;
    midi.at(0, {0x90, 69, 127}).at(40, {0x80, 69, 0});  // 2000 samples
    std::vector<uint8_t> state;
    ASSERT_TRUE(plugin->getState(state));
    plugin->setParameterNormalized(0, 0.9);  // undone by the state

    RenderOptions options;
    options.tailSeconds = 0.0;
    options.settings.state = state;
    options.settings.program = 2;
    options.settings.parameters = {{"Level", "text:20"}};
    const Rendered r = render(sequence(midi), options);
    ASSERT_TRUE(r.ok) << r.error;
    const std::vector<double> want = expectedSine(r.result.frames, 0, 2000, 1.0, {{0, 0.2}}, {{0, 2}});
    for (size_t s = 0; s < want.size(); ++s)
        ASSERT_NEAR(r.result.audio[2 * s], want[s], 1e-6) << "sample " << s;
}

TEST_F(RenderTest, SixtyFourBitRenderMatchesThirtyTwoBit)
{
    MidiBuilder midi;
    midi.at(3, {0x90, 60, 90}).at(5, {0x90, 64, 90}).at(30, {0x80, 60, 0}).at(31, {0x80, 64, 0});
    const MidiSequence notes = sequence(midi);
    RenderOptions options;
    options.tailSeconds = 0.05;
    const Rendered single = render(notes, options);
    options.doublePrecision = true;
    const Rendered twice = render(notes, options);
    ASSERT_TRUE(single.ok && twice.ok) << single.error << twice.error;
    ASSERT_EQ(single.result.audio.size(), twice.result.audio.size());
    for (size_t i = 0; i < single.result.audio.size(); ++i)
        ASSERT_NEAR(single.result.audio[i], twice.result.audio[i], 1e-7) << i;
    EXPECT_GT(single.result.peak, 0.1);
}

TEST_F(RenderTest, WritesStereoWavInFloatOrSixteenBitPcm)
{
    MidiBuilder midi;
    midi.at(0, {0x90, 81, 127}).at(20, {0x80, 81, 0});
    const MidiSequence notes = sequence(midi);
    for (WavFormat format : {WavFormat::Float32, WavFormat::Pcm16}) {
        SCOPED_TRACE(format == WavFormat::Pcm16 ? "pcm16" : "float");
        RenderOptions options;
        options.sampleRate = 44100.0;
        options.blockSize = 300;
        options.tailSeconds = 0.25;
        options.format = format;
        const std::string path = dir.path(format == WavFormat::Pcm16 ? "out16.wav" : "out.wav");
        const Rendered r = render(notes, options, path);
        ASSERT_TRUE(r.ok) << r.error;

        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(info.channels, 2);
        EXPECT_EQ(info.samplerate, 44100);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (format == WavFormat::Pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT));
        ASSERT_EQ(info.frames, r.result.frames);
        std::vector<float> read(2 * static_cast<size_t>(info.frames));
        EXPECT_EQ(sf_readf_float(file, read.data(), info.frames), info.frames);
        sf_close(file);
        const double tolerance = format == WavFormat::Pcm16 ? 1.0 / 32767 : 0.0;
        for (size_t i = 0; i < read.size(); ++i)
            ASSERT_NEAR(read[i], r.result.audio[i], tolerance) << i;
    }
}

TEST_F(RenderTest, RefusesBadOptionsAndUnusableSettings)
{
    MidiBuilder midi;
    midi.at(0, {0x90, 60, 100});
    const MidiSequence notes = sequence(midi);
    const struct {
        double rate;
        int32_t block;
        double tail;
        int32_t program;
    } cases[] = {
        {0.0, 512, 1, -1}, {NAN, 512, 1, -1}, {48000, 0, 1, -1}, {48000, 512, -1, -1},
        {48000, 512, INFINITY, -1}, {48000, 512, 1, 4},
    };
    for (const auto& c : cases) {
        RenderOptions options;
        options.sampleRate = c.rate;
        options.blockSize = c.block;
        options.tailSeconds = c.tail;
        options.settings.program = c.program;
        const Rendered r = render(notes, options);
        EXPECT_FALSE(r.ok) << c.rate << " " << c.block << " " << c.tail << " " << c.program;
        EXPECT_FALSE(r.error.empty());
    }
    RenderOptions unwritable;
    const Rendered r = render(notes, unwritable, dir.path("no/such/folder/out.wav"));
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(plugin->active());
}

} // namespace
