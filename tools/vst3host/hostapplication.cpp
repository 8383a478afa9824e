#include "hostapplication.h"

#include "abitext.h"

namespace vst3host {

using Face = HostInterface<v3_host_application_cpp, HostApplication>;

const v3_host_application_cpp HostApplication::vtable = {
    {&HostApplication::queryInterface, &HostApplication::ref, &HostApplication::unref},
    {&HostApplication::getName, &HostApplication::createInstance},
};

HostApplication::HostApplication(std::string name) : hostName(std::move(name)) {}

v3_result HostApplication::queryInterface(void* self, const v3_tuid iid, void** obj)
{
    if (!obj)
        return V3_INVALID_ARG;
    if (sameTuid(iid, v3_funknown_iid) || sameTuid(iid, v3_host_application_iid)) {
        Face::from(self)->refs.ref();
        *obj = self;
        return V3_OK;
    }
    *obj = nullptr;
    return V3_NO_INTERFACE;
}

uint32_t HostApplication::ref(void* self)
{
    return Face::from(self)->refs.ref();
}

uint32_t HostApplication::unref(void* self)
{
    return Face::from(self)->refs.unref();
}

v3_result HostApplication::getName(void* self, v3_str_128 name)
{
    if (!name)
        return V3_INVALID_ARG;
    toUtf16(Face::from(self)->hostName, name, 128);
    return V3_OK;
}

// Messages and attribute lists only matter to plug-ins whose processor and
// controller talk through the host; the ones this host drives do not.
v3_result HostApplication::createInstance(void*, v3_tuid, v3_tuid, void** obj)
{
    if (obj)
        *obj = nullptr;
    return V3_NOT_IMPLEMENTED;
}

} // namespace vst3host
