#include "parameterchanges.h"

#include <algorithm>

namespace vst3host {

using QueueFace = HostInterface<v3_param_value_queue_cpp, ParamValueQueue>;
using ChangesFace = HostInterface<v3_param_changes_cpp, ParameterChanges>;

const v3_param_value_queue_cpp ParamValueQueue::vtable = {
    {&ParamValueQueue::queryInterface, &ParamValueQueue::ref, &ParamValueQueue::unref},
    {&ParamValueQueue::getParamId, &ParamValueQueue::getPointCount, &ParamValueQueue::getPoint,
     &ParamValueQueue::addPointCall},
};

ParamValueQueue::ParamValueQueue(uint32_t capacity) : limit(capacity)
{
    points.reserve(capacity);
}

void ParamValueQueue::reset(uint32_t id)
{
    paramId = id;
    points.clear();
}

void ParamValueQueue::reserve(uint32_t capacity)
{
    if (capacity > limit) {
        points.reserve(capacity);
        limit = capacity;
    }
}

bool ParamValueQueue::addPoint(int32_t offset, double value, int32_t* index)
{
    auto at = std::lower_bound(points.begin(), points.end(), offset,
                               [](const Point& p, int32_t o) { return p.offset < o; });
    if (at != points.end() && at->offset == offset) {
        at->value = value;
    } else {
        if (points.size() >= limit)
            return false;
        at = points.insert(at, Point{offset, value});  // within the reserved capacity
    }
    if (index)
        *index = static_cast<int32_t>(at - points.begin());
    return true;
}

v3_result ParamValueQueue::queryInterface(void* self, const v3_tuid iid, void** obj)
{
    if (!obj)
        return V3_INVALID_ARG;
    if (sameTuid(iid, v3_funknown_iid) || sameTuid(iid, v3_param_value_queue_iid)) {
        QueueFace::from(self)->refs.ref();
        *obj = self;
        return V3_OK;
    }
    *obj = nullptr;
    return V3_NO_INTERFACE;
}

uint32_t ParamValueQueue::ref(void* self) { return QueueFace::from(self)->refs.ref(); }
uint32_t ParamValueQueue::unref(void* self) { return QueueFace::from(self)->refs.unref(); }

v3_param_id ParamValueQueue::getParamId(void* self)
{
    return QueueFace::from(self)->paramId;
}

int32_t ParamValueQueue::getPointCount(void* self)
{
    return QueueFace::from(self)->pointCount();
}

v3_result ParamValueQueue::getPoint(void* self, int32_t index, int32_t* offset, double* value)
{
    const ParamValueQueue* queue = QueueFace::from(self);
    if (index < 0 || index >= queue->pointCount() || !offset || !value)
        return V3_INVALID_ARG;
    *offset = queue->point(index).offset;
    *value = queue->point(index).value;
    return V3_OK;
}

v3_result ParamValueQueue::addPointCall(void* self, int32_t offset, double value, int32_t* index)
{
    return QueueFace::from(self)->addPoint(offset, value, index) ? V3_OK : V3_NOMEM;
}

const v3_param_changes_cpp ParameterChanges::vtable = {
    {&ParameterChanges::queryInterface, &ParameterChanges::ref, &ParameterChanges::unref},
    {&ParameterChanges::getParamCount, &ParameterChanges::getParamData, &ParameterChanges::addParamData},
};

ParameterChanges::ParameterChanges(uint32_t queues, uint32_t pointsPerQueue)
{
    reserve(queues, pointsPerQueue);
}

void ParameterChanges::reserve(uint32_t queues, uint32_t pointsPerQueue)
{
    for (auto& queue : pool)
        queue->reserve(pointsPerQueue);
    while (pool.size() < queues)
        pool.push_back(std::make_unique<ParamValueQueue>(pointsPerQueue));
}

void ParameterChanges::clear()
{
    used = 0;
    droppedCount = 0;
}

ParamValueQueue* ParameterChanges::queueFor(uint32_t id, int32_t* index)
{
    for (uint32_t i = 0; i < used; ++i) {
        if (pool[i]->id() == id) {
            if (index)
                *index = static_cast<int32_t>(i);
            return pool[i].get();
        }
    }
    if (used >= pool.size())
        return nullptr;
    ParamValueQueue* queue = pool[used].get();
    queue->reset(id);
    if (index)
        *index = static_cast<int32_t>(used);
    ++used;
    return queue;
}

bool ParameterChanges::addPoint(uint32_t id, int32_t offset, double value)
{
    ParamValueQueue* queue = queueFor(id);
    if (queue && queue->addPoint(offset, value))
        return true;
    ++droppedCount;
    return false;
}

const ParamValueQueue* ParameterChanges::find(uint32_t id) const
{
    for (uint32_t i = 0; i < used; ++i)
        if (pool[i]->id() == id)
            return pool[i].get();
    return nullptr;
}

v3_result ParameterChanges::queryInterface(void* self, const v3_tuid iid, void** obj)
{
    if (!obj)
        return V3_INVALID_ARG;
    if (sameTuid(iid, v3_funknown_iid) || sameTuid(iid, v3_param_changes_iid)) {
        ChangesFace::from(self)->refs.ref();
        *obj = self;
        return V3_OK;
    }
    *obj = nullptr;
    return V3_NO_INTERFACE;
}

uint32_t ParameterChanges::ref(void* self) { return ChangesFace::from(self)->refs.ref(); }
uint32_t ParameterChanges::unref(void* self) { return ChangesFace::from(self)->refs.unref(); }

int32_t ParameterChanges::getParamCount(void* self)
{
    return ChangesFace::from(self)->count();
}

v3_param_value_queue** ParameterChanges::getParamData(void* self, int32_t index)
{
    ParameterChanges* changes = ChangesFace::from(self);
    if (index < 0 || index >= changes->count())
        return nullptr;
    return changes->pool[static_cast<size_t>(index)]->queue();
}

v3_param_value_queue** ParameterChanges::addParamData(void* self, v3_param_id* id, int32_t* index)
{
    if (!id)
        return nullptr;
    ParameterChanges* changes = ChangesFace::from(self);
    ParamValueQueue* queue = changes->queueFor(*id, index);
    if (!queue) {
        ++changes->droppedCount;
        return nullptr;
    }
    return queue->queue();
}

} // namespace vst3host
