// Records every WinHttpCloseHandle, and lets a scripted transfer block until its request handle
// is closed, the way a WinHTTP call fails when another thread closes its handle.
#pragma once

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "platform/http_api.h"

class FakeHttpApi final : public HttpApi {
 public:
  void WinHttpCloseHandle(HttpHandle handle) override;

  int CloseCount(HttpHandle handle) const;
  // Blocks until `handle` has been closed at least once; false after `timeout`.
  bool WaitClosed(HttpHandle handle, std::chrono::milliseconds timeout) const;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable closed_;
  std::map<HttpHandle, int> closes_;
};
