#include "oscbank.h"
#include "synth.pitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

namespace
{
constexpr double kPi = 3.14159265358979323846;

// A bank prepared as the instrument prepares it: a rate, a modulation input,
// and one footage (or a set of them) switched on for the Syn bus.
struct Bank
{
  OscBank bank;
  double pitchMod = 0;

  explicit Bank(double rate = 44100)
  {
    bank.init(rate);
    bank.pitchMod = &pitchMod;
    bank.noiseLevel = 0;
    setLevels({0, 1, 0, 0});
  }

  void setLevels(std::vector<double> syn)
  {
    for (int f = 0; f < 4; ++f) {
      bank.synLevel[f] = syn[f];
      bank.strLevel[f] = 0;
    }
  }

  // Renders one note through the block loop's sequence per control period:
  // update, process, next.
  std::vector<double> render(int note, int samples, int period = 44)
  {
    std::vector<double> syn(samples, 0.0), str(samples, 0.0);
    for (int p = 0; p < samples; p += period) {
      const int n = std::min(period, samples - p);
      bank.update();
      bank.process(&syn[p], &str[p], n, note / 12, note % 12);
      bank.next(n);
    }
    return syn;
  }
};

void fft(std::vector<std::complex<double>>& a)
{
  const size_t n = a.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1)
      j ^= bit;
    j ^= bit;
    if (i < j)
      std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> wl = std::polar(1.0, -2 * kPi / len);
    for (size_t i = 0; i < n; i += len) {
      std::complex<double> w = 1;
      for (size_t j = 0; j < len / 2; ++j, w *= wl) {
        const auto u = a[i + j], v = a[i + j + len / 2] * w;
        a[i + j] = u + v;
        a[i + j + len / 2] = u - v;
      }
    }
  }
}

// Share of the energy (in dB) that lies outside the odd harmonics of f0 below
// half the sample rate: aliased harmonics land there.
double outOfBandDb(const std::vector<double>& x, double f0, double rate)
{
  const size_t n = x.size();
  std::vector<std::complex<double>> a(n);
  for (size_t i = 0; i < n; ++i) {
    const double t = 2 * kPi * i / n;  // Blackman-Harris window, -92 dB side lobes
    a[i] = x[i] * (0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) - 0.01168 * std::cos(3 * t));
  }
  fft(a);
  std::vector<bool> harmonic(n / 2, false);
  const double bin = rate / n;
  for (int k = 1; k * f0 < rate / 2; k += 2) {
    const long c = std::lround(k * f0 / bin);
    for (long d = -5; d <= 5; ++d)
      if (c + d >= 0 && c + d < static_cast<long>(n / 2))
        harmonic[c + d] = true;
  }
  double in = 0, out = 0;
  for (size_t i = 6; i < n / 2; ++i)
    (harmonic[i] ? in : out) += std::norm(a[i]);
  return 10 * std::log10(out / (in + out) + 1e-30);
}

double peak(const std::vector<double>& x)
{
  double m = 0;
  for (double v : x)
    m = std::max(m, std::abs(v));
  return m;
}
} // namespace

TEST(OscBankTables, StoredValuesEqualTheDirectHarmonicSum)
{
  OscBank bank;
  EXPECT_TRUE(OscBank::wavesAreInitialized);
  for (int k = 0; k < OscBank::kNumTables; ++k) {
    const int n = 1 << (10 - k);
    auto saw = [n](int i) {
      double s = 0;
      for (int h = 1; h <= n; ++h) {
        const double a = h == 1 ? 0.5 : 0.5 * (0.54 + 0.46 * std::cos((h - 1) * (kPi / 2) / (n - 1))) / h;
        s += a * std::sin(2 * kPi * h * i / 4096);
      }
      return s;
    };
    for (int i : {0, 1, 7, 1000, 2047, 2049, 3333, 4095})
      EXPECT_EQ(OscBank::square[k][i], 0.5 * (saw(i) - saw((i + 2048) % 4096))) << "table " << k << " index " << i;
  }
}

TEST(OscBankTone, NoteSixtyNineSoundsAt440Hz)
{
  Bank b;
  const std::vector<double> x = b.render(69, 44100);
  int rising = 0;
  for (size_t i = 1; i < x.size(); ++i)
    rising += x[i - 1] < 0 && x[i] >= 0;
  EXPECT_NEAR(rising, 440, 1);
}

// The table chosen for each footage keeps its highest harmonic below half the
// sample rate. Lookup without interpolation leaves staircase images near -45 dB
// for the lowest notes and further down for higher ones; a harmonic folded back
// from above half the sample rate would stand at -30 dB or more.
TEST(OscBankTone, NoFootageHasHarmonicsAtOrAboveHalfTheSampleRate)
{
  for (double rate : {44100.0, 48000.0}) {
    Bank b(rate);
    for (bool up : {false, true}) {
      b.bank.octaveUp = up;
      for (int note = 24; note <= 127; note += 11) {
        for (int f = 0; f < 4; ++f) {
          std::vector<double> levels(4, 0.0);
          levels[f] = 1;
          b.setLevels(levels);
          const std::vector<double> x = b.render(note, 32768, static_cast<int>(rate) / 1000);
          const int shift = note / 12 - (up ? 1 : 2) + f;
          const double f0 = b.bank.inc[note % 12] * std::ldexp(1.0, shift) / 268435456.0 * rate;
          if (f0 >= rate / 2)
            continue;  // silent, covered below
          EXPECT_LT(outOfBandDb(x, f0, rate), -40.0)
              << "rate " << rate << " note " << note << " footage " << f << (up ? " up" : "");
        }
      }
    }
  }
}

struct NyquistCase
{
  double rate;
  int note;
  bool octaveUp;
  int sounding;  // footages from 16' upward that lie below half the rate
};

TEST(OscBankTone, FootagesAboveHalfTheSampleRateAddNothing)
{
  const NyquistCase cases[] = {
      {44100, 127, false, 2},  // 4' of G9 would be 25 kHz
      {44100, 127, true, 1},   // an octave up, only 16' remains
      {22050, 127, true, 0},   // 16' at 12.5 kHz is above 11 kHz
      {44100, 96, false, 4},
      {44100, 112, false, 4},  // 2' of E8 at 21.1 kHz still sounds
      {44100, 113, false, 3},  // 2' of F8 at 22.4 kHz does not
  };
  for (const NyquistCase& c : cases) {
    Bank b(c.rate);
    b.bank.octaveUp = c.octaveUp;
    for (int f = 0; f < 4; ++f) {
      std::vector<double> levels(4, 0.0);
      levels[f] = 1;
      b.setLevels(levels);
      const double p = peak(b.render(c.note, 2000));
      if (f < c.sounding)
        EXPECT_GT(p, 0.1) << "note " << c.note << " footage " << f;
      else
        EXPECT_EQ(p, 0.0) << "note " << c.note << " footage " << f;
    }
  }
}

TEST(OscBankTone, OctavesOfOnePitchClassArePhaseLocked)
{
  // Within each control period: 4' of C4 and 8' of C5 read the same
  // accumulator with the same octave shift, and so do 8' of C4 and 16' of C5.
  Bank b;
  for (int period = 0; period < 100; ++period) {
    b.bank.update();
    std::vector<double> a(2 * 44, 0.0), c(2 * 44, 0.0), str(44, 0.0);
    b.setLevels({0, 0, 1, 0});
    b.bank.process(&a[0], str.data(), 44, 5, 0);
    b.setLevels({0, 1, 0, 0});
    b.bank.process(&c[0], str.data(), 44, 6, 0);
    b.bank.process(&a[44], str.data(), 44, 5, 0);
    b.setLevels({1, 0, 0, 0});
    b.bank.process(&c[44], str.data(), 44, 6, 0);
    ASSERT_EQ(a, c) << "period " << period;
    b.bank.next(44);
  }
}

TEST(OscBankNoise, GeneratorAdvancesOnlyWhenNoiseIsOn)
{
  Bank b;
  b.bank.update();
  std::vector<double> syn(44, 0.0), str(44, 0.0);
  const int32_t before = OscBank::randSeed;
  b.bank.process(syn.data(), str.data(), 44, 5, 0);
  EXPECT_EQ(OscBank::randSeed, before);

  // With noise, each sample draws one value, exactly as getNoise would.
  b.setLevels({0, 0, 0, 0});
  b.bank.noiseLevel = 0.5;
  std::fill(syn.begin(), syn.end(), 0.0);
  b.bank.process(syn.data(), str.data(), 44, 5, 0);
  const int32_t after = OscBank::randSeed;
  OscBank::randSeed = before;
  for (int j = 0; j < 44; ++j)
    EXPECT_EQ(syn[j], 0.5 * OscBank::getNoise()) << j;
  EXPECT_EQ(OscBank::randSeed, after);
}

TEST(OscBankNoise, WrapsInThirtyTwoBitsAndStaysInRange)
{
  OscBank::randSeed = 1;
  EXPECT_EQ(OscBank::getNoise(), 16807 * 4.6566129e-10);
  OscBank::randSeed = 0x7FFFFFFF;
  const double v = OscBank::getNoise();
  EXPECT_EQ(OscBank::randSeed, static_cast<int32_t>(0x7FFFFFFFu * 16807u));
  EXPECT_EQ(v, static_cast<int32_t>(0x7FFFFFFFu * 16807u) * 4.6566129e-10);
  for (int i = 0; i < 100000; ++i) {
    const double x = OscBank::getNoise();
    ASSERT_GE(x, -1.0);
    ASSERT_LT(x, 1.0);
  }
}

TEST(OscBankPitch, ModulationHoldsAtTheTableEnds)
{
  Bank b;
  const double nan = std::nan("");
  struct Case
  {
    double mod;
    int firstIndex;  // table index used for C, or -1 if it is 1536 + mod
  } cases[] = {{-1e9, 0}, {-1600, 0}, {-1500, 36}, {1e9, 17280}, {20000, 17280}, {nan, 1536}};
  for (const Case& c : cases) {
    b.pitchMod = c.mod;
    b.bank.update();
    EXPECT_EQ(b.bank.inc[0], b.bank.phaseInc[c.firstIndex]) << c.mod;
  }
  b.pitchMod = -1600;  // C at -64 holds at 0; C# lands on 64
  b.bank.update();
  EXPECT_EQ(b.bank.inc[1], b.bank.phaseInc[64]);
  b.pitchMod = 14400;  // only B (1536 + 1408 + 14400 > 17280) holds at the top
  b.bank.update();
  EXPECT_EQ(b.bank.inc[10], b.bank.phaseInc[1536 + 1280 + 14400]);
  EXPECT_EQ(b.bank.inc[11], b.bank.phaseInc[17280]);
}

TEST(OscBankPitch, TuneIsAddedInWholeSteps)
{
  Bank b;
  b.bank.tune = -64;
  b.pitchMod = 0.9;  // -63.1 truncates toward zero to -63
  b.bank.update();
  EXPECT_EQ(b.bank.inc[3], b.bank.phaseInc[1536 + 3 * 128 - 63]);
}

TEST(OscBankLifecycle, InitAtTheSameRateKeepsIncrementsAndClearsPhases)
{
  Bank b;
  b.render(60, 500);
  b.bank.phaseInc[100] = 7;
  b.bank.init(44100);
  EXPECT_EQ(b.bank.phaseInc[100], 7);
  for (int k = 0; k < 12; ++k) {
    EXPECT_EQ(b.bank.phase[k], 0);
    EXPECT_EQ(b.bank.inc[k], 0);
  }
  b.bank.init(48000);
  EXPECT_EQ(b.bank.phaseInc[100], static_cast<int>(SynthPitch::convert2Hz(100) * 268435456.0 / 48000));
}

TEST(OscBankStrings, OctaveBalanceMovesTheRegistrationByAnOctave)
{
  struct Case
  {
    double balance;
    double level[4];
  } cases[] = {
      {0, {1, 20.0 / 39, 20.0 / 75, 20.0 / 150}},
      {0.5, {0.5, 0.5 + 10.0 / 39, 10.0 / 36 + 10.0 / 75, 10.0 / 68 + 10.0 / 150}},
      {1, {0, 1, 20.0 / 36, 20.0 / 68}},
  };
  OscBank bank;
  for (const Case& c : cases) {
    bank.setOctBalance(c.balance);
    for (int f = 0; f < 4; ++f)
      EXPECT_DOUBLE_EQ(bank.strLevel[f], c.level[f]) << "balance " << c.balance << " footage " << f;
  }
}

TEST(OscBankTone, RenderingInPiecesGivesTheSameSamplesAsOneBlock)
{
  // Within one control period, any split into pieces (each followed by next)
  // renders the same bits, noise included: the phase and the noise generator
  // simply continue.
  for (int note : {24, 47, 60, 83, 100, 127}) {
    Bank whole, pieces;
    for (Bank* b : {&whole, &pieces}) {
      b->setLevels({0.3, 0.7, 0.2, 0.9});
      b->bank.setOctBalance(0.4);
      b->bank.noiseLevel = 0.25;
      b->render(note, 777);
      b->bank.update();
    }
    std::vector<double> syn1(48, 0.0), str1(48, 0.0), syn2(48, 0.0), str2(48, 0.0);
    OscBank::randSeed = 12345;
    whole.bank.process(syn1.data(), str1.data(), 48, note / 12, note % 12);
    OscBank::randSeed = 12345;
    int at = 0;
    for (int n : {1, 2, 3, 5, 8, 13, 16}) {
      pieces.bank.process(&syn2[at], &str2[at], n, note / 12, note % 12);
      pieces.bank.next(n);
      at += n;
    }
    EXPECT_EQ(syn1, syn2) << note;
    EXPECT_EQ(str1, str2) << note;
  }
}

TEST(OscBankTone, ScaledRenderingMatchesRenderingThenScaling)
{
  for (int count : {44, 7}) {
    for (double noise : {0.0, 0.3}) {
      Bank b;
      b.setLevels({0.3, 0.7, 0.2, 0.9});
      b.bank.setOctBalance(0.6);
      b.bank.noiseLevel = noise;
      b.render(61, 999);
      b.bank.update();
      std::vector<double> syn(count, 0.0), str(count, 0.0), busSyn(count), busStr(count);
      for (int j = 0; j < count; ++j) {
        busSyn[j] = 0.01 * j;
        busStr[j] = -0.02 * j;
      }
      std::vector<double> scaledSyn = busSyn, scaledStr = busStr;
      OscBank::randSeed = 777;
      b.bank.process(syn.data(), str.data(), count, 5, 1);
      for (int j = 0; j < count; ++j) {
        busSyn[j] += 0.37 * syn[j];
        busStr[j] += 0.37 * str[j];
      }
      const int32_t seed = OscBank::randSeed;
      OscBank::randSeed = 777;
      b.bank.processScaled(scaledSyn.data(), scaledStr.data(), count, 5, 1, 0.37);
      EXPECT_EQ(scaledSyn, busSyn) << count << " " << noise;
      EXPECT_EQ(scaledStr, busStr) << count << " " << noise;
      EXPECT_EQ(OscBank::randSeed, seed);
    }
  }
}
