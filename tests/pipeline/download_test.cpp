// One download attempt over the scripted WinHTTP: requests, redirects, lengths, the body, every
// failure code and the release of every handle.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/pipeline/stage_fixture.h"

namespace {

using ::testing::ElementsAre;

constexpr std::uint32_t kUntouched = 0xABCD;  // the run's error code before the attempt

FakeExchange Ok(std::uint64_t length, std::vector<std::uint32_t> chunks) {
  FakeExchange e;
  e.contentLength = length;
  e.chunks = std::move(chunks);
  return e;
}

FakeExchange Redirect(std::uint32_t status, std::u16string location) {
  FakeExchange e;
  e.status = status;
  e.location = std::move(location);
  return e;
}

std::u16string Url(const char16_t* scheme, const char16_t* hostAndRest) {
  return std::u16string(scheme) + hostAndRest;
}

struct DownloadTest : ::testing::Test {
  DownloadTest() { f.Staged(); }

  DownloadResult Run(bool secure) { return f.stages.Download(f.worker, secure, error); }

  // What every attempt must leave behind, whatever its result.
  void ExpectReleased() {
    EXPECT_TRUE(f.http.EveryHandleClosedOnce());
    EXPECT_EQ(f.worker.activeRequest.load(), 0u);
    EXPECT_TRUE(f.files.OpenHandles().empty());
  }

  int ProgressPosts() const {
    int n = 0;
    for (const PostedMessage& m : f.Posted()) {
      n += m.message == WM_SETUP_PROGRESS ? 1 : 0;
    }
    return n;
  }

  StageFixture f;
  std::uint32_t error = kUntouched;
};

TEST_F(DownloadTest, SecureAttemptFetchesTheWholeBodyIntoTheStagedFile) {
  f.http.exchanges = {Ok(150000, {65536, 65536, 18928})};
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_EQ(error, kUntouched);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(150000));
  EXPECT_EQ(f.worker.bytesTotal.load(), 150000u);
  EXPECT_EQ(f.worker.bytesReceived.load(), 150000u);

  EXPECT_THAT(f.http.UserAgents(),
              ElementsAre(u"Mozilla/5.0 (Windows NT 10.0; Win64; x64) VorneSandboxSetup/1.0"));
  EXPECT_THAT(f.http.Timeouts(), ElementsAre(std::vector<int>{30000, 30000, 30000, 30000}));
  const auto requests = f.http.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].host, kTestHost);
  EXPECT_EQ(requests[0].port, 443);
  EXPECT_EQ(requests[0].verb, u"GET");
  EXPECT_EQ(requests[0].path, u"/upd/VorneSandboxInstall.exe");
  EXPECT_EQ(requests[0].flags, kWinHttpFlagSecure);
  EXPECT_THAT(requests[0].optionOrder,
              ElementsAre(kWinHttpOptionRedirectPolicy, kWinHttpOptionSecurityFlags));
  EXPECT_EQ(requests[0].options.at(kWinHttpOptionRedirectPolicy), 0u);
  EXPECT_EQ(requests[0].options.at(kWinHttpOptionSecurityFlags), 0x3300u);

  const auto opens = f.files.Opens();
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].path, kInstallerPath);
  EXPECT_EQ(opens[0].access, kGenericWrite);
  EXPECT_EQ(opens[0].share, kFileShareNone);
  EXPECT_EQ(opens[0].disposition, kCreateAlways);
  ExpectReleased();
}

TEST_F(DownloadTest, PlainAttemptUsesPort80WithoutTlsOrCertificateOption) {
  f.http.exchanges = {Ok(10, {10})};
  EXPECT_EQ(Run(false), DownloadResult::Completed);
  const auto requests = f.http.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].port, 80);
  EXPECT_EQ(requests[0].flags, 0u);
  EXPECT_THAT(requests[0].optionOrder, ElementsAre(kWinHttpOptionRedirectPolicy));
  ExpectReleased();
}

TEST_F(DownloadTest, ReadsAskForNoMoreThanHasArrivedAndAtMostOneChunk) {
  f.http.exchanges = {Ok(100010, {100000, 10})};
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_THAT(f.http.Requests()[0].readSizes, ElementsAre(65536u, 34464u, 10u));
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(100010));
}

TEST_F(DownloadTest, AnExistingFileIsReplaced) {
  f.files.AddFile(kInstallerPath, std::string(500, 'x'));
  f.http.exchanges = {Ok(3, {3})};
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(3));
}

TEST_F(DownloadTest, StatusesOtherThanOkAndRedirectsFailWith12152BeforeAnyFile) {
  for (std::uint32_t status : {100u, 201u, 204u, 206u, 300u, 304u, 305u, 400u, 404u, 500u}) {
    StageFixture g;
    g.Staged();
    FakeExchange e = Ok(10, {10});
    e.status = status;
    e.location = Url(u"https://", kTestHost);
    g.http.exchanges = {e};
    std::uint32_t code = 0;
    EXPECT_EQ(g.stages.Download(g.worker, true, code), DownloadResult::Failed) << status;
    EXPECT_EQ(code, 12152u) << status;
    EXPECT_TRUE(g.files.Opens().empty()) << status;
    EXPECT_EQ(g.http.Requests().size(), 1u) << status;
    EXPECT_TRUE(g.http.EveryHandleClosedOnce()) << status;
  }
}

TEST_F(DownloadTest, EveryRedirectStatusIsFollowed) {
  for (std::uint32_t status : {301u, 302u, 303u, 307u, 308u}) {
    StageFixture g;
    g.Staged();
    g.http.exchanges = {Redirect(status, Url(u"https://", kTestHost) + u"/next"), Ok(1, {1})};
    std::uint32_t code = 0;
    EXPECT_EQ(g.stages.Download(g.worker, true, code), DownloadResult::Completed) << status;
    ASSERT_EQ(g.http.Requests().size(), 2u);
    EXPECT_EQ(g.http.Requests()[1].path, u"/next");
  }
}

struct RedirectCase {
  const char* name;
  bool secure;  // the attempt
  std::u16string location;
  // Where the second request went.
  std::uint16_t port;
  bool tls;
  std::u16string path;
};

void PrintTo(const RedirectCase& c, std::ostream* os) {
  *os << c.name;
}

class FollowedRedirectTest : public DownloadTest,
                             public ::testing::WithParamInterface<RedirectCase> {};

TEST_P(FollowedRedirectTest, NextRequestTakesSchemePortAndPathButKeepsTheHost) {
  const RedirectCase& c = GetParam();
  f.http.exchanges = {Redirect(302, c.location), Ok(5, {5})};
  EXPECT_EQ(Run(c.secure), DownloadResult::Completed);
  const auto requests = f.http.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].host, kTestHost);
  EXPECT_EQ(requests[1].port, c.port);
  EXPECT_EQ(requests[1].flags, c.tls ? kWinHttpFlagSecure : 0u);
  EXPECT_EQ(requests[1].options.count(kWinHttpOptionSecurityFlags), c.tls ? 1u : 0u);
  if (c.tls) {
    EXPECT_EQ(requests[1].options.at(kWinHttpOptionSecurityFlags), 0x3300u);
  }
  EXPECT_EQ(requests[1].options.at(kWinHttpOptionRedirectPolicy), 0u);
  EXPECT_EQ(requests[1].path, c.path);
  ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Locations, FollowedRedirectTest,
    ::testing::Values(RedirectCase{"SameHostInOtherLetterCase", true,
                                   u"https://DOWNLOAD.Vorne-Sandbox.EXAMPLE/upd/v2.exe", 443, true,
                                   u"/upd/v2.exe"},
                      RedirectCase{"HttpsToHttp", true, Url(u"http://", kTestHost) + u"/plain.exe",
                                   80, false, u"/plain.exe"},
                      RedirectCase{"HttpsToHttpOnAnotherPort", true,
                                   Url(u"http://", kTestHost) + u":8080/a", 8080, false, u"/a"},
                      RedirectCase{"HttpToHttpsKeepsTheRelaxedCertificateRules", false,
                                   Url(u"https://", kTestHost) + u":8443/b", 8443, true, u"/b"},
                      RedirectCase{"QueryAndFragmentAreKept", true,
                                   Url(u"https://", kTestHost) + u"/c.exe?v=2&x=%20#frag", 443,
                                   true, u"/c.exe?v=2&x=%20#frag"},
                      RedirectCase{"NoPathRequestsTheRoot", false, Url(u"http://", kTestHost), 80,
                                   false, u"/"},
                      RedirectCase{"NoPathButAQuery", false, Url(u"http://", kTestHost) + u"?q", 80,
                                   false, u"/?q"},
                      RedirectCase{"UppercaseScheme", false, Url(u"HTTPS://", kTestHost) + u"/d",
                                   443, true, u"/d"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, RefusedRedirectsFailWith12156) {
  const struct {
    const char* name;
    std::optional<std::u16string> location;
  } cases[] = {
      {"other host", u"https://mirror.vorne-sandbox.example/upd/VorneSandboxInstall.exe"},
      {"host with the same start", Url(u"https://", kTestHost) + u".evil.example/x"},
      {"host one letter short", u"https://download.vorne-sandbox.exampl/x"},
      {"relative path", u"/upd/VorneSandboxInstall.exe"},
      {"scheme-relative", u"//download.vorne-sandbox.example/x"},
      {"other scheme", Url(u"ftp://", kTestHost) + u"/x"},
      {"empty", u""},
      {"missing", std::nullopt},
  };
  for (const auto& c : cases) {
    StageFixture g;
    g.Staged();
    FakeExchange e;
    e.status = 302;
    e.location = c.location;
    g.http.exchanges = {e, Ok(1, {1})};
    std::uint32_t code = 0;
    EXPECT_EQ(g.stages.Download(g.worker, true, code), DownloadResult::Failed) << c.name;
    EXPECT_EQ(code, 12156u) << c.name;
    EXPECT_EQ(g.http.Requests().size(), 1u) << c.name;
    EXPECT_TRUE(g.http.EveryHandleClosedOnce()) << c.name;
  }
}

TEST_F(DownloadTest, FiveRedirectsAreFollowed) {
  for (int i = 0; i < 5; ++i) {
    f.http.exchanges.push_back(
        Redirect(307, Url(u"https://", kTestHost) + u"/r" + std::u16string(1, char16_t(u'1' + i))));
  }
  f.http.exchanges.push_back(Ok(2, {2}));
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_EQ(f.http.Requests().size(), 6u);
  EXPECT_EQ(f.http.Requests()[5].path, u"/r5");
  ExpectReleased();
}

TEST_F(DownloadTest, TheSixthRedirectFailsWith12156AfterSixRequests) {
  for (int i = 0; i < 7; ++i) {
    f.http.exchanges.push_back(Redirect(302, Url(u"https://", kTestHost) + u"/loop"));
  }
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(error, 12156u);
  EXPECT_EQ(f.http.Requests().size(), 6u);
  ExpectReleased();
}

TEST_F(DownloadTest, ARedirectReleasesRequestAndConnectionBeforeConnectingAgain) {
  f.http.exchanges = {Redirect(302, Url(u"https://", kTestHost) + u"/x"), Ok(1, {1})};
  // What the first request's handles look like when the second connect begins.
  struct Seen {
    int requestCloses = -1;
    int connectionCloses = -1;
    int sessionCloses = -1;
    HttpHandle published = 0;
  } seen;
  int connects = 0;
  f.http.beforeCall = [&](const std::string& name) {
    if (name == "Connect" && ++connects == 2) {
      const FakeRequest first = f.http.Requests().at(0);
      seen = {f.http.CloseCount(first.handle), f.http.CloseCount(first.connection),
              f.http.CloseCount(first.session), f.worker.activeRequest.load()};
    }
  };
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  const auto requests = f.http.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(seen.requestCloses, 1) << "the first request is closed before the next connect";
  EXPECT_EQ(seen.connectionCloses, 1) << "so is its connection";
  EXPECT_EQ(seen.published, 0u) << "and it was taken back from activeRequest";
  EXPECT_EQ(seen.sessionCloses, 0) << "the session serves the next request";
  EXPECT_EQ(requests[1].session, requests[0].session);
  EXPECT_NE(requests[1].connection, requests[0].connection);
  EXPECT_EQ(f.http.CloseCount(requests[0].handle), 1) << "closed exactly once";
  ExpectReleased();
}

struct LengthCase {
  const char* name;
  std::optional<std::uint64_t> number;
  std::optional<std::u16string> text;
  bool number64Refused;
  bool accepted;
};

void PrintTo(const LengthCase& c, std::ostream* os) {
  *os << c.name;
}

class ContentLengthRuleTest : public DownloadTest,
                              public ::testing::WithParamInterface<LengthCase> {};

// The body is cut one byte short, so an accepted length shows as a 12152 after the file was
// created, and a refused one as a 12152 before it.
TEST_P(ContentLengthRuleTest, LengthFromOneByteToOneGibibyteIsAccepted) {
  const LengthCase& c = GetParam();
  FakeExchange e;
  e.contentLength = c.number;
  e.contentLengthText = c.text;
  e.number64Refused = c.number64Refused;
  e.chunks = {};
  f.http.exchanges = {e};
  f.worker.bytesTotal.store(77);
  f.worker.bytesReceived.store(66);
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(error, 12152u);
  if (c.accepted) {
    EXPECT_EQ(f.files.Opens().size(), 1u);
    EXPECT_NE(f.worker.bytesTotal.load(), 77u);
    EXPECT_EQ(f.worker.bytesReceived.load(), 0u);
  } else {
    EXPECT_TRUE(f.files.Opens().empty()) << "the staged file is not created or touched";
    EXPECT_EQ(f.worker.bytesTotal.load(), 77u);
    EXPECT_EQ(f.worker.bytesReceived.load(), 66u);
  }
  ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ContentLengthRuleTest,
    ::testing::Values(
        LengthCase{"Missing", std::nullopt, std::nullopt, false, false},
        LengthCase{"Zero", 0, std::nullopt, false, false},
        LengthCase{"One", 1, std::nullopt, false, true},
        LengthCase{"OneGibibyte", 1073741824, std::nullopt, false, true},
        LengthCase{"OneGibibytePlusOne", 1073741825, std::nullopt, false, false},
        LengthCase{"Huge", 0xFFFFFFFFFFFFFFFFull, std::nullopt, false, false},
        LengthCase{"TextWhenTheNumberIsRefused", std::nullopt, u"4096", true, true},
        LengthCase{"TextOneGibibyte", std::nullopt, u"1073741824", true, true},
        LengthCase{"TextOneGibibytePlusOne", std::nullopt, u"1073741825", true, false},
        LengthCase{"TextZero", std::nullopt, u"0", true, false},
        LengthCase{"TextWithSign", std::nullopt, u"+4096", true, false},
        LengthCase{"TextWithBlank", std::nullopt, u"4096 ", true, false},
        LengthCase{"TextNegative", std::nullopt, u"-1", true, false},
        LengthCase{"TextOverflowing", std::nullopt, u"18446744073709551617", true, false},
        LengthCase{"TextTooLongForTheBuffer", std::nullopt, std::u16string(40, u'1'), true, false},
        LengthCase{"TextMissingToo", std::nullopt, std::nullopt, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, ABodyOneByteShortFailsAfterEverythingWasWritten) {
  f.http.exchanges = {Ok(100, {60, 39})};
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(error, 12152u);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(99));
  EXPECT_EQ(f.worker.bytesReceived.load(), 99u);
  ExpectReleased();
}

TEST_F(DownloadTest, ABodyOneByteLongFailsWithoutWritingTheLastChunk) {
  f.http.exchanges = {Ok(100, {60, 41})};
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(error, 12152u);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(60));
  EXPECT_EQ(f.worker.bytesReceived.load(), 60u);
  ExpectReleased();
}

// Each failing call of the table, and the code the attempt reports for it.
struct FailureCase {
  const char* name;
  void (*script)(StageFixture&);
  std::uint32_t error;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class FailureTableTest : public DownloadTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTableTest, FailsWithTheCallsErrorAndReleasesEverything) {
  f.http.exchanges = {Ok(200000, {65536, 65536, 65536, 3392})};
  GetParam().script(f);
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(error, GetParam().error);
  ExpectReleased();
}

INSTANTIATE_TEST_SUITE_P(
    Calls, FailureTableTest,
    ::testing::Values(
        FailureCase{"Session", [](StageFixture& s) { s.http.openError = 12001; }, 12001},
        FailureCase{"Connect", [](StageFixture& s) { s.http.exchanges[0].connectError = 12007; },
                    12007},
        FailureCase{"Request", [](StageFixture& s) { s.http.exchanges[0].openRequestError = 8; },
                    8},
        FailureCase{"Send", [](StageFixture& s) { s.http.exchanges[0].sendError = 12029; }, 12029},
        FailureCase{"Receive", [](StageFixture& s) { s.http.exchanges[0].receiveError = 12002; },
                    12002},
        FailureCase{"Status", [](StageFixture& s) { s.http.exchanges[0].statusError = 12150; },
                    12150},
        FailureCase{"CreateFile", [](StageFixture& s) { s.files.createFileError = 5; }, 5},
        FailureCase{"Write", [](StageFixture& s) { s.files.failWriteNumber = 2; }, 112},
        // A short write that reports success sets no error: the code is whatever the thread's
        // last call left, here CreateFileW replacing the file of an earlier attempt.
        FailureCase{"ShortWrite",
                    [](StageFixture& s) {
                      s.files.AddFile(kInstallerPath, "earlier attempt");
                      s.files.shortWriteNumber = 3;
                    },
                    183},
        FailureCase{"FirstRead",
                    [](StageFixture& s) {
                      s.http.exchanges[0].chunks = {};
                      s.http.exchanges[0].bodyError = 12030;
                    },
                    12030},
        FailureCase{"LaterRead",
                    [](StageFixture& s) {
                      s.http.exchanges[0].chunks = {65536};
                      s.http.exchanges[0].bodyError = 12002;
                    },
                    12002}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DownloadTest, AShortWriteFailsWithTheThreadsLastErrorAndStopsReading) {
  const struct {
    const char* what;
    bool replacesAFile;
    std::uint32_t error;
  } cases[] = {
      {"a new file: CreateFileW left 0", false, 0},
      {"a file replaced: CreateFileW left ERROR_ALREADY_EXISTS", true, 183},
  };
  for (const auto& c : cases) {
    StageFixture g;
    g.Staged();
    if (c.replacesAFile) {
      g.files.AddFile(kInstallerPath, std::string(500, 'x'));
    }
    g.files.threadLastError = 1450;  // stale from before the attempt: overwritten by the create
    g.files.shortWriteNumber = 2;
    g.http.exchanges = {Ok(200000, {65536, 65536, 65536, 3392})};
    std::uint32_t code = kUntouched;
    EXPECT_EQ(g.stages.Download(g.worker, true, code), DownloadResult::Failed) << c.what;
    EXPECT_EQ(code, c.error) << c.what;
    EXPECT_EQ(g.files.Contents(kInstallerPath), FakeBody(2 * 65536 - 1)) << c.what;
    EXPECT_EQ(g.worker.bytesReceived.load(), 65536u)
        << c.what << ": the short chunk is not counted";
    EXPECT_EQ(g.http.Requests()[0].readSizes.size(), 2u) << c.what;
    EXPECT_TRUE(g.files.OpenHandles().empty()) << c.what;
  }
}

TEST_F(DownloadTest, AFailedWriteLeavesWhatWasWrittenAndStopsReading) {
  f.http.exchanges = {Ok(200000, {65536, 65536, 65536, 3392})};
  f.files.failWriteNumber = 2;
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(65536));
  EXPECT_EQ(f.http.Requests()[0].readSizes.size(), 2u);
}

// The UI thread's Cancel, played on the worker thread at a chosen call: raise the flag, then take
// the published request and close it.
void CancelNow(SetupWorker& worker, FakeHttpApi& http) {
  worker.cancelRequested.exchange(true);
  const HttpHandle request = worker.activeRequest.exchange(0);
  if (request != 0) {
    http.WinHttpCloseHandle(request);
  }
}

TEST_F(DownloadTest, CancelRaisedBeforeTheAttemptIsSeenRightAfterPublishing) {
  f.http.exchanges = {Ok(10, {10})};
  f.worker.cancelRequested.store(true);
  EXPECT_EQ(Run(true), DownloadResult::Cancelled);
  EXPECT_EQ(error, kUntouched);
  const auto calls = f.http.Calls();
  EXPECT_THAT(calls, ElementsAre("Open", "SetTimeouts", "Connect", "OpenRequest", "Close", "Close",
                                 "Close"));
  ExpectReleased();
}

TEST_F(DownloadTest, CancelDuringABlockingCallEndsCancelledWithTheRequestClosedOnce) {
  for (const char* call : {"Send", "Receive", "QueryHeaders", "Available", "Read"}) {
    StageFixture g;
    g.Staged();
    g.http.exchanges = {Ok(100000, {65536, 34464})};
    bool done = false;
    g.http.beforeCall = [&](const std::string& name) {
      if (!done && name == call) {
        done = true;
        CancelNow(g.worker, g.http);
      }
    };
    std::uint32_t code = kUntouched;
    const DownloadResult result = g.stages.Download(g.worker, true, code);
    // A failed status query is not a cancel point: the attempt fails, and the driver stays silent
    // because the flag is up.
    const DownloadResult expected =
        std::string(call) == "QueryHeaders" ? DownloadResult::Failed : DownloadResult::Cancelled;
    EXPECT_EQ(result, expected) << call;
    EXPECT_TRUE(g.http.EveryHandleClosedOnce()) << call;
    EXPECT_EQ(g.worker.activeRequest.load(), 0u) << call;
    EXPECT_TRUE(g.files.OpenHandles().empty()) << call;
  }
}

TEST_F(DownloadTest, CancelSeenAfterAWrittenChunkStopsBeforeTheNextRead) {
  f.http.exchanges = {Ok(100000, {65536, 34464})};
  f.http.beforeCall = [&](const std::string& name) {
    if (name == "Read") {
      f.worker.cancelRequested.store(true);  // the flag only; the request stays published
    }
  };
  EXPECT_EQ(Run(true), DownloadResult::Cancelled);
  EXPECT_EQ(error, kUntouched);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(65536));
  EXPECT_EQ(f.worker.bytesReceived.load(), 65536u);
  EXPECT_EQ(f.http.Requests()[0].readSizes.size(), 1u);
  ExpectReleased();
}

TEST_F(DownloadTest, CancelDuringARedirectIsSeenAfterTheNextRequestIsPublished) {
  f.http.exchanges = {Redirect(302, Url(u"https://", kTestHost) + u"/x"), Ok(1, {1})};
  f.http.beforeCall = [&](const std::string& name) {
    if (name == "CrackUrl") {
      f.worker.cancelRequested.store(true);
    }
  };
  EXPECT_EQ(Run(true), DownloadResult::Cancelled);
  EXPECT_EQ(f.http.Requests().size(), 2u);
  EXPECT_EQ(f.http.Calls().back(), "Close");
  ExpectReleased();
}

TEST_F(DownloadTest, OneProgressMessageWaitsUntilTheWindowHandlesIt) {
  f.http.exchanges = {Ok(5 * 65536, {65536, 65536, 65536, 65536, 65536})};
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_EQ(ProgressPosts(), 1);
  EXPECT_TRUE(f.worker.progressPosted.load());
}

TEST_F(DownloadTest, EachChunkPostsWhenThePreviousMessageWasHandled) {
  f.http.exchanges = {Ok(5 * 65536, {65536, 65536, 65536, 65536, 65536})};
  std::vector<std::uint64_t> seen;
  f.http.beforeCall = [&](const std::string& name) {
    if (name == "Available" && f.worker.progressPosted.exchange(false)) {
      seen.push_back(f.worker.bytesReceived.load());  // the window paints
    }
  };
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_EQ(ProgressPosts(), 5);
  EXPECT_THAT(seen, ElementsAre(65536u, 131072u, 196608u, 262144u, 327680u));
}

TEST_F(DownloadTest, CountersKeepAFailedAttemptsValuesUntilTheNextGoodResponse) {
  FakeExchange broken = Ok(1000, {500});
  broken.bodyError = 12030;
  FakeExchange missing = Ok(10, {10});
  missing.status = 404;
  f.http.exchanges = {broken, missing, Ok(2000, {2000})};
  EXPECT_EQ(Run(true), DownloadResult::Failed);
  EXPECT_EQ(Run(false), DownloadResult::Failed);
  EXPECT_EQ(f.worker.bytesTotal.load(), 1000u);
  EXPECT_EQ(f.worker.bytesReceived.load(), 500u);
  EXPECT_EQ(Run(true), DownloadResult::Completed);
  EXPECT_EQ(f.worker.bytesTotal.load(), 2000u);
  EXPECT_EQ(f.worker.bytesReceived.load(), 2000u);
  EXPECT_EQ(f.files.Contents(kInstallerPath), FakeBody(2000));
}

TEST_F(DownloadTest, QueryLocationGivesTheHeaderWithoutItsTerminator) {
  f.http.exchanges = {Redirect(302, u"https://h.example/a?b")};
  std::uint32_t e = 0;
  const HttpHandle session = f.http.WinHttpOpen(u"x", e);
  const HttpHandle connection = f.http.WinHttpConnect(session, u"h", 443, e);
  const HttpHandle request = f.http.WinHttpOpenRequest(connection, u"GET", u"/", 0, e);
  EXPECT_EQ(f.stages.QueryLocation(request), u"https://h.example/a?b");
  f.http.WinHttpCloseHandle(request);
  EXPECT_EQ(f.stages.QueryLocation(request), u"");  // unreadable: empty
  f.http.WinHttpCloseHandle(connection);
  f.http.WinHttpCloseHandle(session);
}

}  // namespace
