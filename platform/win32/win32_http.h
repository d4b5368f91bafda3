// WinHTTP on Windows (delay-loaded), synchronous.
#pragma once

#include "platform/http_api.h"

class Win32HttpApi final : public HttpApi {
 public:
  void WinHttpCloseHandle(HttpHandle handle) override;
  HttpHandle WinHttpOpen(const std::u16string& userAgent, std::uint32_t& error) override;
  void WinHttpSetTimeouts(HttpHandle session, int resolve, int connect, int send,
                          int receive) override;
  HttpHandle WinHttpConnect(HttpHandle session, const std::u16string& host, std::uint16_t port,
                            std::uint32_t& error) override;
  HttpHandle WinHttpOpenRequest(HttpHandle connection, const std::u16string& verb,
                                const std::u16string& path, std::uint32_t flags,
                                std::uint32_t& error) override;
  void WinHttpSetOption(HttpHandle request, std::uint32_t option, std::uint32_t value) override;
  bool WinHttpSendRequest(HttpHandle request, std::uint32_t& error) override;
  bool WinHttpReceiveResponse(HttpHandle request, std::uint32_t& error) override;
  bool WinHttpQueryHeaders(HttpHandle request, std::uint32_t infoLevel, void* buffer,
                           std::uint32_t& bufferBytes, std::uint32_t& error) override;
  bool WinHttpQueryDataAvailable(HttpHandle request, std::uint32_t& available,
                                 std::uint32_t& error) override;
  bool WinHttpReadData(HttpHandle request, void* buffer, std::uint32_t size, std::uint32_t& read,
                       std::uint32_t& error) override;
  bool WinHttpCrackUrl(const std::u16string& url, CrackedUrl& parts) override;
};
