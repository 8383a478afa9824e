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

void LowPass::process(double* buffer, int count)
{
  // Runs on a local copy: the stores to buffer[i] could alias the members,
  // which would otherwise be reloaded after every sample; the copy's fields
  // stay in registers. Only the history and the offset come back, so that a
  // cutoff set meanwhile from the other thread is kept.
  LowPass f = *this;
  for (int i = 0; i < count; ++i)
    buffer[i] = f.process(buffer[i]);
  takeHistory(f);
}
