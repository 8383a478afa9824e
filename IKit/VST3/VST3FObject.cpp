#include "VST3FObject.h"

namespace VST3
{
uint32_t FObject::addRef()
{
  return refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t FObject::release()
{
  // acq_rel: the thread that deletes sees every write made through the
  // references released before it.
  const uint32_t count = refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (count == 0)
    delete this;
  return count;
}

int32_t FObject::queryInterface(const uint8_t*, void** obj)
{
  if (obj)
    *obj = nullptr;
  return kNoInterface;
}
} // namespace VST3
