#include "lowpass.h"

#include <cmath>
#include <numbers>

LowPass::LowPass()
  : omegaScale(2.0 * std::numbers::pi / 44100)
{
  calcCoeff();
}

void LowPass::reset(double sampleRate)
{
  omegaScale = 2.0 * std::numbers::pi / sampleRate;
  x1 = 0;
  x2 = 0;
  y1 = 0;
  y2 = 0;
  calcCoeff();
}

void LowPass::setCutOff(double hz)
{
  cutoff = hz;
  calcCoeff();
}

void LowPass::calcCoeff()
{
  // Q = 1/sqrt(2) gives the maximally flat (Butterworth) response.
  const double w = cutoff * omegaScale;
  const double alpha = std::sin(w) / 1.414213562373095;
  const double n = 1 / (1 + alpha);
  const double c = std::cos(w);
  fb1 = 2 * c * n;
  fb2 = (alpha - 1) * n;
  b1 = (1 - c) * n;
  b0 = b1 / 2;
}

double LowPass::process(double x)
{
  // Not-a-number values become 0 and every value gets the alternating
  // offset, so the recursion can neither keep a NaN nor decay into denormals.
  x = (std::isnan(x) ? 0.0 : x) + dn;
  x1 = (std::isnan(x1) ? 0.0 : x1) + dn;
  x2 = (std::isnan(x2) ? 0.0 : x2) + dn;
  y1 = (std::isnan(y1) ? 0.0 : y1) + dn;
  y2 = (std::isnan(y2) ? 0.0 : y2) + dn;
  dn = -dn;

  const double y = b0 * (x + x2) + b1 * x1 + fb1 * y1 + fb2 * y2;
  x2 = x1;
  x1 = x;
  y2 = y1;
  y1 = y;
  return y;
}

void LowPass::process(double* buffer, int count)
{
  for (int i = 0; i < count; ++i)
    buffer[i] = process(buffer[i]);
}
