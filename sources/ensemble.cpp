#include "ensemble.h"

#include <cmath>
#include <new>

Ensemble::Ensemble()
{
  reset(44100);
}

Ensemble::~Ensemble()
{
  cleanUp();
}

void Ensemble::cleanUp()
{
  delete[] line1;
  delete[] line2;
  line1 = nullptr;
  line2 = nullptr;
}

void Ensemble::reset(double rate)
{
  sampleRate = rate;
  glide = 999 / sampleRate;

  cleanUp();
  // 24 ms holds the longest delay (3 ms + 21 ms of depth) with one spare sample.
  const double size = sampleRate * 0.024 + 1;
  length = size >= 1 && size < 1.0e8 ? (int)size : 0;
  if (length > 0)
  {
    line1 = new (std::nothrow) double[length]();
    line2 = new (std::nothrow) double[length]();
    if (!line1 || !line2)
    {
      cleanUp();
      length = 0;
    }
  }
  depth1 = 0.021 * dly1;
  depth2 = 0.021 * dly2;

  write1 = 0;
  write2 = 0;
  delay1 = 0;
  delay2 = 0;
  inc1 = 0;
  inc2 = 0;
  lfo1.init();
  lfo2.init();
  inputFilter.reset(sampleRate);
}

void Ensemble::update()
{
  lfo1.update();
  lfo2.update();
  const double L1 = lfo1.uni1;
  const double L2 = lfo2.uni1;

  // Rising LFOs shorten the delays from their longest, 3 ms + depth.
  double m1 = 1 - (amt11 * L1 + amt21 * L2);
  double m2 = 1 - (amt12 * L1 + amt22 * L2);
  m1 = m1 < 0 ? 0 : (m1 > 1 ? 1 : m1);
  m2 = m2 < 0 ? 0 : (m2 > 1 ? 1 : m2);

  const double target1 = sampleRate * (depth1 * m1 + 0.003);
  const double target2 = sampleRate * (depth2 * m2 + 0.003);
  inc1 = glide * (target1 - delay1);
  inc2 = glide * (target2 - delay2);
}

namespace
{
// Linearly interpolated tap delay - 1 samples behind the sample just written
// at write. The delay is held inside the line so that the two read positions
// always lie within it, even if the delay was driven past its range.
inline double readTap(const double* line, int length, int write, double delay)
{
  double d = delay;
  if (!(d >= 0))
    d = 0;
  else if (d > length - 1)
    d = length - 1;

  const int D = (int)d;
  const double f = d - std::floor(d);
  // write and D both lie in 0..length-1, so one wrap brings p and p + 1 back.
  int p = write - D;
  if (p < 0)
    p += length;
  int q = p + 1;
  if (q >= length)
    q -= length;

  const double A = line[q];
  const double B = line[p];
  return A + (B - A) * f;
}
}

void Ensemble::process(double* buffer, int count)
{
  if (length <= 0)
    return;

  // The dry part of the output is the filtered signal too.
  inputFilter.process(buffer, count);

  // Positions, delays and increments live in locals for the whole buffer:
  // the stores to the lines and to buffer[i] could alias the members, which
  // would otherwise be reloaded after each one.
  double* const l1 = line1;
  double* const l2 = line2;
  const int n = length;
  int w1 = write1, w2 = write2;
  double d1 = delay1, d2 = delay2;
  const double step1 = inc1, step2 = inc2;

  for (int i = 0; i < count; ++i)
  {
    const double x = buffer[i];
    l1[w1] = x;
    l2[w2] = x;

    const double tap1 = readTap(l1, n, w1, d1);
    const double tap2 = readTap(l2, n, w2, d2);
    buffer[i] = (tap1 + x + tap2) * 0.333;

    if (++w1 >= n)
      w1 = 0;
    if (++w2 >= n)
      w2 = 0;
    d1 = d1 + step1;
    d2 = d2 + step2;
  }

  write1 = w1;
  write2 = w2;
  delay1 = d1;
  delay2 = d2;
}
