#include "componenthandler.h"

#include <cstring>

namespace vst3host {

const v3_component_handler_cpp ComponentHandler::vtable = {
    {&ComponentHandler::queryInterface, &ComponentHandler::ref, &ComponentHandler::unref},
    {&ComponentHandler::beginEdit, &ComponentHandler::performEdit, &ComponentHandler::endEdit,
     &ComponentHandler::restartComponent},
};

const v3_component_handler2_cpp ComponentHandler::vtable2 = {
    {&ComponentHandler::queryInterface2, &ComponentHandler::ref2, &ComponentHandler::unref2},
    {&ComponentHandler::setDirty, &ComponentHandler::requestOpenEditor, &ComponentHandler::startGroupEdit,
     &ComponentHandler::finishGroupEdit},
};

ComponentHandler::ComponentHandler() = default;

int32_t ComponentHandler::restartFlags() const
{
    uint32_t flags = 0;
    for (int32_t request : restarts)
        flags |= static_cast<uint32_t>(request);
    return static_cast<int32_t>(flags);
}

void ComponentHandler::clear()
{
    recorded.clear();
    restarts.clear();
    dirtyState = false;
    editorRequests.clear();
    duringProcess.store(0, std::memory_order_relaxed);
}

v3_result ComponentHandler::answer(void** obj, const v3_tuid iid)
{
    if (!obj)
        return V3_INVALID_ARG;
    if (sameTuid(iid, v3_funknown_iid) || sameTuid(iid, v3_component_handler_iid)) {
        refs.ref();
        *obj = primary.pointer();
        return V3_OK;
    }
    if (sameTuid(iid, v3_component_handler2_iid)) {
        refs.ref();
        *obj = secondary.pointer();
        return V3_OK;
    }
    *obj = nullptr;
    return V3_NO_INTERFACE;
}

bool ComponentHandler::accepts()
{
    if (!inProcess.load(std::memory_order_relaxed))
        return true;
    duringProcess.fetch_add(1, std::memory_order_relaxed);
    return false;
}

v3_result ComponentHandler::record(EditKind kind, uint32_t id, double value)
{
    if (!accepts())
        return V3_FALSE;
    recorded.push_back({kind, id, value});
    return V3_OK;
}

v3_result ComponentHandler::queryInterface(void* self, const v3_tuid iid, void** obj)
{
    return Primary::from(self)->answer(obj, iid);
}
uint32_t ComponentHandler::ref(void* self) { return Primary::from(self)->refs.ref(); }
uint32_t ComponentHandler::unref(void* self) { return Primary::from(self)->refs.unref(); }

v3_result ComponentHandler::beginEdit(void* self, v3_param_id id)
{
    return Primary::from(self)->record(EditKind::Begin, id, 0.0);
}

v3_result ComponentHandler::performEdit(void* self, v3_param_id id, double value)
{
    return Primary::from(self)->record(EditKind::Perform, id, value);
}

v3_result ComponentHandler::endEdit(void* self, v3_param_id id)
{
    return Primary::from(self)->record(EditKind::End, id, 0.0);
}

v3_result ComponentHandler::restartComponent(void* self, int32_t flags)
{
    ComponentHandler* handler = Primary::from(self);
    if (!handler->accepts())
        return V3_FALSE;
    handler->restarts.push_back(flags);
    return V3_OK;
}

v3_result ComponentHandler::queryInterface2(void* self, const v3_tuid iid, void** obj)
{
    return Secondary::from(self)->answer(obj, iid);
}
uint32_t ComponentHandler::ref2(void* self) { return Secondary::from(self)->refs.ref(); }
uint32_t ComponentHandler::unref2(void* self) { return Secondary::from(self)->refs.unref(); }

v3_result ComponentHandler::setDirty(void* self, v3_bool state)
{
    ComponentHandler* handler = Secondary::from(self);
    if (!handler->accepts())
        return V3_FALSE;
    handler->dirtyState = state != 0;
    return V3_OK;
}

v3_result ComponentHandler::requestOpenEditor(void* self, const char* name)
{
    ComponentHandler* handler = Secondary::from(self);
    if (!handler->accepts())
        return V3_FALSE;
    // The name is a short view type ("editor"); bound the read all the same.
    handler->editorRequests.emplace_back(name ? std::string(name, strnlen(name, 128)) : std::string());
    return V3_OK;
}

v3_result ComponentHandler::startGroupEdit(void* self)
{
    return Secondary::from(self)->record(EditKind::StartGroup, 0, 0.0);
}

v3_result ComponentHandler::finishGroupEdit(void* self)
{
    return Secondary::from(self)->record(EditKind::FinishGroup, 0, 0.0);
}

} // namespace vst3host
