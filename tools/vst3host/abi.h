// The VST 3 ABI as the host sees it: travesty's declarations, the composite
// vtables travesty leaves out, a reference-holding pointer to plug-in objects
// and the small record that turns a host object into an interface pointer.
#pragma once

#include <travesty/audio_processor.h>
#include <travesty/bstream.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/events.h>
#include <travesty/factory.h>
#include <travesty/host.h>
#include <travesty/message.h>
#include <travesty/unit.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <utility>

namespace vst3host {

// In C++ travesty's plain interface structs omit the FUnknown slots, so every
// interface is used through a composite that lays out FUnknown first. These
// three have no composite in travesty.
struct v3_bstream_cpp : v3_funknown {
    v3_bstream stream;
};
struct v3_component_handler_cpp : v3_funknown {
    v3_component_handler handler;
};
struct v3_component_handler2_cpp : v3_funknown {
    v3_component_handler2 handler2;
};

using Tuid = std::array<uint8_t, 16>;

inline Tuid toTuid(const uint8_t* bytes)
{
    Tuid id{};
    for (size_t i = 0; i < id.size(); ++i)
        id[i] = bytes[i];
    return id;
}

inline bool sameTuid(const uint8_t* a, const uint8_t* b)
{
    return v3_tuid_match(a, b);
}

// Holds one reference to a plug-in object seen through interface T (a
// composite vtable). The pointer is the object's interface pointer, T**.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns (creation, query).
    static ComPtr adopt(void* object)
    {
        ComPtr p;
        p.object = static_cast<T**>(object);
        return p;
    }
    ComPtr(const ComPtr& other) : object(other.object)
    {
        if (object)
            (*object)->ref(object);
    }
    ComPtr(ComPtr&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(object, other.object);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset()
    {
        if (T** o = std::exchange(object, nullptr))
            (*o)->unref(o);
    }
    T** get() const { return object; }
    T* operator->() const { return *object; }
    explicit operator bool() const { return object != nullptr; }

    // The same object through another interface, or empty when it has none.
    template <class U>
    ComPtr<U> query(const v3_tuid iid) const
    {
        if (!object)
            return {};
        void* result = nullptr;
        if ((*object)->query_interface(object, iid, &result) != V3_OK || !result)
            return {};
        return ComPtr<U>::adopt(result);
    }

private:
    T** object = nullptr;
};

// What a host object hands to a plug-in as an interface pointer: the address
// of `vtable`. The callbacks get that address as `self` and find the object
// through `owner`.
template <class Vtable, class Owner>
struct HostInterface {
    const Vtable* vtable;
    Owner* owner;

    void* pointer() { return &vtable; }
    static Owner* from(void* self) { return static_cast<HostInterface*>(self)->owner; }
};

// Reference count of a host object. The host owns these objects and keeps
// them alive longer than any plug-in instance, so the count never deletes;
// it shows whether a plug-in still holds a reference.
class HostRefCount {
public:
    uint32_t ref() { return count.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t unref()
    {
        uint32_t current = count.load(std::memory_order_relaxed);
        while (current != 0 && !count.compare_exchange_weak(current, current - 1, std::memory_order_relaxed)) {
        }
        return current == 0 ? 0 : current - 1;
    }
    uint32_t value() const { return count.load(std::memory_order_relaxed); }

private:
    std::atomic<uint32_t> count{0};
};

// Name of a result code for messages ("ok", "false", "not implemented" …).
const char* resultName(v3_result result);

} // namespace vst3host
