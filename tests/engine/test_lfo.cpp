#include "lfo.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(LFO, StartsAtTheBottomAndStandsStillUntilARateIsSet)
{
  LFO lfo;
  lfo.setRate(0.7);
  lfo.setPhase2(90);
  for (int i = 0; i < 13; ++i)
    lfo.update();
  lfo.init();
  lfo.update();
  EXPECT_EQ(lfo.out1, -1.0);
  EXPECT_EQ(lfo.uni1, 0.0);
  for (int i = 0; i < 100; ++i)
    lfo.update();
  EXPECT_EQ(lfo.out1, -1.0);
  EXPECT_EQ(lfo.out2, -1.0);
}

TEST(LFO, HalfACycleOffsetMirrorsTheSecondOutput)
{
  LFO lfo;
  lfo.init();
  lfo.setRate(0.37);
  lfo.setPhase2(180);
  lfo.update();
  for (int i = 0; i < 500; ++i)
  {
    lfo.update();
    ASSERT_NEAR(lfo.out2, -lfo.out1, 1e-12) << i;
    ASSERT_NEAR(lfo.uni1 + lfo.uni2, 1.0, 1e-12) << i;
  }
}

TEST(LFO, FullRateIsTwentyFiveCyclesPerThousandUpdates)
{
  LFO lfo;
  lfo.init();
  lfo.setRate(1.0);
  int risingZeroCrossings = 0;
  double lo = 0, hi = 0, prev = -1;
  for (int i = 0; i < 1000; ++i)
  {
    lfo.update();
    if (prev < 0 && lfo.out1 >= 0)
      ++risingZeroCrossings;
    prev = lfo.out1;
    lo = std::min(lo, lfo.out1);
    hi = std::max(hi, lfo.out1);
  }
  EXPECT_EQ(risingZeroCrossings, 25);
  EXPECT_EQ(lo, -1.0);
  EXPECT_GT(hi, 0.99);
  EXPECT_LE(hi, 1.0);
}
