#pragma once

#include "guarded.h"

// Second-order Butterworth low-pass (bilinear, no pre-warping of Q), used in
// front of and behind delay lines and to smooth random modulation.
class LowPass
{
public:
  double cutoff = 8000;       // Hz
  double omegaScale;          // 2 pi / sample rate
  double fb1, fb2;            // feedback coefficients, added
  double b0, b1;              // feed-forward; the third equals b0
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double dn = 1e-13;          // anti-denormal offset, sign flips every sample

  LowPass();
  // Audio thread: new rate, cleared history, same cutoff.
  void reset(double sampleRate);
  // Either thread.
  void setCutOff(double hz);
  // Audio thread: one sample. Defined here so that callers running it per
  // sample (the delay, the modulation smoother) can inline it.
  double process(double x);
  // Audio thread: in place.
  void process(double* buffer, int count);
  // Audio thread: the history and offset of a copy of this filter that ran
  // in its place; the settings stay this filter's own.
  void takeHistory(const LowPass& ran);

private:
  void calcCoeff();
};

inline double LowPass::process(double x)
{
  x = guarded(x, dn);
  x1 = guarded(x1, dn);
  x2 = guarded(x2, dn);
  y1 = guarded(y1, dn);
  y2 = guarded(y2, dn);
  dn = -dn;

  const double y = b0 * (x + x2) + b1 * x1 + fb1 * y1 + fb2 * y2;
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  return y;
}

inline void LowPass::takeHistory(const LowPass& ran)
{
  x1 = ran.x1;
  x2 = ran.x2;
  y1 = ran.y1;
  y2 = ran.y2;
  dn = ran.dn;
}
