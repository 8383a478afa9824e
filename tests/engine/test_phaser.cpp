#include "fx_signals.h"
#include "phaser.h"

#include <gtest/gtest.h>

namespace
{
Phaser makePhaser(int mode, double center, double modDepth, double feedback, double mix)
{
  Phaser ph;
  ph.reset(44100);
  ph.setMode(mode);
  ph.center = center;
  ph.modDepth = modDepth;
  ph.feedback = feedback;
  ph.mix = mix;
  ph.lfo.setRate(0.5);
  return ph;
}

// One update per millisecond, as the instrument runs it.
void run(Phaser& ph, std::vector<double>& l, std::vector<double>& r)
{
  for (size_t at = 0; at < l.size(); at += 44)
  {
    ph.update();
    const int n = (int)std::min<size_t>(44, l.size() - at);
    ph.process(l.data() + at, r.data() + at, n);
  }
}

double energy(const std::vector<double>& x)
{
  double e = 0;
  for (double v : x)
    e += v * v;
  return e;
}
}

TEST(Phaser, DryMixPassesTheInput)
{
  Phaser ph = makePhaser(1, 0.3, 0.8, 0.8, 0.0);
  auto l = fx::noise(4410, 1.0, 1), r = fx::noise(4410, 1.0, 2);
  const auto inL = l, inR = r;
  run(ph, l, r);
  for (size_t i = 0; i < l.size(); ++i)
  {
    ASSERT_NEAR(l[i], inL[i], 1e-12);
    ASSERT_NEAR(r[i], inR[i], 1e-12);
  }
}

TEST(Phaser, StaticChainWithoutFeedbackKeepsTheLevel)
{
  // An all-pass chain changes phase only: as much energy out as in, and
  // both channels alike.
  for (int mode : {1, 2})
  {
    Phaser ph = makePhaser(mode, 0.2, 0.0, 0.0, 1.0);
    auto l = fx::noise(44100, 1.0, 3), r = l;
    const auto in = l;
    run(ph, l, r);
    EXPECT_NEAR(energy(l) / energy(in), 1.0, 0.01) << mode;
    EXPECT_EQ(l, r);
  }
}

TEST(Phaser, FullFeedbackLoopSettlesAfterAnImpulse)
{
  // The fed-back gain stays below 1, so every impulse response dies away
  // (slowly at low corners, where the chain's group delay is long), down to
  // the floor of the anti-denormal offset; also at the bottom of the sweep,
  // where all stages invert.
  for (int mode : {1, 2})
  {
    for (double center : {0.0, 0.05, 0.5, 1.0})
    {
      Phaser ph = makePhaser(mode, center, 0.0, 1.0, 1.0);
      auto l = fx::impulse(2 * 44100), r = fx::impulse(2 * 44100);
      run(ph, l, r);
      EXPECT_TRUE(fx::allFinite(l)) << mode << " " << center;
      const double early = fx::peakAbs(l, 22050, 44100);
      const double late = fx::peakAbs(l, 66150);
      EXPECT_LT(late, std::max(0.8 * early, 1e-9)) << mode << " " << center;
    }
    // Swept, on noise: finite throughout.
    Phaser ph = makePhaser(mode, 0.3, 0.8, 1.0, 1.0);
    auto l = fx::noise(44100, 1.0, 4), r = fx::noise(44100, 1.0, 5);
    run(ph, l, r);
    EXPECT_TRUE(fx::allFinite(l) && fx::allFinite(r)) << mode;
  }
}
