#include "ar.h"

#include <cmath>

namespace
{
// The glide aims one ninth past the end point so that it crosses it in finite
// time; with this overshoot, ln(10) / coef updates cover the full range.
constexpr double kRiseTarget = 10.0 / 9.0;
constexpr double kFallTarget = -1.0 / 9.0;
} // namespace

double EnvAR::coefFor(double p) const
{
  return timeScale * std::pow(10.0, 2.3 - 4.5 * p);
}

void EnvAR::reset(float sampleRate)
{
  timeScale = 2.302585092994046 / sampleRate;
  state = kIdle;
  value = 0;
}

void EnvAR::start()
{
  state = kAttack;
  target = kRiseTarget;
  coef = coefFor(attack);
  if (retrigger)
    value = 0;
}

void EnvAR::stop()
{
  state = kRelease;
  target = kFallTarget;
  coef = coefFor(release);
}

void EnvAR::setAttack(double p)
{
  attack = p;
  if (state == kAttack)
    coef = coefFor(p);
}

void EnvAR::setRelease(double p)
{
  release = p;
  if (state == kRelease)
    coef = coefFor(p);
}
