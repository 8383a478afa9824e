// Hands arbitrary bytes to the plug-in as the component state a host
// restores: truncated and hostile states must neither crash nor leave a
// parameter outside its range, and whatever was accepted must survive a save
// and a restore.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "IKitParameter.h"
#include "kelva.h"
#include "memorystream.h"
#include "../support/temp_home.h"

namespace
{
void checkParams(const Kelva& kelva)
{
  for (int i = 0; i < kelva.NParams(); ++i)
  {
    const IParam* param = kelva.GetParam(i);
    const double v = param->Value();
    if (!std::isfinite(v) || v < param->GetMin() || v > param->GetMax())
      abort();
  }
  for (int p = 0; p < kelva.NPresets(); ++p)
  {
    const IPreset* preset = kelva.GetPreset(p);
    if (std::memchr(preset->name, 0, sizeof(preset->name)) == nullptr)
      abort();
  }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static Kelva* kelva = [] {
    auto* k = new Kelva();
    k->SetSampleRate(48000);
    k->SetBlockSize(512);
    k->OnReset();
    return k;
  }();
  if (size > (1u << 20))
    return 0;

  vst3host::MemoryStream incoming(std::vector<uint8_t>(data, data + size));
  VST3::Stream in(incoming.stream());
  const bool accepted = kelva->setState(in) == VST3::kOk;
  checkParams(*kelva);

  if (accepted)
  {
    vst3host::MemoryStream saved;
    VST3::Stream out(saved.stream());
    if (kelva->getState(out) != VST3::kOk)
      abort();
    vst3host::MemoryStream again(saved.data());
    VST3::Stream reread(again.stream());
    if (kelva->setState(reread) != VST3::kOk)
      abort();
    checkParams(*kelva);
  }
  return 0;
}
