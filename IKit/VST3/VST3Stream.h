#pragma once

#include "VST3Types.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace VST3
{
// The host's byte stream (component and editor state). Holds no reference:
// valid for the duration of the host call that passed it. Main thread, like
// the calls that pass streams.
//
// Byte counts that a host reports are never trusted beyond the request: a
// count below 0 or above the requested size is clamped into that range.
class Stream
{
public:
  enum SeekMode : int32_t
  {
    kSeekSet = 0,
    kSeekCur = 1,
    kSeekEnd = 2,
  };

  // Upper bound for readToEnd, so that a stream that never ends cannot
  // exhaust memory.
  static constexpr size_t kMaxReadBytes = size_t(256) << 20;

  explicit Stream(v3_bstream** stream) : stream(stream) {}

  bool isValid() const { return stream != nullptr; }
  v3_bstream** get() const { return stream; }

  // The host's calls. Each returns the host's result, or kInvalidArgument
  // without a stream or for a negative size. Counts are optional.
  int32_t read(void* buffer, int32_t size, int32_t* bytesRead = nullptr);
  int32_t write(const void* buffer, int32_t size, int32_t* bytesWritten = nullptr);
  int32_t seek(int64_t position, int32_t mode, int64_t* result = nullptr);
  int32_t tell(int64_t* position);

  // Reads until `size` bytes have arrived, in as many reads as the host
  // needs; false when a read fails or delivers nothing first.
  bool readExactly(void* buffer, int32_t size);
  // Writes all `size` bytes; false when a write fails or takes nothing.
  bool writeAll(const void* buffer, int32_t size);

  // A 32-bit little-endian integer.
  bool readInt32(int32_t& value);
  bool writeInt32(int32_t value);

  // Appends the rest of the stream to `out`, read in pieces of up to
  // `pieceSize` bytes, until a read delivers no bytes or reports an error,
  // or kMaxReadBytes have been read. With `ignoreErrors` an error stops the
  // reading only when it comes without bytes (for hosts whose streams report
  // errors while still delivering data). Returns false when an error that
  // was not ignored ended the reading.
  bool readToEnd(std::vector<uint8_t>& out, int32_t pieceSize, bool ignoreErrors = false);

private:
  v3_bstream** stream;
};
} // namespace VST3
