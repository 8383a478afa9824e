#include "VST3SingleComponentEffect.h"

#include "VST3Interfaces.h"
#include "VST3Strings.h"

#include <algorithm>
#include <utility>

namespace VST3
{
namespace
{
using Effect = SingleComponentEffect;

Effect* effectOf(void* self)
{
  return abi::ownerOf<Effect>(self);
}

// Runs a call that returns a result code, with kInternalError for anything
// thrown.
template <class F>
v3_result call(F&& f) noexcept
{
  return abi::guarded<v3_result>(kInternalError, std::forward<F>(f));
}

// The longest text a host may pass without a length (typed parameter text).
constexpr size_t kMaxTypedText = 1024;

// ---- plug-in base, shared by the component's and the controller's tables ----

constexpr void fillPluginBase(v3_plugin_base& v)
{
  v.initialize = [](void* self, v3_funknown** context) -> v3_result {
    return call([&] { return effectOf(self)->initialize(context); });
  };
  v.terminate = [](void* self) -> v3_result { return call([&] { return effectOf(self)->terminate(); }); };
}

// ---- IComponent ----

constexpr v3_component_cpp makeComponentVtable()
{
  v3_component_cpp v{};
  abi::fillUnknown<Effect>(v);
  fillPluginBase(v.base);
  v.comp.get_controller_class_id = [](void* self, v3_tuid classId) -> v3_result {
    if (!classId)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->getControllerClassId(classId); });
  };
  v.comp.set_io_mode = [](void* self, int32_t mode) -> v3_result {
    return call([&] { return effectOf(self)->setIoMode(mode); });
  };
  v.comp.get_bus_count = [](void* self, int32_t type, int32_t direction) -> int32_t {
    return abi::guarded<int32_t>(0, [&] { return effectOf(self)->getBusCount(type, direction); });
  };
  v.comp.get_bus_info = [](void* self, int32_t type, int32_t direction, int32_t index,
                           v3_bus_info* info) -> v3_result {
    if (!info)
      return kInvalidArgument;
    return call([&] {
      Bus bus;
      const v3_result result = effectOf(self)->getBusInfo(type, direction, index, bus);
      if (result != kOk)
        return result;
      info->media_type = bus.mediaType;
      info->direction = bus.direction;
      info->channel_count = bus.getChannelCount();
      copyUTF16(bus.name, info->bus_name, kString128Size);
      info->bus_type = bus.busType;
      info->flags = bus.flags;
      return result;
    });
  };
  v.comp.get_routing_info = [](void* self, v3_routing_info* input, v3_routing_info* output) -> v3_result {
    if (!input || !output)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->getRoutingInfo(*input, *output); });
  };
  v.comp.activate_bus = [](void* self, int32_t type, int32_t direction, int32_t index, v3_bool state) -> v3_result {
    return call([&] { return effectOf(self)->activateBus(type, direction, index, state != 0); });
  };
  v.comp.set_active = [](void* self, v3_bool state) -> v3_result {
    return call([&] { return effectOf(self)->setActive(state != 0); });
  };
  v.comp.set_state = [](void* self, v3_bstream** stream) -> v3_result {
    if (!stream)
      return kInvalidArgument;
    return call([&] {
      Stream s(stream);
      return effectOf(self)->setState(s);
    });
  };
  v.comp.get_state = [](void* self, v3_bstream** stream) -> v3_result {
    if (!stream)
      return kInvalidArgument;
    return call([&] {
      Stream s(stream);
      return effectOf(self)->getState(s);
    });
  };
  return v;
}

// ---- IAudioProcessor ----

constexpr v3_audio_processor_cpp makeProcessorVtable()
{
  v3_audio_processor_cpp v{};
  abi::fillUnknown<Effect>(v);
  v.proc.set_bus_arrangements = [](void* self, v3_speaker_arrangement* inputs, int32_t numInputs,
                                   v3_speaker_arrangement* outputs, int32_t numOutputs) -> v3_result {
    if (numInputs < 0 || numOutputs < 0 || (numInputs > 0 && !inputs) || (numOutputs > 0 && !outputs))
      return kInvalidArgument;
    return call([&] { return effectOf(self)->setBusArrangements(inputs, numInputs, outputs, numOutputs); });
  };
  v.proc.get_bus_arrangement = [](void* self, int32_t direction, int32_t index,
                                  v3_speaker_arrangement* arrangement) -> v3_result {
    if (!arrangement)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->getBusArrangement(direction, index, *arrangement); });
  };
  v.proc.can_process_sample_size = [](void* self, int32_t size) -> v3_result {
    return call([&] { return effectOf(self)->canProcessSampleSize(size); });
  };
  v.proc.get_latency_samples = [](void* self) -> uint32_t {
    return abi::guarded<uint32_t>(0, [&] { return effectOf(self)->getLatencySamples(); });
  };
  v.proc.setup_processing = [](void* self, v3_process_setup* setup) -> v3_result {
    if (!setup)
      return kInvalidArgument;
    return call([&] {
      ProcessSetup copy;
      copy.processMode = setup->process_mode;
      copy.symbolicSampleSize = setup->symbolic_sample_size;
      copy.maxSamplesPerBlock = setup->max_block_size;
      copy.sampleRate = setup->sample_rate;
      return effectOf(self)->setupProcessing(copy);
    });
  };
  v.proc.set_processing = [](void* self, v3_bool state) -> v3_result {
    return call([&] { return effectOf(self)->setProcessing(state != 0); });
  };
  v.proc.process = [](void* self, v3_process_data* data) -> v3_result {
    if (!data)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->process(*data); });
  };
  v.proc.get_tail_samples = [](void* self) -> uint32_t {
    return abi::guarded<uint32_t>(0, [&] { return effectOf(self)->getTailSamples(); });
  };
  return v;
}

// ---- IEditController ----

constexpr v3_edit_controller_cpp makeControllerVtable()
{
  v3_edit_controller_cpp v{};
  abi::fillUnknown<Effect>(v);
  fillPluginBase(v.base);
  v.ctrl.set_component_state = [](void* self, v3_bstream** stream) -> v3_result {
    if (!stream)
      return kInvalidArgument;
    return call([&] {
      Stream s(stream);
      return effectOf(self)->setComponentState(s);
    });
  };
  v.ctrl.set_state = [](void* self, v3_bstream** stream) -> v3_result {
    if (!stream)
      return kInvalidArgument;
    return call([&] {
      Stream s(stream);
      return effectOf(self)->setEditorState(s);
    });
  };
  v.ctrl.get_state = [](void* self, v3_bstream** stream) -> v3_result {
    if (!stream)
      return kInvalidArgument;
    return call([&] {
      Stream s(stream);
      return effectOf(self)->getEditorState(s);
    });
  };
  v.ctrl.get_parameter_count = [](void* self) -> int32_t {
    return abi::guarded<int32_t>(0, [&] { return effectOf(self)->getParameterCount(); });
  };
  v.ctrl.get_parameter_info = [](void* self, int32_t index, v3_param_info* info) -> v3_result {
    if (!info)
      return kInvalidArgument;
    return call([&] {
      ParameterInfo p;
      const v3_result result = effectOf(self)->getParameterInfo(index, p);
      if (result != kOk)
        return result;
      info->param_id = p.id;
      copyUTF16(p.title, info->title, kString128Size);
      copyUTF16(p.shortTitle, info->short_title, kString128Size);
      copyUTF16(p.units, info->units, kString128Size);
      info->step_count = p.stepCount;
      info->default_normalised_value = p.defaultNormalizedValue;
      info->unit_id = p.unitId;
      info->flags = p.flags;
      return result;
    });
  };
  v.ctrl.get_parameter_string_for_value = [](void* self, v3_param_id id, double normalized,
                                             v3_str_128 output) -> v3_result {
    if (!output)
      return kInvalidArgument;
    return call([&] {
      std::u16string text;
      const v3_result result = effectOf(self)->getParamStringByValue(id, normalized, text);
      copyUTF16(result == kOk ? std::u16string_view(text) : std::u16string_view(), output, kString128Size);
      return result;
    });
  };
  v.ctrl.get_parameter_value_for_string = [](void* self, v3_param_id id, int16_t* input,
                                             double* output) -> v3_result {
    if (!input || !output)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->getParamValueByString(id, fromUTF16(input, kMaxTypedText), *output); });
  };
  v.ctrl.normalised_parameter_to_plain = [](void* self, v3_param_id id, double normalized) -> double {
    return abi::guarded<double>(0, [&] { return effectOf(self)->normalizedParamToPlain(id, normalized); });
  };
  v.ctrl.plain_parameter_to_normalised = [](void* self, v3_param_id id, double plain) -> double {
    return abi::guarded<double>(0, [&] { return effectOf(self)->plainParamToNormalized(id, plain); });
  };
  v.ctrl.get_parameter_normalised = [](void* self, v3_param_id id) -> double {
    return abi::guarded<double>(0, [&] { return effectOf(self)->getParamNormalized(id); });
  };
  v.ctrl.set_parameter_normalised = [](void* self, v3_param_id id, double normalized) -> v3_result {
    return call([&] { return effectOf(self)->setParamNormalized(id, normalized); });
  };
  v.ctrl.set_component_handler = [](void* self, v3_component_handler** handler) -> v3_result {
    return call([&] { return effectOf(self)->setComponentHandler(handler); });
  };
  v.ctrl.create_view = [](void* self, const char* name) -> v3_plugin_view** {
    if (!name)
      return nullptr;
    return abi::guarded<v3_plugin_view**>(nullptr, [&] { return effectOf(self)->createView(name); });
  };
  return v;
}

// ---- IMidiMapping ----

constexpr v3_midi_mapping_cpp makeMidiMappingVtable()
{
  v3_midi_mapping_cpp v{};
  abi::fillUnknown<Effect>(v);
  v.map.get_midi_controller_assignment = [](void* self, int32_t bus, int16_t channel, int16_t controller,
                                            v3_param_id* id) -> v3_result {
    if (!id)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->getMidiControllerAssignment(bus, channel, controller, *id); });
  };
  return v;
}

// ---- IUnitInfo ----

constexpr v3_unit_information_cpp makeUnitInfoVtable()
{
  v3_unit_information_cpp v{};
  abi::fillUnknown<Effect>(v);
  v.unit.get_unit_count = [](void* self) -> int32_t {
    return abi::guarded<int32_t>(0, [&] { return effectOf(self)->getUnitCount(); });
  };
  v.unit.get_unit_info = [](void* self, int32_t index, v3_unit_info* info) -> v3_result {
    if (!info)
      return kInvalidArgument;
    return call([&] {
      UnitInfo u;
      const v3_result result = effectOf(self)->getUnitInfo(index, u);
      if (result != kOk)
        return result;
      info->id = u.id;
      info->parent_unit_id = u.parentUnitId;
      copyUTF16(u.name, info->name, kString128Size);
      info->program_list_id = u.programListId;
      return result;
    });
  };
  v.unit.get_program_list_count = [](void* self) -> int32_t {
    return abi::guarded<int32_t>(0, [&] { return effectOf(self)->getProgramListCount(); });
  };
  v.unit.get_program_list_info = [](void* self, int32_t index, v3_program_list_info* info) -> v3_result {
    if (!info)
      return kInvalidArgument;
    return call([&] {
      ProgramListInfo p;
      const v3_result result = effectOf(self)->getProgramListInfo(index, p);
      if (result != kOk)
        return result;
      info->id = p.id;
      copyUTF16(p.name, info->name, kString128Size);
      info->programCount = p.programCount;
      return result;
    });
  };
  v.unit.get_program_name = [](void* self, int32_t listId, int32_t index, v3_str_128 name) -> v3_result {
    if (!name)
      return kInvalidArgument;
    return call([&] {
      std::u16string text;
      const v3_result result = effectOf(self)->getProgramName(listId, index, text);
      copyUTF16(result == kOk ? std::u16string_view(text) : std::u16string_view(), name, kString128Size);
      return result;
    });
  };
  v.unit.get_program_info = [](void* self, int32_t listId, int32_t index, const char* attributeId,
                               v3_str_128 value) -> v3_result {
    if (!attributeId || !value)
      return kInvalidArgument;
    return call([&] {
      std::u16string text;
      const v3_result result = effectOf(self)->getProgramInfo(listId, index, attributeId, text);
      copyUTF16(result == kOk ? std::u16string_view(text) : std::u16string_view(), value, kString128Size);
      return result;
    });
  };
  v.unit.has_program_pitch_names = [](void* self, int32_t listId, int32_t index) -> v3_result {
    return call([&] { return effectOf(self)->hasProgramPitchNames(listId, index); });
  };
  v.unit.get_program_pitch_name = [](void* self, int32_t listId, int32_t index, int16_t pitch,
                                     v3_str_128 name) -> v3_result {
    if (!name)
      return kInvalidArgument;
    return call([&] {
      std::u16string text;
      const v3_result result = effectOf(self)->getProgramPitchName(listId, index, pitch, text);
      copyUTF16(result == kOk ? std::u16string_view(text) : std::u16string_view(), name, kString128Size);
      return result;
    });
  };
  v.unit.get_selected_unit = [](void* self) -> int32_t {
    return abi::guarded<int32_t>(kRootUnitId, [&] { return effectOf(self)->getSelectedUnit(); });
  };
  v.unit.select_unit = [](void* self, int32_t id) -> v3_result {
    return call([&] { return effectOf(self)->selectUnit(id); });
  };
  v.unit.get_unit_by_bus = [](void* self, int32_t type, int32_t direction, int32_t busIndex, int32_t channel,
                              int32_t* unitId) -> v3_result {
    if (!unitId)
      return kInvalidArgument;
    return call([&] { return effectOf(self)->getUnitByBus(type, direction, busIndex, channel, *unitId); });
  };
  v.unit.set_unit_program_data = [](void* self, int32_t listOrUnitId, int32_t programIndex,
                                    v3_bstream** data) -> v3_result {
    if (!data)
      return kInvalidArgument;
    return call([&] {
      Stream s(data);
      return effectOf(self)->setUnitProgramData(listOrUnitId, programIndex, s);
    });
  };
  return v;
}

// ---- IInfoListener ----

constexpr abi::info_listener_cpp makeInfoListenerVtable()
{
  abi::info_listener_cpp v{};
  abi::fillUnknown<Effect>(v);
  v.listener.set_channel_context_infos = [](void* self, v3_attribute_list** list) -> v3_result {
    if (!list)
      return kFalse;
    return call([&] {
      AttributeList attributes(list);
      return effectOf(self)->setChannelContextInfos(attributes);
    });
  };
  return v;
}

constexpr v3_component_cpp kComponentVtable = makeComponentVtable();
constexpr v3_audio_processor_cpp kProcessorVtable = makeProcessorVtable();
constexpr v3_edit_controller_cpp kControllerVtable = makeControllerVtable();
constexpr v3_midi_mapping_cpp kMidiMappingVtable = makeMidiMappingVtable();
constexpr v3_unit_information_cpp kUnitInfoVtable = makeUnitInfoVtable();
constexpr abi::info_listener_cpp kInfoListenerVtable = makeInfoListenerVtable();
} // namespace

SingleComponentEffect::SingleComponentEffect()
    : componentFace{&kComponentVtable, this}, processorFace{&kProcessorVtable, this},
      controllerFace{&kControllerVtable, this}, midiMappingFace{&kMidiMappingVtable, this},
      unitInfoFace{&kUnitInfoVtable, this}, infoListenerFace{&kInfoListenerVtable, this}
{
}

SingleComponentEffect::~SingleComponentEffect()
{
  releaseHostObjects();
}

v3_funknown** SingleComponentEffect::asUnknown()
{
  return reinterpret_cast<v3_funknown**>(&componentFace);
}

int32_t SingleComponentEffect::queryInterface(const uint8_t* iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (abi::sameId(iid, v3_funknown_iid) || abi::sameId(iid, v3_plugin_base_iid) ||
      abi::sameId(iid, v3_component_iid))
    return answer(&componentFace, obj);
  if (abi::sameId(iid, v3_audio_processor_iid))
    return answer(&processorFace, obj);
  if (abi::sameId(iid, v3_edit_controller_iid))
    return answer(&controllerFace, obj);
  if (abi::sameId(iid, v3_midi_mapping_iid))
    return answer(&midiMappingFace, obj);
  if (abi::sameId(iid, v3_unit_information_iid))
    return answer(&unitInfoFace, obj);
  if (abi::sameId(iid, abi::info_listener_iid))
    return answer(&infoListenerFace, obj);
  return FObject::queryInterface(iid, obj);
}

// ---- plug-in base ----

int32_t SingleComponentEffect::initialize(v3_funknown** context)
{
  if (initialised)
    return kFalse;
  initialised = true;
  hostContext = context;
  if (hostContext)
    abi::addRefHost(hostContext);
  return kOk;
}

int32_t SingleComponentEffect::terminate()
{
  removeAudioBusses();
  removeEventBusses();
  parameters.removeAll();
  units.clear();
  programLists.clear();
  selectedUnit = kRootUnitId;
  releaseHostObjects();
  initialised = false;
  return kOk;
}

void SingleComponentEffect::releaseHostObjects()
{
  if (componentHandler2)
    abi::releaseHost(componentHandler2);
  if (componentHandler)
    abi::releaseHost(componentHandler);
  if (hostContext)
    abi::releaseHost(hostContext);
  componentHandler2 = nullptr;
  componentHandler = nullptr;
  hostContext = nullptr;
}

// ---- IComponent ----

int32_t SingleComponentEffect::getControllerClassId(uint8_t*)
{
  return kNotImplemented;
}

int32_t SingleComponentEffect::setIoMode(int32_t)
{
  return kNotImplemented;
}

int32_t SingleComponentEffect::getBusCount(int32_t type, int32_t direction)
{
  const BusList* list = getBusList(type, direction);
  return list ? static_cast<int32_t>(list->size()) : 0;
}

int32_t SingleComponentEffect::getBusInfo(int32_t type, int32_t direction, int32_t index, Bus& bus)
{
  const Bus* found = getBus(type, direction, index);
  if (!found)
    return kInvalidArgument;
  bus = *found;
  return kOk;
}

int32_t SingleComponentEffect::getRoutingInfo(v3_routing_info&, v3_routing_info&)
{
  return kNotImplemented;
}

int32_t SingleComponentEffect::activateBus(int32_t type, int32_t direction, int32_t index, bool state)
{
  Bus* bus = getBus(type, direction, index);
  if (!bus)
    return kInvalidArgument;
  bus->active = state;
  return kOk;
}

int32_t SingleComponentEffect::setActive(bool)
{
  return kOk;
}

int32_t SingleComponentEffect::setState(Stream&)
{
  return kNotImplemented;
}

int32_t SingleComponentEffect::getState(Stream&)
{
  return kNotImplemented;
}

// ---- IAudioProcessor ----

int32_t SingleComponentEffect::setBusArrangements(const SpeakerArrangement* inputs, int32_t numInputs,
                                                  const SpeakerArrangement* outputs, int32_t numOutputs)
{
  if (size_t(numInputs) > audioInputs.size() || size_t(numOutputs) > audioOutputs.size())
    return kFalse;
  for (int32_t i = 0; i < numInputs; ++i)
    audioInputs[size_t(i)].arrangement = inputs[i];
  for (int32_t i = 0; i < numOutputs; ++i)
    audioOutputs[size_t(i)].arrangement = outputs[i];
  return kTrue;
}

int32_t SingleComponentEffect::getBusArrangement(int32_t direction, int32_t index, SpeakerArrangement& arrangement)
{
  const Bus* bus = getBus(kAudio, direction, index);
  if (!bus)
    return kInvalidArgument;
  arrangement = bus->arrangement;
  return kOk;
}

int32_t SingleComponentEffect::canProcessSampleSize(int32_t symbolicSampleSize)
{
  return symbolicSampleSize == kSample32 ? kTrue : kFalse;
}

uint32_t SingleComponentEffect::getLatencySamples()
{
  return 0;
}

int32_t SingleComponentEffect::setupProcessing(const ProcessSetup& setup)
{
  processSetup = setup;
  return kOk;
}

int32_t SingleComponentEffect::setProcessing(bool)
{
  return kOk;
}

int32_t SingleComponentEffect::process(v3_process_data&)
{
  return kOk;
}

uint32_t SingleComponentEffect::getTailSamples()
{
  return 0;
}

// ---- IEditController ----

int32_t SingleComponentEffect::setComponentState(Stream&)
{
  return kOk;
}

int32_t SingleComponentEffect::setEditorState(Stream&)
{
  return kOk;
}

int32_t SingleComponentEffect::getEditorState(Stream&)
{
  return kOk;
}

int32_t SingleComponentEffect::getParameterCount()
{
  return parameters.getParameterCount();
}

int32_t SingleComponentEffect::getParameterInfo(int32_t index, ParameterInfo& info)
{
  const Parameter* parameter = parameters.getParameterByIndex(index);
  if (!parameter)
    return kFalse;
  info = parameter->getInfo();
  return kOk;
}

int32_t SingleComponentEffect::getParamStringByValue(uint32_t id, double normalized, std::u16string& text)
{
  const Parameter* parameter = parameters.getParameter(id);
  if (!parameter)
    return kFalse;
  parameter->toString(normalized, text);
  return kOk;
}

int32_t SingleComponentEffect::getParamValueByString(uint32_t id, std::u16string_view text, double& normalized)
{
  const Parameter* parameter = parameters.getParameter(id);
  if (!parameter)
    return kFalse;
  return parameter->fromString(text, normalized) ? kTrue : kFalse;
}

double SingleComponentEffect::normalizedParamToPlain(uint32_t id, double normalized)
{
  const Parameter* parameter = parameters.getParameter(id);
  return parameter ? parameter->toPlain(normalized) : normalized;
}

double SingleComponentEffect::plainParamToNormalized(uint32_t id, double plain)
{
  const Parameter* parameter = parameters.getParameter(id);
  return parameter ? parameter->toNormalized(plain) : plain;
}

double SingleComponentEffect::getParamNormalized(uint32_t id)
{
  const Parameter* parameter = parameters.getParameter(id);
  return parameter ? parameter->getNormalized() : 0;
}

int32_t SingleComponentEffect::setParamNormalized(uint32_t id, double normalized)
{
  Parameter* parameter = parameters.getParameter(id);
  if (!parameter)
    return kFalse;
  parameter->setNormalized(normalized);
  return kTrue;
}

int32_t SingleComponentEffect::setComponentHandler(v3_component_handler** handler)
{
  if (handler == componentHandler)
    return kTrue;
  if (componentHandler2)
    abi::releaseHost(componentHandler2);
  if (componentHandler)
    abi::releaseHost(componentHandler);
  componentHandler = handler;
  componentHandler2 = nullptr;
  if (handler)
  {
    abi::addRefHost(handler);
    void* second = nullptr;
    if (abi::queryHost(handler, v3_component_handler2_iid, &second) == kOk && second)
      componentHandler2 = static_cast<v3_funknown**>(second);
  }
  return kTrue;
}

v3_plugin_view** SingleComponentEffect::createView(const char*)
{
  return nullptr;
}

// ---- IMidiMapping ----

int32_t SingleComponentEffect::getMidiControllerAssignment(int32_t, int16_t, int16_t, uint32_t&)
{
  return kFalse;
}

// ---- IUnitInfo ----

int32_t SingleComponentEffect::getUnitCount()
{
  return static_cast<int32_t>(units.size());
}

int32_t SingleComponentEffect::getUnitInfo(int32_t index, UnitInfo& info)
{
  if (index < 0 || size_t(index) >= units.size())
    return kFalse;
  info = units[size_t(index)]->getInfo();
  return kOk;
}

int32_t SingleComponentEffect::getProgramListCount()
{
  return static_cast<int32_t>(programLists.size());
}

int32_t SingleComponentEffect::getProgramListInfo(int32_t index, ProgramListInfo& info)
{
  if (index < 0 || size_t(index) >= programLists.size())
    return kFalse;
  info = programLists[size_t(index)]->getInfo();
  return kOk;
}

int32_t SingleComponentEffect::getProgramName(int32_t listId, int32_t index, std::u16string& name)
{
  const ProgramList* list = getProgramList(listId);
  return list && list->getProgramName(index, name) ? kOk : kFalse;
}

int32_t SingleComponentEffect::getProgramInfo(int32_t listId, int32_t index, const char* attributeId,
                                              std::u16string& value)
{
  const ProgramList* list = getProgramList(listId);
  return list && list->getProgramInfo(index, attributeId, value) ? kOk : kFalse;
}

int32_t SingleComponentEffect::hasProgramPitchNames(int32_t listId, int32_t index)
{
  const ProgramList* list = getProgramList(listId);
  return list && list->hasPitchNames(index) ? kTrue : kFalse;
}

int32_t SingleComponentEffect::getProgramPitchName(int32_t listId, int32_t index, int16_t pitch,
                                                   std::u16string& name)
{
  const ProgramList* list = getProgramList(listId);
  return list && list->getPitchName(index, pitch, name) ? kOk : kFalse;
}

int32_t SingleComponentEffect::getSelectedUnit()
{
  return selectedUnit;
}

int32_t SingleComponentEffect::selectUnit(int32_t id)
{
  selectedUnit = id;
  return kOk;
}

int32_t SingleComponentEffect::getUnitByBus(int32_t, int32_t, int32_t, int32_t, int32_t&)
{
  return kFalse;
}

int32_t SingleComponentEffect::setUnitProgramData(int32_t, int32_t, Stream&)
{
  return kNotImplemented;
}

// ---- IInfoListener ----

int32_t SingleComponentEffect::setChannelContextInfos(AttributeList&)
{
  return kOk;
}

// ---- Buses ----

namespace
{
Bus makeBus(std::u16string_view name, int32_t type, int32_t direction, int32_t busType, uint32_t flags)
{
  Bus bus;
  bus.name = name;
  bus.mediaType = type;
  bus.direction = direction;
  bus.busType = busType;
  bus.flags = flags;
  bus.active = (flags & kDefaultActive) != 0;
  return bus;
}
} // namespace

Bus& SingleComponentEffect::addAudioInput(std::u16string_view name, SpeakerArrangement arrangement, int32_t busType,
                                          uint32_t flags)
{
  Bus& bus = audioInputs.emplace_back(makeBus(name, kAudio, kInput, busType, flags));
  bus.arrangement = arrangement;
  return bus;
}

Bus& SingleComponentEffect::addAudioOutput(std::u16string_view name, SpeakerArrangement arrangement,
                                           int32_t busType, uint32_t flags)
{
  Bus& bus = audioOutputs.emplace_back(makeBus(name, kAudio, kOutput, busType, flags));
  bus.arrangement = arrangement;
  return bus;
}

Bus& SingleComponentEffect::addEventInput(std::u16string_view name, int32_t channels, int32_t busType,
                                          uint32_t flags)
{
  Bus& bus = eventInputs.emplace_back(makeBus(name, kEvent, kInput, busType, flags));
  bus.eventChannels = channels;
  return bus;
}

Bus& SingleComponentEffect::addEventOutput(std::u16string_view name, int32_t channels, int32_t busType,
                                           uint32_t flags)
{
  Bus& bus = eventOutputs.emplace_back(makeBus(name, kEvent, kOutput, busType, flags));
  bus.eventChannels = channels;
  return bus;
}

void SingleComponentEffect::removeAudioBusses()
{
  audioInputs.clear();
  audioOutputs.clear();
}

void SingleComponentEffect::removeEventBusses()
{
  eventInputs.clear();
  eventOutputs.clear();
}

BusList* SingleComponentEffect::getBusList(int32_t type, int32_t direction)
{
  if (type == kAudio)
    return direction == kInput ? &audioInputs : direction == kOutput ? &audioOutputs : nullptr;
  if (type == kEvent)
    return direction == kInput ? &eventInputs : direction == kOutput ? &eventOutputs : nullptr;
  return nullptr;
}

Bus* SingleComponentEffect::getBus(int32_t type, int32_t direction, int32_t index)
{
  BusList* list = getBusList(type, direction);
  if (!list || index < 0 || size_t(index) >= list->size())
    return nullptr;
  return &(*list)[size_t(index)];
}

// ---- Units and program lists ----

Unit* SingleComponentEffect::addUnit(std::unique_ptr<Unit> unit)
{
  if (!unit)
    return nullptr;
  units.push_back(std::move(unit));
  return units.back().get();
}

Unit* SingleComponentEffect::addUnit(const UnitInfo& info)
{
  return addUnit(std::make_unique<Unit>(info));
}

ProgramList* SingleComponentEffect::addProgramList(std::unique_ptr<ProgramList> list)
{
  if (!list || getProgramList(list->getId()))
    return nullptr;
  programLists.push_back(std::move(list));
  return programLists.back().get();
}

ProgramList* SingleComponentEffect::getProgramList(int32_t id) const
{
  for (const auto& list : programLists)
    if (list->getId() == id)
      return list.get();
  return nullptr;
}

// ---- The host ----

bool SingleComponentEffect::getHostApplicationName(std::string& name) const
{
  if (!hostContext)
    return false;
  void* found = nullptr;
  if (abi::queryHost(hostContext, v3_host_application_iid, &found) != kOk || !found)
    return false;
  auto** application = static_cast<v3_host_application**>(found);
  int16_t text[kString128Size] = {};
  const v3_result result = abi::vtableOf<v3_host_application_cpp>(application)->app.get_name(application, text);
  abi::releaseHost(application);
  if (result != kOk)
    return false;
  name = toUTF8(fromUTF16(text, kString128Size));
  return true;
}

// ---- The component handler ----

int32_t SingleComponentEffect::beginEdit(uint32_t id)
{
  if (!componentHandler)
    return kFalse;
  return abi::vtableOf<abi::component_handler_cpp>(componentHandler)->handler.begin_edit(componentHandler, id);
}

int32_t SingleComponentEffect::performEdit(uint32_t id, double normalized)
{
  if (!componentHandler)
    return kFalse;
  return abi::vtableOf<abi::component_handler_cpp>(componentHandler)
      ->handler.perform_edit(componentHandler, id, normalized);
}

int32_t SingleComponentEffect::endEdit(uint32_t id)
{
  if (!componentHandler)
    return kFalse;
  return abi::vtableOf<abi::component_handler_cpp>(componentHandler)->handler.end_edit(componentHandler, id);
}

int32_t SingleComponentEffect::restartComponent(int32_t flags)
{
  if (!componentHandler)
    return kFalse;
  return abi::vtableOf<abi::component_handler_cpp>(componentHandler)
      ->handler.restart_component(componentHandler, flags);
}

int32_t SingleComponentEffect::startGroupEdit()
{
  if (!componentHandler2)
    return kFalse;
  return abi::vtableOf<abi::component_handler2_cpp>(componentHandler2)->handler2.start_group_edit(componentHandler2);
}

int32_t SingleComponentEffect::finishGroupEdit()
{
  if (!componentHandler2)
    return kFalse;
  return abi::vtableOf<abi::component_handler2_cpp>(componentHandler2)
      ->handler2.finish_group_edit(componentHandler2);
}

ContextMenu SingleComponentEffect::createContextMenu(v3_plugin_view** view, const uint32_t* paramId)
{
  if (!componentHandler)
    return ContextMenu();
  void* found = nullptr;
  if (abi::queryHost(componentHandler, abi::component_handler3_iid, &found) != kOk || !found)
    return ContextMenu();
  auto** handler3 = static_cast<abi::component_handler3_cpp**>(found);
  abi::context_menu** menu = (*handler3)->handler3.create_context_menu(handler3, view, paramId);
  abi::releaseHost(handler3);
  return ContextMenu(menu);
}
} // namespace VST3
