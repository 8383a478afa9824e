#pragma once

#include <functional>
#include <memory>

// A periodic callback on the main (user-interface) thread. It calls its
// function, with itself as argument, once per period until it is stopped or
// destroyed; destruction stops it first. Main thread only.
class Timer
{
public:
  using ITimerFunction = std::function<void(Timer&)>;
  using Factory = std::function<std::unique_ptr<Timer>(ITimerFunction func, int intervalMs)>;

  virtual ~Timer() = default;

  // A running timer from the installed factory; without one, a ManualTimer.
  static std::unique_ptr<Timer> Create(ITimerFunction func, int intervalMs);
  // Installs the factory that builds platform timers (for instance timers on
  // the host's run loop); an empty function restores the ManualTimer.
  static void SetFactory(Factory factory);

  // Ends the callbacks; may be called from inside the callback.
  virtual void Stop() = 0;
  virtual bool IsRunning() const = 0;
  virtual int GetIntervalMs() const = 0;
};

// A timer that fires when its owner calls Tick: the seam through which
// whatever drives the main thread (the host's run loop once the editor knows
// it, or a test) delivers the periodic callbacks. Until someone ticks it, it
// does not fire.
class ManualTimer : public Timer
{
public:
  ManualTimer(ITimerFunction func, int intervalMs);
  ~ManualTimer() override;

  // Calls the function once, unless the timer was stopped.
  void Tick();
  void Stop() override { mRunning = false; }
  bool IsRunning() const override { return mRunning; }
  int GetIntervalMs() const override { return mIntervalMs; }

private:
  ITimerFunction mFunc;
  int mIntervalMs = 0;
  bool mRunning = true;
};
