#include "voice.h"

namespace
{
// Per-sample steps of an envelope on a local copy, whose values the compiler
// can keep in registers. Only what the steps changed is handed back: value
// and state, and the glide where a state change set a new one. An envelope
// that stood still (idle or holding) is not written at all, so a stop or a
// setter that ran meanwhile on the other thread is not undone.
template <class Env>
struct LocalSteps
{
  Env& env;
  Env local;
  const double value0;
  const int state0;

  explicit LocalSteps(Env& e) : env(e), local(e), value0(e.value), state0(e.state) {}

  ~LocalSteps()
  {
    if (local.state == state0 && local.value == value0)
      return;
    if (local.state != state0) {
      env.coef = local.coef;
      env.target = local.target;
    }
    env.value = local.value;
    env.state = local.state;
  }
};
} // namespace

void Voice::processAudio(double* synBus, double* strBus, int count, bool stepFirst)
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
    // further sample, one step per sample across the control period (also
    // before the first sample of a sub-block that continues a period). They
    // run on local copies so that their values stay in registers instead of
    // being reloaded after every store to the buses.
    const bool vcaIsEg = vcaSource == &eg.value;
    LocalSteps<EnvAR> g(gate);
    LocalSteps<EnvADSR> e(eg);
    LocalSteps<EnvAR> s(strEnv);
    for (int j = 0; j < count; ++j) {
      if (j > 0 || stepFirst) {
        g.local.update();
        e.local.update();
        s.local.update();
      }
      synBus[j] += (vcaIsEg ? e.local.value : g.local.value) * synBuf[j];
      strBus[j] += s.local.value * strBuf[j];
    }
    return;
  }

  for (int j = 0; j < count; ++j) {
    if (j > 0 || stepFirst)
      gate.update();
    synBus[j] += gate.value * synBuf[j];
    strBus[j] += gate.value * strBuf[j];
  }
}
