#include "eventlist.h"

namespace vst3host {

using Face = HostInterface<v3_event_list_cpp, EventList>;

const v3_event_list_cpp EventList::vtable = {
    {&EventList::queryInterface, &EventList::ref, &EventList::unref},
    {&EventList::getEventCount, &EventList::getEvent, &EventList::addEvent},
};

EventList::EventList(uint32_t capacity) : limit(capacity)
{
    events.reserve(capacity);
}

void EventList::reserve(uint32_t capacity)
{
    if (capacity > limit) {
        events.reserve(capacity);
        limit = capacity;
    }
}

void EventList::clear()
{
    events.clear();
    droppedCount = 0;
}

bool EventList::add(const v3_event& event)
{
    if (events.size() >= limit) {
        ++droppedCount;
        return false;
    }
    events.push_back(event);
    return true;
}

bool EventList::addNoteOn(int32_t offset, int16_t channel, int16_t pitch, float velocity, int32_t noteId)
{
    v3_event event{};
    event.sample_offset = offset;
    event.type = V3_EVENT_NOTE_ON;
    event.note_on.channel = channel;
    event.note_on.pitch = pitch;
    event.note_on.velocity = velocity;
    event.note_on.note_id = noteId;
    return add(event);
}

bool EventList::addNoteOff(int32_t offset, int16_t channel, int16_t pitch, float velocity, int32_t noteId)
{
    v3_event event{};
    event.sample_offset = offset;
    event.type = V3_EVENT_NOTE_OFF;
    event.note_off.channel = channel;
    event.note_off.pitch = pitch;
    event.note_off.velocity = velocity;
    event.note_off.note_id = noteId;
    return add(event);
}

v3_result EventList::queryInterface(void* self, const v3_tuid iid, void** obj)
{
    if (!obj)
        return V3_INVALID_ARG;
    if (sameTuid(iid, v3_funknown_iid) || sameTuid(iid, v3_event_list_iid)) {
        Face::from(self)->refs.ref();
        *obj = self;
        return V3_OK;
    }
    *obj = nullptr;
    return V3_NO_INTERFACE;
}

uint32_t EventList::ref(void* self) { return Face::from(self)->refs.ref(); }
uint32_t EventList::unref(void* self) { return Face::from(self)->refs.unref(); }

uint32_t EventList::getEventCount(void* self)
{
    return Face::from(self)->size();
}

v3_result EventList::getEvent(void* self, int32_t index, v3_event* event)
{
    const EventList* list = Face::from(self);
    if (!event || index < 0 || static_cast<uint32_t>(index) >= list->size())
        return V3_INVALID_ARG;
    *event = list->events[static_cast<uint32_t>(index)];
    return V3_OK;
}

v3_result EventList::addEvent(void* self, v3_event* event)
{
    if (!event)
        return V3_INVALID_ARG;
    return Face::from(self)->add(*event) ? V3_OK : V3_NOMEM;
}

} // namespace vst3host
