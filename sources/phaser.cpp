#include "phaser.h"

#include "guarded.h"

namespace
{
// 2 pi * 12000 Hz: the first stage's corner at the top of the sweep.
constexpr double kMaxOmega = 75398.22368615503;
}

Phaser::Phaser()
  : wmax(kMaxOmega / 44100)
{
  lfo.init();
  clear();
}

void Phaser::clear()
{
  loopGain = 0;
  c1 = 0;
  c2 = 0;
  c3 = 0;
  c4 = 0;
  norm = 0;
  for (int i = 0; i < 4; ++i)
  {
    stateL[i] = 0;
    stateR[i] = 0;
  }
}

void Phaser::reset(float sampleRate)
{
  lfo.init();
  wmax = kMaxOmega / sampleRate;
  clear();
}

void Phaser::setMode(int mode)
{
  if (mode == 1)
  {
    spread = 0.65;
    fbSign = -1;
  }
  else
  {
    spread = 1.0;
    fbSign = 1;
  }
}

void Phaser::update()
{
  lfo.update();
  const double u = lfo.uni1;
  // The squared sweep spends more time at low corners, where the ear hears
  // the notches move.
  const double p = (u * u - 0.5) * modDepth + center;
  double w;
  if (!(p >= 0))
    w = 0;
  else if (p >= 1)
    w = wmax;
  else
    w = wmax * p;

  // Bilinear first-order all-pass with corner wi: (r + z^-1) / (1 + r z^-1).
  double wi = w;
  c1 = (wi - 2) / (wi + 2);
  wi = wi * spread;
  c2 = (wi - 2) / (wi + 2);
  wi = wi * spread;
  c3 = (wi - 2) / (wi + 2);
  wi = wi * spread;
  c4 = (wi - 2) / (wi + 2);

  loopGain = c1 * c2 * c3 * c4;
  fb = fbSign * 0.999 * feedback;
  norm = 1 / (1 + fb * loopGain);
}

void Phaser::processChannel(double* buffer, int count, double* state, double& dnRef)
{
  // States, offset and coefficients live in locals for the whole buffer: the
  // stores to buffer[i] could alias them, and would otherwise force a reload
  // of each after every sample.
  const double c1 = this->c1, c2 = this->c2, c3 = this->c3, c4 = this->c4;
  const double loopGain = this->loopGain, norm = this->norm, fb = this->fb, mix = this->mix;
  double s1 = state[0], s2 = state[1], s3 = state[2], s4 = state[3];
  double dn = dnRef;

  for (int i = 0; i < count; ++i)
  {
    s1 = guarded(s1, dn);
    s2 = guarded(s2, dn);
    s3 = guarded(s3, dn);
    s4 = guarded(s4, dn);
    const double x = guarded(buffer[i], dn);
    dn = -dn;

    // Output of the fourth stage with the feedback loop solved.
    const double S = ((s1 * c2 + s2) * c3 + s3) * c4 + s4;
    const double y = (loopGain * x + S) * norm;

    double t = x - fb * y;
    double v = c1 * t + s1;
    s1 = t - c1 * v;
    t = v;
    v = c2 * t + s2;
    s2 = t - c2 * v;
    t = v;
    v = c3 * t + s3;
    s3 = t - c3 * v;
    t = v;
    v = c4 * t + s4;
    s4 = t - c4 * v;

    buffer[i] = x + (y - x) * mix;
  }

  state[0] = s1;
  state[1] = s2;
  state[2] = s3;
  state[3] = s4;
  dnRef = dn;
}

void Phaser::process(double* left, double* right, int count)
{
  if (left)
    processChannel(left, count, stateL, dnL);
  if (right)
    processChannel(right, count, stateR, dnR);
}
