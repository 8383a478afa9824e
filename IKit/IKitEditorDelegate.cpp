#include "IKitEditorDelegate.h"

#include "IKitByteChunk.h"
#include "IKitParameter.h"

IEditorDelegate::IEditorDelegate(int nParams)
{
  for (int i = 0; i < nParams; ++i)
    mParams.push_back(std::make_unique<IParam>());
}

IEditorDelegate::~IEditorDelegate() = default;

void* IEditorDelegate::OpenWindow(void*)
{
  return nullptr;
}

void IEditorDelegate::CloseWindow()
{
}

void IEditorDelegate::OnParentWindowResize(int, int)
{
}

void IEditorDelegate::OnUIOpen()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}

void IEditorDelegate::OnUIClose()
{
}

void IEditorDelegate::OnParamChange(int paramIdx, EParamSource, int)
{
  OnParamChange(paramIdx);
}

void IEditorDelegate::OnParamChange(int)
{
}

void IEditorDelegate::OnParamChangeUI(int, EParamSource)
{
}

void IEditorDelegate::OnParamReset(EParamSource source)
{
  for (int i = 0; i < NParams(); ++i)
  {
    OnParamChange(i, source, -1);
    OnParamChangeUI(i, source);
  }
}

void IEditorDelegate::OnMidiMsgUI(const IMidiMsg&)
{
}

void IEditorDelegate::OnSysexMsgUI(const ISysEx&)
{
}

bool IEditorDelegate::OnMessage(int, int, int, const void*)
{
  return false;
}

void IEditorDelegate::OnRestoreState()
{
  for (int i = 0; i < NParams(); ++i)
    SendParameterValueFromDelegate(i, GetParam(i)->GetNormalized(), true);
}

bool IEditorDelegate::OnKeyDown(const IKeyPress&)
{
  return false;
}

bool IEditorDelegate::OnKeyUp(const IKeyPress&)
{
  return false;
}

void IEditorDelegate::SendControlValueFromDelegate(int, double)
{
}

void IEditorDelegate::SendControlMsgFromDelegate(int, int, int, const void*)
{
}

void IEditorDelegate::SendArbitraryMsgFromDelegate(int msgTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, -1, dataSize, pData);
}

void IEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg)
{
  OnMidiMsgUI(msg);
}

void IEditorDelegate::SendSysexMsgFromDelegate(const ISysEx& msg)
{
  OnSysexMsgUI(msg);
}

void IEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double, bool)
{
  OnParamChangeUI(paramIdx, kDelegate);
}

void IEditorDelegate::DirtyParametersFromUI()
{
}

void IEditorDelegate::BeginInformHostOfParamChangeFromUI(int)
{
}

void IEditorDelegate::SendParameterValueFromUI(int paramIdx, double normalizedValue)
{
  if (IParam* param = GetParam(paramIdx))
    param->SetNormalized(normalizedValue);
  OnParamChangeUI(paramIdx, kUI);
}

void IEditorDelegate::EndInformHostOfParamChangeFromUI(int)
{
}

bool IEditorDelegate::EditorResizeFromUI(int, int, bool needsPlatformResize)
{
  return !needsPlatformResize;
}

void IEditorDelegate::SendMidiMsgFromUI(const IMidiMsg& msg)
{
  DeferMidiMsg(msg);
}

void IEditorDelegate::SendSysexMsgFromUI(const ISysEx& msg)
{
  DeferSysexMsg(msg);
}

void IEditorDelegate::SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* pData)
{
  OnMessage(msgTag, ctrlTag, dataSize, pData);
}

void IEditorDelegate::DeferMidiMsg(const IMidiMsg&)
{
}

void IEditorDelegate::DeferSysexMsg(const ISysEx&)
{
}

bool IEditorDelegate::SerializeEditorState(IByteChunk&) const
{
  return true;
}

int IEditorDelegate::UnserializeEditorState(const IByteChunk&, int startPos)
{
  return startPos;
}

void IEditorDelegate::SetScreenScale(float)
{
}

IParam* IEditorDelegate::GetParam(int idx)
{
  if (idx < 0 || idx >= NParams())
    return nullptr;
  return mParams[static_cast<size_t>(idx)].get();
}

const IParam* IEditorDelegate::GetParam(int idx) const
{
  if (idx < 0 || idx >= NParams())
    return nullptr;
  return mParams[static_cast<size_t>(idx)].get();
}
