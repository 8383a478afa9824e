#include "fx_signals.h"
#include "lowpass.h"
#include "phaser.h"
#include "shelfeq.h"
#include "vcf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>

namespace
{
constexpr double kRate = 44100;

struct VcfFixture
{
  VCF vcf;
  double mod = 0;

  VcfFixture(int mode, double freq, double reso)
  {
    vcf.init(kRate);
    vcf.mode = mode;
    vcf.freq = freq;
    vcf.reso = reso;
    vcf.mod = &mod;
    vcf.update();
  }

  std::vector<double> run(std::vector<double> x)
  {
    vcf.process(x.data(), (int)x.size());
    return x;
  }
};
}

TEST(VCF, FullResonanceStaysBoundedOnNoiseAndImpulse)
{
  struct Case { int mode; double freq; };
  const Case cases[] = {{0, 2000}, {0, 9000}, {0, 16500}, {1, 2000}, {1, 9000}, {1, 16500}};
  for (const Case& c : cases)
  {
    for (int signal = 0; signal < 2; ++signal)
    {
      VcfFixture f(c.mode, c.freq, 1.0);
      const auto y = f.run(signal == 0 ? fx::noise(44100) : fx::impulse(44100));
      const std::string what = "mode " + std::to_string(c.mode) + " freq " +
                               std::to_string(c.freq) + (signal ? " impulse" : " noise");
      ASSERT_TRUE(fx::allFinite(y)) << what;
      EXPECT_LT(fx::peakAbs(y), 8.0) << what;
      // Self-oscillation is limited by the clip, not by decaying: the tail
      // of an impulse stays bounded rather than growing.
      EXPECT_LT(fx::peakAbs(y, 22050), 8.0) << what;
    }
  }
}

TEST(VCF, CutoffIndexClampsAtBothTableEnds)
{
  // Indexes beyond the table behave exactly like its end entries.
  struct Case { double freq; double modValue; double sameAs; };
  const Case cases[] = {{-5000, 0, -1}, {0, -3000, -1}, {30000, 0, 17280}, {17000, 9000, 17280}};
  const auto in = fx::noise(2000);
  for (const Case& c : cases)
  {
    VcfFixture a(0, c.freq, 0.5);
    a.mod = c.modValue;
    a.vcf.update();
    VcfFixture b(0, c.sameAs, 0.5);
    EXPECT_EQ(a.run(in), b.run(in)) << c.freq << " + " << c.modValue;
  }
  VcfFixture below(0, 17279, 0.5);
  VcfFixture top(0, 17280, 0.5);
  EXPECT_NE(below.run(in), top.run(in));

  EXPECT_DOUBLE_EQ(VCF::freq2rad[0], 2 * std::numbers::pi * 8.176 / kRate);
  EXPECT_DOUBLE_EQ(VCF::freq2rad[17280], 2 * std::numbers::pi * 19912.127 / kRate);
}

TEST(VCF, OtherModesLeaveTheBufferUntouched)
{
  for (int mode : {2, -1, 7})
  {
    VcfFixture f(mode, 9000, 1.0);
    auto in = fx::noise(512);
    in[100] = std::numeric_limits<double>::quiet_NaN();
    const auto out = f.run(in);
    for (size_t i = 0; i < in.size(); ++i)
      ASSERT_EQ(std::memcmp(&in[i], &out[i], sizeof(double)), 0) << "mode " << mode << " at " << i;
  }
}

TEST(VCF, SilentWhileCutoffIndexStaysAtZeroAfterReset)
{
  VcfFixture f(0, 0.0, 0.3);
  EXPECT_LT(fx::peakAbs(f.run(fx::noise(4096))), 1e-12);

  // The first index change computes the coefficients and the filter speaks.
  f.vcf.freq = 1;
  f.vcf.update();
  EXPECT_GT(fx::peakAbs(f.run(fx::sine(4096, 10, kRate))), 0.1);
}

TEST(VCF, BandpassPassesTheCutoffAndRejectsFarFrequencies)
{
  // Index 128 * 69 is 440 Hz.
  auto gainAt = [](double hz) {
    VcfFixture f(1, 128 * 69, 0.0);
    return fx::amplitudeAt(f.run(fx::sine(44100, hz, kRate)), 4410, hz, kRate);
  };
  const double centre = gainAt(440);
  EXPECT_GT(centre, 4 * gainAt(40));
  EXPECT_GT(centre, 4 * gainAt(5000));
}

TEST(LowPass, ThreeDecibelsDownAtTheCutoff)
{
  struct Case { double cutoff; double rate; };
  for (const Case& c : {Case{8000, 44100}, Case{6000, 48000}, Case{80, 44100}, Case{6000, 96000}})
  {
    LowPass lp;
    lp.setCutOff(c.cutoff);
    lp.reset(c.rate);  // keeps the cutoff
    // Two seconds of sine; the second one, free of the onset, is measured.
    auto y = fx::sine(2 * (int)c.rate, c.cutoff, c.rate);
    lp.process(y.data(), (int)y.size());
    EXPECT_NEAR(fx::dB(fx::amplitudeAt(y, (int)c.rate, c.cutoff, c.rate)), -3.0103, 0.005)
        << c.cutoff << " Hz at " << c.rate;

    auto dc = std::vector<double>(20000, 1.0);
    lp.process(dc.data(), (int)dc.size());
    EXPECT_NEAR(dc.back(), 1.0, 1e-9);
  }
}

namespace
{
ShelfEQ shelf(bool low, double hz, double dB)
{
  ShelfEQ eq;
  eq.isLowShelf = low;
  eq.setSampleRate(kRate);
  eq.setFrequency(hz);
  eq.setGain(dB);
  return eq;
}

// Steady-state gain for DC (alternate false) or Nyquist (alternate true).
double edgeGain(ShelfEQ eq, bool alternate)
{
  std::vector<double> x(20000);
  for (size_t i = 0; i < x.size(); ++i)
    x[i] = alternate && (i & 1) ? -1.0 : 1.0;
  eq.processAudio(x.data(), (int)x.size());
  return std::fabs(x.back());
}
}

TEST(ShelfEQ, CutUndoesTheSameBoost)
{
  const auto in = fx::noise(8192);
  for (bool low : {true, false})
  {
    for (double hz : {300.0, 1800.0})
    {
      for (double dB : {6.0, 15.0})
      {
        ShelfEQ boost = shelf(low, hz, dB);
        ShelfEQ cut = shelf(low, hz, -dB);
        auto y = in;
        boost.processAudio(y.data(), (int)y.size());
        cut.processAudio(y.data(), (int)y.size());
        double err = 0;
        for (size_t i = 0; i < y.size(); ++i)
          err = std::max(err, std::fabs(y[i] - in[i]));
        EXPECT_LT(err, 1e-9) << (low ? "low " : "high ") << hz << " Hz " << dB << " dB";
      }
    }
  }
}

TEST(ShelfEQ, ShelvesReachTheirGainAtTheRightEnd)
{
  const double six = std::pow(10.0, 6.0 / 20);
  struct Case { bool low; double dB; double dcGain; double nyquistGain; };
  const Case cases[] = {
      {true, 6, six, 1}, {true, -6, 1 / six, 1}, {false, 6, 1, six}, {false, -6, 1, 1 / six}};
  for (const Case& c : cases)
  {
    const ShelfEQ eq = shelf(c.low, c.low ? 300 : 1800, c.dB);
    EXPECT_NEAR(edgeGain(eq, false), c.dcGain, 1e-6) << c.low << " " << c.dB;
    EXPECT_NEAR(edgeGain(eq, true), c.nyquistGain, 1e-6) << c.low << " " << c.dB;
  }
}

TEST(ShelfEQ, ZeroOrInvalidGainIsAWire)
{
  for (double dB : {0.0, std::numeric_limits<double>::quiet_NaN()})
  {
    ShelfEQ eq = shelf(true, 300, 9);
    eq.setGain(dB);
    auto y = fx::noise(256);
    const auto in = y;
    eq.processAudio(y.data(), (int)y.size());
    for (size_t i = 0; i < y.size(); ++i)
      EXPECT_NEAR(y[i], in[i], 1e-12);
  }
}

// A not-a-number sample is heard as silence: the output equals that of the
// same signal with a zero in its place, finite before and after.
TEST(NotANumberInput, ActsAsSilenceInEveryFilter)
{
  using Processor = std::function<void(double*, int)>;
  struct Case { const char* name; std::function<Processor()> make; };
  const Case cases[] = {
      {"VCF lowpass", [] {
         auto f = std::make_shared<VcfFixture>(0, 9000, 1.0);
         return Processor([f](double* b, int n) { f->vcf.process(b, n); });
       }},
      {"VCF bandpass", [] {
         auto f = std::make_shared<VcfFixture>(1, 9000, 1.0);
         return Processor([f](double* b, int n) { f->vcf.process(b, n); });
       }},
      {"LowPass", [] {
         auto lp = std::make_shared<LowPass>();
         return Processor([lp](double* b, int n) { lp->process(b, n); });
       }},
      {"ShelfEQ", [] {
         auto eq = std::make_shared<ShelfEQ>(shelf(false, 1800, 12));
         return Processor([eq](double* b, int n) { eq->processAudio(b, n); });
       }},
      {"Phaser", [] {
         auto ph = std::make_shared<Phaser>();
         ph->reset(44100);
         ph->setMode(1);
         ph->center = 0.4;
         ph->feedback = 1;
         ph->modDepth = 0.5;
         ph->mix = 0.5;
         ph->update();
         return Processor([ph](double* b, int n) {
           std::vector<double> right(b, b + n);
           ph->process(b, right.data(), n);
         });
       }},
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (const Case& c : cases)
  {
    auto withNaN = fx::noise(1000);
    auto withZero = withNaN;
    withNaN[300] = nan;
    withZero[300] = 0;
    c.make()(withNaN.data(), (int)withNaN.size());
    c.make()(withZero.data(), (int)withZero.size());
    EXPECT_TRUE(fx::allFinite(withNaN)) << c.name;
    EXPECT_EQ(withNaN, withZero) << c.name;
  }
}
