#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A growable byte buffer with typed append and read operations: the one
// encoding of every state that leaves the running plug-in.
//
// Values are little-endian, unaligned and unpadded; a bool is one byte; a
// text is a 32-bit length followed by its bytes without a terminator.
// Appends return the new size (or -1, leaving the chunk as it was, when it
// cannot grow). Reads take an explicit position and return the position after
// the value, or -1 when the position is negative or the value does not lie
// wholly inside the chunk; a failed read leaves its output unchanged and
// never touches memory outside the chunk.
//
// A chunk is used by one thread at a time.
class IByteChunk
{
public:
  // The framework version header: "tffp" (0x70666674 little-endian) and the
  // framework version.
  static constexpr int32_t kVersionMagic = 0x70666674;
  static constexpr int32_t kIKitVersion = 0x00010000;

  int Put(int32_t value) { return PutBytes(&value, sizeof(value)); }
  int Put(uint32_t value) { return PutBytes(&value, sizeof(value)); }
  int Put(int64_t value) { return PutBytes(&value, sizeof(value)); }
  int Put(uint64_t value) { return PutBytes(&value, sizeof(value)); }
  int Put(float value) { return PutBytes(&value, sizeof(value)); }
  int Put(double value) { return PutBytes(&value, sizeof(value)); }
  int Put(bool value);

  int Get(int32_t* out, int pos) const { return GetBytes(out, sizeof(*out), pos); }
  int Get(uint32_t* out, int pos) const { return GetBytes(out, sizeof(*out), pos); }
  int Get(int64_t* out, int pos) const { return GetBytes(out, sizeof(*out), pos); }
  int Get(uint64_t* out, int pos) const { return GetBytes(out, sizeof(*out), pos); }
  int Get(float* out, int pos) const { return GetBytes(out, sizeof(*out), pos); }
  int Get(double* out, int pos) const { return GetBytes(out, sizeof(*out), pos); }
  // Any non-zero byte reads as true.
  int Get(bool* out, int pos) const;

  // Raw bytes, no length in front. A null pointer or a negative count appends
  // nothing.
  int PutBytes(const void* data, int size);
  int GetBytes(void* out, int size, int pos) const;

  // A null text is stored as the empty text.
  int PutStr(const char* text);
  // Reads a 32-bit length and that many bytes; the text ends at the first
  // zero byte within them. -1 when the length is negative or the bytes run
  // past the end.
  int GetStr(std::string& out, int pos) const;

  // Appends all of other's bytes.
  int PutChunk(const IByteChunk* other);

  int Size() const { return static_cast<int>(mBytes.size()); }
  uint8_t* GetData() { return mBytes.data(); }
  const uint8_t* GetData() const { return mBytes.data(); }
  // New bytes are zero; a negative size empties the chunk. Returns the size.
  int Resize(int newSize);
  void Clear() { mBytes.clear(); }
  bool IsEqual(const IByteChunk& other) const { return mBytes == other.mBytes; }

  // Appends the framework version header.
  static void PutVersionHeader(IByteChunk& chunk);
  static void InitChunkWithIKitVersion(IByteChunk& chunk) { PutVersionHeader(chunk); }
  // If a version header is at pos, returns its version and moves pos past it
  // (to -1 when the version is cut off); otherwise returns 0 and leaves pos.
  static int GetVersionHeader(const IByteChunk& chunk, int& pos);
  static int GetIKitVersion(const IByteChunk& chunk, int& pos) { return GetVersionHeader(chunk, pos); }

private:
  // Storage grows in steps of this many bytes.
  static constexpr int kGrowStep = 4096;

  std::vector<uint8_t> mBytes;
};
