#include <gtest/gtest.h>

#include "kelva_fixture.h"

namespace
{
constexpr double kRate = 48000;

size_t firstSound(const std::vector<double>& x)
{
  for (size_t i = 0; i < x.size(); ++i)
    if (std::fabs(x[i]) > 1e-12)
      return i;
  return x.size();
}
} // namespace

TEST(KelvaMidi, NoteOnsActAtTheNearestControlTick)
{
  // 48 kHz: ticks every 48 samples. An offset beyond the first period is
  // moved by half a period before it is queued.
  const struct { int offset; size_t sample; } cases[] = {
    {0, 0}, {30, 0}, {48, 0}, {70, 48}, {73, 96}, {500, 480}};
  for (const auto& c : cases)
  {
    KelvaRig rig(kRate);
    rig.noteOn(60, 100, c.offset);
    const auto out = rig.renderLeft(1024, 1024);
    EXPECT_EQ(firstSound(out), c.sample) << "offset " << c.offset;
  }
}

TEST(KelvaMidi, NotesBelow24AreIgnored)
{
  KelvaRig rig(kRate);
  rig.noteOn(23);
  EXPECT_EQ(rms(rig.renderLeft(4800), 0, 4800), 0.0);
  EXPECT_EQ(rig.kelva.pressedKeyVelocity(23), 0);
  rig.noteOn(24);
  EXPECT_GT(rms(rig.renderLeft(4800), 0, 4800), 0.0);
}

TEST(KelvaMidi, KeyboardFollowTracksTheHighestHeldKey)
{
  KelvaRig rig(kRate);
  for (int note : {60, 67, 64})
    rig.noteOn(note);
  rig.renderLeft(48);
  EXPECT_DOUBLE_EQ(rig.kelva.getKbdTrack(), 7 * 1537 / 12.0);
  rig.noteOff(67);
  rig.renderLeft(48);
  EXPECT_DOUBLE_EQ(rig.kelva.getKbdTrack(), 4 * 1537 / 12.0);
  rig.noteOff(64);
  rig.noteOff(60);
  rig.renderLeft(48);
  EXPECT_DOUBLE_EQ(rig.kelva.getKbdTrack(), 0.0);  // keeps the last value (note 60)
}

TEST(KelvaMidi, SixtyFifthNoteStealsTheOldest)
{
  KelvaRig rig(kRate);
  for (int note = 24; note < 24 + 64; ++note)
    rig.noteOn(note);
  rig.renderLeft(48);
  rig.noteOn(100);
  rig.renderLeft(48);
  EXPECT_EQ(rig.kelva.getVoice(0).note, 100);  // voice 0 held note 24, the first struck

  // Striking a held note again reuses its own voice.
  rig.noteOn(50);
  rig.renderLeft(48);
  int voicesOn50 = 0;
  for (int i = 0; i < Kelva::kNumVoices; ++i)
    voicesOn50 += rig.kelva.getVoice(i).note == 50;
  EXPECT_EQ(voicesOn50, 1);
}

TEST(KelvaMidi, ControllersAndWheelsDecode)
{
  KelvaRig rig(kRate);
  rig.midi(0xE0, 0, 64);
  rig.midi(0xB0, 1, 127);
  rig.renderLeft(48);
  EXPECT_EQ(rig.kelva.getBend(), 0.0);
  EXPECT_EQ(rig.kelva.getModWheel(), 1.0);
  rig.midi(0xE0, 0, 0);
  rig.renderLeft(48);
  EXPECT_EQ(rig.kelva.getBend(), -1.0);
}

TEST(KelvaMidi, AllNotesOffControllersSilenceAtOnce)
{
  for (int cc : {120, 123})
  {
    KelvaRig rig(kRate);
    rig.noteOn(60);
    rig.renderLeft(480);
    rig.midi(0xB0, cc, 0);
    EXPECT_FALSE(rig.kelva.getVoice(0).keyDown) << cc;  // before any tick
  }
  KelvaRig rig(kRate);
  rig.noteOn(60);
  rig.renderLeft(480);
  rig.midi(0xB0, 121, 0);
  EXPECT_TRUE(rig.kelva.getVoice(0).keyDown);
}

TEST(KelvaMidi, ProgramChangesSelectProgramsUnlessIgnored)
{
  KelvaRig rig(kRate);
  rig.midi(0xC0, 3, 0);
  EXPECT_EQ(rig.kelva.GetCurrentPresetIdx(), 3);
  rig.midi(0xC0, 100, 0);
  EXPECT_EQ(rig.kelva.GetCurrentPresetIdx(), 3);
  rig.kelva.setIgnoreProgramChange(true);
  rig.midi(0xC0, 5, 0);
  EXPECT_EQ(rig.kelva.GetCurrentPresetIdx(), 3);
}

TEST(KelvaMidi, MidiThruEchoesEveryMessage)
{
  KelvaRig rig(kRate);
  rig.kelva.setMidiThru(true);
  rig.midi(0x90, 60, 100);
  rig.midi(0xA0, 60, 10);  // ignored by the instrument, still echoed
  rig.midi(0xF8, 0, 0);
  EXPECT_EQ(rig.kelva.GetMidiOutputQueue().ToDo(), 3);
}
