// Real-time factors of the sound engine at 48 kHz: seconds of audio rendered
// per second of CPU time ("x_realtime"), for the three loads of the block
// loop: 64 paraphonic voices, 64 voices in GOD mode, and the effect chain.
#include "delay.h"
#include "ensemble.h"
#include "oscbank.h"
#include "phaser.h"
#include "shelfeq.h"
#include "voice.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{
constexpr float kRate = 48000;
constexpr int kPeriod = 48;  // one control period at 48 kHz
constexpr int kVoices = 64;

void reportRealtime(benchmark::State& state)
{
  const double seconds = static_cast<double>(state.iterations()) * kPeriod / kRate;
  state.counters["x_realtime"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate);
}

// The bank and 64 sounding voices, wired and fed per period as the block
// loop does: bank update, voice updates, voice rendering, bank advance.
struct VoiceLoad
{
  OscBank bank;
  VoiceOwner owner;
  double pitchMod = 0;
  double filterMod = 0;
  std::unique_ptr<Voice[]> voices{new Voice[kVoices]};
  double syn[kPeriod];
  double str[kPeriod];

  explicit VoiceLoad(bool god)
  {
    bank.init(kRate);
    bank.pitchMod = &pitchMod;
    const double levels[4] = {0.5, 0.8, 0.4, 0.3};
    for (int f = 0; f < 4; ++f)
      bank.synLevel[f] = levels[f];
    bank.noiseLevel = 0.05;
    bank.setOctBalance(0.5);
    owner.heldKeyCount = kVoices;
    const double params[][2] = {{20, 0.1}, {21, 0.5}, {22, 0.6}, {23, 0.3}, {24, 1},   {25, 0},
                                {26, 9000}, {27, 0.4}, {28, 2000}, {29, 0}, {30, 1}, {32, 0.2},
                                {33, 0.4}, {34, 0}};
    for (int i = 0; i < kVoices; ++i) {
      Voice& v = voices[i];
      v.owner = &owner;
      v.setSampleRate(kRate);
      v.bank = &bank;
      v.cutoffModSrc = &filterMod;
      for (const auto& p : params)
        v.setParam(static_cast<int>(p[0]), p[1]);
      v.setGODMode(god);
      v.setNoteOn(36 + i, 100, i + 1);
    }
    // Past the attacks: the steady state of a held chord.
    for (int i = 0; i < 500; ++i)
      period();
  }

  void period()
  {
    bank.update();
    for (int i = 0; i < kVoices; ++i)
      voices[i].update();
    for (int j = 0; j < kPeriod; ++j)
      syn[j] = str[j] = 0;
    for (int i = 0; i < kVoices; ++i)
      voices[i].processAudio(syn, str, kPeriod);
    bank.next(kPeriod);
    benchmark::DoNotOptimize(syn);
    benchmark::DoNotOptimize(str);
  }
};

void BM_VoicesParaphonic(benchmark::State& state)
{
  VoiceLoad load(false);
  for (auto _ : state)
    load.period();
  reportRealtime(state);
}
BENCHMARK(BM_VoicesParaphonic);

void BM_VoicesGodMode(benchmark::State& state)
{
  VoiceLoad load(true);
  for (auto _ : state)
    load.period();
  reportRealtime(state);
}
BENCHMARK(BM_VoicesGodMode);

// The Str chain (ensemble, high and low shelf), the stereo mix, the phaser
// and the delay, on a steady chord-like signal.
void BM_Effects(benchmark::State& state)
{
  Ensemble ensemble;
  ShelfEQ eqLow, eqHigh;
  Phaser phaser;
  BBDelay delay;
  ensemble.reset(kRate);
  ensemble.lfo1.setRate(0.3);
  ensemble.lfo2.setRate(0.45);
  eqLow.setSampleRate(kRate);
  eqLow.isLowShelf = true;
  eqLow.setFrequency(300);
  eqLow.setGain(3);
  eqHigh.setSampleRate(kRate);
  eqHigh.isLowShelf = false;
  eqHigh.setFrequency(1800);
  eqHigh.setGain(-4);
  phaser.reset(kRate);
  phaser.setMode(2);
  phaser.lfo.setRate(0.2);
  phaser.feedback = 0.5;
  phaser.mix = 0.5;
  phaser.center = 0.5;
  phaser.modDepth = 0.7;
  delay.reset(kRate);
  delay.setLPFreq(6000);
  delay.mode = 2;
  delay.setDelay(0.5);
  delay.feedback = 0.4;
  delay.setMix(0.3);

  std::vector<double> input(kRate);
  for (size_t i = 0; i < input.size(); ++i)
    input[i] = 0.3 * std::sin(i * 0.0345) + 0.2 * std::sin(i * 0.0517) + 0.1 * std::sin(i * 0.0921);
  double str[kPeriod], left[kPeriod], right[kPeriod];
  size_t at = 0;
  for (auto _ : state) {
    ensemble.update();
    phaser.update();
    for (int j = 0; j < kPeriod; ++j)
      str[j] = input[at + j];
    at = (at + kPeriod) % (input.size() - kPeriod);
    ensemble.process(str, kPeriod);
    eqHigh.processAudio(str, kPeriod);
    eqLow.processAudio(str, kPeriod);
    for (int j = 0; j < kPeriod; ++j) {
      left[j] = 0.4 * str[j];
      right[j] = 0.6 * str[j];
    }
    phaser.process(left, right, kPeriod);
    delay.processAudio(left, right, kPeriod);
    benchmark::DoNotOptimize(left);
    benchmark::DoNotOptimize(right);
  }
  reportRealtime(state);
}
BENCHMARK(BM_Effects);
} // namespace

BENCHMARK_MAIN();
