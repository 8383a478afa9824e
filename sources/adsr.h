#pragma once

#include "ar.h"

// Attack/decay/sustain/release envelope on the same glide as EnvAR. The
// decay glides toward the sustain level and stays there until stop(); a
// restart rises from wherever the envelope is.
class EnvADSR : public EnvAR
{
public:
  double decay = 0;    // decay parameter p
  double sustain = 0;  // sustain level, 0 to 1

  // Audio thread: begin the attack; while active only if retrigger is set.
  void start();
  // Audio thread: begin the release, from any state.
  void stop();
  // Audio thread: one step.
  void update();
  // Either thread: store; a decay in progress follows at once.
  void setDecay(double p);
  void setSustain(double s);
};
