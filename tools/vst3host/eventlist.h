// IEventList of fixed capacity: the input events the host passes to process()
// and the output events a plug-in adds there. Adding and reading never
// allocate; only reserve() does.
#pragma once

#include "abi.h"

#include <vector>

namespace vst3host {

class EventList {
public:
    explicit EventList(uint32_t capacity = 1024);
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // The pointer for the process data (either thread).
    v3_event_list** list() { return static_cast<v3_event_list**>(face.pointer()); }

    void reserve(uint32_t capacity);  // main thread; keeps the events held
    uint32_t capacity() const { return limit; }

    // Audio thread or main thread, never both at once.
    void clear();
    bool add(const v3_event& event);  // false (and counted as dropped) when full
    bool addNoteOn(int32_t offset, int16_t channel, int16_t pitch, float velocity, int32_t noteId = -1);
    bool addNoteOff(int32_t offset, int16_t channel, int16_t pitch, float velocity = 0.0f, int32_t noteId = -1);

    uint32_t size() const { return static_cast<uint32_t>(events.size()); }
    const v3_event& operator[](uint32_t index) const { return events[index]; }
    uint32_t dropped() const { return droppedCount; }  // since the last clear()
    uint32_t referenceCount() const { return refs.value(); }

private:
    static v3_result queryInterface(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref(void* self);
    static uint32_t unref(void* self);
    static uint32_t getEventCount(void* self);
    static v3_result getEvent(void* self, int32_t index, v3_event* event);
    static v3_result addEvent(void* self, v3_event* event);

    static const v3_event_list_cpp vtable;
    HostInterface<v3_event_list_cpp, EventList> face{&vtable, this};
    HostRefCount refs;
    std::vector<v3_event> events;  // capacity reserved up front
    uint32_t limit;
    uint32_t droppedCount = 0;
};

} // namespace vst3host
