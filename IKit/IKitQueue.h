#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// A single-producer, single-consumer ring of fixed capacity N. Push belongs to
// one thread and Pop to another; neither allocates, locks or blocks, so the
// audio thread can use either side. One slot stays free to tell a full ring
// from an empty one, so the storage holds N + 1 elements.
template <typename T, int N>
class IKitQueue
{
  static_assert(N > 0, "a queue holds at least one element");

public:
  // Producer thread. Returns false, dropping the element, when the ring is
  // full.
  bool Push(const T& item)
  {
    const uint64_t write = mWriteIdx.load(std::memory_order_relaxed);
    const uint64_t next = (write + 1) % kSlots;
    if (next == mReadIdx.load(std::memory_order_acquire))
      return false;
    mBuf[write] = item;
    // The element is in place before the index that publishes it.
    mWriteIdx.store(next, std::memory_order_release);
    return true;
  }

  // Consumer thread. Returns false, leaving item unchanged, when the ring is
  // empty.
  bool Pop(T& item)
  {
    const uint64_t read = mReadIdx.load(std::memory_order_relaxed);
    if (read == mWriteIdx.load(std::memory_order_acquire))
      return false;
    item = mBuf[read];
    // The slot is copied out before the producer may reuse it.
    mReadIdx.store((read + 1) % kSlots, std::memory_order_release);
    return true;
  }

  // Either thread; exact only on the consumer side while the producer is idle.
  int ElementsAvailable() const
  {
    const uint64_t write = mWriteIdx.load(std::memory_order_acquire);
    const uint64_t read = mReadIdx.load(std::memory_order_acquire);
    return static_cast<int>((write + kSlots - read) % kSlots);
  }

  static constexpr int Capacity() { return N; }

private:
  static constexpr uint64_t kSlots = static_cast<uint64_t>(N) + 1;

  std::array<T, kSlots> mBuf{};
  // Each index on its own cache line, so the two threads do not contend.
  alignas(64) std::atomic<uint64_t> mWriteIdx{0};
  alignas(64) std::atomic<uint64_t> mReadIdx{0};
};

// One parameter change passed from the audio thread to the editor.
struct ParamTuple
{
  int idx = 0;
  double value = 0.0;

  ParamTuple(int i = 0, double v = 0.0) : idx(i), value(v) {}
};
