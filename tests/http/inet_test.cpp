// The WinINet-shaped layer against real servers on 127.0.0.1: what reaches the wire, what comes
// back, and how failures look to the caller.
#include "platform/inet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/fixtures/http_recorder.h"
#include "text/gbk_literal.h"

namespace {

using namespace platform::inet;
using fixtures::FirstBytesRecorder;
using fixtures::HttpRecorder;
using fixtures::httpResponse;
using fixtures::RecordedRequest;
using fixtures::respondWith;
using fixtures::ScopedEnvironment;

constexpr std::uint32_t kPlain = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE |
                                 INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
const std::string kAgent = "agent/1";

struct Call {
    std::string host = "127.0.0.1";
    int port = 0;
    std::string verb = "GET";
    std::string object = "/";
    std::uint32_t flags = kPlain;
    std::string headerText;
    std::string body;
    std::string agent = kAgent;
    std::optional<std::string> proxyList;
    const std::atomic<bool>* cancel = nullptr;
};

struct Exchange {
    bool opened = false;
    bool sent = false;
    std::string body;
    std::optional<std::string> rawHeaders;
};

std::optional<std::string> rawHeadersOf(const Request& request) {
    std::string buffer(64 * 1024, ' ');
    std::uint32_t length = static_cast<std::uint32_t>(buffer.size());
    if (!request.queryRawHeaders(buffer.data(), length))
        return std::nullopt;
    return buffer.substr(0, length);
}

std::string readAll(Request& request, std::size_t piece = 1024) {
    std::string body;
    std::string buffer(piece, '\0');
    while (std::size_t n = request.read(buffer.data(), buffer.size()))
        body.append(buffer, 0, n);
    return body;
}

Exchange perform(const Call& call) {
    Exchange out;
    auto session =
        call.proxyList
            ? Session::open(call.agent, INTERNET_OPEN_TYPE_PROXY, *call.proxyList, "")
            : Session::open(call.agent, INTERNET_OPEN_TYPE_DIRECT, std::nullopt, std::nullopt);
    if (!session)
        return out;
    auto connection = Connection::open(*session, call.host, call.port);
    if (!connection)
        return out;
    auto request = Request::open(*connection, call.verb, call.object, "HTTP/1.1", call.flags);
    if (!request)
        return out;
    out.opened = true;
    request->setCancelFlag(call.cancel);
    out.sent = request->send(call.headerText, call.body);
    out.body = readAll(*request);
    out.rawHeaders = rawHeadersOf(*request);
    return out;
}

Call callTo(const HttpRecorder& server, std::string object = "/") {
    Call call;
    call.port = server.port();
    call.object = std::move(object);
    return call;
}

std::string defaultHead(const HttpRecorder& server) {
    return "Host: " + server.hostPort() + "\r\nUser-Agent: " + kAgent + "\r\n";
}

// --- the request on the wire ---

struct HeaderLinesCase {
    const char* name;
    std::string headerText;
    std::string linesOnWire;  // what follows Host and User-Agent
};

void PrintTo(const HeaderLinesCase& c, std::ostream* os) {
    *os << c.name;
}

class InetHeaderLinesTest : public ::testing::TestWithParam<HeaderLinesCase> {};

TEST_P(InetHeaderLinesTest, GoOutAsComposedAndNothingElse) {
    HttpRecorder server(respondWith(httpResponse(200, "ok")));
    Call call = callTo(server, "/x");
    call.headerText = GetParam().headerText;
    Exchange result = perform(call);
    ASSERT_TRUE(result.sent);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw,
              "GET /x HTTP/1.1\r\n" + defaultHead(server) + GetParam().linesOnWire + "\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetHeaderLinesTest,
    ::testing::Values(
        HeaderLinesCase{"DownloadDefaults",
                        "Referer: http://h/p.jpg\r\nAccept: */*\r\nAccept-Language: "
                        "zh-cn\r\nContent-Type: application/x-www-form-urlencoded",
                        "Referer: http://h/p.jpg\r\nAccept: */*\r\nAccept-Language: "
                        "zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\n"},
        HeaderLinesCase{"NoAcceptOfItsOwn", "X-A: 1", "X-A: 1\r\n"},
        HeaderLinesCase{"NothingForEmptyText", "", ""},
        HeaderLinesCase{"EmptyLinesDropped", "\r\nX-A: 1\r\n\r\nX-B: 2\r\n",
                        "X-A: 1\r\nX-B: 2\r\n"},
        HeaderLinesCase{"LoneLineFeedStaysInItsLine", "X-A: one\nInjected: yes",
                        "X-A: one Injected: yes\r\n"},
        HeaderLinesCase{"LoneCarriageReturnStaysInItsLine", "X-A: one\rInjected: yes",
                        "X-A: one Injected: yes\r\n"},
        HeaderLinesCase{"BlankValueKept", "X-Empty:\r\nX-B: 2", "X-Empty:\r\nX-B: 2\r\n"},
        HeaderLinesCase{"LineWithoutNameDropped", "no colon here\r\n: nameless\r\nX-A: 1",
                        "X-A: 1\r\n"},
        HeaderLinesCase{"CookieLineAsGiven", "Cookie: a=1; b=2", "Cookie: a=1; b=2\r\n"}),
    [](const auto& info) { return info.param.name; });

struct AgentCase {
    const char* name;
    std::string sessionAgent;
    std::string headerText;
    std::vector<std::string> agentsOnWire;
};

void PrintTo(const AgentCase& c, std::ostream* os) {
    *os << c.name;
}

class InetAgentTest : public ::testing::TestWithParam<AgentCase> {};

TEST_P(InetAgentTest, SessionAgentUnlessTheTextNamesOne) {
    HttpRecorder server(respondWith(httpResponse(200, "")));
    Call call = callTo(server);
    call.agent = GetParam().sessionAgent;
    call.headerText = GetParam().headerText;
    ASSERT_TRUE(perform(call).sent);
    std::vector<std::string> agents;
    const RecordedRequest request = server.requests().at(0);
    for (const auto& [name, value] : request.headers)
        if (name == "User-Agent" || name == "user-agent")
            agents.push_back(value);
    EXPECT_EQ(agents, GetParam().agentsOnWire);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetAgentTest,
    ::testing::Values(AgentCase{"Session", "Mozilla/4.0 (x)", "", {"Mozilla/4.0 (x)"}},
                      AgentCase{"EmptySendsNone", "", "X-A: 1", {}},
                      AgentCase{"LineInTextReplacesIt", "session", "user-agent: X", {"X"}},
                      // An agent taken from a caller's header text may carry line breaks.
                      AgentCase{"LineBreaksStayInTheAgentLine",
                                "a\r\nX-Injected: 1\nY",
                                "",
                                {"a  X-Injected: 1 Y"}}),
    [](const auto& info) { return info.param.name; });

struct VerbCase {
    const char* name;
    std::string verb;
    std::string body;
    std::string method;
    std::optional<std::string> contentLength;
};

void PrintTo(const VerbCase& c, std::ostream* os) {
    *os << c.name;
}

class InetVerbAndBodyTest : public ::testing::TestWithParam<VerbCase> {};

TEST_P(InetVerbAndBodyTest, BodyWheneverGivenAndNoHeadersOfLibcurl) {
    HttpRecorder server(respondWith(httpResponse(200, "ok")));
    Call call = callTo(server, "/form");
    call.verb = GetParam().verb;
    call.body = GetParam().body;
    ASSERT_TRUE(perform(call).sent);
    RecordedRequest request = server.requests().at(0);
    EXPECT_EQ(request.method, GetParam().method);
    EXPECT_EQ(request.header("Content-Length"), GetParam().contentLength);
    EXPECT_EQ(request.body, GetParam().body);
    EXPECT_EQ(request.headerCount("Content-Type"), 0);
    EXPECT_EQ(request.headerCount("Expect"), 0);
    EXPECT_EQ(request.headerCount("Accept"), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetVerbAndBodyTest,
    ::testing::Values(VerbCase{"GetWithout", "GET", "", "GET", std::nullopt},
                      VerbCase{"Post", "POST", "a=1&b=2", "POST", "7"},
                      VerbCase{"EmptyPost", "POST", "", "POST", "0"},
                      VerbCase{"GetWithBody", "GET", "x=1", "GET", "3"},
                      VerbCase{"PutWithBody", "PUT", "data", "PUT", "4"},
                      VerbCase{"DeleteWithout", "DELETE", "", "DELETE", std::nullopt},
                      VerbCase{"BinaryBody", "POST", std::string("a\0b\0", 4), "POST", "4"},
                      VerbCase{"LargePostNoExpect", "POST", std::string(2 << 20, 'z'), "POST",
                               std::to_string(2 << 20)}),
    [](const auto& info) { return info.param.name; });

struct TargetCase {
    const char* name;
    std::string object;
    std::string target;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

class InetRequestTargetTest : public ::testing::TestWithParam<TargetCase> {};

TEST_P(InetRequestTargetTest, SentAsComposedWithSpacesAndControlsEncoded) {
    HttpRecorder server(respondWith(httpResponse(200, "")));
    ASSERT_TRUE(perform(callTo(server, GetParam().object)).sent);
    EXPECT_EQ(server.requests().at(0).target, GetParam().target);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetRequestTargetTest,
    ::testing::Values(TargetCase{"Space", "/a b/c.jpg", "/a%20b/c.jpg"},
                      TargetCase{"Tab", "/a\tb", "/a%09b"},
                      TargetCase{"DotSegmentsKept", "/a/../b/./c", "/a/../b/./c"},
                      TargetCase{"QueryNotReencoded", "/p?x=1&y=%41+b", "/p?x=1&y=%41+b"},
                      TargetCase{"EmptyIsRoot", "", "/"}),
    [](const auto& info) { return info.param.name; });

TEST(InetRequestTarget, GbkBytesGoRawBesideEncodedSpaces) {
    HttpRecorder server(respondWith(httpResponse(200, "")));
    const std::string object = "/"_gbk + "相册 1"_gbk + "/照片.jpg?名=值"_gbk;
    ASSERT_TRUE(std::any_of(object.begin(), object.end(), [](char c) { return c & 0x80; }));
    ASSERT_TRUE(perform(callTo(server, object)).sent);
    EXPECT_EQ(server.requests().at(0).target, "/"_gbk + "相册%201"_gbk + "/照片.jpg?名=值"_gbk);
}

// --- the response as the caller sees it ---

struct ResponseCase {
    const char* name;
    std::string response;  // raw bytes the server sends
    std::string headerBlock;
    std::string body;
};

void PrintTo(const ResponseCase& c, std::ostream* os) {
    *os << c.name;
}

class InetResponseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(InetResponseTest, FinalHeaderBlockWithCrLfAndTheWholeBody) {
    HttpRecorder server(respondWith(GetParam().response));
    Exchange result = perform(callTo(server, "/r"));
    ASSERT_TRUE(result.sent);
    EXPECT_EQ(result.rawHeaders, GetParam().headerBlock);
    EXPECT_EQ(result.body, GetParam().body);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetResponseTest,
    ::testing::Values(
        ResponseCase{"Plain", "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\nhi",
                     "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n\r\n", "hi"},
        ResponseCase{"InterimResponseSkipped",
                     "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx",
                     "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n", "x"},
        ResponseCase{"BareLineFeedsBecomeCrLf", "HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 1\n\nx",
                     "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 1\r\n\r\n", "x"},
        ResponseCase{"ErrorStatusBodyReturned",
                     "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone",
                     "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\n", "gone"},
        ResponseCase{"ZeroBytesInBody",
                     std::string("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\na\0b\0c", 43),
                     "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", std::string("a\0b\0c", 5)},
        ResponseCase{"TrailersAreNotTheHeaderBlock",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\nX-T: "
                     "1\r\n\r\n",
                     "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "abc"},
        ResponseCase{"BodyUntilClose", "HTTP/1.0 200 OK\r\n\r\nto the end",
                     "HTTP/1.0 200 OK\r\n\r\n", "to the end"}),
    [](const auto& info) { return info.param.name; });

TEST(InetBody, HandedOutPieceByPieceAndCountedDown) {
    std::string big(1'000'003, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 % 251);
    HttpRecorder server(respondWith(httpResponse(200, big)));
    Call call = callTo(server);
    auto session = Session::open(kAgent, INTERNET_OPEN_TYPE_DIRECT, std::nullopt, std::nullopt);
    auto connection = Connection::open(*session, "127.0.0.1", server.port());
    auto request = Request::open(*connection, "GET", "/", "HTTP/1.1", kPlain);
    ASSERT_TRUE(request->send("", ""));
    EXPECT_EQ(request->bytesAvailable(), big.size());
    char first[10];
    ASSERT_EQ(request->read(first, sizeof first), sizeof first);
    EXPECT_EQ(request->bytesAvailable(), big.size() - sizeof first);
    EXPECT_EQ(std::string(first, sizeof first) + readAll(*request, 999), big);
    EXPECT_EQ(request->bytesAvailable(), 0u);
    EXPECT_EQ(request->read(first, sizeof first), 0u);
}

TEST(InetRawHeaders, FailWhenTheBlockAndItsNulDoNotFit) {
    const std::string block = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n";
    HttpRecorder server(respondWith(block));
    auto session = Session::open(kAgent, INTERNET_OPEN_TYPE_DIRECT, std::nullopt, std::nullopt);
    auto connection = Connection::open(*session, "127.0.0.1", server.port());
    auto request = Request::open(*connection, "GET", "/", "HTTP/1.1", kPlain);
    ASSERT_TRUE(request->send("", ""));
    std::string buffer(block.size() + 1, '#');
    std::uint32_t length = static_cast<std::uint32_t>(block.size());
    EXPECT_FALSE(request->queryRawHeaders(buffer.data(), length));
    EXPECT_EQ(length, block.size() + 1);
    EXPECT_EQ(buffer, std::string(block.size() + 1, '#'));
    length = static_cast<std::uint32_t>(block.size() + 1);
    ASSERT_TRUE(request->queryRawHeaders(buffer.data(), length));
    EXPECT_EQ(length, block.size());
    EXPECT_EQ(buffer, block + '\0');
}

// --- redirects ---

// Serves a chain of redirects: "/go?N" answers with `status` and Location "/go?N-1", "/go?0"
// with the final body; any other target gets `otherResponse`.
HttpRecorder::Responder redirectChain(int status, std::string finalBody = "final") {
    return [=](const RecordedRequest& request) {
        if (request.target.starts_with("/go?")) {
            int left = std::stoi(request.target.substr(4));
            if (left == 0)
                return httpResponse(200, finalBody);
            return httpResponse(status, "moved", {"Location: /go?" + std::to_string(left - 1)});
        }
        return httpResponse(404, "unknown");
    };
}

struct RedirectCase {
    const char* name;
    int status;
    int hops;
    std::string verb;
    std::string body;
    std::uint32_t flags;
    bool sent;
    std::string finalBody;
    std::vector<std::string> methods;  // of every request the server saw
    std::string lastBody;              // body of the last request the server saw
};

void PrintTo(const RedirectCase& c, std::ostream* os) {
    *os << c.name;
}

class InetRedirectTest : public ::testing::TestWithParam<RedirectCase> {};

TEST_P(InetRedirectTest, FollowedUnlessSuppressedWithBrowserVerbRules) {
    const RedirectCase& c = GetParam();
    HttpRecorder server(redirectChain(c.status));
    Call call = callTo(server, "/go?" + std::to_string(c.hops));
    call.verb = c.verb;
    call.body = c.body;
    call.flags = c.flags;
    Exchange result = perform(call);
    EXPECT_EQ(result.sent, c.sent);
    EXPECT_EQ(result.body, c.finalBody);
    std::vector<std::string> methods;
    for (const RecordedRequest& r : server.requests())
        methods.push_back(r.method);
    EXPECT_EQ(methods, c.methods);
    ASSERT_FALSE(server.requests().empty());
    EXPECT_EQ(server.requests().back().body, c.lastBody);
}

std::vector<std::string> getTimes(std::size_t n) {
    return std::vector<std::string>(n, "GET");
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetRedirectTest,
    ::testing::Values(
        RedirectCase{"Followed", 302, 2, "GET", "", kPlain, true, "final", getTimes(3), ""},
        RedirectCase{"Suppressed", 302, 2, "GET", "", kPlain | INTERNET_FLAG_NO_AUTO_REDIRECT, true,
                     "moved", getTimes(1), ""},
        RedirectCase{"PostBecomesGetAfter302",
                     302,
                     1,
                     "POST",
                     "a=1",
                     kPlain,
                     true,
                     "final",
                     {"POST", "GET"},
                     ""},
        RedirectCase{"PostBecomesGetAfter303",
                     303,
                     1,
                     "POST",
                     "a=1",
                     kPlain,
                     true,
                     "final",
                     {"POST", "GET"},
                     ""},
        RedirectCase{"PostRepeatedAfter307",
                     307,
                     1,
                     "POST",
                     "a=1",
                     kPlain,
                     true,
                     "final",
                     {"POST", "POST"},
                     "a=1"},
        RedirectCase{
            "PutKeptAfter301", 301, 1, "PUT", "p", kPlain, true, "final", {"PUT", "PUT"}, "p"},
        RedirectCase{"TwentyFollowed", 302, 20, "GET", "", kPlain, true, "final", getTimes(21), ""},
        RedirectCase{"LoopFails", 302, 21, "GET", "", kPlain, false, "", getTimes(21), ""}),
    [](const auto& info) { return info.param.name; });

TEST(InetRedirect, CookieAndAuthorizationLinesStayWithTheFirstServer) {
    HttpRecorder other(respondWith(httpResponse(200, "other")));
    HttpRecorder first(respondWith(httpResponse(302, "", {"Location: " + other.url("/o")})));
    Call call = callTo(first, "/f");
    call.headerText = "Cookie: secret=1\r\nAuthorization: Basic eDp5\r\nX-Kept: yes";
    Exchange result = perform(call);
    ASSERT_TRUE(result.sent);
    EXPECT_EQ(result.body, "other");
    const RecordedRequest toFirst = first.requests().at(0);
    EXPECT_EQ(toFirst.header("Cookie"), "secret=1");
    const RecordedRequest toOther = other.requests().at(0);
    EXPECT_EQ(toOther.headerCount("Cookie"), 0);
    EXPECT_EQ(toOther.headerCount("Authorization"), 0);
    EXPECT_EQ(toOther.header("X-Kept"), "yes");
}

struct RefusedRedirectCase {
    const char* name;
    std::string location;  // "FTP" stands for an ftp:// URL on a loopback port that listens
    std::uint32_t flags;
};

void PrintTo(const RefusedRedirectCase& c, std::ostream* os) {
    *os << c.name;
}

class InetRefusedRedirectTest : public ::testing::TestWithParam<RefusedRedirectCase> {};

TEST_P(InetRefusedRedirectTest, NotFollowedAndTheRedirectIsTheResponse) {
    HttpRecorder bystander(respondWith("220 ready\r\n"));
    std::string location = GetParam().location;
    if (location == "FTP")
        location = "ftp://127.0.0.1:" + std::to_string(bystander.port()) + "/x";
    HttpRecorder server(respondWith(httpResponse(302, "moved", {"Location: " + location})));
    Call call = callTo(server, "/r");
    call.flags = GetParam().flags;
    Exchange result = perform(call);
    ASSERT_TRUE(result.sent);
    EXPECT_EQ(result.body, "moved");
    ASSERT_TRUE(result.rawHeaders);
    EXPECT_TRUE(result.rawHeaders->starts_with("HTTP/1.1 302"));
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(bystander.connections(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetRefusedRedirectTest,
    ::testing::Values(RefusedRedirectCase{"File", "file:///etc/passwd", kPlain},
                      RefusedRedirectCase{"Ftp", "FTP", kPlain},
                      RefusedRedirectCase{"HttpsWithoutPermission", "https://127.0.0.1:1/x",
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_COOKIES}),
    [](const auto& info) { return info.param.name; });

// --- where the request goes: proxy, host, port, scheme ---

struct ProxyCase {
    const char* name;
    std::string proxyList;  // "%" stands for the recorder's host:port
    std::string host;       // "%" stands for the recorder's host (direct access)
    std::string target;     // as the recorder sees it
};

void PrintTo(const ProxyCase& c, std::ostream* os) {
    *os << c.name;
}

class InetProxyTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(InetProxyTest, HttpRequestsGoThroughTheListedServerWithAnAbsoluteTarget) {
    HttpRecorder recorder(respondWith(httpResponse(200, "via")));
    std::string list = GetParam().proxyList;
    if (auto at = list.find('%'); at != std::string::npos)
        list.replace(at, 1, recorder.hostPort());
    Call call;
    call.proxyList = list;
    call.object = "/p/a b.jpg?x=1";
    bool direct = GetParam().host == "%";
    call.host = direct ? "127.0.0.1" : GetParam().host;
    call.port = direct ? recorder.port() : 0;
    call.headerText = "X-A: 1";
    Exchange result = perform(call);
    ASSERT_TRUE(result.sent);
    EXPECT_EQ(result.body, "via");
    const RecordedRequest seen = recorder.requests().at(0);
    std::string host = direct ? recorder.hostPort() : GetParam().host;
    EXPECT_EQ(seen.raw, "GET " + GetParam().target + " HTTP/1.1\r\nHost: " + host +
                            "\r\nUser-Agent: agent/1\r\nX-A: 1\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetProxyTest,
    ::testing::Values(
        ProxyCase{"HttpEntry", "http=%", "photos.example", "http://photos.example/p/a%20b.jpg?x=1"},
        ProxyCase{"HttpEntryWithScheme", "http=http://%", "photos.example",
                  "http://photos.example/p/a%20b.jpg?x=1"},
        ProxyCase{"AmongOtherEntries", "ftp=10.0.0.1:21 http=%;https=10.0.0.2:443",
                  "photos.example", "http://photos.example/p/a%20b.jpg?x=1"},
        ProxyCase{"BareEntry", "%", "photos.example", "http://photos.example/p/a%20b.jpg?x=1"},
        ProxyCase{"EmptyServerMeansDirect", "http=", "%", "/p/a%20b.jpg?x=1"},
        ProxyCase{"OtherSchemesOnlyMeansDirect", "ftp=10.0.0.1:21", "%", "/p/a%20b.jpg?x=1"}),
    [](const auto& info) { return info.param.name; });

TEST(InetProxy, RedirectedRequestsKeepTheAbsoluteTarget) {
    HttpRecorder proxy([](const RecordedRequest& request) {
        if (request.target == "http://photos.example/a")
            return httpResponse(302, "", {"Location: /b"});
        return httpResponse(200, "at b");
    });
    Call call;
    call.proxyList = "http=" + proxy.hostPort();
    call.host = "photos.example";
    call.object = "/a";
    Exchange result = perform(call);
    ASSERT_TRUE(result.sent);
    EXPECT_EQ(result.body, "at b");
    ASSERT_EQ(proxy.requests().size(), 2u);
    EXPECT_EQ(proxy.requests()[1].target, "http://photos.example/b");
}

// Proxy settings of the environment play no part: direct access stays direct, and a proxy list
// with an empty bypass list sends every http request through its server.
struct ProxyEnvironmentCase {
    const char* name;
    const char* variable;
    bool proxyList;  // the session names the proxy recorder; else direct access
};

void PrintTo(const ProxyEnvironmentCase& c, std::ostream* os) {
    *os << c.name;
}

class InetProxyEnvironmentTest : public ::testing::TestWithParam<ProxyEnvironmentCase> {};

TEST_P(InetProxyEnvironmentTest, IsIgnored) {
    HttpRecorder origin(respondWith(httpResponse(200, "origin")));
    HttpRecorder proxy(respondWith(httpResponse(200, "proxy")));
    const std::string proxyUrl = "http://" + proxy.hostPort();
    ScopedEnvironment variable(GetParam().variable,
                               GetParam().proxyList ? std::string("*") : proxyUrl);
    Call call = callTo(origin, "/e");
    if (GetParam().proxyList)
        call.proxyList = "http=" + proxy.hostPort();
    Exchange result = perform(call);
    EXPECT_TRUE(result.sent);
    EXPECT_EQ(result.body, GetParam().proxyList ? "proxy" : "origin");
    EXPECT_EQ(proxy.requests().size(), GetParam().proxyList ? 1u : 0u);
    EXPECT_EQ(origin.requests().size(), GetParam().proxyList ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetProxyEnvironmentTest,
    ::testing::Values(ProxyEnvironmentCase{"HttpProxyLowerCase", "http_proxy", false},
                      ProxyEnvironmentCase{"HttpProxyUpperCase", "HTTP_PROXY", false},
                      ProxyEnvironmentCase{"AllProxy", "ALL_PROXY", false},
                      ProxyEnvironmentCase{"NoProxyLowerCase", "no_proxy", true},
                      ProxyEnvironmentCase{"NoProxyUpperCase", "NO_PROXY", true}),
    [](const auto& info) { return info.param.name; });

TEST(InetProxy, HttpsRequestsGoDirect) {
    HttpRecorder proxy(respondWith(httpResponse(200, "via proxy")));
    FirstBytesRecorder origin;
    ScopedEnvironment seam("QZONE_ALBUM_CONNECT_TO",
                           "photos.example:443:127.0.0.1:" + std::to_string(origin.port()));
    Call call;
    call.proxyList = "http=" + proxy.hostPort();
    call.host = "photos.example";
    call.flags = INTERNET_FLAG_SECURE;
    EXPECT_FALSE(perform(call).sent);
    EXPECT_EQ(proxy.connections(), 0);
    EXPECT_EQ(origin.received().size(), 1u);
}

struct PortCase {
    const char* name;
    std::uint32_t flags;
    int port;
    std::string mappedPort;  // the port the connect-to seam redirects to the recorder
    bool tls;
};

void PrintTo(const PortCase& c, std::ostream* os) {
    *os << c.name;
}

class InetPortAndSchemeTest : public ::testing::TestWithParam<PortCase> {};

TEST_P(InetPortAndSchemeTest, DefaultPortPerSchemeAndTlsForSecure) {
    FirstBytesRecorder recorder;
    ScopedEnvironment seam("QZONE_ALBUM_CONNECT_TO",
                           "photos.example:" + GetParam().mappedPort +
                               ":127.0.0.1:" + std::to_string(recorder.port()));
    Call call;
    call.host = "photos.example";
    call.port = GetParam().port;
    call.object = "/x";
    call.flags = GetParam().flags;
    Exchange result = perform(call);
    // The recorder answers nothing: a clean failure either way.
    EXPECT_FALSE(result.sent);
    EXPECT_EQ(result.body, "");
    EXPECT_FALSE(result.rawHeaders);
    std::vector<std::string> received = recorder.received();
    ASSERT_EQ(received.size(), 1u);
    ASSERT_GE(received[0].size(), 3u);
    if (GetParam().tls) {
        EXPECT_EQ(received[0][0], '\x16');  // TLS handshake record
        EXPECT_EQ(received[0][1], '\x03');
    } else {
        EXPECT_TRUE(received[0].starts_with("GET /x HTTP/1.1\r\nHost: photos.example"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetPortAndSchemeTest,
    ::testing::Values(PortCase{"HttpDefault", kPlain, 80, "80", false},
                      PortCase{"HttpPortZero", kPlain, 0, "80", false},
                      PortCase{"HttpsDefault", INTERNET_FLAG_SECURE, 443, "443", true},
                      PortCase{"HttpsPortZero", INTERNET_FLAG_SECURE, 0, "443", true},
                      PortCase{"HttpsNamedPort", INTERNET_FLAG_SECURE, 8443, "8443", true},
                      PortCase{"HttpsIgnoresHttpProxyFlagsOfItsOwn",
                               INTERNET_FLAG_SECURE | INTERNET_FLAG_RELOAD |
                                   INTERNET_FLAG_NO_AUTO_REDIRECT,
                               443, "443", true}),
    [](const auto& info) { return info.param.name; });

TEST(InetRedirect, FromHttpToHttpsFollowedWhenAllowed) {
    FirstBytesRecorder secure;
    ScopedEnvironment seam("QZONE_ALBUM_CONNECT_TO",
                           "secure.example:443:127.0.0.1:" + std::to_string(secure.port()));
    HttpRecorder server(respondWith(httpResponse(302, "", {"Location: https://secure.example/y"})));
    Exchange result = perform(callTo(server, "/r"));
    EXPECT_FALSE(result.sent);  // the TLS handshake finds no TLS server
    ASSERT_EQ(secure.received().size(), 1u);
    EXPECT_EQ(secure.received()[0].substr(0, 1), "\x16");
}

// --- handles that cannot be opened, sends that fail ---

TEST(InetOpen, RefusesWhatCannotNameARequest) {
    auto direct = Session::open(kAgent, INTERNET_OPEN_TYPE_DIRECT, std::nullopt, std::nullopt);
    ASSERT_TRUE(direct);
    EXPECT_FALSE(Session::open(kAgent, INTERNET_OPEN_TYPE_PROXY, std::nullopt, ""));
    EXPECT_FALSE(Session::open(kAgent, 0, std::nullopt, std::nullopt));
    EXPECT_FALSE(Connection::open(*direct, "", 80));
    EXPECT_FALSE(Connection::open(*direct, "a.example", -1));
    EXPECT_FALSE(Connection::open(*direct, "a.example", 65536));
    EXPECT_FALSE(Connection::open(*direct, "a.example", 80, 1));
    auto connection = Connection::open(*direct, "a.example", 80);
    ASSERT_TRUE(connection);
    EXPECT_FALSE(Request::open(*connection, "GE T", "/", "HTTP/1.1", kPlain));
    EXPECT_FALSE(Request::open(*connection, "GET\r\nX: 1", "/", "HTTP/1.1", kPlain));
    EXPECT_FALSE(Request::open(*connection, "GET", "/", "HTTP/2", kPlain));
    EXPECT_TRUE(Request::open(*connection, "GET", "/", "HTTP/1.0", kPlain));
}

struct FailedSendCase {
    const char* name;
    std::function<std::string(const RecordedRequest&)> respond;  // empty: nobody listens
    std::string host = "127.0.0.1";
};

void PrintTo(const FailedSendCase& c, std::ostream* os) {
    *os << c.name;
}

class InetFailedSendTest : public ::testing::TestWithParam<FailedSendCase> {};

TEST_P(InetFailedSendTest, LeavesNoBodyAndNoHeaders) {
    std::optional<HttpRecorder> server;
    Call call;
    call.host = GetParam().host;
    call.port = fixtures::unusedLoopbackPort();
    if (GetParam().respond) {
        server.emplace(GetParam().respond);
        call.port = server->port();
    }
    Exchange result = perform(call);
    ASSERT_TRUE(result.opened);
    EXPECT_FALSE(result.sent);
    EXPECT_EQ(result.body, "");
    EXPECT_FALSE(result.rawHeaders);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetFailedSendTest,
    ::testing::Values(
        FailedSendCase{"NobodyListens", {}},
        FailedSendCase{"HostWithQueryCharacters", {}, "a.example?x=1"},
        FailedSendCase{"HostWithGbkBytes", {}, "\xCF\xE0\xB2\xE1.example"},
        FailedSendCase{"BodyCutShort",
                       [](const RecordedRequest&) {
                           return "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly ten b";
                       }},
        FailedSendCase{"ClosedWithoutResponse", [](const RecordedRequest&) { return ""; }},
        FailedSendCase{"NotHttp", [](const RecordedRequest&) { return "SSH-2.0-x\r\n"; }}),
    [](const auto& info) { return info.param.name; });

TEST(InetSilentServer, IdleTimeoutEndsTheSend) {
    fixtures::LoopbackServer server(
        [](fixtures::Connection& connection, fixtures::LoopbackServer& self) {
            connection.readRequest();
            self.waitForStop(std::chrono::minutes(5));
        });
    ScopedEnvironment idle("QZONE_ALBUM_IDLE_TIMEOUT_MS", "1000");
    Call call;
    call.port = server.port();
    auto started = std::chrono::steady_clock::now();
    Exchange result = perform(call);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_FALSE(result.sent);
    EXPECT_EQ(result.body, "");
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::seconds(15));
}

TEST(InetSilentServer, CancelFlagEndsTheSendSoon) {
    fixtures::LoopbackServer server(
        [](fixtures::Connection& connection, fixtures::LoopbackServer& self) {
            connection.readRequest();
            self.waitForStop(std::chrono::minutes(5));
        });
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    Call call;
    call.port = server.port();
    call.cancel = &cancel;
    auto started = std::chrono::steady_clock::now();
    Exchange result = perform(call);
    auto took = std::chrono::steady_clock::now() - started;
    canceller.join();
    EXPECT_FALSE(result.sent);
    EXPECT_LT(took, std::chrono::seconds(10));  // the idle limit would be 30 s
}

// --- the process-wide cookie store ---

// Each test uses cookie names of its own: the store lives as long as the process.
std::optional<std::string> cookieSent(const HttpRecorder& server, std::uint32_t flags,
                                      const std::string& object = "/c") {
    Call call = callTo(server, object);
    call.flags = flags;
    EXPECT_TRUE(perform(call).sent);
    return server.requests().back().header("Cookie");
}

constexpr std::uint32_t kWithStore = kPlain & ~INTERNET_FLAG_NO_COOKIES;

TEST(InetCookieStore, SetCookieIsSentOnlyByRequestsThatUseTheStore) {
    HttpRecorder server(respondWith(httpResponse(200, "")));
    ASSERT_TRUE(setCookie("http://127.0.0.1", "store_a", "1; path=/store_a"));
    EXPECT_EQ(cookieSent(server, kWithStore, "/store_a"), "store_a=1");
    EXPECT_EQ(cookieSent(server, kPlain, "/store_a"), std::nullopt);
}

TEST(InetCookieStore, ResponseCookiesKeptOnlyWithoutNoCookies) {
    HttpRecorder server([](const RecordedRequest& request) {
        if (request.target == "/set-kept")
            return httpResponse(200, "", {"Set-Cookie: store_kept=1; path=/kept"});
        if (request.target == "/set-ignored")
            return httpResponse(200, "", {"Set-Cookie: store_ignored=1; path=/kept"});
        return httpResponse(200, "");
    });
    cookieSent(server, kWithStore, "/set-kept");
    cookieSent(server, kPlain, "/set-ignored");
    EXPECT_EQ(cookieSent(server, kWithStore, "/kept/x"), "store_kept=1");
}

struct SetCookieCase {
    const char* name;
    std::string url;
    std::string cookieName;
    std::string data;
    bool accepted;
    std::string object;                     // requested from 127.0.0.1 afterwards
    std::optional<std::string> cookieLine;  // what that request carries
};

void PrintTo(const SetCookieCase& c, std::ostream* os) {
    *os << c.name;
}

class InetSetCookieTest : public ::testing::TestWithParam<SetCookieCase> {};

TEST_P(InetSetCookieTest, StoredForTheUrlsHostWithItsAttributes) {
    const SetCookieCase& c = GetParam();
    HttpRecorder server(respondWith(httpResponse(200, "")));
    EXPECT_EQ(setCookie(c.url, c.cookieName, c.data), c.accepted);
    EXPECT_EQ(cookieSent(server, kWithStore, c.object), c.cookieLine);
}

INSTANTIATE_TEST_SUITE_P(
    Inet, InetSetCookieTest,
    ::testing::Values(SetCookieCase{"AttributesNotPartOfTheValue", "http://127.0.0.1", "sc_attr",
                                    "v; path=/sc_attr; HttpOnly", true, "/sc_attr/x", "sc_attr=v"},
                      SetCookieCase{"PathLimitsIt", "http://127.0.0.1", "sc_path",
                                    "v; path=/sc_path", true, "/elsewhere", std::nullopt},
                      SetCookieCase{"PortIgnored", "http://127.0.0.1:1/sc_port/", "sc_port", "v",
                                    true, "/sc_port/a", "sc_port=v"},
                      SetCookieCase{"NamelessCarriesItsPair", "http://127.0.0.1", "",
                                    "sc_pair=w; path=/sc_pair", true, "/sc_pair", "sc_pair=w"},
                      SetCookieCase{"OtherHostNotSent", "http://other.example", "sc_other",
                                    "v; path=/sc_other", true, "/sc_other", std::nullopt},
                      SetCookieCase{"ForeignDomainRefused", "http://127.0.0.1", "sc_foreign",
                                    "v; domain=evil.example; path=/sc_foreign", false,
                                    "/sc_foreign", std::nullopt},
                      SetCookieCase{"TopLevelDomainRefused", "http://a.example", "sc_tld",
                                    "v; domain=example", false, "/", std::nullopt},
                      SetCookieCase{"ExpiredIsNotKept", "http://127.0.0.1", "sc_old",
                                    "v; path=/sc_old; expires=Thu, 01-Jan-1970 00:00:01 GMT", true,
                                    "/sc_old", std::nullopt},
                      SetCookieCase{"LineBreakInValueRefused", "http://127.0.0.1", "sc_break",
                                    "v\r\nX: 1; path=/sc_break", false, "/sc_break", std::nullopt},
                      SetCookieCase{"NoHostRefused", "http://", "sc_nohost", "v", false, "/",
                                    std::nullopt}),
    [](const auto& info) { return info.param.name; });

TEST(InetCookieStore, MaxAgeZeroDeletesAStoredCookie) {
    HttpRecorder server(respondWith(httpResponse(200, "")));
    ASSERT_TRUE(setCookie("http://127.0.0.1", "store_gone", "1; path=/store_gone"));
    EXPECT_EQ(cookieSent(server, kWithStore, "/store_gone"), "store_gone=1");
    ASSERT_TRUE(setCookie("http://127.0.0.1", "store_gone", "1; path=/store_gone; max-age=0"));
    EXPECT_EQ(cookieSent(server, kWithStore, "/store_gone"), std::nullopt);
}

TEST(InetCookieStore, SharedSafelyByConcurrentRequests) {
    HttpRecorder server([](const RecordedRequest& request) {
        return httpResponse(200, "",
                            {"Set-Cookie: conc" + request.target.substr(1) + "=1; path=/conc"});
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                Call call = callTo(server, "/" + std::to_string(t * 10 + i));
                call.flags = kWithStore;
                perform(call);
                setCookie("http://127.0.0.1", "concset" + std::to_string(t * 10 + i),
                          "1; path=/conc");
            }
        });
    for (auto& t : threads)
        t.join();
    std::optional<std::string> cookies = cookieSent(server, kWithStore, "/conc");
    ASSERT_TRUE(cookies);
    for (int n = 0; n < 40; ++n) {
        EXPECT_NE(cookies->find("conc" + std::to_string(n) + "=1"), std::string::npos) << n;
        EXPECT_NE(cookies->find("concset" + std::to_string(n) + "=1"), std::string::npos) << n;
    }
}

}  // namespace
