#pragma once

#include "VST3FObject.h"
#include "VST3Types.h"

#include <cstdint>

namespace VST3
{
// The editor view a host embeds: the plug-in view and content-scale
// interfaces as tables of C functions forwarding to the virtual methods
// below. Keeps the current view rectangle, the parent window while attached,
// and the host's frame. The host calls every method on its main thread.
//
// Interfaces answered by queryInterface: FUnknown and IPlugView (one face),
// IPlugViewContentScaleSupport. A subclass answers more the way
// SingleComponentEffect describes.
class PluginView : public FObject
{
public:
  // Modifier bits of onKeyDown/onKeyUp.
  enum KeyModifier : int16_t
  {
    kShiftKey = 1 << 0,
    kAlternateKey = 1 << 1,
    kCommandKey = 1 << 2,
    kControlKey = 1 << 3,
  };

  explicit PluginView(const ViewRect& rect = ViewRect());

  // The interface pointer handed to the host. Does not add a reference.
  v3_plugin_view** asPluginView();

  int32_t queryInterface(const uint8_t* iid, void** obj) override;

  // kFalse: the base knows no platform.
  virtual int32_t isPlatformTypeSupported(const char* type);
  // Remembers the parent, then attachedToParent(); kOk.
  virtual int32_t attached(void* parent, const char* type);
  // Forgets the parent, then removedFromParent(); kOk.
  virtual int32_t removed();
  virtual int32_t onWheel(float distance);
  // `key` is the character (0 when there is none), `keyCode` the host's
  // virtual key, `modifiers` KeyModifier bits. kTrue when handled.
  virtual int32_t onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers);
  virtual int32_t onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers);
  // The current rectangle.
  virtual int32_t getSize(ViewRect& size);
  // Keeps the host's new rectangle.
  virtual int32_t onSize(const ViewRect& newSize);
  virtual int32_t onFocus(bool state);
  // Keeps the frame. The host clears it (null) before it releases the view,
  // and the view holds no reference to it.
  virtual int32_t setFrame(v3_plugin_frame** frame);
  virtual int32_t canResize();
  // The base accepts every size as it is.
  virtual int32_t checkSizeConstraint(ViewRect& rect);
  virtual int32_t setContentScaleFactor(float factor);

  // Hooks of the base's attached and removed.
  virtual void attachedToParent() {}
  virtual void removedFromParent() {}

  // Asks the host frame to give the view the rectangle (0, 0, width,
  // height); the host answers with onSize. kFalse without a frame.
  int32_t resizeView(int32_t width, int32_t height);

  const ViewRect& getRect() const { return rect; }
  void setRect(const ViewRect& r) { rect = r; }
  // The parent window (an X11 window ID) while attached, else null.
  void* getParent() const { return parent; }
  bool isAttached() const { return parent != nullptr; }
  v3_plugin_frame** getFrame() const { return frame; }

protected:
  ViewRect rect;
  void* parent = nullptr;
  v3_plugin_frame** frame = nullptr;

private:
  InterfaceFace<PluginView> viewFace;
  InterfaceFace<PluginView> scaleFace;
};
} // namespace VST3
