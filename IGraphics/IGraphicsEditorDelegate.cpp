#include "IGraphicsEditorDelegate.h"

#include <cmath>

#include "IKitByteChunk.h"
#include "IKitParameter.h"

IGEditorDelegate::IGEditorDelegate(int nParams)
  : IEditorDelegate(nParams)
{
}

// The host removes the view before it destroys the plug-in; a context still
// alive here is destroyed without calling back into the half-destroyed
// delegate.
IGEditorDelegate::~IGEditorDelegate() = default;

void* IGEditorDelegate::OpenWindow(void* pParent)
{
  if (!mGraphics)
  {
    mGraphics = CreateGraphics();
    // A fresh context starts at the factory's size; give it back the size
    // and scale the user left the editor at.
    if (mGraphics && mLastWidth != 0 && mLastHeight != 0 && mLastScale != 0.f)
      mGraphics->Resize(mLastWidth, mLastHeight, mLastScale, true);
  }
  return mGraphics ? mGraphics->OpenWindow(pParent) : nullptr;
}

void IGEditorDelegate::CloseWindow()
{
  if (mClosing)
    return;
  mClosing = true;
  OnUIClose();
  if (mGraphics)
  {
    mLastWidth = mGraphics->Width();
    mLastHeight = mGraphics->Height();
    mLastScale = mGraphics->GetDrawScale();
    mGraphics->CloseWindow();
    // reset() clears the pointer before the context dies, so controls torn
    // down with it see no context through GetUI().
    mGraphics.reset();
  }
  mClosing = false;
}

bool IGEditorDelegate::OnKeyDown(const IKeyPress& key)
{
  if (!mGraphics)
    return false;
  float x = 0.f;
  float y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyDown(x, y, key);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key)
{
  if (!mGraphics)
    return false;
  float x = 0.f;
  float y = 0.f;
  mGraphics->GetMouseLocation(x, y);
  return mGraphics->OnKeyUp(x, y, key);
}

void IGEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue)
{
  if (!mGraphics)
    return;
  if (IControl* control = mGraphics->GetControlWithTag(ctrlTag))
    control->SetValueFromDelegate(normalizedValue, 0);
}

void IGEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* pData)
{
  if (!mGraphics)
    return;
  if (IControl* control = mGraphics->GetControlWithTag(ctrlTag))
    control->OnMsgFromDelegate(msgTag, dataSize, pData);
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  if (mGraphics)
  {
    for (int i = 0; i < mGraphics->NControls(); ++i)
    {
      IControl* control = mGraphics->GetControl(i);
      if (control && control->GetWantsMidi())
        control->OnMidi(msg);
    }
  }
  IEditorDelegate::SendMidiMsgFromDelegate(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized)
{
  if (mGraphics)
  {
    const IParam* param = GetParam(paramIdx);
    if (!normalized && param)
      value = param->ToNormalized(value);
    // A plain value of an unknown parameter has no normalised form; no
    // control can be bound to it anyway.
    if (normalized || param)
    {
      for (int i = 0; i < mGraphics->NControls(); ++i)
      {
        IControl* control = mGraphics->GetControl(i);
        if (!control)
          continue;
        for (int v = 0; v < control->NVals(); ++v)
          if (control->GetParamIdx(v) == paramIdx)
            control->SetValueFromDelegate(value, v);
      }
    }
  }
  IEditorDelegate::SendParameterValueFromDelegate(paramIdx, value, normalized);
}

bool IGEditorDelegate::SerializeEditorState(IByteChunk& chunk) const
{
  const int32_t width = mGraphics ? mGraphics->Width() : mLastWidth;
  const int32_t height = mGraphics ? mGraphics->Height() : mLastHeight;
  const float scale = mGraphics ? mGraphics->GetDrawScale() : mLastScale;
  const int before = chunk.Size();
  chunk.Put(width);
  chunk.Put(height);
  chunk.Put(scale);
  return chunk.Size() == before + 12;
}

int IGEditorDelegate::UnserializeEditorState(const IByteChunk& chunk, int startPos)
{
  int32_t width = 0;
  int32_t height = 0;
  float scale = 0.f;
  int pos = chunk.Get(&width, startPos);
  pos = chunk.Get(&height, pos);
  pos = chunk.Get(&scale, pos);
  if (pos < 0)
    return -1;

  // A damaged chunk must not size the editor: anything but a positive size
  // with a positive finite scale reads as "no size remembered".
  if (width <= 0 || height <= 0 || !std::isfinite(scale) || scale <= 0.f)
  {
    width = 0;
    height = 0;
    scale = 0.f;
  }

  if (!mGraphics)
  {
    mLastWidth = width;
    mLastHeight = height;
    mLastScale = scale;
  }
  else if (width != 0 && height != 0 && scale != 0.f)
    mGraphics->Resize(width, height, scale, true);
  return pos;
}

void IGEditorDelegate::SetScreenScale(float scale)
{
  if (mGraphics)
    mGraphics->SetScreenScale(scale);
}

std::unique_ptr<IGraphics> IGEditorDelegate::CreateGraphics()
{
  if (!mMakeGraphicsFunc)
    return nullptr;
  return mMakeGraphicsFunc();
}

void IGEditorDelegate::LayoutUI(IGraphics* pGraphics)
{
  if (mLayoutFunc)
    mLayoutFunc(pGraphics);
}
