#include "shelfeq.h"

#include "guarded.h"

#include <cmath>
#include <numbers>

void ShelfEQ::setSampleRate(double rate)
{
  sampleRate = rate;
  calcCoeff();
}

void ShelfEQ::setFrequency(double hz)
{
  frequency = hz;
  calcCoeff();
}

void ShelfEQ::setGain(double dB)
{
  gain = dB;
  calcCoeff();
}

void ShelfEQ::calcCoeff()
{
  // A gain of 0 dB (or no number at all) is a plain wire.
  if (gain == 0 || std::isnan(gain))
  {
    b0 = 1;
    b1 = 0;
    b2 = 0;
    a1 = 0;
    a2 = 0;
    return;
  }

  double V = std::pow(10.0, gain / 20);
  if (V < 1)
    V = 1 / V;
  const double K = std::tan(std::numbers::pi * frequency / sampleRate);
  const double KK = K * K;
  const double r = std::sqrt(2.0);
  const double rV = std::sqrt(2 * V);

  if (isLowShelf)
  {
    if (gain > 0)
    {
      const double D = 1 + r * K + KK;
      b0 = (1 + rV * K + V * KK) / D;
      b1 = 2 * (V * KK - 1) / D;
      b2 = (1 - rV * K + V * KK) / D;
      a1 = 2 * (KK - 1) / D;
      a2 = (1 - r * K + KK) / D;
    }
    else
    {
      const double D = 1 + rV * K + V * KK;
      b0 = (1 + r * K + KK) / D;
      b1 = 2 * (KK - 1) / D;
      b2 = (1 - r * K + KK) / D;
      a1 = 2 * (V * KK - 1) / D;
      a2 = (1 - rV * K + V * KK) / D;
    }
  }
  else
  {
    if (gain > 0)
    {
      const double D = 1 + r * K + KK;
      b0 = (V + rV * K + KK) / D;
      b1 = 2 * (KK - V) / D;
      b2 = (V - rV * K + KK) / D;
      a1 = 2 * (KK - 1) / D;
      a2 = (1 - r * K + KK) / D;
    }
    else
    {
      // The cut's denominator is normalised to a leading 1 on its own.
      const double D = V + rV * K + KK;
      const double rInv = std::sqrt(2 / V);
      const double D2 = 1 + rInv * K + KK / V;
      b0 = (1 + r * K + KK) / D;
      b1 = 2 * (KK - 1) / D;
      b2 = (1 - r * K + KK) / D;
      a1 = 2 * (KK / V - 1) / D2;
      a2 = (1 - rInv * K + KK / V) / D2;
    }
  }
}

void ShelfEQ::processAudio(double* buffer, int count)
{
  // History, offset and coefficients live in locals for the whole buffer:
  // the stores to buffer[i] could alias the members, which would otherwise be
  // reloaded after every sample. A gain set meanwhile from the other thread
  // takes effect with the next buffer, never with half of its coefficients.
  const double b0 = this->b0, b1 = this->b1, b2 = this->b2;
  const double a1 = this->a1, a2 = this->a2;
  double x1 = this->x1, x2 = this->x2, y1 = this->y1, y2 = this->y2;
  double dn = this->dn;

  for (int i = 0; i < count; ++i)
  {
    const double x = guarded(buffer[i], dn);
    x1 = guarded(x1, dn);
    x2 = guarded(x2, dn);
    y1 = guarded(y1, dn);
    y2 = guarded(y2, dn);
    dn = -dn;

    // A result that is not a number is output and kept as 0. The state may
    // carry the NaN to the next sample, whose guard turns it into 0 + dn just
    // as it would a stored 0; so the test stays off the recursion's path.
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    buffer[i] = std::isnan(y) ? 0.0 : y;
  }

  this->x1 = x1;
  this->x2 = x2;
  this->y1 = std::isnan(y1) ? 0.0 : y1;
  this->y2 = y2;
  this->dn = dn;
}
