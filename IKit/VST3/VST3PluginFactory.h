#pragma once

#include "VST3FObject.h"
#include "VST3Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace VST3
{
// What the factory tells the host about the vendor.
struct FactoryInfo
{
  enum Flags : int32_t
  {
    kNoFlags = 0,
    kClassesDiscardable = 1 << 0,
    kComponentNonDiscardable = 1 << 3,
    // Class and vendor texts are also offered as UTF-16.
    kUnicode = 1 << 4,
  };

  std::string vendor;
  std::string url;
  std::string email;
  int32_t flags = kUnicode;
};

// Makes one new object of a class and returns it with the creation reference,
// as any of its interfaces (the factory asks it for the one the host wants).
// Null when it cannot. Called on any host thread.
using CreateFunction = v3_funknown** (*)(void* context);

// One class the factory offers. Texts are UTF-8; the factory shortens them to
// the fields of the host's records.
struct ClassInfo
{
  static constexpr int32_t kManyInstances = 0x7FFFFFFF;

  UID cid;
  int32_t cardinality = kManyInstances;
  std::string category;
  std::string name;
  uint32_t classFlags = 0;
  std::string subCategories;
  std::string vendor;
  std::string version;
  std::string sdkVersion;
  CreateFunction create = nullptr;
  // Passed to `create`.
  void* context = nullptr;
};

// The module's factory, with the plug-in factory interface, its second and
// third versions (one face; FUnknown answers the same). Classes
// are registered while the factory is built, before a host sees it; after
// that the factory is read-only except for the host context.
class PluginFactory : public FObject
{
public:
  explicit PluginFactory(const FactoryInfo& info);
  ~PluginFactory() override;

  // False when the class has no create function or its ID is taken.
  bool registerClass(const ClassInfo& info);

  // The interface pointer handed to the host. Does not add a reference.
  v3_plugin_factory** asFactory();

  // Either thread.
  int32_t queryInterface(const uint8_t* iid, void** obj) override;

  const FactoryInfo& getFactoryInfo() const { return factoryInfo; }
  int32_t countClasses() const { return static_cast<int32_t>(classes.size()); }
  // Null for an index out of range.
  const ClassInfo* getClassInfo(int32_t index) const;

  // Any thread. Makes an object of class `cid`, asks it for `iid` and drops
  // the creation reference: *obj then holds the only reference. kNoInterface
  // (and *obj null) for an unknown class or an interface the object lacks.
  int32_t createInstance(const uint8_t* cid, const uint8_t* iid, void** obj);

  // Main thread. Keeps the host's context (with a reference); null clears it.
  int32_t setHostContext(v3_funknown** context);
  v3_funknown** getHostContext() const { return hostContext; }

private:
  FactoryInfo factoryInfo;
  std::vector<ClassInfo> classes;
  v3_funknown** hostContext = nullptr;
  InterfaceFace<PluginFactory> factoryFace;
};
} // namespace VST3
