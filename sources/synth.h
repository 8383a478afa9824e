#pragma once

#include <atomic>
#include <string>

#include "IKitByteChunk.h"
#include "IKitMidi.h"
#include "IKitVST3.h"
#include "synth.pitch.h"
#include "voice.h"

class IControl;

namespace GUI
{
// Window size choices of the editor's menus, an index 0..5.
enum GUISize : int
{
  kSize25 = 0,
  kSize50,
  kSize75,
  kSize100,
  kSize150,
  kSize200,
};
} // namespace GUI

// The maker's base class for its instruments: the MIDI input path and its
// queue, the pressed-key buffer, MIDI learn, the configuration file, program
// management and the pitch tables (inherited from SynthPitch, so they read as
// Synth::convert2Hz). The held-key count that voices read comes through
// VoiceOwner.
class Synth : public IKitVST3, public SynthPitch, public VoiceOwner
{
public:
  static constexpr int kNumLearnableCCs = 120;  // controllers 0..119
  static constexpr int kMaxKeys = 256;          // every value a data byte can hold

  // Main thread (or whichever thread the host builds instances on).
  explicit Synth(const Config& config);
  ~Synth() override;

  // Operations the instruments override, in slot order.
  virtual void createGraphics() {}
  virtual void resizeUI(GUI::GUISize) {}
  virtual void allNotesOff() {}
  virtual void initParameters() {}

  // Audio thread: every MIDI message of a process call, before the block.
  void ProcessMidiMsg(const IMidiMsg& msg) override;
  // Audio thread: the host set up processing.
  void OnReset() override;
  // Main thread (the host's setActive): activation applies every parameter
  // to the engine again; deactivation does nothing.
  void OnActivate(bool active) override;
  // Either thread: MIDI learn catches the index while a gesture runs.
  void OnParamChange(int paramIdx) override;
  using IKitVST3::OnParamChange;

  // Audio thread: the pressed-key buffer, ordered by note number.
  void addPressedKey(int key, int velocity);
  void removePressedKey(int key);
  void clearKeyBuffer();
  // Highest held key, or -1 when none is held.
  int highestPressedKey() const;
  int pressedKeyVelocity(int key) const;

  // MIDI learn. doMidiLearn/doMidiUnlearn: main thread (the editor's switch).
  void doMidiLearn(bool on);
  void doMidiUnlearn(bool on);
  // Either thread: 0 when a gesture was completed or none runs, 1 while it
  // still waits for its other half.
  int applyMidiLearn();
  int setMidiLearnParam(int paramIdx);
  int setMidiLearnCC(int cc);
  bool isMidiLearnOn() const { return midiLearnOn.load(std::memory_order_acquire); }
  // Parameter tied to a controller, or -1.
  int getCCParam(int cc) const;
  void setCCParam(int cc, int paramIdx);

  // Main thread: the editor's learn switch, valid only while the editor
  // exists; the editor layout sets it and clears it when the editor closes.
  void setMidiLearnSwitch(IControl* control) { midiLearnSwitch = control; }

  // Configuration file (main thread). loadConfig returns 0, or
  // kConfigMissing when the file does not exist.
  static constexpr int kConfigMissing = 11;
  // saveConfig kinds: -1 everything, else the menu command's number.
  static constexpr int kSaveAll = -1;
  static constexpr int kSaveWindowSize = 19;
  static constexpr int kSaveMidiThru = 22;
  static constexpr int kSaveIgnoreProgramChange = 23;
  int loadConfig();
  int saveConfig(int kind);
  void storeProgramPath(const char* folder);
  int setStartupFxb(const char* path);
  void unsetStartupFxb();
  // Stores a new editor scale (ignoring scales <= 0).
  void resizeUI(float scale);
  const std::string& getIniPath() const { return iniPath; }
  const std::string& getStartupBank() const { return startupBank; }
  const std::string& getProgramPath() const { return programPath; }
  const std::string& getPluginPath() const { return pluginPath; }
  float getGuiScale() const { return guiScale; }

  // Program management (main thread; construction for the first two).
  void initAllPrograms();
  std::string factoryBankPath() const;
  void changePreset(int index);
  void copyPreset();
  void pastePreset();
  void initPreset();
  bool clipboardIsEmpty() const { return clipboard.Size() == 0; }
  void OnPresetsModified() override;

  // Main thread, every 20 ms: the learn switch follows completed gestures.
  void OnIdle() override;

  bool getMidiThru() const { return midiThru; }
  void setMidiThru(bool on) { midiThru = on; }
  bool getIgnoreProgramChange() const { return ignoreProgramChange; }
  void setIgnoreProgramChange(bool on) { ignoreProgramChange = on; }
  bool getForceGODMode() const { return forceGODMode; }
  int getCtrlPeriod() const { return ctrlPeriod; }

protected:
  // Construction: the program slots from the startup bank or the factory
  // bank, then program 0 becomes current.
  void loadStartupPrograms();
  static constexpr int kProgramStorageBytes = 4096;
  void reserveProgramStorage();
  // Construction: finds or creates the configuration file and reads it.
  void openConfig();
  float currentEditorScale() const;

  // Audio thread, at a control tick: a controller other than the modulation
  // wheel and the sustain pedal moves the parameter learned for it.
  void applyLearnedController(int cc, int value);

  // Main thread: turns the editor's learn switch off once a gesture has
  // completed (the audio thread only raises the flag).
  void updateMidiLearnSwitch();

  std::string iniPath;
  std::string homePath;
  std::string pluginPath;
  std::string startupBank;
  float guiScale = 0.5f;
  std::string programPath;
  IByteChunk clipboard;
  int clipboardSource = -1;

  IMidiQueue midiQueue{512};
  bool midiThru = false;
  bool ignoreProgramChange = false;
  int ctrlCounter = 0;
  int ctrlPeriod = 0;
  bool forceGODMode = false;

  // Held keys: velocity per key, 0 when not held. A fixed array instead of a
  // map, so that pressing a key on the audio thread allocates nothing.
  int pressedKeys[kMaxKeys] = {};

  // MIDI learn. Shared between the audio thread (controllers, automation) and
  // the main thread (the switch, the configuration), hence atomics.
  std::atomic<int> ccParam[kNumLearnableCCs];
  std::atomic<bool> midiLearnOn{false};
  std::atomic<bool> midiUnlearn{false};
  std::atomic<int> midiLearnCC{-1};
  std::atomic<int> midiLearnParam{-1};
  std::atomic<bool> midiLearnSwitchOff{false};
  IControl* midiLearnSwitch = nullptr;
};
