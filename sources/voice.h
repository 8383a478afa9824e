#pragma once

#include "adsr.h"
#include "ar.h"
#include "oscbank.h"
#include "vcf.h"

// What a voice needs to know of its owner: how many keys are held right now.
// The instrument keeps heldKeyCount equal to its pressed-key count.
struct VoiceOwner
{
  int heldKeyCount = 0;
};

// One held key turned into sound on the Syn and Str buses. The tone comes
// from the shared oscillator bank. Paraphonic (GOD mode off): the voice only
// gates its tone; filter and envelopes act once on the summed buses. GOD
// mode: the voice runs its own filter, ADSR and strings envelope.
class Voice
{
public:
  // Control periods a released key keeps sounding in paraphonic mode.
  static constexpr int kReleaseDelay = 16;

  const VoiceOwner* owner = nullptr;  // not owned; null means no keys held
  OscBank* bank = nullptr;            // not owned
  EnvAR gate;                         // anti-click gate, about 5.6 ms each way
  VCF vcf;                            // own filter, GOD mode only
  EnvADSR eg;                         // own Syn envelope
  EnvAR strEnv;                       // own Str envelope
  double* synBuf = nullptr;           // bank output, bufLength samples (owned)
  double* strBuf = nullptr;
  int bufCapacity = 0;
  int bufLength = 0;
  double* cutoffModSrc = nullptr;  // the owner's filter modulation, not owned
  double keyTrack = 0;             // keyboard follow, 1537 per octave from note 60
  double cutoffMod = 0;            // total filter modulation, read by vcf
  double* vcaSource = &gate.value; // gate's or eg's value, nothing else
  bool godMode = false;
  double egAmount = 0;  // "VCF EG", envelope to cutoff in pitch-index units
  bool keyFollow = false;
  bool active = false;  // renders and updates
  bool keyDown = false;
  bool sustained = false;
  int releaseCountdown = 0;  // control periods until a deferred release
  int note = 60;
  int octave = 5;
  int noteInOctave = 0;
  int noteOnCount = 0;  // owner's note-on counter at the last note-on (for stealing)

  // Main thread.
  Voice();
  ~Voice();
  Voice(const Voice&) = delete;
  Voice& operator=(const Voice&) = delete;

  // Audio thread (reset): back to idle, buffers of (int)sampleRate / 1000
  // samples. Set owner first; set bank and cutoffModSrc afterwards.
  void setSampleRate(float sampleRate);
  // Audio thread: note operations. velocity is not used.
  void setNoteOn(int note, int velocity, int noteOnCount);
  void setNoteOff(bool immediate);
  void setSustain(bool on);
  // Either thread: store the mode and release the gate.
  void setGODMode(bool on);
  // Either thread: a parameter change with the instrument's index and plain
  // value; indexes the voice does not use are ignored.
  void setParam(int index, double value);
  // Audio thread, once per control period before processAudio.
  void update();
  // Audio thread: adds the voice to both buses; count <= bufLength. The
  // envelopes step before every sample but the first, which update() has
  // stepped; stepFirst steps it too, for a sub-block that continues a
  // control period after the host's block ended inside it.
  void processAudio(double* synBus, double* strBus, int count, bool stepFirst = false);
};
