#include "memorystream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vst3host {

using Face = HostInterface<v3_bstream_cpp, MemoryStream>;

// Streams larger than this are refused: a state that big is a runaway plug-in.
constexpr int64_t kMaxStreamSize = int64_t{1} << 31;

const v3_bstream_cpp MemoryStream::vtable = {
    {&MemoryStream::queryInterface, &MemoryStream::ref, &MemoryStream::unref},
    {&MemoryStream::readCall, &MemoryStream::writeCall, &MemoryStream::seekCall, &MemoryStream::tellCall},
};

MemoryStream::MemoryStream(std::vector<uint8_t> contents) : bytes(std::move(contents)) {}

v3_result MemoryStream::read(void* buffer, int32_t size, int32_t* done)
{
    if (done)
        *done = 0;
    if (size < 0 || (size > 0 && !buffer))
        return V3_INVALID_ARG;
    const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(bytes.size()) - cursor);
    const int32_t count = static_cast<int32_t>(std::min<int64_t>(size, available));
    if (count > 0)
        std::memcpy(buffer, bytes.data() + cursor, static_cast<size_t>(count));
    cursor += count;
    if (done)
        *done = count;
    return V3_OK;
}

v3_result MemoryStream::write(const void* buffer, int32_t size, int32_t* done)
{
    if (done)
        *done = 0;
    if (size < 0 || (size > 0 && !buffer))
        return V3_INVALID_ARG;
    const int64_t end = cursor + size;
    if (end > kMaxStreamSize)
        return V3_NOMEM;
    try {
        if (end > static_cast<int64_t>(bytes.size()))
            bytes.resize(static_cast<size_t>(end));
    } catch (const std::bad_alloc&) {
        return V3_NOMEM;
    }
    if (size > 0)
        std::memcpy(bytes.data() + cursor, buffer, static_cast<size_t>(size));
    cursor = end;
    if (done)
        *done = size;
    return V3_OK;
}

v3_result MemoryStream::seek(int64_t offset, int32_t mode, int64_t* result)
{
    int64_t base = 0;
    switch (mode) {
    case V3_SEEK_SET: base = 0; break;
    case V3_SEEK_CUR: base = cursor; break;
    case V3_SEEK_END: base = static_cast<int64_t>(bytes.size()); break;
    default: return V3_INVALID_ARG;
    }
    // Both terms lie within ±2^63 only when the offset is sane; check before adding.
    if (offset > kMaxStreamSize || offset < -kMaxStreamSize)
        return V3_INVALID_ARG;
    const int64_t target = base + offset;
    if (target < 0 || target > kMaxStreamSize)
        return V3_INVALID_ARG;
    cursor = target;
    if (result)
        *result = cursor;
    return V3_OK;
}

v3_result MemoryStream::queryInterface(void* self, const v3_tuid iid, void** obj)
{
    if (!obj)
        return V3_INVALID_ARG;
    if (sameTuid(iid, v3_funknown_iid) || sameTuid(iid, v3_bstream_iid)) {
        Face::from(self)->refs.ref();
        *obj = self;
        return V3_OK;
    }
    *obj = nullptr;
    return V3_NO_INTERFACE;
}

uint32_t MemoryStream::ref(void* self) { return Face::from(self)->refs.ref(); }
uint32_t MemoryStream::unref(void* self) { return Face::from(self)->refs.unref(); }

v3_result MemoryStream::readCall(void* self, void* buffer, int32_t size, int32_t* done)
{
    return Face::from(self)->read(buffer, size, done);
}

v3_result MemoryStream::writeCall(void* self, void* buffer, int32_t size, int32_t* done)
{
    return Face::from(self)->write(buffer, size, done);
}

v3_result MemoryStream::seekCall(void* self, int64_t offset, int32_t mode, int64_t* result)
{
    return Face::from(self)->seek(offset, mode, result);
}

v3_result MemoryStream::tellCall(void* self, int64_t* position)
{
    if (!position)
        return V3_INVALID_ARG;
    *position = Face::from(self)->cursor;
    return V3_OK;
}

} // namespace vst3host
