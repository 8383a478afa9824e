#include "synth.h"

#include <algorithm>

#include "IControl.h"
#include "IKitPaths.h"
#include "IKitParameter.h"

Synth::Synth(const Config& config)
  : IKitVST3(config)
{
  for (auto& cc : ccParam)
    cc.store(-1, std::memory_order_relaxed);
  clearKeyBuffer();
  homePath = HomePath();
  pluginPath = PluginPath();
  openConfig();
}

Synth::~Synth() = default;

void Synth::ProcessMidiMsg(const IMidiMsg& msg)
{
  if (midiThru)
    SendMidiMsg(msg);

  switch (msg.StatusMsg())
  {
    case IMidiMsg::kNoteOff:
    case IMidiMsg::kNoteOn:
    case IMidiMsg::kChannelAftertouch:
    case IMidiMsg::kPitchWheel:
      break;
    case IMidiMsg::kControlChange:
    {
      const int cc = msg.ControlChangeIdx();
      if (cc < kNumLearnableCCs)
      {
        if (midiLearnOn.load(std::memory_order_acquire))
        {
          setMidiLearnCC(cc);
          return;
        }
        break;
      }
      if (cc == 120 || cc == 123)
        allNotesOff();
      return;
    }
    case IMidiMsg::kProgramChange:
      if (!ignoreProgramChange)
        RestorePreset(msg.Program());
      return;
    default:
      return;
  }

  // Messages act at control ticks: one that lies beyond the first period is
  // moved by half a period so that it lands on the nearest tick.
  IMidiMsg queued = msg;
  if (queued.mOffset > ctrlPeriod)
    queued.mOffset += ctrlPeriod / 2;
  midiQueue.Add(queued);
}

void Synth::OnReset()
{
  midiQueue.Resize(GetBlockSize());
  clearKeyBuffer();
  midiLearnOn.store(false, std::memory_order_release);
  ctrlPeriod = static_cast<int>(GetSampleRate()) / 1000;
  ctrlCounter = 0;
}

void Synth::OnActivate(bool active)
{
  if (active)
    OnParamReset(kHost);
}

void Synth::OnParamChange(int paramIdx)
{
  if (midiLearnOn.load(std::memory_order_acquire))
    setMidiLearnParam(paramIdx);
}

void Synth::addPressedKey(int key, int velocity)
{
  if (key < 0 || key >= kMaxKeys)
    return;
  if (velocity > 0)
  {
    if (pressedKeys[key] == 0)
      ++heldKeyCount;
    pressedKeys[key] = velocity;
  }
  else
    removePressedKey(key);
}

void Synth::removePressedKey(int key)
{
  if (key < 0 || key >= kMaxKeys || pressedKeys[key] == 0)
    return;
  pressedKeys[key] = 0;
  --heldKeyCount;
}

void Synth::clearKeyBuffer()
{
  std::fill(std::begin(pressedKeys), std::end(pressedKeys), 0);
  heldKeyCount = 0;
}

int Synth::highestPressedKey() const
{
  if (heldKeyCount == 0)
    return -1;
  for (int key = kMaxKeys - 1; key >= 0; --key)
    if (pressedKeys[key] > 0)
      return key;
  return -1;
}

int Synth::pressedKeyVelocity(int key) const
{
  return key >= 0 && key < kMaxKeys ? pressedKeys[key] : 0;
}

void Synth::doMidiLearn(bool on)
{
  midiUnlearn.store(false, std::memory_order_relaxed);
  midiLearnCC.store(-1, std::memory_order_relaxed);
  midiLearnParam.store(-1, std::memory_order_relaxed);
  midiLearnOn.store(on, std::memory_order_release);
}

void Synth::doMidiUnlearn(bool on)
{
  midiUnlearn.store(true, std::memory_order_relaxed);
  midiLearnCC.store(-1, std::memory_order_relaxed);
  midiLearnParam.store(-1, std::memory_order_relaxed);
  midiLearnOn.store(on, std::memory_order_release);
}

int Synth::applyMidiLearn()
{
  if (midiLearnOn.load(std::memory_order_acquire))
  {
    const int cc = midiLearnCC.load(std::memory_order_relaxed);
    const int param = midiLearnParam.load(std::memory_order_relaxed);
    if (!midiUnlearn.load(std::memory_order_relaxed))
    {
      if (cc < 0 || param < 0)
        return 1;
      // A parameter is tied to at most one controller.
      for (auto& entry : ccParam)
        if (entry.load(std::memory_order_relaxed) == param)
          entry.store(-1, std::memory_order_relaxed);
      if (cc < kNumLearnableCCs)
        ccParam[cc].store(param, std::memory_order_relaxed);
      midiLearnOn.store(false, std::memory_order_release);
    }
    else
    {
      if (cc >= 0 && cc < kNumLearnableCCs)
        ccParam[cc].store(-1, std::memory_order_relaxed);
      else if (param >= 0)
      {
        for (auto& entry : ccParam)
          if (entry.load(std::memory_order_relaxed) == param)
            entry.store(-1, std::memory_order_relaxed);
      }
      else
        return 1;
      midiLearnOn.store(false, std::memory_order_release);
      midiUnlearn.store(false, std::memory_order_relaxed);
    }
  }
  // The switch is an editor control: it is turned off on the main thread.
  midiLearnSwitchOff.store(true, std::memory_order_release);
  return 0;
}

int Synth::setMidiLearnParam(int paramIdx)
{
  midiLearnParam.store(paramIdx, std::memory_order_relaxed);
  return applyMidiLearn();
}

int Synth::setMidiLearnCC(int cc)
{
  midiLearnCC.store(cc, std::memory_order_relaxed);
  return applyMidiLearn();
}

int Synth::getCCParam(int cc) const
{
  return cc >= 0 && cc < kNumLearnableCCs ? ccParam[cc].load(std::memory_order_relaxed) : -1;
}

void Synth::setCCParam(int cc, int paramIdx)
{
  if (cc >= 0 && cc < kNumLearnableCCs)
    ccParam[cc].store(paramIdx, std::memory_order_relaxed);
}

void Synth::applyLearnedController(int cc, int value)
{
  if (cc < 0 || cc >= kNumLearnableCCs)
    return;
  const int param = ccParam[cc].load(std::memory_order_relaxed);
  if (param < 0 || param >= NParams())
    return;
  const double normalized = value / 127.0;
  if (normalized == GetParam(param)->GetNormalized())
    return;
  SendParameterValueFromAPI(param, normalized, true);
  SetParameterValue(param, normalized);
}

void Synth::OnIdle()
{
  updateMidiLearnSwitch();
}

void Synth::updateMidiLearnSwitch()
{
  if (!midiLearnSwitchOff.exchange(false, std::memory_order_acq_rel))
    return;
  if (midiLearnSwitch && !midiLearnOn.load(std::memory_order_acquire))
  {
    midiLearnSwitch->SetValueFromDelegate(0.0, 0);
  }
}
