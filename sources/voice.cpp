#include "voice.h"

namespace
{
// The instrument's parameter indexes that concern a voice.
constexpr int kSynEgA = 20;    // "Syn EG A"
constexpr int kSynEgD = 21;    // "Syn EG D"
constexpr int kSynEgS = 22;    // "Syn EG S"
constexpr int kSynEgR = 23;    // "Syn EG R"
constexpr int kVcaMode = 24;   // "VCA Mode": 0 gate, otherwise EG
constexpr int kSynTrig = 25;   // "Syn Trig": 1 single, otherwise multiple
constexpr int kVcfFreq = 26;   // "VCF Freq", already scaled to a pitch index
constexpr int kVcfReso = 27;   // "VCF Reso"
constexpr int kVcfEg = 28;     // "VCF EG"
constexpr int kVcfMode = 29;   // "VCF Mode"
constexpr int kVcfKbdF = 30;   // "VCF KbdF"
constexpr int kStrEgA = 32;    // "Str EG A"
constexpr int kStrEgR = 33;    // "Str EG R"
constexpr int kStrTrig = 34;   // "Str Trig": 1 single, otherwise multiple

// Gate attack and release parameter: about 5.6 ms, just enough against clicks.
constexpr double kGateTime = 0.01;
} // namespace

Voice::Voice() = default;

Voice::~Voice()
{
  delete[] synBuf;
  delete[] strBuf;
}

void Voice::setSampleRate(float sampleRate)
{
  active = keyDown = sustained = false;
  releaseCountdown = 0;
  note = 60;
  octave = 5;
  noteInOctave = 0;
  noteOnCount = 0;
  keyTrack = 0;

  // One control period; a rate that is not a usable number gets no buffer,
  // and processAudio then renders nothing.
  const int n = sampleRate >= 1000.0f && sampleRate < 1.0e9f ? static_cast<int>(sampleRate) / 1000 : 0;
  bufCapacity = bufLength = n;
  delete[] synBuf;
  delete[] strBuf;
  synBuf = new double[n];
  strBuf = new double[n];

  vcf.init(sampleRate);
  vcf.mod = &cutoffMod;

  gate.reset(sampleRate);
  eg.reset(sampleRate);
  strEnv.reset(sampleRate);
  gate.setAttack(kGateTime);
  gate.setRelease(kGateTime);
}

void Voice::setNoteOn(int newNote, int /*velocity*/, int newNoteOnCount)
{
  // A voice re-struck while its key is still down keeps its gate open.
  if (!keyDown)
    gate.start();
  if (godMode) {
    eg.start();
    strEnv.start();
  }
  active = keyDown = true;
  releaseCountdown = 0;
  note = newNote;
  octave = newNote / 12;
  noteInOctave = newNote % 12;
  noteOnCount = newNoteOnCount;
  keyTrack = (static_cast<double>(newNote) - 60) * 1537 / 12;
}

void Voice::setNoteOff(bool immediate)
{
  keyDown = false;
  if (godMode) {
    releaseCountdown = 0;
    if (!sustained) {
      gate.stop();
      eg.stop();
      strEnv.stop();
    }
  } else if (!sustained) {
    if (immediate) {
      releaseCountdown = 0;
      gate.stop();
    } else {
      releaseCountdown = kReleaseDelay;
    }
  }
}

void Voice::setSustain(bool on)
{
  sustained = on;
  if (on || keyDown)
    return;
  if (godMode) {
    releaseCountdown = 0;
    gate.stop();
    eg.stop();
    strEnv.stop();
  } else {
    releaseCountdown = kReleaseDelay;
  }
}

void Voice::setGODMode(bool on)
{
  godMode = on;
  gate.stop();
}

void Voice::setParam(int index, double value)
{
  switch (index) {
  case kSynEgA: eg.setAttack(value); break;
  case kSynEgD: eg.setDecay(value); break;
  case kSynEgS: eg.setSustain(value); break;
  case kSynEgR: eg.setRelease(value); break;
  case kVcaMode: vcaSource = value == 0 ? &gate.value : &eg.value; break;
  case kSynTrig: eg.retrigger = value != 1; break;
  case kVcfFreq: vcf.freq = value; break;
  case kVcfReso: vcf.reso = value; break;
  case kVcfEg: egAmount = value; break;
  case kVcfMode:
    vcf.mode = static_cast<int>(value);
    vcf.reset();
    break;
  case kVcfKbdF: keyFollow = value > 0; break;
  case kStrEgA: strEnv.setAttack(value); break;
  case kStrEgR: strEnv.setRelease(value); break;
  case kStrTrig: strEnv.retrigger = value != 1; break;
  default: break;
  }
}

void Voice::update()
{
  if (!active) {
    if (gate.isOn())
      gate.update();
    return;
  }
  if (godMode) {
    gate.update();
    eg.update();
    strEnv.update();
    cutoffMod = egAmount * eg.value + (cutoffModSrc ? *cutoffModSrc : 0.0);
    if (keyFollow)
      cutoffMod += keyTrack;
    vcf.update();
    active = gate.isOn() || eg.isOn() || strEnv.isOn();
    return;
  }
  if (releaseCountdown > 0) {
    // At the end of the delay, release only if other keys are still held;
    // after the last key the shared envelopes fade the whole chord.
    if (--releaseCountdown == 0 && owner && owner->heldKeyCount > 0)
      gate.stop();
  }
  gate.update();
  active = gate.isOn();
}
