// The direct request against real servers on 127.0.0.1: the exact request bytes it sends, what
// it hands back through its in/out parameters, and its failures.
#include "http/direct_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tests/fixtures/http_recorder.h"
#include "text/gbk_literal.h"

namespace {

using fixtures::FirstBytesRecorder;
using fixtures::HttpRecorder;
using fixtures::httpResponse;
using fixtures::RecordedRequest;
using fixtures::respondWith;
using fixtures::ScopedEnvironment;

const std::string kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Qelt; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
const std::string kDefaultLines =
    "Accept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded";
const std::string kSpaces(5000, ' ');

// Replaces every "{NAME}" in `text` by its value.
std::string expand(std::string text, const std::vector<std::pair<std::string, std::string>>& vars) {
    for (const auto& [name, value] : vars) {
        std::string key = "{" + name + "}";
        for (std::size_t at = text.find(key); at != std::string::npos;
             at = text.find(key, at + value.size()))
            text.replace(at, key.size(), value);
    }
    return text;
}

// Every in/out parameter of one call, with the values a test starts from.
struct Arguments {
    int method = 0;
    std::string postText;
    std::string cookies;
    std::string newCookies = "stale";
    std::string headers;
    std::string redirectTarget;
    bool noRedirect = false;
    std::string postBytes;
    std::optional<std::string> proxy;
    std::string rawHeaders = "stale";
};

struct Outcome {
    std::string body;
    Arguments after;
};

Outcome call(const std::string& url, Arguments args) {
    Outcome out;
    out.body = httpRequest(url, args.method, args.postText, &args.cookies, &args.newCookies,
                           &args.headers, &args.redirectTarget, args.noRedirect, &args.postBytes,
                           args.proxy, &args.rawHeaders);
    out.after = std::move(args);
    return out;
}

// --- the request as sent ---

struct WireCase {
    const char* name;
    Arguments args;
    std::string wire;        // {URL}, {HOST} and {UA} stand for the URL, host:port and agent
    std::string headersOut;  // {URL} stands for the URL
    std::string postBytesOut;
};

void PrintTo(const WireCase& c, std::ostream* os) {
    *os << c.name;
}

Arguments withMethod(int method, std::string postText, std::string postBytes = "") {
    Arguments a;
    a.method = method;
    a.postText = std::move(postText);
    a.postBytes = std::move(postBytes);
    return a;
}

Arguments withHeaders(std::string headers, std::string cookies = "") {
    Arguments a;
    a.headers = std::move(headers);
    a.cookies = std::move(cookies);
    return a;
}

const std::string kGetHead = "GET /photo/1.jpg HTTP/1.1\r\nHost: {HOST}\r\n";
const std::string kDefaultsOnWire =
    "Referer: {URL}\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nContent-Type: "
    "application/x-www-form-urlencoded\r\n";

class DirectRequestWireTest : public ::testing::TestWithParam<WireCase> {};

TEST_P(DirectRequestWireTest, SendsTheCompletedHeaderTextAndBody) {
    const WireCase& c = GetParam();
    HttpRecorder server(respondWith(httpResponse(200, "jpeg")));
    const std::string url = server.url("/photo/1.jpg");
    Outcome result = call(url, c.args);
    EXPECT_EQ(result.body, "jpeg");
    std::vector<RecordedRequest> seen = server.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].raw,
              expand(c.wire, {{"URL", url}, {"HOST", server.hostPort()}, {"UA", kDefaultAgent}}));
    EXPECT_EQ(result.after.headers, expand(c.headersOut, {{"URL", url}}));
    EXPECT_EQ(result.after.postBytes, c.postBytesOut);
}

INSTANTIATE_TEST_SUITE_P(
    DirectRequest, DirectRequestWireTest,
    ::testing::Values(
        WireCase{"DownloadLoopCall", Arguments{},
                 kGetHead + "User-Agent: {UA}\r\n" + kDefaultsOnWire + "\r\n",
                 "Referer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{"PostText", withMethod(1, "a=1&b=2"),
                 "POST /photo/1.jpg HTTP/1.1\r\nHost: {HOST}\r\nUser-Agent: {UA}\r\n" +
                     kDefaultsOnWire + "Content-Length: 7\r\n\r\na=1&b=2",
                 "Referer: {URL}\r\n" + kDefaultLines, "a=1&b=2"},
        WireCase{"PostBytesWinOverText", withMethod(1, "ignored", std::string("r\0w", 3)),
                 "POST /photo/1.jpg HTTP/1.1\r\nHost: {HOST}\r\nUser-Agent: {UA}\r\n" +
                     kDefaultsOnWire + "Content-Length: 3\r\n\r\n" + std::string("r\0w", 3),
                 "Referer: {URL}\r\n" + kDefaultLines, std::string("r\0w", 3)},
        WireCase{"EmptyPost", withMethod(1, ""),
                 "POST /photo/1.jpg HTTP/1.1\r\nHost: {HOST}\r\nUser-Agent: {UA}\r\n" +
                     kDefaultsOnWire + "Content-Length: 0\r\n\r\n",
                 "Referer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{
            "MethodTwoIsGetWithBody", withMethod(2, "q=1"),
            kGetHead + "User-Agent: {UA}\r\n" + kDefaultsOnWire + "Content-Length: 3\r\n\r\nq=1",
            "Referer: {URL}\r\n" + kDefaultLines, "q=1"},
        WireCase{"GetIgnoresPostText", withMethod(0, "a=1"),
                 kGetHead + "User-Agent: {UA}\r\n" + kDefaultsOnWire + "\r\n",
                 "Referer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{"CookieLineLast", withHeaders("", "a=1; b=2"),
                 kGetHead + "User-Agent: {UA}\r\n" + kDefaultsOnWire + "Cookie: a=1; b=2\r\n\r\n",
                 "Referer: {URL}\r\n" + kDefaultLines + "\r\nCookie: a=1; b=2", ""},
        WireCase{"LowerCaseAgentAsOnlyLine", withHeaders("user-agent: X"),
                 kGetHead + "user-agent: X\r\n" + kDefaultsOnWire + "\r\n",
                 "user-agent: X\r\nReferer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{"AgentLineFollowedByOthers", withHeaders("User-Agent:  Agent/2 \r\nX-B: 1"),
                 kGetHead + "User-Agent:  Agent/2 \r\nX-B: 1\r\n" + kDefaultsOnWire + "\r\n",
                 "User-Agent:  Agent/2 \r\nX-B: 1\r\nReferer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{"LowerCaseRefererGetsASecondOne", withHeaders("referer: http://r/"),
                 kGetHead + "User-Agent: {UA}\r\nreferer: http://r/\r\n" + kDefaultsOnWire + "\r\n",
                 "referer: http://r/\r\nReferer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{"CallersOwnDefaults",
                 withHeaders("Referer: http://r/\r\nAccept: image/*\r\nContent-Type: text/plain"),
                 kGetHead +
                     "User-Agent: {UA}\r\nReferer: http://r/\r\nAccept: image/*\r\nContent-Type: "
                     "text/plain\r\nAccept-Language: zh-cn\r\n\r\n",
                 "Referer: http://r/\r\nAccept: image/*\r\nContent-Type: "
                 "text/plain\r\nAccept-Language: zh-cn",
                 ""},
        WireCase{"AcceptLanguageDoesNotCountAsAccept", withHeaders("Accept-Language: en"),
                 kGetHead + "User-Agent: {UA}\r\nAccept-Language: en\r\nReferer: {URL}\r\nAccept: "
                            "*/*\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n",
                 "Accept-Language: en\r\nReferer: {URL}\r\nAccept: */*\r\nContent-Type: "
                 "application/x-www-form-urlencoded",
                 ""},
        WireCase{
            "LineFeedInsideAValueMakesNoLine", withHeaders("X-A: 1\nInjected: yes"),
            kGetHead + "User-Agent: {UA}\r\nX-A: 1 Injected: yes\r\n" + kDefaultsOnWire + "\r\n",
            "X-A: 1\nInjected: yes\r\nReferer: {URL}\r\n" + kDefaultLines, ""},
        WireCase{"LineFeedInsideCookiesMakesNoLine", withHeaders("", "a=1\nInjected: yes"),
                 kGetHead + "User-Agent: {UA}\r\n" + kDefaultsOnWire +
                     "Cookie: a=1%0AInjected: yes\r\n\r\n",
                 "Referer: {URL}\r\n" + kDefaultLines + "\r\nCookie: a=1%0AInjected: yes", ""}),
    [](const auto& info) { return info.param.name; });

TEST(DirectRequest, GbkBytesAndSpacesInThePath) {
    HttpRecorder server(respondWith(httpResponse(200, "ok")));
    const std::string path = "/"_gbk + "相册 1/照片.jpg"_gbk;
    ASSERT_TRUE(std::any_of(path.begin(), path.end(), [](char c) { return c & 0x80; }));
    EXPECT_EQ(httpRequest(server.url(path)), "ok");
    EXPECT_EQ(server.requests().at(0).target, "/"_gbk + "相册%201/照片.jpg"_gbk);
}

// --- what comes back ---

struct ResponseCase {
    const char* name;
    std::vector<std::string> responseLines;
    std::string cookiesIn;
    std::string redirectIn;
    std::string newCookies;
    std::string cookiesOut;
    std::string redirectOut;  // {RAW} stands for the raw header block
};

void PrintTo(const ResponseCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectRequestResponseTest : public ::testing::TestWithParam<ResponseCase> {};

TEST_P(DirectRequestResponseTest, CookiesAndRedirectTargetFromTheHeaders) {
    const ResponseCase& c = GetParam();
    const std::string response = httpResponse(302, "body", c.responseLines);
    HttpRecorder server(respondWith(response));
    Arguments args;
    args.cookies = c.cookiesIn;
    args.redirectTarget = c.redirectIn;
    args.noRedirect = true;
    Outcome result = call(server.url("/r"), args);
    EXPECT_EQ(result.body, "body");
    const std::string block = response.substr(0, response.find("\r\n\r\n") + 4);
    EXPECT_EQ(result.after.rawHeaders, block);
    EXPECT_EQ(result.after.newCookies, c.newCookies);
    EXPECT_EQ(result.after.cookies, c.cookiesOut);
    EXPECT_EQ(result.after.redirectTarget, expand(c.redirectOut, {{"RAW", block}}));
}

INSTANTIATE_TEST_SUITE_P(
    DirectRequest, DirectRequestResponseTest,
    ::testing::Values(
        ResponseCase{"CookiesMergedNewestFirst",
                     {"Set-Cookie: a=1; path=/", "Set-Cookie: b=2; path=/"},
                     "a=0; c=3",
                     "",
                     "a=1;b=2",
                     "a=1; b=2; c=3",
                     "{RAW}"},
        ResponseCase{"CookieWithoutSemicolonIsEmpty", {"Set-Cookie: a=1"}, "", "", "", "", "{RAW}"},
        ResponseCase{"DeletedCookieDropped",
                     {"Set-Cookie: a=deleted; expires=Thu, 01-Jan-1970 00:00:01 GMT"},
                     "a=1; b=2",
                     "",
                     "a=deleted",
                     "b=2",
                     "{RAW}"},
        ResponseCase{"LocationCaptured",
                     {"Location: http://x.example/y?z=1"},
                     "",
                     "",
                     "",
                     "",
                     "http://x.example/y?z=1"},
        ResponseCase{"ContentLocationLastWins",
                     {"Location: /first", "Content-Location: /second"},
                     "",
                     "",
                     "",
                     "",
                     "/second"},
        ResponseCase{"TargetKeptWithoutLocation", {"X-A: 1"}, "", "entry", "", "", "entry"},
        ResponseCase{"CookieSpacesRemoved",
                     {"Set-Cookie: x=a b c; path=/"},
                     "y = 1",
                     "",
                     "x=abc",
                     "x=abc; y=1",
                     "{RAW}"}),
    [](const auto& info) { return info.param.name; });

TEST(DirectRequest, FollowsRedirectsAndReportsTheFinalResponse) {
    HttpRecorder server([](const RecordedRequest& request) {
        if (request.target == "/start")
            return httpResponse(302, "moved", {"Location: /final", "Set-Cookie: hop=1; path=/"});
        return httpResponse(200, "final", {"Set-Cookie: end=2; path=/"});
    });
    Arguments args;
    Outcome result = call(server.url("/start"), args);
    EXPECT_EQ(result.body, "final");
    EXPECT_TRUE(result.after.rawHeaders.starts_with("HTTP/1.1 200"));
    EXPECT_EQ(result.after.redirectTarget, result.after.rawHeaders);
    EXPECT_EQ(result.after.cookies, "end=2");
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].header("Referer"), server.url("/start"));
}

struct RefusedCase {
    const char* name;
    std::string location;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectRequestRefusedRedirectTest : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(DirectRequestRefusedRedirectTest, NotFollowedAndTheTargetIsReported) {
    HttpRecorder server(
        respondWith(httpResponse(302, "moved", {"Location: " + GetParam().location})));
    Arguments args;
    Outcome result = call(server.url("/r"), args);
    EXPECT_EQ(result.body, "moved");
    EXPECT_EQ(result.after.redirectTarget, GetParam().location);
    EXPECT_EQ(server.requests().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(DirectRequest, DirectRequestRefusedRedirectTest,
                         ::testing::Values(RefusedCase{"File", "file:///etc/passwd"},
                                           RefusedCase{"Ftp", "ftp://127.0.0.1:21/x"},
                                           RefusedCase{"Gopher", "gopher://127.0.0.1/x"}),
                         [](const auto& info) { return info.param.name; });

TEST(DirectRequest, BodyWithZeroBytesAndOfSeveralMegabytesComesBackWhole) {
    std::string body(3'000'000, '\0');
    for (std::size_t i = 0; i < body.size(); i += 3)
        body[i] = static_cast<char>(i % 256);
    HttpRecorder server(respondWith(httpResponse(200, body)));
    EXPECT_EQ(httpRequest(server.url("/big")), body);
}

// --- raw header buffer ---

struct HeaderSizeCase {
    const char* name;
    std::size_t blockSize;  // the whole header block, empty line included
    bool captured;
};

void PrintTo(const HeaderSizeCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectRequestHeaderSizeTest : public ::testing::TestWithParam<HeaderSizeCase> {};

TEST_P(DirectRequestHeaderSizeTest, BlockAndNulMustFitFiveThousandBytes) {
    const std::string head = "HTTP/1.1 200 OK\r\nSet-Cookie: big=1; path=/\r\nX-Pad: ";
    const std::string tail = "\r\nContent-Length: 4\r\n\r\n";
    const std::string block =
        head + std::string(GetParam().blockSize - head.size() - tail.size(), 'p') + tail;
    ASSERT_EQ(block.size(), GetParam().blockSize);
    HttpRecorder server(respondWith(block + "data"));
    Arguments args;
    Outcome result = call(server.url("/h"), args);
    EXPECT_EQ(result.body, "data");
    if (GetParam().captured) {
        EXPECT_EQ(result.after.rawHeaders, block);
        EXPECT_EQ(result.after.cookies, "big=1");
    } else {
        EXPECT_EQ(result.after.rawHeaders, kSpaces);
        EXPECT_EQ(result.after.redirectTarget, kSpaces);
        EXPECT_EQ(result.after.newCookies, "");
        EXPECT_EQ(result.after.cookies, "");
    }
}

INSTANTIATE_TEST_SUITE_P(DirectRequest, DirectRequestHeaderSizeTest,
                         ::testing::Values(HeaderSizeCase{"Small", 200, true},
                                           HeaderSizeCase{"FitsWithItsNul", 4999, true},
                                           HeaderSizeCase{"NoRoomForTheNul", 5000, false},
                                           HeaderSizeCase{"Large", 20000, false}),
                         [](const auto& info) { return info.param.name; });

// --- proxy ---

struct ProxyCase {
    const char* name;
    bool useProxyServer;  // proxy present and naming the recorder; else `proxy` as given
    std::optional<std::string> proxy;
    bool viaProxy;
};

void PrintTo(const ProxyCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectRequestProxyTest : public ::testing::TestWithParam<ProxyCase> {};

TEST_P(DirectRequestProxyTest, PresentProxyCarriesTheRequest) {
    HttpRecorder server(respondWith(httpResponse(200, "ok")));
    Arguments args;
    args.proxy = GetParam().useProxyServer ? std::optional(server.hostPort()) : GetParam().proxy;
    // Through the proxy the host need not resolve; directly it must be the recorder.
    const std::string url =
        GetParam().viaProxy ? "http://photos.example/a b.jpg" : server.url("/a b.jpg");
    Outcome result = call(url, args);
    EXPECT_EQ(result.body, "ok");
    const RecordedRequest seen = server.requests().at(0);
    EXPECT_EQ(seen.target, GetParam().viaProxy ? "http://photos.example/a%20b.jpg" : "/a%20b.jpg");
    EXPECT_EQ(seen.header("Referer"), url);
    EXPECT_EQ(seen.headerCount("Proxy-Connection"), 0);
}

INSTANTIATE_TEST_SUITE_P(DirectRequest, DirectRequestProxyTest,
                         ::testing::Values(ProxyCase{"Present", true, std::nullopt, true},
                                           ProxyCase{"PresentButEmpty", false, "", false},
                                           ProxyCase{"Absent", false, std::nullopt, false}),
                         [](const auto& info) { return info.param.name; });

// --- https ---

struct SchemeCase {
    const char* name;
    std::string url;
    std::string mappedPort;
};

void PrintTo(const SchemeCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectRequestHttpsTest : public ::testing::TestWithParam<SchemeCase> {};

TEST_P(DirectRequestHttpsTest, TlsToTheSchemePortUnlessNamedAndCleanFailure) {
    FirstBytesRecorder recorder;
    ScopedEnvironment seam("QZONE_ALBUM_CONNECT_TO",
                           "photos.example:" + GetParam().mappedPort +
                               ":127.0.0.1:" + std::to_string(recorder.port()));
    Arguments args;
    args.cookies = "a=1;b=2";
    Outcome result = call(GetParam().url, args);
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.after.rawHeaders, kSpaces);
    EXPECT_EQ(result.after.redirectTarget, kSpaces);
    EXPECT_EQ(result.after.cookies, "a=1; b=2");
    ASSERT_EQ(recorder.received().size(), 1u);
    EXPECT_EQ(recorder.received()[0].substr(0, 2), "\x16\x03");  // a TLS ClientHello
}

INSTANTIATE_TEST_SUITE_P(
    DirectRequest, DirectRequestHttpsTest,
    ::testing::Values(SchemeCase{"DefaultPort", "https://photos.example/x.jpg", "443"},
                      SchemeCase{"UpperCaseScheme", "HTTPS://Photos.Example/x.jpg", "443"},
                      SchemeCase{"NamedPort", "https://photos.example:8443/x.jpg", "8443"}),
    [](const auto& info) { return info.param.name; });

// --- failures ---

TEST(DirectRequest, UnreachableServerLeavesPreparedBuffers) {
    const std::string url =
        "http://127.0.0.1:" + std::to_string(fixtures::unusedLoopbackPort()) + "/photo.jpg";
    Arguments args;
    args.method = 1;
    args.postText = "a=1";
    args.cookies = "x = 1 ;y=2";
    Outcome result = call(url, args);
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.after.rawHeaders, kSpaces);
    EXPECT_EQ(result.after.redirectTarget, kSpaces);
    EXPECT_EQ(result.after.newCookies, "");
    EXPECT_EQ(result.after.cookies, "x=1; y=2");
    EXPECT_EQ(result.after.headers,
              "Referer: " + url + "\r\n" + kDefaultLines + "\r\nCookie: x = 1 ;y=2");
    EXPECT_EQ(result.after.postBytes, "a=1");
}

TEST(DirectRequest, SilentServerEndsWithinTheIdleTimeout) {
    fixtures::LoopbackServer server(
        [](fixtures::Connection& connection, fixtures::LoopbackServer& self) {
            connection.readRequest();
            self.waitForStop(std::chrono::minutes(5));
        });
    ScopedEnvironment idle("QZONE_ALBUM_IDLE_TIMEOUT_MS", "1000");
    auto started = std::chrono::steady_clock::now();
    Arguments args;
    Outcome result = call(server.url("/slow.jpg"), args);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.after.rawHeaders, kSpaces);
    EXPECT_LT(took, std::chrono::seconds(15));
}

struct SetupFailureCase {
    const char* name;
    std::string url;
};

void PrintTo(const SetupFailureCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectRequestSetupFailureTest : public ::testing::TestWithParam<SetupFailureCase> {};

TEST_P(DirectRequestSetupFailureTest, TouchesNoParameter) {
    Arguments args;
    args.method = 1;
    args.postText = "p=1";
    args.cookies = "a = 1";
    args.newCookies = "n";
    args.headers = "X-A: 1";
    args.redirectTarget = "";
    args.rawHeaders = "r";
    Outcome result = call(GetParam().url, args);
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(result.after.cookies, "a = 1");
    EXPECT_EQ(result.after.newCookies, "n");
    EXPECT_EQ(result.after.headers, "X-A: 1");
    EXPECT_EQ(result.after.redirectTarget, "");
    EXPECT_EQ(result.after.postBytes, "");
    EXPECT_EQ(result.after.rawHeaders, "r");
}

INSTANTIATE_TEST_SUITE_P(
    DirectRequest, DirectRequestSetupFailureTest,
    ::testing::Values(SetupFailureCase{"EmptyUrl", ""}, SetupFailureCase{"NoHost", "http:///x.jpg"},
                      SetupFailureCase{"PortTooLarge", "http://a.example:70000/x.jpg"},
                      SetupFailureCase{"NegativePort", "http://a.example:-1/x.jpg"}),
    [](const auto& info) { return info.param.name; });

TEST(DirectRequest, AbsentParametersAreOptional) {
    HttpRecorder server(respondWith(httpResponse(200, "ok", {"Set-Cookie: a=1; path=/"})));
    EXPECT_EQ(httpRequest(server.url("/x"), 1, "a=1"), "ok");
    EXPECT_EQ(server.requests().at(0).body, "a=1");
}

}  // namespace

// A photo URL comes from the server's photo list: line breaks inside it must not turn into
// header lines of their own, neither in the Referer line nor through the cookie text.
TEST(DirectRequestInjection, LineBreaksInUrlOrCookiesAddNoHeaderLine) {
    HttpRecorder server(respondWith(httpResponse(200, "ok")));
    Arguments args;
    args.cookies = "a=1\r\nX-Cookie-Injected: 1";
    Outcome out = call(server.url("/p.jpg?x=1\r\nX-Injected: 1"), args);
    ASSERT_EQ(out.body, "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].headerCount("X-Injected"), 0);
    EXPECT_EQ(requests[0].headerCount("X-Cookie-Injected"), 0);
    EXPECT_EQ(requests[0].headerCount("Referer"), 1);
    EXPECT_NE(requests[0].header("Referer")->find("%0D%0AX-Injected"), std::string::npos);
}
