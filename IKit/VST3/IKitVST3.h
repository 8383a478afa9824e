#pragma once

#include <atomic>
#include <thread>

#include "IKitAPIBase.h"
#include "IKitQueue.h"
#include "IKitVST3_ControllerBase.h"
#include "IKitVST3_ProcessorBase.h"
#include "VST3SingleComponentEffect.h"

// The plug-in object as a VST 3 host sees it: one object that is component,
// audio processor, edit controller, MIDI mapping and channel-context listener,
// and at the same time the framework's API base (with the program store and
// the editor delegate) and processor.
class IKitVST3 : public IKitAPIBase,
                 public IKitVST3ProcessorBase,
                 public IKitVST3ControllerBase,
                 public VST3::SingleComponentEffect
{
public:
  explicit IKitVST3(const Config& config);
  ~IKitVST3() override;

  // Both framework bases carry the configuration's flags; they agree.
  using IKitProcessor::DoesMIDIIn;
  using IKitProcessor::DoesMIDIOut;
  using IKitProcessor::DoesMPE;
  using IKitProcessor::GetLatency;
  using IKitProcessor::IsInstrument;

  // Component and processor (host's main thread, except process).
  int32_t initialize(v3_funknown** context) override;
  int32_t terminate() override;
  int32_t setBusArrangements(const VST3::SpeakerArrangement* inputs, int32_t numInputs,
                             const VST3::SpeakerArrangement* outputs, int32_t numOutputs) override;
  int32_t setupProcessing(const VST3::ProcessSetup& setup) override;
  int32_t setActive(bool state) override;
  int32_t setProcessing(bool state) override;
  // Audio thread.
  int32_t process(v3_process_data& data) override;
  int32_t canProcessSampleSize(int32_t symbolicSampleSize) override;
  uint32_t getLatencySamples() override;
  uint32_t getTailSamples() override;
  int32_t getState(VST3::Stream& stream) override;
  int32_t setState(VST3::Stream& stream) override;

  // Controller (host's main thread).
  int32_t setComponentState(VST3::Stream& stream) override;
  int32_t setEditorState(VST3::Stream& stream) override;
  int32_t getEditorState(VST3::Stream& stream) override;
  int32_t setParamNormalized(uint32_t id, double normalized) override;
  v3_plugin_view** createView(const char* name) override;
  int32_t getMidiControllerAssignment(int32_t busIndex, int16_t channel, int16_t controller,
                                      uint32_t& id) override;
  int32_t getProgramListCount() override;
  int32_t getProgramListInfo(int32_t index, VST3::ProgramListInfo& info) override;
  int32_t getProgramName(int32_t listId, int32_t index, std::u16string& name) override;
  int32_t setChannelContextInfos(VST3::AttributeList& list) override;

  // Framework operations the adapter performs for the instrument.
  void BeginInformHostOfParamChange(int paramIdx) override;
  void InformHostOfParamChange(int paramIdx, double normalizedValue) override;
  void EndInformHostOfParamChange(int paramIdx) override;
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  void DirtyParametersFromUI() override;
  void InformHostOfPresetChange() override {}
  void InformHostOfParameterDetailsChange();
  void SetLatency(int latency) override;
  void GetTrackColor(int& r, int& g, int& b) override;
  void GetTrackName(std::string& str) override;
  int GetTrackIndex() override;
  void GetTrackNamespace(std::string& str) override;
  int GetTrackNamespaceIndex() override;

  // The program selector's normalised value follows a program change made
  // by the instrument (main thread).
  void SetProgramParameterFromUI(double normalized);

  // After a program or a state is restored: the editor and the host's view
  // of every parameter follow the values now playing.
  void OnRestoreState() override;

private:
  void addBuses(ERoute direction, int configIdx);
  void processParameterChanges(v3_process_data& data);
  void processInputEvents(v3_process_data& data);
  void processAudio(v3_process_data& data);
  void processOutputEvents(v3_process_data& data);
  // The host's parameters follow the IParams: on the main thread by a
  // restart request, on the audio thread through the block's output
  // parameter changes.
  void syncHostParameters();
  // True on the host's main thread outside process(): only there may the
  // component handler be called.
  bool onMainThread() const;
  std::thread::id mMainThread;

  VST3::ProcessContext mProcessContext;
  // Parameter changes the instrument makes on the audio thread (a learned
  // controller): the host hears of them through the block's output
  // parameter changes, never through the component handler.
  IKitQueue<ParamTuple, 512> mAudioThreadParamChanges;
  // SysEx records handed to the host stay valid until the next block.
  SysExData mOutgoingSysEx[4];
};
