#pragma once

// Resonant four-pole filter of the synthesizer section, "Lowpass" (mode 0) or
// "Bandpass" (mode 1); any other mode passes the signal unchanged. The cutoff
// is a pitch index (1/128 semitone) so that modulation adds linearly in pitch.
class VCF
{
public:
  static constexpr int kMaxIndex = 17280;

  int mode = 0;            // 0 lowpass, 1 bandpass, other: bypass
  double freq = 0;         // cutoff base, pitch index
  double reso = 0;         // resonance 0..1
  double* mod = nullptr;   // cutoff modulation in pitch-index units, not owned; null reads as 0
  double a = 0;            // 1 / (2 + w)
  double loopGain = 0;
  double g = 0;       // low-pass stage gain
  double hpGain = 0;  // high-pass stage gain (bandpass only)
  double m = 0;       // stage pole coefficient
  double k = 0;       // feedback amount 3.5 * reso
  double norm = 0;    // solution of the feedback loop
  int lastIndex = 0;  // cutoff index of the last coefficient computation
  double s1 = 1, s2 = 0, s3 = -1, s4 = 0;
  double dn = 1e-13;  // anti-denormal offset, sign flips every sample

  // Shared by all filters: angular frequency per sample of every pitch index.
  static double sampleRate;
  static double freq2rad[kMaxIndex + 1];

  VCF();
  // Audio thread: clears the stage states (not to zero, see vcf.cpp).
  void reset();
  // Audio thread: reset, and rebuild freq2rad when the rate changed.
  void init(double sampleRate);
  // Audio thread, once per control period: coefficients from freq, *mod, reso.
  void update();
  // Audio thread: filter in place.
  void process(double* buffer, int count);
};
