// The wrappers over host objects, each driven against a host-side fake.

#include "VST3HostObjects.h"
#include "VST3Stream.h"
#include "host_fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

namespace
{
std::vector<uint8_t> countingBytes(size_t n)
{
  std::vector<uint8_t> bytes(n);
  std::iota(bytes.begin(), bytes.end(), uint8_t(0));
  return bytes;
}
} // namespace

TEST(Stream, ReadsTheWholeStreamInPieces)
{
  struct Case
  {
    size_t size;
    int32_t maxPerRead;
  };
  for (const Case& c : {Case{0, 1 << 30}, Case{300, 1 << 30}, Case{300, 7}, Case{128, 128}})
  {
    fakes::MemoryStream host;
    host.data = countingBytes(c.size);
    host.maxPerRead = c.maxPerRead;
    VST3::Stream stream(host.get());
    std::vector<uint8_t> read;
    EXPECT_TRUE(stream.readToEnd(read, 128));
    EXPECT_EQ(read, host.data) << c.size << " bytes, " << c.maxPerRead << " per read";
  }
}

TEST(Stream, AnErrorEndsTheReadingUnlessTheHostIsKnownToReportThemFalsely)
{
  fakes::MemoryStream host;
  host.data = countingBytes(300);
  host.readsReportError = true;
  VST3::Stream stream(host.get());
  std::vector<uint8_t> read;
  EXPECT_FALSE(stream.readToEnd(read, 128));
  EXPECT_EQ(read.size(), 128u); // the bytes of the failing read are kept

  host.position = 0;
  read.clear();
  EXPECT_TRUE(stream.readToEnd(read, 128, true));
  EXPECT_EQ(read, host.data);
}

TEST(Stream, ByteCountsAreLimitedToTheRequest)
{
  // A host that reports more bytes than asked for cannot make the reader
  // step past its own buffer.
  fakes::MemoryStream host;
  host.data = countingBytes(10);
  host.overReport = 1000;
  VST3::Stream stream(host.get());
  std::vector<uint8_t> read;
  stream.readToEnd(read, 16);
  EXPECT_EQ(read.size(), 16u);
  EXPECT_TRUE(std::equal(host.data.begin(), host.data.end(), read.begin()));
  int32_t got = -1;
  uint8_t buffer[4];
  host.position = 0;
  EXPECT_EQ(stream.read(buffer, 4, &got), V3_OK);
  EXPECT_EQ(got, 4);
}

TEST(Stream, IntegersAreLittleEndianAndSeekTellWork)
{
  fakes::MemoryStream host;
  VST3::Stream stream(host.get());
  EXPECT_TRUE(stream.writeInt32(1));
  EXPECT_TRUE(stream.writeInt32(-2));
  EXPECT_EQ(host.data, (std::vector<uint8_t>{1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
  int64_t where = -1;
  EXPECT_EQ(stream.tell(&where), V3_OK);
  EXPECT_EQ(where, 8);
  EXPECT_EQ(stream.seek(4, VST3::Stream::kSeekSet, &where), V3_OK);
  EXPECT_EQ(where, 4);
  int32_t value = 0;
  EXPECT_TRUE(stream.readInt32(value));
  EXPECT_EQ(value, -2);
  EXPECT_FALSE(stream.readInt32(value)); // nothing left

  // An integer split over reads is still read whole; a truncated one fails.
  host.maxPerRead = 1;
  stream.seek(0, VST3::Stream::kSeekSet);
  EXPECT_TRUE(stream.readInt32(value));
  EXPECT_EQ(value, 1);
  stream.seek(6, VST3::Stream::kSeekSet);
  EXPECT_FALSE(stream.readInt32(value));
}

TEST(Stream, WithoutAStreamEverythingFails)
{
  VST3::Stream stream(nullptr);
  uint8_t b = 0;
  int32_t n = -1;
  EXPECT_EQ(stream.read(&b, 1, &n), V3_INVALID_ARG);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(stream.write(&b, 1), V3_INVALID_ARG);
  std::vector<uint8_t> all;
  EXPECT_FALSE(stream.readToEnd(all, 128));
  int32_t value;
  EXPECT_FALSE(stream.readInt32(value));
}

TEST(EventList, ReadsAndAddsEvents)
{
  fakes::EventList host;
  v3_event on{};
  on.type = V3_EVENT_NOTE_ON;
  on.sample_offset = 12;
  on.note_on.pitch = 60;
  on.note_on.velocity = 0.5f;
  host.events.push_back(on);

  VST3::EventList list(host.get());
  ASSERT_EQ(list.getEventCount(), 1);
  v3_event got{};
  ASSERT_TRUE(list.getEvent(0, got));
  EXPECT_EQ(got.sample_offset, 12);
  EXPECT_EQ(got.note_on.pitch, 60);
  EXPECT_FALSE(list.getEvent(1, got));

  v3_event cc{};
  cc.type = V3_EVENT_LEGACY_MIDI_CC_OUT;
  cc.midi_cc_out.cc_number = 130;
  EXPECT_TRUE(list.addEvent(cc));
  ASSERT_EQ(host.events.size(), 2u);
  EXPECT_EQ(host.events[1].midi_cc_out.cc_number, 130);

  VST3::EventList none(nullptr);
  EXPECT_EQ(none.getEventCount(), 0);
  EXPECT_FALSE(none.getEvent(0, got));
  EXPECT_FALSE(none.addEvent(cc));
}

TEST(ParameterChanges, ReadsQueuesAndPoints)
{
  fakes::ParamChanges host;
  int32_t index = -1;
  VST3::ParameterChanges changes(host.get());
  VST3::ParamValueQueue added = changes.addParameterData(65539, index);
  ASSERT_TRUE(added.isValid());
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(added.addPoint(5, 0.25, index));
  EXPECT_TRUE(added.addPoint(9, 0.75, index));
  EXPECT_EQ(index, 1);

  ASSERT_EQ(changes.getParameterCount(), 1);
  VST3::ParamValueQueue queue = changes.getParameterData(0);
  EXPECT_EQ(queue.getParameterId(), 65539u);
  ASSERT_EQ(queue.getPointCount(), 2);
  int32_t offset = 0;
  double value = 0;
  ASSERT_TRUE(queue.getPoint(1, offset, value));
  EXPECT_EQ(offset, 9);
  EXPECT_EQ(value, 0.75);
  EXPECT_FALSE(queue.getPoint(2, offset, value));

  // A host answering no queue (or passing no list) is answered with nothing.
  VST3::ParamValueQueue missing = changes.getParameterData(5);
  EXPECT_FALSE(missing.isValid());
  EXPECT_EQ(missing.getPointCount(), 0);
  EXPECT_EQ(missing.getParameterId(), 0xFFFFFFFFu);
  EXPECT_EQ(VST3::ParameterChanges(nullptr).getParameterCount(), 0);
}

TEST(AttributeList, ReadsTheChannelContext)
{
  fakes::AttributeList host;
  host.strings[VST3::ChannelContext::kChannelNameKey] = u"Strings \u00c4";
  host.ints[VST3::ChannelContext::kChannelNameLengthKey] = 9;
  host.ints[VST3::ChannelContext::kChannelColorKey] = 0x00FF8040;
  host.floats["gain"] = 0.5;
  host.binaries["blob"] = {1, 2, 3};

  VST3::AttributeList list(host.get());
  std::string name;
  ASSERT_TRUE(list.getString(VST3::ChannelContext::kChannelNameKey, name));
  EXPECT_EQ(name, "Strings \xc3\x84");
  int64_t length = 0, colour = 0;
  EXPECT_TRUE(list.getInt(VST3::ChannelContext::kChannelNameLengthKey, length));
  EXPECT_EQ(length, 9);
  EXPECT_TRUE(list.getInt(VST3::ChannelContext::kChannelColorKey, colour));
  EXPECT_EQ(colour, 0x00FF8040);
  double gain = 0;
  EXPECT_TRUE(list.getFloat("gain", gain));
  EXPECT_EQ(gain, 0.5);
  const void* data = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(list.getBinary("blob", data, size));
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(static_cast<const uint8_t*>(data)[2], 3);

  EXPECT_FALSE(list.getInt(VST3::ChannelContext::kChannelIndexKey, length));
  EXPECT_FALSE(list.getString(VST3::ChannelContext::kChannelUIDKey, name));
  EXPECT_FALSE(VST3::AttributeList(nullptr).getInt("x", length));
}

TEST(AttributeList, LongTextsStayInsideTheBufferWhateverTheHostTakesTheSizeFor)
{
  for (bool inCharacters : {false, true})
  {
    fakes::AttributeList host;
    host.sizeInCharacters = inCharacters;
    host.strings["name"] = std::u16string(5000, u'a');
    VST3::AttributeList list(host.get());
    std::u16string text;
    ASSERT_TRUE(list.getString("name", text, 128));
    EXPECT_EQ(text, std::u16string(128, u'a')) << "size in characters: " << inCharacters;
  }
}
