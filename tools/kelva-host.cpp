// kelva-host: a small VST 3 host for the command line. It loads any bundle by
// path through its exported entry points, lists what the plug-in offers,
// renders Standard MIDI Files to WAV, and saves and restores component state.

#include "module.h"
#include "plugin.h"
#include "render.h"
#include "abitext.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

using namespace vst3host;

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

void printUsage(FILE* out)
{
    std::fputs(
        "usage:\n"
        "  kelva-host info <bundle> [--class NAME]\n"
        "  kelva-host render <bundle> <in.mid> <out.wav> [--rate 48000] [--block 512]\n"
        "             [--program N] [--param ID_or_title=value ...] [--tail 2] [--double]\n"
        "             [--pcm16] [--state-in FILE] [--state-out FILE] [--class NAME]\n"
        "  kelva-host state save <bundle> <file> [--program N] [--param ID_or_title=value ...]\n"
        "  kelva-host state restore <bundle> <file>\n"
        "  kelva-host edit <bundle>\n"
        "\n"
        "A parameter value is normalised when it is a number from 0 to 1, or written\n"
        "norm:X; anything else (or text:T) goes through the plug-in's own text\n"
        "conversion, e.g. --param Volume=0.8 --param \"Tune=text:440 Hz\".\n"
        "render writes 32-bit float stereo unless --pcm16 is given; --double renders\n"
        "with 64-bit buffers; --tail is in seconds.\n",
        out);
}

int usageError(const std::string& message)
{
    std::fprintf(stderr, "kelva-host: %s\n\n", message.c_str());
    printUsage(stderr);
    return kUsage;
}

int failure(const std::string& message)
{
    std::fprintf(stderr, "kelva-host: %s\n", message.c_str());
    return kFailed;
}

// The options every command shares; each command accepts only its own.
struct Options {
    std::vector<std::string> positional;
    std::string className;
    double rate = 48000.0;
    int32_t block = 512;
    double tail = 2.0;
    bool doublePrecision = false;
    bool pcm16 = false;
    std::string stateIn;
    std::string stateOut;
    Settings settings;
};

bool parseInt(const char* text, long min, long max, int32_t& out)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < min || value > max)
        return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool parseDouble(const char* text, double min, double max, double& out)
{
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < min || value > max)
        return false;
    out = value;
    return true;
}

// Parses argv[first…] into `options`; `allowed` names the options this
// command takes (without the dashes, space-separated).
bool parseOptions(int argc, char** argv, int first, const std::string& allowed, Options& options,
                  std::string& error)
{
    const auto takes = [&](const std::string& name) {
        return (" " + allowed + " ").find(" " + name + " ") != std::string::npos;
    };
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--", 0) != 0) {
            options.positional.push_back(arg);
            continue;
        }
        const std::string name = arg.substr(2);
        if (!takes(name)) {
            error = "unknown option " + arg;
            return false;
        }
        const bool flag = name == "double" || name == "pcm16";
        if (flag) {
            (name == "double" ? options.doublePrecision : options.pcm16) = true;
            continue;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        bool good = true;
        if (name == "rate")
            good = parseDouble(value, 1000.0, 768000.0, options.rate);
        else if (name == "block")
            good = parseInt(value, 1, 65536, options.block);
        else if (name == "tail")
            good = parseDouble(value, 0.0, 3600.0, options.tail);
        else if (name == "program")
            good = parseInt(value, 0, 0x7FFFFFFF, options.settings.program);
        else if (name == "state-in")
            options.stateIn = value;
        else if (name == "state-out")
            options.stateOut = value;
        else if (name == "class")
            options.className = value;
        else if (name == "param") {
            // One or more settings follow, up to the next option.
            for (;;) {
                const auto setting = parseParameterSetting(value);
                if (!setting) {
                    error = std::string("--param wants ID_or_title=value, not \"") + value + "\"";
                    return false;
                }
                options.settings.parameters.push_back(*setting);
                if (i + 1 >= argc || std::strncmp(argv[i + 1], "--", 2) == 0 || !std::strchr(argv[i + 1], '='))
                    break;
                value = argv[++i];
            }
        }
        if (!good) {
            error = "bad value for " + arg + ": " + value;
            return false;
        }
    }
    return true;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    file.close();
    return static_cast<bool>(file);
}

std::unique_ptr<Plugin> openPlugin(const std::string& bundle, const std::string& className, std::string& error)
{
    std::shared_ptr<Module> module = Module::load(bundle, error);
    if (!module)
        return nullptr;
    return Plugin::create(module, className, error);
}

std::string parameterFlags(int32_t flags)
{
    static const struct {
        int32_t bit;
        const char* name;
    } names[] = {{V3_PARAM_CAN_AUTOMATE, "automate"}, {V3_PARAM_READ_ONLY, "read-only"},
                 {V3_PARAM_WRAP_AROUND, "wrap"},      {V3_PARAM_IS_LIST, "list"},
                 {V3_PARAM_IS_HIDDEN, "hidden"},      {V3_PARAM_PROGRAM_CHANGE, "program"},
                 {V3_PARAM_IS_BYPASS, "bypass"}};
    std::string text;
    for (const auto& entry : names) {
        if (flags & entry.bit)
            text += (text.empty() ? "" : ",") + std::string(entry.name);
    }
    return text.empty() ? "-" : text;
}

void printBuses(const Plugin& plugin)
{
    std::printf("Buses\n");
    for (int32_t media : {V3_AUDIO, V3_EVENT}) {
        for (int32_t direction : {V3_INPUT, V3_OUTPUT}) {
            const std::vector<BusInfo> list = plugin.buses(media, direction);
            for (size_t i = 0; i < list.size(); ++i) {
                const BusInfo& bus = list[i];
                std::printf("  %s %s %zu  \"%s\"  %d channel%s  %s%s%s\n", media == V3_AUDIO ? "audio" : "event",
                            direction == V3_INPUT ? "input " : "output", i, bus.name.c_str(), bus.channelCount,
                            bus.channelCount == 1 ? "" : "s", bus.busType == V3_MAIN ? "main" : "aux",
                            (bus.flags & V3_DEFAULT_ACTIVE) ? "  default-active" : "",
                            (bus.flags & V3_IS_CONTROL_VOLTAGE) ? "  control-voltage" : "");
            }
        }
    }
}

void printParameters(const Plugin& plugin)
{
    const std::vector<ParameterInfo> list = plugin.parameters();
    std::printf("Parameters (%zu)\n", list.size());
    std::printf("  %8s  %-24s %-10s %5s  %-26s %-22s %s\n", "id", "title", "units", "steps", "default", "flags",
                "unit");
    for (const ParameterInfo& p : list) {
        const std::string shown = plugin.parameterString(p.id, p.defaultNormalized);
        char value[64];
        std::snprintf(value, sizeof value, "%.4f \"%s\"", p.defaultNormalized, shown.c_str());
        std::printf("  %8" PRIu32 "  %-24s %-10s %5d  %-26s %-22s %d\n", p.id, ("\"" + p.title + "\"").c_str(),
                    ("\"" + p.units + "\"").c_str(), p.stepCount, value, parameterFlags(p.flags).c_str(), p.unitId);
    }
}

void printUnitsAndPrograms(const Plugin& plugin)
{
    const std::vector<UnitInfo> units = plugin.units();
    std::printf("Units (%zu)\n", units.size());
    for (const UnitInfo& unit : units)
        std::printf("  %d  \"%s\"  parent %d  program list %d\n", unit.id, unit.name.c_str(), unit.parentId,
                    unit.programListId);
    const std::vector<ProgramListInfo> lists = plugin.programLists();
    std::printf("Program lists (%zu)\n", lists.size());
    for (const ProgramListInfo& list : lists) {
        std::printf("  %d  \"%s\"  %d programs\n", list.id, list.name.c_str(), list.programCount);
        for (size_t p = 0; p < list.programNames.size(); ++p)
            std::printf("    %3zu  %s\n", p, list.programNames[p].c_str());
    }
}

void printMidiMapping(const Plugin& plugin)
{
    const MidiControllerMap map = plugin.midiControllerMap();
    std::string text;
    int mapped = 0;
    for (int controller = 0; controller < MidiControllerMap::kControllers; ++controller) {
        if (auto id = map.parameterFor(0, controller)) {
            ++mapped;
            const char* name = controller == MidiControllerMap::kAfterTouch ? "pressure"
                               : controller == MidiControllerMap::kPitchBend ? "pitch-bend"
                                                                             : nullptr;
            text += "  " + (name ? std::string(name) : "CC" + std::to_string(controller)) + "→" + std::to_string(*id);
        }
    }
    std::printf("MIDI controllers on channel 1 (%d mapped)\n", mapped);
    for (size_t start = 0; start < text.size();) {
        // Wrap the list at about 100 columns, between entries.
        size_t end = std::min(text.size(), start + 100);
        if (end < text.size()) {
            const size_t space = text.rfind("  ", end);
            if (space != std::string::npos && space > start)
                end = space;
        }
        std::printf("%s\n", text.substr(start, end - start).c_str());
        start = end;
    }
    if (map.programParameter)
        std::printf("Program changes → parameter %" PRIu32 " (%d programs)\n", *map.programParameter,
                    map.programStepCount + 1);
}

int infoCommand(const Options& options)
{
    if (options.positional.size() != 1)
        return usageError("info wants one bundle");
    std::string error;
    std::shared_ptr<Module> module = Module::load(options.positional[0], error);
    if (!module)
        return failure(error);
    const FactoryInfo& factory = module->factoryInfo();
    std::printf("Module   %s\n", module->binaryPath().c_str());
    std::printf("Factory  vendor \"%s\"  url \"%s\"  e-mail \"%s\"  flags 0x%x\n", factory.vendor.c_str(),
                factory.url.c_str(), factory.email.c_str(), static_cast<unsigned>(factory.flags));
    std::printf("Classes (%zu)\n", module->classes().size());
    for (size_t i = 0; i < module->classes().size(); ++i) {
        const ClassInfo& c = module->classes()[i];
        std::printf("  %zu  %s  \"%s\"  \"%s\"  cardinality 0x%x\n", i, tuidToString(c.id.data()).c_str(),
                    c.category.c_str(), c.name.c_str(), static_cast<unsigned>(c.cardinality));
        if (c.infoVersion >= 2)
            std::printf("       flags 0x%x  sub-categories \"%s\"  vendor \"%s\"  version \"%s\"  sdk \"%s\"\n",
                        c.classFlags, c.subCategories.c_str(), c.vendor.c_str(), c.version.c_str(),
                        c.sdkVersion.c_str());
    }
    std::unique_ptr<Plugin> plugin = Plugin::create(module, options.className, error);
    if (!plugin)
        return failure(error);
    std::printf("Instance \"%s\" (%s)  latency %u  tail %u  64-bit %s\n", plugin->classInfo().name.c_str(),
                plugin->singleComponent() ? "single component" : "separate controller", plugin->latencySamples(),
                plugin->tailSamples(), plugin->canProcess64Bit() ? "yes" : "no");
    printBuses(*plugin);
    printParameters(*plugin);
    printUnitsAndPrograms(*plugin);
    printMidiMapping(*plugin);
    return 0;
}

int renderCommand(Options& options)
{
    if (options.positional.size() != 3)
        return usageError("render wants a bundle, a MIDI file and a WAV file");
    std::string error;
    MidiSequence sequence;
    if (!loadMidiFile(options.positional[1], sequence, error))
        return failure(error);
    if (!options.stateIn.empty()) {
        std::vector<uint8_t> state;
        if (!readFile(options.stateIn, state))
            return failure("cannot read " + options.stateIn);
        options.settings.state = std::move(state);
    }
    std::unique_ptr<Plugin> plugin = openPlugin(options.positional[0], options.className, error);
    if (!plugin)
        return failure(error);

    RenderOptions render;
    render.sampleRate = options.rate;
    render.blockSize = options.block;
    render.tailSeconds = options.tail;
    render.doublePrecision = options.doublePrecision;
    render.format = options.pcm16 ? WavFormat::Pcm16 : WavFormat::Float32;
    render.settings = options.settings;
    RenderResult result;
    if (!vst3host::render(*plugin, sequence, render, options.positional[2], result, error))
        return failure(error);

    const double peakDb = result.peak > 0.0 ? 20.0 * std::log10(result.peak) : -INFINITY;
    std::printf("Rendered %" PRId64 " frames (%.2f s) in %" PRId64 " blocks to %s\n", result.frames,
                static_cast<double>(result.frames) / options.rate, result.processCalls,
                options.positional[2].c_str());
    std::printf("  peak %.1f dBFS  real-time factor %.1f  notes %u  parameter changes %u  programs %u"
                "  unmapped %u\n",
                peakDb, result.realTimeFactor(options.rate), result.midi.notes, result.midi.parameters,
                result.midi.programs, result.midi.unmapped);
    std::printf("  output events %" PRIu64 "  output parameter points %" PRIu64 "\n", result.outputEvents,
                result.outputParameterPoints);
    int status = 0;
    if (result.nonFiniteSamples) {
        std::fprintf(stderr, "kelva-host: %" PRIu64 " output samples were NaN or infinite\n", result.nonFiniteSamples);
        status = kFailed;
    }
    if (result.processErrors) {
        std::fprintf(stderr, "kelva-host: %u process calls failed\n", result.processErrors);
        status = kFailed;
    }
    if (result.handlerCallsDuringProcess) {
        std::fprintf(stderr, "kelva-host: the plug-in called the component handler %u times from process\n",
                     result.handlerCallsDuringProcess);
        status = kFailed;
    }
    if (!options.stateOut.empty()) {
        std::vector<uint8_t> state;
        if (!plugin->getState(state))
            return failure("getState failed");
        if (!writeFile(options.stateOut, state))
            return failure("cannot write " + options.stateOut);
        std::printf("  state (%zu bytes) saved to %s\n", state.size(), options.stateOut.c_str());
    }
    return status;
}

int stateSave(const Options& options)
{
    std::string error;
    std::unique_ptr<Plugin> plugin = openPlugin(options.positional[1], options.className, error);
    if (!plugin)
        return failure(error);
    std::vector<ParameterValue> forProcessor;
    if (!applySettings(*plugin, options.settings, forProcessor, error))
        return failure(error);
    // One short block carries the values to the processor, so that a plug-in
    // whose component is separate from its controller stores them too.
    if (!forProcessor.empty()) {
        if (!plugin->prepare(ProcessSetup{}, error))
            return failure(error);
        for (const ParameterValue& change : forProcessor)
            plugin->inputParameterChanges().addPoint(change.id, 0, change.normalized);
        plugin->process(32);
        plugin->stop();
    }
    std::vector<uint8_t> state;
    if (!plugin->getState(state))
        return failure("getState failed");
    if (!writeFile(options.positional[2], state))
        return failure("cannot write " + options.positional[2]);
    std::printf("Saved %zu bytes of state to %s\n", state.size(), options.positional[2].c_str());
    return 0;
}

int stateRestore(const Options& options)
{
    std::string error;
    std::vector<uint8_t> saved;
    if (!readFile(options.positional[2], saved))
        return failure("cannot read " + options.positional[2]);
    std::unique_ptr<Plugin> plugin = openPlugin(options.positional[1], options.className, error);
    if (!plugin)
        return failure(error);
    if (!plugin->setState(saved))
        return failure("the plug-in refused the state in " + options.positional[2]);
    std::vector<uint8_t> again;
    if (!plugin->getState(again))
        return failure("getState failed after restoring");
    if (again == saved) {
        std::printf("Restored %zu bytes; getState gives them back identical\n", saved.size());
        return 0;
    }
    const auto mismatch = std::mismatch(saved.begin(), saved.end(), again.begin(), again.end());
    std::printf("Restored %zu bytes; getState gives %zu bytes that differ from byte %td on\n", saved.size(),
                again.size(), mismatch.first - saved.begin());
    return kFailed;
}

int stateCommand(const Options& options)
{
    if (options.positional.size() != 3 || (options.positional[0] != "save" && options.positional[0] != "restore"))
        return usageError("state wants save or restore, a bundle and a file");
    if (options.positional[0] == "restore" && (options.settings.program >= 0 || !options.settings.parameters.empty()))
        return usageError("state restore takes no --program or --param");
    return options.positional[0] == "save" ? stateSave(options) : stateRestore(options);
}

// The editor opens the plug-in's view in an X11 window with a run loop of its
// own; this command is where it will live.
int editCommand(const Options& options)
{
    if (options.positional.size() != 1)
        return usageError("edit wants one bundle");
    return failure("edit: opening the plug-in's editor is not available yet");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return usageError("no command");
    const std::string command = argv[1];
    if (command == "help" || command == "--help" || command == "-h") {
        printUsage(stdout);
        return 0;
    }
    static const struct {
        const char* name;
        const char* options;
    } commands[] = {
        {"info", "class"},
        {"render", "rate block program param tail double pcm16 state-in state-out class"},
        {"state", "program param class"},
        {"edit", "class"},
    };
    for (const auto& entry : commands) {
        if (command != entry.name)
            continue;
        Options options;
        std::string error;
        if (!parseOptions(argc, argv, 2, entry.options, options, error))
            return usageError(error);
        if (command == "info")
            return infoCommand(options);
        if (command == "render")
            return renderCommand(options);
        if (command == "state")
            return stateCommand(options);
        return editCommand(options);
    }
    return usageError("unknown command \"" + command + "\"");
}
