#include "tests/fakes/fake_http_api.h"

#include <algorithm>
#include <cstring>

namespace {

std::u16string Decimal(std::uint64_t value) {
  std::u16string text;
  do {
    text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
    value /= 10;
  } while (value != 0);
  return text;
}

// Copies a header's text as WinHttpQueryHeaders does: with its terminator, reporting the bytes
// needed when the buffer is too small and the bytes written (without terminator) otherwise.
bool CopyText(const std::u16string& text, void* buffer, std::uint32_t& bufferBytes,
              std::uint32_t& error) {
  const auto needed = static_cast<std::uint32_t>((text.size() + 1) * 2);
  if (buffer == nullptr || bufferBytes < needed) {
    bufferBytes = needed;
    error = kErrorInsufficientBuffer;
    return false;
  }
  std::memcpy(buffer, text.c_str(), needed);
  bufferBytes = needed - 2;
  return true;
}

char16_t Lower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
  if (text.size() < prefix.size()) {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Lower(text[i]) != prefix[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string FakeBody(std::uint64_t size) {
  std::string body(size, '\0');
  for (std::uint64_t i = 0; i < size; ++i) {
    body[i] = FakeBodyByte(i);
  }
  return body;
}

void FakeHttpApi::Record(const std::string& call) {
  if (beforeCall) {
    beforeCall(call);
  }
  std::lock_guard lock(mutex_);
  calls_.push_back(call);
}

HttpHandle FakeHttpApi::NewHandle() {
  const HttpHandle handle = nextHandle_++;
  issued_.insert(handle);
  return handle;
}

FakeHttpApi::Live* FakeHttpApi::FindLive(HttpHandle request) {
  auto it = live_.find(request);
  if (it == live_.end() || closes_.count(request) != 0) {
    return nullptr;
  }
  return &it->second;
}

void FakeHttpApi::WinHttpCloseHandle(HttpHandle handle) {
  {
    std::lock_guard lock(mutex_);
    ++closes_[handle];
    calls_.push_back("Close");
  }
  changed_.notify_all();
}

HttpHandle FakeHttpApi::WinHttpOpen(const std::u16string& userAgent, std::uint32_t& error) {
  Record("Open");
  std::lock_guard lock(mutex_);
  userAgents_.push_back(userAgent);
  if (openError != 0) {
    error = openError;
    return 0;
  }
  return NewHandle();
}

void FakeHttpApi::WinHttpSetTimeouts(HttpHandle, int resolve, int connect, int send, int receive) {
  Record("SetTimeouts");
  std::lock_guard lock(mutex_);
  timeouts_.push_back({resolve, connect, send, receive});
}

HttpHandle FakeHttpApi::WinHttpConnect(HttpHandle session, const std::u16string& host,
                                       std::uint16_t port, std::uint32_t& error) {
  Record("Connect");
  std::lock_guard lock(mutex_);
  if (nextExchange_ >= exchanges.size()) {
    error = 12029;  // ERROR_WINHTTP_CANNOT_CONNECT: nothing more is scripted
    return 0;
  }
  const std::size_t index = nextExchange_++;
  FakeRequest request;
  request.session = session;
  request.host = host;
  request.port = port;
  requests_.push_back(request);
  if (exchanges[index].connectError != 0) {
    error = exchanges[index].connectError;
    return 0;
  }
  const HttpHandle connection = NewHandle();
  connections_[connection] = index;
  requests_.back().connection = connection;
  return connection;
}

HttpHandle FakeHttpApi::WinHttpOpenRequest(HttpHandle connection, const std::u16string& verb,
                                           const std::u16string& path, std::uint32_t flags,
                                           std::uint32_t& error) {
  Record("OpenRequest");
  std::lock_guard lock(mutex_);
  const std::size_t index = connections_.at(connection);
  FakeRequest& request = requests_.back();
  request.verb = verb;
  request.path = path;
  request.flags = flags;
  if (exchanges[index].openRequestError != 0) {
    error = exchanges[index].openRequestError;
    return 0;
  }
  request.handle = NewHandle();
  Live live;
  live.exchange = index;
  live.request = requests_.size() - 1;
  live_[request.handle] = live;
  return request.handle;
}

void FakeHttpApi::WinHttpSetOption(HttpHandle request, std::uint32_t option, std::uint32_t value) {
  Record("SetOption");
  std::lock_guard lock(mutex_);
  if (Live* live = FindLive(request)) {
    requests_[live->request].options[option] = value;
    requests_[live->request].optionOrder.push_back(option);
  }
}

bool FakeHttpApi::WinHttpSendRequest(HttpHandle request, std::uint32_t& error) {
  Record("Send");
  std::lock_guard lock(mutex_);
  Live* live = FindLive(request);
  if (live == nullptr) {
    error = kErrorInvalidHandle;
    return false;
  }
  if (exchanges[live->exchange].sendError != 0) {
    error = exchanges[live->exchange].sendError;
    return false;
  }
  return true;
}

bool FakeHttpApi::WinHttpReceiveResponse(HttpHandle request, std::uint32_t& error) {
  Record("Receive");
  std::lock_guard lock(mutex_);
  Live* live = FindLive(request);
  if (live == nullptr) {
    error = kErrorInvalidHandle;
    return false;
  }
  if (exchanges[live->exchange].receiveError != 0) {
    error = exchanges[live->exchange].receiveError;
    return false;
  }
  return true;
}

bool FakeHttpApi::WinHttpQueryHeaders(HttpHandle request, std::uint32_t infoLevel, void* buffer,
                                      std::uint32_t& bufferBytes, std::uint32_t& error) {
  Record("QueryHeaders");
  std::lock_guard lock(mutex_);
  Live* live = FindLive(request);
  if (live == nullptr) {
    error = kErrorInvalidHandle;
    return false;
  }
  const FakeExchange& exchange = exchanges[live->exchange];
  switch (infoLevel) {
    case kWinHttpQueryStatusCode | kWinHttpQueryFlagNumber:
      if (exchange.statusError != 0) {
        error = exchange.statusError;
        return false;
      }
      if (bufferBytes != sizeof(std::uint32_t)) {
        error = kErrorInsufficientBuffer;
        return false;
      }
      std::memcpy(buffer, &exchange.status, sizeof(std::uint32_t));
      return true;
    case kWinHttpQueryContentLength | kWinHttpQueryFlagNumber64:
      if (exchange.number64Refused) {
        error = 87;  // ERROR_INVALID_PARAMETER
        return false;
      }
      if (!exchange.contentLength) {
        error = kErrorWinHttpHeaderNotFound;
        return false;
      }
      if (bufferBytes != sizeof(std::uint64_t)) {
        error = kErrorInsufficientBuffer;
        return false;
      }
      std::memcpy(buffer, &*exchange.contentLength, sizeof(std::uint64_t));
      return true;
    case kWinHttpQueryContentLength: {
      std::u16string text;
      if (exchange.contentLengthText) {
        text = *exchange.contentLengthText;
      } else if (exchange.contentLength) {
        text = Decimal(*exchange.contentLength);
      } else {
        error = kErrorWinHttpHeaderNotFound;
        return false;
      }
      return CopyText(text, buffer, bufferBytes, error);
    }
    case kWinHttpQueryLocation:
      if (!exchange.location) {
        error = kErrorWinHttpHeaderNotFound;
        return false;
      }
      return CopyText(*exchange.location, buffer, bufferBytes, error);
    default:
      error = kErrorWinHttpHeaderNotFound;
      return false;
  }
}

bool FakeHttpApi::WinHttpQueryDataAvailable(HttpHandle request, std::uint32_t& available,
                                            std::uint32_t& error) {
  Record("Available");
  std::unique_lock lock(mutex_);
  Live* live = FindLive(request);
  if (live == nullptr) {
    error = kErrorInvalidHandle;
    return false;
  }
  const FakeExchange& exchange = exchanges[live->exchange];
  if (live->pending != 0) {
    available = live->pending;
    return true;
  }
  if (live->chunk < exchange.chunks.size()) {
    live->pending = exchange.chunks[live->chunk++];
    available = live->pending;
    return true;
  }
  if (exchange.blockAfterChunks) {
    blocked_ = true;
    changed_.notify_all();
    // Bounded, so a test that never cancels fails instead of hanging: WinHTTP's own receive
    // time-out (ERROR_WINHTTP_TIMEOUT) ends such a wait too.
    const bool closed = changed_.wait_for(lock, std::chrono::seconds(20),
                                          [&] { return closes_.count(request) != 0; });
    blocked_ = false;
    error = closed ? kErrorWinHttpOperationCancelled : 12002;
    return false;
  }
  if (exchange.bodyError != 0) {
    error = exchange.bodyError;
    return false;
  }
  available = 0;
  return true;
}

bool FakeHttpApi::WinHttpReadData(HttpHandle request, void* buffer, std::uint32_t size,
                                  std::uint32_t& read, std::uint32_t& error) {
  Record("Read");
  std::lock_guard lock(mutex_);
  Live* live = FindLive(request);
  if (live == nullptr) {
    error = kErrorInvalidHandle;
    return false;
  }
  requests_[live->request].readSizes.push_back(size);
  const std::uint32_t count = std::min(size, live->pending);
  auto* out = static_cast<char*>(buffer);
  const std::optional<std::string>& body = exchanges[live->exchange].body;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint64_t at = live->offset + i;
    out[i] = body ? (at < body->size() ? (*body)[at] : '\0') : FakeBodyByte(at);
  }
  live->offset += count;
  live->pending -= count;
  read = count;
  return true;
}

bool FakeHttpApi::WinHttpCrackUrl(const std::u16string& url, CrackedUrl& parts) {
  Record("CrackUrl");
  const std::u16string_view text(url);
  std::size_t at = 0;
  CrackedUrl cracked;
  if (StartsWithNoCase(text, u"https://")) {
    cracked.scheme = kInternetSchemeHttps;
    cracked.port = 443;
    at = 8;
  } else if (StartsWithNoCase(text, u"http://")) {
    cracked.scheme = kInternetSchemeHttp;
    cracked.port = 80;
    at = 7;
  } else {
    return false;
  }
  const std::size_t authorityEnd = std::min(text.find_first_of(u"/?#", at), text.size());
  std::u16string_view authority = text.substr(at, authorityEnd - at);
  const std::size_t colon = authority.find(u':');
  if (colon != std::u16string_view::npos) {
    unsigned port = 0;
    for (char16_t c : authority.substr(colon + 1)) {
      if (c < u'0' || c > u'9' || (port = port * 10 + (c - u'0')) > 65535) {
        return false;
      }
    }
    cracked.port = static_cast<std::uint16_t>(port);
    authority = authority.substr(0, colon);
  }
  if (authority.empty()) {
    return false;
  }
  cracked.hostName = authority;
  const std::size_t extraStart = std::min(text.find_first_of(u"?#", authorityEnd), text.size());
  cracked.urlPath = text.substr(authorityEnd, extraStart - authorityEnd);
  cracked.extraInfo = text.substr(extraStart);
  parts = cracked;
  return true;
}

int FakeHttpApi::CloseCount(HttpHandle handle) const {
  std::lock_guard lock(mutex_);
  auto it = closes_.find(handle);
  return it == closes_.end() ? 0 : it->second;
}

bool FakeHttpApi::WaitClosed(HttpHandle handle, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return closes_.count(handle) != 0; });
}

bool FakeHttpApi::WaitBlocked(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return blocked_; });
}

bool FakeHttpApi::EveryHandleClosedOnce() const {
  std::lock_guard lock(mutex_);
  for (HttpHandle handle : issued_) {
    auto it = closes_.find(handle);
    if (it == closes_.end() || it->second != 1) {
      return false;
    }
  }
  for (const auto& [handle, count] : closes_) {
    if (issued_.count(handle) == 0) {
      return false;
    }
  }
  return true;
}

std::vector<std::string> FakeHttpApi::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<FakeRequest> FakeHttpApi::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<std::u16string> FakeHttpApi::UserAgents() const {
  std::lock_guard lock(mutex_);
  return userAgents_;
}

std::vector<std::vector<int>> FakeHttpApi::Timeouts() const {
  std::lock_guard lock(mutex_);
  return timeouts_;
}
