#include "voice.h"

#include <algorithm>

void Voice::processAudio(double* synBus, double* strBus, int count)
{
  if (!active || count <= 0 || count > bufLength || !bank)
    return;
  std::fill_n(synBuf, count, 0.0);
  std::fill_n(strBuf, count, 0.0);
  bank->process(synBuf, strBuf, count, octave, noteInOctave);

  if (godMode) {
    vcf.process(synBuf, count);
    // The envelopes stepped once in update(); they step again before every
    // further sample, one step per sample across the control period.
    for (int j = 0; j < count; ++j) {
      if (j > 0) {
        gate.update();
        eg.update();
        strEnv.update();
      }
      synBus[j] += *vcaSource * synBuf[j];
      strBus[j] += strEnv.value * strBuf[j];
    }
    return;
  }

  if (gate.state < EnvAR::kAttack) {
    // Holding (or idle): update() would not move the value, so skip it.
    const double g = gate.value;
    for (int j = 0; j < count; ++j) {
      synBus[j] += g * synBuf[j];
      strBus[j] += g * strBuf[j];
    }
    return;
  }
  for (int j = 0; j < count; ++j) {
    if (j > 0)
      gate.update();
    synBus[j] += gate.value * synBuf[j];
    strBus[j] += gate.value * strBuf[j];
  }
}
