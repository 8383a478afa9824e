#pragma once

// Thin wrappers over objects the host passes into a call: the process call's
// event lists and parameter changes, and the attribute list of the channel
// context. None holds a reference; each is valid for the duration of the host
// call that passed the object. All of them are null-safe: a wrapper over no
// object reports nothing and accepts nothing.

#include "VST3Types.h"

#include <cstdint>
#include <string>

namespace VST3
{
// The input or output events of one process call. Audio thread; allocates
// nothing.
class EventList
{
public:
  explicit EventList(v3_event_list** list) : list(list) {}

  bool isValid() const { return list != nullptr; }
  int32_t getEventCount() const;
  bool getEvent(int32_t index, v3_event& event) const;
  bool addEvent(v3_event& event);

private:
  v3_event_list** list;
};

// The points of one parameter within a block. Audio thread; allocates
// nothing.
class ParamValueQueue
{
public:
  explicit ParamValueQueue(v3_param_value_queue** queue) : queue(queue) {}

  bool isValid() const { return queue != nullptr; }
  // The parameter's ID; 0xFFFFFFFF without a queue.
  uint32_t getParameterId() const;
  int32_t getPointCount() const;
  bool getPoint(int32_t index, int32_t& sampleOffset, double& value) const;
  bool addPoint(int32_t sampleOffset, double value, int32_t& index);

private:
  v3_param_value_queue** queue;
};

// The input or output parameter changes of one process call. Audio thread;
// allocates nothing.
class ParameterChanges
{
public:
  explicit ParameterChanges(v3_param_changes** changes) : changes(changes) {}

  bool isValid() const { return changes != nullptr; }
  int32_t getParameterCount() const;
  ParamValueQueue getParameterData(int32_t index) const;
  // The queue for `id` in an output list, created by the host if needed.
  ParamValueQueue addParameterData(uint32_t id, int32_t& index);

private:
  v3_param_changes** changes;
};

// Keys of the channel-context attribute list.
namespace ChannelContext
{
constexpr const char* kChannelNameKey = "channel name";
constexpr const char* kChannelNameLengthKey = "channel name length";
constexpr const char* kChannelUIDKey = "channel uid";
constexpr const char* kChannelUIDLengthKey = "channel uid length";
constexpr const char* kChannelIndexKey = "channel index";
constexpr const char* kChannelColorKey = "channel color";
constexpr const char* kChannelIndexNamespaceOrderKey = "channel index namespace order";
constexpr const char* kChannelIndexNamespaceKey = "channel index namespace";
constexpr const char* kChannelIndexNamespaceLengthKey = "channel index namespace length";
} // namespace ChannelContext

// Read access to a host's attribute list. Main thread.
class AttributeList
{
public:
  // Longest text getString reads unless told otherwise, in UTF-16 units.
  static constexpr uint32_t kDefaultMaxChars = 1024;

  explicit AttributeList(v3_attribute_list** list) : list(list) {}

  bool isValid() const { return list != nullptr; }
  v3_attribute_list** get() const { return list; }

  bool getInt(const char* key, int64_t& value) const;
  bool getFloat(const char* key, double& value) const;
  // The text under `key`, at most maxChars UTF-16 units.
  bool getString(const char* key, std::u16string& value, uint32_t maxChars = kDefaultMaxChars) const;
  // The same text converted to UTF-8.
  bool getString(const char* key, std::string& value, uint32_t maxChars = kDefaultMaxChars) const;
  // The bytes under `key`; they belong to the host and stay valid only during
  // the call that passed the list.
  bool getBinary(const char* key, const void*& data, uint32_t& size) const;

private:
  v3_attribute_list** list;
};
} // namespace VST3
