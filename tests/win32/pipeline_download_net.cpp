// The download stage over the real WinHTTP against the local download host
// (tests/e2e/download_host.py), inside a network namespace where the download host is
// 127.0.0.1. Each test sets the server's behaviour through its control port, then checks the
// exact result, error code, staged file and requests. Run by CTest through
// `download_host.py run` (see tests/e2e/CMakeLists.txt), never outside its namespace.
#include <windows.h>
#include <winhttp.h>

#include <atomic>
#include <cctype>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "pipeline/build_settings.h"
#include "tests/win32/harness.h"
#include "tests/win32/pipeline_services.h"

namespace {

const std::u16string kHost = kDownloadHost;
constexpr char kInstaller[] = "/upd/VorneSandboxInstall.exe";

// Counts every close, per handle, on top of the real WinHTTP.
class CountingHttpApi final : public HttpApi {
 public:
  void WinHttpCloseHandle(HttpHandle handle) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // WinHTTP reuses handle values: a close belongs to the latest request with that value.
      for (auto it = requests_.rbegin(); it != requests_.rend(); ++it) {
        if (it->first == handle) {
          ++it->second;
          break;
        }
      }
    }
    real_.WinHttpCloseHandle(handle);
  }
  HttpHandle WinHttpOpen(const std::u16string& agent, std::uint32_t& error) override {
    return real_.WinHttpOpen(agent, error);
  }
  void WinHttpSetTimeouts(HttpHandle s, int a, int b, int c, int d) override {
    real_.WinHttpSetTimeouts(s, a, b, c, d);
  }
  HttpHandle WinHttpConnect(HttpHandle s, const std::u16string& host, std::uint16_t port,
                            std::uint32_t& error) override {
    return real_.WinHttpConnect(s, host, port, error);
  }
  HttpHandle WinHttpOpenRequest(HttpHandle c, const std::u16string& verb,
                                const std::u16string& path, std::uint32_t flags,
                                std::uint32_t& error) override {
    const HttpHandle request = real_.WinHttpOpenRequest(c, verb, path, flags, error);
    if (request != 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.emplace_back(request, 0);
    }
    return request;
  }
  void WinHttpSetOption(HttpHandle r, std::uint32_t option, std::uint32_t value) override {
    real_.WinHttpSetOption(r, option, value);
  }
  bool WinHttpSendRequest(HttpHandle r, std::uint32_t& error) override {
    return real_.WinHttpSendRequest(r, error);
  }
  bool WinHttpReceiveResponse(HttpHandle r, std::uint32_t& error) override {
    return real_.WinHttpReceiveResponse(r, error);
  }
  bool WinHttpQueryHeaders(HttpHandle r, std::uint32_t level, void* buffer, std::uint32_t& bytes,
                           std::uint32_t& error) override {
    return real_.WinHttpQueryHeaders(r, level, buffer, bytes, error);
  }
  bool WinHttpQueryDataAvailable(HttpHandle r, std::uint32_t& available,
                                 std::uint32_t& error) override {
    const bool ok = real_.WinHttpQueryDataAvailable(r, available, error);
    std::lock_guard<std::mutex> lock(mutex_);
    lastQuery_ = LastQuery{true, ok, ok ? available : 0};
    return ok;
  }
  bool WinHttpReadData(HttpHandle r, void* buffer, std::uint32_t size, std::uint32_t& read,
                       std::uint32_t& error) override {
    return real_.WinHttpReadData(r, buffer, size, read, error);
  }
  bool WinHttpCrackUrl(const std::u16string& url, CrackedUrl& parts) override {
    return real_.WinHttpCrackUrl(url, parts);
  }

  // True when every request opened so far was closed exactly once.
  bool RequestsClosedOnce() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [request, closes] : requests_) {
      if (closes != 1) {
        return false;
      }
    }
    return !requests_.empty();
  }

  // The latest WinHttpQueryDataAvailable: whether there was one, whether it succeeded, and the
  // bytes it announced.
  struct LastQuery {
    bool made = false;
    bool ok = false;
    std::uint32_t available = 0;
  };
  LastQuery LastQueryDataAvailable() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastQuery_;
  }

 private:
  Win32HttpApi real_;
  std::mutex mutex_;
  std::vector<std::pair<HttpHandle, int>> requests_;  // each request opened, with its closes
  LastQuery lastQuery_;
};

// One GET to the control port; the body as text.
std::string Control(const std::string& pathAndQuery) {
  std::string body;
  HINTERNET session = ::WinHttpOpen(L"control", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connection = ::WinHttpConnect(session, L"127.0.0.1", 8081, 0);
  const std::wstring path(pathAndQuery.begin(), pathAndQuery.end());
  HINTERNET request = ::WinHttpOpenRequest(connection, L"GET", path.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
  if (request != nullptr && ::WinHttpSendRequest(request, nullptr, 0, nullptr, 0, 0, 0) &&
      ::WinHttpReceiveResponse(request, nullptr)) {
    char buffer[4096];
    DWORD read = 0;
    while (::WinHttpReadData(request, buffer, sizeof(buffer), &read) && read > 0) {
      body.append(buffer, read);
    }
  }
  ::WinHttpCloseHandle(request);
  ::WinHttpCloseHandle(connection);
  ::WinHttpCloseHandle(session);
  return body;
}

std::string Escape(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

// Sets what `port` answers for `path` (port 0: every port without its own route).
void Route(int port, const std::string& path, const std::string& settings) {
  const std::string reply =
      Control("/route?port=" + std::to_string(port) + "&path=" + Escape(path) + "&" + settings);
  CHECK(reply == "ok");
}

std::string HostUrl(const char* scheme, const std::string& rest) {
  return std::string(scheme) + std::string(kHost.begin(), kHost.end()) + rest;
}

std::string Location(const std::string& url) {
  return "location=" + Escape(url);
}

std::string Pattern(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    body[i] = static_cast<char>((i * 131 + 7) & 0xFF);
  }
  return body;
}

// The stage with counting WinHTTP and a fresh staging folder under %TEMP%.
struct Fixture {
  Fixture()
      : stages(StageServices{files, http, security, trust, processes},
               StageSettings{kHost, u"", ""}),
        worker(0, WorkerPlatform{poster, threads, files, http}, stages) {
    Control("/reset");
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    worker.stagingDir = FromWide(temp) + u"VorneDownloadTest." +
                        FromWide(std::to_wstring(::GetCurrentProcessId()).c_str()) + u"." +
                        FromWide(std::to_wstring(++counter).c_str());
    ::CreateDirectoryW(WidePtr(worker.stagingDir), nullptr);
    worker.installerPath = worker.stagingDir + u"\\VorneSandboxInstall.exe";
  }
  ~Fixture() {
    ::DeleteFileW(WidePtr(worker.installerPath));
    ::RemoveDirectoryW(WidePtr(worker.stagingDir));
  }

  DownloadResult Run(bool secure) {
    error = 0xABCD;
    return stages.Download(worker, secure, error);
  }
  bool Staged() const { return PathExists(worker.installerPath); }

  Win32MessagePoster poster;
  Win32ThreadApi threads;
  Win32FileApi files;
  CountingHttpApi http;
  Win32SecurityApi security;
  Win32TrustApi trust;
  Win32ProcessApi processes;
  InstallerStages stages;
  SetupWorker worker;
  std::uint32_t error = 0;
};

WINE_TEST(TlsAttemptWithASelfSignedCertificateFetchesTheFile) {
  Fixture f;
  Route(443, kInstaller, "body_size=300000");
  CHECK_EQ(f.Run(true), DownloadResult::Completed);
  CHECK_EQ(f.error, 0xABCD);
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(300000));
  CHECK_EQ(f.worker.bytesTotal.load(), 300000);
  CHECK_EQ(f.worker.bytesReceived.load(), 300000);
  CHECK(f.http.RequestsClosedOnce());
  const std::string log = Control("/log");
  CHECK(log.find("443 GET /upd/VorneSandboxInstall.exe UA=Mozilla/5.0 (Windows NT 10.0; Win64; "
                 "x64) VorneSandboxSetup/1.0\n") != std::string::npos);
}

WINE_TEST(NotFoundOnTlsFailsWith12152AndThePlainAttemptSucceedsOnPort80) {
  Fixture f;
  Route(443, kInstaller, "status=404");
  Route(80, kInstaller, "body_size=5000");
  CHECK_EQ(f.Run(true), DownloadResult::Failed);
  CHECK_EQ(f.error, 12152);
  CHECK(!f.Staged());
  CHECK_EQ(f.Run(false), DownloadResult::Completed);
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(5000));
  CHECK(f.http.RequestsClosedOnce());
}

WINE_TEST(RedirectsOnTheSameHostAreFollowedAcrossSchemesAndPorts) {
  Fixture f;
  // 443 -> 8443 in other letter case -> plain 80 -> plain 8080 with a query -> TLS 443.
  std::string upper(kHost.begin(), kHost.end());
  for (char& c : upper) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  Route(443, kInstaller, "status=302&" + Location("https://" + upper + ":8443/a"));
  Route(8443, "/a", "status=301&" + Location(HostUrl("http://", "/b")));
  Route(80, "/b", "status=307&" + Location(HostUrl("http://", ":8080/c?x=1&y=%20")));
  Route(8080, "/c?x=1&y=%20", "status=308&" + Location(HostUrl("https://", "/d")));
  Route(443, "/d", "body_size=777");
  CHECK_EQ(f.Run(true), DownloadResult::Completed);
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(777));
  const std::string log = Control("/log");
  CHECK(log.find("8443 GET /a ") != std::string::npos);
  CHECK(log.find("80 GET /b ") != std::string::npos);
  CHECK(log.find("8080 GET /c?x=1&y=%20 ") != std::string::npos);
  CHECK(log.find("443 GET /d ") != std::string::npos);
  CHECK(f.http.RequestsClosedOnce());
}

WINE_TEST(ALocationWithoutAPathRequestsTheRoot) {
  Fixture f;
  Route(80, kInstaller, "status=303&" + Location(HostUrl("http://", "")));
  Route(80, "/", "body_size=10");
  CHECK_EQ(f.Run(false), DownloadResult::Completed);
  CHECK(Control("/log").find("80 GET / ") != std::string::npos);
}

WINE_TEST(RefusedRedirectsFailWith12156) {
  const std::string cases[] = {
      Location("https://elsewhere.example/upd/VorneSandboxInstall.exe"),
      Location(HostUrl("https://", ".other.example/x")),
      Location("/upd/VorneSandboxInstall.exe"),
      "location=",
      "",
  };
  for (const std::string& location : cases) {
    Fixture f;
    Route(443, kInstaller, "status=302&" + location);
    CHECK_EQ(f.Run(true), DownloadResult::Failed);
    CHECK_EQ(f.error, 12156);
    CHECK(f.http.RequestsClosedOnce());
  }
}

WINE_TEST(FiveRedirectsAreFollowedAndTheSixthFails) {
  Fixture f;
  auto chain = [] {
    Route(80, kInstaller, "status=302&" + Location(HostUrl("http://", "/r1")));
    for (int i = 1; i < 5; ++i) {
      Route(80, "/r" + std::to_string(i),
            "status=302&" + Location(HostUrl("http://", "/r" + std::to_string(i + 1))));
    }
  };
  chain();
  Route(80, "/r5", "body_size=3");
  CHECK_EQ(f.Run(false), DownloadResult::Completed);
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(3));

  Fixture g;
  chain();
  Route(80, "/r5", "status=302&" + Location(HostUrl("http://", "/r6")));
  Route(80, "/r6", "body_size=3");
  CHECK_EQ(g.Run(false), DownloadResult::Failed);
  CHECK_EQ(g.error, 12156);
  CHECK(Control("/log").find("GET /r6") == std::string::npos);
  CHECK(g.http.RequestsClosedOnce());
}

WINE_TEST(RefusedLengthsFailWith12152BeforeTheFileIsCreated) {
  const std::string cases[] = {"chunked=1&body_size=5000", "length=0", "length=1073741825",
                               "length=none&body_size=100"};
  for (const std::string& settings : cases) {
    Fixture f;
    Route(443, kInstaller, settings);
    CHECK_EQ(f.Run(true), DownloadResult::Failed);
    CHECK_EQ(f.error, 12152);
    CHECK(!f.Staged());
    CHECK_EQ(f.worker.bytesTotal.load(), 0);
  }
}

WINE_TEST(OneGibibyteIsAnAcceptedLength) {
  Fixture f;
  // Announced but not sent: the attempt creates the file, writes the 10 bytes, then finds the
  // body short when the server closes the connection. A refused length would fail before the file
  // exists and leave the total at 0.
  Route(80, kInstaller, "length=1073741824&body_size=10");
  CHECK_EQ(f.Run(false), DownloadResult::Failed);
  CHECK_EQ(f.error, kErrorWinHttpInvalidServerResponse);
  CHECK_EQ(f.worker.bytesTotal.load(), 1073741824u);
  CHECK_EQ(f.worker.bytesReceived.load(), 10);
  CHECK(f.Staged());
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(10));
}

WINE_TEST(ABodyOneByteShortFailsWith12152AfterWritingEverything) {
  Fixture f;
  Route(80, kInstaller, "body_size=100000&short=1");
  CHECK_EQ(f.Run(false), DownloadResult::Failed);
  CHECK_EQ(f.error, 12152);
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(99999));
}

// Wine's WinHTTP hands over every byte that arrived before the reset and then reports the reset
// as the end of the body: WinHttpQueryDataAvailable succeeds with 0 bytes, never fails with
// ERROR_WINHTTP_CONNECTION_ERROR (12030, what Windows gives). So the code the stage reports here
// is its own short-body error, 12152; both end on the same failure screen. Once inside the first
// 64 KiB chunk, once past it.
WINE_TEST(AConnectionResetMidBodyFailsAsAShortBody) {
  for (const std::uint64_t sent : {5000u, 70000u}) {
    Fixture f;
    Route(80, kInstaller, "body_size=100000&reset_after=" + std::to_string(sent));
    CHECK_EQ(f.Run(false), DownloadResult::Failed);
    CHECK_EQ(f.error, kErrorWinHttpInvalidServerResponse);
    const CountingHttpApi::LastQuery last = f.http.LastQueryDataAvailable();
    CHECK(last.made && last.ok);
    CHECK_EQ(last.available, 0);
    CHECK_EQ(f.worker.bytesReceived.load(), sent);
    CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(sent));
    CHECK(f.http.RequestsClosedOnce());
  }
}

// Wine's WinHTTP stops reading at the announced length, so the byte too many never reaches the
// stage: the attempt completes with the announced length, and the signature check is what
// rejects such a file. The longer-body rule itself is covered by the native tests.
WINE_TEST(ABodyOneByteLongIsCutToTheAnnouncedLengthByWinHttp) {
  Fixture f;
  Route(80, kInstaller, "body_size=100000&extra=1");
  CHECK_EQ(f.Run(false), DownloadResult::Completed);
  CHECK(ReadFileBytes(f.worker.installerPath) == Pattern(100000));
}

struct CancelRun {
  Fixture* fixture;
  bool secure;
  DownloadResult result;
};

DWORD WINAPI DownloadThread(LPVOID parameter) {
  auto* run = static_cast<CancelRun*>(parameter);
  run->result = run->fixture->Run(run->secure);
  return 0;
}

// Starts the attempt on a thread of its own, waits for `started`, then cancels as the UI thread
// does, and returns the milliseconds until the attempt ended.
ULONGLONG CancelWhen(Fixture& f, bool secure, bool (*started)(Fixture&), CancelRun& run) {
  run = CancelRun{&f, secure, DownloadResult::Completed};
  HANDLE thread = ::CreateThread(nullptr, 0, DownloadThread, &run, 0, nullptr);
  const ULONGLONG deadline = ::GetTickCount64() + 10000;
  while (!started(f) && ::GetTickCount64() < deadline) {
    ::Sleep(10);
  }
  CHECK(started(f));
  const ULONGLONG begin = ::GetTickCount64();
  f.worker.Cancel();  // no worker thread of its own: flag up, request taken and closed
  ::WaitForSingleObject(thread, 30000);
  const ULONGLONG elapsed = ::GetTickCount64() - begin;
  ::CloseHandle(thread);
  return elapsed;
}

// Under Wine a close from another thread does not wake the WinHttpQueryDataAvailable that waits
// for the next piece either: that call returns when the piece arrives, and the WinHttpReadData
// after it fails on the closed handle (ERROR_INVALID_HANDLE). So the cancel ends the attempt at
// the next arrival, within one trickle interval (on Windows the close ends it at once). The error
// shows that the closed handle ended the loop: a cancel that only raised the flag would read and
// write that piece and leave the error untouched; one that closed without the flag first would
// end as Failed. The cancel waits out part of the interval first, so the close lands while the
// attempt waits, not while it writes.
WINE_TEST(ACancelWhileTheServerTricklesEndsTheAttemptAtTheNextPiece) {
  struct Case {
    int intervalMs;
    int settleMs;  // after the first piece, before the cancel
  };
  for (const Case c : {Case{100, 20}, Case{600, 100}}) {
    Fixture f;
    Route(443, kInstaller,
          "body_size=2000000&trickle_bytes=1024&trickle_ms=" + std::to_string(c.intervalMs));
    static int settleMs = 0;
    settleMs = c.settleMs;
    CancelRun run;
    const ULONGLONG ms = CancelWhen(
        f, true,
        [](Fixture& x) {
          if (x.worker.bytesReceived.load() == 0) {
            return false;
          }
          ::Sleep(settleMs);
          return true;
        },
        run);
    std::printf("  cancel while trickling every %d ms: %llu ms\n", c.intervalMs,
                static_cast<unsigned long long>(ms));
    CHECK_EQ(run.result, DownloadResult::Cancelled);
    CHECK_EQ(f.error, ERROR_INVALID_HANDLE);
    // One interval less the settling time, plus 400 ms for a loaded machine.
    CHECK(ms < static_cast<ULONGLONG>(c.intervalMs - c.settleMs + 400));
    CHECK(f.http.RequestsClosedOnce());
    CHECK_EQ(f.worker.activeRequest.load(), 0);
  }
}

// A server that sends nothing more: under Wine the close wakes nothing, and the wait ends only at
// the 30 s receive time-out, with the socket's WSAETIMEDOUT (10060) where Windows' WinHTTP would
// say ERROR_WINHTTP_TIMEOUT, so the time bound below is the time-out
// itself and shows only that the attempt ends, not that the close cut the wait short (on Windows
// it does; the trickling test above shows what the close does under Wine). What this shows is
// that the raised flag wins over the time-out: the attempt ends as cancelled, not as a failure.
WINE_TEST(ACancelWhileTheServerStallsEndsCancelledAtTheReceiveTimeOutAtTheLatest) {
  Fixture f;
  Route(80, kInstaller, "body_size=1000000&stall_after=4096");
  CancelRun run;
  // Everything the server sent before going silent (one 64 KiB write) has been written, and the
  // attempt has had time to wait for more.
  const ULONGLONG ms = CancelWhen(
      f, false,
      [](Fixture& x) {
        if (x.worker.bytesReceived.load() < 65536) {
          return false;
        }
        ::Sleep(300);
        return true;
      },
      run);
  std::printf("  cancel while stalled: %llu ms\n", static_cast<unsigned long long>(ms));
  CHECK_EQ(run.result, DownloadResult::Cancelled);
  CHECK_EQ(f.error, WSAETIMEDOUT);
  CHECK(ms < 31000);
  CHECK_EQ(f.worker.bytesReceived.load(), 65536);
  CHECK(f.http.RequestsClosedOnce());
}

}  // namespace
