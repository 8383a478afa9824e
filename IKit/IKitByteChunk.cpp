#include "IKitByteChunk.h"

#include <cstring>
#include <limits>
#include <new>

static_assert(sizeof(double) == 8 && sizeof(float) == 4, "chunks store IEEE 754 binary64/32");
static_assert(std::numeric_limits<double>::is_iec559, "chunks store IEEE 754 binary64");
// Values are copied as they lie in memory, which is the chunk's byte order
// only on a little-endian machine.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "chunks are little-endian");

int IByteChunk::Put(bool value)
{
  const uint8_t byte = value ? 1 : 0;
  return PutBytes(&byte, 1);
}

int IByteChunk::Get(bool* out, int pos) const
{
  uint8_t byte = 0;
  pos = GetBytes(&byte, 1, pos);
  if (pos >= 0)
    *out = byte != 0;
  return pos;
}

int IByteChunk::PutBytes(const void* data, int size)
{
  if (size <= 0 || !data)
    return Size();
  const int64_t newSize = static_cast<int64_t>(mBytes.size()) + size;
  if (newSize > std::numeric_limits<int>::max())
    return -1;
  try
  {
    if (static_cast<size_t>(newSize) > mBytes.capacity())
    {
      const int64_t steps = (newSize + kGrowStep - 1) / kGrowStep;
      const int64_t capacity = steps * kGrowStep;
      mBytes.reserve(static_cast<size_t>(capacity));
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    mBytes.insert(mBytes.end(), bytes, bytes + size);
  }
  catch (const std::bad_alloc&)
  {
    return -1;
  }
  return Size();
}

int IByteChunk::GetBytes(void* out, int size, int pos) const
{
  // Computed in 64 bits so that pos + size cannot wrap around.
  if (pos < 0 || size < 0 || static_cast<int64_t>(pos) + size > Size())
    return -1;
  if (size > 0)
    memcpy(out, mBytes.data() + pos, static_cast<size_t>(size));
  return pos + size;
}

int IByteChunk::PutStr(const char* text)
{
  if (!text)
    text = "";
  const size_t length = strlen(text);
  if (length > static_cast<size_t>(std::numeric_limits<int32_t>::max()) - sizeof(int32_t))
    return -1;
  const int n = static_cast<int>(length);
  if (static_cast<int64_t>(Size()) + 4 + n > std::numeric_limits<int>::max())
    return -1;
  Put(static_cast<int32_t>(n));
  return PutBytes(text, n);
}

int IByteChunk::GetStr(std::string& out, int pos) const
{
  int32_t length = 0;
  pos = Get(&length, pos);
  if (pos < 0 || length < 0 || static_cast<int64_t>(pos) + length > Size())
    return -1;
  const char* bytes = reinterpret_cast<const char*>(mBytes.data()) + pos;
  out.assign(bytes, strnlen(bytes, static_cast<size_t>(length)));
  return pos + length;
}

int IByteChunk::PutChunk(const IByteChunk* other)
{
  if (!other || other->Size() == 0)
    return Size();
  if (other == this)
  {
    // Inserting a vector into itself is not allowed; go through a copy.
    const std::vector<uint8_t> copy = mBytes;
    return PutBytes(copy.data(), static_cast<int>(copy.size()));
  }
  return PutBytes(other->GetData(), other->Size());
}

int IByteChunk::Resize(int newSize)
{
  if (newSize < 0)
    newSize = 0;
  try
  {
    mBytes.resize(static_cast<size_t>(newSize), 0);
  }
  catch (const std::bad_alloc&)
  {
    return -1;
  }
  return Size();
}

void IByteChunk::PutVersionHeader(IByteChunk& chunk)
{
  chunk.Put(kVersionMagic);
  chunk.Put(kIKitVersion);
}

int IByteChunk::GetVersionHeader(const IByteChunk& chunk, int& pos)
{
  int32_t magic = 0;
  const int afterMagic = chunk.Get(&magic, pos);
  if (afterMagic < 0 || magic != kVersionMagic)
    return 0;
  int32_t version = 0;
  pos = chunk.Get(&version, afterMagic);
  return pos < 0 ? 0 : version;
}
