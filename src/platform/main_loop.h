#pragma once
// The main thread's message loop: window-style timers, hand-over from worker threads, message pumping.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tilvo::platform {

// A timer with the behaviour of a window timer: while enabled it calls its one handler every Interval
// milliseconds on the main thread. Enabling (again) or changing the interval restarts the count.
// A handler is never re-entered by its own timer while it runs (it may pump messages).
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void setInterval(uint32_t milliseconds) = 0;
  virtual uint32_t interval() const = 0;
  virtual void setOnTimer(std::function<void()> handler) = 0;
  // A name for diagnostics: with timer tracing on, switching a named timer on or off is logged.
  virtual void setName(const std::string& name) = 0;
};

class MainLoop {
 public:
  virtual ~MainLoop() = default;

  // Timers belong to the main thread: create and switch them there.
  virtual std::unique_ptr<Timer> createTimer(uint32_t intervalMs) = 0;

  // From a worker: runs `fn` on the main thread and returns once it has run.
  // On the main thread itself: runs `fn` directly.
  virtual void invokeAndWait(std::function<void()> fn) = 0;

  // From any thread: queues `fn` for the main thread without waiting.
  virtual void post(std::function<void()> fn) = 0;

  // Main thread: handles what is pending now (timers due, posted work, window events) and returns.
  virtual void processPendingMessages() = 0;

  // Main thread: runs until quit() is called. quit() may be called from a handler.
  virtual void run() = 0;
  virtual void quit() = 0;
  virtual bool quitRequested() const = 0;

  virtual bool onMainThread() const = 0;

  // Main thread. While held, the loop goes on serving the window system and the browser engine, but timers
  // do not fire and posted work waits; posted work then runs in its order once the last hold is released.
  // A synchronous call that must wait on the loop holds it, so that no handler of the logic runs inside
  // another. Holds nest.
  virtual void holdEvents() = 0;
  virtual void releaseEvents() = 0;
};

// Holds the loop's events for a scope.
class EventHold {
 public:
  explicit EventHold(MainLoop& loop) : loop_(loop) { loop_.holdEvents(); }
  ~EventHold() { loop_.releaseEvents(); }
  EventHold(const EventHold&) = delete;
  EventHold& operator=(const EventHold&) = delete;

 private:
  MainLoop& loop_;
};

}  // namespace tilvo::platform
