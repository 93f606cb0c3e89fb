// Host, port and path of a URL for both request engines. The two families cut URLs differently
// on purpose; the tables show, URL by URL, where they part.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "text/direct_url.h"
#include "text/worker_url.h"

namespace {

TEST(DirectUrl, HostPortAndPath) {
    struct Case {
        const char* name;
        Text url;
        Text host;
        Text hostWithPort;
        std::int32_t port;
        Text path;
    };
    const std::vector<Case> cases = {
        {"capital scheme, path keeps its case", "HTTP://Pics.Example.COM/Pic/A.jpg?x=1",
         "pics.example.com", "pics.example.com", 80, "/Pic/A.jpg?x=1"},
        {"explicit port", "https://a.b.example:8443/x", "a.b.example", "a.b.example:8443", 8443,
         "/x"},
        {"https without a path", "HTTPS://a.b.example", "a.b.example", "a.b.example", 443, "/"},
        {"no scheme", "a.b.example/x", "a.b.example", "a.b.example", 80, "/x"},
        {"colon without digits", "http://a.b.example:/x", "a.b.example", "a.b.example:", 0, "/x"},
        {"http:// further on is taken as the scheme", "a.example/?u=http://b.example/x",
         "b.example", "b.example", 80, "/x"},
        {"host followed by a query", "http://a.example?x=1", "a.example?x=1", "a.example?x=1", 80,
         "/"},
        {"empty URL", "", "", "", 80, "/"},
        {"port after the last colon", "http://a:b:99/", "a", "a:b:99", 99, "/"},
        {"trail byte keeps its case",
         "http://\xB0"
         "A.example/P",
         "\xB0"
         "A.example",
         "\xB0"
         "A.example",
         80, "/P"},
        {"port beyond the 32-bit range is clamped", "http://a:99999999999/", "a", "a:99999999999",
         std::numeric_limits<std::int32_t>::max(), "/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(directUrlHost(c.url), c.host);
        EXPECT_EQ(directUrlHost(c.url, false, true), c.hostWithPort);
        EXPECT_EQ(directUrlPort(c.url), c.port);
        EXPECT_EQ(directUrlPath(c.url), c.path);
    }
}

TEST(DirectUrl, ReduceToDomain) {
    struct Case {
        const char* name;
        Text url;
        bool keepPort;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"last two labels", "http://x.y.example.com/a", false, "example.com"},
        {"single label stays", "http://localhost/", false, "localhost"},
        {"address", "http://1.2.3.4/", false, "3.4"},
        {"port cut after the reduction", "http://a.b.c:81/", false, "b.c"},
        {"port kept", "http://a.b.c:81/", true, "b.c:81"},
        {"empty URL", "", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(directUrlHost(c.url, true, c.keepPort), c.expected);
    }
}

TEST(WorkerUrl, HostPathAndPort) {
    struct Case {
        const char* name;
        Text url;
        Text host;
        Text path;
        std::int32_t port;
    };
    const std::vector<Case> cases = {
        {"port and query", "http://Pics.A.Example:8080/Path?q=1", "pics.a.example", "/Path?q=1",
         8080},
        {"no scheme", "a.example:81/a", "a.example", "/a", 81},
        {"https gives port 0", "https://s.a.example/x", "s.a.example", "/x", 0},
        {"capital scheme is not removed", "HTTP://Pics.A.Example/x", "http", "//Pics.A.Example/x",
         80},
        {"URL in the query", "http://a.example/?r=https://b.example/", "a.example",
         "/?r=https://b.example/", 80},
        {"host followed by a query", "http://a.example?x=1", "a.example?x=1", "/", 80},
        {"port without a path", "http://a.example:88", "a.example", "/", 88},
        {"colon without digits", "http://a.example:/x", "a.example", "/x", 0},
        {"bracketed address", "http://[::1]:8080/", "[", "/", 0},
        {"empty URL", "", "", "/", 80},
        {"port after the first colon", "http://a:81:99/", "a", "/", 81},
        {"fraction truncated", "http://a:8080.9/", "a", "/", 8080},
        {"port beyond the 32-bit range is clamped", "http://a:1e30/", "a", "/",
         std::numeric_limits<std::int32_t>::max()},
        {"negative port beyond the range is clamped", "http://a:-1e30/", "a", "/",
         std::numeric_limits<std::int32_t>::min()},
        {"not a number", "http://a:nan/", "a", "/", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(workerUrlHost(c.url), c.host);
        EXPECT_EQ(workerUrlPath(c.url), c.path);
        EXPECT_EQ(workerUrlPort(c.url), c.port);
    }
}

}  // namespace
