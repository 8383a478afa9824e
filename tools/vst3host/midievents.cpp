#include "midievents.h"

#include <cmath>

namespace vst3host {

std::array<int64_t, MidiControllerMap::kChannels * MidiControllerMap::kControllers> MidiControllerMap::unmapped()
{
    std::array<int64_t, kChannels * kControllers> empty;
    empty.fill(-1);
    return empty;
}

std::optional<uint32_t> MidiControllerMap::parameterFor(int channel, int controller) const
{
    if (channel < 0 || channel >= kChannels || controller < 0 || controller >= kControllers)
        return std::nullopt;
    const int64_t id = table[static_cast<size_t>(channel * kControllers + controller)];
    if (id < 0)
        return std::nullopt;
    return static_cast<uint32_t>(id);
}

void MidiControllerMap::assign(int channel, int controller, uint32_t id)
{
    if (channel >= 0 && channel < kChannels && controller >= 0 && controller < kControllers)
        table[static_cast<size_t>(channel * kControllers + controller)] = id;
}

std::vector<TimedEvent> toVst3Events(const MidiSequence& sequence, double sampleRate, const MidiControllerMap& map,
                                     ConversionStats* stats)
{
    ConversionStats counts;
    std::vector<TimedEvent> timeline;
    timeline.reserve(sequence.messages.size());
    for (const MidiMessage& message : sequence.messages) {
        TimedEvent entry;
        entry.sample = std::llround(message.seconds * sampleRate);
        const int16_t channel = message.status & 0x0F;
        const auto addParameter = [&](int controller, double value) {
            if (auto id = map.parameterFor(channel, controller)) {
                entry.kind = TimedEvent::Kind::Parameter;
                entry.parameterId = *id;
                entry.value = value;
                timeline.push_back(entry);
                ++counts.parameters;
            } else {
                ++counts.unmapped;
            }
        };
        v3_event& event = entry.event;
        event.ppq_position = message.quarters;
        switch (message.status & 0xF0) {
        case 0x90:
            if (message.data2 > 0) {
                event.type = V3_EVENT_NOTE_ON;
                event.note_on.channel = channel;
                event.note_on.pitch = message.data1;
                event.note_on.velocity = message.data2 / 127.0f;
                event.note_on.note_id = -1;
                timeline.push_back(entry);
                ++counts.notes;
                break;
            }
            [[fallthrough]];
        case 0x80:
            event.type = V3_EVENT_NOTE_OFF;
            event.note_off.channel = channel;
            event.note_off.pitch = message.data1;
            event.note_off.velocity = (message.status & 0xF0) == 0x80 ? message.data2 / 127.0f : 0.0f;
            event.note_off.note_id = -1;
            timeline.push_back(entry);
            ++counts.notes;
            break;
        case 0xA0:
            event.type = V3_EVENT_POLY_PRESSURE;
            event.poly_pressure.channel = channel;
            event.poly_pressure.pitch = message.data1;
            event.poly_pressure.pressure = message.data2 / 127.0f;
            event.poly_pressure.note_id = -1;
            timeline.push_back(entry);
            ++counts.notes;
            break;
        case 0xB0:
            addParameter(message.data1, message.data2 / 127.0);
            break;
        case 0xD0:
            addParameter(MidiControllerMap::kAfterTouch, message.data1 / 127.0);
            break;
        case 0xE0:
            addParameter(MidiControllerMap::kPitchBend, (message.data1 | (message.data2 << 7)) / 16383.0);
            break;
        case 0xC0:
            if (map.programParameter && message.data1 <= map.programStepCount) {
                entry.kind = TimedEvent::Kind::Program;
                entry.parameterId = *map.programParameter;
                entry.value = map.programStepCount > 0 ? double(message.data1) / map.programStepCount : 0.0;
                timeline.push_back(entry);
                ++counts.programs;
            } else {
                ++counts.unmapped;
            }
            break;
        default:
            break;
        }
    }
    if (stats)
        *stats = counts;
    return timeline;
}

} // namespace vst3host
