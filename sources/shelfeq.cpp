#include "shelfeq.h"

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
  for (int i = 0; i < count; ++i)
  {
    const double x = (std::isnan(buffer[i]) ? 0.0 : buffer[i]) + dn;
    x1 = (std::isnan(x1) ? 0.0 : x1) + dn;
    x2 = (std::isnan(x2) ? 0.0 : x2) + dn;
    y1 = (std::isnan(y1) ? 0.0 : y1) + dn;
    y2 = (std::isnan(y2) ? 0.0 : y2) + dn;
    dn = -dn;

    double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    if (std::isnan(y))
      y = 0;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    buffer[i] = y;
  }
}
