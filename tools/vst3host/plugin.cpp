#include "plugin.h"

#include "memorystream.h"
#include "abitext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vst3host {

namespace {

constexpr v3_speaker_arrangement kStereo = V3_SPEAKER_L | V3_SPEAKER_R;
constexpr v3_speaker_arrangement kMono = V3_SPEAKER_M;
// Bounds on what a plug-in reports, so that a hostile count cannot make the
// host allocate without end.
constexpr int32_t kMaxChannels = 64;
constexpr int32_t kMaxPrograms = 65536;
constexpr uint32_t kMaxQueues = 4096;
constexpr uint32_t kPointsPerQueue = 64;

v3_speaker_arrangement arrangementFor(int32_t channels)
{
    if (channels == 1)
        return kMono;
    if (channels == 2)
        return kStereo;
    v3_speaker_arrangement mask = 0;
    for (int32_t i = 0; i < channels && i < 64; ++i)
        mask |= v3_speaker_arrangement{1} << i;
    return mask;
}

uint64_t allChannels(int32_t channels)
{
    return channels >= 64 ? ~uint64_t{0} : (uint64_t{1} << channels) - 1;
}

ParameterInfo toParameterInfo(const v3_param_info& raw)
{
    ParameterInfo p;
    p.id = raw.param_id;
    p.title = fromUtf16(raw.title, 128);
    p.shortTitle = fromUtf16(raw.short_title, 128);
    p.units = fromUtf16(raw.units, 128);
    p.stepCount = raw.step_count;
    p.defaultNormalized = raw.default_normalised_value;
    p.unitId = raw.unit_id;
    p.flags = raw.flags;
    return p;
}

bool allDigits(std::string_view text)
{
    return !text.empty() && text.size() <= 10 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

Plugin::Plugin(std::shared_ptr<Module> module, const ClassInfo& classInfo)
    : owner(std::move(module)), info(classInfo)
{
}

std::unique_ptr<Plugin> Plugin::create(std::shared_ptr<Module> module, std::string_view className,
                                       std::string& error)
{
    if (!module) {
        error = "no module";
        return nullptr;
    }
    const ClassInfo* chosen = module->findClass(kAudioModuleClass, className);
    if (!chosen) {
        error = className.empty() ? "the module has no \"Audio Module Class\""
                                  : "the module has no \"Audio Module Class\" named \"" + std::string(className) + "\"";
        return nullptr;
    }
    std::unique_ptr<Plugin> plugin(new Plugin(std::move(module), *chosen));
    if (!plugin->initialize(error))
        return nullptr;
    return plugin;
}

bool Plugin::initialize(std::string& error)
{
    componentPtr = ComPtr<v3_component_cpp>::adopt(owner->createInstance(info.id, v3_component_iid));
    if (!componentPtr) {
        error = "the factory could not create \"" + info.name + "\"";
        return false;
    }
    processorPtr = componentPtr.query<v3_audio_processor_cpp>(v3_audio_processor_iid);
    if (!processorPtr) {
        error = "\"" + info.name + "\" has no audio processor";
        return false;
    }
    v3_funknown** context = owner->hostApplication().context();
    const v3_result initialized = componentPtr->base.initialize(componentPtr.get(), context);
    if (initialized != V3_OK) {
        error = std::string("initialize failed: ") + resultName(initialized);
        return false;
    }
    componentInitialized = true;

    controllerPtr = componentPtr.query<v3_edit_controller_cpp>(v3_edit_controller_iid);
    if (!controllerPtr) {
        v3_tuid controllerId{};
        const bool named = componentPtr->comp.get_controller_class_id(componentPtr.get(), controllerId) == V3_OK &&
                           std::any_of(std::begin(controllerId), std::end(controllerId), [](uint8_t b) { return b; });
        if (named) {
            controllerPtr =
                ComPtr<v3_edit_controller_cpp>::adopt(owner->createInstance(toTuid(controllerId), v3_edit_controller_iid));
            if (!controllerPtr) {
                error = "the factory could not create the edit controller of \"" + info.name + "\"";
                return false;
            }
            const v3_result ready = controllerPtr->base.initialize(controllerPtr.get(), context);
            if (ready != V3_OK) {
                error = std::string("the edit controller's initialize failed: ") + resultName(ready);
                controllerPtr.reset();
                return false;
            }
            controllerInitialized = true;
            separateController = true;
            componentConnection = componentPtr.query<v3_connection_point_cpp>(v3_connection_point_iid);
            controllerConnection = controllerPtr.query<v3_connection_point_cpp>(v3_connection_point_iid);
            if (componentConnection && controllerConnection) {
                auto* toController = reinterpret_cast<v3_connection_point**>(controllerConnection.get());
                auto* toComponent = reinterpret_cast<v3_connection_point**>(componentConnection.get());
                componentConnection->point.connect(componentConnection.get(), toController);
                controllerConnection->point.connect(controllerConnection.get(), toComponent);
                connected = true;
            }
            // The controller starts from the component's current state.
            MemoryStream state;
            if (componentPtr->comp.get_state(componentPtr.get(), state.stream()) == V3_OK) {
                state.rewind();
                controllerPtr->ctrl.set_component_state(controllerPtr.get(), state.stream());
            }
        }
    }
    if (controllerPtr) {
        controllerPtr->ctrl.set_component_handler(controllerPtr.get(), handler.handler());
        midiMappingPtr = controllerPtr.query<v3_midi_mapping_cpp>(v3_midi_mapping_iid);
        unitInfoPtr = controllerPtr.query<v3_unit_information_cpp>(v3_unit_information_iid);
    }
    if (!midiMappingPtr)
        midiMappingPtr = componentPtr.query<v3_midi_mapping_cpp>(v3_midi_mapping_iid);
    if (!unitInfoPtr)
        unitInfoPtr = componentPtr.query<v3_unit_information_cpp>(v3_unit_information_iid);
    return true;
}

Plugin::~Plugin()
{
    stop();
    if (connected) {
        auto* toController = reinterpret_cast<v3_connection_point**>(controllerConnection.get());
        auto* toComponent = reinterpret_cast<v3_connection_point**>(componentConnection.get());
        componentConnection->point.disconnect(componentConnection.get(), toController);
        controllerConnection->point.disconnect(controllerConnection.get(), toComponent);
    }
    componentConnection.reset();
    controllerConnection.reset();
    unitInfoPtr.reset();
    midiMappingPtr.reset();
    if (controllerInitialized)
        controllerPtr->base.terminate(controllerPtr.get());
    controllerPtr.reset();
    if (componentInitialized)
        componentPtr->base.terminate(componentPtr.get());
    processorPtr.reset();
    componentPtr.reset();
}

// ---- buses

int32_t Plugin::busCount(int32_t mediaType, int32_t direction) const
{
    return std::max(0, componentPtr->comp.get_bus_count(componentPtr.get(), mediaType, direction));
}

std::optional<BusInfo> Plugin::busInfo(int32_t mediaType, int32_t direction, int32_t index) const
{
    v3_bus_info raw{};
    if (componentPtr->comp.get_bus_info(componentPtr.get(), mediaType, direction, index, &raw) != V3_OK)
        return std::nullopt;
    BusInfo bus;
    bus.mediaType = raw.media_type;
    bus.direction = raw.direction;
    bus.channelCount = raw.channel_count;
    bus.name = fromUtf16(raw.bus_name, 128);
    bus.busType = raw.bus_type;
    bus.flags = raw.flags;
    return bus;
}

std::vector<BusInfo> Plugin::buses(int32_t mediaType, int32_t direction) const
{
    std::vector<BusInfo> list;
    const int32_t count = busCount(mediaType, direction);
    for (int32_t i = 0; i < count; ++i)
        if (auto bus = busInfo(mediaType, direction, i))
            list.push_back(*bus);
    return list;
}

bool Plugin::activateBus(int32_t mediaType, int32_t direction, int32_t index, bool state)
{
    return componentPtr->comp.activate_bus(componentPtr.get(), mediaType, direction, index, state ? 1 : 0) == V3_OK;
}

std::optional<v3_speaker_arrangement> Plugin::busArrangement(int32_t direction, int32_t index) const
{
    v3_speaker_arrangement arrangement = 0;
    if (processorPtr->proc.get_bus_arrangement(processorPtr.get(), direction, index, &arrangement) != V3_OK)
        return std::nullopt;
    return arrangement;
}

bool Plugin::setBusArrangements(std::span<const v3_speaker_arrangement> inputs,
                                std::span<const v3_speaker_arrangement> outputs)
{
    std::vector<v3_speaker_arrangement> in(inputs.begin(), inputs.end());
    std::vector<v3_speaker_arrangement> out(outputs.begin(), outputs.end());
    return processorPtr->proc.set_bus_arrangements(processorPtr.get(), in.empty() ? nullptr : in.data(),
                                                   static_cast<int32_t>(in.size()), out.empty() ? nullptr : out.data(),
                                                   static_cast<int32_t>(out.size())) == V3_OK;
}

uint32_t Plugin::latencySamples() const
{
    return processorPtr->proc.get_latency_samples(processorPtr.get());
}

uint32_t Plugin::tailSamples() const
{
    return processorPtr->proc.get_tail_samples(processorPtr.get());
}

// ---- processing

bool Plugin::canProcess64Bit() const
{
    return processorPtr->proc.can_process_sample_size(processorPtr.get(), V3_SAMPLE_64) == V3_OK;
}

bool Plugin::setupProcessing(const ProcessSetup& wanted)
{
    if (!(wanted.sampleRate > 0.0) || !std::isfinite(wanted.sampleRate) || wanted.maxBlockSize < 1 || isActive)
        return false;
    v3_process_setup raw{};
    raw.process_mode = wanted.processMode;
    raw.symbolic_sample_size = wanted.doublePrecision ? V3_SAMPLE_64 : V3_SAMPLE_32;
    raw.max_block_size = wanted.maxBlockSize;
    raw.sample_rate = wanted.sampleRate;
    if (processorPtr->proc.setup_processing(processorPtr.get(), &raw) != V3_OK)
        return false;
    setup = wanted;
    isSetUp = allocateBuffers();
    return isSetUp;
}

bool Plugin::allocateBuffers()
{
    const auto fill = [this](int32_t direction, std::vector<BusBuffers>& buffers,
                             std::vector<v3_audio_bus_buffers>& records) {
        const int32_t count = busCount(V3_AUDIO, direction);
        buffers.assign(static_cast<size_t>(count), BusBuffers{});
        records.assign(static_cast<size_t>(count), v3_audio_bus_buffers{});
        const size_t frames = static_cast<size_t>(setup.maxBlockSize);
        for (int32_t b = 0; b < count; ++b) {
            const auto bus = busInfo(V3_AUDIO, direction, b);
            const int32_t channels = bus ? std::clamp(bus->channelCount, 0, kMaxChannels) : 0;
            BusBuffers& buffer = buffers[static_cast<size_t>(b)];
            v3_audio_bus_buffers& record = records[static_cast<size_t>(b)];
            record.num_channels = channels;
            for (int32_t c = 0; c < channels; ++c) {
                if (setup.doublePrecision)
                    buffer.samples64.emplace_back(frames, 0.0);
                else
                    buffer.samples32.emplace_back(frames, 0.0f);
            }
            for (auto& channel : buffer.samples32)
                buffer.pointers32.push_back(channel.data());
            for (auto& channel : buffer.samples64)
                buffer.pointers64.push_back(channel.data());
            if (setup.doublePrecision)
                record.channel_buffers_64 = buffer.pointers64.data();
            else
                record.channel_buffers_32 = buffer.pointers32.data();
        }
    };
    fill(V3_INPUT, inputBuffers, inputBuses);
    fill(V3_OUTPUT, outputBuffers, outputBuses);

    const uint32_t queues = std::clamp<uint32_t>(static_cast<uint32_t>(std::max(parameterCount(), 0)), 64, kMaxQueues);
    inChanges.reserve(queues, kPointsPerQueue);
    outChanges.reserve(queues, kPointsPerQueue);

    data = v3_process_data{};
    data.process_mode = setup.processMode;
    data.symbolic_sample_size = setup.doublePrecision ? V3_SAMPLE_64 : V3_SAMPLE_32;
    data.num_input_buses = static_cast<int32_t>(inputBuses.size());
    data.num_output_buses = static_cast<int32_t>(outputBuses.size());
    data.inputs = inputBuses.empty() ? nullptr : inputBuses.data();
    data.outputs = outputBuses.empty() ? nullptr : outputBuses.data();
    data.input_params = inChanges.changes();
    data.output_params = outChanges.changes();
    data.input_events = inEvents.list();
    data.output_events = outEvents.list();
    data.ctx = &context;

    context.sample_rate = setup.sampleRate;
    if (context.bpm <= 0.0)
        setTempo(120.0);
    return true;
}

bool Plugin::setActive(bool state)
{
    if (state && !isSetUp)
        return false;
    const bool done = componentPtr->comp.set_active(componentPtr.get(), state ? 1 : 0) == V3_OK;
    if (done || !state)
        isActive = state && done;
    return done;
}

bool Plugin::setProcessing(bool state)
{
    const v3_result result = processorPtr->proc.set_processing(processorPtr.get(), state ? 1 : 0);
    // Plug-ins with nothing to do here may answer "not implemented".
    const bool done = result == V3_OK || result == V3_NOT_IMPLEMENTED;
    if (done || !state)
        isProcessing = state && done;
    return done;
}

bool Plugin::prepare(const ProcessSetup& wanted, std::string& error)
{
    stop();
    std::vector<v3_speaker_arrangement> inputs;
    std::vector<v3_speaker_arrangement> outputs;
    for (int32_t i = 0; i < busCount(V3_AUDIO, V3_INPUT); ++i) {
        const auto bus = busInfo(V3_AUDIO, V3_INPUT, i);
        inputs.push_back(busArrangement(V3_INPUT, i).value_or(arrangementFor(bus ? bus->channelCount : 0)));
    }
    for (int32_t i = 0; i < busCount(V3_AUDIO, V3_OUTPUT); ++i) {
        const auto bus = busInfo(V3_AUDIO, V3_OUTPUT, i);
        outputs.push_back(i == 0 ? kStereo
                                 : busArrangement(V3_OUTPUT, i).value_or(arrangementFor(bus ? bus->channelCount : 0)));
    }
    // A plug-in that refuses stereo keeps its own arrangement; the renderer
    // copies a mono output to both channels.
    if (!outputs.empty())
        setBusArrangements(inputs, outputs);

    for (int32_t media : {V3_AUDIO, V3_EVENT}) {
        for (int32_t direction : {V3_INPUT, V3_OUTPUT}) {
            const bool wantedFirst = (media == V3_AUDIO && direction == V3_OUTPUT) ||
                                     (media == V3_EVENT && direction == V3_INPUT);
            for (int32_t i = 0; i < busCount(media, direction); ++i) {
                const auto bus = busInfo(media, direction, i);
                if ((bus && (bus->flags & V3_DEFAULT_ACTIVE)) || (i == 0 && wantedFirst))
                    activateBus(media, direction, i, true);
            }
        }
    }
    if (wanted.doublePrecision && !canProcess64Bit()) {
        error = "the plug-in cannot process 64-bit samples";
        return false;
    }
    if (!setupProcessing(wanted)) {
        error = "setupProcessing refused";
        return false;
    }
    if (!setActive(true)) {
        error = "setActive(true) failed";
        return false;
    }
    if (!setProcessing(true)) {
        error = "setProcessing(true) failed";
        return false;
    }
    setSamplePosition(0);
    return true;
}

void Plugin::stop()
{
    if (isProcessing)
        setProcessing(false);
    if (isActive)
        setActive(false);
}

void Plugin::reserveInput(uint32_t events, uint32_t queues, uint32_t pointsPerQueue)
{
    inEvents.reserve(events);
    inChanges.reserve(std::min(queues, kMaxQueues), pointsPerQueue);
}

void Plugin::setTempo(double bpm, int32_t numerator, int32_t denominator)
{
    context.bpm = bpm > 0.0 && std::isfinite(bpm) ? bpm : 120.0;
    context.time_sig_numerator = numerator > 0 ? numerator : 4;
    context.time_sig_denom = denominator > 0 ? denominator : 4;
}

void Plugin::setSamplePosition(int64_t position)
{
    context.project_time_in_samples = position;
    context.continuous_time_in_samples = position;
}

void Plugin::updateContext()
{
    context.state = V3_PROCESS_CTX_PLAYING | V3_PROCESS_CTX_PROJECT_TIME_VALID | V3_PROCESS_CTX_TEMPO_VALID |
                    V3_PROCESS_CTX_TIME_SIG_VALID | V3_PROCESS_CTX_BAR_POSITION_VALID |
                    V3_PROCESS_CTX_CONT_TIME_VALID;
    context.sample_rate = setup.sampleRate;
    const double quarters = static_cast<double>(context.project_time_in_samples) / setup.sampleRate * context.bpm / 60.0;
    const double barLength = context.time_sig_numerator * 4.0 / context.time_sig_denom;
    context.project_time_quarters = quarters;
    context.bar_position_quarters = std::floor(quarters / barLength) * barLength;
}

v3_result Plugin::process(int32_t frames)
{
    if (!isSetUp || !isActive)
        return V3_NOT_INITIALIZED;
    if (frames < 0 || frames > setup.maxBlockSize)
        return V3_INVALID_ARG;
    const size_t count = static_cast<size_t>(frames);
    for (size_t b = 0; b < inputBuses.size(); ++b) {
        for (auto& channel : inputBuffers[b].samples32)
            std::fill_n(channel.data(), count, 0.0f);
        for (auto& channel : inputBuffers[b].samples64)
            std::fill_n(channel.data(), count, 0.0);
        inputBuses[b].channel_silence_bitset = allChannels(inputBuses[b].num_channels);
    }
    for (size_t b = 0; b < outputBuses.size(); ++b) {
        for (auto& channel : outputBuffers[b].samples32)
            std::fill_n(channel.data(), count, 0.0f);
        for (auto& channel : outputBuffers[b].samples64)
            std::fill_n(channel.data(), count, 0.0);
        outputBuses[b].channel_silence_bitset = 0;
    }
    outEvents.clear();
    outChanges.clear();
    data.nframes = frames;
    updateContext();

    handler.setInProcess(true);
    const v3_result result = processorPtr->proc.process(processorPtr.get(), &data);
    handler.setInProcess(false);

    context.project_time_in_samples += frames;
    context.continuous_time_in_samples += frames;
    inEvents.clear();
    inChanges.clear();
    return result;
}

int32_t Plugin::outputChannelCount(int32_t bus) const
{
    if (bus < 0 || bus >= outputBusCount())
        return 0;
    return outputBuses[static_cast<size_t>(bus)].num_channels;
}

const float* Plugin::output32(int32_t bus, int32_t channel) const
{
    if (!isSetUp || setup.doublePrecision || channel < 0 || channel >= outputChannelCount(bus))
        return nullptr;
    return outputBuffers[static_cast<size_t>(bus)].samples32[static_cast<size_t>(channel)].data();
}

const double* Plugin::output64(int32_t bus, int32_t channel) const
{
    if (!isSetUp || !setup.doublePrecision || channel < 0 || channel >= outputChannelCount(bus))
        return nullptr;
    return outputBuffers[static_cast<size_t>(bus)].samples64[static_cast<size_t>(channel)].data();
}

// ---- state

bool Plugin::getState(std::vector<uint8_t>& out)
{
    MemoryStream stream;
    if (componentPtr->comp.get_state(componentPtr.get(), stream.stream()) != V3_OK)
        return false;
    out = stream.data();
    return true;
}

bool Plugin::setState(std::span<const uint8_t> bytes)
{
    MemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    if (componentPtr->comp.set_state(componentPtr.get(), stream.stream()) != V3_OK)
        return false;
    if (controllerPtr) {
        MemoryStream copy(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        controllerPtr->ctrl.set_component_state(controllerPtr.get(), copy.stream());
    }
    return true;
}

bool Plugin::getControllerState(std::vector<uint8_t>& out)
{
    MemoryStream stream;
    if (!controllerPtr || controllerPtr->ctrl.get_state(controllerPtr.get(), stream.stream()) != V3_OK)
        return false;
    out = stream.data();
    return true;
}

bool Plugin::setControllerState(std::span<const uint8_t> bytes)
{
    MemoryStream stream(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    return controllerPtr && controllerPtr->ctrl.set_state(controllerPtr.get(), stream.stream()) == V3_OK;
}

// ---- parameters

int32_t Plugin::parameterCount() const
{
    return controllerPtr ? std::max(0, controllerPtr->ctrl.get_parameter_count(controllerPtr.get())) : 0;
}

std::optional<ParameterInfo> Plugin::parameterInfo(int32_t index) const
{
    v3_param_info raw{};
    if (!controllerPtr || controllerPtr->ctrl.get_parameter_info(controllerPtr.get(), index, &raw) != V3_OK)
        return std::nullopt;
    return toParameterInfo(raw);
}

std::vector<ParameterInfo> Plugin::parameters() const
{
    std::vector<ParameterInfo> list;
    const int32_t count = parameterCount();
    for (int32_t i = 0; i < count; ++i)
        if (auto p = parameterInfo(i))
            list.push_back(std::move(*p));
    return list;
}

std::optional<ParameterInfo> Plugin::findParameter(uint32_t id) const
{
    const int32_t count = parameterCount();
    for (int32_t i = 0; i < count; ++i)
        if (auto p = parameterInfo(i); p && p->id == id)
            return p;
    return std::nullopt;
}

std::optional<ParameterInfo> Plugin::findParameter(std::string_view idOrTitle) const
{
    if (allDigits(idOrTitle)) {
        const unsigned long long id = std::stoull(std::string(idOrTitle));
        if (id <= UINT32_MAX)
            if (auto p = findParameter(static_cast<uint32_t>(id)))
                return p;
    }
    const std::vector<ParameterInfo> list = parameters();
    for (const auto& p : list)
        if (p.title == idOrTitle)
            return p;
    for (const auto& p : list)
        if (p.shortTitle == idOrTitle)
            return p;
    return std::nullopt;
}

std::string Plugin::parameterString(uint32_t id, double normalized) const
{
    v3_str_128 text{};
    if (!controllerPtr ||
        controllerPtr->ctrl.get_parameter_string_for_value(controllerPtr.get(), id, normalized, text) != V3_OK)
        return {};
    return fromUtf16(text, 128);
}

std::optional<double> Plugin::parameterFromString(uint32_t id, std::string_view text) const
{
    std::vector<int16_t> wide = toUtf16(text);
    double value = 0.0;
    if (!controllerPtr ||
        controllerPtr->ctrl.get_parameter_value_for_string(controllerPtr.get(), id, wide.data(), &value) != V3_OK)
        return std::nullopt;
    return value;
}

double Plugin::normalizedToPlain(uint32_t id, double normalized) const
{
    return controllerPtr ? controllerPtr->ctrl.normalised_parameter_to_plain(controllerPtr.get(), id, normalized) : 0.0;
}

double Plugin::plainToNormalized(uint32_t id, double plain) const
{
    return controllerPtr ? controllerPtr->ctrl.plain_parameter_to_normalised(controllerPtr.get(), id, plain) : 0.0;
}

double Plugin::parameterNormalized(uint32_t id) const
{
    return controllerPtr ? controllerPtr->ctrl.get_parameter_normalised(controllerPtr.get(), id) : 0.0;
}

bool Plugin::setParameterNormalized(uint32_t id, double normalized)
{
    return controllerPtr && controllerPtr->ctrl.set_parameter_normalised(controllerPtr.get(), id, normalized) == V3_OK;
}

std::optional<uint32_t> Plugin::midiControllerAssignment(int32_t bus, int16_t channel, int16_t controller) const
{
    v3_param_id id = 0;
    if (!midiMappingPtr ||
        midiMappingPtr->map.get_midi_controller_assignment(midiMappingPtr.get(), bus, channel, controller, &id) != V3_OK)
        return std::nullopt;
    return id;
}

MidiControllerMap Plugin::midiControllerMap() const
{
    MidiControllerMap map;
    if (midiMappingPtr) {
        for (int channel = 0; channel < MidiControllerMap::kChannels; ++channel)
            for (int controller = 0; controller < MidiControllerMap::kControllers; ++controller)
                if (auto id = midiControllerAssignment(0, static_cast<int16_t>(channel), static_cast<int16_t>(controller)))
                    map.assign(channel, controller, *id);
    }
    for (const ParameterInfo& p : parameters()) {
        if (p.flags & V3_PARAM_PROGRAM_CHANGE) {
            map.programParameter = p.id;
            map.programStepCount = std::max(0, p.stepCount);
            break;
        }
    }
    return map;
}

// ---- units and program lists

std::vector<UnitInfo> Plugin::units() const
{
    std::vector<UnitInfo> list;
    if (!unitInfoPtr)
        return list;
    const int32_t count = unitInfoPtr->unit.get_unit_count(unitInfoPtr.get());
    for (int32_t i = 0; i < count; ++i) {
        v3_unit_info raw{};
        if (unitInfoPtr->unit.get_unit_info(unitInfoPtr.get(), i, &raw) != V3_OK)
            continue;
        list.push_back({raw.id, raw.parent_unit_id, fromUtf16(raw.name, 128), raw.program_list_id});
    }
    return list;
}

std::vector<ProgramListInfo> Plugin::programLists() const
{
    std::vector<ProgramListInfo> lists;
    if (!unitInfoPtr)
        return lists;
    const int32_t count = unitInfoPtr->unit.get_program_list_count(unitInfoPtr.get());
    for (int32_t i = 0; i < count; ++i) {
        v3_program_list_info raw{};
        if (unitInfoPtr->unit.get_program_list_info(unitInfoPtr.get(), i, &raw) != V3_OK)
            continue;
        ProgramListInfo list{raw.id, fromUtf16(raw.name, 128), raw.programCount, {}};
        const int32_t programs = std::clamp(raw.programCount, 0, kMaxPrograms);
        for (int32_t p = 0; p < programs; ++p) {
            v3_str_128 name{};
            if (unitInfoPtr->unit.get_program_name(unitInfoPtr.get(), raw.id, p, name) == V3_OK)
                list.programNames.push_back(fromUtf16(name, 128));
            else
                list.programNames.emplace_back();
        }
        lists.push_back(std::move(list));
    }
    return lists;
}

} // namespace vst3host
