#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "kelva_fixture.h"

namespace
{
// A state in the current format: tag, program index, name, values.
IByteChunk makeState(int program, const std::string& name, const std::vector<double>& values,
                     int nameLengthField = -2)
{
  IByteChunk chunk;
  chunk.PutBytes(kStateTag, kStateTagLength);
  chunk.Put(static_cast<int32_t>(program));
  chunk.Put(static_cast<int32_t>(nameLengthField == -2 ? static_cast<int>(name.size()) : nameLengthField));
  chunk.PutBytes(name.data(), static_cast<int>(name.size()));
  for (double v : values)
    chunk.Put(v);
  return chunk;
}

std::vector<double> currentValues(const Kelva& kelva)
{
  std::vector<double> values;
  for (int i = 0; i < kelva.NParams(); ++i)
    values.push_back(kelva.GetParam(i)->Value());
  return values;
}

std::vector<double> distinctValues()
{
  std::vector<double> values(kParamCount);
  KelvaRig rig;
  for (int i = 0; i < kParamCount; ++i)
    values[i] = rig.kelva.GetParam(i)->FromNormalized(0.37);
  return values;
}
} // namespace

TEST(KelvaState, FreshInstrumentHoldsTheTableDefaults)
{
  KelvaRig rig;
  EXPECT_EQ(rig.kelva.GetParam(kJoyFM)->Value(), 0.00037952700065061807);
  EXPECT_EQ(rig.kelva.GetParam(kJoyFcM)->Value(), 1.0849517196484756e-6);
  EXPECT_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.5);
  EXPECT_EQ(rig.kelva.GetParam(kEnsSpd2)->Value(), 0.24);
  std::string text;
  rig.kelva.GetParam(kPhaser)->GetDisplay(1, false, text);
  EXPECT_EQ(text, "Type 1");
  rig.kelva.GetParam(kDelay)->GetDisplay(1, false, text);
  EXPECT_EQ(text, "Pingpong");
  rig.kelva.GetParam(kEns1Dly)->GetDisplay(1, false, text);
  EXPECT_EQ(text, "1.0000");
  rig.kelva.GetParam(kTune)->GetDisplay(-3, false, text);
  EXPECT_EQ(text, "-3");
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kMGSpeed)->FromNormalized(0.5), 0.25);
  EXPECT_DOUBLE_EQ(rig.kelva.GetParam(kVCFFreq)->FromNormalized(0.5), std::sqrt(0.5));
}

TEST(KelvaState, StateIsTagIndexNameAndValues)
{
  KelvaRig rig;
  rig.kelva.RestorePreset(5);
  std::strcpy(rig.kelva.GetPreset(5)->name, "Nine Byte");
  IByteChunk chunk;
  ASSERT_TRUE(rig.kelva.SerializeState(chunk));
  ASSERT_EQ(chunk.Size(), 459 + 9);
  EXPECT_EQ(std::memcmp(chunk.GetData(), "Kelva_1.3.1", 11), 0);
  int32_t idx = 0, len = 0;
  chunk.Get(&idx, 11);
  chunk.Get(&len, 15);
  EXPECT_EQ(idx, 5);
  EXPECT_EQ(len, 9);
  EXPECT_TRUE(isNewVersion_1_3_1(chunk, 0));
  EXPECT_FALSE(isNewVersion_1_3_1(chunk, 1));
  EXPECT_FALSE(isNewVersion_1_3_1(chunk, -1));
}

TEST(KelvaState, RoundTripRestoresEveryValue)
{
  const auto values = distinctValues();
  KelvaRig source;
  for (int i = 0; i < kParamCount; ++i)
    source.setPlain(i, values[i]);
  IByteChunk chunk;
  source.kelva.SerializeState(chunk);

  KelvaRig target;
  EXPECT_EQ(target.kelva.UnserializeState(chunk, 0), chunk.Size());
  EXPECT_EQ(currentValues(target.kelva), currentValues(source.kelva));
}

TEST(KelvaState, EarlierFormatOfBareValuesStillLoads)
{
  const auto values = distinctValues();
  IByteChunk chunk;
  for (double v : values)
    chunk.Put(v);
  ASSERT_EQ(chunk.Size(), 440);

  KelvaRig rig;
  rig.kelva.RestorePreset(2);
  const std::string name2 = rig.kelva.GetPresetName(2);
  EXPECT_EQ(rig.kelva.unserializeOrvaneState(chunk, 0), 440);
  EXPECT_EQ(rig.kelva.GetCurrentPresetIdx(), 2);
  EXPECT_EQ(rig.kelva.GetPresetName(2), name2);
  for (int i = 0; i < kParamCount; ++i)
    EXPECT_EQ(rig.kelva.GetParam(i)->Value(), rig.kelva.GetParam(i)->Constrain(values[i])) << i;
}

TEST(KelvaState, HostRestoreBringsBackProgramAndNameButRecallOnlyTheSound)
{
  const auto values = distinctValues();
  const IByteChunk state = makeState(7, "Stored Seven", values);

  KelvaRig host;
  host.kelva.RestorePreset(2);
  host.kelva.unserializeOrvaneState(state, 0);
  EXPECT_EQ(host.kelva.GetCurrentPresetIdx(), 7);
  EXPECT_STREQ(host.kelva.GetPresetName(7), "Stored Seven");
  // Slot 7 now holds the restored sound.
  IByteChunk slot7 = host.kelva.GetPreset(7)->chunk;
  KelvaRig probe;
  probe.kelva.UnserializeState(slot7, 0);
  EXPECT_EQ(currentValues(probe.kelva), currentValues(host.kelva));

  KelvaRig recall;
  recall.kelva.RestorePreset(2);
  recall.kelva.UnserializeState(state, 0);
  EXPECT_EQ(recall.kelva.GetCurrentPresetIdx(), 2);
  EXPECT_STRNE(recall.kelva.GetPresetName(7), "Stored Seven");
  EXPECT_EQ(currentValues(recall.kelva), currentValues(host.kelva));
}

TEST(KelvaState, TruncatedChunksApplyWhatTheyHoldAndReportFailure)
{
  const auto values = distinctValues();
  const IByteChunk full = makeState(1, "abc", values);
  for (const int cut : {0, 5, 11, 14, 17, 21, 22 + 8 * 10 + 3, full.Size() - 1})
  {
    IByteChunk chunk;
    chunk.PutBytes(full.GetData(), cut);
    KelvaRig rig;
    const auto before = currentValues(rig.kelva);
    EXPECT_EQ(rig.kelva.unserializeOrvaneState(chunk, 0), -1) << cut;
    const int valuesStart = 22;
    const int complete = cut >= valuesStart ? (cut - valuesStart) / 8 : 0;
    for (int i = 0; i < complete; ++i)
      EXPECT_EQ(rig.kelva.GetParam(i)->Value(), rig.kelva.GetParam(i)->Constrain(values[i]));
    for (int i = complete + 1; i < kParamCount; ++i)
      EXPECT_EQ(rig.kelva.GetParam(i)->Value(), before[i]) << cut << " " << i;
  }
}

TEST(KelvaState, HostileNameLengthsNeverReadOutsideTheChunk)
{
  const auto values = distinctValues();
  const struct { std::string name; int lengthField; int expected; } cases[] = {
    {"", -1, -1},
    {"", -2147483647 - 1, -1},
    {"", 2147483647, -1},
    {"x", 1000, -1},
    {std::string(200, 'n'), -2, 19 + 200 + 440},  // longer than the name buffer: cut, values still found
  };
  for (const auto& c : cases)
  {
    const IByteChunk state = makeState(3, c.name, values, c.lengthField);
    KelvaRig rig;
    EXPECT_EQ(rig.kelva.unserializeOrvaneState(state, 0), c.expected) << c.lengthField;
    EXPECT_LE(std::strlen(rig.kelva.GetPresetName(3)), 63u);
  }
}

TEST(KelvaState, NonFiniteValuesNeverReachTheEngine)
{
  KelvaRig rig;
  std::vector<double> values = currentValues(rig.kelva);
  values[kVolume] = std::numeric_limits<double>::quiet_NaN();
  values[kTune] = std::numeric_limits<double>::infinity();
  values[kVCFEG] = -std::numeric_limits<double>::infinity();
  const IByteChunk state = makeState(0, "", values);
  rig.kelva.UnserializeState(state, 0);
  EXPECT_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.5);
  EXPECT_EQ(rig.kelva.GetParam(kTune)->Value(), 64);
  EXPECT_EQ(rig.kelva.GetParam(kVCFEG)->Value(), -9217);

  rig.setNormalized(kSynVol, std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(rig.kelva.GetParam(kSynVol)->Value(), 0.5);
  rig.noteOn(60);
  const auto out = rig.renderLeft(4800);
  for (double x : out)
    ASSERT_TRUE(std::isfinite(x));
}

TEST(KelvaState, UntouchedSlotRestoresAsUserPresetWithTheRunningSound)
{
  KelvaRig rig;
  rig.setPlain(kVolume, 0.8);
  ASSERT_TRUE(rig.kelva.RestorePreset(9));
  EXPECT_EQ(rig.kelva.GetParam(kVolume)->Value(), 0.8);
  EXPECT_STREQ(rig.kelva.GetPresetName(9), "user preset 2");  // slot 0 took the first name
}
