#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "preset_test_plugin.h"

namespace
{
int32_t BE32(const IByteChunk& chunk, int pos)
{
  const uint8_t* p = chunk.GetData() + pos;
  return static_cast<int32_t>((uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]);
}

void SetBE32(IByteChunk& chunk, int pos, int32_t value)
{
  uint8_t* p = chunk.GetData() + pos;
  const uint32_t u = static_cast<uint32_t>(value);
  p[0] = uint8_t(u >> 24);
  p[1] = uint8_t(u >> 16);
  p[2] = uint8_t(u >> 8);
  p[3] = uint8_t(u);
}

void PutBE32(IByteChunk& chunk, int32_t value)
{
  chunk.Put(int32_t{0});
  SetBE32(chunk, chunk.Size() - 4, value);
}

IByteChunk Truncated(const IByteChunk& chunk, int size)
{
  IByteChunk cut;
  cut.PutBytes(chunk.GetData(), size);
  return cut;
}

// A bare-value bank built from bare-value program files, which are exactly
// the bank's program records.
IByteChunk MakeParamsBank(const std::vector<IByteChunk>& programs, int currentIdx)
{
  IByteChunk bank;
  PutBE32(bank, MakeFourCC("CcnK"));
  PutBE32(bank, 0);
  PutBE32(bank, MakeFourCC("FxBk"));
  PutBE32(bank, 2);
  PutBE32(bank, MakeFourCC("zq71"));
  PutBE32(bank, 10301);
  PutBE32(bank, static_cast<int32_t>(programs.size()));
  PutBE32(bank, currentIdx);
  const uint8_t reserved[124] = {};
  bank.PutBytes(reserved, sizeof(reserved));
  for (const IByteChunk& program : programs)
    bank.PutChunk(&program);
  SetBE32(bank, 4, bank.Size());
  return bank;
}

// Everything a user could lose: every slot and the running sound.
struct Snapshot
{
  explicit Snapshot(PresetTestPlugin& plug)
  {
    for (int i = 0; i < plug.NPresets(); ++i)
    {
      const IPreset* preset = plug.GetPreset(i);
      names.push_back(preset->name);
      initialized.push_back(preset->initialized);
      states.push_back(std::vector<uint8_t>(preset->chunk.GetData(), preset->chunk.GetData() + preset->chunk.Size()));
    }
    sound = plug.Sound();
    current = plug.GetCurrentPresetIdx();
  }
  bool operator==(const Snapshot&) const = default;

  std::vector<std::string> names;
  std::vector<bool> initialized;
  std::vector<std::vector<uint8_t>> states;
  std::vector<double> sound;
  int current = 0;
};

class PresetStore : public ::testing::Test
{
protected:
  void SetUp() override
  {
    // Four stored programs with distinct sounds and names, slot 2 current.
    for (int slot : {0, 1, 2, 5})
    {
      plug.SetSound(slot + 1);
      ASSERT_TRUE(plug.RestorePreset(slot));
      plug.ModifyCurrentPreset(("Program " + std::to_string(slot)).c_str());
    }
    plug.SetSound(3);
    ASSERT_TRUE(plug.RestorePreset(2));
    Reset();
  }

  void Reset()
  {
    plug.unserializeCalls = 0;
    plug.hostInformCalls = 0;
    plug.paramChanges = 0;
    plug.sawFullRestore = false;
  }

  std::string TempPath(const char* name)
  {
    if (dir.empty())
    {
      std::string pattern = ::testing::TempDir() + "presetsXXXXXX";
      EXPECT_NE(mkdtemp(pattern.data()), nullptr);
      dir = pattern;
    }
    files.push_back(dir + "/" + name);
    return files.back();
  }

  void TearDown() override
  {
    for (const std::string& f : files)
      remove(f.c_str());
    if (!dir.empty())
      rmdir(dir.c_str());
  }

  PresetTestPlugin plug;
  std::string dir;
  std::vector<std::string> files;
};

} // namespace

// --- State framing ---

TEST(PluginState, ParamsAreEveryPlainValueInOrder)
{
  PresetTestPlugin plug;
  plug.SetSound(4);
  IByteChunk chunk;
  EXPECT_TRUE(plug.SerializeParams(chunk));
  ASSERT_EQ(chunk.Size(), 440);
  for (int i = 0; i < 55; ++i)
  {
    double v = 0;
    chunk.Get(&v, i * 8);
    EXPECT_EQ(v, plug.GetParam(i)->Value()) << i;
  }
}

// Missing values are not invented: a cut-off chunk sets what it holds and
// leaves the rest, and the plug-in still hears about every parameter.
TEST(PluginState, ShortParamsApplyWhatTheyHoldAndLeaveTheRest)
{
  PresetTestPlugin plug;
  plug.SetSound(2);
  const std::vector<double> before = plug.Sound();
  IByteChunk chunk;
  chunk.Put(0.7);
  chunk.Put(2.0);
  chunk.Put(std::numeric_limits<double>::quiet_NaN());
  chunk.Put(int32_t{0});  // half of a value

  EXPECT_EQ(plug.UnserializeParams(chunk, 0), -1);
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.7);
  EXPECT_EQ(plug.GetParam(1)->Value(), 2.0);
  EXPECT_EQ(plug.GetParam(2)->Value(), before[2]);  // NaN ignored
  for (int i = 3; i < 55; ++i)
    EXPECT_EQ(plug.GetParam(i)->Value(), before[i]) << i;
  EXPECT_EQ(plug.paramChanges, 55);

  EXPECT_EQ(plug.UnserializeParams(chunk, -1), -1);
  EXPECT_EQ(plug.GetParam(0)->Value(), 0.7);
  EXPECT_EQ(plug.paramChanges, 110);
}

TEST(PluginState, HostRestoreIsToldApartFromProgramRecall)
{
  PresetTestPlugin plug;
  IByteChunk state;
  plug.SerializeState(state);
  EXPECT_EQ(plug.unserializeOrvaneState(state, 0), state.Size());
  EXPECT_TRUE(plug.sawFullRestore);

  plug.sawFullRestore = false;
  ASSERT_TRUE(plug.RestorePreset(0));
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_FALSE(plug.sawFullRestore);

  IByteChunk ctrlr;
  EXPECT_TRUE(plug.SerializeVST3CtrlrState(ctrlr));
  EXPECT_EQ(ctrlr.Size(), 0);
  EXPECT_EQ(plug.UnserializeVST3CtrlrState(state, 12), 12);
}

TEST(PluginState, DeclarationComesFromTheConfig)
{
  PresetTestPlugin plug;
  EXPECT_EQ(plug.GetVersion(), 0x10301);
  EXPECT_EQ(plug.GetVersionDecimal(), 10301);
  EXPECT_EQ(plug.GetUniqueID(), MakeFourCC("zq71"));
  EXPECT_EQ(plug.GetUniqueID(), 0x7A713731);
  EXPECT_TRUE(plug.DoesStateChunks());
  EXPECT_STREQ(plug.GetPluginName(), "TestSynth");
  EXPECT_EQ(plug.NParams(), 55);
  EXPECT_EQ(plug.NPresets(), 64);
}

// --- Program store ---

TEST(ProgramStore, NewSlotsAreEmptyAndOutsideIndexesHaveNoName)
{
  PresetTestPlugin plug;
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_FALSE(plug.GetPreset(63)->initialized);
  EXPECT_STREQ(plug.GetPresetName(63), "empty");
  EXPECT_STREQ(plug.GetPresetName(-1), "");
  EXPECT_STREQ(plug.GetPresetName(64), "");
  EXPECT_EQ(plug.GetPreset(64), nullptr);
  EXPECT_FALSE(plug.RestorePreset(-1));
  EXPECT_FALSE(plug.RestorePreset(64));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  plug.SetCurrentPresetIdx(64);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
}

TEST(ProgramStore, UnusedSlotTakesTheRunningSoundUnderAUserPresetName)
{
  PresetTestPlugin plug;
  plug.SetSound(1);
  const std::vector<double> sound1 = plug.Sound();
  // An old state from an earlier bank must not be read: the slot was never
  // marked as holding a program.
  plug.GetPreset(3)->chunk.PutBytes("TST1junk", 8);

  ASSERT_TRUE(plug.RestorePreset(3));
  EXPECT_EQ(plug.Sound(), sound1);
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 3);
  EXPECT_STREQ(plug.GetPresetName(3), "user preset 1");
  EXPECT_EQ(plug.presetsModifiedCalls, 1);
  EXPECT_EQ(plug.restoreStateCalls, 1);

  // Every name that contains the words counts.
  strcpy(plug.GetPreset(10)->name, "my old user preset");
  ASSERT_TRUE(plug.RestorePreset(4));
  EXPECT_STREQ(plug.GetPresetName(4), "user preset 3");

  plug.SetSound(2);
  ASSERT_TRUE(plug.RestorePreset(3));
  EXPECT_EQ(plug.Sound(), sound1);
}

TEST(ProgramStore, DamagedSlotIsNotRestored)
{
  PresetTestPlugin plug;
  IPreset* preset = plug.GetPreset(7);
  preset->initialized = true;
  preset->chunk.PutBytes("XXXX", 4);
  EXPECT_FALSE(plug.RestorePreset(7));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
}

TEST_F(PresetStore, CurrentSlotStoresTheRunningSoundAndANameCutTo255)
{
  plug.SetSound(9);
  plug.ModifyCurrentPreset(std::string(300, 'n').c_str());
  EXPECT_EQ(std::string(plug.GetPresetName(2)), std::string(255, 'n'));
  const std::vector<double> sound9 = plug.Sound();
  plug.ModifyCurrentPreset("");
  plug.ModifyCurrentPreset(nullptr);
  EXPECT_EQ(std::string(plug.GetPresetName(2)), std::string(255, 'n'));
  plug.SetSound(1);
  ASSERT_TRUE(plug.RestorePreset(2));
  EXPECT_EQ(plug.Sound(), sound9);
}

TEST_F(PresetStore, AllSlotsRoundTripThroughOneChunk)
{
  IByteChunk block;
  EXPECT_TRUE(plug.SerializePresets(block));

  PresetTestPlugin other;
  other.SetSound(7);
  ASSERT_TRUE(other.RestorePreset(1));
  other.unserializeCalls = 0;
  EXPECT_EQ(other.UnserializePresets(block, 0), block.Size());
  // Each stored program once, then the current slot (1) again.
  EXPECT_EQ(other.unserializeCalls, 5);
  EXPECT_EQ(other.GetCurrentPresetIdx(), 1);
  Snapshot mine(plug), theirs(other);
  EXPECT_EQ(theirs.names, mine.names);
  EXPECT_EQ(theirs.initialized, mine.initialized);
  for (int slot : {0, 1, 2, 5})
    EXPECT_EQ(theirs.states[slot], mine.states[slot]) << slot;
  ASSERT_TRUE(plug.RestorePreset(1));
  EXPECT_EQ(other.Sound(), plug.Sound());
}

TEST_F(PresetStore, CutOffSlotRecordKeepsThatSlotAndTheRest)
{
  IByteChunk block;
  plug.SerializePresets(block);
  // Cut inside slot 1's state: slot 0 loads, slots 1 and later stay.
  const int slot0 = 4 + 9 + 1 + plug.GetPreset(0)->chunk.Size();
  const int cuts[] = {slot0 + 2, slot0 + 4 + 9, slot0 + 4 + 9 + 1 + 100};

  for (int cut : cuts)
  {
    PresetTestPlugin other;
    for (int i = 0; i < other.NPresets(); ++i)
      strcpy(other.GetPreset(i)->name, "keep");
    EXPECT_EQ(other.UnserializePresets(Truncated(block, cut), 0), -1) << cut;
    EXPECT_STREQ(other.GetPresetName(0), "Program 0") << cut;
    EXPECT_TRUE(other.GetPreset(0)->initialized) << cut;
    for (int i = 1; i < other.NPresets(); ++i)
    {
      EXPECT_STREQ(other.GetPresetName(i), "keep") << cut << " slot " << i;
      EXPECT_FALSE(other.GetPreset(i)->initialized) << cut << " slot " << i;
    }
  }
}

TEST_F(PresetStore, OverlongSlotNameInAChunkIsCut)
{
  IByteChunk block;
  block.PutStr(std::string(1000, 'q').c_str());
  block.Put(false);
  EXPECT_EQ(plug.UnserializePresets(block, 0), -1);
  EXPECT_EQ(std::string(plug.GetPresetName(0)), std::string(255, 'q'));
  EXPECT_FALSE(plug.GetPreset(0)->initialized);
}

// --- Program files ---

TEST_F(PresetStore, SavedProgramIsTheStateBehindFixedHeaders)
{
  IByteChunk state;
  plug.SerializeState(state);
  IByteChunk file;
  plug.MakePresetFXPChunk(file);

  ASSERT_EQ(file.Size(), state.Size() + 68);
  EXPECT_EQ(BE32(file, 0), MakeFourCC("CcnK"));
  EXPECT_EQ(BE32(file, 4), file.Size());
  EXPECT_EQ(BE32(file, 8), MakeFourCC("FPCh"));
  EXPECT_EQ(BE32(file, 12), 1);
  EXPECT_EQ(memcmp(file.GetData() + 16, "zq71", 4), 0);
  EXPECT_EQ(BE32(file, 20), 10301);
  EXPECT_EQ(BE32(file, 24), 55);
  EXPECT_STREQ(reinterpret_cast<const char*>(file.GetData() + 28), "Program 2");
  EXPECT_EQ(BE32(file, 56), file.Size() - 60);
  EXPECT_EQ(memcmp(file.GetData() + 60, "tffp\0\0\1\0", 8), 0);
  EXPECT_EQ(memcmp(file.GetData() + 68, state.GetData(), state.Size()), 0);
}

TEST_F(PresetStore, ProgramFileRoundTripsIntoTheCurrentSlot)
{
  plug.SetSound(11);
  const std::vector<double> saved = plug.Sound();
  plug.ModifyCurrentPreset("Saved sound");
  const std::string path = TempPath("a.fxp");
  ASSERT_TRUE(plug.SavePresetAsFXP(path.c_str()));

  ASSERT_TRUE(plug.RestorePreset(0));
  Reset();
  ASSERT_TRUE(plug.LoadPresetFromFXP(path.c_str()));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 0);
  EXPECT_STREQ(plug.GetPresetName(0), "Saved sound");
  EXPECT_EQ(plug.Sound(), saved);
  EXPECT_EQ(plug.hostInformCalls, 1);
  plug.SetSound(1);
  ASSERT_TRUE(plug.RestorePreset(0));
  EXPECT_EQ(plug.Sound(), saved);
}

TEST_F(PresetStore, ProgramNameFieldHoldsTwentySevenCharacters)
{
  plug.ModifyCurrentPreset("A name far longer than the field of the file");
  IByteChunk file;
  plug.MakePresetFXPChunk(file);
  EXPECT_EQ(file.GetData()[28 + 27], 0);
  ASSERT_TRUE(plug.LoadPresetFromFXPChunk(file));
  EXPECT_STREQ(plug.GetPresetName(2), "A name far longer than the ");

  // An empty name field keeps the slot's name; a full one without a zero
  // is read up to the field's end.
  memset(file.GetData() + 28, 0, 28);
  plug.ModifyCurrentPreset("Kept");
  ASSERT_TRUE(plug.LoadPresetFromFXPChunk(file));
  EXPECT_STREQ(plug.GetPresetName(2), "Kept");
  memset(file.GetData() + 28, 'z', 28);
  ASSERT_TRUE(plug.LoadPresetFromFXPChunk(file));
  EXPECT_EQ(std::string(plug.GetPresetName(2)), std::string(28, 'z'));
}

// Whatever a program file is rejected for, nothing the user had changes.
TEST_F(PresetStore, RejectedProgramFileChangesNothing)
{
  IByteChunk good;
  plug.SetSound(8);
  plug.MakePresetFXPChunk(good);
  plug.SetSound(3);
  ASSERT_TRUE(plug.RestorePreset(2));

  const struct { const char* what; int offset; int32_t value; int size; } cases[] = {
    {"foreign plug-in", 16, MakeFourCC("abcd"), -1},
    {"format version 2", 12, 2, -1},
    {"not a program file", 0, MakeFourCC("RIFF"), -1},
    {"unknown kind", 8, MakeFourCC("FPCk"), -1},
    {"negative state length", 56, -5, -1},
    {"header cut off", -1, 0, 59},
    {"no state", -1, 0, 60},
    {"version header cut off", -1, 0, 64},
    {"only the version header", -1, 0, 68},
    {"empty file", -1, 0, 0},
  };
  for (const auto& c : cases)
  {
    IByteChunk file = c.size >= 0 ? Truncated(good, c.size) : good;
    if (c.offset >= 0)
      SetBE32(file, c.offset, c.value);
    const Snapshot before(plug);
    Reset();
    EXPECT_FALSE(plug.LoadPresetFromFXPChunk(file)) << c.what;
    EXPECT_TRUE(Snapshot(plug) == before) << c.what;
    EXPECT_EQ(plug.unserializeCalls, 0) << c.what;
    EXPECT_EQ(plug.hostInformCalls, 0) << c.what;
  }

  // A plug-in without state chunks does not read the chunk kind.
  PresetTestPlugin bare(MakeTestConfig(55, 64, false));
  EXPECT_FALSE(bare.LoadPresetFromFXPChunk(good));
}

TEST_F(PresetStore, BareValueProgramFilesLoadByTheInstrumentsCount)
{
  PresetTestPlugin bare(MakeTestConfig(55, 64, false));
  bare.SetSound(6);
  ASSERT_TRUE(bare.RestorePreset(0));
  bare.ModifyCurrentPreset("Bare");
  IByteChunk file;
  bare.MakePresetFXPChunk(file);
  ASSERT_EQ(file.Size(), 56 + 55 * 4);
  EXPECT_EQ(BE32(file, 4), file.Size());
  EXPECT_EQ(BE32(file, 8), MakeFourCC("FxCk"));

  ASSERT_TRUE(plug.LoadPresetFromFXPChunk(file));
  EXPECT_STREQ(plug.GetPresetName(2), "Bare");
  for (int i = 0; i < 55; ++i)
    EXPECT_NEAR(plug.GetParam(i)->GetNormalized(), bare.GetParam(i)->GetNormalized(), 1e-6) << i;

  // Fewer parameters (a file cut short, or a smaller plug-in): those present
  // are applied, the others keep their values; more are ignored.
  const struct { const char* what; int nParams; int size; int applied; } cases[] = {
    {"cut inside the values", 55, 56 + 4 * 10 + 2, 10},
    {"ten-parameter plug-in", 10, -1, 10},
    {"sixty-parameter plug-in", 60, -1, 55},
  };
  for (const auto& c : cases)
  {
    PresetTestPlugin source(MakeTestConfig(c.nParams, 64, false));
    source.SetSound(5);
    IByteChunk program;
    source.MakePresetFXPChunk(program);
    if (c.size >= 0)
      program = Truncated(program, c.size);
    plug.SetSound(9);
    const std::vector<double> before = plug.Sound();
    ASSERT_TRUE(plug.LoadPresetFromFXPChunk(program)) << c.what;
    for (int i = 0; i < 55; ++i)
    {
      if (i < c.applied)
        EXPECT_NEAR(plug.GetParam(i)->GetNormalized(), source.GetParam(i)->GetNormalized(), 1e-6) << c.what << " " << i;
      else
        EXPECT_EQ(plug.GetParam(i)->Value(), before[i]) << c.what << " " << i;
    }
  }

  // A value that is not a number keeps the parameter as it was.
  IByteChunk hostile = file;
  SetBE32(hostile, 56, 0x7FC00000);
  plug.SetSound(9);
  const double kept = plug.GetParam(0)->Value();
  ASSERT_TRUE(plug.LoadPresetFromFXPChunk(hostile));
  EXPECT_EQ(plug.GetParam(0)->Value(), kept);

  // No values at all: nothing to load.
  EXPECT_FALSE(plug.LoadPresetFromFXPChunk(Truncated(file, 59)));
}

// --- Bank files ---

TEST_F(PresetStore, SavedBankRecordsTheCurrentProgramAndEverySlot)
{
  IByteChunk block;
  plug.SerializePresets(block);
  IByteChunk file;
  plug.MakeBankFXBChunk(file);

  ASSERT_EQ(file.Size(), 160 + 8 + block.Size());
  EXPECT_EQ(BE32(file, 0), MakeFourCC("CcnK"));
  EXPECT_EQ(BE32(file, 4), file.Size());
  EXPECT_EQ(BE32(file, 8), MakeFourCC("FBCh"));
  EXPECT_EQ(BE32(file, 12), 2);
  EXPECT_EQ(memcmp(file.GetData() + 16, "zq71", 4), 0);
  EXPECT_EQ(BE32(file, 20), 10301);
  EXPECT_EQ(BE32(file, 24), 64);
  EXPECT_EQ(BE32(file, 28), 2);
  EXPECT_EQ(std::vector<uint8_t>(file.GetData() + 32, file.GetData() + 156), std::vector<uint8_t>(124, 0));
  EXPECT_EQ(BE32(file, 156), file.Size() - 160);
  EXPECT_EQ(memcmp(file.GetData() + 160, "tffp\0\0\1\0", 8), 0);
  EXPECT_EQ(memcmp(file.GetData() + 168, block.GetData(), block.Size()), 0);
}

TEST_F(PresetStore, BankRoundTripsAndKeepsTheLoadersCurrentProgram)
{
  const std::string path = TempPath("a.fxb");
  ASSERT_TRUE(plug.SaveBankAsFXB(path.c_str()));

  for (int32_t formatVersion : {2, 1, 3})
  {
    IByteChunk file;
    plug.MakeBankFXBChunk(file);
    SetBE32(file, 12, formatVersion);
    PresetTestPlugin other;
    other.SetSound(12);
    ASSERT_TRUE(other.RestorePreset(5));
    other.unserializeCalls = 0;
    if (formatVersion == 2)
      ASSERT_TRUE(other.LoadBankFromFXB(path.c_str()));
    else
      ASSERT_TRUE(other.LoadBankFromFXBChunk(file)) << formatVersion;
    EXPECT_EQ(other.unserializeCalls, 4 + 1);
    EXPECT_EQ(other.GetCurrentPresetIdx(), 5);
    EXPECT_EQ(other.hostInformCalls, 1);
    Snapshot mine(plug), theirs(other);
    EXPECT_EQ(theirs.names, mine.names);
    EXPECT_EQ(theirs.initialized, mine.initialized);
    ASSERT_TRUE(plug.RestorePreset(5));
    EXPECT_EQ(other.Sound(), plug.Sound());
    ASSERT_TRUE(plug.RestorePreset(2));
  }
}

TEST_F(PresetStore, RejectedBankChangesNothing)
{
  IByteChunk good;
  plug.MakeBankFXBChunk(good);
  const struct { const char* what; int offset; int32_t value; int size; } cases[] = {
    {"foreign plug-in", 16, MakeFourCC("abcd"), -1},
    {"not a bank", 0, MakeFourCC("RIFF"), -1},
    {"unknown kind", 8, MakeFourCC("FBCk"), -1},
    {"negative block length", 156, -1, -1},
    {"header cut off", -1, 0, 159},
    {"no program block", -1, 0, 160},
    {"only the version header", -1, 0, 168},
    {"first name cut off", -1, 0, 174},
    {"first flag missing", -1, 0, 168 + 4 + 9},
    {"empty file", -1, 0, 0},
  };
  for (const auto& c : cases)
  {
    PresetTestPlugin other;
    other.SetSound(4);
    ASSERT_TRUE(other.RestorePreset(9));
    IByteChunk file = c.size >= 0 ? Truncated(good, c.size) : good;
    if (c.offset >= 0)
      SetBE32(file, c.offset, c.value);
    const Snapshot before(other);
    other.unserializeCalls = 0;
    EXPECT_FALSE(other.LoadBankFromFXBChunk(file)) << c.what;
    EXPECT_TRUE(Snapshot(other) == before) << c.what;
    EXPECT_EQ(other.unserializeCalls, 0) << c.what;
    EXPECT_EQ(other.hostInformCalls, 0) << c.what;
  }

  PresetTestPlugin bare(MakeTestConfig(55, 64, false));
  EXPECT_FALSE(bare.LoadBankFromFXBChunk(good));
}

TEST_F(PresetStore, BankCutInsideTheProgramsFillsTheSlotsBeforeTheCut)
{
  IByteChunk good;
  plug.MakeBankFXBChunk(good);
  // Slots 0 and 1 whole, slot 2 cut inside its state.
  const int slot0 = 4 + 9 + 1 + plug.GetPreset(0)->chunk.Size();
  const int slot1 = 4 + 9 + 1 + plug.GetPreset(1)->chunk.Size();
  const IByteChunk file = Truncated(good, 168 + slot0 + slot1 + 30);

  PresetTestPlugin other;
  for (int i = 0; i < other.NPresets(); ++i)
    strcpy(other.GetPreset(i)->name, "keep");
  EXPECT_TRUE(other.LoadBankFromFXBChunk(file));
  EXPECT_STREQ(other.GetPresetName(0), "Program 0");
  EXPECT_STREQ(other.GetPresetName(1), "Program 1");
  for (int i = 2; i < other.NPresets(); ++i)
  {
    EXPECT_STREQ(other.GetPresetName(i), "keep") << i;
    EXPECT_FALSE(other.GetPreset(i)->initialized) << i;
  }
}

TEST_F(PresetStore, BareValueBankLoadsEveryProgramAndTheFilesCurrentIndex)
{
  PresetTestPlugin bare(MakeTestConfig(55, 64, false));
  for (int slot : {0, 3})
  {
    bare.SetSound(slot + 20);
    ASSERT_TRUE(bare.RestorePreset(slot));
    bare.ModifyCurrentPreset(("Bare " + std::to_string(slot)).c_str());
  }
  const std::vector<double> running = bare.Sound();
  IByteChunk file;
  bare.MakeBankFXBChunk(file);
  EXPECT_EQ(bare.Sound(), running);  // writing applied each slot, then restored
  ASSERT_EQ(file.Size(), 156 + 64 * (56 + 55 * 4));
  EXPECT_EQ(BE32(file, 4), file.Size());
  EXPECT_EQ(BE32(file, 8), MakeFourCC("FxBk"));
  EXPECT_EQ(BE32(file, 28), 3);

  ASSERT_TRUE(plug.LoadBankFromFXBChunk(file));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 3);
  EXPECT_STREQ(plug.GetPresetName(0), "Bare 0");
  EXPECT_STREQ(plug.GetPresetName(3), "Bare 3");
  for (int slot : {0, 3})
  {
    ASSERT_TRUE(plug.RestorePreset(slot));
    ASSERT_TRUE(bare.RestorePreset(slot));
    for (int i = 0; i < 55; ++i)
      EXPECT_NEAR(plug.GetParam(i)->GetNormalized(), bare.GetParam(i)->GetNormalized(), 1e-6) << slot << " " << i;
  }
}

TEST_F(PresetStore, BareValueBankWithAWrongProgramIsRejectedBeforeAnySlotChanges)
{
  PresetTestPlugin bare(MakeTestConfig(55, 64, false));
  IByteChunk program;
  bare.MakePresetFXPChunk(program);
  std::vector<IByteChunk> programs(5, program);
  SetBE32(programs[3], 24, 54);  // another parameter count
  const Snapshot before(plug);
  EXPECT_FALSE(plug.LoadBankFromFXBChunk(MakeParamsBank(programs, 0)));
  EXPECT_TRUE(Snapshot(plug) == before);

  programs[3] = program;
  SetBE32(programs[4], 8, MakeFourCC("FPCh"));
  EXPECT_FALSE(plug.LoadBankFromFXBChunk(MakeParamsBank(programs, 0)));
  EXPECT_TRUE(Snapshot(plug) == before);

  // Counts that cannot hold: negative, or programs that are not there.
  IByteChunk none = MakeParamsBank({}, 0);
  SetBE32(none, 24, -1);
  EXPECT_FALSE(plug.LoadBankFromFXBChunk(none));
  SetBE32(none, 24, std::numeric_limits<int32_t>::max());
  EXPECT_FALSE(plug.LoadBankFromFXBChunk(none));
  EXPECT_FALSE(plug.LoadBankFromFXBChunk(Truncated(MakeParamsBank(programs, 0), 150)));
  EXPECT_TRUE(Snapshot(plug) == before);

  // A bank with no programs only restores its current program.
  SetBE32(none, 24, 0);
  SetBE32(none, 28, 5);
  EXPECT_TRUE(plug.LoadBankFromFXBChunk(none));
  EXPECT_EQ(plug.GetCurrentPresetIdx(), 5);
}

TEST_F(PresetStore, BareValueBankBeyondTheSlotsLandsInTheLastSlot)
{
  std::vector<IByteChunk> programs;
  std::vector<double> lastSound;
  for (int k = 0; k < 66; ++k)
  {
    PresetTestPlugin bare(MakeTestConfig(55, 64, false));
    bare.SetSound(k);
    ASSERT_TRUE(bare.RestorePreset(0));
    bare.ModifyCurrentPreset(("P" + std::to_string(k)).c_str());
    programs.emplace_back();
    bare.MakePresetFXPChunk(programs.back());
    lastSound = bare.Sound();
  }
  ASSERT_TRUE(plug.LoadBankFromFXBChunk(MakeParamsBank(programs, 63)));
  EXPECT_STREQ(plug.GetPresetName(62), "P62");
  EXPECT_STREQ(plug.GetPresetName(63), "P65");
  ASSERT_TRUE(plug.RestorePreset(63));
  for (int i = 0; i < 55; ++i)
    EXPECT_NEAR(plug.GetParam(i)->Value(), lastSound[i], 1e-4 * (1 + std::fabs(lastSound[i]))) << i;
}

TEST_F(PresetStore, BareValueBankCutInsideAProgramStopsThere)
{
  std::vector<IByteChunk> programs;
  for (int k = 0; k < 3; ++k)
  {
    PresetTestPlugin bare(MakeTestConfig(55, 64, false));
    bare.SetSound(k + 30);
    programs.emplace_back();
    bare.MakePresetFXPChunk(programs.back());
  }
  const IByteChunk bank = MakeParamsBank(programs, 0);
  const int programSize = 56 + 55 * 4;
  // Program 1 keeps its first five values; program 2 is missing.
  const IByteChunk cut = Truncated(bank, 156 + programSize + 56 + 5 * 4 + 3);
  plug.SetSound(1);
  ASSERT_TRUE(plug.RestorePreset(1));
  const std::vector<double> slot1 = plug.Sound();
  ASSERT_TRUE(plug.RestorePreset(2));
  const Snapshot before(plug);

  ASSERT_TRUE(plug.LoadBankFromFXBChunk(cut));
  EXPECT_EQ(Snapshot(plug).states[2], before.states[2]);
  EXPECT_EQ(Snapshot(plug).names[2], before.names[2]);
  ASSERT_TRUE(plug.RestorePreset(1));
  PresetTestPlugin source(MakeTestConfig(55, 64, false));
  source.SetSound(31);
  for (int i = 0; i < 55; ++i)
  {
    if (i < 5)
      EXPECT_NEAR(plug.GetParam(i)->GetNormalized(), source.GetParam(i)->GetNormalized(), 1e-6) << i;
    else
      EXPECT_EQ(plug.GetParam(i)->Value(), slot1[i]) << i;
  }
}

// --- Files on disk ---

TEST_F(PresetStore, FileErrorsAreReported)
{
  EXPECT_FALSE(plug.SavePresetAsFXP(""));
  EXPECT_FALSE(plug.SavePresetAsFXP(nullptr));
  EXPECT_FALSE(plug.SaveBankAsFXB("/nonexistent-folder/x.fxb"));
  if (access("/dev/full", W_OK) == 0)
  {
    EXPECT_FALSE(plug.SavePresetAsFXP("/dev/full"));
    EXPECT_FALSE(plug.SaveBankAsFXB("/dev/full"));
  }
  EXPECT_FALSE(plug.LoadPresetFromFXP(""));
  EXPECT_FALSE(plug.LoadBankFromFXB(nullptr));
  EXPECT_FALSE(plug.LoadBankFromFXB(TempPath("missing.fxb").c_str()));
  EXPECT_FALSE(plug.LoadPresetFromFXP(dir.c_str()));  // a folder
  EXPECT_EQ(plug.hostInformCalls, 0);
}

// --- Threads ---

// A program change on the audio thread that arrives while the user
// interface is loading a bank must not touch the slots being rewritten; it
// is refused at once rather than waited for.
TEST_F(PresetStore, RestoreFromAnotherThreadDuringALoadIsRefused)
{
  IByteChunk bank;
  plug.MakeBankFXBChunk(bank);
  int refused = 0, tried = 0;
  plug.onUnserialize = [&] {
    ++tried;
    std::thread audio([&] { refused += plug.RestorePreset(0) ? 0 : 1; });
    audio.join();
  };
  ASSERT_TRUE(plug.LoadBankFromFXBChunk(bank));
  EXPECT_GT(tried, 0);
  EXPECT_EQ(refused, tried);
  plug.onUnserialize = nullptr;

  bool restored = false;
  std::thread audio([&] { restored = plug.RestorePreset(0); });
  audio.join();
  EXPECT_TRUE(restored);
}
