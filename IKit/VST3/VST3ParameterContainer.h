#pragma once

#include "VST3Parameter.h"

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace VST3
{
// The parameters a host sees, in the order it enumerates them, found by ID in
// constant time. Owns them. Main thread.
class ParameterContainer
{
public:
  // Takes ownership. Null when `parameter` is null or its ID is already taken
  // (a host cannot tell two parameters with one ID apart).
  Parameter* addParameter(std::unique_ptr<Parameter> parameter);
  // A plain 0…1 parameter with this description.
  Parameter* addParameter(const ParameterInfo& info);

  int32_t getParameterCount() const { return static_cast<int32_t>(parameters.size()); }
  // Null when there is no such parameter.
  Parameter* getParameter(uint32_t id) const;
  Parameter* getParameterByIndex(int32_t index) const;

  void reserve(size_t count);
  void removeAll();

private:
  std::vector<std::unique_ptr<Parameter>> parameters;
  std::unordered_map<uint32_t, size_t> indexById;
};
} // namespace VST3
