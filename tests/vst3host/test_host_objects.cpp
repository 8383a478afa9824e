// The host-side VST 3 objects, driven through their vtables as a plug-in
// would drive them.
#include "componenthandler.h"
#include "eventlist.h"
#include "hostapplication.h"
#include "memorystream.h"
#include "parameterchanges.h"
#include "abitext.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace vst3host;

namespace {

template <class Composite, class Pointer>
Composite** as(Pointer** object)
{
    return reinterpret_cast<Composite**>(object);
}

TEST(MemoryStream, ReadsWhatWasWrittenAndStopsAtTheEnd)
{
    MemoryStream memory;
    auto** s = as<v3_bstream_cpp>(memory.stream());
    const char text[] = "abcdef";
    int32_t done = -1;
    ASSERT_EQ((*s)->stream.write(s, const_cast<char*>(text), 6, &done), V3_OK);
    EXPECT_EQ(done, 6);
    int64_t position = -1;
    ASSERT_EQ((*s)->stream.seek(s, 2, V3_SEEK_SET, &position), V3_OK);
    EXPECT_EQ(position, 2);

    char buffer[16] = {};
    ASSERT_EQ((*s)->stream.read(s, buffer, 16, &done), V3_OK);
    EXPECT_EQ(done, 4);
    EXPECT_STREQ(buffer, "cdef");
    // At the end a read succeeds with nothing: readers loop until they get 0 bytes.
    ASSERT_EQ((*s)->stream.read(s, buffer, 16, &done), V3_OK);
    EXPECT_EQ(done, 0);
    ASSERT_EQ((*s)->stream.tell(s, &position), V3_OK);
    EXPECT_EQ(position, 6);
}

TEST(MemoryStream, SeeksRelativeToEachOriginAndRefusesBeforeTheStart)
{
    MemoryStream memory(std::vector<uint8_t>(10, 0xAA));
    auto** s = as<v3_bstream_cpp>(memory.stream());
    int64_t position = 0;
    const struct {
        int64_t offset;
        int32_t mode;
        v3_result result;
        int64_t position;
    } cases[] = {
        {4, V3_SEEK_SET, V3_OK, 4},        {3, V3_SEEK_CUR, V3_OK, 7},
        {-2, V3_SEEK_END, V3_OK, 8},       {-9, V3_SEEK_CUR, V3_INVALID_ARG, 8},
        {-11, V3_SEEK_END, V3_INVALID_ARG, 8}, {0, 7, V3_INVALID_ARG, 8},
        {INT64_MAX, V3_SEEK_CUR, V3_INVALID_ARG, 8}, {INT64_MIN, V3_SEEK_END, V3_INVALID_ARG, 8},
    };
    for (const auto& c : cases) {
        EXPECT_EQ((*s)->stream.seek(s, c.offset, c.mode, &position), c.result) << c.offset << " mode " << c.mode;
        EXPECT_EQ(memory.position(), c.position) << c.offset << " mode " << c.mode;
    }
}

TEST(MemoryStream, WritingPastTheEndFillsTheGapWithZeros)
{
    MemoryStream memory(std::vector<uint8_t>{1, 2});
    auto** s = as<v3_bstream_cpp>(memory.stream());
    ASSERT_EQ((*s)->stream.seek(s, 4, V3_SEEK_SET, nullptr), V3_OK);
    uint8_t byte = 9;
    ASSERT_EQ((*s)->stream.write(s, &byte, 1, nullptr), V3_OK);
    EXPECT_EQ(memory.data(), (std::vector<uint8_t>{1, 2, 0, 0, 9}));
    int32_t done = -1;
    EXPECT_EQ((*s)->stream.read(s, &byte, -1, &done), V3_INVALID_ARG);
    EXPECT_EQ(done, 0);
}

TEST(HostObjects, AnswerTheirOwnInterfacesOnlyAndCountReferences)
{
    MemoryStream memory;
    EventList events;
    ParameterChanges changes;
    HostApplication host;
    const struct {
        void* object;
        const uint8_t* own;
        std::function<uint32_t()> count;
    } cases[] = {
        {memory.stream(), v3_bstream_iid, [&] { return memory.referenceCount(); }},
        {events.list(), v3_event_list_iid, [&] { return events.referenceCount(); }},
        {changes.changes(), v3_param_changes_iid, [&] { return changes.referenceCount(); }},
        {host.context(), v3_host_application_iid, [&] { return host.referenceCount(); }},
    };
    for (const auto& c : cases) {
        auto** unknown = static_cast<v3_funknown**>(c.object);
        void* found = nullptr;
        EXPECT_EQ((*unknown)->query_interface(unknown, c.own, &found), V3_OK);
        EXPECT_EQ(found, c.object);
        EXPECT_EQ((*unknown)->query_interface(unknown, v3_funknown_iid, &found), V3_OK);
        EXPECT_EQ(c.count(), 2u);
        found = &found;
        EXPECT_EQ((*unknown)->query_interface(unknown, v3_component_iid, &found), V3_NO_INTERFACE);
        EXPECT_EQ(found, nullptr);
        (*unknown)->unref(unknown);
        (*unknown)->unref(unknown);
        // An extra release by a faulty plug-in must not wrap the count around.
        EXPECT_EQ((*unknown)->unref(unknown), 0u);
        EXPECT_EQ(c.count(), 0u);
    }
}

TEST(HostApplication, NamesItselfAndDeclinesToCreateObjects)
{
    HostApplication host;
    auto** app = as<v3_host_application_cpp>(host.context());
    v3_str_128 name{};
    ASSERT_EQ((*app)->app.get_name(app, name), V3_OK);
    EXPECT_EQ(fromUtf16(name, 128), "kelva-host");
    v3_tuid cid{}, iid{};
    std::memcpy(iid, v3_message_iid, sizeof iid);
    void* object = &object;
    EXPECT_EQ((*app)->app.create_instance(app, cid, iid, &object), V3_NOT_IMPLEMENTED);
    EXPECT_EQ(object, nullptr);
}

TEST(EventList, KeepsEventsInOrderUpToItsCapacity)
{
    EventList list(2);
    auto** l = as<v3_event_list_cpp>(list.list());
    v3_event event{};
    event.type = V3_EVENT_NOTE_ON;
    event.sample_offset = 5;
    event.note_on.pitch = 60;
    EXPECT_EQ((*l)->list.add_event(l, &event), V3_OK);
    EXPECT_TRUE(list.addNoteOff(9, 0, 60, 0.5f));
    EXPECT_EQ((*l)->list.add_event(l, &event), V3_NOMEM);
    EXPECT_EQ(list.dropped(), 1u);
    EXPECT_EQ((*l)->list.get_event_count(l), 2u);

    v3_event out{};
    ASSERT_EQ((*l)->list.get_event(l, 1, &out), V3_OK);
    EXPECT_EQ(out.type, V3_EVENT_NOTE_OFF);
    EXPECT_EQ(out.sample_offset, 9);
    EXPECT_FLOAT_EQ(out.note_off.velocity, 0.5f);
    EXPECT_EQ(out.note_off.note_id, -1);
    EXPECT_EQ((*l)->list.get_event(l, 2, &out), V3_INVALID_ARG);
    EXPECT_EQ((*l)->list.get_event(l, -1, &out), V3_INVALID_ARG);

    list.clear();
    list.reserve(3);
    EXPECT_EQ((*l)->list.get_event_count(l), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(list.addNoteOn(i, 0, 60, 1.0f));
    EXPECT_FALSE(list.addNoteOn(3, 0, 60, 1.0f));
}

TEST(ParameterChanges, GivesEachParameterOneQueueWithPointsInOffsetOrder)
{
    ParameterChanges changes(2, 3);
    auto** c = as<v3_param_changes_cpp>(changes.changes());
    v3_param_id id = 42;
    int32_t index = -1;
    auto** q = as<v3_param_value_queue_cpp>((*c)->changes.add_param_data(c, &id, &index));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(index, 0);
    EXPECT_EQ((*q)->queue.get_param_id(q), 42u);

    // Points added out of order end up ordered; a second point at one offset replaces the first.
    int32_t at = -1;
    EXPECT_EQ((*q)->queue.add_point(q, 100, 0.7, &at), V3_OK);
    EXPECT_EQ((*q)->queue.add_point(q, 10, 0.2, &at), V3_OK);
    EXPECT_EQ(at, 0);
    EXPECT_EQ((*q)->queue.add_point(q, 100, 0.9, &at), V3_OK);
    EXPECT_EQ(at, 1);
    EXPECT_EQ((*q)->queue.add_point(q, 50, 0.5, &at), V3_OK);
    EXPECT_EQ((*q)->queue.add_point(q, 60, 0.6, &at), V3_NOMEM);  // room for three
    ASSERT_EQ((*q)->queue.get_point_count(q), 3);
    const std::pair<int32_t, double> expected[] = {{10, 0.2}, {50, 0.5}, {100, 0.9}};
    for (int32_t i = 0; i < 3; ++i) {
        int32_t offset = -1;
        double value = -1;
        ASSERT_EQ((*q)->queue.get_point(q, i, &offset, &value), V3_OK);
        EXPECT_EQ(offset, expected[i].first);
        EXPECT_DOUBLE_EQ(value, expected[i].second);
    }
    int32_t offset = 0;
    double value = 0;
    EXPECT_EQ((*q)->queue.get_point(q, 3, &offset, &value), V3_INVALID_ARG);

    // The same ID gets the same queue; a new ID the next; beyond the pool nothing.
    EXPECT_EQ(as<v3_param_value_queue_cpp>((*c)->changes.add_param_data(c, &id, &index)), q);
    v3_param_id other = 7;
    EXPECT_NE((*c)->changes.add_param_data(c, &other, &index), nullptr);
    EXPECT_EQ(index, 1);
    v3_param_id third = 8;
    EXPECT_EQ((*c)->changes.add_param_data(c, &third, &index), nullptr);
    EXPECT_EQ((*c)->changes.get_param_count(c), 2);
    EXPECT_EQ((*c)->changes.get_param_data(c, 2), nullptr);
    EXPECT_EQ(changes.find(7)->pointCount(), 0);

    // After clear() the queues start empty, whichever ID they serve next.
    changes.clear();
    EXPECT_EQ((*c)->changes.get_param_count(c), 0);
    EXPECT_TRUE(changes.addPoint(8, 0, 1.0));
    EXPECT_EQ(changes.at(0).id(), 8u);
    EXPECT_EQ(changes.at(0).pointCount(), 1);
}

TEST(ComponentHandler, RecordsEditsRestartsAndGroupEditsInOrder)
{
    ComponentHandler recorder;
    auto** h = as<v3_component_handler_cpp>(recorder.handler());
    void* second = nullptr;
    ASSERT_EQ((*h)->query_interface(h, v3_component_handler2_iid, &second), V3_OK);
    auto** h2 = static_cast<v3_component_handler2_cpp**>(second);

    (*h2)->handler2.start_group_edit(h2);
    (*h)->handler.begin_edit(h, 3);
    (*h)->handler.perform_edit(h, 3, 0.25);
    (*h)->handler.end_edit(h, 3);
    (*h2)->handler2.finish_group_edit(h2);
    (*h)->handler.restart_component(h, V3_RESTART_PARAM_VALUES_CHANGED);
    (*h)->handler.restart_component(h, V3_RESTART_LATENCY_CHANGED);
    (*h2)->handler2.set_dirty(h2, 1);
    (*h2)->handler2.request_open_editor(h2, "editor");

    using K = ComponentHandler::EditKind;
    const std::vector<std::pair<K, uint32_t>> expected = {
        {K::StartGroup, 0}, {K::Begin, 3}, {K::Perform, 3}, {K::End, 3}, {K::FinishGroup, 0}};
    ASSERT_EQ(recorder.edits().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(recorder.edits()[i].kind, expected[i].first) << i;
        EXPECT_EQ(recorder.edits()[i].id, expected[i].second) << i;
    }
    EXPECT_DOUBLE_EQ(recorder.edits()[2].value, 0.25);
    EXPECT_EQ(recorder.restartFlags(), V3_RESTART_PARAM_VALUES_CHANGED | V3_RESTART_LATENCY_CHANGED);
    EXPECT_TRUE(recorder.dirty());
    EXPECT_EQ(recorder.openEditorRequests(), std::vector<std::string>{"editor"});
    (*h2)->unref(h2);
}

TEST(ComponentHandler, CountsButDoesNotRecordCallsMadeDuringProcess)
{
    ComponentHandler recorder;
    auto** h = as<v3_component_handler_cpp>(recorder.handler());
    recorder.setInProcess(true);
    EXPECT_NE((*h)->handler.perform_edit(h, 1, 0.5), V3_OK);
    EXPECT_NE((*h)->handler.restart_component(h, V3_RESTART_LATENCY_CHANGED), V3_OK);
    recorder.setInProcess(false);
    EXPECT_EQ(recorder.callsDuringProcess(), 2u);
    EXPECT_TRUE(recorder.edits().empty());
    EXPECT_TRUE(recorder.restartRequests().empty());
}

TEST(AbiText, ConvertsUtf16WithSurrogatesAndBoundsEveryField)
{
    int16_t wide[8];
    toUtf16("a\xC3\xA9\xF0\x9F\x8E\xB5z", wide, 8);  // a, é, 🎵 (a surrogate pair), z
    EXPECT_EQ(fromUtf16(wide, 8), "a\xC3\xA9\xF0\x9F\x8E\xB5z");
    // Cut at a character boundary: the pair does not fit in front of the terminator.
    toUtf16("ab\xF0\x9F\x8E\xB5", wide, 4);
    EXPECT_EQ(fromUtf16(wide, 8), "ab");
    // A field filled to the brim without a terminator, and a lone surrogate.
    const int16_t full[3] = {'x', 'y', static_cast<int16_t>(0xD800)};
    EXPECT_EQ(fromUtf16(full, 3), "xy\xEF\xBF\xBD");
    const char narrow[4] = {'a', 'b', 'c', 'd'};
    EXPECT_EQ(fromFixed(narrow, 4), "abcd");
    // Malformed UTF-8 becomes U+FFFD rather than garbage.
    toUtf16("\xFF\xC3", wide, 8);
    EXPECT_EQ(fromUtf16(wide, 8), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
