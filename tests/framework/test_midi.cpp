#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "IKitMidi.h"
#include "IKitQueue.h"

namespace
{
std::vector<int> Offsets(IMidiQueue& q)
{
  std::vector<int> out;
  while (!q.Empty())
  {
    out.push_back(q.Peek().mOffset);
    q.Remove();
  }
  return out;
}
} // namespace

TEST(MidiMsg, DecodesEachKindOfChannelMessage)
{
  struct Case
  {
    uint8_t status, d1, d2;
    IMidiMsg::EStatusMsg kind;
    int channel, note, velocity, ccIdx;
    double cc;
    int program;
  };
  const Case cases[] = {
    {0x93, 60, 100, IMidiMsg::kNoteOn, 3, 60, 100, -1, -1.0, -1},
    {0x80, 61, 40, IMidiMsg::kNoteOff, 0, 61, 40, -1, -1.0, -1},
    {0xA1, 62, 7, IMidiMsg::kPolyAftertouch, 1, 62, -1, -1, -1.0, -1},
    {0xBF, 1, 127, IMidiMsg::kControlChange, 15, -1, -1, 1, 1.0, -1},
    {0xC2, 5, 0, IMidiMsg::kProgramChange, 2, -1, -1, -1, -1.0, 5},
    {0xD0, 9, 0, IMidiMsg::kChannelAftertouch, 0, -1, -1, -1, -1.0, -1},
    // System messages and data bytes have no kind.
    {0xF8, 0, 0, IMidiMsg::kNone, 8, -1, -1, -1, -1.0, -1},
    {0x40, 1, 2, IMidiMsg::kNone, 0, -1, -1, -1, -1.0, -1},
  };
  for (const Case& c : cases)
  {
    SCOPED_TRACE(c.status);
    const IMidiMsg msg(7, c.status, c.d1, c.d2);
    EXPECT_EQ(msg.StatusMsg(), c.kind);
    EXPECT_EQ(msg.Channel(), c.channel);
    EXPECT_EQ(msg.NoteNumber(), c.note);
    EXPECT_EQ(msg.Velocity(), c.velocity);
    EXPECT_EQ(msg.ControlChangeIdx(), c.ccIdx);
    EXPECT_DOUBLE_EQ(msg.ControlChange(), c.cc);
    EXPECT_EQ(msg.Program(), c.program);
  }
}

TEST(MidiMsg, PitchWheelSpansMinusOneToJustBelowOne)
{
  EXPECT_EQ(IMidiMsg(0, 0xE0, 0, 64).PitchWheel(), 0.0);
  EXPECT_EQ(IMidiMsg(0, 0xE0, 127, 127).PitchWheel(), 8191.0 / 8192.0);
  EXPECT_EQ(IMidiMsg(0, 0xE5, 0, 0).PitchWheel(), -1.0);
  EXPECT_EQ(IMidiMsg(0, 0xB0, 127, 127).PitchWheel(), 0.0);

  IMidiMsg msg;
  msg.MakePitchWheelMsg(-1.0);
  EXPECT_EQ(msg.PitchWheel(), -1.0);
  msg.MakePitchWheelMsg(0.0);
  EXPECT_EQ(msg.PitchWheel(), 0.0);
}

TEST(MidiMsg, ControllerNamesMatchTheHostTable)
{
  const std::pair<int, const char*> cases[] = {
    {0, "BankSel.MSB"}, {1, "Modulation"}, {3, "Contr. 3"},     {7, "MainVolume"},
    {64, "Damper Ped"}, {66, "Sostenuto "}, {70, "SoundCont 1"}, {79, "SoundCont 10"},
    {91, "FX 1 Depth"}, {95, "FX 5 Depth"}, {120, "Contr. 120"}, {127, "PolyModeOn"},
  };
  for (const auto& [idx, name] : cases)
    EXPECT_STREQ(ControlStr(idx), name) << idx;
  EXPECT_STREQ(ControlStr(-1), "");
  EXPECT_STREQ(ControlStr(128), "");
}

TEST(MidiQueue, KeepsOffsetOrderAndArrivalOrderForEqualOffsets)
{
  IMidiQueue q;
  const int offsets[] = {5, 3, 5, 0};
  for (int i = 0; i < 4; ++i)
    q.Add(IMidiMsg(offsets[i], 0x90, static_cast<uint8_t>(i), 1));

  std::vector<std::pair<int, int>> got;
  while (!q.Empty())
  {
    got.emplace_back(q.Peek().mOffset, q.Peek().mData1);
    q.Remove();
  }
  const std::vector<std::pair<int, int>> want = {{0, 3}, {3, 1}, {5, 0}, {5, 2}};
  EXPECT_EQ(got, want);
}

TEST(MidiQueue, NeverInsertsBeforeTheReadPosition)
{
  IMidiQueue q;
  q.Add(IMidiMsg(10));
  q.Add(IMidiMsg(20));
  q.Remove();
  q.Add(IMidiMsg(0));
  EXPECT_EQ(Offsets(q), (std::vector<int>{0, 20}));
}

TEST(MidiQueue, FlushDropsReadMessagesAndShiftsTheRest)
{
  IMidiQueue q;
  q.Add(IMidiMsg(10));
  q.Add(IMidiMsg(60));
  q.Remove();
  q.Flush(48);
  EXPECT_EQ(q.ToDo(), 1);
  EXPECT_EQ(Offsets(q), (std::vector<int>{12}));
}

TEST(MidiQueue, ResizeRoundsToWholeGranules)
{
  IMidiQueue q(100);
  EXPECT_EQ(q.GetSize(), 512);
  EXPECT_EQ(q.GetGrow(), 512);
  q.Resize(513);
  EXPECT_EQ(q.GetSize(), 1024);
  EXPECT_EQ(q.GetGrow(), 1024);

  // Shrinking never goes below the unread messages.
  for (int i = 0; i < 600; ++i)
    q.Add(IMidiMsg(i));
  q.Resize(1);
  EXPECT_EQ(q.GetGrow(), 512);
  EXPECT_EQ(q.GetSize(), 1024);
  EXPECT_EQ(q.ToDo(), 600);
}

TEST(MidiQueue, FullQueueCompactsThenGrowsOrDrops)
{
  IMidiQueue q(512);
  for (int i = 0; i < 512; ++i)
    q.Add(IMidiMsg(i));
  q.Remove();
  q.Add(IMidiMsg(1000));  // room made by compacting, no growth
  EXPECT_EQ(q.GetSize(), 512);
  EXPECT_EQ(q.ToDo(), 512);

  q.Add(IMidiMsg(1001));  // full with nothing read: grows by one granule
  EXPECT_EQ(q.GetSize(), 1024);
  EXPECT_EQ(q.ToDo(), 513);

  IMidiQueue fixed(0);
  fixed.Add(IMidiMsg(1));
  EXPECT_TRUE(fixed.Empty());
}

TEST(SysExData, CopiesAtMostItsBufferAndZeroFillsWithoutData)
{
  std::vector<uint8_t> big(600, 0xAB);
  const SysExData clipped(3, 600, big.data());
  EXPECT_EQ(clipped.mOffset, 3);
  EXPECT_EQ(clipped.mSize, SysExData::kMaxSize);
  EXPECT_EQ(clipped.mData[SysExData::kMaxSize - 1], 0xAB);

  const SysExData empty(0, 5, nullptr);
  EXPECT_EQ(empty.mSize, 5);
  EXPECT_EQ(empty.mData[0], 0);
}

TEST(KitQueue, HoldsExactlyItsCapacity)
{
  IKitQueue<IMidiMsg, 32> q;
  IMidiMsg msg;
  EXPECT_FALSE(q.Pop(msg));
  for (int i = 0; i < 32; ++i)
    EXPECT_TRUE(q.Push(IMidiMsg(i)));
  EXPECT_FALSE(q.Push(IMidiMsg(32)));  // the 33rd is dropped
  EXPECT_EQ(q.ElementsAvailable(), 32);
  for (int i = 0; i < 32; ++i)
  {
    ASSERT_TRUE(q.Pop(msg));
    EXPECT_EQ(msg.mOffset, i);
  }
  EXPECT_FALSE(q.Pop(msg));
  EXPECT_EQ(q.ElementsAvailable(), 0);
  // Wrapped around: still works.
  EXPECT_TRUE(q.Push(IMidiMsg(99)));
  EXPECT_EQ(q.ElementsAvailable(), 1);
}

TEST(KitQueue, TwoThreadsPassEveryElementInOrder)
{
  constexpr int kCount = 20000;
  IKitQueue<ParamTuple, 16> q;
  std::thread producer([&] {
    for (int i = 0; i < kCount;)
    {
      if (q.Push(ParamTuple(i, i * 0.5)))
        ++i;
      else
        std::this_thread::yield();
    }
  });
  int expected = 0;
  bool inOrder = true;
  ParamTuple t;
  while (expected < kCount)
  {
    if (q.Pop(t))
    {
      inOrder = inOrder && t.idx == expected && t.value == expected * 0.5;
      ++expected;
    }
    else
      std::this_thread::yield();
  }
  producer.join();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(q.ElementsAvailable(), 0);
}
