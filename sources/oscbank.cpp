#include "oscbank.h"

#include "synth.pitch.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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

// How a rendered sample reaches the buses: added as it is; rendered from 0
// (as into a cleared buffer) and stored; or rendered from 0 and added times
// a gain.
enum class Out
{
  Add,
  Store,
  Scaled
};

// Renders NF footages (and noise when Noise). For each sample the additions
// run in the order noise, 16', 8', 4', 2', as a footage-by-footage pass over
// the buffer would do them.
template <int NF, bool Noise, Out O>
void render(double* __restrict synBus, double* __restrict strBus, int count, const Footage* fp,
            double noiseLevel, double gain, uint32_t& seed)
{
  Footage f[NF > 0 ? NF : 1];
  for (int i = 0; i < NF; ++i)
    f[i] = fp[i];
  uint32_t rnd = seed;
  for (int j = 0; j < count; ++j) {
    double s = O == Out::Add ? synBus[j] : 0.0;
    double t = O == Out::Add ? strBus[j] : 0.0;
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
    if constexpr (O != Out::Scaled) {
      synBus[j] = s;
      strBus[j] = t;
    } else {
      synBus[j] += gain * s;
      strBus[j] += gain * t;
    }
  }
  seed = rnd;
}

#if defined(__x86_64__)
// The same rendering, four samples at a time with AVX2. Lane k of a phase
// vector holds the phase of sample j + k; lane k of the noise vector the
// generator state after j + k + 1 steps (16807^n wraps in 32 bits just like n
// single steps). Packed IEEE products and sums give the same bits as the
// scalar ones, and no multiply-add is fused. The table reads are four plain
// loads: on the processors measured they beat the gather instruction.
// Returns the number of samples done, a multiple of 4; f and seed are left
// ready for the scalar rest.
template <int NF, bool Noise, Out O>
__attribute__((target("avx2"))) int renderWide(double* synBus, double* strBus, int count, Footage* f,
                                               double noiseLevel, double gain, uint32_t& seed)
{
  const int done = count & ~3;
  if (done == 0)
    return 0;
  __m128i ph[NF > 0 ? NF : 1], step[NF > 0 ? NF : 1];
  __m256d syn[NF > 0 ? NF : 1], str[NF > 0 ? NF : 1];
  for (int i = 0; i < NF; ++i) {
    const uint32_t p = f[i].phase, d = f[i].inc;
    ph[i] = _mm_setr_epi32(static_cast<int>(p + d), static_cast<int>(p + 2 * d), static_cast<int>(p + 3 * d),
                           static_cast<int>(p + 4 * d));
    step[i] = _mm_set1_epi32(static_cast<int>(4 * d));
    syn[i] = _mm256_set1_pd(f[i].syn);
    str[i] = _mm256_set1_pd(f[i].str);
  }
  const __m128i mask = _mm_set1_epi32(0xFFF);
  __m128i rnd = _mm_setzero_si128(), rndStep = _mm_setzero_si128(), lastRnd = _mm_setzero_si128();
  if constexpr (Noise) {
    const uint32_t r1 = seed * kNoiseMultiplier, r2 = r1 * kNoiseMultiplier, r3 = r2 * kNoiseMultiplier,
                   r4 = r3 * kNoiseMultiplier;
    const uint32_t m4 = kNoiseMultiplier * kNoiseMultiplier * kNoiseMultiplier * kNoiseMultiplier;
    rnd = _mm_setr_epi32(static_cast<int>(r1), static_cast<int>(r2), static_cast<int>(r3), static_cast<int>(r4));
    rndStep = _mm_set1_epi32(static_cast<int>(m4));
  }
  const __m256d level = _mm256_set1_pd(noiseLevel);
  const __m256d scale = _mm256_set1_pd(kNoiseScale);
  const __m256d g = _mm256_set1_pd(gain);

  for (int j = 0; j < done; j += 4) {
    __m256d s = O == Out::Add ? _mm256_loadu_pd(synBus + j) : _mm256_setzero_pd();
    __m256d t = O == Out::Add ? _mm256_loadu_pd(strBus + j) : _mm256_setzero_pd();
    if constexpr (Noise) {
      s = _mm256_add_pd(s, _mm256_mul_pd(level, _mm256_mul_pd(_mm256_cvtepi32_pd(rnd), scale)));
      lastRnd = rnd;
      rnd = _mm_mullo_epi32(rnd, rndStep);
    }
    for (int i = 0; i < NF; ++i) {
      alignas(16) uint32_t ix[4];
      _mm_store_si128(reinterpret_cast<__m128i*>(ix), _mm_and_si128(_mm_srli_epi32(ph[i], 16), mask));
      const double* tab = f[i].table;
      const __m128d lo = _mm_loadh_pd(_mm_load_sd(tab + ix[0]), tab + ix[1]);
      const __m128d hi = _mm_loadh_pd(_mm_load_sd(tab + ix[2]), tab + ix[3]);
      const __m256d v = _mm256_insertf128_pd(_mm256_castpd128_pd256(lo), hi, 1);
      s = _mm256_add_pd(s, _mm256_mul_pd(syn[i], v));
      t = _mm256_add_pd(t, _mm256_mul_pd(str[i], v));
      ph[i] = _mm_add_epi32(ph[i], step[i]);
    }
    if constexpr (O != Out::Scaled) {
      _mm256_storeu_pd(synBus + j, s);
      _mm256_storeu_pd(strBus + j, t);
    } else {
      _mm256_storeu_pd(synBus + j, _mm256_add_pd(_mm256_loadu_pd(synBus + j), _mm256_mul_pd(g, s)));
      _mm256_storeu_pd(strBus + j, _mm256_add_pd(_mm256_loadu_pd(strBus + j), _mm256_mul_pd(g, t)));
    }
  }
  for (int i = 0; i < NF; ++i)
    f[i].phase += static_cast<uint32_t>(done) * f[i].inc;
  if constexpr (Noise)
    seed = static_cast<uint32_t>(_mm_extract_epi32(lastRnd, 3));
  return done;
}

bool detectWideRender()
{
  __builtin_cpu_init();  // may run before the library's own initialisation
  return __builtin_cpu_supports("avx2");
}

const bool hasWideRender = detectWideRender();
#endif

template <int NF, bool Noise, Out O>
void renderAll(double* synBus, double* strBus, int count, Footage* f, double noiseLevel, double gain,
               uint32_t& seed)
{
  int done = 0;
#if defined(__x86_64__)
  if (hasWideRender)
    done = renderWide<NF, Noise, O>(synBus, strBus, count, f, noiseLevel, gain, seed);
#endif
  if (done < count)
    render<NF, Noise, O>(synBus + done, strBus + done, count - done, f, noiseLevel, gain, seed);
}

template <bool Noise, Out O>
void renderFootages(int nf, double* synBus, double* strBus, int count, Footage* f, double noiseLevel,
                    double gain, uint32_t& seed)
{
  switch (nf) {
  case 0: renderAll<0, Noise, O>(synBus, strBus, count, f, noiseLevel, gain, seed); break;
  case 1: renderAll<1, Noise, O>(synBus, strBus, count, f, noiseLevel, gain, seed); break;
  case 2: renderAll<2, Noise, O>(synBus, strBus, count, f, noiseLevel, gain, seed); break;
  case 3: renderAll<3, Noise, O>(synBus, strBus, count, f, noiseLevel, gain, seed); break;
  default: renderAll<4, Noise, O>(synBus, strBus, count, f, noiseLevel, gain, seed); break;
  }
}

// The footages of one note that lie below half the sample rate, in order
// from 16' up, with the wave table each one uses.
int noteFootages(const OscBank& bank, int octave, int noteInOctave, Footage* f)
{
  const int s = bank.octaveUp ? octave - 1 : octave - 2;
  const uint32_t d = static_cast<uint32_t>(bank.inc[noteInOctave]);
  const uint32_t ph = static_cast<uint32_t>(bank.phase[noteInOctave]);
  int nf = 0;
  int t = std::clamp(s + bank.waveIndex[noteInOctave] - 7, 0, 10);
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
    f[nf++] = Footage{ph << sf, d << sf, OscBank::square[t], bank.synLevel[i], bank.strLevel[i]};
  }
  return nf;
}

template <Out O>
void renderNote(const OscBank& bank, double* synBus, double* strBus, int count, int octave, int noteInOctave,
                double gain)
{
  if (count <= 0)
    return;
  if (noteInOctave < 0 || noteInOctave > 11) {
    if constexpr (O == Out::Store)
      std::fill_n(synBus, count, 0.0), std::fill_n(strBus, count, 0.0);
    return;
  }
  Footage f[4];
  const int nf = noteFootages(bank, octave, noteInOctave, f);
  const double noiseLevel = bank.noiseLevel;
  if (noiseLevel > 0) {
    uint32_t seed = static_cast<uint32_t>(OscBank::randSeed.load(std::memory_order_relaxed));
    renderFootages<true, O>(nf, synBus, strBus, count, f, noiseLevel, gain, seed);
    OscBank::randSeed.store(static_cast<int32_t>(seed), std::memory_order_relaxed);
  } else if (nf > 0 || O == Out::Store) {
    uint32_t unused = 0;
    renderFootages<false, O>(nf, synBus, strBus, count, f, 0.0, gain, unused);
  }
}
} // namespace

void OscBank::process(double* synBus, double* strBus, int count, int octave, int noteInOctave)
{
  renderNote<Out::Add>(*this, synBus, strBus, count, octave, noteInOctave, 1.0);
}

void OscBank::render(double* synBuf, double* strBuf, int count, int octave, int noteInOctave)
{
  renderNote<Out::Store>(*this, synBuf, strBuf, count, octave, noteInOctave, 1.0);
}

void OscBank::processScaled(double* synBus, double* strBus, int count, int octave, int noteInOctave, double gain)
{
  renderNote<Out::Scaled>(*this, synBus, strBus, count, octave, noteInOctave, gain);
}

void OscBank::next(int count)
{
  for (int k = 0; k < 12; ++k) {
    const uint32_t p = static_cast<uint32_t>(phase[k]) + static_cast<uint32_t>(inc[k]) * static_cast<uint32_t>(count);
    phase[k] = static_cast<int>(p & kPhaseMask);
  }
}
