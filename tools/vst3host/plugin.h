// One plug-in instance as a host drives it: component, audio processor, edit
// controller (the same object for single-component plug-ins), MIDI mapping and
// unit information; buses, processing setup, process calls with host-owned
// event lists, parameter changes and output buffers; state; parameters, units
// and program lists.
//
// Threads: everything here is main-thread work except process() and the
// input/output lists it uses, which belong to whichever thread processes.
// The offline renderer and the CLI use one thread for both.
#pragma once

#include "abi.h"
#include "componenthandler.h"
#include "eventlist.h"
#include "midievents.h"
#include "module.h"
#include "parameterchanges.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vst3host {

struct BusInfo {
    int32_t mediaType = V3_AUDIO;  // V3_AUDIO or V3_EVENT
    int32_t direction = V3_OUTPUT;  // V3_INPUT or V3_OUTPUT
    int32_t channelCount = 0;
    std::string name;
    int32_t busType = V3_MAIN;  // V3_MAIN or V3_AUX
    uint32_t flags = 0;  // V3_DEFAULT_ACTIVE …
};

struct ParameterInfo {
    uint32_t id = 0;
    std::string title;
    std::string shortTitle;
    std::string units;
    int32_t stepCount = 0;
    double defaultNormalized = 0.0;
    int32_t unitId = 0;
    int32_t flags = 0;  // V3_PARAM_CAN_AUTOMATE … V3_PARAM_PROGRAM_CHANGE (0x8000) …
};

struct UnitInfo {
    int32_t id = 0;
    int32_t parentId = -1;
    std::string name;
    int32_t programListId = -1;
};

struct ProgramListInfo {
    int32_t id = 0;
    std::string name;
    int32_t programCount = 0;
    std::vector<std::string> programNames;  // empty where getProgramName failed
};

struct ProcessSetup {
    double sampleRate = 48000.0;
    int32_t maxBlockSize = 512;
    bool doublePrecision = false;  // 64-bit sample buffers
    int32_t processMode = V3_REALTIME;  // V3_REALTIME, V3_PREFETCH, V3_OFFLINE
};

class Plugin {
public:
    // Creates the class named `className`, or the module's first "Audio Module
    // Class" when it is empty, and initialises it with the module's host
    // context; sets up the controller (queried from the component, or created
    // from getControllerClassId, initialised and connected) and the component
    // handler. Null with `error` set on failure.
    static std::unique_ptr<Plugin> create(std::shared_ptr<Module> module, std::string_view className,
                                          std::string& error);
    // Stops processing, deactivates, disconnects, terminates, releases.
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    Module& module() const { return *owner; }
    const ClassInfo& classInfo() const { return info; }
    bool singleComponent() const { return separateController == false; }
    ComponentHandler& componentHandler() { return handler; }

    // The raw interfaces; those the plug-in lacks are null.
    v3_component_cpp** component() const { return componentPtr.get(); }
    v3_audio_processor_cpp** processor() const { return processorPtr.get(); }
    v3_edit_controller_cpp** controller() const { return controllerPtr.get(); }
    v3_midi_mapping_cpp** midiMapping() const { return midiMappingPtr.get(); }
    v3_unit_information_cpp** unitInformation() const { return unitInfoPtr.get(); }

    // Buses.
    int32_t busCount(int32_t mediaType, int32_t direction) const;
    std::optional<BusInfo> busInfo(int32_t mediaType, int32_t direction, int32_t index) const;
    std::vector<BusInfo> buses(int32_t mediaType, int32_t direction) const;
    bool activateBus(int32_t mediaType, int32_t direction, int32_t index, bool state);
    std::optional<v3_speaker_arrangement> busArrangement(int32_t direction, int32_t index) const;
    bool setBusArrangements(std::span<const v3_speaker_arrangement> inputs,
                            std::span<const v3_speaker_arrangement> outputs);
    uint32_t latencySamples() const;
    uint32_t tailSamples() const;

    // Processing, step by step: setupProcessing() also sizes the host's
    // buffers and lists; then setActive(true), setProcessing(true), process().
    bool canProcess64Bit() const;
    bool setupProcessing(const ProcessSetup& setup);
    bool setActive(bool state);
    bool setProcessing(bool state);
    // All of it in one go: stereo main output (kept as the plug-in has it if
    // refused), main output and event input plus every default-active bus
    // activated, setupProcessing, setActive, setProcessing; the transport
    // starts again at sample 0.
    bool prepare(const ProcessSetup& setup, std::string& error);
    void stop();  // setProcessing(false), setActive(false) where they are on
    const ProcessSetup& processSetup() const { return setup; }
    bool active() const { return isActive; }
    bool processing() const { return isProcessing; }

    // Grows the input lists before a run that needs more room (main thread).
    void reserveInput(uint32_t events, uint32_t queues, uint32_t pointsPerQueue);

    // Audio-thread side. Fill inputEvents() and inputParameterChanges(), then
    // process(): output buffers are zeroed, output lists cleared, the plug-in
    // renders `frames` (≤ max block size), the transport advances and the
    // input lists are cleared. Allocates nothing. Returns the plug-in's result,
    // or V3_NOT_INITIALIZED / V3_INVALID_ARG without calling it.
    EventList& inputEvents() { return inEvents; }
    ParameterChanges& inputParameterChanges() { return inChanges; }
    v3_result process(int32_t frames);
    const EventList& outputEvents() const { return outEvents; }
    const ParameterChanges& outputParameterChanges() const { return outChanges; }
    int32_t outputBusCount() const { return static_cast<int32_t>(outputBuses.size()); }
    int32_t outputChannelCount(int32_t bus) const;
    // Null when the bus or channel does not exist or the precision differs.
    const float* output32(int32_t bus, int32_t channel) const;
    const double* output64(int32_t bus, int32_t channel) const;

    // Transport given to the plug-in: playing from sample 0 at 120 BPM, 4/4.
    void setTempo(double bpm, int32_t numerator = 4, int32_t denominator = 4);
    void setSamplePosition(int64_t position);
    int64_t samplePosition() const { return context.project_time_in_samples; }

    // Component state through a memory stream; setState also hands it to a
    // separate controller with setComponentState.
    bool getState(std::vector<uint8_t>& out);
    bool setState(std::span<const uint8_t> data);
    bool getControllerState(std::vector<uint8_t>& out);
    bool setControllerState(std::span<const uint8_t> data);

    // Parameters (controller side).
    int32_t parameterCount() const;
    std::optional<ParameterInfo> parameterInfo(int32_t index) const;
    std::vector<ParameterInfo> parameters() const;
    std::optional<ParameterInfo> findParameter(uint32_t id) const;
    // By ID (all digits) or else by title, then short title; exact matches.
    std::optional<ParameterInfo> findParameter(std::string_view idOrTitle) const;
    std::string parameterString(uint32_t id, double normalized) const;  // empty on failure
    std::optional<double> parameterFromString(uint32_t id, std::string_view text) const;
    double normalizedToPlain(uint32_t id, double normalized) const;
    double plainToNormalized(uint32_t id, double plain) const;
    double parameterNormalized(uint32_t id) const;
    bool setParameterNormalized(uint32_t id, double normalized);
    std::optional<uint32_t> midiControllerAssignment(int32_t bus, int16_t channel, int16_t controller) const;
    MidiControllerMap midiControllerMap() const;

    // Units and program lists (IUnitInfo); empty when the plug-in has none.
    std::vector<UnitInfo> units() const;
    std::vector<ProgramListInfo> programLists() const;

private:
    Plugin(std::shared_ptr<Module> module, const ClassInfo& info);
    bool initialize(std::string& error);
    bool allocateBuffers();
    void updateContext();

    struct BusBuffers {
        std::vector<std::vector<float>> samples32;
        std::vector<std::vector<double>> samples64;
        std::vector<float*> pointers32;
        std::vector<double*> pointers64;
    };

    std::shared_ptr<Module> owner;
    ClassInfo info;
    ComponentHandler handler;
    EventList inEvents;
    EventList outEvents;
    ParameterChanges inChanges;
    ParameterChanges outChanges;

    ComPtr<v3_component_cpp> componentPtr;
    ComPtr<v3_audio_processor_cpp> processorPtr;
    ComPtr<v3_edit_controller_cpp> controllerPtr;
    ComPtr<v3_midi_mapping_cpp> midiMappingPtr;
    ComPtr<v3_unit_information_cpp> unitInfoPtr;
    ComPtr<v3_connection_point_cpp> componentConnection;
    ComPtr<v3_connection_point_cpp> controllerConnection;
    bool componentInitialized = false;
    bool controllerInitialized = false;
    bool separateController = false;
    bool connected = false;

    ProcessSetup setup;
    bool isSetUp = false;
    bool isActive = false;
    bool isProcessing = false;
    std::vector<BusBuffers> inputBuffers;
    std::vector<BusBuffers> outputBuffers;
    std::vector<v3_audio_bus_buffers> inputBuses;
    std::vector<v3_audio_bus_buffers> outputBuses;
    v3_process_context context{};
    v3_process_data data{};
};

} // namespace vst3host
