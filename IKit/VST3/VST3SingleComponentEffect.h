#pragma once

#include "VST3Bus.h"
#include "VST3ContextMenu.h"
#include "VST3FObject.h"
#include "VST3HostObjects.h"
#include "VST3Parameter.h"
#include "VST3ParameterContainer.h"
#include "VST3Stream.h"
#include "VST3Types.h"
#include "VST3Unit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct v3_routing_info;

namespace VST3
{
// One object that is a plug-in's component, audio processor and edit
// controller at once, together with MIDI mapping, unit information and the
// channel-context listener. Each interface is a table of C functions that
// forwards to the virtual methods below; a subclass overrides those and never
// touches the tables.
//
// Interfaces answered by queryInterface: FUnknown, plug-in base and IComponent
// (one face: FUnknown's identity), IAudioProcessor, IEditController,
// IMidiMapping, IUnitInfo and IInfoListener. A subclass answers more by
// overriding queryInterface: it handles its own IDs (setting *obj to a face
// of its own and counting the reference with answer()) and passes everything
// else to SingleComponentEffect::queryInterface.
//
// Unless a method says otherwise, the host calls it on its main thread.
// Defaults do what hosts expect of a plug-in that leaves the call alone.
class SingleComponentEffect : public FObject
{
public:
  SingleComponentEffect();
  ~SingleComponentEffect() override;

  // The object's FUnknown (its component face), e.g. for a factory's create
  // function. Does not add a reference.
  v3_funknown** asUnknown();

  // Either thread.
  int32_t queryInterface(const uint8_t* iid, void** obj) override;

  // ---- plug-in base (shared by the component and the controller) ----

  // Keeps the host context (with a reference) until terminate. A second call
  // without terminate in between returns kFalse: hosts that see one object
  // behind both the component and the controller may initialise it twice.
  virtual int32_t initialize(v3_funknown** context);
  // Drops buses, parameters, units, program lists, the component handler and
  // the host context; initialize may follow again.
  virtual int32_t terminate();

  // ---- IComponent ----

  // kNotImplemented: the controller is this object.
  virtual int32_t getControllerClassId(uint8_t* classId);
  virtual int32_t setIoMode(int32_t mode);
  virtual int32_t getBusCount(int32_t type, int32_t direction);
  // Copies the bus; kInvalidArgument for an unknown bus.
  virtual int32_t getBusInfo(int32_t type, int32_t direction, int32_t index, Bus& bus);
  virtual int32_t getRoutingInfo(v3_routing_info& input, v3_routing_info& output);
  virtual int32_t activateBus(int32_t type, int32_t direction, int32_t index, bool state);
  virtual int32_t setActive(bool state);
  // Component state (the host keeps it in its project).
  virtual int32_t setState(Stream& stream);
  virtual int32_t getState(Stream& stream);

  // ---- IAudioProcessor ----

  // Stores the arrangements on the audio buses when there are no more of
  // them than buses; kFalse otherwise.
  virtual int32_t setBusArrangements(const SpeakerArrangement* inputs, int32_t numInputs,
                                     const SpeakerArrangement* outputs, int32_t numOutputs);
  virtual int32_t getBusArrangement(int32_t direction, int32_t index, SpeakerArrangement& arrangement);
  // kTrue for 32-bit samples only.
  virtual int32_t canProcessSampleSize(int32_t symbolicSampleSize);
  virtual uint32_t getLatencySamples();
  // Keeps a copy in processSetup.
  virtual int32_t setupProcessing(const ProcessSetup& setup);
  virtual int32_t setProcessing(bool state);
  // Audio thread.
  virtual int32_t process(v3_process_data& data);
  virtual uint32_t getTailSamples();

  // ---- IEditController ----

  // kOk and nothing else: this object already holds its component state.
  virtual int32_t setComponentState(Stream& stream);
  // The controller's own state (the editor's); the base keeps none.
  virtual int32_t setEditorState(Stream& stream);
  virtual int32_t getEditorState(Stream& stream);
  // The parameter calls answer from `parameters`; for an unknown ID the
  // conversions return their input, getParamNormalized returns 0 and the
  // others return kFalse.
  virtual int32_t getParameterCount();
  virtual int32_t getParameterInfo(int32_t index, ParameterInfo& info);
  virtual int32_t getParamStringByValue(uint32_t id, double normalized, std::u16string& text);
  virtual int32_t getParamValueByString(uint32_t id, std::u16string_view text, double& normalized);
  virtual double normalizedParamToPlain(uint32_t id, double normalized);
  virtual double plainParamToNormalized(uint32_t id, double plain);
  virtual double getParamNormalized(uint32_t id);
  virtual int32_t setParamNormalized(uint32_t id, double normalized);
  // Keeps the handler (with a reference) and, when it has one, its second
  // interface for group edits.
  virtual int32_t setComponentHandler(v3_component_handler** handler);
  // The editor view named `name` (never null), returned with the reference
  // that the host takes over; null when there is none.
  virtual v3_plugin_view** createView(const char* name);

  // ---- IMidiMapping ----

  virtual int32_t getMidiControllerAssignment(int32_t busIndex, int16_t channel, int16_t controller, uint32_t& id);

  // ---- IUnitInfo ----

  // The unit and program-list calls answer from `units` and `programLists`.
  virtual int32_t getUnitCount();
  virtual int32_t getUnitInfo(int32_t index, UnitInfo& info);
  virtual int32_t getProgramListCount();
  virtual int32_t getProgramListInfo(int32_t index, ProgramListInfo& info);
  virtual int32_t getProgramName(int32_t listId, int32_t index, std::u16string& name);
  virtual int32_t getProgramInfo(int32_t listId, int32_t index, const char* attributeId, std::u16string& value);
  virtual int32_t hasProgramPitchNames(int32_t listId, int32_t index);
  virtual int32_t getProgramPitchName(int32_t listId, int32_t index, int16_t pitch, std::u16string& name);
  virtual int32_t getSelectedUnit();
  virtual int32_t selectUnit(int32_t id);
  virtual int32_t getUnitByBus(int32_t type, int32_t direction, int32_t busIndex, int32_t channel, int32_t& unitId);
  virtual int32_t setUnitProgramData(int32_t listOrUnitId, int32_t programIndex, Stream& data);

  // ---- IInfoListener ----

  // The host's channel information (the host's call with no list returns
  // kFalse without reaching this).
  virtual int32_t setChannelContextInfos(AttributeList& list);

  // ---- Buses (main thread, while the host is not processing) ----

  Bus& addAudioInput(std::u16string_view name, SpeakerArrangement arrangement, int32_t busType = kMain,
                     uint32_t flags = kDefaultActive);
  Bus& addAudioOutput(std::u16string_view name, SpeakerArrangement arrangement, int32_t busType = kMain,
                      uint32_t flags = kDefaultActive);
  Bus& addEventInput(std::u16string_view name, int32_t channels = 16, int32_t busType = kMain,
                     uint32_t flags = kDefaultActive);
  Bus& addEventOutput(std::u16string_view name, int32_t channels = 16, int32_t busType = kMain,
                      uint32_t flags = kDefaultActive);
  void removeAudioBusses();
  void removeEventBusses();
  // Null for an unknown type or direction.
  BusList* getBusList(int32_t type, int32_t direction);
  // Null for an unknown bus. Either thread (the audio thread reads `active`).
  Bus* getBus(int32_t type, int32_t direction, int32_t index);

  // ---- Units and program lists ----

  Unit* addUnit(std::unique_ptr<Unit> unit);
  Unit* addUnit(const UnitInfo& info);
  ProgramList* addProgramList(std::unique_ptr<ProgramList> list);
  // Null when there is no list with that ID.
  ProgramList* getProgramList(int32_t id) const;

  // ---- The host ----

  // The context given to initialize; null before and after. No reference
  // is added.
  v3_funknown** getHostContext() const { return hostContext; }
  // The host application's name as UTF-8; false when the host has none.
  bool getHostApplicationName(std::string& name) const;

  // ---- The component handler ----
  //
  // Main thread only: hosts may not be called from the audio thread. Each
  // returns the host's result, or kFalse when the host has set no handler
  // (or, for group edits, when its handler cannot group).

  bool hasComponentHandler() const { return componentHandler != nullptr; }
  int32_t beginEdit(uint32_t id);
  int32_t performEdit(uint32_t id, double normalized);
  int32_t endEdit(uint32_t id);
  int32_t restartComponent(int32_t flags);
  int32_t startGroupEdit();
  int32_t finishGroupEdit();
  // A context menu for `paramId` (or for the view as a whole when null),
  // from a handler that offers context menus; an empty ContextMenu otherwise.
  ContextMenu createContextMenu(v3_plugin_view** view, const uint32_t* paramId);

  // ---- The records behind the defaults ----

  ParameterContainer& getParameters() { return parameters; }
  const ProcessSetup& getProcessSetup() const { return processSetup; }

protected:
  BusList audioInputs;
  BusList audioOutputs;
  BusList eventInputs;
  BusList eventOutputs;
  ProcessSetup processSetup;
  ParameterContainer parameters;
  std::vector<std::unique_ptr<Unit>> units;
  std::vector<std::unique_ptr<ProgramList>> programLists;
  int32_t selectedUnit = kRootUnitId;

private:
  void releaseHostObjects();

  InterfaceFace<SingleComponentEffect> componentFace;
  InterfaceFace<SingleComponentEffect> processorFace;
  InterfaceFace<SingleComponentEffect> controllerFace;
  InterfaceFace<SingleComponentEffect> midiMappingFace;
  InterfaceFace<SingleComponentEffect> unitInfoFace;
  InterfaceFace<SingleComponentEffect> infoListenerFace;

  bool initialised = false;
  v3_funknown** hostContext = nullptr;
  v3_component_handler** componentHandler = nullptr;
  // The handler's second interface (group edits), when it has one.
  v3_funknown** componentHandler2 = nullptr;
};
} // namespace VST3
