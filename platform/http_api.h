// WinHTTP, synchronous, as the download uses it. The implementation translates only: every rule
// about what to request and what to accept lives in the pipeline.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/handles.h"

// WinHTTP's own numbers for what the download passes and decides on.
inline constexpr std::uint32_t kWinHttpFlagSecure = 0x00800000;         // WINHTTP_FLAG_SECURE
inline constexpr std::uint32_t kWinHttpOptionSecurityFlags = 31;        // ..._SECURITY_FLAGS
inline constexpr std::uint32_t kWinHttpOptionRedirectPolicy = 88;       // ..._REDIRECT_POLICY
inline constexpr std::uint32_t kWinHttpRedirectPolicyNever = 0;         // ..._POLICY_NEVER
inline constexpr std::uint32_t kWinHttpQueryContentLength = 5;          // ..._CONTENT_LENGTH
inline constexpr std::uint32_t kWinHttpQueryStatusCode = 19;            // ..._STATUS_CODE
inline constexpr std::uint32_t kWinHttpQueryLocation = 33;              // ..._LOCATION
inline constexpr std::uint32_t kWinHttpQueryFlagNumber = 0x20000000;    // ..._FLAG_NUMBER
inline constexpr std::uint32_t kWinHttpQueryFlagNumber64 = 0x08000000;  // ..._FLAG_NUMBER64
inline constexpr std::uint32_t kInternetSchemeHttp = 1;                 // INTERNET_SCHEME_HTTP
inline constexpr std::uint32_t kInternetSchemeHttps = 2;                // INTERNET_SCHEME_HTTPS
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;          // ERROR_INSUFFICIENT_BUFFER
inline constexpr std::uint32_t kErrorWinHttpHeaderNotFound = 12150;     // ..._HEADER_NOT_FOUND
inline constexpr std::uint32_t kErrorWinHttpInvalidServerResponse = 12152;
inline constexpr std::uint32_t kErrorWinHttpRedirectFailed = 12156;

// The parts of a URL the redirect rule needs, as WinHttpCrackUrl gives them: text parts point
// into the URL that was cracked (valid while it lives), scheme and port as numbers; the port is
// the scheme's default when the URL names none.
struct CrackedUrl {
  std::uint32_t scheme = 0;  // kInternetSchemeHttp or kInternetSchemeHttps
  std::u16string_view hostName;
  std::uint16_t port = 0;
  std::u16string_view urlPath;
  std::u16string_view extraInfo;  // query and fragment, with their leading '?' or '#'
};

// Every `error` out-value is the thread's last error code, captured by the implementation right
// after the failing call. It is written only when the call fails.
class HttpApi {
 public:
  // Closes a session, connection or request handle. Closing a request from another thread makes a
  // WinHTTP call blocked on it fail promptly: that is how a cancel interrupts a transfer.
  virtual void WinHttpCloseHandle(HttpHandle handle) = 0;

  // A synchronous session with WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, no proxy name or bypass list.
  virtual HttpHandle WinHttpOpen(const std::u16string& userAgent, std::uint32_t& error) = 0;
  // Milliseconds; the result is ignored by the caller.
  virtual void WinHttpSetTimeouts(HttpHandle session, int resolve, int connect, int send,
                                  int receive) = 0;
  virtual HttpHandle WinHttpConnect(HttpHandle session, const std::u16string& host,
                                    std::uint16_t port, std::uint32_t& error) = 0;
  // Default HTTP version, no referrer, default accept types.
  virtual HttpHandle WinHttpOpenRequest(HttpHandle connection, const std::u16string& verb,
                                        const std::u16string& path, std::uint32_t flags,
                                        std::uint32_t& error) = 0;
  // A 32-bit option value; the result is ignored by the caller.
  virtual void WinHttpSetOption(HttpHandle request, std::uint32_t option, std::uint32_t value) = 0;
  // No extra headers and no body.
  virtual bool WinHttpSendRequest(HttpHandle request, std::uint32_t& error) = 0;
  virtual bool WinHttpReceiveResponse(HttpHandle request, std::uint32_t& error) = 0;
  // No header name, no index. `bufferBytes` is the buffer's size in bytes on entry; on return
  // the bytes written (text without its terminator), or the bytes needed when the call fails with
  // ERROR_INSUFFICIENT_BUFFER. `buffer` may be null with `bufferBytes` 0 to learn the size.
  virtual bool WinHttpQueryHeaders(HttpHandle request, std::uint32_t infoLevel, void* buffer,
                                   std::uint32_t& bufferBytes, std::uint32_t& error) = 0;
  // Blocks until some of the body has arrived; `available` is 0 at its end.
  virtual bool WinHttpQueryDataAvailable(HttpHandle request, std::uint32_t& available,
                                         std::uint32_t& error) = 0;
  virtual bool WinHttpReadData(HttpHandle request, void* buffer, std::uint32_t size,
                               std::uint32_t& read, std::uint32_t& error) = 0;
  // Cracks a terminated URL (length 0, flags 0), asking for scheme, host, port, path and extra
  // information only. False when the text is not an absolute http or https URL.
  virtual bool WinHttpCrackUrl(const std::u16string& url, CrackedUrl& parts) = 0;

 protected:
  ~HttpApi() = default;
};

// Move-only owner of a session or connection handle. Requests are not held here: they travel
// through SetupWorker::activeRequest, by exchange.
class UniqueHttpHandle {
 public:
  UniqueHttpHandle(HttpApi& api, HttpHandle handle) : api_(api), handle_(handle) {}
  UniqueHttpHandle(const UniqueHttpHandle&) = delete;
  UniqueHttpHandle& operator=(const UniqueHttpHandle&) = delete;
  ~UniqueHttpHandle() { reset(); }

  HttpHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

  void reset(HttpHandle handle = 0) {
    const HttpHandle old = handle_;
    handle_ = handle;
    if (old != 0) {
      api_.WinHttpCloseHandle(old);
    }
  }

 private:
  HttpApi& api_;
  HttpHandle handle_;
};
