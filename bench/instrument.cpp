// Whole-instrument real-time factor at 48 kHz, block 512: seconds of audio
// rendered per second of CPU time on one core.
#include <benchmark/benchmark.h>

#include <vector>

#include "IKitParameter.h"
#include "kelva.h"

namespace
{
constexpr double kRate = 48000;
constexpr int kBlock = 512;

void setPlain(Kelva& kelva, int idx, double value)
{
  kelva.GetParam(idx)->Set(value);
  kelva.OnParamChange(idx);
}

void run(benchmark::State& state, bool godMode, int notes, bool effects)
{
  Kelva kelva;
  kelva.SetSampleRate(kRate);
  kelva.SetBlockSize(kBlock);
  kelva.OnReset();
  kelva.OnActivate(true);
  setPlain(kelva, kGODMode, godMode);
  if (effects)
  {
    setPlain(kelva, kStrVol, 0.6);
    setPlain(kelva, kSG16, 0.5);
    setPlain(kelva, kSG4, 0.5);
    setPlain(kelva, kSGNoise, 0.1);
    setPlain(kelva, kVCFReso, 0.5);
    setPlain(kelva, kPhaser, 1);
    setPlain(kelva, kDelay, 1);
  }
  for (int i = 0; i < notes; ++i)
    kelva.ProcessMidiMsg(IMidiMsg(0, 0x90, static_cast<uint8_t>(36 + i % 80), 100));

  std::vector<double> left(kBlock), right(kBlock);
  double* outputs[2] = {left.data(), right.data()};
  for (auto _ : state)
  {
    kelva.ProcessBlock(nullptr, outputs, kBlock);
    benchmark::DoNotOptimize(left.data());
  }
  state.counters["x_realtime"] = benchmark::Counter(
    static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);
}

void BM_Idle(benchmark::State& state) { run(state, false, 0, false); }
void BM_EightNotesParaphonicAllEffects(benchmark::State& state) { run(state, false, 8, true); }
void BM_SixtyFourNotesGodModeAllEffects(benchmark::State& state) { run(state, true, 64, true); }
} // namespace

BENCHMARK(BM_Idle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EightNotesParaphonicAllEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SixtyFourNotesGodModeAllEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
