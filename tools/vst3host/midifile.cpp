#include "midifile.h"

// smf.h includes glib.h inside extern "C", which breaks glib's C++ parts;
// included first, glib.h is skipped there.
#include <glib.h>
#include <smf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace vst3host {

namespace {

// libsmf refuses files above 2 GiB anyway; a MIDI file of this size is not music.
constexpr std::streamoff kMaxFileSize = 64 << 20;

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

// Expected length of a channel message from its status byte.
int channelMessageLength(uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 2;
    default: return 3;
    }
}

uint32_t bigEndian(const uint8_t* bytes, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// Reads a variable-length quantity of at most four bytes ending before `end`.
bool readVlq(std::span<const uint8_t> bytes, size_t& at, size_t end, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end)
            return false;
        const uint8_t byte = bytes[at++];
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

// Walks one track chunk's events in [at, end): every event lies inside the
// chunk and the chunk holds an end-of-track event.
bool wellFormedTrack(std::span<const uint8_t> bytes, size_t at, size_t end)
{
    uint8_t running = 0;
    while (at < end) {
        uint32_t delta = 0;
        if (!readVlq(bytes, at, end, delta) || at >= end)
            return false;
        uint8_t status = bytes[at];
        if (status & 0x80)
            ++at;
        else if (running)
            status = running;
        else
            return false;
        if (status < 0xF0) {
            running = status;
            const size_t data = static_cast<size_t>(channelMessageLength(status) - 1);
            if (end - at < data)
                return false;
            for (size_t i = 0; i < data; ++i)
                if (bytes[at + i] & 0x80)
                    return false;
            at += data;
            continue;
        }
        running = 0;
        if (status == 0xFF) {
            if (at >= end)
                return false;
            const uint8_t type = bytes[at++];
            uint32_t length = 0;
            if (!readVlq(bytes, at, end, length) || end - at < length)
                return false;
            at += length;
            if (type == 0x2F)
                return true;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            if (!readVlq(bytes, at, end, length) || end - at < length)
                return false;
            at += length;
        } else {
            return false;  // system common and real-time messages do not occur in files
        }
    }
    return false;
}

// libsmf trusts the file: it reads past the end of a truncated track and
// leaks its file object when it rejects a header. So the structure is checked
// here first: an "MThd" chunk of at least 6 bytes with format 0 (one track) or
// 1 and a usable time division, then whole chunks, every "MTrk" one
// well-formed. Returns the length up to the end of the last whole chunk
// (trailing bytes too short for a chunk are ignored), or 0.
size_t checkedLength(std::span<const uint8_t> bytes)
{
    if (bytes.size() < 14 || std::memcmp(bytes.data(), "MThd", 4) != 0)
        return 0;
    const uint32_t length = bigEndian(bytes.data() + 4, 4);
    const uint32_t format = bigEndian(bytes.data() + 8, 2);
    const uint32_t tracks = bigEndian(bytes.data() + 10, 2);
    const uint32_t division = bigEndian(bytes.data() + 12, 2);
    const bool smpte = (division & 0x8000) != 0;
    if (length < 6 || length > bytes.size() - 8 || format > 1 || tracks < 1 || (format == 0 && tracks != 1) ||
        (smpte ? (division & 0xFF) == 0 : division == 0))
        return 0;
    size_t at = 8 + size_t{length};
    while (bytes.size() - at >= 8) {
        const size_t chunk = bigEndian(bytes.data() + at + 4, 4);
        if (chunk > bytes.size() - at - 8)
            return 0;
        if (std::memcmp(bytes.data() + at, "MTrk", 4) == 0 && !wellFormedTrack(bytes, at + 8, at + 8 + chunk))
            return 0;
        at += 8 + chunk;
    }
    return at;
}

// libsmf reports through GLib's log; while a file loads, its first complaint
// is kept for the error message instead of going to the terminal.
class SmfLog {
public:
    SmfLog()
        : id(g_log_set_handler("libsmf", GLogLevelFlags(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR), &SmfLog::keep, this))
    {
    }
    ~SmfLog() { g_log_remove_handler("libsmf", id); }
    SmfLog(const SmfLog&) = delete;
    SmfLog& operator=(const SmfLog&) = delete;

    const std::string& first() const { return message; }

private:
    static void keep(const gchar*, GLogLevelFlags, const gchar* text, gpointer self)
    {
        std::string& message = static_cast<SmfLog*>(self)->message;
        if (message.empty() && text)
            message = text;
    }

    guint id;
    std::string message;
};

bool readSequence(smf_t* smf, MidiSequence& sequence)
{
    sequence = MidiSequence{};
    const double ppqn = smf->ppqn > 0 ? smf->ppqn : 0.0;
    smf_rewind(smf);
    while (smf_event_t* event = smf_get_next_event(smf)) {
        const uint8_t* bytes = event->midi_buffer;
        const int length = event->midi_buffer_length;
        if (!bytes || length < 1 || smf_event_is_metadata(event))
            continue;
        const uint8_t status = bytes[0];
        if (status < 0x80 || status >= 0xF0) {
            ++sequence.skippedEvents;
            continue;
        }
        if (length < channelMessageLength(status)) {
            ++sequence.skippedEvents;
            continue;
        }
        MidiMessage message;
        message.seconds = std::isfinite(event->time_seconds) ? std::max(0.0, event->time_seconds) : 0.0;
        message.quarters = ppqn > 0.0 ? event->time_pulses / ppqn : 0.0;
        message.status = status;
        message.data1 = bytes[1] & 0x7F;
        message.data2 = channelMessageLength(status) == 3 ? bytes[2] & 0x7F : 0;
        sequence.messages.push_back(message);
    }
    // Merging keeps time order already; sort stably all the same, so that a
    // file with a non-monotonic tempo map cannot hand out events backwards.
    std::stable_sort(sequence.messages.begin(), sequence.messages.end(),
                     [](const MidiMessage& a, const MidiMessage& b) { return a.seconds < b.seconds; });
    const double length = smf_get_length_seconds(smf);
    sequence.lengthSeconds = std::isfinite(length) ? std::max(0.0, length) : 0.0;
    if (!sequence.messages.empty())
        sequence.lengthSeconds = std::max(sequence.lengthSeconds, sequence.messages.back().seconds);
    return true;
}

} // namespace

bool loadMidiMemory(std::span<const uint8_t> bytes, MidiSequence& sequence, std::string& error)
{
    const size_t usable = bytes.size() <= static_cast<size_t>(kMaxFileSize) ? checkedLength(bytes) : 0;
    if (usable == 0) {
        error = "not a Standard MIDI File, or a damaged one";
        return false;
    }
    SmfLog log;
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load_from_memory(bytes.data(), static_cast<int>(usable)));
    if (!smf || smf->number_of_tracks < 1) {
        error = log.first().empty() ? "no readable track" : log.first();
        return false;
    }
    return readSequence(smf.get(), sequence);
}

bool loadMidiFile(const std::string& path, MidiSequence& sequence, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0 || size > kMaxFileSize) {
        error = path + " is not a Standard MIDI File";
        return false;
    }
    file.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read " + path;
        return false;
    }
    if (!loadMidiMemory(bytes, sequence, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace vst3host
