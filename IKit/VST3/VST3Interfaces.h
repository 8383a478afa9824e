#pragma once

// The host ABI as the support layer's own sources and the adapter's .cpp see
// it. Only .cpp files include this header: it pulls in the C declaration of
// the ABI, which the instrument's include path does not have.
//
// In C++ the ABI's plain interface structs omit the slots of FUnknown and of
// their base interfaces; a table must be built from, and a host object called
// through, the composite `*_cpp` structs, which hold every slot in order. The
// composites the ABI headers lack are declared here the same way.

#include "VST3FObject.h"
#include "VST3Types.h"

#include <travesty/audio_processor.h>
#include <travesty/base.h>
#include <travesty/bstream.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/events.h>
#include <travesty/factory.h>
#include <travesty/host.h>
#include <travesty/message.h>
#include <travesty/unit.h>
#include <travesty/view.h>

#include <cstdint>
#include <cstring>

namespace VST3::abi
{
// ---- Composites of ABI interfaces that have no C++ form ----

struct bstream_cpp : v3_funknown
{
  v3_bstream stream;
};

struct component_handler_cpp : v3_funknown
{
  v3_component_handler handler;
};

struct component_handler2_cpp : v3_funknown
{
  v3_component_handler2 handler2;
};

// ---- Interfaces the ABI headers lack ----

// The channel-context listener: the host reports the name, colour and
// position of the channel the plug-in sits on.
struct info_listener
{
  v3_result (V3_API* set_channel_context_infos)(void* self, v3_attribute_list** list);
};

struct info_listener_cpp : v3_funknown
{
  info_listener listener;
};

// One entry of a host context menu.
struct context_menu_item
{
  int16_t name[128];
  int32_t tag;
  int32_t flags;
};

// The object a host context-menu entry calls back when chosen.
struct context_menu_target
{
  v3_result (V3_API* execute_menu_item)(void* self, int32_t tag);
};

struct context_menu_target_cpp : v3_funknown
{
  context_menu_target target;
};

// A context menu created by the host for a parameter.
struct context_menu
{
  int32_t (V3_API* get_item_count)(void* self);
  v3_result (V3_API* get_item)(void* self, int32_t index, context_menu_item* item,
                               context_menu_target*** target);
  v3_result (V3_API* add_item)(void* self, const context_menu_item* item, context_menu_target** target);
  v3_result (V3_API* remove_item)(void* self, const context_menu_item* item, context_menu_target** target);
  v3_result (V3_API* popup)(void* self, int32_t x, int32_t y);
};

struct context_menu_cpp : v3_funknown
{
  context_menu menu;
};

// The component handler's third interface: context menus for parameters.
struct component_handler3
{
  context_menu** (V3_API* create_context_menu)(void* self, v3_plugin_view** view, const v3_param_id* param_id);
};

struct component_handler3_cpp : v3_funknown
{
  component_handler3 handler3;
};

static constexpr const v3_tuid info_listener_iid = V3_ID(0x0F194781, 0x8D984ADA, 0xBBA0C1EF, 0xC011D8D0);
static constexpr const v3_tuid component_handler3_iid = V3_ID(0x69F11617, 0xD26B400D, 0xA4B6B964, 0x7B6EBBAB);
static constexpr const v3_tuid context_menu_target_iid = V3_ID(0x3CDF2E75, 0x85D34144, 0xBF86D36B, 0xD7C4894D);
static constexpr const v3_tuid context_menu_iid = V3_ID(0x2E93C863, 0x0C9C4588, 0x97DBECF5, 0xAD17817D);

// ---- Building tables ----

inline bool sameId(const uint8_t* iid, const v3_tuid id)
{
  return iid && std::memcmp(iid, id, 16) == 0;
}

// The object behind one of its faces; `self` is what the host passes back.
template <class Owner>
Owner* ownerOf(void* self)
{
  return static_cast<InterfaceFace<Owner>*>(self)->owner;
}

// Runs `f`, turning anything it throws into `fallback`: nothing may unwind
// into the host.
template <class R, class F>
R guarded(R fallback, F&& f) noexcept
{
  try
  {
    return f();
  }
  catch (...)
  {
    return fallback;
  }
}

// The three FUnknown slots of a face whose owner is an FObject subclass.
template <class Owner>
constexpr void fillUnknown(v3_funknown& v)
{
  v.query_interface = [](void* self, const v3_tuid iid, void** obj) -> v3_result {
    if (!obj)
      return kInvalidArgument;
    *obj = nullptr;
    if (!iid)
      return kInvalidArgument;
    return guarded<v3_result>(kInternalError, [&] { return ownerOf<Owner>(self)->queryInterface(iid, obj); });
  };
  v.ref = [](void* self) -> uint32_t { return ownerOf<Owner>(self)->addRef(); };
  v.unref = [](void* self) -> uint32_t { return ownerOf<Owner>(self)->release(); };
}

// ---- Calling host objects ----

// The full table of a host object: `obj` points to the object's first word,
// which points to its table.
template <class Cpp, class T>
Cpp* vtableOf(T** obj)
{
  return *reinterpret_cast<Cpp**>(obj);
}

// FUnknown calls on any host object.
template <class T>
v3_result queryHost(T** obj, const v3_tuid iid, void** out)
{
  return vtableOf<v3_funknown>(obj)->query_interface(obj, iid, out);
}

template <class T>
uint32_t addRefHost(T** obj)
{
  return vtableOf<v3_funknown>(obj)->ref(obj);
}

template <class T>
uint32_t releaseHost(T** obj)
{
  return vtableOf<v3_funknown>(obj)->unref(obj);
}
} // namespace VST3::abi
