// Renders a short chord through the sound engine alone, without the plug-in:
// the block loop of the instrument reduced to what a chord needs, at 48 kHz in
// control periods of 48 samples. Writes a stereo 32-bit float WAV file.
//
//   kelva-engine-demo out.wav
#include "adsr.h"
#include "ar.h"
#include "delay.h"
#include "ensemble.h"
#include "lfo.h"
#include "lowpass.h"
#include "oscbank.h"
#include "phaser.h"
#include "shelfeq.h"
#include "vcf.h"
#include "voice.h"

#include <sndfile.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
constexpr int kRate = 48000;
constexpr int kVoices = 6;
constexpr int kHostBlock = 512;

// The engine objects and the shared Syn and Str path, wired as the
// instrument wires them at reset.
struct Engine
{
  VoiceOwner owner;
  Voice voices[kVoices];
  OscBank oscBank;
  LFO mg;
  LowPass noiseFilter;
  Ensemble ensemble;
  ShelfEQ eqLow, eqHigh;
  Phaser phaser;
  BBDelay delay;
  VCF vcf;
  EnvADSR synEnv;
  EnvAR gateEnv;
  EnvAR strEnv;

  double volume = 0.8, synVol = 0.45, synPan = 0.35, strVol = 0.8, strPan = 0.65;
  double mgVib = 12, vcfEG = 2500;
  double pitchMod = 0, filterMod = 0, noise = 0;
  double* vcaSource = &synEnv.value;

  int ctrlPeriod = kRate / 1000;
  int ctrlCounter = 0;
  std::vector<double> synBuf, strBuf, outL, outR;

  Engine() : synBuf(ctrlPeriod), strBuf(ctrlPeriod), outL(ctrlPeriod), outR(ctrlPeriod)
  {
    oscBank.init(kRate);
    oscBank.pitchMod = &pitchMod;
    noiseFilter.reset(kRate);
    noiseFilter.setCutOff(80);
    vcf.init(kRate);
    vcf.mod = &filterMod;
    mg.init();
    synEnv.reset(kRate);
    strEnv.reset(kRate);
    gateEnv.reset(kRate);
    gateEnv.setAttack(0.01);
    gateEnv.setRelease(0.01);
    ensemble.reset(kRate);
    eqLow.setSampleRate(kRate);
    eqLow.isLowShelf = true;
    eqLow.setFrequency(300);
    eqHigh.setSampleRate(kRate);
    eqHigh.isLowShelf = false;
    eqHigh.setFrequency(1800);
    phaser.reset(kRate);
    delay.reset(kRate);
    delay.setLPFreq(6000);
    for (Voice& v : voices) {
      v.owner = &owner;
      v.setSampleRate(kRate);
      v.bank = &oscBank;
      v.cutoffModSrc = &filterMod;
    }
    applySettings();
  }

  // A warm strings-and-synth registration.
  void applySettings()
  {
    const double footages[4] = {0.35, 0.7, 0.3, 0.12};
    for (int f = 0; f < 4; ++f)
      oscBank.synLevel[f] = footages[f];
    oscBank.noiseLevel = 0.01;
    oscBank.setOctBalance(0.55);
    mg.setRate(0.22);

    synEnv.setAttack(0.25);
    synEnv.setDecay(0.55);
    synEnv.setSustain(0.6);
    synEnv.setRelease(0.45);
    strEnv.setAttack(0.3);
    strEnv.setRelease(0.5);
    vcf.mode = 0;
    vcf.freq = 0.55 * 16383;
    vcf.reso = 0.35;
    vcf.reset();

    ensemble.dly1 = 0.6;
    ensemble.depth1 = 0.021 * 0.6;
    ensemble.dly2 = 0.8;
    ensemble.depth2 = 0.021 * 0.8;
    ensemble.lfo1.setRate(0.25);
    ensemble.lfo2.setRate(0.37);
    eqLow.setGain(2);
    eqHigh.setGain(-3);

    phaser.setMode(2);
    phaser.lfo.setRate(0.15);
    phaser.feedback = 0.4;
    phaser.mix = 0.35;
    phaser.center = 0.45;
    phaser.modDepth = 0.6;

    delay.mode = 2;
    delay.clearDelayLine();
    delay.setDelay(0.45);
    delay.feedback = 0.35;
    delay.setMix(0.25);

    // The voice parameters, by the instrument's indexes: Syn envelope
    // 20-23, VCA mode 24 ("EG"), filter 26-30, Str envelope 32-34.
    const double params[][2] = {{20, 0.25}, {21, 0.55}, {22, 0.6},  {23, 0.45}, {24, 1},
                                {25, 0},    {26, vcf.freq}, {27, 0.35}, {28, vcfEG}, {29, 0},
                                {30, 0},    {32, 0.3},  {33, 0.5},  {34, 0}};
    for (Voice& v : voices)
      for (const auto& p : params)
        v.setParam(static_cast<int>(p[0]), p[1]);
  }

  void noteOn(int voice, int note, int count)
  {
    voices[voice].setNoteOn(note, 100, count);
    ++owner.heldKeyCount;
    synEnv.start();
    strEnv.start();
    gateEnv.start();
  }

  void noteOff(int voice)
  {
    voices[voice].setNoteOff(false);
    if (--owner.heldKeyCount == 0) {
      synEnv.stop();
      strEnv.stop();
      gateEnv.stop();
    }
  }

  void controlTick()
  {
    mg.update();
    noise = noiseFilter.process(12 * oscBank.getNoise());
    pitchMod = mgVib * mg.out1;
    filterMod = vcfEG * synEnv.value;
    synEnv.update();
    strEnv.update();
    gateEnv.update();
    vcf.update();
    oscBank.update();
    ensemble.update();
    phaser.update();
    for (Voice& v : voices)
      v.update();
  }

  void subBlock(float* out, int n)
  {
    std::fill_n(synBuf.begin(), n, 0.0);
    std::fill_n(strBuf.begin(), n, 0.0);
    for (Voice& v : voices)
      v.processAudio(synBuf.data(), strBuf.data(), n);
    oscBank.next(n);

    const double synL = volume * synVol * (1 - synPan), synR = volume * synVol * synPan;
    const double strL = volume * strVol * (1 - strPan), strR = volume * strVol * strPan;
    vcf.process(synBuf.data(), n);
    strBuf[0] *= strEnv.value;
    for (int i = 1; i < n; ++i) {
      strEnv.update();
      strBuf[i] *= strEnv.value;
    }
    ensemble.process(strBuf.data(), n);
    eqHigh.processAudio(strBuf.data(), n);
    eqLow.processAudio(strBuf.data(), n);
    for (int i = 0; i < n; ++i) {
      if (i > 0) {
        synEnv.update();
        gateEnv.update();
      }
      const double s = *vcaSource * synBuf[i];
      outL[i] = synL * s + strL * strBuf[i];
      outR[i] = synR * s + strR * strBuf[i];
    }
    phaser.process(outL.data(), outR.data(), n);
    delay.processAudio(outL.data(), outR.data(), n);
    for (int i = 0; i < n; ++i) {
      out[2 * i] = static_cast<float>(volume * outL[i]);
      out[2 * i + 1] = static_cast<float>(volume * outR[i]);
    }
  }
};
} // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s out.wav\n", argv[0]);
    return 2;
  }
  static Engine engine;  // a few hundred kilobytes of tables: not on the stack

  const int chord[] = {48, 55, 60, 64, 67};
  const long total = 4L * kRate;
  const long releaseAt = 2.6 * kRate;
  std::vector<float> audio(2 * total);

  long rendered = 0;
  int tick = 0;
  while (rendered < total) {
    // One host block, split into control periods as the block loop does.
    int r = static_cast<int>(std::min<long>(kHostBlock, total - rendered));
    while (r > 0) {
      int n;
      if (engine.ctrlCounter > 0) {
        n = std::min(engine.ctrlCounter, r);
        engine.ctrlCounter = std::max(engine.ctrlCounter - r, 0);
      } else {
        // MIDI acts at control ticks: the chord starts with the first, its
        // notes a few milliseconds apart, and ends at the release time.
        for (int k = 0; k < 5; ++k)
          if (tick == 8 * k)
            engine.noteOn(k, chord[k], k + 1);
        if (rendered >= releaseAt && engine.owner.heldKeyCount > 0)
          for (int k = 0; k < 5; ++k)
            engine.noteOff(k);
        engine.controlTick();
        ++tick;
        if (engine.ctrlPeriod > r) {
          n = r;
          engine.ctrlCounter = engine.ctrlPeriod - r;
        } else {
          n = engine.ctrlPeriod;
        }
      }
      engine.subBlock(&audio[2 * rendered], n);
      rendered += n;
      r -= n;
    }
  }

  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
  if (!file) {
    std::fprintf(stderr, "cannot write %s: %s\n", argv[1], sf_strerror(nullptr));
    return 1;
  }
  const sf_count_t written = sf_writef_float(file, audio.data(), total);
  sf_close(file);
  if (written != total) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
