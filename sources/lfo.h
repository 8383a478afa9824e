#pragma once

// Triangle low-frequency oscillator with two outputs; output 2 runs a fixed
// phase offset from output 1. Phase runs over [-1, 3): one cycle is 4 units.
class LFO
{
public:
  double out1 = 0, out2 = 0;   // bipolar outputs, -1..1 (out1 stays first: owners point at it)
  double uni1 = 0, uni2 = 0;   // the same mapped to 0..1
  double pos1 = -1, pos2 = -1; // phase of each output
  double rate = 0;             // phase advance per update
  double phase2 = 0;           // offset of output 2, in phase units

  // Audio thread, on every reset: back to the start with rate 0.
  void init();
  // Either thread: x 0..1, about 25 x Hz at one update per millisecond.
  void setRate(double x);
  // Either thread: offset of output 2 in degrees.
  void setPhase2(double degrees);
  // Audio thread, once per control period.
  void update();
};
