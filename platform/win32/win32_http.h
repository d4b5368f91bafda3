// WinHTTP on Windows (delay-loaded).
#pragma once

#include "platform/http_api.h"

class Win32HttpApi final : public HttpApi {
 public:
  void WinHttpCloseHandle(HttpHandle handle) override;
};
