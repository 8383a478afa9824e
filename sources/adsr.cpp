#include "adsr.h"

void EnvADSR::start()
{
  if (!retrigger && state != kIdle && state != kRelease)
    return;
  state = kAttack;
  target = 10.0 / 9.0;
  coef = coefFor(attack);
}

void EnvADSR::stop()
{
  EnvAR::stop();
}

void EnvADSR::endAttack()
{
  value = 1;
  state = kDecay;
  coef = coefFor(decay);
  target = sustain;
}

void EnvADSR::setDecay(double p)
{
  decay = p;
  if (state == kDecay)
    coef = coefFor(p);
}

void EnvADSR::setSustain(double s)
{
  sustain = s;
  if (state == kDecay)
    target = s;
}
