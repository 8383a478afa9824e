#pragma once

#include "delay.h"
#include "ensemble.h"
#include "lfo.h"
#include "lowpass.h"
#include "oscbank.h"
#include "phaser.h"
#include "shelfeq.h"
#include "synth.h"
#include "vcf.h"
#include "voice.h"

// The instrument's parameters; the index is a parameter's identity in
// automation, state, files, MIDI learn and the editor.
enum EParams
{
  kGODMode = 0,
  kVolume,
  kSynVol,
  kSynPan,
  kStrVol,
  kStrPan,
  kTune,
  kOctave,
  kJoyFMOn,
  kJoyFM,
  kJoyFcMOn,
  kJoyFcM,
  kMWSrc,
  kMGVib,
  kMGSpeed,
  kSG16,
  kSG8,
  kSG4,
  kSG2,
  kSGNoise,
  kSynEGA,
  kSynEGD,
  kSynEGS,
  kSynEGR,
  kVCAMode,
  kSynTrig,
  kVCFFreq,
  kVCFReso,
  kVCFEG,
  kVCFMode,
  kVCFKbdF,
  kStrOct,
  kStrEGA,
  kStrEGR,
  kStrTrig,
  kEQLow,
  kEQHigh,
  kPhaser,
  kPhSpeed,
  kPhFeed,
  kPhMix,
  kPhFreq,
  kPhMod,
  kDelay,
  kDlyTime,
  kDlyFeed,
  kDlyMix,
  kEns1Dly,
  kEns2Dly,
  kEnsSpd1,
  kEnsSpd2,
  kEns1to1,
  kEns1to2,
  kEns2to1,
  kEns2to2,
  kParamCount
};

// The state format tag written by this version.
inline constexpr char kStateTag[] = "Kelva_1.3.1";
inline constexpr int kStateTagLength = 11;

// True when the chunk holds the current state format at the position.
bool isNewVersion_1_3_1(const IByteChunk& chunk, int position);

// The instrument: one instance per plug-in instance the host creates.
class Kelva : public Synth
{
public:
  static constexpr int kNumVoices = 64;
  static constexpr int kNumPrograms = 64;

  // The configuration the instrument declares to the framework.
  static Config MakeConfig();

  // Main thread (or whichever thread the host builds instances on).
  Kelva();
  ~Kelva() override;

  // Audio thread: renders a block through the engine at the control rate.
  void ProcessBlock(double** inputs, double** outputs, int nFrames) override;
  // Audio thread: prepares the engine for the host's sample rate.
  void OnReset() override;
  // Either thread: carries a parameter's new value into the engine.
  void OnParamChange(int paramIdx) override;
  using Synth::OnParamChange;

  bool SerializeState(IByteChunk& chunk) const override;
  int UnserializeState(const IByteChunk& chunk, int startPos) override;

  void allNotesOff() override;
  void initParameters() override;

  // Either thread: "GOD Mode" switch-over (all notes off first).
  void setGODMode(bool on);

  // Audio thread: notes, at control ticks.
  void setNoteOn(int note, int velocity);
  void setNoteOff(int note);
  void setSustain(bool on);

  // Read-only views for tests and the editor.
  bool isGODMode() const { return godMode; }
  const Voice& getVoice(int i) const { return voices[i]; }
  double getKbdTrack() const { return kbdTrack; }
  double getBend() const { return bend; }
  double getModWheel() const { return modWheel; }
  bool isSustainOn() const { return sustainOn; }
  const OscBank& getOscBank() const { return oscBank; }
  const LFO& getMG() const { return mg; }

protected:
  // Audio thread: the queued MIDI messages that fall into this control period.
  void handleMidiEvents();

private:
  void controlTick();
  void freeBuffers();
  // Keyboard follow of the shared filter from the highest held key.
  void updateKbdTrack();

  double lastSampleRate = -1;
  Voice voices[kNumVoices];
  OscBank oscBank;
  LFO mg;
  LowPass noiseFilter;
  Ensemble ensemble;
  ShelfEQ eqLow;
  ShelfEQ eqHigh;
  Phaser phaser;
  BBDelay delay;
  VCF vcf;
  EnvADSR synEnv;
  EnvAR gateEnv;
  EnvAR strEnv;
  bool godMode = false;
  double volume = 0, synVol = 0, synPan = 0, strVol = 0, strPan = 0;
  bool joyFMOn = false, joyFcMOn = false;
  double joyFM = 0, joyFcM = 0;
  double mgVib = 0, vcfEG = 0;
  bool kbdFollow = false, phaserOn = false, delayOn = false;
  int noteCounter = 0;
  bool sustainOn = false;
  double* synBuf = nullptr;
  double* strBuf = nullptr;
  double* outL = nullptr;
  double* outR = nullptr;
  double bend = 0;
  double modWheel = 0;
  const double* mwSource = &mg.out1;
  const double* vcaSource = &synEnv.value;
  double noise = 0;
  double kbdTrack = 0;
  double pitchMod = 0;
  double filterMod = 0;
};
