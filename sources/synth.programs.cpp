// Program management on top of the program store: start-up banks, program
// switching, copy, paste and initialise.
#include "IKitParameter.h"
#include "synth.h"

std::string Synth::factoryBankPath() const
{
  // Without a known bundle folder there is no factory bank: a path relative
  // to whatever folder the host runs in would find an arbitrary file.
  if (pluginPath.empty())
    return {};
  return pluginPath + "Kelva.vst3/Contents/Resources/init.fxb";
}

void Synth::initAllPrograms()
{
  if (!startupBank.empty() && LoadBankFromFXB(startupBank.c_str()))
    return;
  // Only the copy in memory forgets the startup bank; the file keeps it.
  startupBank.clear();
  LoadBankFromFXB(factoryBankPath().c_str());
}

void Synth::reserveProgramStorage()
{
  // A MIDI program change may restore an untouched slot on the audio thread,
  // which stores the running sound into it: room for a state is made here,
  // so that this never allocates.
  for (int i = 0; i < NPresets(); ++i)
  {
    IByteChunk& chunk = GetPreset(i)->chunk;
    if (chunk.Size() == 0)
    {
      chunk.Resize(kProgramStorageBytes);
      chunk.Clear();
    }
  }
}

void Synth::loadStartupPrograms()
{
  reserveProgramStorage();
  initAllPrograms();
  RestorePreset(0);
}

void Synth::changePreset(int index)
{
  ModifyCurrentPreset();
  const double normalized = NPresets() > 1 ? index / static_cast<double>(NPresets() - 1) : 0.0;
  SetProgramParameterFromUI(normalized);
  // A successful restore has pushed every value to the editor already.
  RestorePreset(index);
  InformHostOfPresetChange();
}

void Synth::copyPreset()
{
  clipboardSource = GetCurrentPresetIdx();
  clipboard.Clear();
  SerializeState(clipboard);
}

void Synth::pastePreset()
{
  if (clipboard.Size() == 0)
    return;
  UnserializeState(clipboard, 0);
  ModifyCurrentPreset(GetPresetName(clipboardSource));
  // The editor and the host follow the pasted values.
  OnRestoreState();
}

void Synth::initPreset()
{
  for (int i = 0; i < NParams(); ++i)
  {
    const double normalizedDefault = GetParam(i)->GetDefault(true);
    SetParameterValue(i, normalizedDefault > 1 ? 1.0 : normalizedDefault);
  }
  ModifyCurrentPreset("Init");
  // The editor follows; the host has heard of every value already.
  IEditorDelegate::OnRestoreState();
}

void Synth::OnPresetsModified()
{
  // Every editor control is marked for redrawing here while the editor's
  // window is open; without an editor there is nothing to do.
}
