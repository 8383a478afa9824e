#include "synth.pitch.h"

#include <gtest/gtest.h>

TEST(PitchIndex, WholeSemitonesReadTheTableExactly)
{
  for (int n = 0; n < 135; ++n)
    EXPECT_EQ(SynthPitch::convert2Hz(128 * n), SynthPitch::MIDI2Hz[n]) << n;
  EXPECT_EQ(SynthPitch::convert2Hz(128 * 69), 440.0);
  EXPECT_EQ(SynthPitch::convert2Hz(128 * 60), 261.626);
}

TEST(PitchIndex, FractionsInterpolateLinearlyInHz)
{
  EXPECT_DOUBLE_EQ(SynthPitch::convert2Hz(64), (8.176 + 8.662) / 2);
  EXPECT_DOUBLE_EQ(SynthPitch::convert2Hz(-64), (8.176 + 7.7171163805) / 2);
}

TEST(PitchIndex, OutOfRangeIndexesHoldAtTheEnds)
{
  EXPECT_EQ(SynthPitch::convert2Hz(17280), 19912.127);
  EXPECT_EQ(SynthPitch::convert2Hz(1 << 30), 19912.127);
  EXPECT_EQ(SynthPitch::convert2Hz(-17280), 0.0033570162);
  EXPECT_EQ(SynthPitch::convert2Hz(-(1 << 30)), 0.0033570162);
  EXPECT_EQ(SynthPitch::convert2Hz(0), 8.176);
}

TEST(PitchTables, EndpointsAndTwoDecimalNotes)
{
  EXPECT_EQ(SynthPitch::MIDI2Hz[135], 19912.127);
  EXPECT_EQ(SynthPitch::MIDI2Hz[124], 10548.08);
  EXPECT_EQ(SynthPitch::MIDI2Hz[125], 11175.3);
  EXPECT_EQ(SynthPitch::AntiMIDI2Hz[1], 7.7171163805);
  EXPECT_EQ(SynthPitch::AntiMIDI2Hz[135], 0.0033570162);
}
