#pragma once

// The built Kelva.vst3 as a host sees it: the bundle loaded through its
// exports by kelva-host's library, instances created and prepared as a host
// does, and a few measurements of what they render. Every test gets a fresh
// home folder, so the plug-in's configuration file starts from nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "config_home.h"
#include "module.h"
#include "plugin.h"

namespace kelvahost
{
inline std::string bundlePath()
{
  return KELVA_BUNDLE_PATH;
}
inline std::string resourcePath(const std::string& name)
{
  return bundlePath() + "/Contents/Resources/" + name;
}
inline std::string readFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Parameter IDs as the host sees them.
constexpr uint32_t kGODMode = 0;
constexpr uint32_t kVolume = 1;
constexpr uint32_t kStrVol = 4;
constexpr uint32_t kTune = 6;
constexpr uint32_t kJoyFMDepth = 9;
constexpr uint32_t kPhaser = 37;
constexpr uint32_t kDelay = 43;
constexpr uint32_t kProgram = 65537;
constexpr uint32_t kControllerBase = 65538;  // + controller number on MIDI channel 1
constexpr uint32_t kModWheel = kControllerBase + 1;
constexpr uint32_t kPitchBend = kControllerBase + 129;

constexpr double kRate = 48000;
constexpr int32_t kBlock = 512;

// Both output channels of a stretch of rendering.
struct Audio
{
  std::vector<double> left, right;

  size_t size() const { return left.size(); }
  Audio slice(size_t from, size_t count) const
  {
    Audio a;
    from = std::min(from, size());
    count = std::min(count, size() - from);
    a.left.assign(left.begin() + static_cast<long>(from), left.begin() + static_cast<long>(from + count));
    a.right.assign(right.begin() + static_cast<long>(from), right.begin() + static_cast<long>(from + count));
    return a;
  }
};

inline double rms(const std::vector<double>& x)
{
  double sum = 0;
  for (double v : x)
    sum += v * v;
  return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

inline double peak(const Audio& a)
{
  double m = 0;
  for (const auto* channel : {&a.left, &a.right})
    for (double v : *channel)
      m = std::max(m, std::fabs(v));
  return m;
}

inline bool allFinite(const Audio& a)
{
  for (const auto* channel : {&a.left, &a.right})
    for (double v : *channel)
      if (!std::isfinite(v))
        return false;
  return true;
}

inline double largestDifference(const Audio& a, const Audio& b)
{
  if (a.size() != b.size())
    return INFINITY;
  double m = 0;
  for (size_t i = 0; i < a.size(); ++i)
    m = std::max({m, std::fabs(a.left[i] - b.left[i]), std::fabs(a.right[i] - b.right[i])});
  return m;
}

// Times (in samples, interpolated) at which the signal rises through zero.
inline std::vector<double> risingCrossings(const std::vector<double>& x)
{
  std::vector<double> at;
  for (size_t i = 1; i < x.size(); ++i)
    if (x[i - 1] < 0 && x[i] >= 0)
      at.push_back(static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]));
  return at;
}

// Mean frequency over the stretch from its rising zero crossings; 0 when
// there are too few.
inline double frequency(const std::vector<double>& x, double rate = kRate)
{
  const std::vector<double> at = risingCrossings(x);
  if (at.size() < 3)
    return 0;
  return static_cast<double>(at.size() - 1) * rate / (at.back() - at.front());
}

class KelvaHost : public ::testing::Test
{
protected:
  void SetUp() override
  {
    std::string error;
    module = vst3host::Module::load(bundlePath(), error);
    ASSERT_TRUE(module) << error;
  }

  // No call reached the component handler from inside process() in this
  // test: the host may only hear of changes there through the output lists.
  void TearDown() override
  {
    for (const auto& plugin : plugins)
      EXPECT_EQ(plugin->componentHandler().callsDuringProcess(), 0u);
    plugins.clear();
    module.reset();
  }

  // A new instance, initialised by the host; null (and a failure) when the
  // factory refuses. The fixture owns it.
  vst3host::Plugin* create()
  {
    if (!module)
      return nullptr;
    std::string error;
    auto plugin = vst3host::Plugin::create(module, "", error);
    if (!plugin)
    {
      ADD_FAILURE() << error;
      return nullptr;
    }
    plugins.push_back(std::move(plugin));
    return plugins.back().get();
  }

  // A new instance set up for processing: stereo, 48 kHz, blocks of 512.
  vst3host::Plugin* start(bool doublePrecision = false)
  {
    vst3host::Plugin* plugin = create();
    if (plugin && !prepare(*plugin, doublePrecision))
      return nullptr;
    return plugin;
  }

  static bool prepare(vst3host::Plugin& plugin, bool doublePrecision = false, double rate = kRate,
                      int32_t maxBlock = kBlock)
  {
    std::string error;
    const bool ok = plugin.prepare(vst3host::ProcessSetup{rate, maxBlock, doublePrecision, V3_REALTIME}, error);
    if (!ok)
      ADD_FAILURE() << error;
    return ok;
  }

  // A parameter moved as a VST 3 host moves it for a single-component
  // plug-in: on the controller, and as a change at the start of the next
  // process call.
  static void setParameter(vst3host::Plugin& plugin, uint32_t id, double normalized)
  {
    plugin.setParameterNormalized(id, normalized);
    plugin.inputParameterChanges().addPoint(id, 0, normalized);
  }

  // Every instrument parameter back at its default, the way a host resets a
  // plug-in: the instance then plays the plain sound of the parameter table
  // instead of the factory program it starts with.
  static void useDefaults(vst3host::Plugin& plugin)
  {
    for (uint32_t id = 0; id < 55; ++id)
      if (const auto info = plugin.findParameter(id))
        setParameter(plugin, id, info->defaultNormalized);
  }

  // Renders `blocks` process calls of `frames` each and returns both
  // channels, whichever the sample size.
  static Audio render(vst3host::Plugin& plugin, int blocks, int32_t frames = kBlock)
  {
    Audio a;
    for (int b = 0; b < blocks; ++b)
    {
      EXPECT_EQ(plugin.process(frames), V3_OK);
      appendOutput(plugin, frames, a);
    }
    return a;
  }

  static void appendOutput(const vst3host::Plugin& plugin, int32_t frames, Audio& a)
  {
    for (int channel = 0; channel < 2; ++channel)
    {
      std::vector<double>& out = channel == 0 ? a.left : a.right;
      if (const float* f = plugin.output32(0, channel))
        out.insert(out.end(), f, f + frames);
      else if (const double* d = plugin.output64(0, channel))
        out.insert(out.end(), d, d + frames);
      else
        ADD_FAILURE() << "no output channel " << channel;
    }
  }

  ConfigHome home;  // this test's HOME and XDG_CONFIG_HOME
  std::shared_ptr<vst3host::Module> module;
  std::vector<std::unique_ptr<vst3host::Plugin>> plugins;
};
} // namespace kelvahost
