#include "http/timed_request.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <chrono>
#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "platform/events.h"
#include "platform/worker_thread.h"
#include "tests/fixtures/http_recorder.h"
#include "tests/fixtures/loopback_server.h"
#include "tests/http/core_application_scope.h"
#include "tests/http/named_host.h"
#include "text/codepage.h"
#include "text/gbk_literal.h"

namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;
using fixtures::HttpRecorder;
using fixtures::httpResponse;
using fixtures::RecordedRequest;
using fixtures::respondWith;
using fixtures::ScopedEnvironment;
using Clock = std::chrono::steady_clock;

// What an output parameter holds before the call; it must still hold it when not written.
const Text kUntouched = "untouched";

std::chrono::milliseconds since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// A server that takes requests and never answers them until it is destroyed.
class SilentServer {
  public:
    SilentServer()
        : server_([](fixtures::Connection& connection, fixtures::LoopbackServer& server) {
              if (connection.readRequest())
                  server.waitForStop(120s);
          }) {}
    std::string url(const std::string& path) const { return server_.url(path); }

  private:
    fixtures::LoopbackServer server_;
};

TEST(TimedRequest, TheRouteLookupCallFollowsRedirectsAndReturnsTheBodyUnconverted) {
    HttpRecorder server([](const RecordedRequest& request) {
        if (request.target == "/route")
            return httpResponse(302, "", {"Location: /final"});
        return httpResponse(200, "\xC4\xE3\xBA\xC3 route\0tail"s);
    });
    NamedHost host("route.timed.test", server.port());
    Text url = host.url("/route");
    const Text asGiven = url;

    Bytes body = timedHttpRequest(url);

    EXPECT_EQ(body, "\xC4\xE3\xBA\xC3 route\0tail"s);
    EXPECT_EQ(url, asGiven);
    ASSERT_EQ(server.requests().size(), 2u);
    const RecordedRequest first = server.requests()[0];
    EXPECT_EQ(first.method, "GET");
    EXPECT_EQ(first.header("Referer"), asGiven);
    EXPECT_EQ(first.headerCount("Cookie"), 0);
    EXPECT_EQ(first.header("Accept-Language"), "zh-cn");
}

TEST(TimedRequest, TheTimeOutMessageIsTheFixedGbkText) {
    const Text& message = timedRequestTimeoutMessage();
    EXPECT_EQ(
        gbkToUtf8(message),
        "超时返回，指定网站不能访问，或者你的网络出现问题，你可以把参数中的＂超时返回＂的值设置"
        "长一些。");
    // The full-width quotation marks are GBK A3 A2.
    std::size_t first = message.find("\xA3\xA2");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(message.find("\xA3\xA2", first + 2), std::string::npos);
}

class TimedRequestBlankUrl : public testing::TestWithParam<Text> {};

TEST_P(TimedRequestBlankUrl, ReturnsNothingAndWritesNothing) {
    Text url = GetParam();
    Text raw = kUntouched;
    Text cookies = kUntouched;
    Bytes body = timedHttpRequest(url, {}, {}, {}, {}, {}, 30, &raw, {}, &cookies);
    EXPECT_EQ(body, "");
    EXPECT_EQ(url, GetParam());
    EXPECT_EQ(raw, kUntouched);
    EXPECT_EQ(cookies, kUntouched);
}

INSTANTIATE_TEST_SUITE_P(Urls, TimedRequestBlankUrl,
                         testing::Values("", "   ", "\xA1\xA1 \xA1\xA1"));

// The scheme test is exact: anything but a leading "http://" or "https://" gets "http://" in
// front, and the caller's variable gets the prefixed URL.
struct PrefixCase {
    const char* name;
    std::string url;     // "HOST" stands for the loopback server's host and port
    std::string target;  // what the server sees in the request line
    std::string written;
};

class TimedRequestPrefix : public testing::TestWithParam<PrefixCase> {};

TEST_P(TimedRequestPrefix, IsWrittenBackAndUsed) {
    HttpRecorder server(respondWith(httpResponse(200, "here")));
    // Host names that a prefixed URL may end up with, all sent to the loopback server.
    const std::string port = std::to_string(server.port());
    ScopedEnvironment connectTo(
        "QZONE_ALBUM_CONNECT_TO",
        "http:80:127.0.0.1:" + port + ",prefix.timed.test:" + port + ":127.0.0.1:" + port);
    auto expand = [&](std::string text) {
        if (auto at = text.find("HOST"); at != std::string::npos)
            text.replace(at, 4, "prefix.timed.test:" + port);
        return text;
    };
    Text url = expand(GetParam().url);

    Bytes body = timedHttpRequest(url);

    EXPECT_EQ(url, expand(GetParam().written));
    EXPECT_EQ(body, "here");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, expand(GetParam().target));
}

INSTANTIATE_TEST_SUITE_P(
    Urls, TimedRequestPrefix,
    testing::Values(PrefixCase{"NoScheme", "HOST/x?a=1", "/x?a=1", "http://HOST/x?a=1"},
                    PrefixCase{"Http", "http://HOST/y", "/y", "http://HOST/y"},
                    // The host of the prefixed URL is the scheme word, port 80, and the path
                    // starts at the first slash after it.
                    PrefixCase{"CapitalScheme", "HTTP://HOST/z", "//HTTP://HOST/z",
                               "http://HTTP://HOST/z"}),
    [](const testing::TestParamInfo<PrefixCase>& info) { return info.param.name; });

// The call's parameters travel through the record to the worker.
TEST(TimedRequest, ParametersReachTheRequest) {
    HttpRecorder server([](const RecordedRequest& request) {
        if (request.target == "/moved")
            return httpResponse(302, "not followed", {"Location: /elsewhere"});
        return httpResponse(200, "ok", {"Set-Cookie: tk=7; path=/", "X-Mark: m"});
    });
    NamedHost host("params.timed.test", server.port());
    const std::string base = host.url("");

    Text postUrl = base + "/post";
    Text raw = kUntouched;
    Text cookies = kUntouched;
    Bytes posted = timedHttpRequest(postUrl, kTimedRequestPost, {}, "X-Extra: 1\r\n"s, "a=1"s,
                                    "sid=5"s, 30, &raw, {}, &cookies);
    Text getUrl = base + "/get";
    timedHttpRequest(getUrl, 2, {}, {}, "ignored"s);
    Text movedUrl = base + "/moved";
    Bytes moved = timedHttpRequest(movedUrl, {}, {}, {}, {}, {}, 30, nullptr, {}, nullptr, false);

    EXPECT_EQ(posted, "ok");
    EXPECT_TRUE(raw.starts_with("HTTP/1.1 200 Status\r\n")) << raw;
    EXPECT_NE(raw.find("X-Mark: m\r\n"), std::string::npos);
    EXPECT_EQ(cookies, "tk=7;");
    EXPECT_EQ(moved, "not followed");
    ASSERT_EQ(server.requests().size(), 3u);
    const RecordedRequest post = server.requests()[0];
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.body, "a=1");
    EXPECT_EQ(post.header("X-Extra"), "1");
    EXPECT_EQ(post.header("Cookie"), "sid=5");
    EXPECT_EQ(server.requests()[1].method, "GET");
    EXPECT_EQ(server.requests()[1].body, "");
}

TEST(TimedRequest, AFailedRequestReturnsNothingButWritesTheEmptyOutputs) {
    Text url = "http://127.0.0.1:" + std::to_string(fixtures::unusedLoopbackPort()) + "/";
    Text raw = kUntouched;
    Text cookies = kUntouched;
    EXPECT_EQ(timedHttpRequest(url, {}, {}, {}, {}, {}, 30, &raw, {}, &cookies), "");
    EXPECT_EQ(raw, "");
    EXPECT_EQ(cookies, "");
}

struct ConversionCase {
    const char* name;
    std::optional<int> conversion;
    Bytes body;
    Bytes expected;
};

class TimedRequestConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(TimedRequestConversion, ConvertsTheBodyAsAsked) {
    HttpRecorder server(respondWith(httpResponse(200, GetParam().body)));
    Text url = server.url("/c");
    EXPECT_EQ(timedHttpRequest(url, {}, {}, {}, {}, {}, 30, nullptr, GetParam().conversion),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, TimedRequestConversion,
    testing::Values(ConversionCase{"Utf8", kConvertFromUtf8, "\xE4\xB8\xAD\xE6\x96\x87 ok",
                                   "\xD6\xD0\xCE\xC4 ok"},
                    ConversionCase{"Utf8StopsAtAZeroByte", kConvertFromUtf8, "\xE4\xB8\xAD\0rest"s,
                                   "\xD6\xD0"},
                    ConversionCase{"Big5ToSimplified", kConvertFromBig5, "\xA4\xA4\xB0\xEA",
                                   "\xD6\xD0\xB9\xFA"},
                    ConversionCase{"NoneKeepsZeroBytes", std::nullopt, "\xE4\xB8\xAD\0rest"s,
                                   "\xE4\xB8\xAD\0rest"s},
                    ConversionCase{"UnknownValueKeepsTheBody", 3, "\xE4\xB8\xAD", "\xE4\xB8\xAD"}),
    [](const testing::TestParamInfo<ConversionCase>& info) { return info.param.name; });

// A limit of 0 or less times out at the first wake, even for a server that answers at once;
// the output parameters keep their values.
class TimedRequestNoTime : public testing::TestWithParam<int> {};

TEST_P(TimedRequestNoTime, AlwaysTimesOut) {
    HttpRecorder server(respondWith(httpResponse(200, "fast", {"Set-Cookie: n=1"})));
    NamedHost host("no-time.timed.test", server.port());
    Text url = host.url("/fast");
    Text raw = kUntouched;
    Text cookies = kUntouched;
    auto start = Clock::now();
    Bytes body = timedHttpRequest(url, {}, {}, {}, {}, {}, GetParam(), &raw, {}, &cookies);
    EXPECT_EQ(body, timedRequestTimeoutMessage());
    EXPECT_LT(since(start), 2s);
    EXPECT_EQ(raw, kUntouched);
    EXPECT_EQ(cookies, kUntouched);
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
}

INSTANTIATE_TEST_SUITE_P(Limits, TimedRequestNoTime, testing::Values(0, -1, INT_MIN));

// Seconds beyond what fits into 32-bit milliseconds mean a long limit, not a negative one.
TEST(TimedRequest, AHugeLimitDoesNotTimeOutAtOnce) {
    HttpRecorder server(respondWith(httpResponse(200, "patient")));
    Text url = server.url("/p");
    EXPECT_EQ(timedHttpRequest(url, {}, {}, {}, {}, {}, 3000000), "patient");
    EXPECT_EQ(timedHttpRequest(url, {}, {}, {}, {}, {}, INT_MAX), "patient");
}

// On the window thread: a QTimer keeps firing while the request waits.
class TimedRequestOnTheWindowThread : public testing::Test {
  protected:
    void SetUp() override { platform::processPendingEvents(); }
    CoreApplicationScope app_;
};

TEST_F(TimedRequestOnTheWindowThread, ASilentServerGivesTheTimeOutMessageWhileEventsKeepComing) {
    SilentServer silent;
    std::vector<std::chrono::milliseconds> ticks;
    auto start = Clock::now();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ticks.push_back(since(start)); });
    ticker.start(20);
    Text url = silent.url("/never");
    Text raw = kUntouched;
    Text cookies = kUntouched;

    Bytes body = timedHttpRequest(url, {}, {}, {}, {}, {}, 1, &raw, {}, &cookies);
    auto waited = since(start);
    ticker.stop();

    EXPECT_EQ(body, timedRequestTimeoutMessage());
    EXPECT_GE(waited, 990ms);
    EXPECT_LT(waited, 4s);
    EXPECT_EQ(raw, kUntouched);
    EXPECT_EQ(cookies, kUntouched);
    // The window thread served its timer throughout the wait, not only at its end.
    ASSERT_GE(ticks.size(), 10u);
    EXPECT_LT(ticks.front(), 300ms);
    EXPECT_GT(ticks.back(), 700ms);

    // The abandoned worker was cancelled: it ends long before the server's silence would end it.
    auto cancelled = Clock::now();
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
    EXPECT_LT(since(cancelled), 5s);
}

TEST_F(TimedRequestOnTheWindowThread, ARequestAfterAnAbandonedOneWorks) {
    SilentServer silent;
    HttpRecorder working(respondWith(httpResponse(200, "second")));
    Text silentUrl = silent.url("/never");
    Text workingUrl = working.url("/works");

    EXPECT_EQ(timedHttpRequest(silentUrl, {}, {}, {}, {}, {}, 1), timedRequestTimeoutMessage());
    EXPECT_EQ(timedHttpRequest(workingUrl, {}, {}, {}, {}, {}, 30), "second");
    EXPECT_TRUE(platform::finishAbandonedWorkers(10s));
}

// A handler that runs inside the wait may start a timed request of its own; the outer request
// goes on waiting afterwards and still gets its own reply.
TEST_F(TimedRequestOnTheWindowThread, ARequestNestedInsideTheWaitCompletesAndSoDoesTheOuterOne) {
    fixtures::LoopbackServer slow(
        [](fixtures::Connection& connection, fixtures::LoopbackServer& server) {
            if (connection.readRequest() && !server.waitForStop(700ms))
                connection.respond(200, "outer");
        });
    HttpRecorder fast(respondWith(httpResponse(200, "inner")));
    Bytes inner;
    QTimer::singleShot(100, [&] {
        Text innerUrl = fast.url("/inner");
        inner = timedHttpRequest(innerUrl, {}, {}, {}, {}, {}, 30);
    });
    Text outerUrl = slow.url("/outer");

    Bytes outer = timedHttpRequest(outerUrl, {}, {}, {}, {}, {}, 30);

    EXPECT_EQ(inner, "inner");
    EXPECT_EQ(outer, "outer");
}

}  // namespace
