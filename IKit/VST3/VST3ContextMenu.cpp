#include "VST3ContextMenu.h"

#include "VST3Interfaces.h"
#include "VST3Strings.h"

namespace VST3
{
namespace
{
constexpr abi::context_menu_target_cpp makeTargetVtable()
{
  abi::context_menu_target_cpp v{};
  abi::fillUnknown<ContextMenuTarget>(v);
  v.target.execute_menu_item = [](void* self, int32_t tag) -> v3_result {
    return abi::guarded<v3_result>(kInternalError,
                                   [&] { return abi::ownerOf<ContextMenuTarget>(self)->executeMenuItem(tag); });
  };
  return v;
}

constexpr abi::context_menu_target_cpp kTargetVtable = makeTargetVtable();
} // namespace

ContextMenuTarget::ContextMenuTarget() : targetFace{&kTargetVtable, this} {}

abi::context_menu_target** ContextMenuTarget::asTarget()
{
  return reinterpret_cast<abi::context_menu_target**>(&targetFace);
}

int32_t ContextMenuTarget::queryInterface(const uint8_t* iid, void** obj)
{
  if (abi::sameId(iid, v3_funknown_iid) || abi::sameId(iid, abi::context_menu_target_iid))
    return answer(&targetFace, obj);
  return FObject::queryInterface(iid, obj);
}

ContextMenu& ContextMenu::operator=(ContextMenu&& other) noexcept
{
  if (this != &other)
  {
    if (menu)
      abi::releaseHost(menu);
    menu = other.menu;
    other.menu = nullptr;
  }
  return *this;
}

ContextMenu::~ContextMenu()
{
  if (menu)
    abi::releaseHost(menu);
}

int32_t ContextMenu::getItemCount() const
{
  return menu ? abi::vtableOf<abi::context_menu_cpp>(menu)->menu.get_item_count(menu) : 0;
}

bool ContextMenu::addItem(std::u16string_view name, int32_t tag, int32_t flags, ContextMenuTarget* target)
{
  if (!menu)
    return false;
  abi::context_menu_item item{};
  copyUTF16(name, item.name, 128);
  item.tag = tag;
  item.flags = flags;
  return abi::vtableOf<abi::context_menu_cpp>(menu)->menu.add_item(menu, &item,
                                                                   target ? target->asTarget() : nullptr) == kOk;
}

bool ContextMenu::popup(int32_t x, int32_t y)
{
  return menu && abi::vtableOf<abi::context_menu_cpp>(menu)->menu.popup(menu, x, y) == kOk;
}
} // namespace VST3
