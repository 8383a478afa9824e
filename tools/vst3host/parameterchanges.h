// IParameterChanges and IParamValueQueue of fixed capacity: the parameter
// changes the host passes into process() and the ones a plug-in reports back.
// Adding and reading never allocate; only reserve() does.
#pragma once

#include "abi.h"

#include <memory>
#include <vector>

namespace vst3host {

// The points of one parameter within one block, ordered by sample offset.
class ParamValueQueue {
public:
    struct Point {
        int32_t offset;
        double value;  // normalised
    };

    explicit ParamValueQueue(uint32_t capacity);
    ParamValueQueue(const ParamValueQueue&) = delete;
    ParamValueQueue& operator=(const ParamValueQueue&) = delete;

    v3_param_value_queue** queue() { return static_cast<v3_param_value_queue**>(face.pointer()); }

    void reset(uint32_t id);  // no points, now for parameter `id`
    void reserve(uint32_t capacity);  // main thread
    // A point at an offset that already has one replaces its value; others
    // are inserted in offset order. False when the queue is full.
    bool addPoint(int32_t offset, double value, int32_t* index = nullptr);

    uint32_t id() const { return paramId; }
    int32_t pointCount() const { return static_cast<int32_t>(points.size()); }
    const Point& point(int32_t index) const { return points[static_cast<size_t>(index)]; }
    uint32_t referenceCount() const { return refs.value(); }

private:
    static v3_result queryInterface(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref(void* self);
    static uint32_t unref(void* self);
    static v3_param_id getParamId(void* self);
    static int32_t getPointCount(void* self);
    static v3_result getPoint(void* self, int32_t index, int32_t* offset, double* value);
    static v3_result addPointCall(void* self, int32_t offset, double value, int32_t* index);

    static const v3_param_value_queue_cpp vtable;
    HostInterface<v3_param_value_queue_cpp, ParamValueQueue> face{&vtable, this};
    HostRefCount refs;
    uint32_t paramId = 0;
    std::vector<Point> points;  // capacity reserved up front
    uint32_t limit;
};

class ParameterChanges {
public:
    explicit ParameterChanges(uint32_t queues = 64, uint32_t pointsPerQueue = 64);
    ParameterChanges(const ParameterChanges&) = delete;
    ParameterChanges& operator=(const ParameterChanges&) = delete;

    v3_param_changes** changes() { return static_cast<v3_param_changes**>(face.pointer()); }

    void reserve(uint32_t queues, uint32_t pointsPerQueue);  // main thread
    uint32_t queueCapacity() const { return static_cast<uint32_t>(pool.size()); }

    // Audio thread or main thread, never both at once.
    void clear();
    ParamValueQueue* queueFor(uint32_t id, int32_t* index = nullptr);  // nullptr when every queue is taken
    bool addPoint(uint32_t id, int32_t offset, double value);  // false (and counted) when full

    int32_t count() const { return static_cast<int32_t>(used); }
    const ParamValueQueue& at(int32_t index) const { return *pool[static_cast<size_t>(index)]; }
    const ParamValueQueue* find(uint32_t id) const;
    uint32_t dropped() const { return droppedCount; }  // points refused since the last clear()
    uint32_t referenceCount() const { return refs.value(); }

private:
    static v3_result queryInterface(void* self, const v3_tuid iid, void** obj);
    static uint32_t ref(void* self);
    static uint32_t unref(void* self);
    static int32_t getParamCount(void* self);
    static v3_param_value_queue** getParamData(void* self, int32_t index);
    static v3_param_value_queue** addParamData(void* self, v3_param_id* id, int32_t* index);

    static const v3_param_changes_cpp vtable;
    HostInterface<v3_param_changes_cpp, ParameterChanges> face{&vtable, this};
    HostRefCount refs;
    std::vector<std::unique_ptr<ParamValueQueue>> pool;  // queues keep their address
    uint32_t used = 0;
    uint32_t droppedCount = 0;
};

} // namespace vst3host
