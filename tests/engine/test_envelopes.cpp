#include "adsr.h"
#include "ar.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
constexpr float kRate = 44100;

// Updates until the envelope leaves the given state; the count of updates.
template <class Env>
int updatesWhile(Env& env, int state, int limit = 50000000)
{
  int n = 0;
  while (env.state == state && n < limit) {
    env.update();
    ++n;
  }
  return n;
}

template <class Env>
void runTo(Env& env, double level)
{
  while (env.value > level)
    env.update();
}

double lawSeconds(double p)
{
  return std::pow(10.0, 4.5 * p - 2.3);
}
} // namespace

TEST(EnvelopeTimes, AttackAndReleaseFollowTheTimeLaw)
{
  for (float rate : {44100.0f, 48000.0f}) {
    for (double p : {0.0, 0.25, 0.5, 0.7}) {
      const double expected = lawSeconds(p) * rate;
      EnvAR ar;
      ar.reset(rate);
      ar.setAttack(p);
      ar.setRelease(p);
      ar.start();
      EXPECT_NEAR(updatesWhile(ar, EnvAR::kAttack), expected, 0.01 * expected) << "attack " << p;
      EXPECT_EQ(ar.value, 1.0);
      EXPECT_EQ(ar.state, EnvAR::kHold);
      ar.stop();
      EXPECT_NEAR(updatesWhile(ar, EnvAR::kRelease), expected, 0.01 * expected) << "release " << p;
      EXPECT_EQ(ar.value, 0.0);
      EXPECT_FALSE(ar.isOn());

      EnvADSR adsr;
      adsr.reset(rate);
      adsr.setAttack(p);
      adsr.start();
      EXPECT_NEAR(updatesWhile(adsr, EnvAR::kAttack), expected, 0.01 * expected) << "ADSR attack " << p;
      EXPECT_EQ(adsr.state, EnvAR::kDecay);
    }
  }
}

TEST(EnvelopeTimes, DecayGlidesToTheSustainLevelAndFollowsItsChanges)
{
  EnvADSR env;
  env.reset(kRate);
  env.setDecay(0.0);
  env.setSustain(0.5);
  env.start();
  updatesWhile(env, EnvAR::kAttack);
  // After one decay time the remaining distance has shrunk to a tenth.
  const int decay = static_cast<int>(lawSeconds(0.0) * kRate);
  for (int i = 0; i < decay; ++i)
    env.update();
  EXPECT_NEAR(env.value, 0.5 + 0.05, 0.005);
  for (int i = 0; i < 10 * decay; ++i)
    env.update();
  EXPECT_NEAR(env.value, 0.5, 1e-6);
  env.setSustain(0.2);
  for (int i = 0; i < 10 * decay; ++i)
    env.update();
  EXPECT_NEAR(env.value, 0.2, 1e-6);
  EXPECT_EQ(env.state, EnvAR::kDecay);  // sustain holds until stop
}

TEST(EnvelopeStates, StopWhileIdleIsOnForExactlyOneUpdate)
{
  EnvAR ar;
  ar.reset(kRate);
  EnvADSR adsr;
  adsr.reset(kRate);
  ar.stop();
  adsr.stop();
  EXPECT_TRUE(ar.isOn());
  EXPECT_TRUE(adsr.isOn());
  EXPECT_EQ(ar.value, 0.0);
  ar.update();
  adsr.update();
  EXPECT_FALSE(ar.isOn());
  EXPECT_FALSE(adsr.isOn());
  EXPECT_EQ(ar.value, 0.0);
  EXPECT_EQ(adsr.value, 0.0);
}

TEST(EnvelopeStates, RestartHonoursTheRetriggerFlag)
{
  for (bool retrigger : {false, true}) {
    EnvAR ar;
    ar.reset(kRate);
    ar.retrigger = retrigger;
    ar.setRelease(0.2);
    ar.start();
    updatesWhile(ar, EnvAR::kAttack);
    ar.stop();
    runTo(ar, 0.6);
    const double from = ar.value;
    ar.start();
    EXPECT_EQ(ar.state, EnvAR::kAttack);
    EXPECT_EQ(ar.value, retrigger ? 0.0 : from);
    ar.update();
    EXPECT_GT(ar.value, retrigger ? 0.0 : from);

    // The ADSR never jumps to 0; retrigger decides whether a start while
    // active restarts the attack at all.
    EnvADSR adsr;
    adsr.reset(kRate);
    adsr.retrigger = retrigger;
    adsr.setDecay(0.3);
    adsr.setSustain(0.1);
    adsr.start();
    updatesWhile(adsr, EnvAR::kAttack);
    runTo(adsr, 0.7);
    const double decaying = adsr.value;
    adsr.start();
    adsr.update();
    if (retrigger) {
      EXPECT_EQ(adsr.state, EnvAR::kAttack);
      EXPECT_GT(adsr.value, decaying);
    } else {
      EXPECT_EQ(adsr.state, EnvAR::kDecay);
      EXPECT_LT(adsr.value, decaying);
    }
    // From release, a start always rises again from where the value is.
    adsr.stop();
    runTo(adsr, 0.4);
    const double releasing = adsr.value;
    adsr.start();
    EXPECT_EQ(adsr.value, releasing);
    adsr.update();
    EXPECT_EQ(adsr.state, EnvAR::kAttack);
    EXPECT_GT(adsr.value, releasing);
  }
}

TEST(EnvelopeStates, TimeChangesActOnlyOnTheRunningSegment)
{
  EnvAR changed, reference;
  for (EnvAR* e : {&changed, &reference}) {
    e->reset(kRate);
    e->setAttack(0.3);
    e->setRelease(0.6);
    e->start();
    for (int i = 0; i < 100; ++i)
      e->update();
  }
  // A new release time during the attack leaves the attack alone.
  changed.setRelease(0.0);
  for (int i = 0; i < 100; ++i) {
    changed.update();
    reference.update();
  }
  EXPECT_EQ(changed.value, reference.value);

  // A new release time during a release changes its speed at once:
  // from the slow 0.6 to the 5 ms of 0.0.
  changed.stop();
  for (int i = 0; i < 100; ++i)
    changed.update();
  changed.setRelease(0.0);
  EXPECT_LE(updatesWhile(changed, EnvAR::kRelease), static_cast<int>(lawSeconds(0.0) * kRate) + 2);
  // A new attack time during a release does nothing to it.
  reference.stop();
  EnvAR copy = reference;
  reference.setAttack(0.0);
  for (int i = 0; i < 100; ++i) {
    reference.update();
    copy.update();
  }
  EXPECT_EQ(reference.value, copy.value);
}
