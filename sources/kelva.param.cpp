#include "IKitParameter.h"
#include "kelva.h"

namespace
{
const IParam::ShapeLinear kLinear;
const IParam::ShapePowCurve kSquared(2.0);
const IParam::ShapePowCurve kSquareRoot(0.5);

// Pitch-valued depths reach just over one octave (1537) or six (9217) in
// 1/128 semitone.
constexpr double kOneOctave = 1537;
constexpr double kSixOctaves = 9217;
} // namespace

void Kelva::initParameters()
{
  auto dbl = [this](int idx, const char* name, double def, double lo, double hi, double step,
                    const IParam::Shape& shape = kLinear) {
    GetParam(idx)->InitDouble(name, def, lo, hi, step, "", 0, "", shape, IParam::kUnitCustom);
  };
  auto onOff = [this](int idx, const char* name, int def) {
    GetParam(idx)->InitEnum(name, def, {"Off", "On"});
  };

  onOff(kGODMode, "GOD Mode", 0);
  dbl(kVolume, "Volume", 0.5, 0, 1, 0.01);
  dbl(kSynVol, "Syn Vol", 0.5, 0, 1, 0.01);
  dbl(kSynPan, "Syn Pan", 0.5, 0, 1, 0.01);
  dbl(kStrVol, "Str Vol", 0, 0, 1, 0.01);
  dbl(kStrPan, "Str Pan", 0.5, 0, 1, 0.01);
  dbl(kTune, "Tune", 0, -64, 64, 1);
  GetParam(kOctave)->InitEnum("Octave", 0, {"Normal", "Up"});
  onOff(kJoyFMOn, "Joy FM", 1);
  // The two depth defaults are tiny positive values; unstepped, they are
  // kept as they are and display as 0.
  dbl(kJoyFM, "Joy FM", 0.00037952700065061807, 0, kOneOctave, 1);
  onOff(kJoyFcMOn, "Joy fcM", 1);
  dbl(kJoyFcM, "Joy fcM", 1.0849517196484756e-6, 0, kSixOctaves, 1);
  GetParam(kMWSrc)->InitEnum("MW Src", 1, {"Noise", "MG"});
  dbl(kMGVib, "MG Vib", 0, 0, kOneOctave, 0.01, kSquared);
  dbl(kMGSpeed, "MG Speed", 0.22, 0, 1, 0.001, kSquared);
  dbl(kSG16, "SG 16'", 0, 0, 1, 0.01);
  dbl(kSG8, "SG 8'", 1, 0, 1, 0.01);
  dbl(kSG4, "SG 4'", 0, 0, 1, 0.01);
  dbl(kSG2, "SG 2'", 0, 0, 1, 0.01);
  dbl(kSGNoise, "SG Noise", 0, 0, 1, 0.01);
  dbl(kSynEGA, "Syn EG A", 0, 0, 1, 0.01);
  dbl(kSynEGD, "Syn EG D", 0, 0, 1, 0.01);
  dbl(kSynEGS, "Syn EG S", 1, 0, 1, 0.01);
  dbl(kSynEGR, "Syn EG R", 0, 0, 1, 0.01);
  GetParam(kVCAMode)->InitEnum("VCA Mode", 0, {"Gate", "EG"});
  GetParam(kSynTrig)->InitEnum("Syn Trig", 0, {"Multiple", "Single"});
  dbl(kVCFFreq, "VCF Freq", 1, 0, 1, 0.001, kSquareRoot);
  dbl(kVCFReso, "VCF Reso", 0, 0, 1, 0.01);
  dbl(kVCFEG, "VCF EG", 0, -kSixOctaves, kSixOctaves, 1);
  GetParam(kVCFMode)->InitEnum("VCF Mode", 0, {"Lowpass", "Bandpass"});
  onOff(kVCFKbdF, "VCF KbdF", 0);
  dbl(kStrOct, "Str Oct", 0.5, 0, 1, 0.01);
  dbl(kStrEGA, "Str EG A", 0.1, 0, 1, 0.01);
  dbl(kStrEGR, "Str EG R", 0.1, 0, 1, 0.01);
  GetParam(kStrTrig)->InitEnum("Str Trig", 0, {"Multiple", "Single"});
  dbl(kEQLow, "EQ Low", 0, -15, 15, 0.01);
  dbl(kEQHigh, "EQ High", 0, -15, 15, 0.01);
  GetParam(kPhaser)->InitEnum("Phaser", 0, {"Off", "Type 1", "Type 2"});
  dbl(kPhSpeed, "Ph Speed", 0.006, 0, 1, 0.001, kSquared);
  dbl(kPhFeed, "Ph Feed", 0.5, 0, 1, 0.01);
  dbl(kPhMix, "Ph Mix", 0.5, 0, 1, 0.01);
  // Step 1 on a 0..1 range: unstepped, so any value, displayed without
  // decimals.
  dbl(kPhFreq, "Ph Freq", 0.5, 0, 1, 1);
  dbl(kPhMod, "Ph Mod", 0.95, 0, 1, 0.01);
  GetParam(kDelay)->InitEnum("Delay", 0, {"Off", "Pingpong", "On"});
  dbl(kDlyTime, "Dly Time", 0.6, 0, 1, 0.001);
  dbl(kDlyFeed, "Dly Feed", 0.4, 0, 1, 0.01);
  dbl(kDlyMix, "Dly Mix", 0.5, 0, 1, 0.01);
  dbl(kEns1Dly, "Ens1 Dly", 1, 0, 1, 0.0001);
  dbl(kEns2Dly, "Ens2 Dly", 1, 0, 1, 0.0001);
  dbl(kEnsSpd1, "Ens Spd1", 0.008, 0, 1, 0.001, kSquared);
  dbl(kEnsSpd2, "Ens Spd2", 0.24, 0, 1, 0.001, kSquared);
  dbl(kEns1to1, "Ens 1to1", 0.3, 0, 1, 0.01);
  dbl(kEns1to2, "Ens 1to2", 0.06, 0, 1, 0.01);
  dbl(kEns2to1, "Ens 2to1", 0.06, 0, 1, 0.01);
  dbl(kEns2to2, "Ens 2to2", 0.3, 0, 1, 0.01);
}

void Kelva::OnParamChange(int paramIdx)
{
  Synth::OnParamChange(paramIdx);

  const IParam* param = GetParam(paramIdx);
  if (!param)
    return;
  const double v = param->Value();
  const bool on = v >= 0.5;
  const int k = static_cast<int>(v);

  switch (paramIdx)
  {
    case kGODMode: setGODMode(on); break;
    case kVolume: volume = v; break;
    case kSynVol: synVol = v; break;
    case kSynPan: synPan = v; break;
    case kStrVol: strVol = v; break;
    case kStrPan: strPan = v; break;
    case kTune: oscBank.tune = k; break;
    case kOctave: oscBank.octaveUp = on; break;
    case kJoyFMOn: joyFMOn = on; break;
    case kJoyFM: joyFM = v; break;
    case kJoyFcMOn: joyFcMOn = on; break;
    case kJoyFcM: joyFcM = v; break;
    case kMWSrc: mwSource = k == 1 ? &mg.out1 : &noise; break;
    case kMGVib: mgVib = v; break;
    case kMGSpeed: mg.setRate(v); break;
    case kSG16: oscBank.synLevel[0] = v; break;
    case kSG8: oscBank.synLevel[1] = v; break;
    case kSG4: oscBank.synLevel[2] = v; break;
    case kSG2: oscBank.synLevel[3] = v; break;
    case kSGNoise: oscBank.noiseLevel = v; break;
    case kSynEGA: synEnv.setAttack(v); break;
    case kSynEGD: synEnv.setDecay(v); break;
    case kSynEGS: synEnv.setSustain(v); break;
    case kSynEGR: synEnv.setRelease(v); break;
    case kVCAMode: vcaSource = k == 0 ? &gateEnv.value : &synEnv.value; break;
    case kSynTrig: synEnv.retrigger = k != 1; break;
    case kVCFFreq: vcf.freq = v * 16383; break;
    case kVCFReso: vcf.reso = v; break;
    case kVCFEG: vcfEG = v; break;
    case kVCFMode:
      vcf.mode = k;
      vcf.reset();
      break;
    case kVCFKbdF: kbdFollow = on; break;
    case kStrOct: oscBank.setOctBalance(v); break;
    case kStrEGA: strEnv.setAttack(v); break;
    case kStrEGR: strEnv.setRelease(v); break;
    case kStrTrig: strEnv.retrigger = k != 1; break;
    case kEQLow: eqLow.setGain(v); break;
    case kEQHigh: eqHigh.setGain(v); break;
    case kPhaser:
      phaserOn = k > 0;
      phaser.setMode(k);
      break;
    case kPhSpeed: phaser.lfo.setRate(v); break;
    case kPhFeed: phaser.feedback = v; break;
    case kPhMix: phaser.mix = v; break;
    case kPhFreq: phaser.center = v; break;
    case kPhMod: phaser.modDepth = v; break;
    case kDelay:
      delay.mode = k;
      delayOn = k > 0;
      delay.clearDelayLine();
      break;
    case kDlyTime: delay.setDelay(v); break;
    case kDlyFeed: delay.feedback = v; break;
    case kDlyMix: delay.setMix(v); break;
    case kEns1Dly:
      ensemble.dly1 = v;
      ensemble.depth1 = 0.021 * v;
      break;
    case kEns2Dly:
      ensemble.dly2 = v;
      ensemble.depth2 = 0.021 * v;
      break;
    case kEnsSpd1: ensemble.lfo1.setRate(v); break;
    case kEnsSpd2: ensemble.lfo2.setRate(v); break;
    case kEns1to1: ensemble.amt11 = 0.1 * v; break;
    case kEns1to2: ensemble.amt12 = 0.1 * v; break;
    case kEns2to1: ensemble.amt21 = 0.1 * v; break;
    case kEns2to2: ensemble.amt22 = 0.1 * v; break;
    default: break;
  }

  const double w = paramIdx == kVCFFreq ? v * 16383 : v;
  for (Voice& voice : voices)
    voice.setParam(paramIdx, w);
}
