#pragma once

#include "VST3Types.h"

#include <atomic>
#include <cstdint>

namespace VST3
{
// One interface of an object as the host sees it: the host holds a pointer to
// this record, whose first word points to the interface's table of functions.
// The functions find the object again through `owner`. The table itself is
// built in the .cpp that implements the interface (see VST3Interfaces.h).
template <class Owner>
struct InterfaceFace
{
  const void* vtable = nullptr;
  Owner* owner = nullptr;
};

// Reference-counted base of every object handed to a host. The count starts
// at 1 (the creator's reference); the release that drops it to 0 deletes the
// object. Any thread may add or release references.
//
// A subclass exposes interfaces by holding InterfaceFace members and answering
// their IDs in queryInterface; each answer adds a reference.
class FObject
{
public:
  FObject() = default;
  FObject(const FObject&) = delete;
  FObject& operator=(const FObject&) = delete;
  virtual ~FObject() = default;

  // Either thread. Returns the new count.
  uint32_t addRef();
  // Either thread. Returns the new count; the object is gone when it is 0.
  uint32_t release();
  // The current count; meaningful only while no other thread changes it.
  uint32_t getRefCount() const { return refCount.load(std::memory_order_acquire); }

  // Either thread. Sets *obj to the face for `iid` and adds a reference, or
  // sets it to null and returns kNoInterface. The base answers nothing.
  virtual int32_t queryInterface(const uint8_t* iid, void** obj);

protected:
  // Hands `face` out for a successful queryInterface: stores it, counts the
  // reference, returns kOk.
  int32_t answer(void* face, void** obj)
  {
    *obj = face;
    addRef();
    return kOk;
  }

private:
  std::atomic<uint32_t> refCount{1};
};
} // namespace VST3
