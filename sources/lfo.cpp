#include "lfo.h"

void LFO::init()
{
  // The unipolar outputs keep their values until the next update.
  out1 = 0;
  out2 = 0;
  pos1 = -1;
  pos2 = -1;
  rate = 0;
  phase2 = 0;
}

void LFO::setRate(double x)
{
  // 4 phase units per cycle, 25 Hz at full scale, per 1 ms update; the small
  // constant keeps the oscillator crawling even at 0.
  rate = (x * 4 * 25 + 0.001) / 1000;
}

void LFO::setPhase2(double degrees)
{
  phase2 = degrees * 4 / 360;
}

void LFO::update()
{
  // Outputs belong to the positions before the advance, so both outputs
  // always describe the same instant.
  out1 = pos1 < 1 ? pos1 : 2 - pos1;
  uni1 = (out1 + 1) * 0.5;
  out2 = pos2 < 1 ? pos2 : 2 - pos2;
  uni2 = (out2 + 1) * 0.5;

  pos1 = pos1 + rate;
  if (pos1 >= 3)
    pos1 -= 4;
  pos2 = pos1 + phase2;
  if (pos2 >= 3)
    pos2 -= 4;
}
