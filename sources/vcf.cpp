#include "vcf.h"

#include "guarded.h"
#include "synth.pitch.h"

#include <cmath>
#include <numbers>

double VCF::sampleRate = 0;
double VCF::freq2rad[VCF::kMaxIndex + 1] = {};

namespace
{
inline double clampUnit(double v)
{
  return v < -1.0 ? -1.0 : (v > 1.0 ? 1.0 : v);
}
}

VCF::VCF()
{
  reset();
}

void VCF::reset()
{
  // The states start away from zero so that a freshly reset filter rings
  // briefly instead of starting from exact silence.
  s1 = 1;
  s2 = 0;
  s3 = -1;
  s4 = 0;
  lastIndex = 0;
  norm = 0;
  loopGain = 0;
  g = 0;
  hpGain = 0;
  m = 0;
}

void VCF::init(double rate)
{
  reset();
  if (rate != VCF::sampleRate)
  {
    VCF::sampleRate = rate;
    for (int i = 0; i <= kMaxIndex; ++i)
      freq2rad[i] = 2.0 * std::numbers::pi * SynthPitch::convert2Hz(i) / VCF::sampleRate;
  }
}

void VCF::update()
{
  // Bound the sum before truncating so that the cast is always defined; every
  // value beyond the bounds clamps to the same table end anyway.
  double cutoff = freq + (mod ? *mod : 0.0);
  if (!(cutoff > -1.0e9))
    cutoff = -1.0e9;
  else if (cutoff > 1.0e9)
    cutoff = 1.0e9;
  const int idx = (int)cutoff;

  if (idx != lastIndex)
  {
    lastIndex = idx;
    const int i = idx < 0 ? 0 : (idx > kMaxIndex ? kMaxIndex : idx);
    const double w = freq2rad[i];
    a = 1 / (2 + w);
    g = w * a;
    m = (w - 2) * a;
  }

  k = 3.5 * reso;

  if (mode == 0)
  {
    hpGain = 0;
    loopGain = g * g * g * g;
    norm = 1 / (1 + k * loopGain);
  }
  else
  {
    hpGain = 2 * a;
    const double stage = hpGain * g;
    loopGain = stage * stage;
    norm = 1 / (1 - k * loopGain);
  }
}

void VCF::process(double* buffer, int count)
{
  // The states, the offset and the coefficients live in locals for the whole
  // buffer: the stores to buffer[i] could alias the members, so the compiler
  // would otherwise reload every one of them after each sample. The
  // arithmetic and its order are unchanged.
  double s1 = this->s1, s2 = this->s2, s3 = this->s3, s4 = this->s4;
  double dn = this->dn;
  const double g = this->g, hpGain = this->hpGain, m = this->m, k = this->k;
  const double loopGain = this->loopGain, norm = this->norm;

  if (mode == 0)
  {
    // Four low-pass stages in a negative feedback loop. The loop is solved
    // for the fourth stage's output y without a unit delay; only the fed-back
    // estimate is clipped.
    for (int i = 0; i < count; ++i)
    {
      const double x = guarded(buffer[i], dn);
      s1 = guarded(s1, dn);
      s2 = guarded(s2, dn);
      s3 = guarded(s3, dn);
      s4 = guarded(s4, dn);
      dn = -dn;

      const double S = ((s1 * g + s2) * g + s3) * g + s4;
      const double y = (loopGain * x + S) * norm;
      const double u = x - k * clampUnit(y);

      double v = g * u;
      const double y1 = s1 + v;
      s1 = v - m * y1;
      v = g * y1;
      const double y2 = s2 + v;
      s2 = v - m * y2;
      v = g * y2;
      const double y3 = s3 + v;
      s3 = v - m * y3;
      v = g * y3;
      const double y4 = s4 + v;
      s4 = v - m * y4;

      buffer[i] = y;
    }
  }
  else if (mode == 1)
  {
    // Low-pass, high-pass, low-pass, high-pass with positive feedback; the
    // band-pass output is taken after the second stage.
    for (int i = 0; i < count; ++i)
    {
      const double x = guarded(buffer[i], dn);
      s1 = guarded(s1, dn);
      s2 = guarded(s2, dn);
      s3 = guarded(s3, dn);
      s4 = guarded(s4, dn);
      dn = -dn;

      const double S = ((s1 * hpGain + s2) * g + s3) * hpGain + s4;
      const double y = (loopGain * x + S) * norm;
      const double u = x + k * clampUnit(y);

      double v = g * u;
      const double y1 = s1 + v;
      s1 = v - m * y1;
      v = hpGain * y1;
      const double y2 = s2 + v;
      s2 = -v - m * y2;
      v = g * y2;
      const double y3 = s3 + v;
      s3 = v - m * y3;
      v = hpGain * y3;
      const double y4 = s4 + v;
      s4 = -v - m * y4;

      buffer[i] = y2;
    }
  }
  else
  {
    // Any other mode is a bypass and leaves the states alone.
    return;
  }

  this->s1 = s1;
  this->s2 = s2;
  this->s3 = s3;
  this->s4 = s4;
  this->dn = dn;
}
