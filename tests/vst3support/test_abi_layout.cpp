// The slot order of every interface table the support layer builds or calls,
// against the VST 3 ABI's: slot n of an interface is the n-th function of
// FUnknown, then of its base interfaces, then of its own, in declaration
// order. A table that is off by one slot calls the wrong function in every
// host, so each function is pinned to its slot number.

#include "VST3Interfaces.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace
{
struct Slot
{
  const char* name;
  size_t offset;
  size_t expected;
};

template <class Table, class Member>
size_t slotOf(const Table& table, const Member& member)
{
  return size_t(reinterpret_cast<const char*>(&member) - reinterpret_cast<const char*>(&table)) / sizeof(void*);
}

#define SLOT(member, n) Slot{#member, slotOf(t, t.member), n}

template <class Table>
void expectSlots(const char* interface, size_t slotCount, const std::vector<Slot>& slots)
{
  EXPECT_EQ(sizeof(Table), slotCount * sizeof(void*)) << interface << " has slots of its own beyond the ABI's";
  for (const Slot& slot : slots)
    EXPECT_EQ(slot.offset, slot.expected) << interface << "::" << slot.name;
}
} // namespace

TEST(AbiLayout, PluginSideInterfacesKeepTheirSlotOrder)
{
  {
    v3_component_cpp t{};
    expectSlots<v3_component_cpp>(
        "IComponent", 14,
        {SLOT(query_interface, 0), SLOT(ref, 1), SLOT(unref, 2), SLOT(base.initialize, 3), SLOT(base.terminate, 4),
         SLOT(comp.get_controller_class_id, 5), SLOT(comp.set_io_mode, 6), SLOT(comp.get_bus_count, 7),
         SLOT(comp.get_bus_info, 8), SLOT(comp.get_routing_info, 9), SLOT(comp.activate_bus, 10),
         SLOT(comp.set_active, 11), SLOT(comp.set_state, 12), SLOT(comp.get_state, 13)});
  }
  {
    v3_audio_processor_cpp t{};
    expectSlots<v3_audio_processor_cpp>(
        "IAudioProcessor", 11,
        {SLOT(proc.set_bus_arrangements, 3), SLOT(proc.get_bus_arrangement, 4), SLOT(proc.can_process_sample_size, 5),
         SLOT(proc.get_latency_samples, 6), SLOT(proc.setup_processing, 7), SLOT(proc.set_processing, 8),
         SLOT(proc.process, 9), SLOT(proc.get_tail_samples, 10)});
  }
  {
    v3_edit_controller_cpp t{};
    expectSlots<v3_edit_controller_cpp>(
        "IEditController", 18,
        {SLOT(base.initialize, 3), SLOT(base.terminate, 4), SLOT(ctrl.set_component_state, 5),
         SLOT(ctrl.set_state, 6), SLOT(ctrl.get_state, 7), SLOT(ctrl.get_parameter_count, 8),
         SLOT(ctrl.get_parameter_info, 9), SLOT(ctrl.get_parameter_string_for_value, 10),
         SLOT(ctrl.get_parameter_value_for_string, 11), SLOT(ctrl.normalised_parameter_to_plain, 12),
         SLOT(ctrl.plain_parameter_to_normalised, 13), SLOT(ctrl.get_parameter_normalised, 14),
         SLOT(ctrl.set_parameter_normalised, 15), SLOT(ctrl.set_component_handler, 16),
         SLOT(ctrl.create_view, 17)});
  }
  {
    v3_midi_mapping_cpp t{};
    expectSlots<v3_midi_mapping_cpp>("IMidiMapping", 4, {SLOT(map.get_midi_controller_assignment, 3)});
  }
  {
    v3_unit_information_cpp t{};
    expectSlots<v3_unit_information_cpp>(
        "IUnitInfo", 15,
        {SLOT(unit.get_unit_count, 3), SLOT(unit.get_unit_info, 4), SLOT(unit.get_program_list_count, 5),
         SLOT(unit.get_program_list_info, 6), SLOT(unit.get_program_name, 7), SLOT(unit.get_program_info, 8),
         SLOT(unit.has_program_pitch_names, 9), SLOT(unit.get_program_pitch_name, 10),
         SLOT(unit.get_selected_unit, 11), SLOT(unit.select_unit, 12), SLOT(unit.get_unit_by_bus, 13),
         SLOT(unit.set_unit_program_data, 14)});
  }
  {
    VST3::abi::info_listener_cpp t{};
    expectSlots<VST3::abi::info_listener_cpp>("IInfoListener", 4, {SLOT(listener.set_channel_context_infos, 3)});
  }
  {
    v3_plugin_view_cpp t{};
    expectSlots<v3_plugin_view_cpp>(
        "IPlugView", 15,
        {SLOT(view.is_platform_type_supported, 3), SLOT(view.attached, 4), SLOT(view.removed, 5),
         SLOT(view.on_wheel, 6), SLOT(view.on_key_down, 7), SLOT(view.on_key_up, 8), SLOT(view.get_size, 9),
         SLOT(view.on_size, 10), SLOT(view.on_focus, 11), SLOT(view.set_frame, 12), SLOT(view.can_resize, 13),
         SLOT(view.check_size_constraint, 14)});
  }
  {
    v3_plugin_view_content_scale_cpp t{};
    expectSlots<v3_plugin_view_content_scale_cpp>("IPlugViewContentScaleSupport", 4,
                                                  {SLOT(scale.set_content_scale_factor, 3)});
  }
  {
    v3_plugin_factory_cpp t{};
    expectSlots<v3_plugin_factory_cpp>(
        "PluginFactory3", 10,
        {SLOT(v1.get_factory_info, 3), SLOT(v1.num_classes, 4), SLOT(v1.get_class_info, 5),
         SLOT(v1.create_instance, 6), SLOT(v2.get_class_info_2, 7), SLOT(v3.get_class_info_utf16, 8),
         SLOT(v3.set_host_context, 9)});
  }
  {
    VST3::abi::context_menu_target_cpp t{};
    expectSlots<VST3::abi::context_menu_target_cpp>("IContextMenuTarget", 4, {SLOT(target.execute_menu_item, 3)});
  }
}

TEST(AbiLayout, HostSideInterfacesKeepTheirSlotOrder)
{
  {
    VST3::abi::bstream_cpp t{};
    expectSlots<VST3::abi::bstream_cpp>("IBStream", 7,
                                        {SLOT(stream.read, 3), SLOT(stream.write, 4), SLOT(stream.seek, 5),
                                         SLOT(stream.tell, 6)});
  }
  {
    VST3::abi::component_handler_cpp t{};
    expectSlots<VST3::abi::component_handler_cpp>(
        "IComponentHandler", 7,
        {SLOT(handler.begin_edit, 3), SLOT(handler.perform_edit, 4), SLOT(handler.end_edit, 5),
         SLOT(handler.restart_component, 6)});
  }
  {
    VST3::abi::component_handler2_cpp t{};
    expectSlots<VST3::abi::component_handler2_cpp>(
        "IComponentHandler2", 7,
        {SLOT(handler2.set_dirty, 3), SLOT(handler2.request_open_editor, 4), SLOT(handler2.start_group_edit, 5),
         SLOT(handler2.finish_group_edit, 6)});
  }
  {
    VST3::abi::component_handler3_cpp t{};
    expectSlots<VST3::abi::component_handler3_cpp>("IComponentHandler3", 4,
                                                   {SLOT(handler3.create_context_menu, 3)});
  }
  {
    VST3::abi::context_menu_cpp t{};
    expectSlots<VST3::abi::context_menu_cpp>(
        "IContextMenu", 8,
        {SLOT(menu.get_item_count, 3), SLOT(menu.get_item, 4), SLOT(menu.add_item, 5), SLOT(menu.remove_item, 6),
         SLOT(menu.popup, 7)});
  }
  {
    v3_event_list_cpp t{};
    expectSlots<v3_event_list_cpp>("IEventList", 6,
                                   {SLOT(list.get_event_count, 3), SLOT(list.get_event, 4), SLOT(list.add_event, 5)});
  }
  {
    v3_param_changes_cpp t{};
    expectSlots<v3_param_changes_cpp>(
        "IParameterChanges", 6,
        {SLOT(changes.get_param_count, 3), SLOT(changes.get_param_data, 4), SLOT(changes.add_param_data, 5)});
  }
  {
    v3_param_value_queue_cpp t{};
    expectSlots<v3_param_value_queue_cpp>(
        "IParamValueQueue", 7,
        {SLOT(queue.get_param_id, 3), SLOT(queue.get_point_count, 4), SLOT(queue.get_point, 5),
         SLOT(queue.add_point, 6)});
  }
  {
    v3_attribute_list_cpp t{};
    expectSlots<v3_attribute_list_cpp>(
        "IAttributeList", 11,
        {SLOT(attrlist.set_int, 3), SLOT(attrlist.get_int, 4), SLOT(attrlist.set_float, 5),
         SLOT(attrlist.get_float, 6), SLOT(attrlist.set_string, 7), SLOT(attrlist.get_string, 8),
         SLOT(attrlist.set_binary, 9), SLOT(attrlist.get_binary, 10)});
  }
  {
    v3_host_application_cpp t{};
    expectSlots<v3_host_application_cpp>("IHostApplication", 5,
                                         {SLOT(app.get_name, 3), SLOT(app.create_instance, 4)});
  }
  {
    v3_plugin_frame_cpp t{};
    expectSlots<v3_plugin_frame_cpp>("IPlugFrame", 4, {SLOT(frame.resize_view, 3)});
  }
}

TEST(AbiLayout, RecordsMatchTheHostsFieldOffsets)
{
  // The 128-unit texts sit between fixed-size fields; a wrong element type
  // would move everything after them.
  EXPECT_EQ(offsetof(v3_param_info, title), 4u);
  EXPECT_EQ(offsetof(v3_param_info, step_count), 4u + 3 * 256);
  EXPECT_EQ(offsetof(v3_param_info, default_normalised_value), 776u);
  EXPECT_EQ(sizeof(v3_param_info), 792u);
  EXPECT_EQ(offsetof(v3_bus_info, bus_type), 12u + 256);
  EXPECT_EQ(sizeof(VST3::abi::context_menu_item), 264u);
  EXPECT_EQ(sizeof(v3_class_info_2), 16u + 4 + 32 + 64 + 4 + 128 + 64 * 3);
}

TEST(AbiLayout, InterfaceIdsAreTheHostsBytes)
{
  // On Linux each of the four words is written most significant byte first.
  const uint8_t listener[16] = {0x0F, 0x19, 0x47, 0x81, 0x8D, 0x98, 0x4A, 0xDA,
                                0xBB, 0xA0, 0xC1, 0xEF, 0xC0, 0x11, 0xD8, 0xD0};
  EXPECT_EQ(std::memcmp(VST3::abi::info_listener_iid, listener, 16), 0);
  EXPECT_TRUE(VST3::UID(0x0F194781, 0x8D984ADA, 0xBBA0C1EF, 0xC011D8D0).matches(listener));
  const uint8_t menu[16] = {0x2E, 0x93, 0xC8, 0x63, 0x0C, 0x9C, 0x45, 0x88,
                            0x97, 0xDB, 0xEC, 0xF5, 0xAD, 0x17, 0x81, 0x7D};
  EXPECT_EQ(std::memcmp(VST3::abi::context_menu_iid, menu, 16), 0);
  EXPECT_TRUE(VST3::UID(0x69F11617, 0xD26B400D, 0xA4B6B964, 0x7B6EBBAB).matches(VST3::abi::component_handler3_iid));
  EXPECT_TRUE(VST3::UID(0x3CDF2E75, 0x85D34144, 0xBF86D36B, 0xD7C4894D).matches(VST3::abi::context_menu_target_iid));
}
