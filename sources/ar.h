#pragma once

// Attack/release envelope: a one-pole glide toward a target one ninth beyond
// the end point (10/9 rising, -1/9 falling), stopped when the end point is
// crossed. A parameter p from 0 to 1 gives a time of about 10^(4.5 p - 2.3)
// seconds (5 ms at 0, 158 s at 1). update() is meant to run once per sample.
class EnvAR
{
public:
  // Values of state.
  static constexpr int kIdle = 0;
  static constexpr int kHold = 1;     // holding at 1 (EnvAR only)
  static constexpr int kAttack = 2;
  static constexpr int kDecay = 3;    // decay and sustain (EnvADSR only)
  static constexpr int kRelease = 4;

  double value = 0;       // current output, 0 to 1
  bool retrigger = true;  // start() begins at 0 (EnvADSR: restarts while active)
  double attack = 0;      // attack parameter p
  double release = 0;     // release parameter p
  int state = kIdle;
  double timeScale = 2.302585092994046 / 1000;  // ln(10) / sample rate
  double target = 0;      // value the glide heads for
  double coef = 0;        // fraction of the remaining distance per update

  // Audio thread: new sample rate; goes idle at 0. coef is kept.
  void reset(float sampleRate);
  // Audio thread: begin the attack.
  void start();
  // Audio thread: begin the release, from any state (idle included).
  void stop();
  // Audio thread: one step. Inline: voices call it for every sample.
  void update()
  {
    if (state < kAttack)
      return;
    value = value + (target - value) * coef;
    if ((state == kDecay || state == kRelease) && value <= 0) {
      value = 0;
      state = kIdle;
    } else if (state == kAttack && value >= 1) {
      value = 1;
      state = kHold;
    }
  }
  // Either thread.
  bool isOn() const { return state != kIdle; }
  // Either thread: store; an attack (release) in progress changes speed at once.
  void setAttack(double p);
  void setRelease(double p);

protected:
  // Per-update glide coefficient for a time parameter p.
  double coefFor(double p) const;
};
