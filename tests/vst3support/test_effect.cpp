// SingleComponentEffect's own behaviour as a host sees it: interfaces and
// reference counts, buses, parameters, units and program lists, the host
// context and the component handler.

#include "VST3SingleComponentEffect.h"
#include "host_fakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

namespace
{
template <class Table, class T>
Table* tableOf(T** obj)
{
  return *reinterpret_cast<Table**>(obj);
}

// A small instrument-like effect: one stereo output, MIDI in and out, a few
// parameters, two units and a program list.
class TestEffect : public VST3::SingleComponentEffect
{
public:
  explicit TestEffect(bool* destroyed = nullptr) : destroyed(destroyed) {}
  ~TestEffect() override
  {
    if (destroyed)
      *destroyed = true;
  }

  int32_t initialize(v3_funknown** context) override
  {
    const int32_t result = SingleComponentEffect::initialize(context);
    if (result != VST3::kOk)
      return result;
    addAudioOutput(u"Output", VST3::kSpeakerStereo);
    addAudioOutput(u"Aux", VST3::kSpeakerMono, VST3::kAux, 0);
    addEventInput(u"MIDI Input", 1);
    addEventOutput(u"MIDI Output", 1);

    addUnit(VST3::UnitInfo{0, -1, u"Root", 65537});
    addUnit(VST3::UnitInfo{2, 0, u"MIDI CCs", -1});

    auto list = std::make_unique<VST3::ProgramList>(u"Factory Presets", 65537);
    list->addProgram(u"Strings 1");
    list->addProgram(u"Strings 2");
    list->setPitchName(1, 36, u"Kick");
    addProgramList(std::move(list));

    VST3::ParameterInfo volume;
    volume.id = 7;
    volume.title = u"Volume";
    volume.shortTitle = u"Vol";
    volume.units = u"dB";
    volume.defaultNormalizedValue = 0.8;
    volume.unitId = 0;
    volume.flags = VST3::ParameterInfo::kCanAutomate;
    parameters.addParameter(volume);

    auto mode = std::make_unique<VST3::StringListParameter>(u"Mode", 3);
    mode->appendString(u"Poly");
    mode->appendString(u"Mono");
    mode->appendString(u"GOD");
    parameters.addParameter(std::move(mode));
    parameters.addParameter(std::make_unique<VST3::Parameter>(u"Gate", 65538, u"", 0, 1, 0, 2));
    return result;
  }

  using SingleComponentEffect::beginEdit;
  using SingleComponentEffect::createContextMenu;
  using SingleComponentEffect::endEdit;
  using SingleComponentEffect::finishGroupEdit;
  using SingleComponentEffect::getHostApplicationName;
  using SingleComponentEffect::getHostContext;
  using SingleComponentEffect::performEdit;
  using SingleComponentEffect::restartComponent;
  using SingleComponentEffect::startGroupEdit;

private:
  bool* destroyed;
};

// The host's view of one effect: its interfaces, fetched as a host fetches
// them.
struct Host
{
  TestEffect* effect;
  v3_component** component;
  v3_audio_processor** processor;
  v3_edit_controller** controller;
  v3_unit_information** units;

  explicit Host(TestEffect* e, v3_funknown** context = nullptr) : effect(e)
  {
    auto** unknown = e->asUnknown();
    component = get<v3_component>(unknown, v3_component_iid);
    processor = get<v3_audio_processor>(unknown, v3_audio_processor_iid);
    controller = get<v3_edit_controller>(unknown, v3_edit_controller_iid);
    units = get<v3_unit_information>(unknown, v3_unit_information_iid);
    EXPECT_EQ(c()->base.initialize(component, context), V3_OK);
  }
  ~Host()
  {
    c()->base.terminate(component);
    for (auto** face : {reinterpret_cast<v3_funknown**>(component), reinterpret_cast<v3_funknown**>(processor),
                        reinterpret_cast<v3_funknown**>(controller), reinterpret_cast<v3_funknown**>(units)})
      tableOf<v3_funknown>(face)->unref(face);
    effect->release();
  }

  template <class T>
  static T** get(v3_funknown** unknown, const v3_tuid iid)
  {
    void* face = nullptr;
    EXPECT_EQ(tableOf<v3_funknown>(unknown)->query_interface(unknown, iid, &face), V3_OK);
    return static_cast<T**>(face);
  }

  v3_component_cpp* c() { return tableOf<v3_component_cpp>(component); }
  v3_audio_processor_cpp* p() { return tableOf<v3_audio_processor_cpp>(processor); }
  v3_edit_controller_cpp* e() { return tableOf<v3_edit_controller_cpp>(controller); }
  v3_unit_information_cpp* u() { return tableOf<v3_unit_information_cpp>(units); }
};

std::u16string text(const int16_t* field)
{
  return VST3::fromUTF16(field, 128);
}
} // namespace

TEST(Effect, AnswersEveryInterfaceWithOneReferenceEach)
{
  bool destroyed = false;
  auto* effect = new TestEffect(&destroyed);
  v3_funknown** unknown = effect->asUnknown();
  auto* table = tableOf<v3_funknown>(unknown);

  const uint8_t* ids[] = {v3_funknown_iid,     v3_plugin_base_iid,     v3_component_iid,
                          v3_audio_processor_iid, v3_edit_controller_iid, v3_midi_mapping_iid,
                          v3_unit_information_iid, VST3::abi::info_listener_iid};
  std::vector<void*> faces;
  for (const uint8_t* id : ids)
  {
    void* face = nullptr;
    EXPECT_EQ(table->query_interface(unknown, id, &face), V3_OK);
    ASSERT_NE(face, nullptr);
    faces.push_back(face);
  }
  EXPECT_EQ(effect->getRefCount(), 1u + std::size(ids));

  // FUnknown is the object's identity: the same face however it is asked.
  EXPECT_EQ(faces[0], unknown);
  EXPECT_EQ(faces[1], unknown);
  EXPECT_EQ(faces[2], unknown);
  // Each interface's own face answers queries for the others too.
  void* again = nullptr;
  auto** controller = static_cast<v3_funknown**>(faces[4]);
  EXPECT_EQ(tableOf<v3_funknown>(controller)->query_interface(controller, v3_funknown_iid, &again), V3_OK);
  EXPECT_EQ(again, unknown);
  tableOf<v3_funknown>(controller)->unref(controller);

  // Interfaces the effect lacks are refused with a null answer.
  void* missing = reinterpret_cast<void*>(1);
  EXPECT_EQ(table->query_interface(unknown, v3_plugin_view_iid, &missing), V3_NO_INTERFACE);
  EXPECT_EQ(missing, nullptr);
  EXPECT_EQ(table->query_interface(unknown, v3_process_context_requirements_iid, &missing), V3_NO_INTERFACE);

  // add_ref and release report the count; the last release destroys.
  EXPECT_EQ(table->ref(unknown), 2u + std::size(ids));
  EXPECT_EQ(table->unref(unknown), 1u + std::size(ids));
  for (void* face : faces)
  {
    auto** f = static_cast<v3_funknown**>(face);
    tableOf<v3_funknown>(f)->unref(f);
  }
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(table->unref(unknown), 0u);
  EXPECT_TRUE(destroyed);
}

TEST(Effect, ReportsItsBusesAsDeclared)
{
  Host host(new TestEffect);
  EXPECT_EQ(host.c()->comp.get_bus_count(host.component, V3_AUDIO, V3_INPUT), 0);
  EXPECT_EQ(host.c()->comp.get_bus_count(host.component, V3_AUDIO, V3_OUTPUT), 2);
  EXPECT_EQ(host.c()->comp.get_bus_count(host.component, V3_EVENT, V3_INPUT), 1);
  EXPECT_EQ(host.c()->comp.get_bus_count(host.component, V3_EVENT, V3_OUTPUT), 1);
  EXPECT_EQ(host.c()->comp.get_bus_count(host.component, 7, V3_OUTPUT), 0);

  struct Expected
  {
    int32_t type, direction, index;
    std::u16string name;
    int32_t channels, busType;
    uint32_t flags;
  };
  for (const Expected& x : {Expected{V3_AUDIO, V3_OUTPUT, 0, u"Output", 2, V3_MAIN, V3_DEFAULT_ACTIVE},
                            Expected{V3_AUDIO, V3_OUTPUT, 1, u"Aux", 1, V3_AUX, 0},
                            Expected{V3_EVENT, V3_INPUT, 0, u"MIDI Input", 1, V3_MAIN, V3_DEFAULT_ACTIVE},
                            Expected{V3_EVENT, V3_OUTPUT, 0, u"MIDI Output", 1, V3_MAIN, V3_DEFAULT_ACTIVE}})
  {
    v3_bus_info info{};
    ASSERT_EQ(host.c()->comp.get_bus_info(host.component, x.type, x.direction, x.index, &info), V3_OK);
    EXPECT_EQ(info.media_type, x.type);
    EXPECT_EQ(info.direction, x.direction);
    EXPECT_EQ(info.channel_count, x.channels);
    EXPECT_EQ(text(info.bus_name), x.name);
    EXPECT_EQ(info.bus_type, x.busType);
    EXPECT_EQ(info.flags, x.flags);
  }
  v3_bus_info info{};
  EXPECT_EQ(host.c()->comp.get_bus_info(host.component, V3_AUDIO, V3_OUTPUT, 2, &info), V3_INVALID_ARG);
  EXPECT_EQ(host.c()->comp.get_bus_info(host.component, V3_AUDIO, V3_INPUT, 0, &info), V3_INVALID_ARG);
  EXPECT_EQ(host.c()->comp.get_bus_info(host.component, V3_EVENT, V3_OUTPUT, -1, &info), V3_INVALID_ARG);

  v3_speaker_arrangement arrangement = 0;
  EXPECT_EQ(host.p()->proc.get_bus_arrangement(host.processor, V3_OUTPUT, 0, &arrangement), V3_OK);
  EXPECT_EQ(arrangement, VST3::kSpeakerStereo);
  EXPECT_EQ(host.p()->proc.get_bus_arrangement(host.processor, V3_OUTPUT, 1, &arrangement), V3_OK);
  EXPECT_EQ(arrangement, VST3::kSpeakerMono);
  EXPECT_EQ(host.p()->proc.get_bus_arrangement(host.processor, V3_INPUT, 0, &arrangement), V3_INVALID_ARG);
}

TEST(Effect, BusesStartAsTheirDefaultActiveFlagSaysAndFollowActivateBus)
{
  Host host(new TestEffect);
  VST3::Bus* main = host.effect->getBus(VST3::kAudio, VST3::kOutput, 0);
  VST3::Bus* aux = host.effect->getBus(VST3::kAudio, VST3::kOutput, 1);
  ASSERT_TRUE(main && aux);
  EXPECT_TRUE(main->active);
  EXPECT_FALSE(aux->active);

  EXPECT_EQ(host.c()->comp.activate_bus(host.component, V3_AUDIO, V3_OUTPUT, 1, 1), V3_OK);
  EXPECT_EQ(host.c()->comp.activate_bus(host.component, V3_AUDIO, V3_OUTPUT, 0, 0), V3_OK);
  EXPECT_TRUE(aux->active);
  EXPECT_FALSE(main->active);
  EXPECT_EQ(host.c()->comp.activate_bus(host.component, V3_AUDIO, V3_OUTPUT, 5, 1), V3_INVALID_ARG);
  EXPECT_EQ(host.c()->comp.activate_bus(host.component, V3_EVENT, 9, 0, 1), V3_INVALID_ARG);
}

TEST(Effect, DefaultBusArrangementsAcceptWhatFitsTheBuses)
{
  Host host(new TestEffect);
  v3_speaker_arrangement outputs[3] = {VST3::kSpeakerMono, VST3::kSpeakerStereo, VST3::kSpeakerStereo};
  EXPECT_EQ(host.p()->proc.set_bus_arrangements(host.processor, nullptr, 0, outputs, 2), V3_TRUE);
  EXPECT_EQ(host.effect->getBus(VST3::kAudio, VST3::kOutput, 0)->getChannelCount(), 1);
  EXPECT_EQ(host.p()->proc.set_bus_arrangements(host.processor, nullptr, 0, outputs, 3), V3_FALSE);
  EXPECT_EQ(host.p()->proc.set_bus_arrangements(host.processor, outputs, 1, outputs, 1), V3_FALSE);
}

TEST(Effect, ProcessingDefaultsKeepTheSetupAndTake32BitSamples)
{
  Host host(new TestEffect);
  v3_process_setup setup{V3_OFFLINE, V3_SAMPLE_32, 256, 44100};
  EXPECT_EQ(host.p()->proc.setup_processing(host.processor, &setup), V3_OK);
  const VST3::ProcessSetup& kept = host.effect->getProcessSetup();
  EXPECT_EQ(kept.processMode, VST3::kOffline);
  EXPECT_EQ(kept.symbolicSampleSize, VST3::kSample32);
  EXPECT_EQ(kept.maxSamplesPerBlock, 256);
  EXPECT_EQ(kept.sampleRate, 44100);
  EXPECT_EQ(host.p()->proc.can_process_sample_size(host.processor, V3_SAMPLE_32), V3_TRUE);
  EXPECT_EQ(host.p()->proc.can_process_sample_size(host.processor, V3_SAMPLE_64), V3_FALSE);
  EXPECT_EQ(host.p()->proc.get_latency_samples(host.processor), 0u);
  EXPECT_EQ(host.p()->proc.get_tail_samples(host.processor), 0u);
  // A single-component plug-in names no separate controller class.
  v3_tuid cid{};
  EXPECT_EQ(host.c()->comp.get_controller_class_id(host.component, cid), V3_NOT_IMPLEMENTED);
}

TEST(Effect, ParameterInfoFillsEveryFieldOfTheHostsRecord)
{
  Host host(new TestEffect);
  ASSERT_EQ(host.e()->ctrl.get_parameter_count(host.controller), 3);

  v3_param_info info;
  std::memset(&info, 0x55, sizeof info);
  ASSERT_EQ(host.e()->ctrl.get_parameter_info(host.controller, 0, &info), V3_OK);
  EXPECT_EQ(info.param_id, 7u);
  EXPECT_EQ(text(info.title), u"Volume");
  EXPECT_EQ(text(info.short_title), u"Vol");
  EXPECT_EQ(text(info.units), u"dB");
  EXPECT_EQ(info.step_count, 0);
  EXPECT_EQ(info.default_normalised_value, 0.8);
  EXPECT_EQ(info.unit_id, 0);
  EXPECT_EQ(info.flags, V3_PARAM_CAN_AUTOMATE);

  ASSERT_EQ(host.e()->ctrl.get_parameter_info(host.controller, 1, &info), V3_OK);
  EXPECT_EQ(info.param_id, 3u);
  EXPECT_EQ(info.step_count, 2);
  EXPECT_EQ(info.flags, V3_PARAM_CAN_AUTOMATE | V3_PARAM_IS_LIST);
  EXPECT_EQ(text(info.short_title), u"");

  ASSERT_EQ(host.e()->ctrl.get_parameter_info(host.controller, 2, &info), V3_OK);
  EXPECT_EQ(info.param_id, 65538u);
  EXPECT_EQ(info.step_count, 1);
  EXPECT_EQ(info.flags, 0);
  EXPECT_EQ(info.unit_id, 2);

  EXPECT_EQ(host.e()->ctrl.get_parameter_info(host.controller, 3, &info), V3_FALSE);
  EXPECT_EQ(host.e()->ctrl.get_parameter_info(host.controller, -1, &info), V3_FALSE);
}

TEST(Effect, ATitleLongerThanTheFieldIsCutAndTerminated)
{
  Host host(new TestEffect);
  std::u16string longTitle(200, u'x');
  longTitle[126] = 0xD83C; // a surrogate pair across the last place
  longTitle[127] = 0xDFBB;
  VST3::ParameterInfo p;
  p.id = 500;
  p.title = longTitle;
  host.effect->getParameters().addParameter(p);
  v3_param_info info{};
  ASSERT_EQ(host.e()->ctrl.get_parameter_info(host.controller, 3, &info), V3_OK);
  EXPECT_EQ(text(info.title), std::u16string(126, u'x'));
  EXPECT_EQ(info.title[126], 0);
}

TEST(Effect, ParameterValuesAndTextsGoThroughTheContainer)
{
  Host host(new TestEffect);
  auto* ctrl = &host.e()->ctrl;
  auto* c = host.controller;
  EXPECT_EQ(ctrl->get_parameter_normalised(c, 7), 0.8);
  EXPECT_EQ(ctrl->set_parameter_normalised(c, 7, 0.25), V3_TRUE);
  EXPECT_EQ(ctrl->get_parameter_normalised(c, 7), 0.25);
  // Out of range is limited, NaN leaves the value.
  EXPECT_EQ(ctrl->set_parameter_normalised(c, 7, 3.0), V3_TRUE);
  EXPECT_EQ(ctrl->get_parameter_normalised(c, 7), 1.0);
  ctrl->set_parameter_normalised(c, 7, std::nan(""));
  EXPECT_EQ(ctrl->get_parameter_normalised(c, 7), 1.0);
  // Unknown IDs.
  EXPECT_EQ(ctrl->get_parameter_normalised(c, 4242), 0.0);
  EXPECT_EQ(ctrl->set_parameter_normalised(c, 4242, 0.5), V3_FALSE);
  EXPECT_EQ(ctrl->normalised_parameter_to_plain(c, 4242, 0.3), 0.3);
  EXPECT_EQ(ctrl->plain_parameter_to_normalised(c, 4242, 0.6), 0.6);

  v3_str_128 shown;
  ASSERT_EQ(ctrl->get_parameter_string_for_value(c, 3, 0.5, shown), V3_OK);
  EXPECT_EQ(text(shown), u"Mono");
  ASSERT_EQ(ctrl->get_parameter_string_for_value(c, 7, 0.5, shown), V3_OK);
  EXPECT_EQ(text(shown), u"0.5000");
  EXPECT_EQ(ctrl->get_parameter_string_for_value(c, 4242, 0.5, shown), V3_FALSE);
  EXPECT_EQ(text(shown), u"");

  double value = -1;
  int16_t god[] = {'G', 'O', 'D', 0};
  EXPECT_EQ(ctrl->get_parameter_value_for_string(c, 3, god, &value), V3_TRUE);
  EXPECT_EQ(value, 1.0);
  int16_t bogus[] = {'?', 0};
  EXPECT_EQ(ctrl->get_parameter_value_for_string(c, 3, bogus, &value), V3_FALSE);
  EXPECT_EQ(ctrl->normalised_parameter_to_plain(c, 3, 1.0), 2.0);
  EXPECT_EQ(ctrl->plain_parameter_to_normalised(c, 3, 1.0), 0.5);
}

TEST(Effect, UnitsAndProgramListsAnswerTheirQueries)
{
  Host host(new TestEffect);
  auto* unit = &host.u()->unit;
  auto* u = host.units;
  ASSERT_EQ(unit->get_unit_count(u), 2);
  v3_unit_info info{};
  ASSERT_EQ(unit->get_unit_info(u, 1, &info), V3_OK);
  EXPECT_EQ(info.id, 2);
  EXPECT_EQ(info.parent_unit_id, 0);
  EXPECT_EQ(text(info.name), u"MIDI CCs");
  EXPECT_EQ(info.program_list_id, -1);
  ASSERT_EQ(unit->get_unit_info(u, 0, &info), V3_OK);
  EXPECT_EQ(info.program_list_id, 65537);
  EXPECT_EQ(unit->get_unit_info(u, 2, &info), V3_FALSE);

  ASSERT_EQ(unit->get_program_list_count(u), 1);
  v3_program_list_info list{};
  ASSERT_EQ(unit->get_program_list_info(u, 0, &list), V3_OK);
  EXPECT_EQ(list.id, 65537);
  EXPECT_EQ(text(list.name), u"Factory Presets");
  EXPECT_EQ(list.programCount, 2);
  EXPECT_EQ(unit->get_program_list_info(u, 1, &list), V3_FALSE);

  v3_str_128 name;
  ASSERT_EQ(unit->get_program_name(u, 65537, 1, name), V3_OK);
  EXPECT_EQ(text(name), u"Strings 2");
  EXPECT_EQ(unit->get_program_name(u, 65537, 2, name), V3_FALSE);
  EXPECT_EQ(unit->get_program_name(u, 1, 0, name), V3_FALSE);

  EXPECT_EQ(unit->has_program_pitch_names(u, 65537, 0), V3_FALSE);
  EXPECT_EQ(unit->has_program_pitch_names(u, 65537, 1), V3_TRUE);
  ASSERT_EQ(unit->get_program_pitch_name(u, 65537, 1, 36, name), V3_OK);
  EXPECT_EQ(text(name), u"Kick");
  EXPECT_EQ(unit->get_program_pitch_name(u, 65537, 1, 37, name), V3_FALSE);

  EXPECT_EQ(unit->get_selected_unit(u), 0);
  EXPECT_EQ(unit->select_unit(u, 2), V3_OK);
  EXPECT_EQ(unit->get_selected_unit(u), 2);
}

TEST(Effect, KeepsTheHostContextFromInitialiseToTerminate)
{
  fakes::HostApplication application(u"Test Host \u00e9");
  auto* effect = new TestEffect;
  {
    Host host(effect, application.get());
    EXPECT_EQ(application.refs, 1);
    std::string name;
    ASSERT_TRUE(effect->getHostApplicationName(name));
    EXPECT_EQ(name, "Test Host \xc3\xa9");
    // The controller face shares the one initialisation.
    EXPECT_EQ(host.e()->base.initialize(host.controller, application.get()), V3_FALSE);
    EXPECT_EQ(application.refs, 1);
    effect->addRef();
  }
  EXPECT_EQ(application.refs, 0);
  EXPECT_EQ(effect->getHostContext(), nullptr);
  std::string name;
  EXPECT_FALSE(effect->getHostApplicationName(name));
  // Terminate dropped what initialise built, so initialising again starts
  // afresh.
  auto** unknown = effect->asUnknown();
  auto** component = reinterpret_cast<v3_component**>(unknown);
  EXPECT_EQ(tableOf<v3_component_cpp>(component)->base.initialize(component, nullptr), V3_OK);
  EXPECT_EQ(effect->getParameterCount(), 3);
  EXPECT_EQ(effect->getBusCount(VST3::kAudio, VST3::kOutput), 2);
  effect->release();
}

TEST(Effect, EditsReachTheComponentHandlerThatTheHostSet)
{
  fakes::ComponentHandler handler;
  auto* effect = new TestEffect;
  {
    Host host(effect);
    EXPECT_EQ(effect->beginEdit(7), V3_FALSE);
    EXPECT_EQ(host.e()->ctrl.set_component_handler(host.controller, handler.get()), V3_TRUE);
    EXPECT_EQ(handler.first.refs, 1);
    EXPECT_EQ(handler.second.refs, 1);

    effect->beginEdit(7);
    effect->performEdit(7, 0.5);
    effect->endEdit(7);
    effect->restartComponent(VST3::kLatencyChanged);
    effect->startGroupEdit();
    effect->finishGroupEdit();
    EXPECT_EQ(handler.calls, (std::vector<std::string>{"begin 7", "perform 7 0.500000", "end 7", "restart 8",
                                                       "start group", "finish group"}));

    // Setting the same handler again changes nothing; clearing releases it.
    host.e()->ctrl.set_component_handler(host.controller, handler.get());
    EXPECT_EQ(handler.totalRefs(), 2);
    host.e()->ctrl.set_component_handler(host.controller, nullptr);
    EXPECT_EQ(handler.totalRefs(), 0);
    EXPECT_EQ(effect->restartComponent(VST3::kParamTitlesChanged), V3_FALSE);

    // A handler without the second interface cannot group edits.
    handler.offersGroups = false;
    host.e()->ctrl.set_component_handler(host.controller, handler.get());
    EXPECT_EQ(effect->startGroupEdit(), V3_FALSE);
    EXPECT_EQ(effect->beginEdit(1), V3_OK);
  }
  // terminate released it.
  EXPECT_EQ(handler.totalRefs(), 0);
}

TEST(Effect, DestroyingTheEffectReleasesTheHandler)
{
  fakes::ComponentHandler handler;
  auto* effect = new TestEffect;
  auto** unknown = effect->asUnknown();
  void* face = nullptr;
  effect->queryInterface(v3_edit_controller_iid, &face);
  auto** controller = static_cast<v3_edit_controller**>(face);
  tableOf<v3_edit_controller_cpp>(controller)->ctrl.set_component_handler(controller, handler.get());
  EXPECT_EQ(handler.totalRefs(), 2);
  tableOf<v3_edit_controller_cpp>(controller)->unref(controller);
  tableOf<v3_funknown>(unknown)->unref(unknown);
  EXPECT_EQ(handler.totalRefs(), 0);
}

namespace
{
struct Target : VST3::ContextMenuTarget
{
  std::vector<int32_t> chosen;
  int32_t executeMenuItem(int32_t tag) override
  {
    chosen.push_back(tag);
    return VST3::kOk;
  }
};
} // namespace

TEST(Effect, HostContextMenusTakeEntriesThatCallBack)
{
  fakes::ComponentHandler handler;
  Host host(new TestEffect);
  host.e()->ctrl.set_component_handler(host.controller, handler.get());
  auto** view = reinterpret_cast<v3_plugin_view**>(&handler); // any pointer stands for the view
  const uint32_t param = 7;
  auto* target = new Target;
  {
    VST3::ContextMenu menu = host.effect->createContextMenu(view, &param);
    ASSERT_TRUE(menu);
    EXPECT_EQ(handler.menuView, view);
    EXPECT_EQ(handler.menuParam, 7u);
    EXPECT_EQ(handler.third.refs, 0); // the handler's third face was released at once
    EXPECT_TRUE(menu.addItem(u"Learn MIDI", 0, 0, target));
    EXPECT_TRUE(menu.addItem(u"", 1, VST3::ContextMenu::kIsSeparator, nullptr));
    EXPECT_EQ(menu.getItemCount(), 2);
    EXPECT_TRUE(menu.popup(10, 20));
    EXPECT_EQ(handler.menu.popupX, 10);
    EXPECT_EQ(handler.menu.popupY, 20);
    ASSERT_EQ(handler.menu.entries.size(), 2u);
    EXPECT_EQ(handler.menu.entries[0].name, u"Learn MIDI");
    EXPECT_EQ(handler.menu.entries[1].flags, 1);

    // The host calls the target through its table, as on a choice.
    auto** t = handler.menu.entries[0].target;
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(tableOf<VST3::abi::context_menu_target_cpp>(t)->target.execute_menu_item(t, 0), V3_OK);
    EXPECT_EQ(target->chosen, std::vector<int32_t>{0});
    void* asked = nullptr;
    EXPECT_EQ(tableOf<v3_funknown>(t)->query_interface(t, VST3::abi::context_menu_target_iid, &asked), V3_OK);
    EXPECT_EQ(asked, t);
    tableOf<v3_funknown>(t)->unref(t);
    EXPECT_EQ(handler.menu.refs, 1);
  }
  // The menu's reference went back to the host.
  EXPECT_EQ(handler.menu.refs, 0);
  target->release();

  handler.offersMenus = false;
  EXPECT_FALSE(host.effect->createContextMenu(view, &param));
}
