// A scripted WinHTTP: each connection plays the next FakeExchange (connect, request, response,
// body). Records every call and every close, and lets a transfer block until its request handle
// is closed, the way a WinHTTP call fails when another thread closes its handle.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/http_api.h"

inline constexpr std::uint32_t kErrorWinHttpOperationCancelled = 12017;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;

// One connection and its request, from the client's side.
struct FakeExchange {
  std::uint32_t connectError = 0;      // WinHttpConnect fails with it
  std::uint32_t openRequestError = 0;  // WinHttpOpenRequest fails with it
  std::uint32_t sendError = 0;
  std::uint32_t receiveError = 0;
  std::uint32_t statusError = 0;  // the status query fails with it
  std::uint32_t status = 200;
  std::optional<std::u16string> location;
  // The 64-bit query answers with this; its text form is the decimal number unless
  // contentLengthText says otherwise. Neither: the header is missing (12150).
  std::optional<std::uint64_t> contentLength;
  std::optional<std::u16string> contentLengthText;
  bool number64Refused = false;  // as Wine: the 64-bit query fails with 87
  // What WinHttpQueryDataAvailable reports, one entry per call; the bytes are FakeBodyByte(i),
  // or those of `body` when it is set (zeros past its end).
  std::vector<std::uint32_t> chunks;
  std::optional<std::string> body;
  std::uint32_t bodyError = 0;    // after the chunks: 0 is the end of the body, else the failure
  bool blockAfterChunks = false;  // after the chunks: wait until the request is closed
};

// The i-th byte of every fake body.
inline char FakeBodyByte(std::uint64_t i) {
  return static_cast<char>((i * 131 + 7) & 0xFF);
}
std::string FakeBody(std::uint64_t size);

struct FakeRequest {
  HttpHandle handle = 0;
  HttpHandle session = 0;     // as passed to WinHttpConnect
  HttpHandle connection = 0;  // the connection it was opened on; 0 when the connect failed
  std::u16string host;
  std::uint16_t port = 0;
  std::u16string verb;
  std::u16string path;
  std::uint32_t flags = 0;
  std::map<std::uint32_t, std::uint32_t> options;  // as set, in the order given by the map
  std::vector<std::uint32_t> optionOrder;
  std::vector<std::uint32_t> readSizes;  // the size asked of each WinHttpReadData
};

class FakeHttpApi final : public HttpApi {
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

  // Scripting, set before the code under test runs.
  std::vector<FakeExchange> exchanges;  // one per WinHttpConnect, in order
  std::uint32_t openError = 0;          // WinHttpOpen fails with it
  // Called with the call's name ("Send", "Receive", "Available", "Read", ...) as the call begins,
  // on the calling thread, outside the fake's lock: a test plays the other thread here.
  std::function<void(const std::string& call)> beforeCall;

  // Inspection; any thread.
  int CloseCount(HttpHandle handle) const;
  // Blocks until `handle` has been closed at least once; false after `timeout`.
  bool WaitClosed(HttpHandle handle, std::chrono::milliseconds timeout) const;
  // Blocks until a call waits in a blocked transfer; false after `timeout`.
  bool WaitBlocked(std::chrono::milliseconds timeout) const;
  // True when every handle this fake gave out was closed exactly once, and nothing else was.
  bool EveryHandleClosedOnce() const;
  std::vector<std::string> Calls() const;
  std::vector<FakeRequest> Requests() const;
  std::vector<std::u16string> UserAgents() const;
  std::vector<std::vector<int>> Timeouts() const;

 private:
  struct Live {
    std::size_t exchange = 0;
    std::size_t request = 0;  // index into requests_
    std::size_t chunk = 0;
    std::uint64_t offset = 0;   // bytes of the body handed out so far
    std::uint32_t pending = 0;  // reported by the last WinHttpQueryDataAvailable, not yet read
  };

  void Record(const std::string& call);
  HttpHandle NewHandle();
  // The live request behind `request`, or null when it is unknown or closed; lock held.
  Live* FindLive(HttpHandle request);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::map<HttpHandle, int> closes_;
  std::set<HttpHandle> issued_;
  std::map<HttpHandle, std::size_t> connections_;  // connection -> exchange index
  std::map<HttpHandle, Live> live_;
  std::vector<FakeRequest> requests_;
  std::vector<std::string> calls_;
  std::vector<std::u16string> userAgents_;
  std::vector<std::vector<int>> timeouts_;
  std::size_t nextExchange_ = 0;
  HttpHandle nextHandle_ = 0x40000;
  bool blocked_ = false;
};
