#include "http/request_worker.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/memory_file.h"
#include "tests/fixtures/http_recorder.h"
#include "tests/fixtures/loopback_server.h"
#include "tests/http/named_host.h"
#include "text/gbk_literal.h"

namespace {

using fixtures::HttpRecorder;
using fixtures::httpResponse;
using fixtures::RecordedRequest;
using fixtures::respondWith;
using fixtures::ScopedEnvironment;
namespace member = timed_record;

const std::string kDefaultAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
const std::string kDefaultAccept =
    "image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*";

struct RecordInput {
    std::string url{};
    std::string method = "GET";
    std::string proxy{};
    std::string headers{};
    std::string body{};
    std::string cookies{};
    std::string followRedirects = "真"_gbk;
};

TimedRequestRecord makeRecord(const RecordInput& in) {
    return {in.url, in.method, in.proxy, in.headers, in.body, in.cookies, in.followRedirects};
}

// Runs the worker on the record as the timed request does and returns what it wrote back.
std::optional<TimedRequestRecord> runWorker(const TimedRequestRecord& record) {
    auto file = platform::MemoryFile::open();
    file->writeArray(record);
    requestWorker(file);
    file->moveToStart();
    return file->readArray();
}

TEST(RequestWorker, RouteLookupRecordSendsExactlyTheDefaultHeaders) {
    HttpRecorder server(respondWith(httpResponse(200, "route-body")));
    NamedHost host("route.worker.test", server.port());
    const std::string url = host.url("/cgi-bin/route?uin=10001&t=1");

    auto back = runWorker(makeRecord({.url = url}));

    ASSERT_EQ(server.requests().size(), 1u);
    const std::string port = std::to_string(server.port());
    EXPECT_EQ(server.requests()[0].raw,
              "GET /cgi-bin/route?uin=10001&t=1 HTTP/1.1\r\n"
              "Host: route.worker.test:" +
                  port + "\r\nUser-Agent: " + kDefaultAgent + "\r\nAccept: " + kDefaultAccept +
                  "\r\nReferer: " + url +
                  "\r\n"
                  "Accept-Language: zh-cn\r\n\r\n");
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 7u);
    EXPECT_EQ((*back)[member::kBody], "route-body");
    EXPECT_EQ((*back)[member::kNewCookies], "");
    EXPECT_EQ((*back)[member::kRawHeaders],
              "HTTP/1.1 200 Status\r\nConnection: close\r\nContent-Length: 10\r\n\r\n");
    // The members that are only read come back as they were written.
    EXPECT_EQ((*back)[member::kProxy], "");
    EXPECT_EQ((*back)[member::kHeaders], "");
    EXPECT_EQ((*back)[member::kPostBody], "");
    EXPECT_EQ((*back)[member::kFollowRedirects], "真"_gbk);
}

// Records shorter than seven members are padded with empty members (no redirect following,
// since only "真" follows), longer ones cut to seven.
struct RecordShapeCase {
    const char* name;
    std::vector<std::string> extra;  // members after the URL and "GET"
    bool followsRedirect;
};

class RequestWorkerRecordShape : public testing::TestWithParam<RecordShapeCase> {};

TEST_P(RequestWorkerRecordShape, IsWrittenBackWithSevenMembers) {
    HttpRecorder server([](const RecordedRequest& request) {
        if (request.target == "/start")
            return httpResponse(302, "moved", {"Location: /end"});
        return httpResponse(200, "arrived");
    });
    TimedRequestRecord record{server.url("/start"), "GET"};
    record.insert(record.end(), GetParam().extra.begin(), GetParam().extra.end());

    auto back = runWorker(record);

    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 7u);
    EXPECT_EQ((*back)[member::kBody], GetParam().followsRedirect ? "arrived" : "moved");
    EXPECT_EQ(server.requests().size(), GetParam().followsRedirect ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Members, RequestWorkerRecordShape,
    testing::Values(RecordShapeCase{"TwoMembers", {}, false},
                    RecordShapeCase{"FiveMembers", {"", "", ""}, false},
                    RecordShapeCase{"SevenFollowing", {"", "", "", "", "真"_gbk}, true},
                    RecordShapeCase{"SevenNotFollowing", {"", "", "", "", "假"_gbk}, false},
                    RecordShapeCase{"SevenWithOtherText", {"", "", "", "", "yes"}, false},
                    RecordShapeCase{"NineMembers", {"", "", "", "", "真"_gbk, "8", "9"}, true}),
    [](const testing::TestParamInfo<RecordShapeCase>& info) { return info.param.name; });

// The header text the caller gives, completed with the defaults it lacks. Presence tests ignore
// case and find a name also inside a longer one.
struct HeaderCase {
    const char* name;
    std::string headers;
    std::string cookies;
    // Header name and the value it must have, or std::nullopt for a header that must be absent.
    std::vector<std::pair<std::string, std::optional<std::string>>> expected;
};

class RequestWorkerHeaders : public testing::TestWithParam<HeaderCase> {};

TEST_P(RequestWorkerHeaders, AreSentAsCompleted) {
    HttpRecorder server(respondWith(httpResponse(200, "ok")));
    NamedHost host("headers.worker.test", server.port());
    const std::string url = host.url("/h");

    auto back = runWorker(
        makeRecord({.url = url, .headers = GetParam().headers, .cookies = GetParam().cookies}));

    ASSERT_TRUE(back.has_value());
    EXPECT_EQ((*back)[member::kBody], "ok");
    ASSERT_EQ(server.requests().size(), 1u);
    const RecordedRequest sent = server.requests()[0];
    for (const auto& [name, value] : GetParam().expected) {
        std::string expectedValue = value.value_or("");
        if (expectedValue == "URL")
            expectedValue = url;
        if (value) {
            EXPECT_EQ(sent.headerCount(name), 1) << name << "\n" << sent.headerBlock;
            EXPECT_EQ(sent.header(name).value_or("<absent>"), expectedValue) << name;
        } else {
            EXPECT_EQ(sent.headerCount(name), 0) << name << "\n" << sent.headerBlock;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Completion, RequestWorkerHeaders,
    testing::Values(
        HeaderCase{"NothingGiven",
                   "",
                   "",
                   {{"User-Agent", kDefaultAgent},
                    {"Accept", kDefaultAccept},
                    {"Referer", "URL"},
                    {"Accept-Language", "zh-cn"},
                    {"Cookie", std::nullopt}}},
        HeaderCase{"LowerCaseUserAgentLine",
                   "user-agent: X\r\n",
                   "",
                   {{"User-Agent", "X"}, {"Accept", kDefaultAccept}}},
        // The agent is then empty, and the default Accept line is glued to the unfinished line.
        HeaderCase{"UserAgentLineWithoutLineEnd",
                   "User-Agent: Y",
                   "",
                   {{"User-Agent", "YAccept: " + kDefaultAccept}, {"Accept", std::nullopt}}},
        HeaderCase{"OwnAcceptLine", "Accept: text/html\r\n", "", {{"Accept", "text/html"}}},
        HeaderCase{"AcceptLanguageCountsAsAccept",
                   "Accept-Language: en\r\n",
                   "",
                   {{"Accept", std::nullopt}, {"Accept-Language", "en"}}},
        HeaderCase{"AcceptEncodingCountsAsAccept",
                   "Accept-Encoding: identity\r\n",
                   "",
                   {{"Accept", std::nullopt}, {"Accept-Language", "zh-cn"}}},
        HeaderCase{"RefererMarkerRemovedAndNoReferer",
                   "X-Tag: aRefererNo\r\n",
                   "",
                   {{"X-Tag", "a"}, {"Referer", std::nullopt}}},
        HeaderCase{"RefererMarkerInOtherCaseStaysButSuppresses",
                   "X-Tag: refererno\r\n",
                   "",
                   {{"X-Tag", "refererno"}, {"Referer", std::nullopt}}},
        HeaderCase{"OnlyTheFirstMarkerIsRemoved",
                   "X-Tag: RefererNoRefererNo\r\n",
                   "",
                   {{"X-Tag", "RefererNo"}, {"Referer", std::nullopt}}},
        HeaderCase{"OwnReferer",
                   "Referer: http://elsewhere.example/\r\n",
                   "",
                   {{"Referer", "http://elsewhere.example/"}}},
        HeaderCase{"RefererInsideALongerName",
                   "X-Referer-Policy: none\r\n",
                   "",
                   {{"Referer", std::nullopt}}},
        HeaderCase{"CookieTextOnGet", "", "sid=abc; u=1", {{"Cookie", "sid=abc; u=1"}}},
        HeaderCase{"CookieTextOfOneSpaceStillGivesALine", "", " ", {{"Cookie", ""}}}),
    [](const testing::TestParamInfo<HeaderCase>& info) { return info.param.name; });

struct PostCase {
    const char* name;
    std::string headers;
    std::string body;
    std::string cookies;
    // Header lines that must appear in this order, and names that must be absent.
    std::vector<std::string> linesInOrder;
    std::vector<std::string> absent;
};

class RequestWorkerPost : public testing::TestWithParam<PostCase> {};

TEST_P(RequestWorkerPost, SendsTheBodyWithItsHeaderLines) {
    HttpRecorder server(respondWith(httpResponse(200, "posted")));
    NamedHost host("post.worker.test", server.port());

    auto back = runWorker(makeRecord({.url = host.url("/p"),
                                      .method = "POST",
                                      .headers = GetParam().headers,
                                      .body = GetParam().body,
                                      .cookies = GetParam().cookies}));

    ASSERT_TRUE(back.has_value());
    EXPECT_EQ((*back)[member::kBody], "posted");
    ASSERT_EQ(server.requests().size(), 1u);
    const RecordedRequest sent = server.requests()[0];
    EXPECT_EQ(sent.method, "POST");
    EXPECT_EQ(sent.body, GetParam().body);
    std::size_t at = 0;
    for (const std::string& line : GetParam().linesInOrder) {
        std::size_t found = sent.headerBlock.find(line + "\r\n", at);
        EXPECT_NE(found, std::string::npos) << line << " (in order)\n" << sent.headerBlock;
        if (found != std::string::npos)
            at = found + line.size();
    }
    for (const std::string& name : GetParam().absent)
        EXPECT_EQ(sent.headerCount(name), 0) << name << "\n" << sent.headerBlock;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, RequestWorkerPost,
    testing::Values(
        PostCase{"SevenBytesNoContentLines",
                 "",
                 "a=1&b=2",
                 "",
                 {"Content-Type: application/x-www-form-urlencoded", "Content-Length: 7"},
                 {"Cookie"}},
        PostCase{"CookieLineAfterTheContentLines",
                 "",
                 "a=1&b=2",
                 "sid=9",
                 {"Content-Type: application/x-www-form-urlencoded", "Content-Length: 7",
                  "Cookie: sid=9"},
                 {}},
        PostCase{"OwnContentType",
                 "Content-Type: text/plain\r\n",
                 "hello",
                 "",
                 {"Content-Type: text/plain", "Content-Length: 5"},
                 {}},
        PostCase{
            "EmptyBodyGetsNoContentTypeNorCookie", "", "", "sid=9", {}, {"Content-Type", "Cookie"}},
        PostCase{"BodyWithZeroBytes", "", std::string("a\0b\0", 4), "", {"Content-Length: 4"}, {}}),
    [](const testing::TestParamInfo<PostCase>& info) { return info.param.name; });

TEST(RequestWorker, CookiesTheResponseSetsComeBackAndGoToTheProcessStore) {
    HttpRecorder server([](const RecordedRequest& request) {
        if (request.target == "/set")
            return httpResponse(200, "set", {"Set-Cookie: wa=1; path=/", "Set-Cookie: wb=2"});
        return httpResponse(200, "again");
    });
    NamedHost host("cookies.worker.test", server.port());

    // Bringing cookies of its own keeps the request's engine out of the store: whatever the
    // second request carries was put there by the worker itself.
    auto first = runWorker(makeRecord({.url = host.url("/set"), .cookies = "mine=0"}));
    auto second = runWorker(makeRecord({.url = host.url("/again")}));
    auto third = runWorker(makeRecord({.url = host.url("/again"), .cookies = "mine=0"}));

    ASSERT_TRUE(first.has_value());
    // The second line has no ";", so it contributes an empty pair.
    EXPECT_EQ((*first)[member::kNewCookies], "wa=1;;");
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[0].header("Cookie"), "mine=0");
    std::string carried = server.requests()[1].header("Cookie").value_or("");
    EXPECT_NE(carried.find("wa=1"), std::string::npos) << carried;
    EXPECT_NE(carried.find("wb=2"), std::string::npos) << carried;
    // A request with its own cookie text gets nothing from the store.
    EXPECT_EQ(server.requests()[2].header("Cookie"), "mine=0");
}

TEST(RequestWorker, SetCookieLinesEndAtLineFeedsWithOrWithoutCarriageReturn) {
    HttpRecorder server(
        respondWith("HTTP/1.1 200 OK\r\n"
                    "Set-Cookie: lf=1; path=/\n"
                    "set-cookie: crlf=2; path=/\r\n"
                    "Connection: close\r\nContent-Length: 2\r\n\r\nok"));
    NamedHost host("lines.worker.test", server.port());

    auto back = runWorker(makeRecord({.url = host.url("/")}));

    ASSERT_TRUE(back.has_value());
    EXPECT_EQ((*back)[member::kNewCookies], "lf=1;crlf=2;");
}

TEST(RequestWorker, HeaderBlocksLongerThanTheUsualBufferComeBackWholeWithTheirCookies) {
    const std::string filler(3000, 'f');
    HttpRecorder server(respondWith(
        httpResponse(200, "big", {"X-Filler: " + filler, "Set-Cookie: late=1; path=/"})));
    NamedHost host("big.worker.test", server.port());

    auto back = runWorker(makeRecord({.url = host.url("/")}));

    ASSERT_TRUE(back.has_value());
    const std::string& raw = (*back)[member::kRawHeaders];
    EXPECT_GT(raw.size(), 3000u);
    EXPECT_EQ(raw.rfind("HTTP/1.1 200", 0), 0u);
    EXPECT_NE(raw.find("X-Filler: " + filler + "\r\n"), std::string::npos);
    EXPECT_TRUE(raw.ends_with("Content-Length: 3\r\n\r\n"));
    EXPECT_EQ((*back)[member::kNewCookies], "late=1;");
}

TEST(RequestWorker, BodiesWithZeroBytesComeBackWhole) {
    std::string body;
    for (int i = 0; i < 5000; ++i)
        body += static_cast<char>(i % 7 == 0 ? 0 : i % 251);
    HttpRecorder server(respondWith(httpResponse(200, body)));

    auto back = runWorker(makeRecord({.url = server.url("/bin")}));

    ASSERT_TRUE(back.has_value());
    EXPECT_EQ((*back)[member::kBody], body);
}

TEST(RequestWorker, AProxyInTheRecordGetsTheWholeUrl) {
    HttpRecorder proxy(respondWith(httpResponse(200, "via proxy")));

    auto back =
        runWorker(makeRecord({.url = "http://far.example/x?y=1", .proxy = proxy.hostPort()}));

    ASSERT_TRUE(back.has_value());
    EXPECT_EQ((*back)[member::kBody], "via proxy");
    ASSERT_EQ(proxy.requests().size(), 1u);
    EXPECT_EQ(proxy.requests()[0].target, "http://far.example/x?y=1");
}

// "https://" anywhere in the URL, in any case, makes a TLS request to port 443.
class RequestWorkerHttps : public testing::TestWithParam<std::string> {};

TEST_P(RequestWorkerHttps, GoesToPort443WithTls) {
    fixtures::FirstBytesRecorder tls;
    ScopedEnvironment connectTo("QZONE_ALBUM_CONNECT_TO",
                                "tls.worker.test:443:127.0.0.1:" + std::to_string(tls.port()));

    auto back = runWorker(makeRecord({.url = GetParam(), .followRedirects = "假"_gbk}));

    ASSERT_TRUE(back.has_value());
    EXPECT_EQ((*back)[member::kBody], "");
    EXPECT_EQ((*back)[member::kNewCookies], "");
    std::vector<std::string> received = tls.received();
    ASSERT_EQ(received.size(), 1u);
    // A TLS handshake record: content type 22, protocol major version 3.
    ASSERT_GE(received[0].size(), 2u);
    EXPECT_EQ(received[0][0], '\x16');
    EXPECT_EQ(received[0][1], '\x03');
}

INSTANTIATE_TEST_SUITE_P(Urls, RequestWorkerHttps,
                         testing::Values("https://tls.worker.test/a",
                                         "http://tls.worker.test/a?next=https://b.example/",
                                         "http://tls.worker.test:8080/a?next=HTTPS://b.example/"));

// Nothing reaches the server; body, cookies and raw headers come back empty (not the method or
// cookie text the record carried in), and the other members as they were.
struct FailureCase {
    const char* name;
    RecordInput input;  // "PORT" in the URL stands for the loopback server's port
};

class RequestWorkerFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(RequestWorkerFailure, ComesBackEmptyWithoutARequest) {
    HttpRecorder server(respondWith(httpResponse(200, "should not be asked")));
    RecordInput input = GetParam().input;
    if (auto at = input.url.find("PORT"); at != std::string::npos)
        input.url.replace(at, 4, std::to_string(server.port()));
    input.cookies = "sid=1";

    auto back = runWorker(makeRecord(input));

    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 7u);
    EXPECT_EQ((*back)[member::kBody], "");
    EXPECT_EQ((*back)[member::kNewCookies], "");
    EXPECT_EQ((*back)[member::kRawHeaders], "");
    EXPECT_EQ((*back)[member::kProxy], input.proxy);
    EXPECT_EQ((*back)[member::kHeaders], input.headers);
    EXPECT_EQ(server.connections(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Records, RequestWorkerFailure,
    testing::Values(
        FailureCase{"EmptyHost", {.url = "http:///x"}},
        FailureCase{"PortOutOfRange", {.url = "http://127.0.0.1:70000/x"}},
        FailureCase{"VerbThatIsNoToken", {.url = "http://127.0.0.1:PORT/x", .method = "GE T"}},
        FailureCase{"MethodOtherThanGetOrPost",
                    {.url = "http://127.0.0.1:PORT/x", .method = "PUT", .headers = "X-A: 1\r\n"}},
        FailureCase{
            "UnreachablePort",
            {.url = "http://127.0.0.1:" + std::to_string(fixtures::unusedLoopbackPort()) + "/x"}}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(RequestWorker, AnUnreadableRecordIsLeftAsItWas) {
    auto file = platform::MemoryFile::open();
    const std::string garbage("\x05\x00\x00\x00not a record", 16);
    file->writeBytes(garbage);

    requestWorker(file);

    file->moveToStart();
    EXPECT_EQ(file->readBytes(1000), garbage);
    EXPECT_EQ(file->size(), garbage.size());
}

}  // namespace
