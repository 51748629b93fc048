#include "platform/linux/glib_main_loop.h"

#include <glib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace tilvo::platform::linux_host {
namespace {

// Window timers never fire faster than this (USER_TIMER_MINIMUM); a "1 ms" timer behaves the same way
// and cannot starve the loop.
constexpr uint32_t kMinimumTimerInterval = 10;

// What the loop shares with its timers, which may outlive it.
struct LoopState {
  int holdDepth = 0;  // main thread only
  TimerTrace trace;
};

class GlibTimer final : public Timer {
 public:
  GlibTimer(uint32_t interval, std::shared_ptr<const LoopState> loop) : interval_(interval), loop_(std::move(loop)) {}
  ~GlibTimer() override { stop(); }

  void setEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    if (!name_.empty() && loop_->trace) loop_->trace("timer " + name_ + (enabled ? " on" : " off"));
    restart();
  }
  bool enabled() const override { return enabled_; }
  void setInterval(uint32_t milliseconds) override {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    restart();
  }
  uint32_t interval() const override { return interval_; }
  void setOnTimer(std::function<void()> handler) override {
    handler_ = std::move(handler);
    restart();
  }
  void setName(const std::string& name) override { name_ = name; }

 private:
  static gboolean onTick(gpointer self) {
    auto* timer = static_cast<GlibTimer*>(self);
    if (timer->loop_->holdDepth > 0) return G_SOURCE_CONTINUE;  // a held loop skips the tick, as a busy thread would
    const guint firing = timer->source_;
    if (timer->handler_) {
      auto handler = timer->handler_;  // the handler may replace itself
      handler();
    }
    // The handler may have switched the timer off or restarted it; that source is already gone.
    return timer->source_ == firing ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
  }

  void stop() {
    if (source_ == 0) return;
    if (GSource* s = g_main_context_find_source_by_id(nullptr, source_)) g_source_destroy(s);
    source_ = 0;
  }

  void restart() {
    stop();
    if (!enabled_ || interval_ == 0 || !handler_) return;
    source_ = g_timeout_add_full(G_PRIORITY_DEFAULT, std::max(interval_, kMinimumTimerInterval), &GlibTimer::onTick,
                                 this, nullptr);
  }

  bool enabled_ = false;
  uint32_t interval_;
  const std::shared_ptr<const LoopState> loop_;
  std::string name_;
  std::function<void()> handler_;
  guint source_ = 0;
};

class GlibMainLoop final : public MainLoop {
 public:
  explicit GlibMainLoop(TimerTrace trace)
      : mainThread_(std::this_thread::get_id()),
        context_(g_main_context_ref(g_main_context_default())),
        state_(std::make_shared<LoopState>()) {
    state_->trace = std::move(trace);
  }
  ~GlibMainLoop() override {
    // Work still queued dies with the loop; sources that point at us are removed first.
    std::lock_guard lock(mutex_);
    for (guint id : pendingSources_)
      if (GSource* s = g_main_context_find_source_by_id(context_, id)) g_source_destroy(s);
    g_main_context_unref(context_);
  }

  std::unique_ptr<Timer> createTimer(uint32_t intervalMs) override {
    return std::make_unique<GlibTimer>(intervalMs, state_);
  }

  void invokeAndWait(std::function<void()> fn) override {
    if (onMainThread()) {
      fn();
      return;
    }
    auto task = std::make_shared<std::packaged_task<void()>>(std::move(fn));
    auto done = task->get_future();
    post([task] { (*task)(); });
    done.get();  // an error of the handler comes back to the worker here
  }

  void post(std::function<void()> fn) override {
    // One queue keeps the hand-over in the order sent; each source takes the oldest item.
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(fn));
    attachPostedSource();
  }

  void processPendingMessages() override {
    // Bounded, so that a stream of due timers cannot keep the caller here for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (g_main_context_iteration(context_, FALSE)) {
      if (std::chrono::steady_clock::now() > deadline) break;
    }
  }

  void run() override {
    while (!quit_) g_main_context_iteration(context_, TRUE);
  }

  void quit() override {
    quit_ = true;
    g_main_context_wakeup(context_);
  }
  bool quitRequested() const override { return quit_; }
  bool onMainThread() const override { return std::this_thread::get_id() == mainThread_; }

  void holdEvents() override { ++state_->holdDepth; }
  void releaseEvents() override {
    if (state_->holdDepth == 0 || --state_->holdDepth > 0) return;
    std::lock_guard lock(mutex_);
    for (; deferredRuns_ > 0; --deferredRuns_) attachPostedSource();
  }

 private:
  // One idle source per queued item; caller holds mutex_.
  void attachPostedSource() {
    GSource* source = g_idle_source_new();
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, &GlibMainLoop::onPosted, this, nullptr);
    pendingSources_.push_back(g_source_attach(source, context_));
    g_source_unref(source);
  }

  static gboolean onPosted(gpointer self) {
    auto* loop = static_cast<GlibMainLoop*>(self);
    std::function<void()> fn;
    {
      std::lock_guard lock(loop->mutex_);
      const guint id = g_source_get_id(g_main_current_source());
      std::erase(loop->pendingSources_, id);
      if (loop->queue_.empty()) return G_SOURCE_REMOVE;
      if (loop->state_->holdDepth > 0) {
        ++loop->deferredRuns_;  // the item stays queued; a new source is attached at the release
        return G_SOURCE_REMOVE;
      }
      fn = std::move(loop->queue_.front());
      loop->queue_.pop_front();
    }
    try {
      fn();
    } catch (const std::exception& e) {
      // The logic wraps its handlers; this only keeps an unexpected error out of GLib's C frames.
      std::fprintf(stderr, "main loop: unhandled error in posted work: %s\n", e.what());
    }
    return G_SOURCE_REMOVE;
  }

  const std::thread::id mainThread_;
  GMainContext* context_;
  std::atomic<bool> quit_{false};
  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  std::deque<guint> pendingSources_;
  const std::shared_ptr<LoopState> state_;
  int deferredRuns_ = 0;  // items left queued while the loop was held
};

}  // namespace

std::unique_ptr<MainLoop> createGlibMainLoop(TimerTrace trace) { return std::make_unique<GlibMainLoop>(std::move(trace)); }

}  // namespace tilvo::platform::linux_host
