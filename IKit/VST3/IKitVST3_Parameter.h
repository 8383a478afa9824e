#pragma once

#include "IKitParameter.h"
#include "VST3Parameter.h"

// A host-side parameter that mirrors one IParam: titles, step count, flags
// and the text and value conversions all come from the IParam.
class IKitVST3Parameter : public VST3::Parameter
{
public:
  IKitVST3Parameter(IParam& param, uint32_t id, int32_t unitId);

  void toString(double normalized, std::u16string& text) const override;
  bool fromString(std::u16string_view text, double& normalized) const override;
  double toPlain(double normalized) const override;
  double toNormalized(double plain) const override;

private:
  IParam& mParam;
};

// The program selector: normalised value times (programs - 1) is the program.
class IKitVST3PresetParameter : public VST3::Parameter
{
public:
  static constexpr uint32_t kID = 65537;

  explicit IKitVST3PresetParameter(int nPresets);

  double toPlain(double normalized) const override;
  double toNormalized(double plain) const override;
};

// The bypass switch, offered only by plug-ins that are not instruments.
class IKitVST3BypassParameter : public VST3::StringListParameter
{
public:
  static constexpr uint32_t kID = 65536;

  IKitVST3BypassParameter();
};
