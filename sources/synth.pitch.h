#pragma once

// Pitch tables shared by the sound engine and the instrument. A pitch index is
// in units of 1/128 semitone: 128 * n is MIDI note n, 1536 units are an octave.
// The instrument base class Synth inherits these, so they read as
// Synth::convert2Hz and Synth::MIDI2Hz everywhere.
struct SynthPitch
{
  static constexpr int kNumNotes = 136;

  // Equal-tempered frequency of MIDI notes 0..135, rounded to 3 decimals
  // (notes 124..127 to 2 decimals).
  static const double MIDI2Hz[kNumNotes];
  // 8.176 Hz * 2^(-k/12) for k = 0..135, rounded to 10 decimals.
  static const double AntiMIDI2Hz[kNumNotes];

  // Frequency in Hz of a pitch index, interpolated linearly in Hz between
  // neighbouring semitones. Either thread.
  static double convert2Hz(int index);
};
