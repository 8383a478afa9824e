// Standard MIDI Files read with libsmf and turned into what a VST 3 plug-in
// receives.
#include "host_test_support.h"
#include "midievents.h"
#include "midifile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace vst3host;
using hosttest::MidiBuilder;
using hosttest::ScratchDir;

namespace {

using Kind = TimedEvent::Kind;

MidiSequence load(MidiBuilder& builder, const ScratchDir& dir)
{
    const std::string path = dir.path("in.mid");
    EXPECT_TRUE(builder.save(path));
    MidiSequence sequence;
    std::string error;
    EXPECT_TRUE(loadMidiFile(path, sequence, error)) << error;
    return sequence;
}

MidiControllerMap exampleMap()
{
    MidiControllerMap map;
    map.assign(0, 7, 70);
    map.assign(0, MidiControllerMap::kPitchBend, 80);
    map.assign(0, MidiControllerMap::kAfterTouch, 81);
    map.programParameter = 90;
    map.programStepCount = 3;
    return map;
}

TEST(MidiToVst3, TurnsEveryKindOfChannelMessageIntoItsEventOrParameter)
{
    ScratchDir dir;
    MidiBuilder midi;  // one pulse = 50 samples at 48 kHz
    midi.at(0, {0x90, 60, 127})
        .at(10, {0x91, 62, 0})
        .at(20, {0x80, 60, 64})
        .at(30, {0xB0, 7, 127})
        .at(30, {0xB0, 1, 20})
        .at(31, {0xB3, 7, 20})
        .at(40, {0xE0, 0x00, 0x40})
        .at(41, {0xE0, 0x7F, 0x7F})
        .at(42, {0xD0, 100})
        .at(50, {0xC0, 2})
        .at(51, {0xC0, 5})
        .at(60, {0xA2, 64, 127});
    ConversionStats stats;
    const std::vector<TimedEvent> timeline = toVst3Events(load(midi, dir), 48000.0, exampleMap(), &stats);

    const struct {
        int64_t sample;
        Kind kind;
        uint16_t type;    // events
        int16_t channel;  // events
        int16_t pitch;    // events
        double value;     // velocity, pressure or normalised value
        uint32_t id;      // parameters
    } expected[] = {
        {0, Kind::Event, V3_EVENT_NOTE_ON, 0, 60, 1.0, 0},
        {500, Kind::Event, V3_EVENT_NOTE_OFF, 1, 62, 0.0, 0},  // note-on with velocity 0
        {1000, Kind::Event, V3_EVENT_NOTE_OFF, 0, 60, 64 / 127.0, 0},
        {1500, Kind::Parameter, 0, 0, 0, 1.0, 70},
        {2000, Kind::Parameter, 0, 0, 0, 8192 / 16383.0, 80},  // pitch wheel centre
        {2050, Kind::Parameter, 0, 0, 0, 1.0, 80},
        {2100, Kind::Parameter, 0, 0, 0, 100 / 127.0, 81},
        {2500, Kind::Program, 0, 0, 0, 2 / 3.0, 90},
        {3000, Kind::Event, V3_EVENT_POLY_PRESSURE, 2, 64, 1.0, 0},
    };
    ASSERT_EQ(timeline.size(), std::size(expected));
    for (size_t i = 0; i < timeline.size(); ++i) {
        const TimedEvent& got = timeline[i];
        const auto& want = expected[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(got.sample, want.sample);
        ASSERT_EQ(got.kind, want.kind);
        if (want.kind != Kind::Event) {
            EXPECT_EQ(got.parameterId, want.id);
            EXPECT_NEAR(got.value, want.value, 1e-12);
            continue;
        }
        EXPECT_EQ(got.event.type, want.type);
        EXPECT_EQ(got.event.bus_index, 0);
        switch (want.type) {
        case V3_EVENT_NOTE_ON:
            EXPECT_EQ(got.event.note_on.channel, want.channel);
            EXPECT_EQ(got.event.note_on.pitch, want.pitch);
            EXPECT_NEAR(got.event.note_on.velocity, want.value, 1e-6);
            EXPECT_EQ(got.event.note_on.note_id, -1);
            break;
        case V3_EVENT_NOTE_OFF:
            EXPECT_EQ(got.event.note_off.channel, want.channel);
            EXPECT_EQ(got.event.note_off.pitch, want.pitch);
            EXPECT_NEAR(got.event.note_off.velocity, want.value, 1e-6);
            break;
        default:
            EXPECT_EQ(got.event.poly_pressure.channel, want.channel);
            EXPECT_EQ(got.event.poly_pressure.pitch, want.pitch);
            EXPECT_NEAR(got.event.poly_pressure.pressure, want.value, 1e-6);
        }
    }
    // CC 1, CC 7 on channel 4 and program 5 (beyond the four programs) reach nothing.
    EXPECT_EQ(stats.notes, 4u);
    EXPECT_EQ(stats.parameters, 4u);
    EXPECT_EQ(stats.programs, 1u);
    EXPECT_EQ(stats.unmapped, 3u);
}

TEST(MidiToVst3, FollowsTheTempoMapAndRoundsToTheNearestSample)
{
    ScratchDir dir;
    MidiBuilder midi;
    midi.tempo(0, 1'000'000)  // 60 BPM: a quarter lasts one second
        .at(480, {0x90, 60, 100})
        .tempo(480, 500'000)  // then 120 BPM
        .at(960, {0x80, 60, 0})
        .at(961, {0x90, 61, 100});
    const MidiSequence sequence = load(midi, dir);
    ASSERT_EQ(sequence.messages.size(), 3u);
    EXPECT_DOUBLE_EQ(sequence.messages[1].quarters, 2.0);

    const std::vector<TimedEvent> at48k = toVst3Events(sequence, 48000.0, MidiControllerMap{});
    ASSERT_EQ(at48k.size(), 3u);
    EXPECT_EQ(at48k[0].sample, 48000);
    EXPECT_EQ(at48k[1].sample, 72000);
    EXPECT_DOUBLE_EQ(at48k[1].event.ppq_position, 2.0);
    // 1.5 s + 1/960 s at 44.1 kHz is 66150 + 45.9375 samples.
    const std::vector<TimedEvent> at44k = toVst3Events(sequence, 44100.0, MidiControllerMap{});
    EXPECT_EQ(at44k[2].sample, 66196);
}

TEST(MidiToVst3, IgnoresProgramChangesWithoutAProgramParameter)
{
    ScratchDir dir;
    MidiBuilder midi;
    midi.at(0, {0xC0, 0}).at(1, {0xB0, 7, 1});
    ConversionStats stats;
    EXPECT_TRUE(toVst3Events(load(midi, dir), 48000.0, MidiControllerMap{}, &stats).empty());
    EXPECT_EQ(stats.unmapped, 2u);
}

TEST(MidiFile, RefusesMissingEmptyAndDamagedFilesWithoutCrashing)
{
    ScratchDir dir;
    MidiSequence sequence;
    std::string error;
    EXPECT_FALSE(loadMidiFile(dir.path("missing.mid"), sequence, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(loadMidiMemory({}, sequence, error));

    MidiBuilder midi;
    for (int i = 0; i < 20; ++i)
        midi.at(i * 10, {uint8_t(0x90 | (i & 1)), uint8_t(60 + i), 90});
    const std::string path = dir.path("whole.mid");
    ASSERT_TRUE(midi.save(path));
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_TRUE(loadMidiMemory(bytes, sequence, error));
    EXPECT_EQ(sequence.messages.size(), 20u);

    // Every truncation, each copied to a buffer of its own size so that the
    // sanitizer sees any read past its end.
    for (size_t length = 1; length < bytes.size(); ++length) {
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        MidiSequence partial;
        EXPECT_FALSE(loadMidiMemory(cut, partial, error)) << length;
    }
    // Lengths and contents that lie: each is refused, and none is read beyond.
    const auto damaged = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> copy = bytes;
        copy[at] = value;
        MidiSequence ignored;
        return loadMidiMemory(copy, ignored, error);
    };
    EXPECT_FALSE(damaged(7, 0xFF));   // header length beyond the file
    EXPECT_FALSE(damaged(9, 2));      // format 2
    EXPECT_FALSE(damaged(19, 0xFF));  // track length beyond the file
    EXPECT_FALSE(damaged(23, 0x3C));  // the first event loses its status byte
    std::vector<uint8_t> trailing = bytes;
    trailing.insert(trailing.end(), {0, 0, 0});  // too short for a chunk: ignored
    EXPECT_TRUE(loadMidiMemory(trailing, sequence, error)) << error;
}

} // namespace
