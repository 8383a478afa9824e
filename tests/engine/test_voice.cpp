#include "voice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
// Indexes of the instrument's parameters that a voice reacts to.
constexpr int kSynEgA = 20, kSynEgD = 21, kSynEgS = 22, kSynEgR = 23, kVcaMode = 24, kSynTrig = 25,
              kVcfFreq = 26, kVcfReso = 27, kVcfEg = 28, kVcfMode = 29, kVcfKbdF = 30, kStrEgA = 32,
              kStrEgR = 33;

// The engine as the instrument wires it: one bank, an owner with a held-key
// count, and voices rendered period by period in the block loop's order.
struct Rig
{
  OscBank bank;
  VoiceOwner owner;
  double pitchMod = 0;
  double filterMod = 0;
  Voice voices[2];
  bool reference = false;  // render with the direct loop below instead
  int period;
  std::vector<double> syn, str;

  explicit Rig(float rate = 44100, bool god = false) : period(static_cast<int>(rate) / 1000), syn(period), str(period)
  {
    bank.init(rate);
    bank.pitchMod = &pitchMod;
    bank.synLevel[1] = 1;
    bank.setOctBalance(1);
    bank.noiseLevel = 0;
    for (Voice& v : voices) {
      v.owner = &owner;
      v.setSampleRate(rate);
      v.bank = &bank;
      v.cutoffModSrc = &filterMod;
      const double params[][2] = {{kSynEgA, 0}, {kSynEgD, 0.5}, {kSynEgS, 0.5}, {kSynEgR, 0},
                                  {kVcaMode, 1}, {kSynTrig, 0}, {kVcfFreq, 16383}, {kVcfReso, 0},
                                  {kVcfEg, 0}, {kVcfMode, 0}, {kVcfKbdF, 0}, {kStrEgA, 0}, {kStrEgR, 0}};
      for (const auto& p : params)
        v.setParam(static_cast<int>(p[0]), p[1]);
      v.setGODMode(god);
    }
  }

  Voice& voice() { return voices[0]; }

  // One control period: update, render every voice, advance the bank.
  // Returns the Syn bus peak.
  double tick()
  {
    bank.update();
    for (Voice& v : voices)
      v.update();
    std::fill(syn.begin(), syn.end(), 0.0);
    std::fill(str.begin(), str.end(), 0.0);
    for (Voice& v : voices)
      if (reference)
        directProcess(v);
      else
        v.processAudio(syn.data(), str.data(), period);
    bank.next(period);
    double m = 0;
    for (double x : syn)
      m = std::max(m, std::abs(x));
    return m;
  }

  // The voice's rendering written the plain way: the bank into cleared
  // buffers, then the filter, then the envelopes stepped per sample.
  void directProcess(Voice& v)
  {
    if (!v.active)
      return;
    std::vector<double> a(period, 0.0), b(period, 0.0);
    v.bank->process(a.data(), b.data(), period, v.octave, v.noteInOctave);
    if (v.godMode)
      v.vcf.process(a.data(), period);
    for (int j = 0; j < period; ++j) {
      if (j > 0) {
        v.gate.update();
        if (v.godMode) {
          v.eg.update();
          v.strEnv.update();
        }
      }
      syn[j] += (v.godMode ? *v.vcaSource : v.gate.value) * a[j];
      str[j] += (v.godMode ? v.strEnv.value : v.gate.value) * b[j];
    }
  }

  void ticks(int n)
  {
    for (int i = 0; i < n; ++i)
      tick();
  }
};
} // namespace

TEST(VoiceBuffers, HoldOneControlPeriod)
{
  for (auto [rate, samples] : {std::pair{44100.0f, 44}, {48000.0f, 48}, {96000.0f, 96}, {22050.0f, 22}}) {
    Voice v;
    v.setSampleRate(rate);
    EXPECT_EQ(v.bufLength, samples);
    EXPECT_EQ(v.bufCapacity, samples);
  }
}

TEST(VoiceParaphonic, ReleasedKeyWithAnotherHeldSoundsSixteenPeriodsThenFades)
{
  Rig rig;
  rig.owner.heldKeyCount = 1;  // some other key stays down
  rig.voice().setNoteOn(60, 100, 1);
  rig.ticks(10);
  const double full = rig.tick();
  rig.voice().setNoteOff(false);
  for (int i = 1; i < Voice::kReleaseDelay; ++i) {
    rig.tick();
    ASSERT_EQ(rig.voice().gate.value, 1.0) << "period " << i;
  }
  // The gate closes in the sixteenth period and takes about 5.6 ms.
  rig.tick();
  EXPECT_LT(rig.voice().gate.value, 1.0);
  rig.ticks(5);
  EXPECT_TRUE(rig.voice().active);
  rig.ticks(1);
  EXPECT_FALSE(rig.voice().active);
  EXPECT_EQ(rig.tick(), 0.0);
  EXPECT_GT(full, 0.3);
}

TEST(VoiceParaphonic, LastKeyReleasedKeepsTheGateOpen)
{
  Rig rig;
  rig.voice().setNoteOn(60, 100, 1);
  const double full = (rig.ticks(10), rig.tick());
  rig.voice().setNoteOff(false);
  rig.ticks(100);
  EXPECT_TRUE(rig.voice().active);
  EXPECT_EQ(rig.voice().gate.value, 1.0);
  EXPECT_NEAR(rig.tick(), full, 0.05);
  // Silencing all voices before a new phrase closes it at once.
  rig.voice().setNoteOff(true);
  rig.ticks(7);
  EXPECT_FALSE(rig.voice().active);
}

TEST(VoiceParaphonic, PedalDefersTheReleaseCountdownToPedalUp)
{
  Rig rig;
  rig.owner.heldKeyCount = 1;
  rig.voice().setSustain(true);
  rig.voice().setNoteOn(60, 100, 1);
  rig.ticks(5);
  rig.voice().setNoteOff(false);
  rig.ticks(50);
  EXPECT_EQ(rig.voice().gate.value, 1.0);
  rig.voice().setSustain(false);
  rig.ticks(Voice::kReleaseDelay - 1);
  EXPECT_EQ(rig.voice().gate.value, 1.0);
  rig.ticks(7);
  EXPECT_FALSE(rig.voice().active);

  // Pedal up while the key is still held changes nothing.
  rig.voice().setNoteOn(62, 100, 2);
  rig.voice().setSustain(true);
  rig.voice().setSustain(false);
  rig.ticks(40);
  EXPECT_EQ(rig.voice().gate.value, 1.0);
}

TEST(VoiceParaphonic, ReStrikeWhileHeldKeepsTheGateRunning)
{
  Rig rig;
  rig.voice().setNoteOn(60, 100, 1);
  rig.tick();
  const double rising = rig.voice().gate.value;
  ASSERT_GT(rising, 0.0);
  ASSERT_LT(rising, 1.0);
  rig.voice().setNoteOn(60, 100, 2);
  EXPECT_EQ(rig.voice().gate.value, rising);
  EXPECT_EQ(rig.voice().gate.state, EnvAR::kAttack);
  EXPECT_EQ(rig.voice().noteOnCount, 2);
}

TEST(VoiceParaphonic, TwoVoicesOnOneNoteDoubleExactly)
{
  Rig one, two;
  one.bank.synLevel[0] = two.bank.synLevel[0] = 0.4;
  one.voices[0].setNoteOn(57, 100, 1);
  two.voices[0].setNoteOn(57, 100, 1);
  two.voices[1].setNoteOn(57, 100, 2);
  for (int p = 0; p < 20; ++p) {  // through the gate's attack
    one.tick();
    two.tick();
    for (int j = 0; j < one.period; ++j) {
      ASSERT_EQ(two.syn[j], 2 * one.syn[j]);
      ASSERT_EQ(two.str[j], 2 * one.str[j]);
    }
  }
}

TEST(VoiceGodMode, KeyReleaseActsAtOnceOnAllThreeEnvelopes)
{
  Rig rig(44100, true);
  rig.voice().setNoteOn(60, 100, 1);
  rig.ticks(10);
  EXPECT_GT(rig.tick(), 0.1);
  rig.voice().setNoteOff(false);
  for (const EnvAR* e : {static_cast<const EnvAR*>(&rig.voice().gate), static_cast<const EnvAR*>(&rig.voice().eg), static_cast<const EnvAR*>(&rig.voice().strEnv)})
    EXPECT_EQ(e->state, EnvAR::kRelease);
  rig.ticks(7);
  EXPECT_FALSE(rig.voice().active);
  EXPECT_EQ(rig.tick(), 0.0);
}

TEST(VoiceGodMode, PedalHoldsEverythingUntilItIsReleased)
{
  Rig rig(44100, true);
  rig.voice().setNoteOn(60, 100, 1);
  rig.voice().setSustain(true);
  rig.ticks(10);
  rig.voice().setNoteOff(false);
  rig.ticks(30);
  EXPECT_EQ(rig.voice().gate.state, EnvAR::kHold);
  EXPECT_EQ(rig.voice().eg.state, EnvAR::kDecay);
  EXPECT_EQ(rig.voice().strEnv.state, EnvAR::kHold);
  rig.voice().setSustain(false);
  for (const EnvAR* e : {static_cast<const EnvAR*>(&rig.voice().gate), static_cast<const EnvAR*>(&rig.voice().eg), static_cast<const EnvAR*>(&rig.voice().strEnv)})
    EXPECT_EQ(e->state, EnvAR::kRelease);
  rig.ticks(7);
  EXPECT_FALSE(rig.voice().active);
}

TEST(VoiceGodMode, ReStrikeRestartsTheEnvelopesByTheirTriggerMode)
{
  for (bool single : {false, true}) {
    Rig rig(44100, true);
    rig.voice().setParam(kSynTrig, single ? 1 : 0);
    rig.voice().setNoteOn(60, 100, 1);
    rig.ticks(20);
    ASSERT_EQ(rig.voice().eg.state, EnvAR::kDecay);
    const double gate = rig.voice().gate.value;
    rig.voice().setNoteOn(60, 100, 2);
    EXPECT_EQ(rig.voice().eg.state, single ? EnvAR::kDecay : EnvAR::kAttack);
    EXPECT_EQ(rig.voice().gate.value, gate);
    EXPECT_EQ(rig.voice().gate.state, EnvAR::kHold);
  }
}

TEST(VoiceGodMode, GateModeShapesTheSynToneWhileTheFilterFollowsTheEnvelope)
{
  for (int vcaMode : {0, 1}) {
    Rig rig(44100, true);
    rig.voice().setParam(kVcaMode, vcaMode);
    rig.voice().setParam(kSynEgA, 1.0);  // a 158 s attack: the envelope barely moves
    rig.voice().setParam(kVcfEg, 2000);
    rig.voice().setParam(kVcfKbdF, 1);
    rig.filterMod = 300;
    rig.voice().setNoteOn(72, 100, 1);
    rig.ticks(10);
    const double level = rig.tick();
    if (vcaMode == 0)
      EXPECT_GT(level, 0.1);
    else
      EXPECT_LT(level, 0.001);
    rig.voice().update();  // the cut-off follows the envelope's value at the tick
    EXPECT_DOUBLE_EQ(rig.voice().cutoffMod, 2000 * rig.voice().eg.value + 300 + 1537);
  }
}

TEST(VoiceGodMode, SwitchingModesReleasesTheGate)
{
  Rig rig;
  rig.voice().setNoteOn(60, 100, 1);
  rig.ticks(10);
  rig.voice().setGODMode(true);
  EXPECT_TRUE(rig.voice().godMode);
  EXPECT_EQ(rig.voice().gate.state, EnvAR::kRelease);
}

TEST(VoiceRendering, GivesTheSameBitsAsTheDirectLoop)
{
  // A phrase through attacks, holds, deferred and immediate releases, a
  // re-strike and the pedal, rendered both ways with the same noise.
  for (bool god : {false, true}) {
    for (int vcaMode : {0, 1}) {
      Rig fast(48000, god), direct(48000, god);
      direct.reference = true;
      for (Rig* r : {&fast, &direct}) {
        r->bank.noiseLevel = 0.2;
        r->bank.synLevel[0] = 0.5;
        r->bank.synLevel[3] = 0.25;
        for (Voice& v : r->voices) {
          v.setParam(kSynEgA, 0.1);
          v.setParam(kSynEgD, 0.3);
          v.setParam(kSynEgR, 0.15);
          v.setParam(kStrEgA, 0.2);
          v.setParam(kStrEgR, 0.1);
          v.setParam(kVcaMode, vcaMode);
          v.setParam(kVcfEg, 3000);
          v.setParam(kVcfReso, 0.6);
          v.setParam(kVcfFreq, 7000);
        }
        r->owner.heldKeyCount = 1;
      }
      for (int t = 0; t < 200; ++t) {
        for (Rig* r : {&fast, &direct}) {
          switch (t) {
          case 0: r->voices[0].setNoteOn(60, 100, 1); break;
          case 3: r->voices[1].setNoteOn(67, 100, 2); break;
          case 40: r->voices[0].setNoteOff(false); break;
          case 50: r->voices[1].setSustain(true); break;
          case 60: r->voices[0].setNoteOn(60, 100, 3); r->voices[1].setNoteOff(false); break;
          case 61: r->voices[0].setNoteOn(60, 100, 4); break;
          case 90: r->voices[1].setSustain(false); break;
          case 120: r->voices[0].setNoteOff(true); break;
          default: break;
          }
        }
        const int32_t seed = OscBank::randSeed;
        fast.tick();
        const int32_t after = OscBank::randSeed;
        OscBank::randSeed = seed;
        direct.tick();
        ASSERT_EQ(OscBank::randSeed, after);
        ASSERT_EQ(fast.syn, direct.syn) << "tick " << t << (god ? " god" : "") << " vca " << vcaMode;
        ASSERT_EQ(fast.str, direct.str) << "tick " << t;
      }
    }
  }
}
