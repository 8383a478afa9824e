// Interleaved audio into a WAV file (libsndfile): 32-bit float or 16-bit PCM.
#pragma once

#include <cstdint>
#include <string>

namespace vst3host {

enum class WavFormat { Float32, Pcm16 };

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Main thread. The rate is rounded to whole hertz, as WAV stores it.
    bool open(const std::string& path, double sampleRate, int channels, WavFormat format, std::string& error);
    // `frames` frames of `channels` samples each. Float files keep every
    // value; for 16-bit PCM libsndfile clips to ±1, and the caller must have
    // replaced NaN and infinities (their conversion is undefined).
    bool write(const float* interleaved, int64_t frames);
    bool close(std::string* error = nullptr);

    bool isOpen() const { return file != nullptr; }
    WavFormat format() const { return fileFormat; }
    int64_t framesWritten() const { return written; }

private:
    void* file = nullptr;  // libsndfile's SNDFILE
    WavFormat fileFormat = WavFormat::Float32;
    int channelCount = 0;
    int64_t written = 0;
};

} // namespace vst3host
