#pragma once

// Second-order Butterworth low-pass (bilinear, no pre-warping of Q), used in
// front of and behind delay lines and to smooth random modulation.
class LowPass
{
public:
  double cutoff = 8000;       // Hz
  double omegaScale;          // 2 pi / sample rate
  double fb1, fb2;            // feedback coefficients, added
  double b0, b1;              // feed-forward; the third equals b0
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
  double dn = 1e-13;          // anti-denormal offset, sign flips every sample

  LowPass();
  // Audio thread: new rate, cleared history, same cutoff.
  void reset(double sampleRate);
  // Either thread.
  void setCutOff(double hz);
  // Audio thread: one sample.
  double process(double x);
  // Audio thread: in place.
  void process(double* buffer, int count);

private:
  void calcCoeff();
};
