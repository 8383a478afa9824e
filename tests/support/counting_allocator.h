#pragma once

// Replaces the global allocation functions of a test program with ones that
// count, while `allocationCounting` is set, every allocation made anywhere in
// the process (a loaded plug-in module resolves them to the program's too).
// Include in exactly one source file of a test program.
#include <atomic>
#include <cstdlib>
#include <new>

inline std::atomic<bool> allocationCounting{false};
inline std::atomic<long> allocationCount{0};

inline void* countedAlloc(std::size_t size)
{
  if (allocationCounting.load(std::memory_order_relaxed))
    allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1))
    return p;
  throw std::bad_alloc();
}

void* operator new(std::size_t size) { return countedAlloc(size); }
void* operator new[](std::size_t size) { return countedAlloc(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  try { return countedAlloc(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
  try { return countedAlloc(size); } catch (...) { return nullptr; }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
