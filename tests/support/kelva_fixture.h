#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "IKitParameter.h"
#include "kelva.h"

// Drives a Kelva instance the way a host's processor side does: sample rate
// and block size, reset, activation, MIDI before each block, then render.
class KelvaRig
{
public:
  explicit KelvaRig(double sampleRate = 48000, int maxBlock = 4096)
  {
    prepare(sampleRate, maxBlock);
  }

  void prepare(double sampleRate, int maxBlock = 4096)
  {
    kelva.SetSampleRate(sampleRate);
    kelva.SetBlockSize(maxBlock);
    kelva.OnReset();
    kelva.OnActivate(true);
    this->maxBlock = maxBlock;
    left.assign(static_cast<size_t>(maxBlock), 0.0);
    right.assign(static_cast<size_t>(maxBlock), 0.0);
  }

  void midi(int status, int data1, int data2, int offset = 0)
  {
    kelva.ProcessMidiMsg(IMidiMsg(offset, static_cast<uint8_t>(status), static_cast<uint8_t>(data1),
                                  static_cast<uint8_t>(data2)));
  }
  void noteOn(int note, int velocity = 100, int offset = 0) { midi(0x90, note, velocity, offset); }
  void noteOff(int note, int offset = 0) { midi(0x80, note, 0, offset); }

  // Sets a parameter as host automation does, by normalised value.
  void setNormalized(int idx, double normalized)
  {
    kelva.GetParam(idx)->SetNormalized(normalized);
    kelva.OnParamChange(idx);
  }
  void setPlain(int idx, double plain)
  {
    kelva.GetParam(idx)->Set(plain);
    kelva.OnParamChange(idx);
  }

  // Renders frames in blocks of blockSize and appends both channels.
  void render(int frames, int blockSize, std::vector<double>& outLeft, std::vector<double>& outRight)
  {
    while (frames > 0)
    {
      const int n = std::min({frames, blockSize, maxBlock});
      double* outputs[2] = {left.data(), right.data()};
      kelva.ProcessBlock(nullptr, outputs, n);
      outLeft.insert(outLeft.end(), left.begin(), left.begin() + n);
      outRight.insert(outRight.end(), right.begin(), right.begin() + n);
      frames -= n;
    }
  }
  std::vector<double> renderLeft(int frames, int blockSize = 512)
  {
    std::vector<double> l, r;
    render(frames, blockSize, l, r);
    return l;
  }

  Kelva kelva;
  int maxBlock = 0;
  std::vector<double> left, right;
};

inline double rms(const std::vector<double>& x, size_t from, size_t to)
{
  double sum = 0;
  for (size_t i = from; i < to; ++i)
    sum += x[i] * x[i];
  return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

// Fundamental frequency from the rising zero crossings of a periodic signal,
// interpolated between samples.
inline double fundamentalHz(const std::vector<double>& x, size_t from, double sampleRate)
{
  double first = -1, last = -1;
  int count = 0;
  for (size_t i = from + 1; i < x.size(); ++i)
    if (x[i - 1] < 0 && x[i] >= 0)
    {
      const double t = static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]);
      if (first < 0)
        first = t;
      last = t;
      ++count;
    }
  return count > 1 ? (count - 1) * sampleRate / (last - first) : 0.0;
}
