// The process path of the host allocates nothing, so that it can drive a
// real-time benchmark: operator new is counted while a switch is on.
#include "host_test_support.h"
#include "render.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <cstdlib>
#include <new>

// The replacements below pair malloc with free; GCC sees the inlined free
// after operator new and warns about a mismatch that is not one.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
} // namespace

// Every unaligned form is replaced, so that no allocation made by one form
// (say the sanitizer's nothrow new) is freed by another.
namespace {
void* allocate(std::size_t size) noexcept
{
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* allocateOrThrow(std::size_t size)
{
    if (void* p = allocate(size))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size); }
void* operator new[](std::size_t size) { return allocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using namespace vst3host;

long countAllocations(const std::function<void()>& work)
{
    allocations = 0;
    counting = true;
    work();
    counting = false;
    return allocations.load();
}

TEST(ProcessAllocations, ProcessWithEventsAndParameterChangesAllocatesNothing)
{
    std::string error;
    auto module = Module::load(hosttest::fixtureBundle(), error);
    ASSERT_TRUE(module) << error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;
    ASSERT_TRUE(plugin->prepare(ProcessSetup{48000.0, 512, false, V3_REALTIME}, error)) << error;
    double sum = 0;
    const long count = countAllocations([&] {
        for (int block = 0; block < 200; ++block) {
            plugin->inputEvents().addNoteOn(block % 512, 0, int16_t(60 + block % 12), 0.8f);
            plugin->inputEvents().addNoteOff(511, 0, int16_t(60 + (block + 6) % 12));
            for (int32_t offset : {0, 128, 256, 384})
                plugin->inputParameterChanges().addPoint(0, offset, (offset + block % 100) / 1000.0);
            plugin->inputParameterChanges().addPoint(1, 0, 0.0);
            plugin->process(512);
            sum += plugin->output32(0, 0)[511];
        }
    });
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(std::isfinite(sum));
}

TEST(ProcessAllocations, RenderingLongerAllocatesNoMore)
{
    hosttest::ScratchDir dir;
    hosttest::MidiBuilder midi;
    for (int i = 0; i < 40; ++i)
        midi.at(i * 20, {0x90, uint8_t(48 + i), 100}).at(i * 20 + 15, {0xB0, 7, uint8_t(i * 3)});
    ASSERT_TRUE(midi.save(dir.path("in.mid")));
    MidiSequence sequence;
    std::string error;
    ASSERT_TRUE(loadMidiFile(dir.path("in.mid"), sequence, error)) << error;

    auto module = Module::load(hosttest::fixtureBundle(), error);
    ASSERT_TRUE(module) << error;
    auto plugin = Plugin::create(module, "", error);
    ASSERT_TRUE(plugin) << error;
    const auto rendering = [&](double tail) {
        return countAllocations([&] {
            RenderOptions options;
            options.tailSeconds = tail;
            RenderResult result;
            EXPECT_TRUE(render(*plugin, sequence, options, dir.path("out.wav"), result, error)) << error;
        });
    };
    rendering(0.1);  // first use may fill caches of the C++ and C libraries
    EXPECT_EQ(rendering(10.0), rendering(0.5));
}

} // namespace
