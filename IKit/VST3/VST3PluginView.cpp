#include "VST3PluginView.h"

#include "VST3Interfaces.h"

#include <cstring>
#include <utility>

namespace VST3
{
namespace
{
PluginView* viewOf(void* self)
{
  return abi::ownerOf<PluginView>(self);
}

template <class F>
v3_result call(F&& f) noexcept
{
  return abi::guarded<v3_result>(kInternalError, std::forward<F>(f));
}

ViewRect fromHost(const v3_view_rect& r)
{
  return ViewRect{r.left, r.top, r.right, r.bottom};
}

void toHost(const ViewRect& r, v3_view_rect& out)
{
  out.left = r.left;
  out.top = r.top;
  out.right = r.right;
  out.bottom = r.bottom;
}

constexpr v3_plugin_view_cpp makeViewVtable()
{
  v3_plugin_view_cpp v{};
  abi::fillUnknown<PluginView>(v);
  v.view.is_platform_type_supported = [](void* self, const char* type) -> v3_result {
    if (!type)
      return kInvalidArgument;
    return call([&] { return viewOf(self)->isPlatformTypeSupported(type); });
  };
  v.view.attached = [](void* self, void* parent, const char* type) -> v3_result {
    if (!type)
      return kInvalidArgument;
    return call([&] { return viewOf(self)->attached(parent, type); });
  };
  v.view.removed = [](void* self) -> v3_result { return call([&] { return viewOf(self)->removed(); }); };
  v.view.on_wheel = [](void* self, float distance) -> v3_result {
    return call([&] { return viewOf(self)->onWheel(distance); });
  };
  v.view.on_key_down = [](void* self, int16_t key, int16_t keyCode, int16_t modifiers) -> v3_result {
    return call([&] { return viewOf(self)->onKeyDown(char16_t(uint16_t(key)), keyCode, modifiers); });
  };
  v.view.on_key_up = [](void* self, int16_t key, int16_t keyCode, int16_t modifiers) -> v3_result {
    return call([&] { return viewOf(self)->onKeyUp(char16_t(uint16_t(key)), keyCode, modifiers); });
  };
  v.view.get_size = [](void* self, v3_view_rect* size) -> v3_result {
    if (!size)
      return kInvalidArgument;
    return call([&] {
      ViewRect r = fromHost(*size);
      const v3_result result = viewOf(self)->getSize(r);
      toHost(r, *size);
      return result;
    });
  };
  v.view.on_size = [](void* self, v3_view_rect* newSize) -> v3_result {
    if (!newSize)
      return kInvalidArgument;
    return call([&] { return viewOf(self)->onSize(fromHost(*newSize)); });
  };
  v.view.on_focus = [](void* self, v3_bool state) -> v3_result {
    return call([&] { return viewOf(self)->onFocus(state != 0); });
  };
  v.view.set_frame = [](void* self, v3_plugin_frame** frame) -> v3_result {
    return call([&] { return viewOf(self)->setFrame(frame); });
  };
  v.view.can_resize = [](void* self) -> v3_result { return call([&] { return viewOf(self)->canResize(); }); };
  v.view.check_size_constraint = [](void* self, v3_view_rect* rect) -> v3_result {
    if (!rect)
      return kInvalidArgument;
    return call([&] {
      ViewRect r = fromHost(*rect);
      const v3_result result = viewOf(self)->checkSizeConstraint(r);
      toHost(r, *rect);
      return result;
    });
  };
  return v;
}

constexpr v3_plugin_view_content_scale_cpp makeScaleVtable()
{
  v3_plugin_view_content_scale_cpp v{};
  abi::fillUnknown<PluginView>(v);
  v.scale.set_content_scale_factor = [](void* self, float factor) -> v3_result {
    return call([&] { return viewOf(self)->setContentScaleFactor(factor); });
  };
  return v;
}

constexpr v3_plugin_view_cpp kViewVtable = makeViewVtable();
constexpr v3_plugin_view_content_scale_cpp kScaleVtable = makeScaleVtable();
} // namespace

PluginView::PluginView(const ViewRect& rect) : rect(rect), viewFace{&kViewVtable, this}, scaleFace{&kScaleVtable, this}
{
}

v3_plugin_view** PluginView::asPluginView()
{
  return reinterpret_cast<v3_plugin_view**>(&viewFace);
}

int32_t PluginView::queryInterface(const uint8_t* iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (abi::sameId(iid, v3_funknown_iid) || abi::sameId(iid, v3_plugin_view_iid))
    return answer(&viewFace, obj);
  if (abi::sameId(iid, v3_plugin_view_content_scale_iid))
    return answer(&scaleFace, obj);
  return FObject::queryInterface(iid, obj);
}

int32_t PluginView::isPlatformTypeSupported(const char*)
{
  return kFalse;
}

int32_t PluginView::attached(void* parentWindow, const char*)
{
  parent = parentWindow;
  attachedToParent();
  return kOk;
}

int32_t PluginView::removed()
{
  parent = nullptr;
  removedFromParent();
  return kOk;
}

int32_t PluginView::onWheel(float)
{
  return kFalse;
}

int32_t PluginView::onKeyDown(char16_t, int16_t, int16_t)
{
  return kFalse;
}

int32_t PluginView::onKeyUp(char16_t, int16_t, int16_t)
{
  return kFalse;
}

int32_t PluginView::getSize(ViewRect& size)
{
  size = rect;
  return kOk;
}

int32_t PluginView::onSize(const ViewRect& newSize)
{
  rect = newSize;
  return kOk;
}

int32_t PluginView::onFocus(bool)
{
  return kFalse;
}

int32_t PluginView::setFrame(v3_plugin_frame** newFrame)
{
  frame = newFrame;
  return kOk;
}

int32_t PluginView::canResize()
{
  return kFalse;
}

int32_t PluginView::checkSizeConstraint(ViewRect&)
{
  return kOk;
}

int32_t PluginView::setContentScaleFactor(float)
{
  return kOk;
}

int32_t PluginView::resizeView(int32_t width, int32_t height)
{
  if (!frame)
    return kFalse;
  v3_view_rect r{0, 0, width, height};
  return abi::vtableOf<v3_plugin_frame_cpp>(frame)->frame.resize_view(frame, asPluginView(), &r);
}
} // namespace VST3
