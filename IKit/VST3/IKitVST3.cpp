#include "IKitVST3.h"

IKitVST3::IKitVST3(const Config& config)
  : IKitAPIBase(config)
  , IKitVST3ProcessorBase(config, *this)
{
  CreateTimer();
}

IKitVST3::~IKitVST3() = default;
