// One download attempt over WinHTTP: the request loop with its same-host redirects, then the body
// into the staged file, giving way to a cancel at every blocking call.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/content_length.h"
#include "pipeline/installer_stages.h"
#include "pipeline/setup_worker.h"

namespace {

constexpr std::uint16_t kHttpsPort = 443;
constexpr std::uint16_t kHttpPort = 80;

// Host names are compared by length, then ignoring the case of ASCII letters (DNS names reach us
// in their ASCII form).
bool SameHost(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) {
      return false;
    }
  }
  return true;
}

bool IsRedirect(std::uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

// The handles of one attempt and their release: the request is taken back from activeRequest by
// exchange (it may already have been taken and closed by a cancel), then the connection and the
// session are closed.
class InstallerStages::Attempt {
 public:
  Attempt(InstallerStages& stages, SetupWorker& worker, HttpHandle session)
      : stages_(stages),
        http_(stages.services_.http),
        worker_(worker),
        session_(http_, session),
        connection_(http_, 0) {}
  Attempt(const Attempt&) = delete;
  Attempt& operator=(const Attempt&) = delete;
  ~Attempt() { TakeBackRequest(); }

  DownloadResult Run(bool secure, std::uint32_t& error);

 private:
  enum class Step { Continue, Stop };

  Step FollowRedirect(HttpHandle request, bool& secure, std::uint16_t& port, std::u16string& path,
                      int& redirects, std::uint32_t& error);
  DownloadResult ReceiveBody(HttpHandle request, std::uint32_t& error);
  bool QueryContentLength(HttpHandle request, std::uint64_t& length);
  bool ReadChunk(HttpHandle request, std::uint8_t* buffer, std::uint32_t& read,
                 std::uint32_t& error);
  DownloadResult FailedOrCancelled() const {
    return worker_.cancelRequested.load() ? DownloadResult::Cancelled : DownloadResult::Failed;
  }

  void Publish(HttpHandle request) {
    const HttpHandle stale = worker_.activeRequest.exchange(request);
    if (stale != 0) {
      http_.WinHttpCloseHandle(stale);
    }
  }
  void TakeBackRequest() {
    const HttpHandle request = worker_.activeRequest.exchange(0);
    if (request != 0) {
      http_.WinHttpCloseHandle(request);
    }
  }

  InstallerStages& stages_;
  HttpApi& http_;
  SetupWorker& worker_;
  // Declared in the order they are opened, so they close in reverse.
  UniqueHttpHandle session_;
  UniqueHttpHandle connection_;
};

DownloadResult InstallerStages::Download(SetupWorker& worker, bool secure, std::uint32_t& error) {
  std::uint32_t openError = 0;
  const HttpHandle session = services_.http.WinHttpOpen(kUserAgent, openError);
  if (session == 0) {
    error = openError;
    return DownloadResult::Failed;
  }
  Attempt attempt(*this, worker, session);
  return attempt.Run(secure, error);
}

DownloadResult InstallerStages::Attempt::Run(bool secure, std::uint32_t& error) {
  http_.WinHttpSetTimeouts(session_.get(), kHttpTimeoutMs, kHttpTimeoutMs, kHttpTimeoutMs,
                           kHttpTimeoutMs);
  std::u16string path = kDownloadPath;
  std::uint16_t port = secure ? kHttpsPort : kHttpPort;
  int redirects = 0;
  for (;;) {
    std::uint32_t callError = 0;
    connection_.reset(
        http_.WinHttpConnect(session_.get(), stages_.settings_.downloadHost, port, callError));
    if (!connection_) {
      error = callError;
      return DownloadResult::Failed;
    }
    const HttpHandle request = http_.WinHttpOpenRequest(connection_.get(), u"GET", path,
                                                        secure ? kWinHttpFlagSecure : 0, callError);
    if (request == 0) {
      error = callError;
      return DownloadResult::Failed;
    }
    // From here on the UI thread may take and close the request at any moment; every call below
    // then fails, and the flag tells a cancel from a network failure.
    Publish(request);
    if (worker_.cancelRequested.load()) {
      return DownloadResult::Cancelled;
    }
    http_.WinHttpSetOption(request, kWinHttpOptionRedirectPolicy, kWinHttpRedirectPolicyNever);
    if (secure) {
      http_.WinHttpSetOption(request, kWinHttpOptionSecurityFlags, kTolerateBadCertificates);
    }
    if (!http_.WinHttpSendRequest(request, callError) ||
        !http_.WinHttpReceiveResponse(request, callError)) {
      error = callError;
      return FailedOrCancelled();
    }

    std::uint32_t status = 0;
    std::uint32_t statusBytes = sizeof(status);
    if (!http_.WinHttpQueryHeaders(request, kWinHttpQueryStatusCode | kWinHttpQueryFlagNumber,
                                   &status, statusBytes, callError)) {
      error = callError;
      return DownloadResult::Failed;
    }
    if (status == 200) {
      return ReceiveBody(request, error);
    }
    if (!IsRedirect(status)) {
      error = kErrorWinHttpInvalidServerResponse;
      return DownloadResult::Failed;
    }
    if (FollowRedirect(request, secure, port, path, redirects, error) == Step::Stop) {
      return DownloadResult::Failed;
    }
  }
}

InstallerStages::Attempt::Step InstallerStages::Attempt::FollowRedirect(
    HttpHandle request, bool& secure, std::uint16_t& port, std::u16string& path, int& redirects,
    std::uint32_t& error) {
  const std::u16string location = stages_.QueryLocation(request);
  CrackedUrl target;
  if (location.empty() || !http_.WinHttpCrackUrl(location, target) ||
      (target.scheme != kInternetSchemeHttp && target.scheme != kInternetSchemeHttps) ||
      !SameHost(target.hostName, stages_.settings_.downloadHost)) {
    error = kErrorWinHttpRedirectFailed;
    return Step::Stop;
  }
  // The scheme decides TLS in both directions; the host never changes.
  secure = target.scheme == kInternetSchemeHttps;
  port = target.port;
  path.assign(target.urlPath.empty() ? std::u16string_view(u"/") : target.urlPath);
  path.append(target.extraInfo);

  TakeBackRequest();
  connection_.reset();
  if (++redirects > kMaxRedirects) {
    error = kErrorWinHttpRedirectFailed;
    return Step::Stop;
  }
  return Step::Continue;
}

DownloadResult InstallerStages::Attempt::ReceiveBody(HttpHandle request, std::uint32_t& error) {
  std::uint64_t length = 0;
  if (!QueryContentLength(request, length) || length == 0 || length > kMaxInstallerBytes) {
    error = kErrorWinHttpInvalidServerResponse;
    return DownloadResult::Failed;
  }
  worker_.bytesTotal.store(length);
  worker_.bytesReceived.store(0);

  FileApi& files = stages_.services_.files;
  std::uint32_t callError = 0;
  const UniqueFile file(files, files.CreateFileW(worker_.installerPath, kGenericWrite,
                                                 kFileShareNone, kCreateAlways, callError));
  if (!file) {
    error = callError;
    return DownloadResult::Failed;
  }

  std::vector<std::uint8_t> buffer(kReadChunkBytes);  // zero-filled, one per attempt
  std::uint64_t received = 0;
  std::uint32_t read = 0;
  if (!ReadChunk(request, buffer.data(), read, callError)) {
    error = callError;
    return FailedOrCancelled();
  }
  for (;;) {
    if (read == 0) {
      if (received == length) {
        return DownloadResult::Completed;
      }
      error = kErrorWinHttpInvalidServerResponse;  // shorter than announced
      return DownloadResult::Failed;
    }
    if (received + read > length) {
      error = kErrorWinHttpInvalidServerResponse;  // longer than announced: not written
      return DownloadResult::Failed;
    }
    std::uint32_t written = 0;
    const bool wrote = files.WriteFile(file.get(), buffer.data(), read, written, callError);
    if (!wrote || written != read) {
      error = callError;
      return DownloadResult::Failed;
    }
    received += read;
    worker_.ReportProgress(received);
    if (worker_.cancelRequested.load()) {
      return DownloadResult::Cancelled;
    }
    if (!ReadChunk(request, buffer.data(), read, callError)) {
      error = callError;
      return FailedOrCancelled();
    }
  }
}

bool InstallerStages::Attempt::QueryContentLength(HttpHandle request, std::uint64_t& length) {
  std::uint64_t number = 0;
  std::uint32_t bytes = sizeof(number);
  std::uint32_t error = 0;
  if (http_.WinHttpQueryHeaders(request, kWinHttpQueryContentLength | kWinHttpQueryFlagNumber64,
                                &number, bytes, error)) {
    length = number;
    return true;
  }
  // Wine's WinHTTP cannot give the 64-bit number (error 87) but has the header's text. A header
  // that is missing fails here too. Any valid length has far fewer than 32 digits.
  char16_t text[32] = {};
  bytes = sizeof(text);
  if (!http_.WinHttpQueryHeaders(request, kWinHttpQueryContentLength, text, bytes, error)) {
    return false;
  }
  return ParseContentLength(std::u16string_view(text, std::min<std::size_t>(bytes / 2, 32)),
                            length);
}

// Reads no more than has arrived (and at most one chunk), so every call returns as data comes
// in: Wine's WinHttpReadData waits for its whole buffer and is not woken by a close from another
// thread, while WinHttpQueryDataAvailable is.
bool InstallerStages::Attempt::ReadChunk(HttpHandle request, std::uint8_t* buffer,
                                         std::uint32_t& read, std::uint32_t& error) {
  read = 0;
  std::uint32_t available = 0;
  if (!http_.WinHttpQueryDataAvailable(request, available, error)) {
    return false;
  }
  if (available == 0) {
    return true;  // the end of the body
  }
  return http_.WinHttpReadData(request, buffer, std::min(available, kReadChunkBytes), read, error);
}

std::u16string InstallerStages::QueryLocation(HttpHandle request) {
  HttpApi& http = services_.http;
  std::uint32_t bytes = 0;
  std::uint32_t error = 0;
  if (http.WinHttpQueryHeaders(request, kWinHttpQueryLocation, nullptr, bytes, error) ||
      error != kErrorInsufficientBuffer || bytes == 0) {
    return {};
  }
  std::u16string location(bytes / 2, u'\0');
  bytes = static_cast<std::uint32_t>(location.size() * 2);
  if (!http.WinHttpQueryHeaders(request, kWinHttpQueryLocation, location.data(), bytes, error)) {
    return {};
  }
  location.resize(std::min<std::size_t>(bytes / 2, location.size()));
  return location;
}
