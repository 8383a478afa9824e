#include "IKitMidi.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

IMidiMsg::IMidiMsg(int offset, uint8_t s, uint8_t d1, uint8_t d2)
  : mOffset(offset), mStatus(s), mData1(d1), mData2(d2)
{
}

IMidiMsg::EStatusMsg IMidiMsg::StatusMsg() const
{
  const unsigned kind = mStatus >> 4;
  // Bytes below 0x80 are data bytes; 0xF0 and up are system messages.
  if ((mStatus & 0x80) == 0 || kind == 15)
    return kNone;
  return static_cast<EStatusMsg>(kind);
}

int IMidiMsg::Channel() const
{
  return mStatus & 0x0F;
}

int IMidiMsg::NoteNumber() const
{
  switch (StatusMsg())
  {
    case kNoteOn:
    case kNoteOff:
    case kPolyAftertouch:
      return mData1;
    default:
      return -1;
  }
}

int IMidiMsg::Velocity() const
{
  // Note on and note off are the only statuses whose top three bits are 100.
  if ((mStatus & 0xE0) == 0x80)
    return mData2;
  return -1;
}

int IMidiMsg::ControlChangeIdx() const
{
  return StatusMsg() == kControlChange ? mData1 : -1;
}

double IMidiMsg::ControlChange() const
{
  if (StatusMsg() == kControlChange)
    return static_cast<double>(mData2) / 127.0;
  return -1.0;
}

double IMidiMsg::PitchWheel() const
{
  if (StatusMsg() != kPitchWheel)
    return 0.0;
  // Data bytes carry seven bits; masking keeps a malformed byte from pushing
  // the wheel outside -1 .. 8191/8192.
  const int position = (mData2 & 0x7F) * 128 + (mData1 & 0x7F);
  return static_cast<double>(position - 8192) / 8192.0;
}

int IMidiMsg::Program() const
{
  return StatusMsg() == kProgramChange ? mData1 : -1;
}

namespace
{
uint8_t StatusByte(int kind, int channel)
{
  return static_cast<uint8_t>((kind << 4) | (channel & 0x0F));
}

uint8_t DataByte(int value)
{
  return static_cast<uint8_t>(std::clamp(value, 0, 127));
}
} // namespace

void IMidiMsg::MakeNoteOnMsg(int noteNumber, int velocity, int offset, int channel)
{
  mOffset = offset;
  mStatus = StatusByte(kNoteOn, channel);
  mData1 = DataByte(noteNumber);
  mData2 = DataByte(velocity);
}

void IMidiMsg::MakeNoteOffMsg(int noteNumber, int offset, int channel)
{
  mOffset = offset;
  mStatus = StatusByte(kNoteOff, channel);
  mData1 = DataByte(noteNumber);
  mData2 = 0;
}

void IMidiMsg::MakeControlChangeMsg(int idx, double value, int channel, int offset)
{
  mOffset = offset;
  mStatus = StatusByte(kControlChange, channel);
  mData1 = DataByte(idx);
  // NaN compares false everywhere, so it falls through to 0.
  const double scaled = value * 127.0;
  mData2 = scaled >= 127.0 ? 127 : scaled > 0.0 ? DataByte(static_cast<int>(std::lround(scaled))) : 0;
}

void IMidiMsg::MakeProgramChange(int program, int channel, int offset)
{
  mOffset = offset;
  mStatus = StatusByte(kProgramChange, channel);
  mData1 = DataByte(program);
  mData2 = 0;
}

void IMidiMsg::MakePitchWheelMsg(double value, int channel, int offset)
{
  mOffset = offset;
  mStatus = StatusByte(kPitchWheel, channel);
  const double scaled = 8192.0 + value * 8192.0;
  int position = 8192;
  if (scaled >= 16383.0)
    position = 16383;
  else if (scaled <= 0.0)
    position = 0;
  else if (scaled == scaled)
    position = static_cast<int>(std::lround(scaled));
  mData1 = static_cast<uint8_t>(position & 0x7F);
  mData2 = static_cast<uint8_t>(position >> 7);
}

void IMidiMsg::Clear()
{
  *this = IMidiMsg();
}

namespace
{
// Short names of the 128 MIDI controllers, as hosts show them for the
// controller parameters. Unnamed controllers read "Contr. n".
const char* const kControlNames[128] = {
  "BankSel.MSB", "Modulation", "BreathCtrl", "Contr. 3",
  "Foot Ctrl", "Porta.Time", "DataEntMSB", "MainVolume",
  "Balance", "Contr. 9", "Pan", "Expression",
  "FXControl1", "FXControl2", "Contr. 14", "Contr. 15",
  "Gen.Purp.1", "Gen.Purp.2", "Gen.Purp.3", "Gen.Purp.4",
  "Contr. 20", "Contr. 21", "Contr. 22", "Contr. 23",
  "Contr. 24", "Contr. 25", "Contr. 26", "Contr. 27",
  "Contr. 28", "Contr. 29", "Contr. 30", "Contr. 31",
  "BankSel.LSB", "Modul. LSB", "BrthCt LSB", "Contr. 35",
  "FootCt LSB", "Port.T LSB", "DataEntLSB", "MainVolLSB",
  "BalanceLSB", "Contr. 41", "Pan LSB", "Expr. LSB",
  "Contr. 44", "Contr. 45", "Contr. 46", "Contr. 47",
  "Gen.P.1LSB", "Gen.P.2LSB", "Gen.P.3LSB", "Gen.P.4LSB",
  "Contr. 52", "Contr. 53", "Contr. 54", "Contr. 55",
  "Contr. 56", "Contr. 57", "Contr. 58", "Contr. 59",
  "Contr. 60", "Contr. 61", "Contr. 62", "Contr. 63",
  "Damper Ped", "Porta. Ped", "Sostenuto ", "Soft Pedal",
  "Legato Sw", "Hold 2", "SoundCont 1", "SoundCont 2",
  "SoundCont 3", "SoundCont 4", "SoundCont 5", "SoundCont 6",
  "SoundCont 7", "SoundCont 8", "SoundCont 9", "SoundCont 10",
  "Gen.Purp.5", "Gen.Purp.6", "Gen.Purp.7", "Gen.Purp.8",
  "Portamento", "Contr. 85", "Contr. 86", "Contr. 87",
  "Contr. 88", "Contr. 89", "Contr. 90", "FX 1 Depth",
  "FX 2 Depth", "FX 3 Depth", "FX 4 Depth", "FX 5 Depth",
  "Data Incr", "Data Decr", "Non-RegLSB", "Non-RegMSB",
  "Reg LSB", "Reg MSB", "Contr. 102", "Contr. 103",
  "Contr. 104", "Contr. 105", "Contr. 106", "Contr. 107",
  "Contr. 108", "Contr. 109", "Contr. 110", "Contr. 111",
  "Contr. 112", "Contr. 113", "Contr. 114", "Contr. 115",
  "Contr. 116", "Contr. 117", "Contr. 118", "Contr. 119",
  "Contr. 120", "Reset Ctrl", "Local Ctrl", "AllNoteOff",
  "OmniModOff", "OmniModeOn", "MonoModeOn", "PolyModeOn",
};
} // namespace

const char* ControlStr(int idx)
{
  if (idx < 0 || idx >= 128)
    return "";
  return kControlNames[idx];
}

SysExData::SysExData(int offset, int size, const void* data)
  : mOffset(offset), mSize(std::clamp(size, 0, kMaxSize))
{
  if (data)
    std::memcpy(mData, data, static_cast<size_t>(mSize));
}

namespace
{
int RoundUpToGranule(int n, int granule)
{
  if (n <= 0)
    return 0;
  const int64_t rounded = (static_cast<int64_t>(n) + granule - 1) / granule * granule;
  return static_cast<int>(std::min<int64_t>(rounded, INT32_MAX / granule * granule));
}
} // namespace

IMidiQueue::IMidiQueue(int size)
{
  Resize(size);
}

void IMidiQueue::Compact()
{
  if (mFront == 0)
    return;
  std::copy(mBuf.begin() + mFront, mBuf.begin() + mBack, mBuf.begin());
  mBack -= mFront;
  mFront = 0;
}

bool IMidiQueue::Grow()
{
  if (mGrow <= 0)
    return false;
  const int64_t newSize = static_cast<int64_t>(mGrow) * (mSize / mGrow + 1);
  if (newSize > INT32_MAX)
    return false;
  try
  {
    mBuf.resize(static_cast<size_t>(newSize));
  }
  catch (const std::bad_alloc&)
  {
    return false;
  }
  mSize = static_cast<int>(newSize);
  return true;
}

void IMidiQueue::Add(const IMidiMsg& msg)
{
  if (mBack >= mSize)
  {
    if (mFront > 0)
      Compact();
    else if (!Grow())
      return;
  }

  if (mBack > mFront && msg.mOffset < mBuf[static_cast<size_t>(mBack - 1)].mOffset)
  {
    // Find the slot after the last message whose offset is not greater than
    // the new one, never before the front; equal offsets keep arrival order.
    int pos = mBack - 1;
    while (pos > mFront && mBuf[static_cast<size_t>(pos - 1)].mOffset > msg.mOffset)
      --pos;
    std::copy_backward(mBuf.begin() + pos, mBuf.begin() + mBack, mBuf.begin() + mBack + 1);
    mBuf[static_cast<size_t>(pos)] = msg;
  }
  else
  {
    mBuf[static_cast<size_t>(mBack)] = msg;
  }
  ++mBack;
}

void IMidiQueue::Flush(int nFrames)
{
  Compact();
  for (int i = 0; i < mBack; ++i)
  {
    IMidiMsg& msg = mBuf[static_cast<size_t>(i)];
    const int64_t offset = static_cast<int64_t>(msg.mOffset) - nFrames;
    msg.mOffset = static_cast<int>(std::clamp<int64_t>(offset, INT32_MIN, INT32_MAX));
  }
}

void IMidiQueue::Resize(int size)
{
  Compact();
  const int grow = RoundUpToGranule(size, kGranule);
  const int newSize = std::max(grow, RoundUpToGranule(mBack, kGranule));
  try
  {
    mBuf.resize(static_cast<size_t>(newSize));
  }
  catch (const std::bad_alloc&)
  {
    return;
  }
  mGrow = grow;
  mSize = newSize;
}
