#pragma once

#include <cmath>

// The filters' protection against NaN and denormals, applied to every input
// sample and every state before each step: a value that is not a number
// becomes 0, and every value gets the tiny offset dn, whose sign the filter
// flips after each sample so that no state can decay into denormals.
//
// Written as a rarely taken branch rather than a select: a select sits on the
// recursion's loop-carried path, while a predicted branch leaves only the
// add there. Both compute the same value.
inline double guarded(double v, double dn)
{
  if (std::isnan(v)) [[unlikely]]
    return 0.0 + dn;
  return v + dn;
}
