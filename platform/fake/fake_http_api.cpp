#include "platform/fake/fake_http_api.h"

void FakeHttpApi::WinHttpCloseHandle(HttpHandle handle) {
  {
    std::lock_guard lock(mutex_);
    ++closes_[handle];
  }
  closed_.notify_all();
}

int FakeHttpApi::CloseCount(HttpHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = closes_.find(handle);
  return it == closes_.end() ? 0 : it->second;
}

bool FakeHttpApi::WaitClosed(HttpHandle handle, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return closed_.wait_for(lock, timeout, [&] { return closes_.count(handle) != 0; });
}
