#include "oscbank.h"

#include "synth.pitch.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <vector>

double OscBank::square[OscBank::kNumTables][OscBank::kTableSize];
bool OscBank::wavesAreInitialized = false;
std::atomic<int32_t> OscBank::randSeed{1};

namespace
{
constexpr double kPi = 3.14159265358979323846;
// Half a cycle of the 28-bit phase: an increment above this is above half
// the sample rate.
constexpr int32_t kNyquistInc = 0x08000000;
// Scales the full signed 32-bit range of the noise generator to [-1, 1).
constexpr double kNoiseScale = 4.6566129e-10;
constexpr uint32_t kNoiseMultiplier = 16807;
} // namespace

OscBank::OscBank()
{
  static std::once_flag once;
  std::call_once(once, buildWaves);
  sampleRate = 44100;
  fillPhaseInc();
}

// Each table is the difference of a windowed sawtooth and its copy shifted by
// half a period, which cancels the even harmonics. The sawtooth of table k
// sums N = 2^(10 - k) harmonics whose amplitudes 1/h are tapered by a
// half-cosine from 1 at the fundamental to 0.54 at the last harmonic.
//
// Every table uses the same sines sin(2 pi h i / 4096), so each one is
// computed once and added into all sawtooths that contain harmonic h, in
// ascending order of h as a plain per-table sum would.
void OscBank::buildWaves()
{
  std::vector<double> saw(static_cast<size_t>(kNumTables) * kTableSize, 0.0);
  double amp[kNumTables];
  const double twoPi = 2.0 * kPi;
  const int maxHarmonics = 1 << (kNumTables - 1);
  for (int h = 1; h <= maxHarmonics; ++h) {
    int tables = 0;  // tables 0 .. tables-1 contain harmonic h
    for (int k = 0; k < kNumTables; ++k) {
      const int n = 1 << (kNumTables - 1 - k);
      if (h > n)
        break;
      amp[k] = h == 1 ? 0.5 : 0.5 * (0.54 + 0.46 * std::cos((h - 1) * (kPi / 2) / (n - 1))) / h;
      tables = k + 1;
    }
    const double w = twoPi * h;
    for (int i = 0; i < kTableSize; ++i) {
      const double s = std::sin(w * i / kTableSize);
      for (int k = 0; k < tables; ++k)
        saw[static_cast<size_t>(k) * kTableSize + i] += amp[k] * s;
    }
  }
  for (int k = 0; k < kNumTables; ++k) {
    const double* t = &saw[static_cast<size_t>(k) * kTableSize];
    for (int i = 0; i < kTableSize; ++i)
      square[k][i] = 0.5 * (t[i] - t[(i + kTableSize / 2) % kTableSize]);
  }
  wavesAreInitialized = true;
}

void OscBank::fillPhaseInc()
{
  for (int i = 0; i <= kMaxIndex; ++i) {
    const double v = SynthPitch::convert2Hz(i) * 268435456.0 / sampleRate;
    // Only an absurd sample rate (below ~2.5 kHz, or not a number) leaves the
    // 32-bit range; hold such increments at the ends instead of overflowing.
    if (v >= 2147483647.0)
      phaseInc[i] = 2147483647;
    else if (v >= 0)
      phaseInc[i] = static_cast<int>(v);
    else
      phaseInc[i] = 0;
  }
}

void OscBank::init(double rate)
{
  if (rate != sampleRate) {
    sampleRate = rate;
    fillPhaseInc();
  }
  for (int k = 0; k < 12; ++k) {
    phase[k] = 0;
    inc[k] = 0;
  }
}

void OscBank::setOctBalance(double balance)
{
  const double u = 20 * balance;
  const double l = 20 * (1 - balance);
  strLevel[0] = l / 20;
  strLevel[1] = u / 20 + l / 39;
  strLevel[2] = u / 36 + l / 75;
  strLevel[3] = u / 68 + l / 150;
}

void OscBank::update()
{
  double x = static_cast<double>(tune) + (pitchMod ? *pitchMod : 0.0);
  // Any index beyond the table ends is clamped below, so limiting x first
  // changes nothing but keeps the conversion to int defined.
  if (x != x)
    x = 0;
  x = std::clamp(x, -65536.0, 65536.0);
  const int p = static_cast<int>(x);
  for (int k = 0; k < 12; ++k) {
    const int j = std::clamp(1536 + 128 * k + p, 0, kMaxIndex);
    inc[k] = phaseInc[j];
    if (inc[k] < 1024)
      waveIndex[k] = 0;
    else
      waveIndex[k] = std::min(10, static_cast<int>(std::bit_width(static_cast<uint32_t>(inc[k]))) - 1 - 9);
  }
}

double OscBank::getNoise()
{
  const uint32_t seed = static_cast<uint32_t>(randSeed.load(std::memory_order_relaxed)) * kNoiseMultiplier;
  randSeed.store(static_cast<int32_t>(seed), std::memory_order_relaxed);
  return static_cast<int32_t>(seed) * kNoiseScale;
}

namespace
{
// One footage as the inner loop sees it: its phase and increment already
// shifted into the octave (modulo 2^32, as the shift of the 32-bit phase
// would give), its table and its two bus levels.
struct Footage
{
  uint32_t phase;
  uint32_t inc;
  const double* table;
  double syn;
  double str;
};

// Adds NF footages (and noise when Noise) to both buses. For each sample the
// additions run in the order noise, 16', 8', 4', 2', as a footage-by-footage
// pass over the buffer would do them.
template <int NF, bool Noise>
void render(double* __restrict synBus, double* __restrict strBus, int count, const Footage* fp,
            double noiseLevel, uint32_t& seed)
{
  Footage f[NF > 0 ? NF : 1];
  for (int i = 0; i < NF; ++i)
    f[i] = fp[i];
  uint32_t rnd = seed;
  for (int j = 0; j < count; ++j) {
    double s = synBus[j];
    double t = strBus[j];
    if constexpr (Noise) {
      rnd *= kNoiseMultiplier;
      s += noiseLevel * (static_cast<int32_t>(rnd) * kNoiseScale);
    }
    for (int i = 0; i < NF; ++i) {
      f[i].phase += f[i].inc;
      const double v = f[i].table[(f[i].phase >> 16) & 0xFFF];
      s += f[i].syn * v;
      t += f[i].str * v;
    }
    synBus[j] = s;
    strBus[j] = t;
  }
  seed = rnd;
}

template <bool Noise>
void renderFootages(int nf, double* synBus, double* strBus, int count, const Footage* f, double noiseLevel,
                    uint32_t& seed)
{
  switch (nf) {
  case 0: render<0, Noise>(synBus, strBus, count, f, noiseLevel, seed); break;
  case 1: render<1, Noise>(synBus, strBus, count, f, noiseLevel, seed); break;
  case 2: render<2, Noise>(synBus, strBus, count, f, noiseLevel, seed); break;
  case 3: render<3, Noise>(synBus, strBus, count, f, noiseLevel, seed); break;
  default: render<4, Noise>(synBus, strBus, count, f, noiseLevel, seed); break;
  }
}
} // namespace

void OscBank::process(double* synBus, double* strBus, int count, int octave, int noteInOctave)
{
  if (count <= 0 || noteInOctave < 0 || noteInOctave > 11)
    return;
  const int s = octaveUp ? octave - 1 : octave - 2;
  const uint32_t d = static_cast<uint32_t>(inc[noteInOctave]);
  const uint32_t ph = static_cast<uint32_t>(phase[noteInOctave]);

  Footage f[4];
  int nf = 0;
  int t = std::clamp(s + waveIndex[noteInOctave] - 7, 0, 10);
  for (int i = 0; i < 4; ++i, t = std::min(t + 1, 10)) {
    const int sf = s + i;
    // Footages below the lowest accumulator octave (only notes under 24
    // ask for them) cannot be derived from it and stay silent.
    if (sf < 0)
      continue;
    // An octave shift of 32 or more is far above half the sample rate.
    if (sf >= 32 || static_cast<int32_t>(d << sf) > kNyquistInc)
      break;
    // The sample j reads phase + (j + 1) * d shifted by sf; shifting phase
    // and increment separately gives the same bits modulo 2^32.
    f[nf++] = Footage{ph << sf, d << sf, square[t], synLevel[i], strLevel[i]};
  }

  if (noiseLevel > 0) {
    uint32_t seed = static_cast<uint32_t>(randSeed.load(std::memory_order_relaxed));
    renderFootages<true>(nf, synBus, strBus, count, f, noiseLevel, seed);
    randSeed.store(static_cast<int32_t>(seed), std::memory_order_relaxed);
  } else if (nf > 0) {
    uint32_t unused = 0;
    renderFootages<false>(nf, synBus, strBus, count, f, 0.0, unused);
  }
}

void OscBank::next(int count)
{
  for (int k = 0; k < 12; ++k) {
    const uint32_t p = static_cast<uint32_t>(phase[k]) + static_cast<uint32_t>(inc[k]) * static_cast<uint32_t>(count);
    phase[k] = static_cast<int>(p & kPhaseMask);
  }
}
