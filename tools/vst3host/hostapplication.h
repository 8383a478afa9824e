// The host context handed to the factory and to every plug-in's initialize:
// IHostApplication with the host's name.
#pragma once

#include "abi.h"

#include <string>

namespace vst3host {

class HostApplication {
public:
    explicit HostApplication(std::string name = "kelva-host");
    HostApplication(const HostApplication&) = delete;
    HostApplication& operator=(const HostApplication&) = delete;

    // The context pointer for initialize and setHostContext (main thread).
    v3_funknown** context() { return static_cast<v3_funknown**>(face.pointer()); }
    const std::string& name() const { return hostName; }
    // References the plug-ins hold right now.
    uint32_t referenceCount() const { return refs.value(); }

private:
    static v3_result queryInterface(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref(void* self);
    static uint32_t unref(void* self);
    static v3_result getName(void* self, v3_str_128 name);
    static v3_result createInstance(void* self, v3_tuid cid, v3_tuid iid, void** obj);

    static const v3_host_application_cpp vtable;
    HostInterface<v3_host_application_cpp, HostApplication> face{&vtable, this};
    HostRefCount refs;
    std::string hostName;
};

} // namespace vst3host
