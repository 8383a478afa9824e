#pragma once

#include "IKitAPIBase.h"
#include "IKitMidi.h"
#include "IKitProcessor.h"

// The audio side of the VST 3 plug-in: the framework's processor base plus
// the queue of MIDI messages that the instrument sends to the host.
class IKitVST3ProcessorBase : public IKitProcessor
{
public:
  IKitVST3ProcessorBase(const Config& config, IKitAPIBase& plug);

  // Audio thread: queued, turned into output events at the end of the block.
  bool SendMidiMsg(const IMidiMsg& msg) override;

  IMidiQueue& GetMidiOutputQueue() { return mMidiOutputQueue; }

protected:
  IKitAPIBase& mPlug;
  IMidiQueue mMidiOutputQueue{512};
  int mMaxNInChans = 0;
  bool mSidechainActive = false;
};
