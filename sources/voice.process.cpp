#include "voice.h"

namespace
{
// Takes over what per-sample updates of a local copy changed: value and
// state, and the glide only where a state change set a new one. The
// parameters stay as they are, so a setter that ran meanwhile on the other
// thread is not undone.
void keepSteps(EnvAR& env, const EnvAR& steps)
{
  if (steps.state != env.state) {
    env.coef = steps.coef;
    env.target = steps.target;
  }
  env.value = steps.value;
  env.state = steps.state;
}
} // namespace

void Voice::processAudio(double* synBus, double* strBus, int count)
{
  if (!active || count <= 0 || count > bufLength || !bank)
    return;
  if (!godMode && gate.state < EnvAR::kAttack) {
    // Holding (or idle): the gate's update would not move its value, so the
    // bank can apply it while it renders, with the same arithmetic.
    bank->processScaled(synBus, strBus, count, octave, noteInOctave, gate.value);
    return;
  }
  bank->render(synBuf, strBuf, count, octave, noteInOctave);

  if (godMode) {
    vcf.process(synBuf, count);
    // The envelopes stepped once in update(); they step again before every
    // further sample, one step per sample across the control period. They
    // run on local copies so that their values stay in registers instead of
    // being reloaded after every store to the buses.
    EnvAR g = gate;
    EnvADSR e = eg;
    EnvAR s = strEnv;
    const bool vcaIsEg = vcaSource == &eg.value;
    for (int j = 0; j < count; ++j) {
      if (j > 0) {
        g.update();
        e.update();
        s.update();
      }
      synBus[j] += (vcaIsEg ? e.value : g.value) * synBuf[j];
      strBus[j] += s.value * strBuf[j];
    }
    keepSteps(gate, g);
    keepSteps(eg, e);
    keepSteps(strEnv, s);
    return;
  }

  for (int j = 0; j < count; ++j) {
    if (j > 0)
      gate.update();
    synBus[j] += gate.value * synBuf[j];
    strBus[j] += gate.value * strBuf[j];
  }
}
