#pragma once

#include "IKitAPIBase.h"
#include "IKitVST3_ProcessorBase.h"

// The plug-in object as a VST 3 host sees it: API base (with the program
// store and the editor delegate) and processor in one.
class IKitVST3 : public IKitAPIBase, public IKitVST3ProcessorBase
{
public:
  explicit IKitVST3(const Config& config);
  ~IKitVST3() override;

  // Both bases carry the configuration's flags; they agree.
  using IKitProcessor::DoesMIDIIn;
  using IKitProcessor::DoesMIDIOut;
  using IKitProcessor::DoesMPE;
  using IKitProcessor::GetLatency;
  using IKitProcessor::IsInstrument;
};
