#include "render.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <map>
#include <new>

namespace vst3host {

namespace {

// A render longer than a day is a broken tempo map, not music.
constexpr double kMaxRenderSeconds = 24.0 * 3600.0;
constexpr int32_t kMaxBlockSize = 1 << 16;

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::optional<double> parseNumber(std::string_view text)
{
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool startsWith(std::string_view text, std::string_view head)
{
    return text.substr(0, head.size()) == head;
}

// The largest number of timeline entries of one kind that fall into any
// stretch of `block` samples; `samples` ascends.
uint32_t densest(const std::vector<int64_t>& samples, int64_t block)
{
    size_t first = 0;
    size_t most = 0;
    for (size_t last = 0; last < samples.size(); ++last) {
        while (samples[last] - samples[first] >= block)
            ++first;
        most = std::max(most, last - first + 1);
    }
    return static_cast<uint32_t>(most);
}

} // namespace

std::optional<ParameterSetting> parseParameterSetting(std::string_view text)
{
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    ParameterSetting setting{std::string(trim(text.substr(0, equals))), std::string(text.substr(equals + 1))};
    if (setting.key.empty())
        return std::nullopt;
    return setting;
}

std::optional<ParameterValue> resolveParameterSetting(const Plugin& plugin, const ParameterSetting& setting,
                                                      std::string& error)
{
    const auto parameter = plugin.findParameter(setting.key);
    if (!parameter) {
        error = "no parameter \"" + setting.key + "\"";
        return std::nullopt;
    }
    const std::string_view value = setting.value;
    const auto fromText = [&](std::string_view text) -> std::optional<double> {
        if (auto parsed = plugin.parameterFromString(parameter->id, trim(text)))
            return parsed;
        if (auto plain = parseNumber(text))
            return plugin.plainToNormalized(parameter->id, *plain);
        return std::nullopt;
    };
    std::optional<double> normalized;
    if (startsWith(value, "norm:")) {
        normalized = parseNumber(value.substr(5));
        if (normalized && (*normalized < 0.0 || *normalized > 1.0))
            normalized.reset();
    } else if (startsWith(value, "text:")) {
        normalized = fromText(value.substr(5));
    } else if (auto number = parseNumber(value); number && *number >= 0.0 && *number <= 1.0) {
        normalized = number;
    } else {
        normalized = fromText(value);
    }
    if (!normalized || !std::isfinite(*normalized)) {
        error = "cannot use \"" + setting.value + "\" for parameter \"" + parameter->title + "\"";
        return std::nullopt;
    }
    return ParameterValue{parameter->id, std::clamp(*normalized, 0.0, 1.0)};
}

bool applySettings(Plugin& plugin, const Settings& settings, std::vector<ParameterValue>& forProcessor,
                   std::string& error)
{
    if (settings.state && !plugin.setState(*settings.state)) {
        error = "the plug-in refused the state";
        return false;
    }
    if (settings.program >= 0) {
        const MidiControllerMap map = plugin.midiControllerMap();
        if (!map.programParameter) {
            error = "the plug-in has no program-change parameter";
            return false;
        }
        if (settings.program > map.programStepCount) {
            error = "program " + std::to_string(settings.program) + " is out of range (0–" +
                    std::to_string(map.programStepCount) + ")";
            return false;
        }
        const double value = map.programStepCount > 0 ? double(settings.program) / map.programStepCount : 0.0;
        if (!plugin.setParameterNormalized(*map.programParameter, value)) {
            error = "the plug-in refused program " + std::to_string(settings.program);
            return false;
        }
        forProcessor.push_back({*map.programParameter, value});
    }
    for (const ParameterSetting& setting : settings.parameters) {
        const auto resolved = resolveParameterSetting(plugin, setting, error);
        if (!resolved)
            return false;
        if (!plugin.setParameterNormalized(resolved->id, resolved->normalized)) {
            error = "the plug-in refused the value of \"" + setting.key + "\"";
            return false;
        }
        forProcessor.push_back(*resolved);
    }
    return true;
}

double RenderResult::realTimeFactor(double sampleRate) const
{
    if (processSeconds <= 0.0 || sampleRate <= 0.0)
        return 0.0;
    return static_cast<double>(frames) / sampleRate / processSeconds;
}

bool render(Plugin& plugin, const MidiSequence& sequence, const RenderOptions& options, const std::string& wavPath,
            RenderResult& result, std::string& error)
{
    result = RenderResult{};
    const double rate = options.sampleRate;
    if (!(rate >= 1.0 && rate <= 4'000'000.0) || options.blockSize < 1 || options.blockSize > kMaxBlockSize ||
        !(options.tailSeconds >= 0.0 && options.tailSeconds <= kMaxRenderSeconds)) {
        error = "invalid sample rate, block size or tail";
        return false;
    }
    const double seconds = sequence.lengthSeconds + options.tailSeconds;
    if (!(seconds <= kMaxRenderSeconds)) {
        error = "the sequence is too long to render";
        return false;
    }

    std::vector<ParameterValue> initial;
    if (!applySettings(plugin, options.settings, initial, error))
        return false;
    ProcessSetup setup{rate, options.blockSize, options.doublePrecision, options.processMode};
    if (!plugin.prepare(setup, error))
        return false;

    const std::vector<TimedEvent> timeline = toVst3Events(sequence, rate, plugin.midiControllerMap(), &result.midi);
    int64_t total = static_cast<int64_t>(std::ceil(seconds * rate));
    if (!timeline.empty())
        total = std::max(total, timeline.back().sample + 1);

    // Room for the densest block, so that nothing is dropped and nothing allocated while rendering.
    std::vector<int64_t> eventSamples;
    std::map<uint32_t, std::vector<int64_t>> pointSamples;
    for (const TimedEvent& entry : timeline) {
        if (entry.kind == TimedEvent::Kind::Event)
            eventSamples.push_back(entry.sample);
        else
            pointSamples[entry.parameterId].push_back(entry.sample);
    }
    for (const ParameterValue& change : initial)
        pointSamples[change.id];
    uint32_t points = 0;
    for (const auto& [id, samples] : pointSamples)
        points = std::max(points, densest(samples, options.blockSize));
    plugin.reserveInput(densest(eventSamples, options.blockSize), static_cast<uint32_t>(pointSamples.size()),
                        points + 1);

    WavWriter writer;
    if (!wavPath.empty() && !writer.open(wavPath, rate, 2, options.format, error)) {
        plugin.stop();
        return false;
    }
    std::vector<float> interleaved(2 * static_cast<size_t>(options.blockSize));
    try {
        if (options.captureAudio)
            result.audio.reserve(2 * static_cast<size_t>(total));
    } catch (const std::bad_alloc&) {
        error = "not enough memory to keep the audio";
        plugin.stop();
        return false;
    }

    const int32_t channels = plugin.outputChannelCount(0);
    const float* left32 = plugin.output32(0, 0);
    const float* right32 = channels > 1 ? plugin.output32(0, 1) : left32;
    const double* left64 = plugin.output64(0, 0);
    const double* right64 = channels > 1 ? plugin.output64(0, 1) : left64;
    const bool pcm = options.format == WavFormat::Pcm16;
    EventList& events = plugin.inputEvents();
    ParameterChanges& changes = plugin.inputParameterChanges();

    plugin.setSamplePosition(0);
    size_t next = 0;
    for (int64_t position = 0; position < total;) {
        int64_t frames = std::min<int64_t>(options.blockSize, total - position);
        for (size_t k = next; k < timeline.size() && timeline[k].sample < position + frames; ++k) {
            if (timeline[k].kind == TimedEvent::Kind::Program && timeline[k].sample > position) {
                frames = timeline[k].sample - position;
                break;
            }
        }
        if (position == 0) {
            for (const ParameterValue& change : initial)
                result.droppedInputs += !changes.addPoint(change.id, 0, change.normalized);
        }
        for (; next < timeline.size() && timeline[next].sample < position + frames; ++next) {
            const TimedEvent& entry = timeline[next];
            const int32_t offset = static_cast<int32_t>(entry.sample - position);
            switch (entry.kind) {
            case TimedEvent::Kind::Event: {
                v3_event event = entry.event;
                event.sample_offset = offset;
                result.droppedInputs += !events.add(event);
                break;
            }
            case TimedEvent::Kind::Program:
                // A program is the controller's business; the processor hears of it too.
                plugin.setParameterNormalized(entry.parameterId, entry.value);
                [[fallthrough]];
            case TimedEvent::Kind::Parameter:
                result.droppedInputs += !changes.addPoint(entry.parameterId, offset, entry.value);
                break;
            }
        }

        const auto start = std::chrono::steady_clock::now();
        const v3_result processed = plugin.process(static_cast<int32_t>(frames));
        result.processSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ++result.processCalls;
        result.processErrors += processed != V3_OK;
        result.outputEvents += plugin.outputEvents().size();
        const ParameterChanges& reported = plugin.outputParameterChanges();
        for (int32_t q = 0; q < reported.count(); ++q)
            result.outputParameterPoints += static_cast<uint64_t>(reported.at(q).pointCount());

        for (int64_t i = 0; i < frames; ++i) {
            float pair[2] = {0.0f, 0.0f};
            if (left32) {
                pair[0] = left32[i];
                pair[1] = right32[i];
            } else if (left64) {
                pair[0] = static_cast<float>(left64[i]);
                pair[1] = static_cast<float>(right64[i]);
            }
            for (float& sample : pair) {
                if (!std::isfinite(sample)) {
                    ++result.nonFiniteSamples;
                    if (pcm)
                        sample = std::isnan(sample) ? 0.0f : std::copysign(1.0f, sample);
                } else {
                    result.peak = std::max(result.peak, static_cast<double>(std::fabs(sample)));
                }
            }
            interleaved[2 * static_cast<size_t>(i)] = pair[0];
            interleaved[2 * static_cast<size_t>(i) + 1] = pair[1];
        }
        if (options.captureAudio)
            result.audio.insert(result.audio.end(), interleaved.begin(), interleaved.begin() + 2 * frames);
        if (writer.isOpen() && !writer.write(interleaved.data(), frames)) {
            error = "cannot write " + wavPath;
            plugin.stop();
            return false;
        }
        position += frames;
        result.frames = position;
    }
    result.handlerCallsDuringProcess = plugin.componentHandler().callsDuringProcess();
    plugin.stop();
    if (!writer.close(&error))
        return false;
    return true;
}

} // namespace vst3host
