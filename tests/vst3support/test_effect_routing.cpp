// Every function of every interface table of SingleComponentEffect reaches
// the virtual method it stands for, with its arguments in place. A host calls
// through the tables exactly like this.

#include "VST3SingleComponentEffect.h"
#include "host_fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
using VST3::AttributeList;
using VST3::Bus;
using VST3::ParameterInfo;
using VST3::ProcessSetup;
using VST3::SpeakerArrangement;
using VST3::Stream;

std::string str(double v)
{
  return std::to_string(v);
}

// Records each call as "name args" and answers with values the test can
// recognise.
class RecordingEffect : public VST3::SingleComponentEffect
{
public:
  std::string last;
  void* lastPointer = nullptr;

  int32_t note(std::string call, void* pointer = nullptr)
  {
    last = std::move(call);
    lastPointer = pointer;
    return VST3::kOk;
  }

  int32_t initialize(v3_funknown** context) override { return note("initialize", context); }
  int32_t terminate() override { return note("terminate"); }
  int32_t getControllerClassId(uint8_t* id) override { return note("getControllerClassId", id); }
  int32_t setIoMode(int32_t mode) override { return note("setIoMode " + std::to_string(mode)); }
  int32_t getBusCount(int32_t type, int32_t dir) override
  {
    note("getBusCount " + std::to_string(type) + " " + std::to_string(dir));
    return 42;
  }
  int32_t getBusInfo(int32_t type, int32_t dir, int32_t index, Bus& bus) override
  {
    bus.name = u"Bus";
    bus.arrangement = 0x7;
    return note("getBusInfo " + std::to_string(type) + " " + std::to_string(dir) + " " + std::to_string(index));
  }
  int32_t getRoutingInfo(v3_routing_info& in, v3_routing_info&) override { return note("getRoutingInfo", &in); }
  int32_t activateBus(int32_t type, int32_t dir, int32_t index, bool state) override
  {
    return note("activateBus " + std::to_string(type) + " " + std::to_string(dir) + " " + std::to_string(index) +
                " " + std::to_string(state));
  }
  int32_t setActive(bool state) override { return note("setActive " + std::to_string(state)); }
  int32_t setState(Stream& s) override { return note("setState", s.get()); }
  int32_t getState(Stream& s) override { return note("getState", s.get()); }
  int32_t setBusArrangements(const SpeakerArrangement* in, int32_t nIn, const SpeakerArrangement* out,
                             int32_t nOut) override
  {
    return note("setBusArrangements " + std::to_string(in[0]) + " " + std::to_string(nIn) + " " +
                std::to_string(out[0]) + " " + std::to_string(nOut));
  }
  int32_t getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement& arrangement) override
  {
    arrangement = 0x3F;
    return note("getBusArrangement " + std::to_string(dir) + " " + std::to_string(index));
  }
  int32_t canProcessSampleSize(int32_t size) override { return note("canProcessSampleSize " + std::to_string(size)); }
  uint32_t getLatencySamples() override
  {
    note("getLatencySamples");
    return 123;
  }
  int32_t setupProcessing(const ProcessSetup& s) override
  {
    return note("setupProcessing " + std::to_string(s.processMode) + " " + std::to_string(s.symbolicSampleSize) +
                " " + std::to_string(s.maxSamplesPerBlock) + " " + str(s.sampleRate));
  }
  int32_t setProcessing(bool state) override { return note("setProcessing " + std::to_string(state)); }
  int32_t process(v3_process_data& data) override { return note("process", &data); }
  uint32_t getTailSamples() override
  {
    note("getTailSamples");
    return 456;
  }
  int32_t setComponentState(Stream& s) override { return note("setComponentState", s.get()); }
  int32_t setEditorState(Stream& s) override { return note("setEditorState", s.get()); }
  int32_t getEditorState(Stream& s) override { return note("getEditorState", s.get()); }
  int32_t getParameterCount() override
  {
    note("getParameterCount");
    return 77;
  }
  int32_t getParameterInfo(int32_t index, ParameterInfo& info) override
  {
    info.id = 99;
    return note("getParameterInfo " + std::to_string(index));
  }
  int32_t getParamStringByValue(uint32_t id, double v, std::u16string& text) override
  {
    text = u"text";
    return note("getParamStringByValue " + std::to_string(id) + " " + str(v));
  }
  int32_t getParamValueByString(uint32_t id, std::u16string_view text, double& v) override
  {
    v = 0.25;
    return note("getParamValueByString " + std::to_string(id) + " " + VST3::toUTF8(text));
  }
  double normalizedParamToPlain(uint32_t id, double v) override
  {
    note("normalizedParamToPlain " + std::to_string(id) + " " + str(v));
    return 10;
  }
  double plainParamToNormalized(uint32_t id, double v) override
  {
    note("plainParamToNormalized " + std::to_string(id) + " " + str(v));
    return 0.1;
  }
  double getParamNormalized(uint32_t id) override
  {
    note("getParamNormalized " + std::to_string(id));
    return 0.75;
  }
  int32_t setParamNormalized(uint32_t id, double v) override
  {
    return note("setParamNormalized " + std::to_string(id) + " " + str(v));
  }
  int32_t setComponentHandler(v3_component_handler** h) override { return note("setComponentHandler", h); }
  v3_plugin_view** createView(const char* name) override
  {
    note(std::string("createView ") + name);
    return nullptr;
  }
  int32_t getMidiControllerAssignment(int32_t bus, int16_t channel, int16_t cc, uint32_t& id) override
  {
    id = 65539;
    return note("getMidiControllerAssignment " + std::to_string(bus) + " " + std::to_string(channel) + " " +
                std::to_string(cc));
  }
  int32_t getUnitCount() override
  {
    note("getUnitCount");
    return 3;
  }
  int32_t getUnitInfo(int32_t index, VST3::UnitInfo& info) override
  {
    info.name = u"Unit";
    return note("getUnitInfo " + std::to_string(index));
  }
  int32_t getProgramListCount() override
  {
    note("getProgramListCount");
    return 1;
  }
  int32_t getProgramListInfo(int32_t index, VST3::ProgramListInfo& info) override
  {
    info.programCount = 64;
    return note("getProgramListInfo " + std::to_string(index));
  }
  int32_t getProgramName(int32_t list, int32_t index, std::u16string& name) override
  {
    name = u"Strings";
    return note("getProgramName " + std::to_string(list) + " " + std::to_string(index));
  }
  int32_t getProgramInfo(int32_t list, int32_t index, const char* attribute, std::u16string&) override
  {
    return note("getProgramInfo " + std::to_string(list) + " " + std::to_string(index) + " " + attribute);
  }
  int32_t hasProgramPitchNames(int32_t list, int32_t index) override
  {
    return note("hasProgramPitchNames " + std::to_string(list) + " " + std::to_string(index));
  }
  int32_t getProgramPitchName(int32_t list, int32_t index, int16_t pitch, std::u16string&) override
  {
    return note("getProgramPitchName " + std::to_string(list) + " " + std::to_string(index) + " " +
                std::to_string(pitch));
  }
  int32_t getSelectedUnit() override
  {
    note("getSelectedUnit");
    return 5;
  }
  int32_t selectUnit(int32_t id) override { return note("selectUnit " + std::to_string(id)); }
  int32_t getUnitByBus(int32_t type, int32_t dir, int32_t bus, int32_t channel, int32_t&) override
  {
    return note("getUnitByBus " + std::to_string(type) + " " + std::to_string(dir) + " " + std::to_string(bus) + " " +
                std::to_string(channel));
  }
  int32_t setUnitProgramData(int32_t list, int32_t index, Stream& s) override
  {
    return note("setUnitProgramData " + std::to_string(list) + " " + std::to_string(index), s.get());
  }
  int32_t setChannelContextInfos(AttributeList& list) override { return note("setChannelContextInfos", list.get()); }
};

template <class Table, class T>
Table* tableOf(T** obj)
{
  return *reinterpret_cast<Table**>(obj);
}

template <class T>
T** query(VST3::FObject& object, v3_funknown** unknown, const v3_tuid iid)
{
  void* face = nullptr;
  EXPECT_EQ(tableOf<v3_funknown>(unknown)->query_interface(unknown, iid, &face), V3_OK);
  EXPECT_NE(face, nullptr);
  object.release();
  return static_cast<T**>(face);
}

struct Case
{
  std::string expected;
  std::function<void()> call;
};

class EffectRouting : public ::testing::Test
{
protected:
  RecordingEffect* effect = new RecordingEffect;
  v3_funknown** unknown = effect->asUnknown();
  v3_component** component = query<v3_component>(*effect, unknown, v3_component_iid);
  v3_audio_processor** processor = query<v3_audio_processor>(*effect, unknown, v3_audio_processor_iid);
  v3_edit_controller** controller = query<v3_edit_controller>(*effect, unknown, v3_edit_controller_iid);
  v3_midi_mapping** mapping = query<v3_midi_mapping>(*effect, unknown, v3_midi_mapping_iid);
  v3_unit_information** units = query<v3_unit_information>(*effect, unknown, v3_unit_information_iid);
  VST3::abi::info_listener** listener =
      query<VST3::abi::info_listener>(*effect, unknown, VST3::abi::info_listener_iid);

  ~EffectRouting() override { effect->release(); }

  v3_component_cpp* c() { return tableOf<v3_component_cpp>(component); }
  v3_audio_processor_cpp* p() { return tableOf<v3_audio_processor_cpp>(processor); }
  v3_edit_controller_cpp* e() { return tableOf<v3_edit_controller_cpp>(controller); }
  v3_unit_information_cpp* u() { return tableOf<v3_unit_information_cpp>(units); }

  void run(const std::vector<Case>& cases)
  {
    for (const Case& c : cases)
    {
      effect->last.clear();
      c.call();
      EXPECT_EQ(effect->last, c.expected);
    }
  }
};

// Every word of a table is a function: a slot left empty would crash the
// host that calls it.
template <class Table, class T>
void expectNoEmptySlot(T** face, const char* name)
{
  const auto* words = reinterpret_cast<void* const*>(tableOf<Table>(face));
  for (size_t i = 0; i < sizeof(Table) / sizeof(void*); ++i)
    EXPECT_NE(words[i], nullptr) << name << " slot " << i;
}
} // namespace

TEST_F(EffectRouting, EveryTableIsCompletelyFilled)
{
  expectNoEmptySlot<v3_component_cpp>(component, "IComponent");
  expectNoEmptySlot<v3_audio_processor_cpp>(processor, "IAudioProcessor");
  expectNoEmptySlot<v3_edit_controller_cpp>(controller, "IEditController");
  expectNoEmptySlot<v3_midi_mapping_cpp>(mapping, "IMidiMapping");
  expectNoEmptySlot<v3_unit_information_cpp>(units, "IUnitInfo");
  expectNoEmptySlot<VST3::abi::info_listener_cpp>(listener, "IInfoListener");
}

TEST_F(EffectRouting, ComponentCallsReachTheirMethods)
{
  fakes::MemoryStream stream;
  v3_tuid cid{};
  v3_routing_info in{}, out{};
  v3_funknown** context = reinterpret_cast<v3_funknown**>(&stream);
  run({
      {"initialize", [&] { c()->base.initialize(component, context); }},
      {"terminate", [&] { c()->base.terminate(component); }},
      {"getControllerClassId", [&] { c()->comp.get_controller_class_id(component, cid); }},
      {"setIoMode 2", [&] { c()->comp.set_io_mode(component, 2); }},
      {"getBusCount 1 0", [&] { EXPECT_EQ(c()->comp.get_bus_count(component, 1, 0), 42); }},
      {"getBusInfo 0 1 3",
       [&] {
         v3_bus_info info{};
         c()->comp.get_bus_info(component, 0, 1, 3, &info);
         EXPECT_EQ(info.channel_count, 3);
         EXPECT_EQ(info.bus_name[0], 'B');
       }},
      {"getRoutingInfo", [&] { c()->comp.get_routing_info(component, &in, &out); }},
      {"activateBus 1 1 2 1", [&] { c()->comp.activate_bus(component, 1, 1, 2, 1); }},
      {"setActive 1", [&] { c()->comp.set_active(component, 1); }},
      {"setState", [&] { c()->comp.set_state(component, stream.get()); }},
      {"getState", [&] { c()->comp.get_state(component, stream.get()); }},
  });
  // The stream reaches the method as the host passed it.
  c()->comp.get_state(component, stream.get());
  EXPECT_EQ(effect->lastPointer, stream.get());
  c()->base.initialize(component, context);
  EXPECT_EQ(effect->lastPointer, context);
}

TEST_F(EffectRouting, ProcessorCallsReachTheirMethods)
{
  SpeakerArrangement in = 0x80000, out = 0x3;
  v3_process_setup setup{2, 1, 512, 48000};
  v3_process_data data{};
  run({
      {"setBusArrangements 524288 1 3 1", [&] { p()->proc.set_bus_arrangements(processor, &in, 1, &out, 1); }},
      {"getBusArrangement 1 0",
       [&] {
         SpeakerArrangement a = 0;
         p()->proc.get_bus_arrangement(processor, 1, 0, &a);
         EXPECT_EQ(a, 0x3Fu);
       }},
      {"canProcessSampleSize 1", [&] { p()->proc.can_process_sample_size(processor, 1); }},
      {"getLatencySamples", [&] { EXPECT_EQ(p()->proc.get_latency_samples(processor), 123u); }},
      {"setupProcessing 2 1 512 48000.000000", [&] { p()->proc.setup_processing(processor, &setup); }},
      {"setProcessing 0", [&] { p()->proc.set_processing(processor, 0); }},
      {"process", [&] { p()->proc.process(processor, &data); }},
      {"getTailSamples", [&] { EXPECT_EQ(p()->proc.get_tail_samples(processor), 456u); }},
  });
  p()->proc.process(processor, &data);
  EXPECT_EQ(effect->lastPointer, &data);
}

TEST_F(EffectRouting, ControllerCallsReachTheirMethods)
{
  fakes::MemoryStream stream;
  fakes::ComponentHandler handler;
  run({
      {"initialize", [&] { e()->base.initialize(controller, nullptr); }},
      {"terminate", [&] { e()->base.terminate(controller); }},
      {"setComponentState", [&] { e()->ctrl.set_component_state(controller, stream.get()); }},
      {"setEditorState", [&] { e()->ctrl.set_state(controller, stream.get()); }},
      {"getEditorState", [&] { e()->ctrl.get_state(controller, stream.get()); }},
      {"getParameterCount", [&] { EXPECT_EQ(e()->ctrl.get_parameter_count(controller), 77); }},
      {"getParameterInfo 4",
       [&] {
         v3_param_info info{};
         e()->ctrl.get_parameter_info(controller, 4, &info);
         EXPECT_EQ(info.param_id, 99u);
       }},
      {"getParamStringByValue 7 0.500000",
       [&] {
         v3_str_128 text{};
         e()->ctrl.get_parameter_string_for_value(controller, 7, 0.5, text);
         EXPECT_EQ(VST3::fromUTF16(text, 128), u"text");
       }},
      {"getParamValueByString 8 1.5",
       [&] {
         int16_t text[] = {'1', '.', '5', 0};
         double v = 0;
         e()->ctrl.get_parameter_value_for_string(controller, 8, text, &v);
         EXPECT_EQ(v, 0.25);
       }},
      {"normalizedParamToPlain 9 0.200000",
       [&] { EXPECT_EQ(e()->ctrl.normalised_parameter_to_plain(controller, 9, 0.2), 10); }},
      {"plainParamToNormalized 10 3.000000",
       [&] { EXPECT_EQ(e()->ctrl.plain_parameter_to_normalised(controller, 10, 3), 0.1); }},
      {"getParamNormalized 11", [&] { EXPECT_EQ(e()->ctrl.get_parameter_normalised(controller, 11), 0.75); }},
      {"setParamNormalized 12 0.300000", [&] { e()->ctrl.set_parameter_normalised(controller, 12, 0.3); }},
      {"setComponentHandler", [&] { e()->ctrl.set_component_handler(controller, handler.get()); }},
      {"createView editor", [&] { e()->ctrl.create_view(controller, "editor"); }},
      {"getMidiControllerAssignment 0 2 129",
       [&] {
         v3_param_id id = 0;
         tableOf<v3_midi_mapping_cpp>(mapping)->map.get_midi_controller_assignment(mapping, 0, 2, 129, &id);
         EXPECT_EQ(id, 65539u);
       }},
      {"setChannelContextInfos",
       [&] {
         fakes::AttributeList list;
         tableOf<VST3::abi::info_listener_cpp>(listener)->listener.set_channel_context_infos(listener, list.get());
       }},
  });
  e()->ctrl.set_component_handler(controller, handler.get());
  EXPECT_EQ(effect->lastPointer, handler.get());
}

TEST_F(EffectRouting, UnitInfoCallsReachTheirMethods)
{
  fakes::MemoryStream stream;
  v3_str_128 text{};
  run({
      {"getUnitCount", [&] { EXPECT_EQ(u()->unit.get_unit_count(units), 3); }},
      {"getUnitInfo 2",
       [&] {
         v3_unit_info info{};
         u()->unit.get_unit_info(units, 2, &info);
         EXPECT_EQ(VST3::fromUTF16(info.name, 128), u"Unit");
       }},
      {"getProgramListCount", [&] { EXPECT_EQ(u()->unit.get_program_list_count(units), 1); }},
      {"getProgramListInfo 0",
       [&] {
         v3_program_list_info info{};
         u()->unit.get_program_list_info(units, 0, &info);
         EXPECT_EQ(info.programCount, 64);
       }},
      {"getProgramName 65537 3",
       [&] {
         u()->unit.get_program_name(units, 65537, 3, text);
         EXPECT_EQ(VST3::fromUTF16(text, 128), u"Strings");
       }},
      {"getProgramInfo 65537 4 MusicalStyle", [&] { u()->unit.get_program_info(units, 65537, 4, "MusicalStyle", text); }},
      {"hasProgramPitchNames 65537 5", [&] { u()->unit.has_program_pitch_names(units, 65537, 5); }},
      {"getProgramPitchName 65537 6 60", [&] { u()->unit.get_program_pitch_name(units, 65537, 6, 60, text); }},
      {"getSelectedUnit", [&] { EXPECT_EQ(u()->unit.get_selected_unit(units), 5); }},
      {"selectUnit 2", [&] { u()->unit.select_unit(units, 2); }},
      {"getUnitByBus 1 0 0 3",
       [&] {
         int32_t unit = 0;
         u()->unit.get_unit_by_bus(units, 1, 0, 0, 3, &unit);
       }},
      {"setUnitProgramData 65537 7", [&] { u()->unit.set_unit_program_data(units, 65537, 7, stream.get()); }},
  });
}

TEST_F(EffectRouting, NullHostPointersAreRefusedBeforeTheMethod)
{
  run({
      {"", [&] { EXPECT_EQ(c()->comp.get_bus_info(component, 0, 1, 0, nullptr), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(c()->comp.set_state(component, nullptr), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(c()->comp.get_state(component, nullptr), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(p()->proc.setup_processing(processor, nullptr), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(p()->proc.process(processor, nullptr), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(p()->proc.set_bus_arrangements(processor, nullptr, 1, nullptr, 0), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(p()->proc.set_bus_arrangements(processor, nullptr, 0, nullptr, -1), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(e()->ctrl.get_parameter_info(controller, 0, nullptr), V3_INVALID_ARG); }},
      {"", [&] { EXPECT_EQ(e()->ctrl.create_view(controller, nullptr), nullptr); }},
      {"", [&] { EXPECT_EQ(u()->unit.get_unit_info(units, 0, nullptr), V3_INVALID_ARG); }},
      {"",
       [&] {
         auto* t = tableOf<VST3::abi::info_listener_cpp>(listener);
         EXPECT_EQ(t->listener.set_channel_context_infos(listener, nullptr), V3_FALSE);
       }},
  });
}

namespace
{
class ThrowingEffect : public VST3::SingleComponentEffect
{
public:
  int32_t getParameterCount() override { throw std::runtime_error("boom"); }
  int32_t setActive(bool) override { throw std::bad_alloc(); }
};
} // namespace

TEST(EffectBoundary, NothingThrownReachesTheHost)
{
  auto* effect = new ThrowingEffect;
  void* face = nullptr;
  effect->queryInterface(v3_edit_controller_iid, &face);
  auto** controller = static_cast<v3_edit_controller**>(face);
  EXPECT_EQ(tableOf<v3_edit_controller_cpp>(controller)->ctrl.get_parameter_count(controller), 0);
  auto** component = reinterpret_cast<v3_component**>(effect->asUnknown());
  EXPECT_EQ(tableOf<v3_component_cpp>(component)->comp.set_active(component, 1), V3_INTERNAL_ERR);
  tableOf<v3_edit_controller_cpp>(controller)->unref(controller);
  effect->release();
}
