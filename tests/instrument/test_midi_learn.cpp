#include <gtest/gtest.h>

#include "kelva_fixture.h"

namespace
{
enum Step { kLearnOn, kUnlearnOn, kSwitchOff, kMoveKnob, kMoveController };
struct Event { Step step; int value; };

void play(KelvaRig& rig, const std::vector<Event>& events)
{
  for (const Event& e : events)
    switch (e.step)
    {
      case kLearnOn: rig.kelva.doMidiLearn(true); break;
      case kUnlearnOn: rig.kelva.doMidiUnlearn(true); break;
      case kSwitchOff: rig.kelva.doMidiLearn(false); break;
      case kMoveKnob: rig.setNormalized(e.value, 0.42); break;
      case kMoveController: rig.midi(0xB0, e.value, 64); break;
    }
}
} // namespace

TEST(KelvaMidiLearn, GesturesTieAndUntieControllers)
{
  const struct
  {
    const char* what;
    std::vector<Event> events;
    int cc20, cc7, cc9;
  } cases[] = {
    {"controller then knob", {{kLearnOn, 0}, {kMoveController, 20}, {kMoveKnob, kVolume}}, kVolume, -1, -1},
    {"knob then controller", {{kLearnOn, 0}, {kMoveKnob, kVolume}, {kMoveController, 20}}, kVolume, -1, -1},
    {"last knob wins", {{kLearnOn, 0}, {kMoveKnob, kVolume}, {kMoveKnob, kSynVol}, {kMoveController, 20}},
     kSynVol, -1, -1},
    {"a parameter has one controller",
     {{kLearnOn, 0}, {kMoveController, 7}, {kMoveKnob, kVolume}, {kLearnOn, 0}, {kMoveController, 20},
      {kMoveKnob, kVolume}},
     kVolume, -1, -1},
    {"switched off before completing", {{kLearnOn, 0}, {kMoveController, 20}, {kSwitchOff, 0}, {kMoveKnob, 1}},
     -1, -1, -1},
    {"unlearn a controller",
     {{kLearnOn, 0}, {kMoveController, 20}, {kMoveKnob, kVolume}, {kUnlearnOn, 0}, {kMoveController, 20}},
     -1, -1, -1},
    {"unlearn a parameter",
     {{kLearnOn, 0}, {kMoveController, 9}, {kMoveKnob, kSynPan}, {kUnlearnOn, 0}, {kMoveKnob, kSynPan}},
     -1, -1, -1},
  };
  for (const auto& c : cases)
  {
    KelvaRig rig;
    play(rig, c.events);
    EXPECT_EQ(rig.kelva.getCCParam(20), c.cc20) << c.what;
    EXPECT_EQ(rig.kelva.getCCParam(7), c.cc7) << c.what;
    EXPECT_EQ(rig.kelva.getCCParam(9), c.cc9) << c.what;
    EXPECT_FALSE(rig.kelva.isMidiLearnOn() && c.events.back().step != kSwitchOff && c.cc20 >= 0) << c.what;
  }
}

TEST(KelvaMidiLearn, CaughtControllerMovesNothingWhileLearning)
{
  KelvaRig rig;
  rig.kelva.setCCParam(20, kSynVol);
  rig.kelva.doMidiLearn(true);
  rig.midi(0xB0, 20, 127);
  rig.renderLeft(96);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kSynVol)->Value(), 0.5);
}

TEST(KelvaMidiLearn, LearnedControllerMovesItsParameterAtTheTick)
{
  KelvaRig rig;
  rig.kelva.setCCParam(20, kSynVol);
  rig.midi(0xB0, 20, 127);
  rig.renderLeft(48);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kSynVol)->Value(), 1.0);
  // A tie to a parameter that does not exist is kept and moves nothing.
  rig.kelva.setCCParam(21, 60);
  rig.midi(0xB0, 21, 127);
  rig.renderLeft(48);
  // The wheel and the pedal keep their meaning even when tied.
  rig.kelva.setCCParam(1, kSynPan);
  rig.midi(0xB0, 1, 127);
  rig.renderLeft(48);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kSynPan)->Value(), 0.5);
  EXPECT_EQ(rig.kelva.getModWheel(), 1.0);
}

TEST(KelvaMidiLearn, HostAutomationIsCaughtLikeAKnob)
{
  KelvaRig rig;
  rig.kelva.doMidiLearn(true);
  // The host's change reaches the instrument the way the processor side
  // delivers it: value set, then the parameter response.
  rig.kelva.GetParam(kDlyMix)->SetNormalized(0.3);
  rig.kelva.OnParamChange(kDlyMix, kHost, 0);
  rig.midi(0xB0, 30, 1);
  EXPECT_EQ(rig.kelva.getCCParam(30), kDlyMix);
  EXPECT_FALSE(rig.kelva.isMidiLearnOn());
}

TEST(KelvaMidiLearn, ResetEndsAGestureInProgress)
{
  KelvaRig rig;
  rig.kelva.doMidiLearn(true);
  rig.prepare(48000);
  EXPECT_FALSE(rig.kelva.isMidiLearnOn());
}
