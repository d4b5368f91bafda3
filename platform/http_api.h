// WinHTTP, synchronous, as the download uses it.
#pragma once

#include "platform/handles.h"

class HttpApi {
 public:
  // Closes a session, connection or request handle. Closing a request from another thread makes a
  // WinHTTP call blocked on it fail promptly: that is how a cancel interrupts a transfer.
  virtual void WinHttpCloseHandle(HttpHandle handle) = 0;

 protected:
  ~HttpApi() = default;
};
