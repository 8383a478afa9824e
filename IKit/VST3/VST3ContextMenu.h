#pragma once

#include "VST3FObject.h"

#include <cstdint>
#include <string_view>

namespace VST3
{
namespace abi
{
struct context_menu;
struct context_menu_target;
} // namespace abi

// An object that a host context menu calls back when one of the entries it
// added is chosen. Main thread.
class ContextMenuTarget : public FObject
{
public:
  ContextMenuTarget();

  // The chosen entry's tag, as given to ContextMenu::addItem.
  virtual int32_t executeMenuItem(int32_t tag) = 0;

  // The interface pointer handed to the host.
  abi::context_menu_target** asTarget();

  int32_t queryInterface(const uint8_t* iid, void** obj) override;

private:
  InterfaceFace<ContextMenuTarget> targetFace;
};

// A context menu that the host created for a parameter (see
// SingleComponentEffect::createContextMenu). Owns the reference it was created
// with and releases it when destroyed. Main thread.
class ContextMenu
{
public:
  enum ItemFlags : int32_t
  {
    kIsSeparator = 1 << 0,
    kIsDisabled = 1 << 1,
    kIsChecked = 1 << 2,
    kIsGroupStart = 1 << 3 | kIsDisabled,
    kIsGroupEnd = 1 << 4 | kIsSeparator,
  };

  ContextMenu() = default;
  // Adopts the reference that came with `menu`.
  explicit ContextMenu(abi::context_menu** menu) : menu(menu) {}
  ContextMenu(ContextMenu&& other) noexcept : menu(other.menu) { other.menu = nullptr; }
  ContextMenu& operator=(ContextMenu&& other) noexcept;
  ContextMenu(const ContextMenu&) = delete;
  ContextMenu& operator=(const ContextMenu&) = delete;
  ~ContextMenu();

  bool isValid() const { return menu != nullptr; }
  explicit operator bool() const { return isValid(); }

  // The host's entries and the ones added.
  int32_t getItemCount() const;
  // Adds an entry (name shortened to 127 UTF-16 units) whose choice calls
  // target->executeMenuItem(tag).
  bool addItem(std::u16string_view name, int32_t tag, int32_t flags, ContextMenuTarget* target);
  // Shows the menu at (x, y) in the view's pixels; returns when it closes.
  bool popup(int32_t x, int32_t y);

private:
  abi::context_menu** menu = nullptr;
};
} // namespace VST3
