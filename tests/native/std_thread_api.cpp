#include "tests/native/std_thread_api.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

namespace {
std::atomic<std::uint32_t> g_nextThreadId{1};
}  // namespace

std::uint32_t StdThreadApi::CreateThread(const ThreadEntry& entry, ThreadRef& thread) {
  try {
    auto* running = new std::thread([entry] { entry.body(entry.context); });
    thread.handle = reinterpret_cast<std::uintptr_t>(running);
    thread.id = g_nextThreadId.fetch_add(1);
    return 0;
  } catch (const std::system_error& e) {
    return static_cast<std::uint32_t>(e.code().value());
  } catch (const std::bad_alloc&) {
    return static_cast<std::uint32_t>(ENOMEM);
  }
}

void StdThreadApi::JoinThread(const ThreadRef& thread) {
  auto* running = reinterpret_cast<std::thread*>(thread.handle);
  running->join();
  delete running;
}
