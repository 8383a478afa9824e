// Bit-exact output of the filters and effects. Each case renders a fixed
// stimulus (noise, impulses, not-a-number, infinite, huge and denormal
// values) in blocks of varying size, with the settings moving between blocks
// as the instrument's control ticks move them, and compares a hash of every
// output sample's bits with the hash this code produced when it was known to
// follow the algorithms exactly. A refactoring that changes the order of any
// floating-point operation shows up here as a changed hash.
#include "delay.h"
#include "ensemble.h"
#include "lowpass.h"
#include "phaser.h"
#include "shelfeq.h"
#include "vcf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace
{
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// LCG noise at half scale and a unit impulse every 997 samples. Single
// hostile values sit in the first third, so that the rest shows the states
// recovering from them; infinities sit in the last 2% only, because an
// infinite input leaves a second-order recursion alternating between
// infinity and not-a-number for good.
std::vector<double> stimulus(int n, uint32_t seed)
{
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i)
  {
    seed = seed * 1664525u + 1013904223u;
    v[i] = 0.5 * ((double)(seed >> 8) / (double)(1u << 24) * 2.0 - 1.0);
    if (i % 997 == 500)
      v[i] = 1.0;
  }
  const double early[] = {kNaN, 1.0e4, -kNaN, 4.9e-324, -0.0, -1.0e4, 2.3e-308, 3.0, 50.0, -kNaN};
  const int count = (int)(sizeof early / sizeof early[0]);
  for (int j = 0; j < count; ++j)
    v[n / 3 * (j + 1) / (count + 1)] = early[j];
  const double late[] = {1.0e300, -1.0e300, kInf, -kInf};
  for (int j = 0; j < 4; ++j)
    v[n - n / 50 + 37 * j] = late[j];
  return v;
}

// Control periods of the given length, with every fifth block cut short and
// an empty block now and then, so that state carried between calls is tested
// at odd boundaries.
template <typename Block>
void inBlocks(int n, int period, Block block)
{
  int at = 0;
  for (int b = 0; at < n; ++b)
  {
    int len = period;
    if (b % 5 == 4)
      len = (b * 7) % period + 1;
    if (b % 11 == 10)
      len = 0;
    if (len > n - at)
      len = n - at;
    block(b, at, len);
    at += len;
  }
}

// FNV-1a over the bytes of each sample. Every NaN hashes as one value: its
// sign and payload depend on operand order inside commutative operations,
// which the compiler may choose and which carries no sound.
struct Hash
{
  uint64_t h = 14695981039346656037ull;

  void add(const std::vector<double>& v)
  {
    for (double x : v)
    {
      uint64_t bits;
      if (std::isnan(x))
        bits = 0x7ff8000000000000ull;
      else
        std::memcpy(&bits, &x, sizeof bits);
      for (int i = 0; i < 8; ++i)
      {
        h ^= (bits >> (8 * i)) & 0xff;
        h *= 1099511628211ull;
      }
    }
  }
};

struct Golden
{
  const char* name;
  uint64_t expected;
};

void expectHash(const Golden& c, const Hash& hash)
{
  EXPECT_EQ(hash.h, c.expected) << c.name << ": 0x" << std::hex << hash.h << "ull";
}

int periodFor(double rate)
{
  return (int)rate / 1000;
}

// Half a second per case.
int lengthFor(double rate)
{
  return (int)rate / 2;
}
}

TEST(GoldenOutput, VCFBothModesAtEveryResonanceWithMovingCutoff)
{
  struct Case
  {
    Golden golden;
    int mode;
    double reso;
    double rate;
  };
  const Case cases[] = {
    {{"lowpass reso 0 at 44100", 0xe2c81f4796d8920full}, 0, 0.0, 44100},
    {{"lowpass reso 0.5 at 48000", 0xf2fe32e2c586046dull}, 0, 0.5, 48000},
    {{"lowpass reso 1 at 96000", 0x5988a0fe0278019cull}, 0, 1.0, 96000},
    {{"lowpass reso 1 at 44100", 0x7b50d7dc8db4c6ccull}, 0, 1.0, 44100},
    {{"bandpass reso 0 at 48000", 0x2b442b04ab48ccc1ull}, 1, 0.0, 48000},
    {{"bandpass reso 0.5 at 44100", 0xf5603263ebe3d3cbull}, 1, 0.5, 44100},
    {{"bandpass reso 1 at 96000", 0x3470b46d18d9fdb3ull}, 1, 1.0, 96000},
    {{"bandpass reso 1 at 48000", 0xb9c35bb6c5aae2b1ull}, 1, 1.0, 48000},
  };
  for (const Case& c : cases)
  {
    const int n = lengthFor(c.rate);
    std::vector<double> buf = stimulus(n, 7);
    double mod = 0;
    VCF vcf;
    vcf.init(c.rate);
    vcf.mode = c.mode;
    vcf.freq = 9000;
    vcf.reso = c.reso;
    vcf.mod = &mod;
    inBlocks(n, periodFor(c.rate), [&](int b, int at, int len) {
      // A sweep over most of the range, with excursions past both table
      // ends and a modulation that is not a number.
      mod = 7000 * std::sin(b * 0.03);
      if (b % 97 == 50)
        mod = -30000;
      else if (b % 97 == 70)
        mod = 30000;
      else if (b % 97 == 90)
        mod = kNaN;
      vcf.update();
      vcf.process(buf.data() + at, len);
    });
    Hash hash;
    hash.add(buf);
    expectHash(c.golden, hash);
  }
}

TEST(GoldenOutput, LowPassPerSampleAndInPlaceAtItsThreeCutoffs)
{
  struct Case
  {
    Golden golden;
    double cutoff;
    double rate;
  };
  const Case cases[] = {
    {{"80 Hz at 44100", 0x920c198e8a383665ull}, 80, 44100},
    {{"80 Hz at 96000", 0xa7fa8be92c3e0e45ull}, 80, 96000},
    {{"6000 Hz at 48000", 0xeca696d654431764ull}, 6000, 48000},
    {{"6000 Hz at 44100", 0xfe6dd5a81792cb89ull}, 6000, 44100},
    {{"8000 Hz at 44100", 0x32a638b286eb1e6aull}, 8000, 44100},
    {{"8000 Hz at 96000", 0x9d3ffd62feb34050ull}, 8000, 96000},
  };
  for (const Case& c : cases)
  {
    const int n = lengthFor(c.rate);
    std::vector<double> inPlace = stimulus(n, 11);
    std::vector<double> perSample = inPlace;
    LowPass a, b;
    a.setCutOff(c.cutoff);
    a.reset(c.rate);
    b.setCutOff(c.cutoff);
    b.reset(c.rate);
    inBlocks(n, periodFor(c.rate), [&](int, int at, int len) { a.process(inPlace.data() + at, len); });
    for (double& x : perSample)
      x = b.process(x);
    // Both entry points run the same recursion.
    Hash hashInPlace, hashPerSample;
    hashInPlace.add(inPlace);
    hashPerSample.add(perSample);
    expectHash(c.golden, hashInPlace);
    expectHash(c.golden, hashPerSample);
  }
}

TEST(GoldenOutput, ShelfEQLowAndHighBoostAndCutWithAGainChange)
{
  struct Case
  {
    Golden golden;
    bool low;
    double frequency;
    double gain;
    double laterGain;  // set halfway, as a knob turn would
    double rate;
  };
  const Case cases[] = {
    {{"low +6 then -15 at 44100", 0x3b39b13ccfef6f8cull}, true, 300, 6, -15, 44100},
    {{"low -6 then +15 at 48000", 0x7f2aeb3caa99cdeaull}, true, 300, -6, 15, 48000},
    {{"low +15 then 0 at 96000", 0x554fb99d72ed6ae9ull}, true, 300, 15, 0, 96000},
    {{"high +6 then -6 at 44100", 0x54b8a2c23960918dull}, false, 1800, 6, -6, 44100},
    {{"high -15 then +3 at 48000", 0xe6e10d363332099dull}, false, 1800, -15, 3, 48000},
    {{"high -6 then -1 at 96000", 0x2ffbcdd0f90e2d24ull}, false, 1800, -6, -1, 96000},
  };
  for (const Case& c : cases)
  {
    const int n = lengthFor(c.rate);
    std::vector<double> buf = stimulus(n, 13);
    ShelfEQ eq;
    eq.isLowShelf = c.low;
    eq.setSampleRate(c.rate);
    eq.setFrequency(c.frequency);
    eq.setGain(c.gain);
    bool changed = false;
    inBlocks(n, periodFor(c.rate), [&](int, int at, int len) {
      if (!changed && at >= n / 2)
      {
        eq.setGain(c.laterGain);
        changed = true;
      }
      eq.processAudio(buf.data() + at, len);
    });
    Hash hash;
    hash.add(buf);
    expectHash(c.golden, hash);
  }
}

TEST(GoldenOutput, PhaserBothTypesWithTheSweepRunning)
{
  struct Case
  {
    Golden golden;
    int mode;
    double feedback;
    double mix;
    double rate;
  };
  const Case cases[] = {
    {{"type 1 feed 0.7 mix 0.5 at 44100", 0xc7086246be5d0c2full}, 1, 0.7, 0.5, 44100},
    {{"type 1 feed 1 mix 1 at 48000", 0x21e549c13957e42aull}, 1, 1.0, 1.0, 48000},
    {{"type 2 feed 0.7 mix 0.5 at 48000", 0xeb55378e0a648668ull}, 2, 0.7, 0.5, 48000},
    {{"type 2 feed 1 mix 1 at 96000", 0x4f4af76318616d84ull}, 2, 1.0, 1.0, 96000},
  };
  for (const Case& c : cases)
  {
    const int n = lengthFor(c.rate);
    std::vector<double> left = stimulus(n, 17), right = stimulus(n, 19);
    Phaser ph;
    ph.reset((float)c.rate);
    ph.setMode(c.mode);
    ph.center = 0.5;
    ph.modDepth = 0.9;
    ph.feedback = c.feedback;
    ph.mix = c.mix;
    // Fast enough that half a second covers several sweeps, and that the
    // sweep leaves the 0..1 range at both ends.
    ph.lfo.setRate(0.2);
    inBlocks(n, periodFor(c.rate), [&](int, int at, int len) {
      ph.update();
      ph.process(left.data() + at, right.data() + at, len);
    });
    Hash hash;
    hash.add(left);
    hash.add(right);
    expectHash(c.golden, hash);
  }
}

TEST(GoldenOutput, DelayInEveryModeWhileTheDelayTimeMoves)
{
  struct Case
  {
    Golden golden;
    int mode;
    double feedback;
    double rate;
  };
  const Case cases[] = {
    {{"off (runs as on) feed 0 at 48000", 0x4afab703172360f7ull}, 0, 0.0, 48000},
    {{"pingpong feed 0.6 at 48000", 0x536f81c7556f8877ull}, 1, 0.6, 48000},
    {{"pingpong feed 1 at 44100", 0x972319296f063f80ull}, 1, 1.0, 44100},
    {{"on feed 0.6 at 44100", 0xfc47b761394bd83dull}, 2, 0.6, 44100},
    {{"on feed 1 at 48000", 0x235a96d07ac76523ull}, 2, 1.0, 48000},
  };
  for (const Case& c : cases)
  {
    // Three quarters of a second so that the echoes of the first blocks
    // come back at every delay time.
    const int n = (int)c.rate * 3 / 4;
    std::vector<double> left = stimulus(n, 23), right = stimulus(n, 29);
    auto d = std::make_unique<BBDelay>();
    d->reset(c.rate);
    d->setLPFreq(6000);
    d->mode = c.mode;
    d->feedback = c.feedback;
    d->setMix(0.5);
    inBlocks(n, periodFor(c.rate), [&](int b, int at, int len) {
      // Sweeps the whole range of "Dly Time" and beyond it, where it clamps.
      double x = 0.5 + 0.6 * std::sin(b * 0.02);
      if (b % 101 == 60)
        x = kNaN;
      d->setDelay(x);
      d->processAudio(left.data() + at, right.data() + at, len);
    });
    Hash hash;
    hash.add(left);
    hash.add(right);
    expectHash(c.golden, hash);
  }
}

TEST(GoldenOutput, EnsembleWithBothLFOsRunning)
{
  struct Case
  {
    Golden golden;
    double dly1, dly2;
    double rate;
  };
  const Case cases[] = {
    {{"full depths at 44100", 0x51852a95ae6f9748ull}, 1.0, 1.0, 44100},
    {{"depths 0.3 and 0.8 at 48000", 0x688b5143dd8efd58ull}, 0.3, 0.8, 48000},
    {{"depths 1 and 0 at 96000", 0x9caf256b02bbf13aull}, 1.0, 0.0, 96000},
  };
  for (const Case& c : cases)
  {
    const int n = lengthFor(c.rate);
    std::vector<double> buf = stimulus(n, 31);
    auto e = std::make_unique<Ensemble>();
    e->dly1 = c.dly1;
    e->dly2 = c.dly2;
    e->reset(c.rate);
    e->lfo1.setRate(0.1);
    e->lfo2.setRate(0.4);
    e->amt11 = 0.1;
    e->amt12 = 0.05;
    e->amt21 = 0.07;
    e->amt22 = 0.1;
    inBlocks(n, periodFor(c.rate), [&](int, int at, int len) {
      e->update();
      e->process(buf.data() + at, len);
    });
    Hash hash;
    hash.add(buf);
    expectHash(c.golden, hash);
  }
}
