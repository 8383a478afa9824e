// Shared helpers of the host's tests: the fixture bundle, a scratch folder,
// and Standard MIDI Files written with libsmf.
#pragma once

// smf.h includes glib.h inside extern "C", which breaks glib's C++ parts;
// included first, glib.h is skipped there.
#include <glib.h>
#include <smf.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace hosttest {

inline std::string fixtureBundle()
{
    return KELVA_HOST_FIXTURE;
}

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelva-host-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            root = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!root.empty())
            std::filesystem::remove_all(root, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};

// One track of events at pulse positions; the default tempo is 120 BPM, so
// with 480 pulses per quarter one pulse lasts 1/960 s (50 samples at 48 kHz).
class MidiBuilder {
public:
    explicit MidiBuilder(int ppqn = 480) : smf(smf_new()), track(smf_track_new())
    {
        if (smf_set_ppqn(smf, ppqn) != 0)
            std::abort();
        smf_add_track(smf, track);
    }
    ~MidiBuilder() { smf_delete(smf); }
    MidiBuilder(const MidiBuilder&) = delete;
    MidiBuilder& operator=(const MidiBuilder&) = delete;

    MidiBuilder& at(int pulses, std::initializer_list<uint8_t> bytes)
    {
        std::vector<uint8_t> copy(bytes);
        smf_event_t* event = smf_event_new_from_pointer(copy.data(), static_cast<int>(copy.size()));
        smf_track_add_event_pulses(track, event, pulses);
        return *this;
    }
    MidiBuilder& tempo(int pulses, uint32_t microsecondsPerQuarter)
    {
        return at(pulses, {0xFF, 0x51, 0x03, uint8_t(microsecondsPerQuarter >> 16), uint8_t(microsecondsPerQuarter >> 8),
                           uint8_t(microsecondsPerQuarter)});
    }
    bool save(const std::string& path) { return smf_save(smf, path.c_str()) == 0; }

private:
    smf_t* smf;
    smf_track_t* track;
};

} // namespace hosttest
