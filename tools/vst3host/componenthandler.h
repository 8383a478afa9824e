// The component handler given to the edit controller: records the edits,
// restart requests and group edits the plug-in reports (IComponentHandler,
// IComponentHandler2).
#pragma once

#include "abi.h"

#include <string>
#include <vector>

namespace vst3host {

class ComponentHandler {
public:
    enum class EditKind { Begin, Perform, End, StartGroup, FinishGroup };
    struct Edit {
        EditKind kind;
        uint32_t id;   // 0 for group edits
        double value;  // normalised; only for Perform
    };

    ComponentHandler();
    ComponentHandler(const ComponentHandler&) = delete;
    ComponentHandler& operator=(const ComponentHandler&) = delete;

    // The pointer for setComponentHandler (main thread).
    v3_component_handler** handler() { return static_cast<v3_component_handler**>(primary.pointer()); }

    // What the plug-in reported so far (main thread).
    const std::vector<Edit>& edits() const { return recorded; }
    const std::vector<int32_t>& restartRequests() const { return restarts; }
    int32_t restartFlags() const;  // every restart request's flags together
    bool dirty() const { return dirtyState; }
    const std::vector<std::string>& openEditorRequests() const { return editorRequests; }
    void clear();

    // VST 3 lets a plug-in call the handler on the main thread only; calls
    // made while process() runs are counted here and not recorded.
    void setInProcess(bool state) { inProcess.store(state, std::memory_order_relaxed); }
    uint32_t callsDuringProcess() const { return duringProcess.load(std::memory_order_relaxed); }

    uint32_t referenceCount() const { return refs.value(); }

private:
    using Primary = HostInterface<v3_component_handler_cpp, ComponentHandler>;
    using Secondary = HostInterface<v3_component_handler2_cpp, ComponentHandler>;

    static v3_result queryInterface(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref(void* self);
    static uint32_t unref(void* self);
    static v3_result beginEdit(void* self, v3_param_id id);
    static v3_result performEdit(void* self, v3_param_id id, double value);
    static v3_result endEdit(void* self, v3_param_id id);
    static v3_result restartComponent(void* self, int32_t flags);
    static v3_result queryInterface2(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref2(void* self);
    static uint32_t unref2(void* self);
    static v3_result setDirty(void* self, v3_bool state);
    static v3_result requestOpenEditor(void* self, const char* name);
    static v3_result startGroupEdit(void* self);
    static v3_result finishGroupEdit(void* self);

    v3_result answer(void** obj, const v3_tuid iid);
    bool accepts();  // false (and counted) during process
    v3_result record(EditKind kind, uint32_t id, double value);

    static const v3_component_handler_cpp vtable;
    static const v3_component_handler2_cpp vtable2;
    Primary primary{&vtable, this};
    Secondary secondary{&vtable2, this};
    HostRefCount refs;
    std::atomic<bool> inProcess{false};
    std::atomic<uint32_t> duringProcess{0};
    std::vector<Edit> recorded;
    std::vector<int32_t> restarts;
    bool dirtyState = false;
    std::vector<std::string> editorRequests;
};

} // namespace vst3host
