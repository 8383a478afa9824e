#pragma once

// Small signal helpers shared by the effect and filter tests.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace fx
{
// Deterministic white noise in -amp..amp.
inline std::vector<double> noise(int n, double amp = 1.0, uint32_t seed = 12345)
{
  std::vector<double> v(n);
  for (double& x : v)
  {
    seed = seed * 1664525u + 1013904223u;
    x = amp * ((double)(seed >> 8) / (double)(1u << 24) * 2.0 - 1.0);
  }
  return v;
}

inline std::vector<double> impulse(int n, int at = 0, double amp = 1.0)
{
  std::vector<double> v(n, 0.0);
  v[at] = amp;
  return v;
}

inline std::vector<double> sine(int n, double hz, double rate)
{
  std::vector<double> v(n);
  for (int i = 0; i < n; ++i)
    v[i] = std::sin(2 * std::numbers::pi * hz * i / rate);
  return v;
}

// Amplitude of the hz component of y[from..], by correlation over whole
// periods when the span is one second at an integer frequency.
inline double amplitudeAt(const std::vector<double>& y, int from, double hz, double rate)
{
  double s = 0, c = 0;
  const int n = (int)y.size() - from;
  for (int i = from; i < (int)y.size(); ++i)
  {
    const double ph = 2 * std::numbers::pi * hz * i / rate;
    s += y[i] * std::sin(ph);
    c += y[i] * std::cos(ph);
  }
  return 2.0 / n * std::sqrt(s * s + c * c);
}

inline double peakAbs(const std::vector<double>& y, int from = 0, int to = -1)
{
  if (to < 0)
    to = (int)y.size();
  double m = 0;
  for (int i = from; i < to; ++i)
    m = std::max(m, std::fabs(y[i]));
  return m;
}

inline bool allFinite(const std::vector<double>& y)
{
  for (double x : y)
    if (!std::isfinite(x))
      return false;
  return true;
}

inline double dB(double gain)
{
  return 20 * std::log10(gain);
}
}
