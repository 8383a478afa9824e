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

  // The filters, histories, clock and settings run on local copies for the
  // whole call: every store to the buckets or to the outputs could alias the
  // members, which the compiler would otherwise reload after each one. The
  // states go back at the end; the settings are read once per call.
  LowPass fInL = inL, fInR = inR, fOutL = outL, fOutR = outR;
  double hInL[4], hInR[4], hOutL[4], hOutR[4];
  for (int k = 0; k < 4; ++k)
  {
    hInL[k] = histInL[k];
    hInR[k] = histInR[k];
    hOutL[k] = histOutL[k];
    hOutR[k] = histOutR[k];
  }
  double* const bucketsL = bufL;
  double* const bucketsR = bufR;
  const int n = length;
  int p = pos;
  double phase = clock;
  const double advance = step, invAdvance = invStep;
  const double fbGain = feedback, dry = dryGain, wet = wetGain;
  const bool pingpong = mode == 1;

  for (int i = 0; i < count; ++i)
  {
    const double xL = left[i];
    const double xR = right[i];
    push(hInL, fInL.process(xL));
    push(hInR, fInR.process(xR));

    // One pass per bucket clock tick; a shorter delay means more ticks per
    // output sample.
    while (phase < 1)
    {
      p = p == 0 ? n - 1 : p - 1;
      // The bucket written length ticks ago.
      const double readL = fOutL.process(bucketsL[p]);
      const double readR = fOutR.process(bucketsR[p]);
      const double inLt = cubic(hInL, phase);
      const double inRt = cubic(hInR, phase);
      push(hOutL, readL);
      push(hOutR, readR);

      const double fbL = pingpong ? readR : readL;
      const double fbR = pingpong ? readL : readR;
      bucketsL[p] = inLt + limit(fbL) * fbGain;
      bucketsR[p] = inRt + limit(fbR) * fbGain;
      phase = phase + advance;
    }
    phase = phase - 1;

    const double t = 1 - phase * invAdvance;
    const double yL = cubic(hOutL, t);
    const double yR = cubic(hOutR, t);
    if (pingpong)
    {
      left[i] = xL * dry + yR * wet;
      right[i] = xR * dry + yL * wet;
    }
    else
    {
      left[i] = xL * dry + yL * wet;
      right[i] = xR * dry + yR * wet;
    }
  }

  inL.takeHistory(fInL);
  inR.takeHistory(fInR);
  outL.takeHistory(fOutL);
  outR.takeHistory(fOutR);
  for (int k = 0; k < 4; ++k)
  {
    histInL[k] = hInL[k];
    histInR[k] = hInR[k];
    histOutL[k] = hOutL[k];
    histOutR[k] = hOutR[k];
  }
  pos = p;
  clock = phase;
}
