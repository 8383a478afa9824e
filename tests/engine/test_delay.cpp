#include "delay.h"
#include "fx_signals.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
constexpr int kPingpong = 1;
constexpr int kOn = 2;

std::unique_ptr<BBDelay> makeDelay(double rate, int mode, double time, double feedback, double mix)
{
  auto d = std::make_unique<BBDelay>();
  d->reset(rate);
  d->setLPFreq(6000);
  d->mode = mode;
  d->setDelay(time);
  d->feedback = feedback;
  d->setMix(mix);
  return d;
}

int firstAbove(const std::vector<double>& y, double level, int from = 0)
{
  for (int i = from; i < (int)y.size(); ++i)
    if (std::fabs(y[i]) > level)
      return i;
  return -1;
}

int peakIndex(const std::vector<double>& y, int from, int to)
{
  int best = from;
  for (int i = from; i < to; ++i)
    if (std::fabs(y[i]) > std::fabs(y[best]))
      best = i;
  return best;
}
}

TEST(BBDelay, EchoArrivesAfterHalfASecondTimesStep)
{
  struct Case { double time; double echo; };
  for (const Case& c : {Case{1.0, 22050}, Case{0.0, 2756.25}, Case{0.6, 14332.5}})
  {
    auto d = makeDelay(44100, kOn, c.time, 0.0, 1.0);
    auto l = fx::impulse(30000, 0, 1.0), r = std::vector<double>(30000, 0.0);
    d->processAudio(l.data(), r.data(), (int)l.size());
    const int at = peakIndex(l, 1, (int)l.size());
    EXPECT_GE(at, c.echo) << c.time;
    EXPECT_LE(at, c.echo + 8) << c.time;
    EXPECT_GT(l[at], 0.05) << c.time;
  }
}

TEST(BBDelay, PingpongCrossesEachEchoToTheOtherSide)
{
  auto d = makeDelay(44100, kPingpong, 0.0, 0.7, 1.0);
  const int n = 3 * 2757 + 100;
  auto l = fx::impulse(n), r = std::vector<double>(n, 0.0);
  d->processAudio(l.data(), r.data(), n);

  const int firstRight = firstAbove(r, 0.01);
  const int firstLeft = firstAbove(l, 0.01);
  ASSERT_GT(firstRight, 2700);
  EXPECT_LT(firstRight, 2770);
  // The second echo comes back on the left one delay time later.
  EXPECT_GT(firstLeft, firstRight + 2700);
  EXPECT_LT(firstLeft, firstRight + 2770);
}

TEST(BBDelay, PlainModeKeepsTheChannelsApart)
{
  auto d = makeDelay(44100, kOn, 0.2, 1.0, 0.5);
  auto l = fx::noise(44100), r = std::vector<double>(44100, 0.0);
  d->processAudio(l.data(), r.data(), 44100);
  EXPECT_LT(fx::peakAbs(r), 1e-9);
  EXPECT_GT(fx::peakAbs(l), 0.5);
}

TEST(BBDelay, FullFeedbackWithLoudInputStaysBounded)
{
  for (int mode : {kPingpong, kOn})
  {
    for (double time : {0.0, 1.0})
    {
      auto d = makeDelay(44100, mode, time, 1.0, 1.0);
      auto l = fx::noise(3 * 44100, 20.0, 7), r = fx::noise(3 * 44100, 20.0, 8);
      d->processAudio(l.data(), r.data(), (int)l.size());
      EXPECT_TRUE(fx::allFinite(l) && fx::allFinite(r));
      EXPECT_LT(std::max(fx::peakAbs(l), fx::peakAbs(r)), 60.0) << mode << " " << time;
    }
  }
}

TEST(BBDelay, ClearingTheLineSilencesPendingEchoes)
{
  auto d = makeDelay(44100, kOn, 0.5, 0.8, 1.0);
  auto l = fx::impulse(2000), r = fx::impulse(2000);
  d->processAudio(l.data(), r.data(), 2000);
  d->clearDelayLine();
  std::vector<double> sl(60000, 0.0), sr(60000, 0.0);
  d->processAudio(sl.data(), sr.data(), 60000);
  EXPECT_LT(std::max(fx::peakAbs(sl), fx::peakAbs(sr)), 1e-9);
}

TEST(BBDelay, ReadsStayInsideTheBucketsAtEveryRate)
{
  // ASan flags any bucket access outside the lines.
  for (double rate : {22050.0, 44100.0, 48000.0, 96000.0, 192000.0})
  {
    auto d = std::make_unique<BBDelay>();
    d->reset(rate);
    auto l = fx::noise(512, 4.0), r = fx::noise(512, 4.0, 9);
    d->processAudio(l.data(), r.data(), 512);  // right after reset, step 1
    EXPECT_EQ(d->length, (int)(0.5 * rate));
    for (double time : {0.0, 1.0, 0.37})
    {
      d->mode = kPingpong;
      d->setDelay(time);
      d->feedback = 1;
      d->setMix(1);
      auto bl = fx::noise((int)rate, 4.0), br = fx::noise((int)rate, 4.0, 5);
      d->processAudio(bl.data(), br.data(), (int)rate);
      EXPECT_TRUE(fx::allFinite(bl) && fx::allFinite(br)) << rate << " " << time;
    }
  }
}
