#pragma once

// Second-order low or high shelving equaliser (Q = 1/sqrt(2), bilinear
// transform with pre-warping); a cut is the exact inverse of the same boost.
class ShelfEQ
{
public:
  double sampleRate = 44100;
  bool isLowShelf = true;     // false: high shelf
  double frequency = 300;     // Hz
  double gain = 0;            // dB
  double a1 = 0, a2 = 0;      // feedback coefficients, subtracted
  double b0 = 1, b1 = 0, b2 = 0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double dn = 1e-13;          // anti-denormal offset, sign flips every sample

  // Either thread: store, then recompute the coefficients.
  void setSampleRate(double rate);
  void setFrequency(double hz);
  void setGain(double dB);
  // Either thread.
  void calcCoeff();
  // Audio thread: in place.
  void processAudio(double* buffer, int count);
};
