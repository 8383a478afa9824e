#include "VST3Stream.h"

#include "VST3Interfaces.h"

#include <algorithm>

namespace VST3
{
namespace
{
abi::bstream_cpp* table(v3_bstream** stream)
{
  return abi::vtableOf<abi::bstream_cpp>(stream);
}

int32_t clampCount(int32_t count, int32_t requested)
{
  return std::clamp(count, int32_t(0), requested);
}
} // namespace

int32_t Stream::read(void* buffer, int32_t size, int32_t* bytesRead)
{
  if (bytesRead)
    *bytesRead = 0;
  if (!stream || size < 0 || (!buffer && size > 0))
    return kInvalidArgument;
  int32_t count = 0;
  const int32_t result = table(stream)->stream.read(stream, buffer, size, &count);
  if (bytesRead)
    *bytesRead = clampCount(count, size);
  return result;
}

int32_t Stream::write(const void* buffer, int32_t size, int32_t* bytesWritten)
{
  if (bytesWritten)
    *bytesWritten = 0;
  if (!stream || size < 0 || (!buffer && size > 0))
    return kInvalidArgument;
  int32_t count = 0;
  // The ABI's write takes a non-const buffer but only reads it.
  const int32_t result = table(stream)->stream.write(stream, const_cast<void*>(buffer), size, &count);
  if (bytesWritten)
    *bytesWritten = clampCount(count, size);
  return result;
}

int32_t Stream::seek(int64_t position, int32_t mode, int64_t* result)
{
  if (!stream)
    return kInvalidArgument;
  int64_t where = 0;
  const int32_t r = table(stream)->stream.seek(stream, position, mode, &where);
  if (result)
    *result = where;
  return r;
}

int32_t Stream::tell(int64_t* position)
{
  if (!stream || !position)
    return kInvalidArgument;
  *position = 0;
  return table(stream)->stream.tell(stream, position);
}

bool Stream::readExactly(void* buffer, int32_t size)
{
  auto* bytes = static_cast<uint8_t*>(buffer);
  int32_t done = 0;
  while (done < size)
  {
    int32_t count = 0;
    if (read(bytes + done, size - done, &count) != kOk || count == 0)
      return false;
    done += count;
  }
  return size >= 0;
}

bool Stream::writeAll(const void* buffer, int32_t size)
{
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  int32_t done = 0;
  while (done < size)
  {
    int32_t count = 0;
    if (write(bytes + done, size - done, &count) != kOk || count == 0)
      return false;
    done += count;
  }
  return size >= 0;
}

bool Stream::readInt32(int32_t& value)
{
  uint8_t b[4];
  if (!readExactly(b, 4))
    return false;
  value = static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
  return true;
}

bool Stream::writeInt32(int32_t value)
{
  const auto v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  return writeAll(b, 4);
}

bool Stream::readToEnd(std::vector<uint8_t>& out, int32_t pieceSize, bool ignoreErrors)
{
  if (!stream || pieceSize <= 0)
    return false;
  size_t total = 0;
  while (total < kMaxReadBytes)
  {
    const size_t start = out.size();
    const auto piece = static_cast<int32_t>(std::min<size_t>(size_t(pieceSize), kMaxReadBytes - total));
    out.resize(start + size_t(piece));
    int32_t count = 0;
    const int32_t result = read(out.data() + start, piece, &count);
    out.resize(start + size_t(count));
    total += size_t(count);
    if (count == 0)
      return result == kOk || ignoreErrors;
    if (result != kOk && !ignoreErrors)
      return false;
  }
  return true;
}
} // namespace VST3
