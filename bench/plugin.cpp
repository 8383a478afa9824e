// Real-time factor of the whole plug-in as a host drives it: the built
// Kelva.vst3 loaded through its exports, 32-bit buffers at 48 kHz, blocks of
// 512, every block one VST 3 process call. x_realtime is seconds of audio
// rendered per second of CPU time on one core.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "module.h"
#include "plugin.h"

namespace
{
constexpr double kRate = 48000;
constexpr int32_t kBlock = 512;

// Parameter IDs as the host sees them.
constexpr uint32_t kGODMode = 0, kStrVol = 4, kSG16 = 15, kSG4 = 17, kSGNoise = 19, kVCFReso = 27, kPhaser = 37,
                   kDelay = 43;

// The plug-in reads and writes its configuration under the home folder:
// point it at a scratch folder for the run.
class ScratchHome
{
public:
  ScratchHome()
  {
    char pattern[] = "/tmp/kelva-bench-home-XXXXXX";
    if (const char* made = mkdtemp(pattern))
    {
      root = made;
      setenv("HOME", root.c_str(), 1);
      setenv("XDG_CONFIG_HOME", (root + "/.config").c_str(), 1);
    }
  }
  ~ScratchHome()
  {
    std::error_code ignored;
    if (!root.empty())
      std::filesystem::remove_all(root, ignored);
  }

private:
  std::string root;
};

void set(vst3host::Plugin& plugin, uint32_t id, double normalized)
{
  plugin.setParameterNormalized(id, normalized);
  plugin.inputParameterChanges().addPoint(id, 0, normalized);
}

void run(benchmark::State& state, bool godMode, int notes, bool effects)
{
  ScratchHome home;
  std::string error;
  const std::shared_ptr<vst3host::Module> module = vst3host::Module::load(KELVA_BUNDLE_PATH, error);
  std::unique_ptr<vst3host::Plugin> plugin = module ? vst3host::Plugin::create(module, "", error) : nullptr;
  if (!plugin || !plugin->prepare(vst3host::ProcessSetup{kRate, kBlock, false, V3_REALTIME}, error))
  {
    state.SkipWithError(error.c_str());
    return;
  }

  // The plain sound of the parameter table, not the factory program the
  // instance starts with, then the load of the case.
  for (uint32_t id = 0; id < 55; ++id)
    if (const auto info = plugin->findParameter(id))
      set(*plugin, id, info->defaultNormalized);
  set(*plugin, kGODMode, godMode ? 1.0 : 0.0);
  if (effects)
  {
    set(*plugin, kStrVol, 0.6);
    set(*plugin, kSG16, 0.5);
    set(*plugin, kSG4, 0.5);
    set(*plugin, kSGNoise, 0.1);
    set(*plugin, kVCFReso, 0.5);
    set(*plugin, kPhaser, 0.5);  // "Type 1"
    set(*plugin, kDelay, 1.0);   // "On"
  }
  for (int i = 0; i < notes; ++i)
    plugin->inputEvents().addNoteOn(0, 0, static_cast<int16_t>(36 + i), 0.8f);
  plugin->process(kBlock);

  for (auto _ : state)
  {
    plugin->process(kBlock);
    benchmark::DoNotOptimize(plugin->output32(0, 0));
  }
  state.counters["x_realtime"] = benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate,
                                                    benchmark::Counter::kIsRate);
  if (plugin->componentHandler().callsDuringProcess() != 0)
    state.SkipWithError("the plug-in called the component handler from process");
}

void BM_PluginIdle(benchmark::State& state)
{
  run(state, false, 0, false);
}
void BM_PluginEightNotesParaphonicAllEffects(benchmark::State& state)
{
  run(state, false, 8, true);
}
void BM_PluginSixtyFourNotesGodModeAllEffects(benchmark::State& state)
{
  run(state, true, 64, true);
}
} // namespace

BENCHMARK(BM_PluginIdle)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PluginEightNotesParaphonicAllEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PluginSixtyFourNotesGodModeAllEffects)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
