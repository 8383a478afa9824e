#include <algorithm>

#include "kelva.h"

void Kelva::handleMidiEvents()
{
  while (!midiQueue.Empty())
  {
    const IMidiMsg& msg = midiQueue.Peek();
    if (msg.mOffset > ctrlPeriod)
      break;

    switch (msg.StatusMsg())
    {
      case IMidiMsg::kNoteOn:
        if (msg.mData2 != 0)
          setNoteOn(msg.mData1, msg.mData2);
        else
          setNoteOff(msg.mData1);
        break;
      case IMidiMsg::kNoteOff:
        setNoteOff(msg.mData1);
        break;
      case IMidiMsg::kControlChange:
        switch (msg.mData1)
        {
          case 64: setSustain(msg.mData2 / 127.0 > 0); break;
          case 1: modWheel = msg.mData2 / 127.0; break;
          default: applyLearnedController(msg.mData1, msg.mData2); break;
        }
        break;
      case IMidiMsg::kPitchWheel:
        bend = ((msg.mData2 * 128 + msg.mData1) - 8192) / 8192.0;
        break;
      default:
        break;
    }
    midiQueue.Remove();
  }
  midiQueue.Flush(ctrlPeriod);
}

void Kelva::controlTick()
{
  handleMidiEvents();
  mg.update();
  noise = noiseFilter.process(12 * oscBank.getNoise());

  pitchMod = mgVib * mg.out1;
  if (joyFMOn)
    pitchMod += (modWheel * *mwSource + bend) * joyFM;
  filterMod = joyFcMOn ? (modWheel * *mwSource + bend) * joyFcM : 0;

  if (!godMode)
  {
    filterMod += vcfEG * synEnv.value;
    if (kbdFollow)
      filterMod += kbdTrack;
    synEnv.update();
    strEnv.update();
    gateEnv.update();
    vcf.update();
  }

  oscBank.update();
  ensemble.update();
  if (phaserOn)
    phaser.update();
  for (Voice& voice : voices)
    voice.update();
}

void Kelva::ProcessBlock(double** /*inputs*/, double** outputs, int nFrames)
{
  if (nFrames <= 0)
    return;
  double* out0 = outputs[0];
  double* out1 = outputs[1];
  // Before the first reset there is no control period to render with.
  if (ctrlPeriod <= 0 || !synBuf)
  {
    std::fill(out0, out0 + nFrames, 0.0);
    std::fill(out1, out1 + nFrames, 0.0);
    return;
  }

  int remaining = nFrames;
  while (remaining > 0)
  {
    int n;
    // A sub-block without a tick continues a period that the previous host
    // block cut short: its first sample needs the envelope step that the
    // per-sample loops otherwise take only after sample 0. The envelopes thus
    // step once per sample whatever the host's block size.
    const bool continuesPeriod = ctrlCounter > 0;
    if (ctrlCounter > 0)
    {
      n = std::min(ctrlCounter, remaining);
      ctrlCounter = std::max(ctrlCounter - remaining, 0);
    }
    else
    {
      controlTick();
      if (ctrlPeriod > remaining)
      {
        n = remaining;
        ctrlCounter = ctrlPeriod - remaining;
      }
      else
        n = ctrlPeriod;
    }

    std::fill(synBuf, synBuf + n, 0.0);
    std::fill(strBuf, strBuf + n, 0.0);
    for (Voice& voice : voices)
      voice.processAudio(synBuf, strBuf, n, continuesPeriod);
    oscBank.next(n);

    const double synLeft = volume * synVol * (1 - synPan);
    const double synRight = volume * synVol * synPan;
    const double strLeft = volume * strVol * (1 - strPan);
    const double strRight = volume * strVol * strPan;

    if (godMode)
    {
      if (strVol > 0)
      {
        ensemble.process(strBuf, n);
        eqHigh.processAudio(strBuf, n);
        eqLow.processAudio(strBuf, n);
      }
      for (int i = 0; i < n; ++i)
      {
        outL[i] = synLeft * synBuf[i] + strLeft * strBuf[i];
        outR[i] = synRight * synBuf[i] + strRight * strBuf[i];
      }
    }
    else
    {
      vcf.process(synBuf, n);
      if (strVol > 0)
      {
        if (continuesPeriod)
          strEnv.update();
        strBuf[0] *= strEnv.value;
        for (int i = 1; i < n; ++i)
        {
          strEnv.update();
          strBuf[i] *= strEnv.value;
        }
        ensemble.process(strBuf, n);
        eqHigh.processAudio(strBuf, n);
        eqLow.processAudio(strBuf, n);
      }
      // The shared envelopes step once at the tick and once before every
      // further sample: one step per sample across the period.
      for (int i = 0; i < n; ++i)
      {
        if (i >= 1 || continuesPeriod)
        {
          synEnv.update();
          gateEnv.update();
        }
        const double s = *vcaSource * synBuf[i];
        outL[i] = synLeft * s + strLeft * strBuf[i];
        outR[i] = synRight * s + strRight * strBuf[i];
      }
    }

    if (phaserOn)
      phaser.process(outL, outR, n);
    if (delayOn)
      delay.processAudio(outL, outR, n);

    for (int i = 0; i < n; ++i)
    {
      out0[i] = volume * outL[i];
      out1[i] = volume * outR[i];
    }
    out0 += n;
    out1 += n;
    remaining -= n;
  }
}
