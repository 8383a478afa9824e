// PluginView as a host drives it: its interfaces, each table slot reaching its
// method, the default behaviour and resizing through the host's frame.

#include "VST3PluginView.h"
#include "host_fakes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace
{
template <class Table, class T>
Table* tableOf(T** obj)
{
  return *reinterpret_cast<Table**>(obj);
}

class RecordingView : public VST3::PluginView
{
public:
  std::string last;
  int32_t note(std::string call)
  {
    last = std::move(call);
    return VST3::kTrue;
  }
  int32_t isPlatformTypeSupported(const char* type) override
  {
    return note(std::string("isPlatformTypeSupported ") + type);
  }
  int32_t attached(void* p, const char* type) override
  {
    PluginView::attached(p, type);
    return note(std::string("attached ") + type);
  }
  int32_t removed() override
  {
    PluginView::removed();
    return note("removed");
  }
  int32_t onWheel(float d) override { return note("onWheel " + std::to_string(d)); }
  int32_t onKeyDown(char16_t key, int16_t code, int16_t mods) override
  {
    return note("onKeyDown " + std::to_string(int(key)) + " " + std::to_string(code) + " " + std::to_string(mods));
  }
  int32_t onKeyUp(char16_t key, int16_t code, int16_t mods) override
  {
    return note("onKeyUp " + std::to_string(int(key)) + " " + std::to_string(code) + " " + std::to_string(mods));
  }
  int32_t getSize(VST3::ViewRect& r) override
  {
    r = VST3::ViewRect{0, 0, 880, 512};
    return note("getSize");
  }
  int32_t onSize(const VST3::ViewRect& r) override
  {
    PluginView::onSize(r);
    return note("onSize " + std::to_string(r.getWidth()) + "x" + std::to_string(r.getHeight()));
  }
  int32_t onFocus(bool state) override { return note("onFocus " + std::to_string(state)); }
  int32_t setFrame(v3_plugin_frame** f) override
  {
    PluginView::setFrame(f);
    return note(f ? "setFrame frame" : "setFrame null");
  }
  int32_t canResize() override { return note("canResize"); }
  int32_t checkSizeConstraint(VST3::ViewRect& r) override
  {
    r.right = r.left + 1760;
    return note("checkSizeConstraint " + std::to_string(r.left));
  }
  int32_t setContentScaleFactor(float f) override { return note("setContentScaleFactor " + std::to_string(f)); }
};

struct ViewHost
{
  RecordingView* view = new RecordingView;
  v3_plugin_view** v = view->asPluginView();
  v3_plugin_view_content_scale** scale = nullptr;
  ViewHost()
  {
    void* face = nullptr;
    EXPECT_EQ(t()->query_interface(v, v3_plugin_view_content_scale_iid, &face), V3_OK);
    scale = static_cast<v3_plugin_view_content_scale**>(face);
  }
  ~ViewHost()
  {
    tableOf<v3_funknown>(scale)->unref(scale);
    EXPECT_EQ(t()->unref(v), 0u);
  }
  v3_plugin_view_cpp* t() { return tableOf<v3_plugin_view_cpp>(v); }
};
} // namespace

TEST(PluginView, EveryViewCallReachesItsMethod)
{
  ViewHost host;
  fakes::PlugFrame frame;
  auto* view = &host.t()->view;
  auto* v = host.v;
  int window = 0;
  struct Case
  {
    std::string expected;
    std::function<void()> call;
  };
  const std::vector<Case> cases = {
      {"isPlatformTypeSupported X11EmbedWindowID", [&] { view->is_platform_type_supported(v, "X11EmbedWindowID"); }},
      {"attached X11EmbedWindowID", [&] { view->attached(v, &window, "X11EmbedWindowID"); }},
      {"removed", [&] { view->removed(v); }},
      {"onWheel 1.500000", [&] { view->on_wheel(v, 1.5f); }},
      {"onKeyDown 97 0 1", [&] { view->on_key_down(v, 'a', 0, 1); }},
      {"onKeyUp 65535 2 4", [&] { view->on_key_up(v, -1, 2, 4); }},
      {"getSize",
       [&] {
         v3_view_rect r{};
         view->get_size(v, &r);
         EXPECT_EQ(r.right, 880);
         EXPECT_EQ(r.bottom, 512);
       }},
      {"onSize 440x256",
       [&] {
         v3_view_rect r{10, 20, 450, 276};
         view->on_size(v, &r);
       }},
      {"onFocus 1", [&] { view->on_focus(v, 1); }},
      {"setFrame frame", [&] { view->set_frame(v, frame.get()); }},
      {"canResize", [&] { view->can_resize(v); }},
      {"checkSizeConstraint 5",
       [&] {
         v3_view_rect r{5, 0, 100, 100};
         view->check_size_constraint(v, &r);
         EXPECT_EQ(r.right, 1765);
       }},
      {"setContentScaleFactor 2.000000",
       [&] { tableOf<v3_plugin_view_content_scale_cpp>(host.scale)->scale.set_content_scale_factor(host.scale, 2); }},
  };
  for (const Case& c : cases)
  {
    host.view->last.clear();
    c.call();
    EXPECT_EQ(host.view->last, c.expected);
  }
  // The view kept what the host told it.
  EXPECT_EQ(host.view->getFrame(), frame.get());
  EXPECT_EQ(host.view->getRect().left, 10);
  EXPECT_EQ(host.view->getRect().getWidth(), 440);
  EXPECT_FALSE(host.view->isAttached());
}

TEST(PluginView, AnswersItsTwoInterfacesAndNothingElse)
{
  ViewHost host;
  void* face = nullptr;
  ASSERT_EQ(host.t()->query_interface(host.v, v3_funknown_iid, &face), V3_OK);
  EXPECT_EQ(face, host.v);
  host.t()->unref(host.v);
  ASSERT_EQ(host.t()->query_interface(host.v, v3_plugin_view_iid, &face), V3_OK);
  EXPECT_EQ(face, host.v);
  host.t()->unref(host.v);
  EXPECT_EQ(host.t()->query_interface(host.v, v3_edit_controller_iid, &face), V3_NO_INTERFACE);
  EXPECT_EQ(face, nullptr);
  EXPECT_EQ(host.view->getRefCount(), 2u); // the host's and the scale face's
}

TEST(PluginView, DefaultsKeepTheRectangleAndTheParent)
{
  auto* view = new VST3::PluginView(VST3::ViewRect{0, 0, 880, 512});
  auto** v = view->asPluginView();
  auto* t = &tableOf<v3_plugin_view_cpp>(v)->view;
  EXPECT_EQ(t->is_platform_type_supported(v, "X11EmbedWindowID"), V3_FALSE);
  v3_view_rect r{};
  EXPECT_EQ(t->get_size(v, &r), V3_OK);
  EXPECT_EQ(r.right, 880);
  EXPECT_EQ(r.bottom, 512);
  r = {0, 0, 1000, 600};
  EXPECT_EQ(t->check_size_constraint(v, &r), V3_OK);
  EXPECT_EQ(r.right, 1000);
  EXPECT_EQ(t->can_resize(v), V3_FALSE);
  int window = 0;
  EXPECT_EQ(t->attached(v, &window, "X11EmbedWindowID"), V3_OK);
  EXPECT_EQ(view->getParent(), &window);
  EXPECT_EQ(t->removed(v), V3_OK);
  EXPECT_EQ(view->getParent(), nullptr);
  EXPECT_EQ(t->get_size(v, nullptr), V3_INVALID_ARG);
  EXPECT_EQ(t->attached(v, &window, nullptr), V3_INVALID_ARG);
  EXPECT_EQ(tableOf<v3_funknown>(v)->unref(v), 0u);
}

TEST(PluginView, ResizeViewAsksTheHostsFrame)
{
  ViewHost host;
  EXPECT_EQ(host.view->resizeView(1000, 600), V3_FALSE); // no frame yet
  fakes::PlugFrame frame;
  host.t()->view.set_frame(host.v, frame.get());
  EXPECT_EQ(host.view->resizeView(1000, 600), V3_TRUE);
  EXPECT_EQ(frame.resizes, 1);
  EXPECT_EQ(frame.resizedView, host.v);
  EXPECT_EQ(frame.requested.left, 0);
  EXPECT_EQ(frame.requested.right, 1000);
  EXPECT_EQ(frame.requested.bottom, 600);
  // The host answered with onSize.
  EXPECT_EQ(host.view->getRect().getHeight(), 600);
  // The view holds no reference to the frame.
  EXPECT_EQ(frame.refs, 0);
}
