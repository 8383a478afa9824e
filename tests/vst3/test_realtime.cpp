// The plug-in's process call allocates nothing: this program counts every
// heap allocation (the plug-in module's too, which resolves the allocation
// functions to this program's) across many blocks with notes, controller
// parameters, pitch bend, a learned controller and automation.
#include "counting_allocator.h"
#include "kelva_host.h"

using namespace kelvahost;

TEST_F(KelvaHost, ProcessCallsAllocateNothing)
{
  home.writeIni("[MIDI Control]\nCC20=26\n\n[MIDI Global]\nMIDI Thru=true\n");
  vst3host::Plugin* plugin = start();
  ASSERT_TRUE(plugin);
  plugin->reserveInput(64, 16, 4);
  setParameter(*plugin, kStrVol, 0.6);
  setParameter(*plugin, kPhaser, 1.0);
  setParameter(*plugin, kDelay, 1.0);
  render(*plugin, 4);

  allocationCount = 0;
  allocationCounting = true;
  for (int block = 0; block < 300; ++block)
  {
    vst3host::EventList& events = plugin->inputEvents();
    events.addNoteOn(block % kBlock, 0, static_cast<int16_t>(36 + (block * 7) % 60), 0.8f);
    if (block % 3 == 0)
      events.addNoteOff(100, 0, static_cast<int16_t>(36 + ((block - 9) * 7) % 60), 0.0f);
    vst3host::ParameterChanges& changes = plugin->inputParameterChanges();
    changes.addPoint(kModWheel, 10, (block % 128) / 127.0);
    changes.addPoint(kPitchBend, 20, (block % 17) / 16.0);
    changes.addPoint(kControllerBase + 20, 30, (block % 50) / 49.0);  // learned: moves "VCF Freq"
    changes.addPoint(27, 40, (block % 10) / 10.0);                   // "VCF Reso" automation
    changes.addPoint(44, 50, (block % 5) / 5.0);                     // "Dly Time" automation
    plugin->process(kBlock);
  }
  allocationCounting = false;
  EXPECT_EQ(allocationCount.load(), 0);
}
