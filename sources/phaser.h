#pragma once

#include "lfo.h"

// Stereo four-stage all-pass phaser; the stages sit in a feedback loop that
// is solved without a unit delay, and a triangle LFO sweeps their corners.
class Phaser
{
public:
  LFO lfo;                    // sweep, rate from "Ph Speed"
  double spread = 1.0;        // frequency ratio between successive stages
  double fbSign = 1;          // -1 "Type 1", +1 otherwise
  double center = 0;          // "Ph Freq", 0..1
  double feedback = 0;        // "Ph Feed", 0..1
  double modDepth = 0;        // "Ph Mod", 0..1
  double mix = 0;             // "Ph Mix", 0 dry .. 1 all-pass chain only
  double wmax;                // 2 pi * 12 kHz per sample: the highest stage corner
  double loopGain = 0;        // product of the four stage coefficients
  double c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  double fb = 0;              // fbSign * 0.999 * feedback
  double norm = 0;            // 1 / (1 + fb * loopGain)
  double stateL[4] = {};
  double stateR[4] = {};
  double dnL = 1e-13, dnR = 1e-13;  // anti-denormal offsets, sign flips every sample

  Phaser();
  // Audio thread: LFO back to rate 0, coefficients and states cleared.
  void reset(float sampleRate);
  // Either thread: 1 "Type 1", anything else "Type 2".
  void setMode(int mode);
  // Audio thread, once per control period while the phaser is on.
  void update();
  // Audio thread: both channels in place.
  void process(double* left, double* right, int count);

private:
  void clear();
  void processChannel(double* buffer, int count, double* state, double& dnRef);
};
