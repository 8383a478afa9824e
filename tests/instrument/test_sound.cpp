#include <gtest/gtest.h>

#include "kelva_fixture.h"

namespace
{
constexpr double kRate = 48000;

std::vector<double> playNote(KelvaRig& rig, int note, int frames)
{
  rig.noteOn(note);
  return rig.renderLeft(frames);
}
} // namespace

TEST(KelvaSound, NoteSixtyNineSoundsAt440Hz)
{
  KelvaRig rig(kRate);
  const auto out = playNote(rig, 69, 24000);
  EXPECT_NEAR(fundamentalHz(out, 2400, kRate), 440.0, 0.5);
}

TEST(KelvaSound, OctaveUpDoublesThePitch)
{
  KelvaRig rig(kRate);
  rig.setPlain(kOctave, 1);
  const auto out = playNote(rig, 69, 24000);
  EXPECT_NEAR(fundamentalHz(out, 2400, kRate), 880.0, 1.0);
}

TEST(KelvaSound, TuneMovesByHalfASemitoneAtTheEnds)
{
  for (const double tune : {64.0, -64.0})
  {
    KelvaRig rig(kRate);
    rig.setPlain(kTune, tune);
    const auto out = playNote(rig, 69, 24000);
    // A quarter tone in Hz, interpolated linearly between A4 and its
    // neighbour, as the pitch tables do.
    const double expected = tune > 0 ? 440 + 0.5 * (466.164 - 440) : 440 - 0.5 * (440 - 415.305);
    EXPECT_NEAR(fundamentalHz(out, 2400, kRate), expected, 0.5) << tune;
  }
}

TEST(KelvaSound, ReleasedNoteFadesToSilence)
{
  KelvaRig rig(kRate);
  rig.setPlain(kSynEGR, 0.3);
  rig.setPlain(kVCAMode, 1);  // the Syn envelope shapes the amplitude
  auto out = playNote(rig, 60, 9600);
  EXPECT_GT(rms(out, 4800, 9600), 0.01);
  rig.noteOff(60);
  const auto tail = rig.renderLeft(96000);
  EXPECT_GT(rms(tail, 0, 480), 0.001);
  EXPECT_LT(rms(tail, 86400, 96000), 1e-6);
}

TEST(KelvaSound, SustainPedalHoldsUntilLifted)
{
  KelvaRig rig(kRate);
  rig.setPlain(kVCAMode, 1);
  rig.midi(0xB0, 64, 1);  // any value above 0 is pedal down
  playNote(rig, 60, 4800);
  rig.noteOff(60);
  auto held = rig.renderLeft(48000);
  EXPECT_GT(rms(held, 43200, 48000), 0.01);
  rig.midi(0xB0, 64, 0);
  auto released = rig.renderLeft(48000);
  EXPECT_LT(rms(released, 43200, 48000), 1e-6);
}

TEST(KelvaSound, RenderingDoesNotDependOnTheBlockSize)
{
  std::vector<double> reference;
  for (const int block : {512, 1, 31, 48, 4096})
  {
    KelvaRig rig(kRate);
    rig.setPlain(kStrVol, 0.7);
    rig.setPlain(kPhaser, 1);
    rig.setPlain(kDelay, 1);
    rig.noteOn(60);
    rig.noteOn(64);
    std::vector<double> l, r;
    rig.render(9000, block, l, r);
    if (reference.empty())
      reference = l;
    else
      ASSERT_EQ(l, reference) << "block " << block;
  }
}

TEST(KelvaSound, VolumeScalesTheOutputTwice)
{
  auto level = [](double volume) {
    KelvaRig rig(kRate);
    rig.setPlain(kVolume, volume);
    rig.setPlain(kSynVol, 1);
    return rms(playNote(rig, 60, 9600), 4800, 9600);
  };
  EXPECT_NEAR(level(0.5) / level(1.0), 0.25, 1e-9);
}

TEST(KelvaSound, StrSectionIsSilentAtZeroLevel)
{
  KelvaRig rig(kRate);
  rig.setPlain(kSynVol, 0);
  rig.setPlain(kStrVol, 0);
  EXPECT_EQ(rms(playNote(rig, 60, 9600), 0, 9600), 0.0);

  KelvaRig strings(kRate);
  strings.setPlain(kSynVol, 0);
  strings.setPlain(kStrVol, 1);
  EXPECT_GT(rms(playNote(strings, 60, 24000), 12000, 24000), 0.01);
}

TEST(KelvaSound, ForcedOrSwitchedGodModeRunsPerVoicePath)
{
  KelvaRig rig(kRate);
  rig.setPlain(kGODMode, 1);
  EXPECT_TRUE(rig.kelva.isGODMode());
  const auto out = playNote(rig, 69, 24000);
  EXPECT_NEAR(fundamentalHz(out, 4800, kRate), 440.0, 0.5);
  rig.setPlain(kGODMode, 0);
  EXPECT_FALSE(rig.kelva.isGODMode());
  EXPECT_FALSE(rig.kelva.getVoice(0).keyDown);  // switching silences every note
}

TEST(KelvaSound, EverySampleRateRendersInTune)
{
  for (const double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
  {
    KelvaRig rig(rate);
    EXPECT_EQ(rig.kelva.getCtrlPeriod(), static_cast<int>(rate) / 1000);
    const auto out = playNote(rig, 69, static_cast<int>(rate / 2));
    EXPECT_NEAR(fundamentalHz(out, static_cast<size_t>(rate / 20), rate), 440.0, 0.6) << rate;
  }
}

TEST(KelvaSound, ZeroFrameBlockRendersNothing)
{
  KelvaRig rig(kRate);
  double sentinel[2] = {7, 7};
  double* outputs[2] = {&sentinel[0], &sentinel[1]};
  rig.kelva.ProcessBlock(nullptr, outputs, 0);
  EXPECT_EQ(sentinel[0], 7);
}
