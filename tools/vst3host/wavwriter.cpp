#include "wavwriter.h"

#include <sndfile.h>

#include <cmath>

namespace vst3host {

namespace {

SNDFILE* handle(void* file)
{
    return static_cast<SNDFILE*>(file);
}

} // namespace

WavWriter::~WavWriter()
{
    close();
}

bool WavWriter::open(const std::string& path, double sampleRate, int channels, WavFormat format, std::string& error)
{
    close();
    const long rate = std::isfinite(sampleRate) ? std::lround(sampleRate) : 0;
    if (rate < 1 || rate > 4'000'000 || channels < 1 || channels > 64) {
        error = "unsupported WAV layout";
        return false;
    }
    SF_INFO info{};
    info.samplerate = static_cast<int>(rate);
    info.channels = channels;
    info.format = SF_FORMAT_WAV | (format == WavFormat::Pcm16 ? SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    // Float to integer conversion wraps around without this.
    sf_command(handle(file), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    fileFormat = format;
    channelCount = channels;
    written = 0;
    return true;
}

bool WavWriter::write(const float* interleaved, int64_t frames)
{
    if (!file || frames < 0)
        return false;
    const sf_count_t done = sf_writef_float(handle(file), interleaved, frames);
    written += done;
    return done == frames;
}

bool WavWriter::close(std::string* error)
{
    if (!file)
        return true;
    const int result = sf_close(handle(file));
    file = nullptr;
    if (result != 0 && error)
        *error = sf_error_number(result);
    return result == 0;
}

} // namespace vst3host
