// Creating and joining the worker thread. The Windows build uses a small wrapper over CreateThread
// (std::thread would pull in about 250 KB of winpthreads); the native build uses std::thread.
#pragma once

#include <cstdint>

struct ThreadEntry {
  void (*body)(void* context) = nullptr;
  void* context = nullptr;
};

// An OS thread: its handle and id. Id 0 means no thread.
struct ThreadRef {
  std::uintptr_t handle = 0;
  std::uint32_t id = 0;
};

class ThreadApi {
 public:
  // Starts entry.body(entry.context) on a new thread. `entry` must stay valid until the thread has
  // been joined. Returns 0 and fills `thread`, or the system's error code with `thread` untouched.
  virtual std::uint32_t CreateThread(const ThreadEntry& entry, ThreadRef& thread) = 0;
  // Waits until the thread has returned, then releases its handle.
  virtual void JoinThread(const ThreadRef& thread) = 0;

 protected:
  ~ThreadApi() = default;
};

// Owns at most one thread and joins it at the latest on destruction. Not copyable or movable: the
// running thread holds a pointer to `entry_`.
class JoinableThread {
 public:
  explicit JoinableThread(ThreadApi& api) : api_(api) {}
  JoinableThread(const JoinableThread&) = delete;
  JoinableThread& operator=(const JoinableThread&) = delete;
  ~JoinableThread() { Join(); }

  bool Joinable() const { return thread_.id != 0; }

  // Precondition: not joinable. Returns 0, or the error code of the failed creation.
  std::uint32_t Start(void (*body)(void*), void* context) {
    entry_ = ThreadEntry{body, context};
    return api_.CreateThread(entry_, thread_);
  }

  // Waits for the thread when there is one; afterwards no thread is held.
  void Join() {
    if (!Joinable()) {
      return;
    }
    const ThreadRef thread = thread_;
    thread_ = ThreadRef{};
    api_.JoinThread(thread);
  }

 private:
  ThreadApi& api_;
  ThreadEntry entry_;
  ThreadRef thread_;
};
