#pragma once

#include "lowpass.h"

// Stereo echo modelled on a bucket-brigade device: a line of buckets clocked
// at a variable rate, so changing the delay time re-pitches the echoes that
// are already in the line instead of cutting them.
class BBDelay
{
public:
  LowPass inL, inR;           // anti-alias filters, audio rate
  LowPass outL, outR;         // reconstruction filters, one step per bucket tick
  double histInL[4] = {}, histInR[4] = {};    // filtered input, oldest first
  double histOutL[4] = {}, histOutR[4] = {};  // filtered bucket output, oldest first
  double* bufL = nullptr;     // owned, length buckets
  double* bufR = nullptr;     // owned, length buckets
  int length = 0;             // half a second of buckets at one tick per sample; 0 disables
  int pos = 0;                // current bucket
  double clock = 0;           // fractional clock phase
  double step = 1;            // clock advance per tick, 0.125..1
  double invStep = 1;         // 1 / step
  int mode = 0;               // 0 "Off", 1 "Pingpong", 2 "On"
  double delayParam = 0.6;    // "Dly Time", 0..1
  double feedback = 0;        // "Dly Feed", 0..1
  double dryGain = 1, wetGain = 0;

  BBDelay();
  ~BBDelay();
  BBDelay(const BBDelay&) = delete;
  BBDelay& operator=(const BBDelay&) = delete;

  // Audio thread (or the owner's destructor), never during process: frees both lines.
  void cleanUp();
  // Audio thread: reallocates the buckets for the rate; step back to 1.
  void reset(double sampleRate);
  // Either thread: x 0..1 gives 62.5 ms .. 500 ms.
  void setDelay(double x);
  // Either thread: cutoff of all four filters.
  void setLPFreq(double hz);
  // Either thread: equal-power dry/wet crossfade, x 0..1.
  void setMix(double x);
  // Either thread: silences the buckets.
  void clearDelayLine();
  // Audio thread: both channels in place.
  void processAudio(double* left, double* right, int count);
};
