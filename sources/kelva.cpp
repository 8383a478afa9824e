#include "kelva.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "IKitParameter.h"

Config Kelva::MakeConfig()
{
  Config config;
  config.nParams = kParamCount;
  config.nPresets = kNumPrograms;
  config.channelIOStr = "0-1 0-2";
  config.pluginName = "Kelva";
  config.productName = "Kelva";
  config.mfrName = "Orvane Music";
  config.vendorVersion = 0x10301;
  config.uniqueID = MakeFourCC("zq71");
  config.mfrID = MakeFourCC("OrVn");
  config.latency = 0;
  config.plugDoesMidiIn = true;
  config.plugDoesMidiOut = true;
  config.plugDoesMPE = true;
  config.plugDoesChunks = true;
  config.plugType = 1;
  config.plugHasUI = true;
  config.plugWidth = 880;
  config.plugHeight = 512;
  config.plugMinWidth = 440;
  config.plugMaxWidth = 1760;
  config.plugMinHeight = 256;
  config.plugMaxHeight = 1024;
  config.plugHostResize = false;
  config.bundleID = "com.orvanemusic.vst3.Kelva";
  return config;
}

Kelva::Kelva()
  : Synth(MakeConfig())
{
  initParameters();
  // The editor factory is installed here when the editor exists.
  createGraphics();
  loadStartupPrograms();
}

Kelva::~Kelva()
{
  freeBuffers();
}

void Kelva::freeBuffers()
{
  delete[] synBuf;
  delete[] strBuf;
  delete[] outL;
  delete[] outR;
  synBuf = strBuf = outL = outR = nullptr;
}

void Kelva::OnReset()
{
  Synth::OnReset();

  const double sampleRate = GetSampleRate();
  if (sampleRate != lastSampleRate)
  {
    lastSampleRate = sampleRate;

    freeBuffers();
    const int n = std::max(ctrlPeriod, 0);
    synBuf = new double[n]();
    strBuf = new double[n]();
    outL = new double[n]();
    outR = new double[n]();

    oscBank.init(sampleRate);
    oscBank.pitchMod = &pitchMod;
    noiseFilter.reset(sampleRate);
    noiseFilter.setCutOff(80);
    vcf.init(sampleRate);
    vcf.mod = &filterMod;
    mg.init();
    synEnv.reset(static_cast<float>(sampleRate));
    strEnv.reset(static_cast<float>(sampleRate));
    gateEnv.reset(static_cast<float>(sampleRate));
    gateEnv.setAttack(0.01);
    gateEnv.setRelease(0.01);
    ensemble.reset(sampleRate);
    eqLow.setSampleRate(sampleRate);
    eqLow.isLowShelf = true;
    eqLow.setFrequency(300);
    eqHigh.setSampleRate(sampleRate);
    eqHigh.isLowShelf = false;
    eqHigh.setFrequency(1800);
    phaser.reset(static_cast<float>(sampleRate));
    delay.reset(sampleRate);
    delay.setLPFreq(6000);
    vcaSource = &synEnv.value;
    for (Voice& voice : voices)
    {
      voice.owner = this;
      voice.setSampleRate(static_cast<float>(sampleRate));
      voice.bank = &oscBank;
      voice.cutoffModSrc = &filterMod;
    }
  }

  noteCounter = 0;
  sustainOn = false;
}

void Kelva::updateKbdTrack()
{
  const int highest = highestPressedKey();
  if (highest >= 0)
    kbdTrack = (highest - 60) * 1537 / 12.0;
}

void Kelva::setNoteOn(int note, int velocity)
{
  if (note < 24)
    return;

  if (heldKeyCount == 0)
    for (Voice& voice : voices)
      voice.setNoteOff(true);

  addPressedKey(note, velocity);

  Voice* chosen = nullptr;
  for (Voice& voice : voices)
    if (voice.note == note)
    {
      chosen = &voice;
      break;
    }
  if (!chosen)
    for (Voice& voice : voices)
      if (!voice.active && !voice.keyDown)
      {
        chosen = &voice;
        break;
      }
  if (!chosen)
  {
    chosen = &voices[0];
    for (Voice& voice : voices)
      if (voice.noteOnCount < chosen->noteOnCount)
        chosen = &voice;
  }

  ++noteCounter;
  updateKbdTrack();
  synEnv.start();
  strEnv.start();
  gateEnv.start();
  chosen->setNoteOn(note, velocity, noteCounter);
}

void Kelva::setNoteOff(int note)
{
  removePressedKey(note);
  if (heldKeyCount > 0)
    updateKbdTrack();
  else if (!sustainOn)
  {
    synEnv.stop();
    strEnv.stop();
    gateEnv.stop();
  }

  for (Voice& voice : voices)
    if (voice.note == note)
    {
      voice.setNoteOff(false);
      break;
    }
}

void Kelva::setSustain(bool on)
{
  sustainOn = on;
  if (!on && heldKeyCount == 0)
  {
    synEnv.stop();
    strEnv.stop();
    gateEnv.stop();
  }
  for (Voice& voice : voices)
    voice.setSustain(on);
}

void Kelva::allNotesOff()
{
  if (ctrlPeriod == 0)
    return;
  clearKeyBuffer();
  sustainOn = false;
  synEnv.stop();
  strEnv.stop();
  gateEnv.stop();
  for (Voice& voice : voices)
    voice.setSustain(false);
  for (Voice& voice : voices)
  {
    voice.setSustain(false);
    voice.setNoteOff(true);
  }
}

void Kelva::setGODMode(bool on)
{
  allNotesOff();
  godMode = on || forceGODMode;
  for (Voice& voice : voices)
    voice.setGODMode(godMode);
}

bool isNewVersion_1_3_1(const IByteChunk& chunk, int position)
{
  char tag[kStateTagLength + 1] = {};
  if (position >= 0 && position < chunk.Size())
  {
    const int available = std::min(kStateTagLength, chunk.Size() - position);
    std::memcpy(tag, chunk.GetData() + position, static_cast<size_t>(available));
  }
  return std::strcmp(tag, kStateTag) == 0;
}

bool Kelva::SerializeState(IByteChunk& chunk) const
{
  chunk.PutBytes(kStateTag, kStateTagLength);
  const int32_t current = GetCurrentPresetIdx();
  chunk.Put(current);
  const char* name = GetPresetName(current);
  const int32_t length = static_cast<int32_t>(std::strlen(name));
  chunk.Put(length);
  chunk.PutBytes(name, length);
  for (int i = 0; i < NParams(); ++i)
    chunk.Put(GetParam(i)->Value());
  return chunk.Size() > 0;
}

int Kelva::UnserializeState(const IByteChunk& chunk, int startPos)
{
  const bool currentFormat = isNewVersion_1_3_1(chunk, startPos);
  int valuesPos = startPos;
  int32_t storedIdx = GetCurrentPresetIdx();
  char name[64] = {};

  if (currentFormat)
  {
    int32_t idx = 0;
    if (chunk.Get(&idx, startPos + kStateTagLength) < 0)
      valuesPos = -1;
    else
      storedIdx = idx;

    int32_t length = 0;
    if (chunk.Get(&length, startPos + kStateTagLength + 4) < 0 || length < 0)
      valuesPos = -1;
    else
    {
      // The name field may be longer than the buffer: keep its first 63
      // bytes and skip the rest, so the values after it are still found.
      const int namePos = startPos + kStateTagLength + 8;
      const int64_t end = static_cast<int64_t>(namePos) + length;
      if (end > chunk.Size())
        valuesPos = -1;
      else
      {
        const int kept = std::min<int>(length, static_cast<int>(sizeof(name)) - 1);
        chunk.GetBytes(name, kept, namePos);
        if (valuesPos >= 0)
          valuesPos = static_cast<int>(end);
      }
    }

    if (restoringFullState)
      if (IPreset* preset = GetPreset(storedIdx))
      {
        std::strncpy(preset->name, name, IPreset::kMaxNameLen);
        preset->name[IPreset::kMaxNameLen] = '\0';
      }
  }

  for (int i = 0; i < NParams() && valuesPos >= 0; ++i)
  {
    double value = 0;
    valuesPos = chunk.Get(&value, valuesPos);
    GetParam(i)->Set(value);
  }

  OnParamReset(kPresetRecall);

  if (restoringFullState && currentFormat && storedIdx != GetCurrentPresetIdx())
    if (IPreset* preset = GetPreset(storedIdx))
    {
      SetCurrentPresetIdx(storedIdx);
      preset->chunk.Clear();
      SerializeState(preset->chunk);
    }

  return valuesPos;
}
