#include "IKitTimer.h"

#include <mutex>

namespace
{
// Plug-in objects are created on the host's main thread, but a host may run
// several, so the factory slot is guarded all the same.
std::mutex& FactoryMutex()
{
  static std::mutex mutex;
  return mutex;
}

Timer::Factory& InstalledFactory()
{
  static Timer::Factory factory;
  return factory;
}
} // namespace

std::unique_ptr<Timer> Timer::Create(ITimerFunction func, int intervalMs)
{
  Factory factory;
  {
    std::lock_guard<std::mutex> lock(FactoryMutex());
    factory = InstalledFactory();
  }
  if (factory)
  {
    if (std::unique_ptr<Timer> timer = factory(func, intervalMs))
      return timer;
  }
  return std::make_unique<ManualTimer>(std::move(func), intervalMs);
}

void Timer::SetFactory(Factory factory)
{
  std::lock_guard<std::mutex> lock(FactoryMutex());
  InstalledFactory() = std::move(factory);
}

ManualTimer::ManualTimer(ITimerFunction func, int intervalMs)
  : mFunc(std::move(func)), mIntervalMs(intervalMs)
{
}

ManualTimer::~ManualTimer()
{
  Stop();
}

void ManualTimer::Tick()
{
  if (mRunning && mFunc)
    mFunc(*this);
}
