#include "VST3PluginFactory.h"

#include "VST3Interfaces.h"
#include "VST3Strings.h"

#include <cstring>
#include <utility>

namespace VST3
{
namespace
{
PluginFactory* factoryOf(void* self)
{
  return abi::ownerOf<PluginFactory>(self);
}

template <class F>
v3_result call(F&& f) noexcept
{
  return abi::guarded<v3_result>(kInternalError, std::forward<F>(f));
}

template <size_t N>
void copyText(const std::string& text, char (&field)[N])
{
  copyUTF8(text, field, N);
}

template <size_t N>
void copyText(const std::string& text, int16_t (&field)[N])
{
  copyUTF16(std::string_view(text), field, N);
}

// The two class-information records differ only in their text fields
// (8-bit in the second version, 16-bit in the third); copyText fits either.
template <class Record>
void fillClassInfo(const ClassInfo& c, Record& info)
{
  std::memset(&info, 0, sizeof info);
  std::memcpy(info.class_id, c.cid.bytes, 16);
  info.cardinality = c.cardinality;
  copyText(c.category, info.category);
  copyText(c.name, info.name);
  info.class_flags = c.classFlags;
  copyText(c.subCategories, info.sub_categories);
  copyText(c.vendor, info.vendor);
  copyText(c.version, info.version);
  copyText(c.sdkVersion, info.sdk_version);
}

template <class Record>
v3_result getClassInfoInto(void* self, int32_t index, Record* info)
{
  if (!info)
    return kInvalidArgument;
  return call([&] {
    const ClassInfo* c = factoryOf(self)->getClassInfo(index);
    if (!c)
      return kInvalidArgument;
    fillClassInfo(*c, *info);
    return kOk;
  });
}

constexpr v3_plugin_factory_cpp makeFactoryVtable()
{
  v3_plugin_factory_cpp v{};
  abi::fillUnknown<PluginFactory>(v);
  v.v1.get_factory_info = [](void* self, v3_factory_info* info) -> v3_result {
    if (!info)
      return kInvalidArgument;
    return call([&] {
      const FactoryInfo& f = factoryOf(self)->getFactoryInfo();
      std::memset(info, 0, sizeof *info);
      copyText(f.vendor, info->vendor);
      copyText(f.url, info->url);
      copyText(f.email, info->email);
      info->flags = f.flags;
      return kOk;
    });
  };
  v.v1.num_classes = [](void* self) -> int32_t { return factoryOf(self)->countClasses(); };
  v.v1.get_class_info = [](void* self, int32_t index, v3_class_info* info) -> v3_result {
    if (!info)
      return kInvalidArgument;
    return call([&] {
      const ClassInfo* c = factoryOf(self)->getClassInfo(index);
      if (!c)
        return kInvalidArgument;
      std::memset(info, 0, sizeof *info);
      std::memcpy(info->class_id, c->cid.bytes, 16);
      info->cardinality = c->cardinality;
      copyText(c->category, info->category);
      copyText(c->name, info->name);
      return kOk;
    });
  };
  v.v1.create_instance = [](void* self, const v3_tuid cid, const v3_tuid iid, void** obj) -> v3_result {
    if (!obj)
      return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid)
      return kInvalidArgument;
    return call([&] { return factoryOf(self)->createInstance(cid, iid, obj); });
  };
  v.v2.get_class_info_2 = [](void* self, int32_t index, v3_class_info_2* info) -> v3_result {
    return getClassInfoInto(self, index, info);
  };
  v.v3.get_class_info_utf16 = [](void* self, int32_t index, v3_class_info_3* info) -> v3_result {
    return getClassInfoInto(self, index, info);
  };
  v.v3.set_host_context = [](void* self, v3_funknown** context) -> v3_result {
    return call([&] { return factoryOf(self)->setHostContext(context); });
  };
  return v;
}

constexpr v3_plugin_factory_cpp kFactoryVtable = makeFactoryVtable();
} // namespace

PluginFactory::PluginFactory(const FactoryInfo& info) : factoryInfo(info), factoryFace{&kFactoryVtable, this} {}

PluginFactory::~PluginFactory()
{
  if (hostContext)
    abi::releaseHost(hostContext);
}

bool PluginFactory::registerClass(const ClassInfo& info)
{
  if (!info.create)
    return false;
  for (const ClassInfo& c : classes)
    if (c.cid == info.cid)
      return false;
  classes.push_back(info);
  return true;
}

v3_plugin_factory** PluginFactory::asFactory()
{
  return reinterpret_cast<v3_plugin_factory**>(&factoryFace);
}

int32_t PluginFactory::queryInterface(const uint8_t* iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  if (abi::sameId(iid, v3_funknown_iid) || abi::sameId(iid, v3_plugin_factory_iid) ||
      abi::sameId(iid, v3_plugin_factory_2_iid) || abi::sameId(iid, v3_plugin_factory_3_iid))
    return answer(&factoryFace, obj);
  return FObject::queryInterface(iid, obj);
}

const ClassInfo* PluginFactory::getClassInfo(int32_t index) const
{
  if (index < 0 || index >= countClasses())
    return nullptr;
  return &classes[size_t(index)];
}

int32_t PluginFactory::createInstance(const uint8_t* cid, const uint8_t* iid, void** obj)
{
  if (!obj)
    return kInvalidArgument;
  *obj = nullptr;
  if (!cid || !iid)
    return kInvalidArgument;
  for (const ClassInfo& c : classes)
  {
    if (!c.cid.matches(cid))
      continue;
    v3_funknown** object = c.create(c.context);
    if (!object)
      return kOutOfMemory;
    const int32_t result = abi::queryHost(object, iid, obj);
    if (result != kOk)
      *obj = nullptr;
    abi::releaseHost(object);
    return result == kOk ? kOk : kNoInterface;
  }
  return kNoInterface;
}

int32_t PluginFactory::setHostContext(v3_funknown** context)
{
  if (context)
    abi::addRefHost(context);
  if (hostContext)
    abi::releaseHost(hostContext);
  hostContext = context;
  return kOk;
}
} // namespace VST3
