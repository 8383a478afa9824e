#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "IKitByteChunk.h"

namespace
{
std::vector<uint8_t> Bytes(const IByteChunk& chunk)
{
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
}

IByteChunk ChunkOf(std::initializer_list<uint8_t> bytes)
{
  IByteChunk chunk;
  for (uint8_t b : bytes)
    chunk.PutBytes(&b, 1);
  return chunk;
}
} // namespace

TEST(ByteChunk, ValuesAreStoredLittleEndianWithoutPadding)
{
  IByteChunk chunk;
  EXPECT_EQ(chunk.PutStr("abc"), 7);
  EXPECT_EQ(chunk.Put(0.5), 15);
  EXPECT_EQ(chunk.Put(int32_t{-2}), 19);
  EXPECT_EQ(chunk.Put(true), 20);
  EXPECT_EQ(chunk.Put(1.0f), 24);
  const std::vector<uint8_t> expected = {
    0x03, 0x00, 0x00, 0x00, 'a', 'b', 'c',           // text
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0, 0x3F,  // 0.5
    0xFE, 0xFF, 0xFF, 0xFF,                          // -2
    0x01,                                            // true
    0x00, 0x00, 0x80, 0x3F};                         // 1.0f
  EXPECT_EQ(Bytes(chunk), expected);

  std::string text;
  double d = 0;
  int32_t i = 0;
  bool b = false;
  float f = 0;
  int pos = chunk.GetStr(text, 0);
  pos = chunk.Get(&d, pos);
  pos = chunk.Get(&i, pos);
  pos = chunk.Get(&b, pos);
  pos = chunk.Get(&f, pos);
  EXPECT_EQ(pos, chunk.Size());
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(d, 0.5);
  EXPECT_EQ(i, -2);
  EXPECT_TRUE(b);
  EXPECT_EQ(f, 1.0f);
}

// A hostile chunk or a caller's arithmetic must not make a read leave the
// buffer, in either direction.
TEST(ByteChunk, ReadsOutsideTheChunkFailAndLeaveTheOutput)
{
  IByteChunk chunk;
  for (int k = 0; k < 4; ++k)
    chunk.Put(int32_t{0x11111111});
  const int size = chunk.Size();
  const struct { int size, pos; int result; } cases[] = {
    {4, size - 3, -1}, {4, size - 4, size}, {4, -1, -1}, {4, INT_MIN, -1},
    {4, INT_MAX, -1}, {INT_MAX, 1, -1}, {INT_MAX, INT_MAX, -1}, {-1, 0, -1},
    {INT_MIN, 8, -1}, {0, size, size}, {0, size + 1, -1}, {size, 0, size}};
  for (const auto& c : cases)
  {
    // Room for the whole chunk; a read that claims more must fail first.
    std::vector<uint8_t> out(16, 0xAB);
    const int result = chunk.GetBytes(out.data(), c.size, c.pos);
    EXPECT_EQ(result, c.result) << "size " << c.size << " pos " << c.pos;
    if (result < 0)
    {
      EXPECT_EQ(out, std::vector<uint8_t>(16, 0xAB)) << "size " << c.size << " pos " << c.pos;
    }
  }

  int32_t value = 7;
  EXPECT_EQ(chunk.Get(&value, size - 3), -1);
  EXPECT_EQ(value, 7);
  double d = 7.0;
  EXPECT_EQ(chunk.Get(&d, size - 7), -1);
  EXPECT_EQ(d, 7.0);
  bool b = false;
  EXPECT_EQ(IByteChunk().Get(&b, 0), -1);
}

TEST(ByteChunk, TextEndsAtItsLengthOrFirstZero)
{
  const IByteChunk chunk = ChunkOf({5, 0, 0, 0, 'a', 'b', 0, 'c', 'd', 0xEE});
  std::string text;
  EXPECT_EQ(chunk.GetStr(text, 0), 9);
  EXPECT_EQ(text, "ab");

  const IByteChunk empty = ChunkOf({0, 0, 0, 0});
  text = "old";
  EXPECT_EQ(empty.GetStr(text, 0), 4);
  EXPECT_EQ(text, "");
}

TEST(ByteChunk, TextWithABadLengthFailsAndLeavesTheText)
{
  const struct { const char* what; IByteChunk chunk; } cases[] = {
    {"past the end", ChunkOf({6, 0, 0, 0, 'a', 'b', 'c'})},
    {"negative", ChunkOf({0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'})},
    {"most negative", ChunkOf({0x00, 0x00, 0x00, 0x80, 'a'})},
    {"largest", ChunkOf({0xFF, 0xFF, 0xFF, 0x7F, 'a'})},
    {"length cut off", ChunkOf({3, 0, 0})},
  };
  for (const auto& c : cases)
  {
    std::string text = "kept";
    EXPECT_EQ(c.chunk.GetStr(text, 0), -1) << c.what;
    EXPECT_EQ(text, "kept") << c.what;
  }
  std::string text = "kept";
  EXPECT_EQ(cases[0].chunk.GetStr(text, -4), -1);
}

TEST(ByteChunk, VersionHeaderIsTffpAndTheFrameworkVersion)
{
  IByteChunk chunk;
  IByteChunk::PutVersionHeader(chunk);
  EXPECT_EQ(Bytes(chunk), (std::vector<uint8_t>{0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00}));
  int pos = 0;
  EXPECT_EQ(IByteChunk::GetVersionHeader(chunk, pos), 0x00010000);
  EXPECT_EQ(pos, 8);

  const IByteChunk other = ChunkOf({1, 2, 3, 4, 5, 6, 7, 8});
  pos = 0;
  EXPECT_EQ(IByteChunk::GetVersionHeader(other, pos), 0);
  EXPECT_EQ(pos, 0);

  const IByteChunk cut = ChunkOf({0x74, 0x66, 0x66, 0x70, 0x00, 0x00});
  pos = 0;
  EXPECT_EQ(IByteChunk::GetVersionHeader(cut, pos), 0);
  EXPECT_EQ(pos, -1);
  pos = -1;
  EXPECT_EQ(IByteChunk::GetVersionHeader(chunk, pos), 0);
  EXPECT_EQ(pos, -1);
}

TEST(ByteChunk, ChunksAppendResizeAndClear)
{
  IByteChunk a = ChunkOf({1, 2, 3});
  IByteChunk b = ChunkOf({4, 5});
  EXPECT_EQ(a.PutChunk(&b), 5);
  EXPECT_EQ(a.PutChunk(&a), 10);
  EXPECT_EQ(Bytes(a), (std::vector<uint8_t>{1, 2, 3, 4, 5, 1, 2, 3, 4, 5}));
  EXPECT_EQ(a.PutChunk(nullptr), 10);
  EXPECT_EQ(a.PutBytes(nullptr, 4), 10);
  EXPECT_EQ(a.PutBytes("x", -4), 10);
  EXPECT_EQ(a.PutStr(nullptr), 14);

  EXPECT_EQ(b.Resize(4), 4);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{4, 5, 0, 0}));
  EXPECT_EQ(b.Resize(-3), 0);
  b.Put(int32_t{1});
  b.Clear();
  EXPECT_EQ(b.Size(), 0);
  EXPECT_TRUE(b.IsEqual(IByteChunk()));

  // Growth keeps the data, well past the first storage step.
  IByteChunk big;
  for (int32_t k = 0; k < 5000; ++k)
    big.Put(k);
  int32_t last = 0;
  EXPECT_EQ(big.Get(&last, 4 * 4999), 20000);
  EXPECT_EQ(last, 4999);
}
