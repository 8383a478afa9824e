// The audio thread must not allocate: this program replaces the global
// allocation functions with counting ones and renders many blocks with notes,
// controllers, pitch wheel, program changes and automation.
#include <gtest/gtest.h>

#include "counting_allocator.h"
#include "kelva_fixture.h"
#include "temp_home.h"

TEST(RealTime, BlockLoopAllocatesNothing)
{
  for (const int godMode : {0, 1})
  {
    KelvaRig rig(48000, 512);
    rig.setPlain(kGODMode, godMode);
    rig.setPlain(kStrVol, 0.6);
    rig.setPlain(kPhaser, 2);
    rig.setPlain(kDelay, 1);
    rig.kelva.setCCParam(20, kVCFFreq);  // a learned controller moves a parameter

    std::vector<double> left(512), right(512);
    double* outputs[2] = {left.data(), right.data()};
    allocationCount = 0;
    allocationCounting = true;
    for (int block = 0; block < 400; ++block)
    {
      const int note = 36 + (block * 7) % 60;
      rig.noteOn(note, 90, block % 512);
      if (block % 3 == 0)
        rig.noteOff(36 + ((block - 9) * 7) % 60, 100);
      rig.midi(0xB0, 1, block % 128, 10);
      rig.midi(0xB0, 64, (block / 50) % 2 ? 127 : 0, 20);
      rig.midi(0xB0, 20, (block * 5) % 128, 30);
      rig.midi(0xE0, block % 128, (block * 3) % 128, 40);
      // Program changes, to slots never used before too.
      if (block % 50 == 49)
        rig.midi(0xC0, (block / 50) % 8, 0, 0);
      // Host automation arrives on the audio thread too.
      rig.setNormalized(kVCFReso, (block % 10) / 10.0);
      rig.setNormalized(kPhSpeed, (block % 7) / 7.0);
      rig.setNormalized(kDlyTime, (block % 5) / 5.0);
      rig.setNormalized(kSG4, (block % 4) / 4.0);
      rig.kelva.ProcessBlock(nullptr, outputs, 512);
      rig.kelva.GetMidiOutputQueue().Flush(512);
    }
    allocationCounting = false;
    EXPECT_EQ(allocationCount.load(), 0) << "GOD mode " << godMode;
  }
}

int main(int argc, char** argv)
{
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
