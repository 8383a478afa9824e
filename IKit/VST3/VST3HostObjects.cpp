#include "VST3HostObjects.h"

#include "VST3Interfaces.h"
#include "VST3Strings.h"

#include <limits>
#include <vector>

namespace VST3
{
// ---- EventList ----

int32_t EventList::getEventCount() const
{
  if (!list)
    return 0;
  const uint32_t count = abi::vtableOf<v3_event_list_cpp>(list)->list.get_event_count(list);
  return count > uint32_t(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                 : static_cast<int32_t>(count);
}

bool EventList::getEvent(int32_t index, v3_event& event) const
{
  return list && abi::vtableOf<v3_event_list_cpp>(list)->list.get_event(list, index, &event) == kOk;
}

bool EventList::addEvent(v3_event& event)
{
  return list && abi::vtableOf<v3_event_list_cpp>(list)->list.add_event(list, &event) == kOk;
}

// ---- ParamValueQueue ----

uint32_t ParamValueQueue::getParameterId() const
{
  return queue ? abi::vtableOf<v3_param_value_queue_cpp>(queue)->queue.get_param_id(queue) : 0xFFFFFFFFu;
}

int32_t ParamValueQueue::getPointCount() const
{
  return queue ? abi::vtableOf<v3_param_value_queue_cpp>(queue)->queue.get_point_count(queue) : 0;
}

bool ParamValueQueue::getPoint(int32_t index, int32_t& sampleOffset, double& value) const
{
  return queue &&
         abi::vtableOf<v3_param_value_queue_cpp>(queue)->queue.get_point(queue, index, &sampleOffset, &value) == kOk;
}

bool ParamValueQueue::addPoint(int32_t sampleOffset, double value, int32_t& index)
{
  return queue &&
         abi::vtableOf<v3_param_value_queue_cpp>(queue)->queue.add_point(queue, sampleOffset, value, &index) == kOk;
}

// ---- ParameterChanges ----

int32_t ParameterChanges::getParameterCount() const
{
  return changes ? abi::vtableOf<v3_param_changes_cpp>(changes)->changes.get_param_count(changes) : 0;
}

ParamValueQueue ParameterChanges::getParameterData(int32_t index) const
{
  if (!changes)
    return ParamValueQueue(nullptr);
  return ParamValueQueue(abi::vtableOf<v3_param_changes_cpp>(changes)->changes.get_param_data(changes, index));
}

ParamValueQueue ParameterChanges::addParameterData(uint32_t id, int32_t& index)
{
  if (!changes)
    return ParamValueQueue(nullptr);
  v3_param_id wanted = id;
  return ParamValueQueue(abi::vtableOf<v3_param_changes_cpp>(changes)->changes.add_param_data(changes, &wanted, &index));
}

// ---- AttributeList ----

bool AttributeList::getInt(const char* key, int64_t& value) const
{
  return list && key && abi::vtableOf<v3_attribute_list_cpp>(list)->attrlist.get_int(list, key, &value) == kOk;
}

bool AttributeList::getFloat(const char* key, double& value) const
{
  return list && key && abi::vtableOf<v3_attribute_list_cpp>(list)->attrlist.get_float(list, key, &value) == kOk;
}

bool AttributeList::getString(const char* key, std::u16string& value, uint32_t maxChars) const
{
  if (!list || !key || maxChars == 0 || maxChars > (std::numeric_limits<uint32_t>::max() / 4))
    return false;
  // The size passed is in bytes; hosts that take it as a count of characters
  // write up to twice as much, so the buffer holds that too.
  std::vector<int16_t> buffer((size_t(maxChars) + 1) * 2, 0);
  const uint32_t sizeInBytes = (maxChars + 1) * 2;
  if (abi::vtableOf<v3_attribute_list_cpp>(list)->attrlist.get_string(list, key, buffer.data(), sizeInBytes) != kOk)
    return false;
  value = fromUTF16(buffer.data(), maxChars);
  return true;
}

bool AttributeList::getString(const char* key, std::string& value, uint32_t maxChars) const
{
  std::u16string text;
  if (!getString(key, text, maxChars))
    return false;
  value = toUTF8(text);
  return true;
}

bool AttributeList::getBinary(const char* key, const void*& data, uint32_t& size) const
{
  data = nullptr;
  size = 0;
  return list && key &&
         abi::vtableOf<v3_attribute_list_cpp>(list)->attrlist.get_binary(list, key, &data, &size) == kOk;
}
} // namespace VST3
