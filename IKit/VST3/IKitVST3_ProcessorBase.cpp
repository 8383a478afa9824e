#include "IKitVST3_ProcessorBase.h"

IKitVST3ProcessorBase::IKitVST3ProcessorBase(const Config& config, IKitAPIBase& plug)
  : IKitProcessor(config)
  , mPlug(plug)
{
  SetChannelConnections(kInput, 0, NChannels(kInput), true);
  SetChannelConnections(kOutput, 0, NChannels(kOutput), true);
}

bool IKitVST3ProcessorBase::SendMidiMsg(const IMidiMsg& msg)
{
  mMidiOutputQueue.Add(msg);
  return true;
}
