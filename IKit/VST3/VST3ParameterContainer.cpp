#include "VST3ParameterContainer.h"

namespace VST3
{
Parameter* ParameterContainer::addParameter(std::unique_ptr<Parameter> parameter)
{
  if (!parameter || indexById.count(parameter->getId()))
    return nullptr;
  indexById.emplace(parameter->getId(), parameters.size());
  parameters.push_back(std::move(parameter));
  return parameters.back().get();
}

Parameter* ParameterContainer::addParameter(const ParameterInfo& info)
{
  return addParameter(std::make_unique<Parameter>(info));
}

Parameter* ParameterContainer::getParameter(uint32_t id) const
{
  const auto found = indexById.find(id);
  return found == indexById.end() ? nullptr : parameters[found->second].get();
}

Parameter* ParameterContainer::getParameterByIndex(int32_t index) const
{
  if (index < 0 || index >= getParameterCount())
    return nullptr;
  return parameters[size_t(index)].get();
}

void ParameterContainer::reserve(size_t count)
{
  parameters.reserve(count);
  indexById.reserve(count);
}

void ParameterContainer::removeAll()
{
  parameters.clear();
  indexById.clear();
}
} // namespace VST3
