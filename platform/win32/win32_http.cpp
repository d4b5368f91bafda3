#include "platform/win32/win32_http.h"

#include <windows.h>
#include <winhttp.h>

#include "platform/win32/wide.h"

static_assert(kWinHttpFlagSecure == WINHTTP_FLAG_SECURE);
static_assert(kWinHttpOptionSecurityFlags == WINHTTP_OPTION_SECURITY_FLAGS);
static_assert(kWinHttpOptionRedirectPolicy == WINHTTP_OPTION_REDIRECT_POLICY);
static_assert(kWinHttpRedirectPolicyNever == WINHTTP_OPTION_REDIRECT_POLICY_NEVER);
static_assert(kWinHttpQueryContentLength == WINHTTP_QUERY_CONTENT_LENGTH);
static_assert(kWinHttpQueryStatusCode == WINHTTP_QUERY_STATUS_CODE);
static_assert(kWinHttpQueryLocation == WINHTTP_QUERY_LOCATION);
static_assert(kWinHttpQueryFlagNumber == WINHTTP_QUERY_FLAG_NUMBER);
static_assert(kWinHttpQueryFlagNumber64 == WINHTTP_QUERY_FLAG_NUMBER64);
static_assert(kInternetSchemeHttp == INTERNET_SCHEME_HTTP);
static_assert(kInternetSchemeHttps == INTERNET_SCHEME_HTTPS);
static_assert(kErrorInsufficientBuffer == ERROR_INSUFFICIENT_BUFFER);
static_assert(kErrorWinHttpHeaderNotFound == ERROR_WINHTTP_HEADER_NOT_FOUND);
static_assert(kErrorWinHttpInvalidServerResponse == ERROR_WINHTTP_INVALID_SERVER_RESPONSE);
static_assert(kErrorWinHttpRedirectFailed == ERROR_WINHTTP_REDIRECT_FAILED);
static_assert(SECURITY_FLAG_IGNORE_UNKNOWN_CA + SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE +
                  SECURITY_FLAG_IGNORE_CERT_CN_INVALID + SECURITY_FLAG_IGNORE_CERT_DATE_INVALID ==
              0x3300);

namespace {

HINTERNET Handle(HttpHandle handle) {
  return reinterpret_cast<HINTERNET>(handle);
}

HttpHandle Checked(HINTERNET handle, std::uint32_t& error) {
  if (handle == nullptr) {
    error = ::GetLastError();
  }
  return reinterpret_cast<HttpHandle>(handle);
}

bool Checked(BOOL ok, std::uint32_t& error) {
  if (!ok) {
    error = ::GetLastError();
    return false;
  }
  return true;
}

std::u16string_view View(const wchar_t* text, DWORD length) {
  if (text == nullptr) {
    return {};
  }
  return std::u16string_view(reinterpret_cast<const char16_t*>(text), length);
}

}  // namespace

void Win32HttpApi::WinHttpCloseHandle(HttpHandle handle) {
  ::WinHttpCloseHandle(Handle(handle));
}

HttpHandle Win32HttpApi::WinHttpOpen(const std::u16string& userAgent, std::uint32_t& error) {
  return Checked(::WinHttpOpen(WidePtr(userAgent), WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                               WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0),
                 error);
}

void Win32HttpApi::WinHttpSetTimeouts(HttpHandle session, int resolve, int connect, int send,
                                      int receive) {
  ::WinHttpSetTimeouts(Handle(session), resolve, connect, send, receive);
}

HttpHandle Win32HttpApi::WinHttpConnect(HttpHandle session, const std::u16string& host,
                                        std::uint16_t port, std::uint32_t& error) {
  return Checked(::WinHttpConnect(Handle(session), WidePtr(host), port, 0), error);
}

HttpHandle Win32HttpApi::WinHttpOpenRequest(HttpHandle connection, const std::u16string& verb,
                                            const std::u16string& path, std::uint32_t flags,
                                            std::uint32_t& error) {
  return Checked(::WinHttpOpenRequest(Handle(connection), WidePtr(verb), WidePtr(path), nullptr,
                                      WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, flags),
                 error);
}

void Win32HttpApi::WinHttpSetOption(HttpHandle request, std::uint32_t option, std::uint32_t value) {
  DWORD data = value;
  ::WinHttpSetOption(Handle(request), option, &data, sizeof(data));
}

bool Win32HttpApi::WinHttpSendRequest(HttpHandle request, std::uint32_t& error) {
  return Checked(::WinHttpSendRequest(Handle(request), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                                      WINHTTP_NO_REQUEST_DATA, 0, 0, 0),
                 error);
}

bool Win32HttpApi::WinHttpReceiveResponse(HttpHandle request, std::uint32_t& error) {
  return Checked(::WinHttpReceiveResponse(Handle(request), nullptr), error);
}

bool Win32HttpApi::WinHttpQueryHeaders(HttpHandle request, std::uint32_t infoLevel, void* buffer,
                                       std::uint32_t& bufferBytes, std::uint32_t& error) {
  DWORD bytes = bufferBytes;
  const BOOL ok = ::WinHttpQueryHeaders(Handle(request), infoLevel, WINHTTP_HEADER_NAME_BY_INDEX,
                                        buffer == nullptr ? WINHTTP_NO_OUTPUT_BUFFER : buffer,
                                        &bytes, WINHTTP_NO_HEADER_INDEX);
  if (!ok) {
    error = ::GetLastError();
  }
  bufferBytes = bytes;
  return ok != FALSE;
}

bool Win32HttpApi::WinHttpQueryDataAvailable(HttpHandle request, std::uint32_t& available,
                                             std::uint32_t& error) {
  DWORD bytes = 0;
  if (!Checked(::WinHttpQueryDataAvailable(Handle(request), &bytes), error)) {
    return false;
  }
  available = bytes;
  return true;
}

bool Win32HttpApi::WinHttpReadData(HttpHandle request, void* buffer, std::uint32_t size,
                                   std::uint32_t& read, std::uint32_t& error) {
  DWORD bytes = 0;
  if (!Checked(::WinHttpReadData(Handle(request), buffer, size, &bytes), error)) {
    return false;
  }
  read = bytes;
  return true;
}

bool Win32HttpApi::WinHttpCrackUrl(const std::u16string& url, CrackedUrl& parts) {
  URL_COMPONENTS components{};
  components.dwStructSize = sizeof(components);
  // Non-zero lengths with null pointers: point into the URL. Scheme and port come as numbers;
  // user name and password are not asked for.
  components.dwHostNameLength = static_cast<DWORD>(-1);
  components.dwUrlPathLength = static_cast<DWORD>(-1);
  components.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!::WinHttpCrackUrl(WidePtr(url), 0, 0, &components)) {
    return false;
  }
  parts.scheme = static_cast<std::uint32_t>(components.nScheme);
  parts.hostName = View(components.lpszHostName, components.dwHostNameLength);
  parts.port = components.nPort;
  parts.urlPath = View(components.lpszUrlPath, components.dwUrlPathLength);
  parts.extraInfo = View(components.lpszExtraInfo, components.dwExtraInfoLength);
  return true;
}
