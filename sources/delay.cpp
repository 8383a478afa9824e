#include "delay.h"

#include <cmath>
#include <new>

namespace
{
// Catmull-Rom spline through p[1] (t = 0) and p[2] (t = 1).
inline double cubic(const double* p, double t)
{
  const double t2 = t * t;
  const double t3 = t2 * t;
  return p[1] + 0.5 * (p[2] - p[0]) * t
       + (p[0] - 2.5 * p[1] + 2 * p[2] - 0.5 * p[3]) * t2
       + (0.5 * (p[3] - p[0]) + 1.5 * (p[1] - p[2])) * t3;
}

inline void push(double* h, double v)
{
  h[0] = h[1];
  h[1] = h[2];
  h[2] = h[3];
  h[3] = v;
}

// The echo is fed back through a hard limit so the loop stays bounded at any
// feedback setting.
inline double limit(double v)
{
  return v < -3 ? -3 : (v > 3 ? 3 : v);
}
}

BBDelay::BBDelay()
{
  reset(44100);
}

BBDelay::~BBDelay()
{
  cleanUp();
}

void BBDelay::cleanUp()
{
  delete[] bufL;
  delete[] bufR;
  bufL = nullptr;
  bufR = nullptr;
}

void BBDelay::reset(double sampleRate)
{
  cleanUp();
  const double size = 0.5 * sampleRate;
  length = size >= 1 && size < 1.0e8 ? (int)size : 0;
  if (length > 0)
  {
    bufL = new (std::nothrow) double[length]();
    bufR = new (std::nothrow) double[length]();
    if (!bufL || !bufR)
    {
      cleanUp();
      length = 0;
    }
  }
  pos = 0;
  clock = 0;
  // The stored "Dly Time" returns with the next setDelay.
  step = 1;
  invStep = 1;
  inL.reset(sampleRate);
  inR.reset(sampleRate);
  outL.reset(sampleRate);
  outR.reset(sampleRate);
}

void BBDelay::setDelay(double x)
{
  // Holding x in 0..1 keeps step at or above 0.125: at most 8 ticks per
  // sample, and never a clock that stops advancing.
  if (!(x >= 0))
    x = 0;
  else if (x > 1)
    x = 1;
  delayParam = x;
  step = 0.875 * x + 0.125;
  invStep = 1 / step;
}

void BBDelay::setLPFreq(double hz)
{
  inL.setCutOff(hz);
  inR.setCutOff(hz);
  outL.setCutOff(hz);
  outR.setCutOff(hz);
}

void BBDelay::setMix(double x)
{
  dryGain = std::sqrt(1 - x);
  wetGain = std::sqrt(x);
}

void BBDelay::clearDelayLine()
{
  for (int i = 0; i < length && bufL && bufR; ++i)
  {
    bufL[i] = 0;
    bufR[i] = 0;
  }
}

void BBDelay::processAudio(double* left, double* right, int count)
{
  if (length <= 0 || !bufL || !bufR || !left || !right || count <= 0)
    return;

  const bool pingpong = mode == 1;
  for (int i = 0; i < count; ++i)
  {
    const double xL = left[i];
    const double xR = right[i];
    push(histInL, inL.process(xL));
    push(histInR, inR.process(xR));

    // One pass per bucket clock tick; a shorter delay means more ticks per
    // output sample.
    while (clock < 1)
    {
      pos = pos == 0 ? length - 1 : pos - 1;
      // The bucket written length ticks ago.
      const double readL = outL.process(bufL[pos]);
      const double readR = outR.process(bufR[pos]);
      const double inLt = cubic(histInL, clock);
      const double inRt = cubic(histInR, clock);
      push(histOutL, readL);
      push(histOutR, readR);

      const double fbL = pingpong ? readR : readL;
      const double fbR = pingpong ? readL : readR;
      bufL[pos] = inLt + limit(fbL) * feedback;
      bufR[pos] = inRt + limit(fbR) * feedback;
      clock = clock + step;
    }
    clock = clock - 1;

    const double t = 1 - clock * invStep;
    const double yL = cubic(histOutL, t);
    const double yR = cubic(histOutR, t);
    if (pingpong)
    {
      left[i] = xL * dryGain + yR * wetGain;
      right[i] = xR * dryGain + yL * wetGain;
    }
    else
    {
      left[i] = xL * dryGain + yL * wetGain;
      right[i] = xR * dryGain + yR * wetGain;
    }
  }
}
