#pragma once

#include <atomic>
#include <cstdint>

// The single tone generator: twelve phase accumulators, one per pitch class,
// from which every key reads its 16', 8', 4' and 2' footages as band-limited
// square waves. All octaves of a pitch class share one accumulator and are
// therefore phase-locked. Phases are 28-bit (2^28 units per cycle) held in
// 32-bit integers.
class OscBank
{
public:
  static constexpr int kMaxIndex = 17280;  // highest pitch index (MIDI note 135)
  static constexpr int kNumTables = 11;
  static constexpr int kTableSize = 4096;
  static constexpr int kPhaseMask = 0x0FFFFFFF;

  double sampleRate;
  int phaseInc[kMaxIndex + 1];  // phase increment per sample of every pitch index
  double* pitchMod = nullptr;   // pitch modulation in pitch-index units, not owned
  bool octaveUp = false;        // "Octave": every footage one octave higher
  int tune = 0;                 // "Tune" in pitch-index units
  double synLevel[4] = {};      // Syn bus levels of 16', 8', 4', 2'
  double noiseLevel = 0;        // Syn bus noise level
  double strLevel[4] = {};      // Str bus levels of 16', 8', 4', 2' (setOctBalance)
  int waveIndex[12] = {};       // table of the 16' footage at octave shift 7
  int phase[12] = {};           // accumulator per pitch class, 28-bit values
  int inc[12] = {};             // current increment per pitch class of octave 0

  // Table k holds a square wave with harmonics up to 2^(10 - k).
  static double square[kNumTables][kTableSize];
  static bool wavesAreInitialized;
  // Noise generator state, shared by every bank and never reset. Atomic only
  // so that two instances on different audio threads do not race; each
  // render reads it once and writes it back once.
  static std::atomic<int32_t> randSeed;

  // Main thread: builds the wave tables on first use, then the increment
  // table for 44100 Hz.
  OscBank();

  // Audio thread: rebuilds the increment table when the rate changed and
  // clears every accumulator.
  void init(double sampleRate);
  // Either thread: sets the Str registration from "Str Oct", 0 to 1.
  void setOctBalance(double balance);
  // Audio thread, once per control period before any voice renders.
  void update();
  // Audio thread: adds the four footages (and noise) of one note to both
  // buses for count samples. octave = note / 12, noteInOctave = note % 12.
  void process(double* synBus, double* strBus, int count, int octave, int noteInOctave);
  // Audio thread: the note written to the buffers; the bits of process
  // into cleared buffers, without clearing them first.
  void render(double* synBuf, double* strBuf, int count, int octave, int noteInOctave);
  // Audio thread: the same note rendered from silence, each sample times
  // gain added to the buses. Gives the bits of process into cleared buffers
  // followed by bus[j] += gain * buffer[j], without the buffers.
  void processScaled(double* synBus, double* strBus, int count, int octave, int noteInOctave, double gain);
  // Audio thread: one noise sample in [-1, 1).
  static double getNoise();
  // Audio thread: advances every accumulator by count samples, once per
  // sub-block after all voices have rendered.
  void next(int count);

private:
  static void buildWaves();
  void fillPhaseInc();
};
