#pragma once

#include "IControl.h"
#include "IKitKeyPress.h"

// The editor window's model as the editor delegate sees it: the native view,
// the size in editor units with its scale factors, the controls, and key
// events. Main thread only.
class IGraphics
{
public:
  virtual ~IGraphics() = default;

  // Builds the native view inside the platform parent; returns it or null.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;

  // Width and height in editor units, scale the draw scale.
  virtual void Resize(int width, int height, float scale, bool needsPlatformResize) = 0;
  virtual void SetScreenScale(float scale) = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual float GetDrawScale() const = 0;

  virtual int NControls() const = 0;
  virtual IControl* GetControl(int idx) = 0;
  // The first control attached with this tag, or null.
  virtual IControl* GetControlWithTag(int ctrlTag) = 0;

  // The pointer's last position in editor units.
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  // Returns whether a control handled the key.
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key) = 0;
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key) = 0;
};
