// The list client against a recording loopback server: what goes on the wire and what is read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "platform/http_client.h"
#include "tests/fixtures/loopback_server.h"

namespace {

using fixtures::Connection;
using fixtures::LoopbackServer;
using fixtures::RecordedRequest;
using platform::HttpClient;

// Answers by path; every request is recorded.
void answer(Connection& connection, LoopbackServer& server) {
    std::optional<RecordedRequest> request = connection.readRequest();
    if (!request)
        return;
    server.record(*request);
    const std::string path = request->target.substr(0, request->target.find('?'));
    const std::vector<std::string> close = {"Connection: close"};
    if (path == "/cookie")
        connection.respond(200, "set", {"Set-Cookie: a=1; Path=/", "Connection: close"});
    else if (path == "/redirect")
        connection.respond(302, "moved", {"Location: /target", "Connection: close"});
    else if (path == "/target")
        connection.respond(200, "arrived", close);
    else if (path == "/missing")
        connection.respond(404, "not here", close);
    else if (path == "/zero")
        connection.respond(200, std::string("ab\0cd", 5), close);
    else if (path == "/empty")
        connection.respond(200, "", close);
    else
        connection.respond(200, "ok", close);
}

class HttpClientTest : public testing::Test {
  protected:
    std::string get(HttpClient& client, const std::string& path) {
        client.open("GET", server.url(path));
        client.send();
        return client.responseText();
    }

    LoopbackServer server{answer};
};

TEST_F(HttpClientTest, SendsOnlyHostUserAgentAndAcceptWithTheTargetAsBuilt) {
    HttpClient client;
    client.setFollowRedirects(false);
    client.setAutoCookies(false);
    // GBK bytes go raw; a space, a tab and CR LF cannot reach the request line as they stand.
    ASSERT_EQ(get(client, "/list?a=1&name=\xC2\xC3\xD0\xD0&s=x y\tz\r\nX-Injected: 1"), "ok");

    std::vector<RecordedRequest> requests = server.recorded();
    ASSERT_EQ(requests.size(), 1u);
    const RecordedRequest& r = requests[0];
    EXPECT_EQ(r.requestLine,
              "GET /list?a=1&name=\xC2\xC3\xD0\xD0&s=x%20y%09z%0D%0AX-Injected:%201 HTTP/1.1");
    std::set<std::string> names;
    for (const auto& [name, value] : r.headers)
        names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"Host", "User-Agent", "Accept"}));
    EXPECT_EQ(r.headers.size(), 3u);
    EXPECT_EQ(r.header("Host"), server.hostPort());
    EXPECT_EQ(r.header("Accept"), "*/*");
    EXPECT_EQ(r.header("User-Agent"),
              "Mozilla/5.0 (Windows; U; Windows NT 6.1; en-US) AppleWebKit/534.10 (KHTML, like "
              "Gecko) Chrome/7.0.536.2 Safari/534.10");
}

TEST_F(HttpClientTest, FollowsRedirectsOnlyWhenAskedTo) {
    struct Case {
        const char* name;
        std::optional<bool> follow;  // nullopt: the client's default
        std::string body;
        std::size_t requests;
    };
    const Case cases[] = {
        {"Default", std::nullopt, "arrived", 2},
        {"On", true, "arrived", 2},
        {"Off", false, "moved", 1},
    };
    std::size_t before = 0;
    for (const Case& c : cases) {
        HttpClient client;
        if (c.follow)
            client.setFollowRedirects(*c.follow);
        EXPECT_EQ(get(client, "/redirect"), c.body) << c.name;
        std::size_t after = server.recorded().size();
        EXPECT_EQ(after - before, c.requests) << c.name;
        before = after;
    }
}

TEST_F(HttpClientTest, AutoCookiesDecideWhetherCookiesAreKeptAndSent) {
    struct Case {
        const char* name;
        std::optional<bool> first;  // setting for the request that gets the cookie
        bool second;                // setting for the request after it
        bool cookieSent;
    };
    const Case cases[] = {
        {"DefaultThenOn", std::nullopt, true, true}, {"OnThenOn", true, true, true},
        {"OffThenOff", false, false, false},         {"NotKeptWhenOff", false, true, false},
        {"NotSentWhenOff", true, false, false},
    };
    for (const Case& c : cases) {
        HttpClient client;
        if (c.first)
            client.setAutoCookies(*c.first);
        ASSERT_EQ(get(client, "/cookie"), "set") << c.name;
        client.setAutoCookies(c.second);
        ASSERT_EQ(get(client, "/plain"), "ok") << c.name;
        RecordedRequest last = server.recorded().back();
        if (c.cookieSent)
            EXPECT_EQ(last.header("Cookie"), "a=1") << c.name;
        else
            EXPECT_EQ(last.headerCount("Cookie"), 0) << c.name;
    }
}

TEST_F(HttpClientTest, ReadsTheBodyAsText) {
    struct Case {
        const char* path;
        std::string text;
    };
    const Case cases[] = {
        {"/missing", "not here"},  // whatever the status
        {"/zero", "ab"},           // up to the first zero byte
        {"/empty", ""},
    };
    for (const Case& c : cases) {
        HttpClient client;
        client.setFollowRedirects(false);
        client.setAutoCookies(false);
        EXPECT_EQ(get(client, c.path), c.text) << c.path;
    }
}

TEST_F(HttpClientTest, FailedRequestsLeaveTheBodyEmpty) {
    const std::string unused = "127.0.0.1:" + std::to_string(fixtures::unusedLoopbackPort());
    const std::string cases[] = {
        "http://" + unused + "/plain",  // nothing listens
        "http:///fcgi-bin/plain",       // no host
        "http://",                      // nothing at all after the scheme
        "ftp://" + server.hostPort() + "/plain",
        server.hostPort() + "/plain",  // no scheme
    };
    // libcurl alone would read "http:///fcgi-bin/plain" as the host "fcgi-bin": send that host
    // here, so that such a request would show up.
    setenv("QZONE_ALBUM_CONNECT_TO", ("fcgi-bin:80:" + server.hostPort()).c_str(), 1);
    for (const std::string& url : cases) {
        HttpClient client;
        client.open("GET", url);
        EXPECT_FALSE(client.send()) << url;
        EXPECT_EQ(client.responseText(), "") << url;
    }
    unsetenv("QZONE_ALBUM_CONNECT_TO");
    EXPECT_TRUE(server.recorded().empty());
}

TEST_F(HttpClientTest, OpenDiscardsTheEarlierReply) {
    HttpClient client;
    ASSERT_EQ(get(client, "/plain"), "ok");
    client.open("GET", server.url("/target"));
    EXPECT_EQ(client.responseText(), "");
    // A failing request after a good one does not show the good one's body.
    client.open("GET", "http:///plain");
    client.send();
    EXPECT_EQ(client.responseText(), "");
}

}  // namespace
