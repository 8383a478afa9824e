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
  // Audio thread: one step. Inline: voices call it for every sample.
  void update()
  {
    if (state <= kIdle)
      return;
    value = value + (target - value) * coef;
    if ((state == kDecay || state == kRelease) && value <= 0) {
      value = 0;
      state = kIdle;
    } else if (state == kAttack && value >= 1)
      endAttack();
  }
  // Either thread: store; a decay in progress follows at once.
  void setDecay(double p);
  void setSustain(double s);

private:
  // At the top of the attack: hold 1 and glide toward the sustain level.
  void endAttack();
};
