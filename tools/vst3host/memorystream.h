// A growable in-memory IBStream for component and controller state.
#pragma once

#include "abi.h"

#include <cstdint>
#include <vector>

namespace vst3host {

class MemoryStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> contents);
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    // The pointer for getState/setState (main thread).
    v3_bstream** stream() { return static_cast<v3_bstream**>(face.pointer()); }

    const std::vector<uint8_t>& data() const { return bytes; }
    int64_t position() const { return cursor; }
    void rewind() { cursor = 0; }
    uint32_t referenceCount() const { return refs.value(); }

    // The IBStream operations, also reachable through stream().
    v3_result read(void* buffer, int32_t size, int32_t* done);
    v3_result write(const void* buffer, int32_t size, int32_t* done);
    v3_result seek(int64_t offset, int32_t mode, int64_t* result);

private:
    static v3_result queryInterface(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref(void* self);
    static uint32_t unref(void* self);
    static v3_result readCall(void* self, void* buffer, int32_t size, int32_t* done);
    static v3_result writeCall(void* self, void* buffer, int32_t size, int32_t* done);
    static v3_result seekCall(void* self, int64_t offset, int32_t mode, int64_t* result);
    static v3_result tellCall(void* self, int64_t* position);

    static const v3_bstream_cpp vtable;
    HostInterface<v3_bstream_cpp, MemoryStream> face{&vtable, this};
    HostRefCount refs;
    std::vector<uint8_t> bytes;
    int64_t cursor = 0;  // may lie past the end after a seek; a write there fills the gap with zeros
};

} // namespace vst3host
