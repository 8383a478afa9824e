#pragma once

#include <memory>
#include <string>
#include <vector>

#include "IKitMidi.h"
#include "IKitPluginBase.h"
#include "IKitQueue.h"
#include "IKitTimer.h"

// The base of every host adapter: host identification, the lock-free queues
// between the audio thread and the user-interface thread, the 20 ms
// user-interface timer, and the default paths by which a value set in the
// editor reaches the parameter, the plug-in and the host.
class IKitAPIBase : public IKitinBase
{
public:
  // Period of the user-interface timer.
  static constexpr int kTimerIntervalMs = 20;
  // Host identifiers that adapters rely on.
  static constexpr int kHostUninit = -1;
  static constexpr int kHostUnknown = 0;
  static constexpr int kHostArdour = 28;
  static constexpr int kHostWaveLab = 31;
  static constexpr int kHostMixbus = 45;

  explicit IKitAPIBase(const Config& config);
  // Stops the timer before anything it reaches is destroyed.
  ~IKitAPIBase() override;

  // --- Host queries and hooks (main thread); defaults do nothing ---

  virtual bool CompareState(const uint8_t* pIncomingState, int startPos) const;
  virtual bool OnHostRequestingAboutBox();
  virtual bool OnHostRequestingProductHelp();
  virtual void OnHostIdentified();
  virtual void OnHostRequestingImportantParameters(int count, std::vector<int>& results);
  virtual bool OnHostRequestingSupportedViewConfiguration(int width, int height);
  virtual void OnHostSelectedViewConfiguration(int width, int height);
  virtual bool GetMidiNoteText(int noteNumber, char* text) const;
  virtual void* GetAAXViewInterface();
  // Editor idle work, once per timer tick.
  virtual void OnIdle();
  virtual void GetTrackColor(int& r, int& g, int& b);
  virtual void GetTrackName(std::string& str);
  virtual int GetTrackIndex();
  virtual void GetTrackNamespace(std::string& str);
  virtual int GetTrackNamespaceIndex();
  // Either thread (the audio thread for a learned controller): queues the
  // parameter's new plain value for the editor side, converting a
  // normalised value first. Dropped when the queue is full or the index is
  // unknown.
  virtual void SendParameterValueFromAPI(int paramIdx, double value, bool normalized);
  virtual void HostSpecificInit();
  // Asks the host to resize the editor view; false when it did not.
  virtual bool EditorResize(int width, int height);
  // The host's edit gesture around a change from the editor.
  virtual void BeginInformHostOfParamChange(int paramIdx);
  virtual void EndInformHostOfParamChange(int paramIdx);
  // Either thread: tells the host that a parameter took a new value.
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue);
  virtual void TransmitMidiMsgFromProcessor(const IMidiMsg& msg);
  virtual void TransmitSysExDataFromProcessor(const SysExData& data);

  // --- Editor-to-plug-in paths ---

  // InformHostOfParamChange for every parameter in ascending order with its
  // normalised value.
  void DirtyParametersFromUI() override;
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override;
  // SetParameterValue, then the parameter takes the value again and
  // OnParamChangeUI(paramIdx, kUI).
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  void EndInformHostOfParamChangeFromUI(int paramIdx) override;
  // EditorResize when a platform resize is wanted, else true.
  bool EditorResizeFromUI(int viewWidth, int viewHeight, bool needsPlatformResize) override;
  // Main thread: onto the MIDI-from-editor queue (dropped when full).
  void DeferMidiMsg(const IMidiMsg& msg) override;
  // Main thread: copied onto the SysEx-from-editor queue (dropped when
  // full); at most SysExData::kMaxSize bytes travel.
  void DeferSysexMsg(const ISysEx& msg) override;

  // Either thread: the parameter takes the normalised value, the host is
  // informed, then OnParamChange(paramIdx, kUI, -1) runs on the calling
  // thread. An unknown index does nothing.
  void SetParameterValue(int paramIdx, double normalizedValue);

  // Main thread: identifies the host by a substring of its lower-cased name
  // (0 when none matches), stores the version unchanged, then calls
  // HostSpecificInit and OnHostIdentified.
  void SetHost(const char* name, int version);
  // The host identifier; kHostUninit until SetHost.
  int GetHost() const { return mHost; }
  // major * 65536 + minor * 256 + bugfix.
  int GetHostVersion() const { return mHostVersion; }
  // The identifier a host name maps to.
  static int LookUpHost(const char* name);

  // Main thread: (re)creates the user-interface timer; the constructor calls
  // it once.
  void CreateTimer();
  // Main thread, every tick: with an editor offered, hands every message
  // waiting in the processor queues to the editor; then OnIdle.
  void OnTimer(Timer& timer);
  // The user-interface timer, or null.
  Timer* GetTimer() const { return mTimer.get(); }

  bool HasUI() const { return mHasUI; }
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  // The size last sent to the host.
  void SetEditorSize(int width, int height);
  int GetMinWidth() const { return mMinWidth; }
  int GetMaxWidth() const { return mMaxWidth; }
  int GetMinHeight() const { return mMinHeight; }
  int GetMaxHeight() const { return mMaxHeight; }
  bool GetHostResize() const { return mHostResize; }

  // Each queue has one producer thread and one consumer thread.
  // Audio thread to main thread:
  IKitQueue<ParamTuple, 512> mParamChangeFromProcessor;
  IKitQueue<IMidiMsg, 32> mMidiMsgsFromProcessor;
  IKitQueue<SysExData, 4> mSysExDataFromProcessor;
  // Main thread to audio thread:
  IKitQueue<IMidiMsg, 32> mMidiMsgsFromEditor;
  IKitQueue<SysExData, 4> mSysExDataFromEditor;

private:
  bool mHasUI = false;
  bool mHostResize = false;
  int mEditorWidth = 0;
  int mEditorHeight = 0;
  int mMinWidth = 0;
  int mMaxWidth = 0;
  int mMinHeight = 0;
  int mMaxHeight = 0;
  int mHost = kHostUninit;
  int mHostVersion = 0;
  std::unique_ptr<Timer> mTimer;
};
