#pragma once

// Host-side objects for testing the support layer the way a host drives it:
// each is a C object whose first word points to its table of functions, built
// from the ABI's composite structs, and counts the references it is given.

#include "VST3Interfaces.h"
#include "VST3Strings.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fakes
{
// Common part of every fake: the table pointer first, then the count of
// references the plug-in holds (the test owns the object itself).
template <class Self, class Table>
struct HostObject
{
  const Table* table = nullptr;
  int refs = 0;

  static Self& of(void* self) { return *static_cast<Self*>(self); }

  template <class T>
  T** as()
  {
    return reinterpret_cast<T**>(this);
  }

  // FUnknown: answers FUnknown and the IDs in Self::ids.
  static constexpr void fillUnknown(v3_funknown& v)
  {
    v.query_interface = [](void* self, const v3_tuid iid, void** obj) -> v3_result {
      for (const uint8_t* id : Self::ids())
        if (std::memcmp(iid, id, 16) == 0)
        {
          *obj = self;
          ++of(self).refs;
          return V3_OK;
        }
      if (std::memcmp(iid, v3_funknown_iid, 16) == 0)
      {
        *obj = self;
        ++of(self).refs;
        return V3_OK;
      }
      *obj = nullptr;
      return V3_NO_INTERFACE;
    };
    v.ref = [](void* self) -> uint32_t { return uint32_t(++of(self).refs); };
    v.unref = [](void* self) -> uint32_t { return uint32_t(--of(self).refs); };
  }
};

// A byte stream over a vector, with knobs for the faults hosts show.
struct MemoryStream : HostObject<MemoryStream, VST3::abi::bstream_cpp>
{
  std::vector<uint8_t> data;
  int64_t position = 0;
  // Most bytes one read delivers (hosts deliver in pieces).
  int32_t maxPerRead = 1 << 30;
  // Every read reports an error (while still delivering its bytes).
  bool readsReportError = false;
  // Reads report this many more bytes than they delivered.
  int32_t overReport = 0;
  int reads = 0;

  static std::vector<const uint8_t*> ids() { return {v3_bstream_iid}; }

  MemoryStream()
  {
    static constexpr VST3::abi::bstream_cpp kTable = [] {
      VST3::abi::bstream_cpp v{};
      fillUnknown(v);
      v.stream.read = [](void* self, void* buffer, int32_t size, int32_t* bytesRead) -> v3_result {
        MemoryStream& s = of(self);
        ++s.reads;
        const int64_t left = int64_t(s.data.size()) - s.position;
        const int32_t n = int32_t(std::max<int64_t>(0, std::min<int64_t>({left, size, s.maxPerRead})));
        if (n > 0)
          std::memcpy(buffer, s.data.data() + s.position, size_t(n));
        s.position += n;
        if (bytesRead)
          *bytesRead = n + (n > 0 ? s.overReport : 0);
        return s.readsReportError ? V3_FALSE : V3_OK;
      };
      v.stream.write = [](void* self, void* buffer, int32_t size, int32_t* written) -> v3_result {
        MemoryStream& s = of(self);
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        if (s.data.size() < size_t(s.position) + size_t(size))
          s.data.resize(size_t(s.position) + size_t(size));
        std::memcpy(s.data.data() + s.position, bytes, size_t(size));
        s.position += size;
        if (written)
          *written = size;
        return V3_OK;
      };
      v.stream.seek = [](void* self, int64_t pos, int32_t mode, int64_t* result) -> v3_result {
        MemoryStream& s = of(self);
        const int64_t base = mode == V3_SEEK_SET ? 0 : mode == V3_SEEK_CUR ? s.position : int64_t(s.data.size());
        if (base + pos < 0)
          return V3_INVALID_ARG;
        s.position = base + pos;
        if (result)
          *result = s.position;
        return V3_OK;
      };
      v.stream.tell = [](void* self, int64_t* pos) -> v3_result {
        *pos = of(self).position;
        return V3_OK;
      };
      return v;
    }();
    table = &kTable;
  }

  v3_bstream** get() { return as<v3_bstream>(); }
};

// A host application with a name.
struct HostApplication : HostObject<HostApplication, v3_host_application_cpp>
{
  std::u16string name;

  static std::vector<const uint8_t*> ids() { return {v3_host_application_iid}; }

  explicit HostApplication(std::u16string n) : name(std::move(n))
  {
    static constexpr v3_host_application_cpp kTable = [] {
      v3_host_application_cpp v{};
      fillUnknown(v);
      v.app.get_name = [](void* self, v3_str_128 out) -> v3_result {
        VST3::copyUTF16(of(self).name, out, 128);
        return V3_OK;
      };
      v.app.create_instance = [](void*, v3_tuid, v3_tuid, void** obj) -> v3_result {
        *obj = nullptr;
        return V3_NOT_IMPLEMENTED;
      };
      return v;
    }();
    table = &kTable;
  }

  v3_funknown** get() { return as<v3_funknown>(); }
};

// A context menu that records what is added to it.
struct ContextMenu : HostObject<ContextMenu, VST3::abi::context_menu_cpp>
{
  struct Entry
  {
    std::u16string name;
    int32_t tag;
    int32_t flags;
    VST3::abi::context_menu_target** target;
  };
  std::vector<Entry> entries;
  int popupX = -1;
  int popupY = -1;

  static std::vector<const uint8_t*> ids() { return {VST3::abi::context_menu_iid}; }

  ContextMenu()
  {
    static constexpr VST3::abi::context_menu_cpp kTable = [] {
      VST3::abi::context_menu_cpp v{};
      fillUnknown(v);
      v.menu.get_item_count = [](void* self) -> int32_t { return int32_t(of(self).entries.size()); };
      v.menu.get_item = [](void*, int32_t, VST3::abi::context_menu_item*,
                           VST3::abi::context_menu_target***) -> v3_result { return V3_NOT_IMPLEMENTED; };
      v.menu.add_item = [](void* self, const VST3::abi::context_menu_item* item,
                           VST3::abi::context_menu_target** target) -> v3_result {
        of(self).entries.push_back({VST3::fromUTF16(item->name, 128), item->tag, item->flags, target});
        return V3_OK;
      };
      v.menu.remove_item = [](void*, const VST3::abi::context_menu_item*,
                              VST3::abi::context_menu_target**) -> v3_result { return V3_NOT_IMPLEMENTED; };
      v.menu.popup = [](void* self, int32_t x, int32_t y) -> v3_result {
        of(self).popupX = x;
        of(self).popupY = y;
        return V3_OK;
      };
      return v;
    }();
    table = &kTable;
  }
};

// A component handler with all three interfaces (or only the first), which
// records every call as a line of text.
struct ComponentHandler
{
  // One face per interface, each pointing back to the handler.
  struct Face
  {
    const void* table = nullptr;
    int refs = 0;
    ComponentHandler* owner = nullptr;
  };
  static Face& face(void* self) { return *static_cast<Face*>(self); }
  static ComponentHandler& owner(void* self) { return *face(self).owner; }

  Face first;
  Face second;
  Face third;
  bool offersGroups = true;
  bool offersMenus = true;
  std::vector<std::string> calls;
  ContextMenu menu;
  v3_plugin_view** menuView = nullptr;
  uint32_t menuParam = 0xFFFFFFFF;

  template <class Table>
  static constexpr void fillUnknown(Table& v)
  {
    v.query_interface = &ComponentHandler::query;
    v.ref = [](void* self) -> uint32_t { return uint32_t(++face(self).refs); };
    v.unref = [](void* self) -> uint32_t { return uint32_t(--face(self).refs); };
  }

  ComponentHandler()
  {
    first.owner = second.owner = third.owner = this;
    static constexpr VST3::abi::component_handler_cpp kFirst = [] {
      VST3::abi::component_handler_cpp v{};
      fillUnknown(v);
      v.handler.begin_edit = [](void* self, v3_param_id id) -> v3_result {
        return owner(self).record("begin " + std::to_string(id));
      };
      v.handler.perform_edit = [](void* self, v3_param_id id, double value) -> v3_result {
        return owner(self).record("perform " + std::to_string(id) + " " + std::to_string(value));
      };
      v.handler.end_edit = [](void* self, v3_param_id id) -> v3_result {
        return owner(self).record("end " + std::to_string(id));
      };
      v.handler.restart_component = [](void* self, int32_t flags) -> v3_result {
        return owner(self).record("restart " + std::to_string(flags));
      };
      return v;
    }();
    static constexpr VST3::abi::component_handler2_cpp kSecond = [] {
      VST3::abi::component_handler2_cpp v{};
      fillUnknown(v);
      v.handler2.set_dirty = [](void* self, v3_bool) -> v3_result { return owner(self).record("dirty"); };
      v.handler2.request_open_editor = [](void* self, const char*) -> v3_result {
        return owner(self).record("open editor");
      };
      v.handler2.start_group_edit = [](void* self) -> v3_result { return owner(self).record("start group"); };
      v.handler2.finish_group_edit = [](void* self) -> v3_result { return owner(self).record("finish group"); };
      return v;
    }();
    static constexpr VST3::abi::component_handler3_cpp kThird = [] {
      VST3::abi::component_handler3_cpp v{};
      fillUnknown(v);
      v.handler3.create_context_menu = [](void* self, v3_plugin_view** view,
                                          const v3_param_id* id) -> VST3::abi::context_menu** {
        ComponentHandler& h = owner(self);
        h.menuView = view;
        h.menuParam = id ? *id : 0xFFFFFFFF;
        ++h.menu.refs;
        return h.menu.as<VST3::abi::context_menu>();
      };
      return v;
    }();
    first.table = &kFirst;
    second.table = &kSecond;
    third.table = &kThird;
  }
  ComponentHandler(const ComponentHandler&) = delete;

  // Every face answers for every interface the handler offers.
  static v3_result query(void* self, const v3_tuid iid, void** obj)
  {
    ComponentHandler& h = owner(self);
    Face* found = nullptr;
    if (std::memcmp(iid, v3_component_handler_iid, 16) == 0 || std::memcmp(iid, v3_funknown_iid, 16) == 0)
      found = &h.first;
    else if (h.offersGroups && std::memcmp(iid, v3_component_handler2_iid, 16) == 0)
      found = &h.second;
    else if (h.offersMenus && std::memcmp(iid, VST3::abi::component_handler3_iid, 16) == 0)
      found = &h.third;
    *obj = found;
    if (!found)
      return V3_NO_INTERFACE;
    ++found->refs;
    return V3_OK;
  }

  v3_result record(std::string call)
  {
    calls.push_back(std::move(call));
    return V3_OK;
  }

  int totalRefs() const { return first.refs + second.refs + third.refs; }
  v3_component_handler** get() { return reinterpret_cast<v3_component_handler**>(&first); }
};
// The events of one process call.
struct EventList : HostObject<EventList, v3_event_list_cpp>
{
  std::vector<v3_event> events;

  static std::vector<const uint8_t*> ids() { return {v3_event_list_iid}; }

  EventList()
  {
    static constexpr v3_event_list_cpp kTable = [] {
      v3_event_list_cpp v{};
      fillUnknown(v);
      v.list.get_event_count = [](void* self) -> uint32_t { return uint32_t(of(self).events.size()); };
      v.list.get_event = [](void* self, int32_t index, v3_event* event) -> v3_result {
        EventList& l = of(self);
        if (index < 0 || size_t(index) >= l.events.size())
          return V3_INVALID_ARG;
        *event = l.events[size_t(index)];
        return V3_OK;
      };
      v.list.add_event = [](void* self, v3_event* event) -> v3_result {
        of(self).events.push_back(*event);
        return V3_OK;
      };
      return v;
    }();
    table = &kTable;
  }

  v3_event_list** get() { return as<v3_event_list>(); }
};

// The points of one parameter.
struct ParamValueQueue : HostObject<ParamValueQueue, v3_param_value_queue_cpp>
{
  v3_param_id id = 0;
  std::vector<std::pair<int32_t, double>> points;

  static std::vector<const uint8_t*> ids() { return {v3_param_value_queue_iid}; }

  explicit ParamValueQueue(v3_param_id parameter) : id(parameter)
  {
    static constexpr v3_param_value_queue_cpp kTable = [] {
      v3_param_value_queue_cpp v{};
      fillUnknown(v);
      v.queue.get_param_id = [](void* self) -> v3_param_id { return of(self).id; };
      v.queue.get_point_count = [](void* self) -> int32_t { return int32_t(of(self).points.size()); };
      v.queue.get_point = [](void* self, int32_t index, int32_t* offset, double* value) -> v3_result {
        ParamValueQueue& q = of(self);
        if (index < 0 || size_t(index) >= q.points.size())
          return V3_INVALID_ARG;
        *offset = q.points[size_t(index)].first;
        *value = q.points[size_t(index)].second;
        return V3_OK;
      };
      v.queue.add_point = [](void* self, int32_t offset, double value, int32_t* index) -> v3_result {
        ParamValueQueue& q = of(self);
        q.points.emplace_back(offset, value);
        *index = int32_t(q.points.size()) - 1;
        return V3_OK;
      };
      return v;
    }();
    table = &kTable;
  }
};

// The parameter changes of one process call.
struct ParamChanges : HostObject<ParamChanges, v3_param_changes_cpp>
{
  std::vector<std::unique_ptr<ParamValueQueue>> queues;

  static std::vector<const uint8_t*> ids() { return {v3_param_changes_iid}; }

  ParamChanges()
  {
    static constexpr v3_param_changes_cpp kTable = [] {
      v3_param_changes_cpp v{};
      fillUnknown(v);
      v.changes.get_param_count = [](void* self) -> int32_t { return int32_t(of(self).queues.size()); };
      v.changes.get_param_data = [](void* self, int32_t index) -> v3_param_value_queue** {
        ParamChanges& c = of(self);
        if (index < 0 || size_t(index) >= c.queues.size())
          return nullptr;
        return c.queues[size_t(index)]->as<v3_param_value_queue>();
      };
      v.changes.add_param_data = [](void* self, v3_param_id* id, int32_t* index) -> v3_param_value_queue** {
        ParamChanges& c = of(self);
        for (size_t i = 0; i < c.queues.size(); ++i)
          if (c.queues[i]->id == *id)
          {
            *index = int32_t(i);
            return c.queues[i]->as<v3_param_value_queue>();
          }
        c.queues.push_back(std::make_unique<ParamValueQueue>(*id));
        *index = int32_t(c.queues.size()) - 1;
        return c.queues.back()->as<v3_param_value_queue>();
      };
      return v;
    }();
    table = &kTable;
  }

  v3_param_changes** get() { return as<v3_param_changes>(); }
};

// An attribute list. `sizeInCharacters` makes getString read its size
// argument as a count of UTF-16 units instead of bytes, as some hosts do.
struct AttributeList : HostObject<AttributeList, v3_attribute_list_cpp>
{
  std::map<std::string, int64_t> ints;
  std::map<std::string, double> floats;
  std::map<std::string, std::u16string> strings;
  std::map<std::string, std::vector<uint8_t>> binaries;
  bool sizeInCharacters = false;

  static std::vector<const uint8_t*> ids() { return {v3_attribute_list_iid}; }

  AttributeList()
  {
    static constexpr v3_attribute_list_cpp kTable = [] {
      v3_attribute_list_cpp v{};
      fillUnknown(v);
      v.attrlist.set_int = [](void* self, const char* key, int64_t value) -> v3_result {
        of(self).ints[key] = value;
        return V3_OK;
      };
      v.attrlist.get_int = [](void* self, const char* key, int64_t* value) -> v3_result {
        AttributeList& a = of(self);
        auto found = a.ints.find(key);
        if (found == a.ints.end())
          return V3_FALSE;
        *value = found->second;
        return V3_OK;
      };
      v.attrlist.set_float = [](void* self, const char* key, double value) -> v3_result {
        of(self).floats[key] = value;
        return V3_OK;
      };
      v.attrlist.get_float = [](void* self, const char* key, double* value) -> v3_result {
        AttributeList& a = of(self);
        auto found = a.floats.find(key);
        if (found == a.floats.end())
          return V3_FALSE;
        *value = found->second;
        return V3_OK;
      };
      v.attrlist.set_string = [](void*, const char*, const int16_t*) -> v3_result { return V3_NOT_IMPLEMENTED; };
      v.attrlist.get_string = [](void* self, const char* key, int16_t* out, uint32_t size) -> v3_result {
        AttributeList& a = of(self);
        auto found = a.strings.find(key);
        if (found == a.strings.end())
          return V3_FALSE;
        const size_t units = a.sizeInCharacters ? size : size / 2;
        // Fills every unit it was allowed, as a careless host might.
        const std::u16string& text = found->second;
        for (size_t i = 0; i + 1 < units; ++i)
          out[i] = i < text.size() ? int16_t(text[i]) : int16_t(0x7777);
        if (units > 0)
          out[std::min(units - 1, text.size())] = 0;
        return V3_OK;
      };
      v.attrlist.set_binary = [](void*, const char*, const void*, uint32_t) -> v3_result {
        return V3_NOT_IMPLEMENTED;
      };
      v.attrlist.get_binary = [](void* self, const char* key, const void** data, uint32_t* size) -> v3_result {
        AttributeList& a = of(self);
        auto found = a.binaries.find(key);
        if (found == a.binaries.end())
          return V3_FALSE;
        *data = found->second.data();
        *size = uint32_t(found->second.size());
        return V3_OK;
      };
      return v;
    }();
    table = &kTable;
  }

  v3_attribute_list** get() { return as<v3_attribute_list>(); }
};

// A plug frame that records resize requests and answers them with onSize,
// as hosts do.
struct PlugFrame : HostObject<PlugFrame, v3_plugin_frame_cpp>
{
  v3_plugin_view** resizedView = nullptr;
  v3_view_rect requested{};
  int resizes = 0;

  static std::vector<const uint8_t*> ids() { return {v3_plugin_frame_iid}; }

  PlugFrame()
  {
    static constexpr v3_plugin_frame_cpp kTable = [] {
      v3_plugin_frame_cpp v{};
      fillUnknown(v);
      v.frame.resize_view = [](void* self, v3_plugin_view** view, v3_view_rect* rect) -> v3_result {
        PlugFrame& f = of(self);
        f.resizedView = view;
        f.requested = *rect;
        ++f.resizes;
        return VST3::abi::vtableOf<v3_plugin_view_cpp>(view)->view.on_size(view, rect);
      };
      return v;
    }();
    table = &kTable;
  }

  v3_plugin_frame** get() { return as<v3_plugin_frame>(); }
};
} // namespace fakes
