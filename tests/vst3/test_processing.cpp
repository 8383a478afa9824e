// What one process call does with notes, parameter changes and controller
// parameters, and what comes back to the host.
#include "kelva_host.h"

using namespace kelvahost;

namespace
{
const v3_event* findEvent(const vst3host::EventList& events, uint16_t type, int16_t pitch)
{
  for (uint32_t i = 0; i < events.size(); ++i)
  {
    const v3_event& e = events[i];
    if (e.type != type)
      continue;
    if ((type == V3_EVENT_NOTE_ON && e.note_on.pitch == pitch) || (type == V3_EVENT_NOTE_OFF && e.note_off.pitch == pitch))
      return &e;
  }
  return nullptr;
}

uint32_t countEvents(const vst3host::EventList& events, uint16_t type)
{
  uint32_t n = 0;
  for (uint32_t i = 0; i < events.size(); ++i)
    n += events[i].type == type ? 1 : 0;
  return n;
}

// Frequencies of the single periods between successive rising crossings.
std::vector<double> periodFrequencies(const std::vector<double>& x)
{
  const std::vector<double> at = risingCrossings(x);
  std::vector<double> f;
  for (size_t i = 1; i < at.size(); ++i)
    f.push_back(kRate / (at[i] - at[i - 1]));
  return f;
}
} // namespace

TEST_F(KelvaHost, ANoteSoundsAtItsPitchAndStopsWhenReleased)
{
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);
  useDefaults(*plugin);
  EXPECT_LT(peak(render(*plugin, 4)), 1e-6);

  ASSERT_TRUE(plugin->inputEvents().addNoteOn(0, 0, 69, 0.8f));
  const Audio held = render(*plugin, 20);
  EXPECT_TRUE(allFinite(held));
  const Audio steady = held.slice(4 * kBlock, 16 * kBlock);
  EXPECT_GT(rms(steady.left), 0.01);
  EXPECT_GT(rms(steady.right), 0.01);
  EXPECT_NEAR(frequency(steady.left), 440.0, 1.0);
  // MIDI thru is off unless the configuration turns it on.
  EXPECT_EQ(plugin->outputEvents().size(), 0u);

  ASSERT_TRUE(plugin->inputEvents().addNoteOff(0, 0, 69));
  render(*plugin, 20);
  EXPECT_LT(peak(render(*plugin, 4)), 1e-4);
  EXPECT_EQ(plugin->outputEvents().size(), 0u);
}

TEST_F(KelvaHost, ANoteKeepsItsPitchAtEverySampleRate)
{
  for (double rate : {44100.0, 96000.0})
  {
    SCOPED_TRACE(rate);
    vst3host::Plugin* plugin = create();
    ASSERT_TRUE(plugin);
    ASSERT_TRUE(prepare(*plugin, false, rate, 1024));
    useDefaults(*plugin);
    plugin->inputEvents().addNoteOn(0, 0, 81, 0.8f);
    const int blocks = static_cast<int>(rate / 1024) + 1;  // a second
    const Audio a = render(*plugin, blocks, 1024);
    EXPECT_NEAR(frequency(a.slice(a.size() / 2, a.size() / 2).left, rate), 880.0, 2.0);
  }
}

TEST_F(KelvaHost, HostBlockSizesDoNotChangeTheSound)
{
  // The same chord rendered in full blocks and in the uneven blocks a host
  // makes around loop points and automation, empty calls included.
  const int32_t uneven[] = {1, 7, 0, 100, 511, 64, 333, 0, 2, 512, 45};
  Audio out[2];
  for (int run = 0; run < 2; ++run)
  {
    vst3host::Plugin* plugin = start();
    ASSERT_TRUE(plugin);
    useDefaults(*plugin);
    setParameter(*plugin, kStrVol, 0.7);
    setParameter(*plugin, kPhaser, 1.0);
    setParameter(*plugin, kDelay, 0.5);
    for (int16_t note : {45, 57, 64})
      plugin->inputEvents().addNoteOn(0, 0, note, 0.9f);
    Audio& a = out[run];
    const std::vector<int32_t> sizes =
      run == 0 ? std::vector<int32_t>{kBlock} : std::vector<int32_t>(std::begin(uneven), std::end(uneven));
    while (a.size() < 48000)
      for (int32_t frames : sizes)
      {
        ASSERT_EQ(plugin->process(frames), V3_OK);
        appendOutput(*plugin, frames, a);
      }
  }
  const size_t n = std::min(out[0].size(), out[1].size());
  EXPECT_GT(rms(out[0].left), 0.01);
  EXPECT_LT(largestDifference(out[0].slice(0, n), out[1].slice(0, n)), 1e-6);
}

TEST_F(KelvaHost, SingleAndDoublePrecisionBuffersCarryTheSameAudio)
{
  vst3host::Plugin* single = start(false);
  vst3host::Plugin* dual = start(true);
  ASSERT_TRUE(single && dual);
  Audio out[2];
  vst3host::Plugin* pair[2] = {single, dual};
  for (int i = 0; i < 2; ++i)
  {
    vst3host::Plugin& p = *pair[i];
    setParameter(p, kStrVol, 0.8);
    setParameter(p, kPhaser, 0.5);
    setParameter(p, kDelay, 1.0);
    for (int16_t note : {48, 60, 64, 67})
      p.inputEvents().addNoteOn(note * 3, 0, note, 0.7f);
    out[i] = render(p, 30);
  }
  EXPECT_GT(rms(out[0].left), 0.01);
  EXPECT_TRUE(allFinite(out[1]));
  EXPECT_LT(largestDifference(out[0], out[1]), 1e-6);
}

TEST_F(KelvaHost, OnlyTheLastPointOfAParameterQueueCounts)
{
  const struct
  {
    const char* what;
    std::vector<vst3host::ParamValueQueue::Point> points;
  } runs[] = {
    {"three points", {{0, 0.0}, {100, 0.2}, {300, 1.0}}},
    {"the last point alone", {{300, 1.0}}},
    {"the first point alone", {{0, 0.0}}},
  };
  Audio out[3];
  for (int i = 0; i < 3; ++i)
  {
    vst3host::Plugin* plugin = start();
    ASSERT_TRUE(plugin);
    for (const auto& point : runs[i].points)
      ASSERT_TRUE(plugin->inputParameterChanges().addPoint(kVolume, point.offset, point.value));
    plugin->inputEvents().addNoteOn(0, 0, 57, 1.0f);
    out[i] = render(*plugin, 6);
    // A change that came from the host is not reported back to it.
    EXPECT_EQ(plugin->outputParameterChanges().count(), 0) << runs[i].what;
  }
  EXPECT_GT(rms(out[0].left), 0.01);
  EXPECT_EQ(largestDifference(out[0], out[1]), 0.0);
  EXPECT_GT(largestDifference(out[0], out[2]), 0.01);
}

TEST_F(KelvaHost, PitchBendParameterBendsThePitchByTheJoyDepth)
{
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);
  useDefaults(*plugin);
  setParameter(*plugin, kJoyFMDepth, 1.0);  // just over an octave
  plugin->inputEvents().addNoteOn(0, 0, 69, 0.8f);
  const struct
  {
    double bend;
    double hz;
  } steps[] = {{0.5, 440.0}, {1.0, 880.0}, {0.0, 220.0}, {0.5, 440.0}};
  for (const auto& s : steps)
  {
    plugin->inputParameterChanges().addPoint(kPitchBend, 0, s.bend);
    const Audio a = render(*plugin, 12);
    EXPECT_NEAR(frequency(a.slice(4 * kBlock, 8 * kBlock).left), s.hz, s.hz * 0.01) << s.bend;
  }
}

TEST_F(KelvaHost, ModulationWheelParameterAddsVibrato)
{
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);
  useDefaults(*plugin);
  setParameter(*plugin, kJoyFMDepth, 1.0);
  plugin->inputEvents().addNoteOn(0, 0, 69, 0.8f);
  render(*plugin, 4);

  // About one second each: the vibrato runs at several hertz.
  const auto spread = [&] {
    const std::vector<double> f = periodFrequencies(render(*plugin, 94).left);
    if (f.empty())
      return 0.0;
    const auto [lo, hi] = std::minmax_element(f.begin(), f.end());
    return *hi / *lo;
  };
  EXPECT_LT(spread(), 1.02);
  plugin->inputParameterChanges().addPoint(kModWheel, 0, 1.0);
  EXPECT_GT(spread(), 1.3);
  plugin->inputParameterChanges().addPoint(kModWheel, 0, 0.0);
  render(*plugin, 4);
  EXPECT_LT(spread(), 1.02);
}

TEST_F(KelvaHost, MidiThruEchoesNotesAndControllersAtTheirOffsets)
{
  home.writeIni("[MIDI Global]\nMIDI Thru=true\n");
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);

  vst3host::EventList& in = plugin->inputEvents();
  ASSERT_TRUE(in.addNoteOn(37, 0, 60, 1.0f));
  ASSERT_TRUE(in.addNoteOn(200, 0, 64, 0.5f));
  ASSERT_TRUE(in.addNoteOff(400, 0, 60));
  // A controller parameter becomes one control change, from its last point.
  plugin->inputParameterChanges().addPoint(kModWheel, 0, 0.2);
  plugin->inputParameterChanges().addPoint(kModWheel, 50, 0.5);
  plugin->inputParameterChanges().addPoint(kModWheel, 100, 1.0);
  ASSERT_EQ(plugin->process(kBlock), V3_OK);

  const vst3host::EventList& out = plugin->outputEvents();
  EXPECT_EQ(out.size(), 4u);
  const struct
  {
    uint16_t type;
    int16_t pitch;
    int32_t offset;
    float velocity;
  } notes[] = {
    {V3_EVENT_NOTE_ON, 60, 37, 1.0f},
    {V3_EVENT_NOTE_ON, 64, 200, 63 / 127.0f},
    {V3_EVENT_NOTE_OFF, 60, 400, 0.0f},
  };
  for (const auto& n : notes)
  {
    SCOPED_TRACE(n.offset);
    const v3_event* e = findEvent(out, n.type, n.pitch);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->bus_index, 0);
    EXPECT_EQ(e->sample_offset, n.offset);
    if (n.type == V3_EVENT_NOTE_ON)
    {
      EXPECT_EQ(e->note_on.channel, 0);
      EXPECT_FLOAT_EQ(e->note_on.velocity, n.velocity);
    }
    else
      EXPECT_EQ(e->note_off.channel, 0);
  }
  ASSERT_EQ(countEvents(out, V3_EVENT_LEGACY_MIDI_CC_OUT), 1u);
  for (uint32_t i = 0; i < out.size(); ++i)
    if (out[i].type == V3_EVENT_LEGACY_MIDI_CC_OUT)
    {
      EXPECT_EQ(out[i].sample_offset, 100);
      EXPECT_EQ(out[i].midi_cc_out.cc_number, 1);
      EXPECT_EQ(out[i].midi_cc_out.channel, 0);
      EXPECT_EQ(out[i].midi_cc_out.value, 127);
    }

  // The pitch wheel comes back as the legacy pitch-bend controller, centred.
  plugin->inputParameterChanges().addPoint(kPitchBend, 20, 0.5);
  ASSERT_EQ(plugin->process(kBlock), V3_OK);
  ASSERT_EQ(plugin->outputEvents().size(), 1u);
  const v3_event& bend = plugin->outputEvents()[0];
  EXPECT_EQ(bend.type, V3_EVENT_LEGACY_MIDI_CC_OUT);
  EXPECT_EQ(bend.sample_offset, 20);
  EXPECT_EQ(bend.midi_cc_out.cc_number, 129);
  EXPECT_EQ(bend.midi_cc_out.value, 0x00);
  EXPECT_EQ(bend.midi_cc_out.value2, 0x40);
}

TEST_F(KelvaHost, LearnedControllerReportsItsParameterThroughTheProcessOutput)
{
  home.writeIni("[MIDI Control]\nCC20=1\n");
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);
  useDefaults(*plugin);
  plugin->inputEvents().addNoteOn(0, 0, 69, 0.8f);
  const double before = rms(render(*plugin, 8).slice(4 * kBlock, 4 * kBlock).left);
  ASSERT_GT(before, 0.01);

  // Controller 21 is tied to nothing.
  plugin->inputParameterChanges().addPoint(kControllerBase + 21, 0, 0.25);
  ASSERT_EQ(plugin->process(kBlock), V3_OK);
  EXPECT_EQ(plugin->outputParameterChanges().count(), 0);

  plugin->inputParameterChanges().addPoint(kControllerBase + 20, 0, 0.25);  // data byte 31
  ASSERT_EQ(plugin->process(kBlock), V3_OK);
  const vst3host::ParamValueQueue* reported = plugin->outputParameterChanges().find(kVolume);
  ASSERT_NE(reported, nullptr);
  ASSERT_GT(reported->pointCount(), 0);
  EXPECT_NEAR(reported->point(reported->pointCount() - 1).value, 31 / 127.0, 1e-9);
  EXPECT_EQ(plugin->outputParameterChanges().count(), 1);
  EXPECT_EQ(plugin->componentHandler().callsDuringProcess(), 0u);

  // And the volume follows: 31/127 in place of 0.5, and "Volume" scales the
  // sound by its square.
  const double after = rms(render(*plugin, 8).slice(4 * kBlock, 4 * kBlock).left);
  EXPECT_NEAR(after / before, std::pow((31 / 127.0) / 0.5, 2), 0.02);
}
