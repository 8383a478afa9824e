#pragma once

#include "IKitMidi.h"

// What the editor delegate needs of a control: its value slots and their bound
// parameters, its tag, and the hooks through which values, MIDI and messages
// reach it.
class IControl
{
public:
  virtual ~IControl() = default;

  // A value pushed by the delegate into slot valIdx. Ignored while the
  // control holds the mouse capture; otherwise stored, and the control marked
  // dirty when the value changed.
  virtual void SetValueFromDelegate(double value, int valIdx = 0) = 0;
  // The parameter bound to value slot valIdx, or -1.
  virtual int GetParamIdx(int valIdx = 0) const = 0;
  // The number of value slots.
  virtual int NVals() const = 0;
  // The tag given when the control was attached, or -1.
  virtual int GetTag() const = 0;
  // Whether the control wants to see MIDI sent to the editor.
  virtual bool GetWantsMidi() const = 0;
  virtual void OnMidi(const IMidiMsg& msg) = 0;
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* pData) = 0;
};
