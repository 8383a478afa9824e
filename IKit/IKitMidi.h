#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One short MIDI message: the sample offset within the current block and the
// three bytes of the message.
struct IMidiMsg
{
  int mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  enum EStatusMsg
  {
    kNone = 0,
    kNoteOff = 8,
    kNoteOn = 9,
    kPolyAftertouch = 10,
    kControlChange = 11,
    kProgramChange = 12,
    kChannelAftertouch = 13,
    kPitchWheel = 14,
  };

  IMidiMsg(int offset = 0, uint8_t s = 0, uint8_t d1 = 0, uint8_t d2 = 0);

  // The message kind: the high nibble of a channel status byte, else kNone
  // (data bytes and system messages have no kind).
  EStatusMsg StatusMsg() const;
  // The low nibble of the status byte, 0 to 15.
  int Channel() const;
  // Data 1 for note off, note on and polyphonic aftertouch; otherwise -1.
  int NoteNumber() const;
  // Data 2 for note on and note off; otherwise -1.
  int Velocity() const;
  // Data 1 (the controller number) of a control change.
  int ControlChangeIdx() const;
  // Data 2 / 127 for a control change; otherwise -1.
  double ControlChange() const;
  // The wheel position from -1 to 8191/8192 for a pitch-wheel message;
  // otherwise 0.
  double PitchWheel() const;
  // Data 1 for a program change; otherwise -1.
  int Program() const;

  // Builders for the messages the framework and the instrument send.
  void MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel = 0);
  void MakeNoteOffMsg(int noteNumber, int offset, int channel = 0);
  void MakeControlChangeMsg(int idx, double value, int channel = 0, int offset = 0);
  void MakeProgramChange(int program, int channel = 0, int offset = 0);
  void MakePitchWheelMsg(double value, int channel = 0, int offset = 0);
  void Clear();
};

// The display name of MIDI controller idx (0 to 127); "" outside that range.
const char* ControlStr(int idx);

// A view of one system-exclusive message; the bytes belong to the caller.
struct ISysEx
{
  int mOffset = 0;
  int mSize = 0;
  const uint8_t* mData = nullptr;

  ISysEx(int offset = 0, const uint8_t* data = nullptr, int size = 0)
    : mOffset(offset), mSize(size), mData(data)
  {
  }
};

// A system-exclusive message copied into a fixed buffer, so that it can travel
// through a lock-free queue without allocation. Longer messages cannot be
// queued.
struct SysExData
{
  static constexpr int kMaxSize = 512;

  int mOffset = 0;
  int mSize = 0;
  uint8_t mData[kMaxSize] = {};

  SysExData() = default;
  // Copies min(size, kMaxSize) bytes; a null pointer gives zero bytes.
  SysExData(int offset, int size, const void* data);
};

// Messages kept in ascending offset order and read from the front. Messages
// with equal offsets keep their arrival order.
class IMidiQueue
{
public:
  // Capacity and growth granule are size rounded up to a multiple of 512.
  explicit IMidiQueue(int size = 512);

  // Inserts by offset. A full queue first compacts, then grows by one granule;
  // growing allocates, so the owner sizes the queue to avoid it on the audio
  // thread. With growth 0 or no memory the message is dropped.
  void Add(const IMidiMsg& msg);
  bool Empty() const { return mFront == mBack; }
  // The front message; only valid when not Empty().
  IMidiMsg& Peek() { return mBuf[static_cast<size_t>(mFront)]; }
  void Remove() { ++mFront; }
  // Drops the read messages and moves every remaining one nFrames earlier.
  void Flush(int nFrames);
  // Drops the read messages; growth becomes size rounded up to 512, the
  // capacity that or the unread count rounded the same way, whichever is
  // larger.
  void Resize(int size);
  void Clear() { mFront = mBack = 0; }
  // Unread messages.
  int ToDo() const { return mBack - mFront; }
  // Capacity in messages.
  int GetSize() const { return mSize; }
  // Growth granule in messages; 0 means the queue never grows.
  int GetGrow() const { return mGrow; }

private:
  static constexpr int kGranule = 512;

  void Compact();
  bool Grow();

  std::vector<IMidiMsg> mBuf;
  int mSize = 0;
  int mGrow = 0;
  int mFront = 0;
  int mBack = 0;
};
