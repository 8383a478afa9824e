#pragma once

#include "lfo.h"
#include "lowpass.h"

// Chorus of the strings section: the low-passed mono signal is summed with two
// copies read from short delay lines whose delays two triangle LFOs move.
class Ensemble
{
public:
  double sampleRate = 44100;
  double glide = 999.0 / 44100;   // fraction of the way to the target delay per sample
  double* line1 = nullptr;        // owned, length samples
  double* line2 = nullptr;        // owned, length samples
  double depth1 = 0.021, depth2 = 0.021;  // modulation range in seconds
  int length = 0;                 // 0 disables the effect
  int write1 = 0, write2 = 0;
  double delay1 = 0, delay2 = 0;  // current delays in samples
  double inc1 = 0, inc2 = 0;      // per-sample change until the next update
  LowPass inputFilter;            // 8000 Hz
  LFO lfo1, lfo2;
  double dly1 = 1, dly2 = 1;      // "Ens1 Dly", "Ens2 Dly", 0..1
  double amt11 = 0.3, amt12 = 0.03, amt21 = 0.03, amt22 = 0.3;  // LFO j -> line k

  Ensemble();
  ~Ensemble();
  Ensemble(const Ensemble&) = delete;
  Ensemble& operator=(const Ensemble&) = delete;

  // Audio thread (or the owner's destructor), never during process: frees both lines.
  void cleanUp();
  // Audio thread: reallocates the lines for the rate and restarts everything.
  void reset(double sampleRate);
  // Audio thread, once per control period: new delay targets from the LFOs.
  void update();
  // Audio thread: in place on the mono strings bus.
  void process(double* buffer, int count);
};
