// Route lookup, album list and photo list against the fake album service, reached through
// QZONE_ALBUM_CONNECT_TO as the real hosts would be.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>
#include <functional>

#include "qzone/album_list.h"
#include "qzone/photo_list.h"
#include "qzone/storage_route.h"
#include "tests/fixtures/fake_album_service.h"
#include "tests/fixtures/http_recorder.h"
#include "tests/fixtures/sample_jpeg.h"
#include "text/gbk_literal.h"

namespace {

using fixtures::FakeAlbum;
using fixtures::FakeAlbumService;
using fixtures::PhotoFault;
using fixtures::RecordedRequest;

constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows; U; Windows NT 6.1; en-US) AppleWebKit/534.10 (KHTML, like Gecko) "
    "Chrome/7.0.536.2 Safari/534.10";

class AlbumServiceTest : public testing::Test {
  protected:
    void SetUp() override {
        setenv("QZONE_ALBUM_CONNECT_TO", service.connectToValue().c_str(), 1);
        service.setAlbums("10001", {FakeAlbum{"V1a", "旅行"_gbk, 3, 1024, {}},
                                    FakeAlbum{"V2b", "家人"_gbk, 0, 1024, {}}});
    }
    void TearDown() override {
        unsetenv("QZONE_ALBUM_CONNECT_TO");
        unsetenv("QZONE_ALBUM_IDLE_TIMEOUT_MS");
    }

    static Text fetchAlbums(const Text& account) {
        return qzone::fetchAlbumList(account, [account] { return account; });
    }

    FakeAlbumService service;
};

TEST_F(AlbumServiceTest, RouteThenAlbumListThenPhotoUrls) {
    EXPECT_EQ(fetchAlbums("10001"), "V1a----" + "旅行"_gbk + "\r\nV2b----" + "家人"_gbk + "\r\n");
    EXPECT_EQ(qzone::fetchPhotoUrls("10001", "V1a"), service.photoUrl("V1a", 1) + "\r\n" +
                                                         service.photoUrl("V1a", 2) + "\r\n" +
                                                         service.photoUrl("V1a", 3) + "\r\n");

    std::vector<RecordedRequest> requests = service.requests();
    ASSERT_EQ(requests.size(), 3u);
    struct Expected {
        std::string target;
        std::string host;
    };
    const Expected expected[] = {
        {"/GetRoute?UIN=10001&type=json&version=2&json_esc=1", "route.store.qq.com"},
        {"/fcgi-bin/fcg_list_album_v2?inCharset=gbk&outCharset=gbk&hostUin=10001&notice=0"
         "&callbackFun=&format=jsonp&plat=qzone&source=qzone&appid=4&uin=0"
         "&t=0.4698627623492742&g_tk=6827",
         service.hostPort()},
        {"/fcgi-bin/fcg_list_photo_v2?inCharset=gbk&outCharset=gbk&hostUin=10001&notice=0"
         "&callbackFun=&format=jsonp&plat=qzone&source=qzone&appid=4&uin=0&albumid=V1a"
         "&t=0.1300872806915424&g_tk=6827",
         "plist.photo.qq.com"},
    };
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].method, "GET") << i;
        EXPECT_EQ(requests[i].target, expected[i].target) << i;
        EXPECT_EQ(requests[i].header("Host"), expected[i].host) << i;
    }
    // The two list requests come from the list client: its agent, and never a cookie.
    for (std::size_t i = 1; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].header("User-Agent"), kUserAgent) << i;
        EXPECT_EQ(requests[i].headerCount("Cookie"), 0) << i;
    }
}

TEST_F(AlbumServiceTest, RouteAsksForTheAccountBoxAndTheListForTheGivenAccount) {
    EXPECT_EQ(qzone::fetchAlbumList("10001", [] { return Text(""); }),
              "V1a----" + "旅行"_gbk + "\r\nV2b----" + "家人"_gbk + "\r\n");
    ASSERT_EQ(service.requestsTo("/GetRoute").size(), 1u);
    EXPECT_EQ(service.requestsTo("/GetRoute")[0].target,
              "/GetRoute?UIN=&type=json&version=2&json_esc=1");
}

TEST_F(AlbumServiceTest, RouteFailuresLeaveTheAlbumListEmpty) {
    struct Case {
        const char* name;
        bool answers;
        std::optional<std::string> reply;
    };
    const Case cases[] = {
        {"NeverAnswers", false, std::nullopt},
        {"NoHostInReply", true, std::string("{}")},
        {"HostWhereNothingListens", true,
         std::string(R"({"default":"k1","k1":{"r":1,"p":"127.0.0.1:1"},"k1_bak":{"r":2}})")},
    };
    // A route that never answers ends by the transfer's idle limit, well within the lookup's
    // 60 s time limit; the time-out message itself is covered by the route reply tests.
    setenv("QZONE_ALBUM_IDLE_TIMEOUT_MS", "500", 1);
    for (const Case& c : cases) {
        service.setRouteAnswers(c.answers);
        service.setRouteReply(c.reply);
        EXPECT_EQ(fetchAlbums("10001"), "") << c.name;
    }
    EXPECT_EQ(service.requestsTo("/GetRoute").size(), std::size(cases));
    EXPECT_TRUE(service.requestsTo("/fcgi-bin/fcg_list_album_v2").empty());
}

// The account and album ID go into the URLs as typed; whatever they hold, every request keeps
// one request line and adds no header line of its own.
TEST_F(AlbumServiceTest, LineBreaksInAccountOrAlbumAddNoHeader) {
    const Text odd = "1 2\r\nX-Injected: y";
    qzone::fetchAlbumList(odd, [odd] { return odd; });
    qzone::fetchPhotoUrls(odd, odd);
    std::vector<RecordedRequest> requests = service.requests();
    ASSERT_EQ(requests.size(), 3u);
    for (const RecordedRequest& r : requests) {
        EXPECT_EQ(r.headerCount("X-Injected"), 0) << r.raw;
        EXPECT_EQ(r.requestLine.find(' ', r.method.size() + 1), r.requestLine.rfind(' ')) << r.raw;
    }
}

TEST_F(AlbumServiceTest, SlowRouteIsWaitedFor) {
    service.setRouteDelay(std::chrono::milliseconds(1500));
    EXPECT_EQ(fetchAlbums("10001"), "V1a----" + "旅行"_gbk + "\r\nV2b----" + "家人"_gbk + "\r\n");
}

TEST_F(AlbumServiceTest, UnknownAccountOrAlbumYieldsNothing) {
    EXPECT_EQ(fetchAlbums("20002"), "");
    EXPECT_EQ(qzone::fetchPhotoUrls("10001", "V9z"), "");
    EXPECT_EQ(qzone::fetchPhotoUrls("10001", "V2b"), "");  // an album without photos
}

// A list host that answers with a redirect: the body of the redirect reply itself is parsed, and
// its target is never asked for.
TEST_F(AlbumServiceTest, ListRepliesThatRedirectAreReadAsTheyStand) {
    fixtures::HttpRecorder listHost([](const RecordedRequest& request) {
        const bool list = request.target.rfind("/fcgi-bin/", 0) == 0;
        return list ? fixtures::httpResponse(
                          302, R"({"album":[{"id":"R1","name":"Here","n":1}]} "url" : "r1")",
                          {"Location: /moved", "Set-Cookie: s=1; Path=/"})
                    : fixtures::httpResponse(
                          200, R"({"album":[{"id":"T1","name":"There","n":1}]} "url" : "t1")");
    });
    service.setRouteReply(R"({"default":"k1","k1":{"r":1,"p":")" + listHost.hostPort() +
                          R"("},"k1_bak":{"r":2}})");
    // The first entry for a host wins: the photo-list host goes to the redirecting server.
    setenv(
        "QZONE_ALBUM_CONNECT_TO",
        ("plist.photo.qq.com:80:" + listHost.hostPort() + "," + service.connectToValue()).c_str(),
        1);
    struct Case {
        const char* name;
        std::function<Text()> fetch;
        Text result;
    };
    const Case cases[] = {
        {"AlbumList", [] { return fetchAlbums("10001"); }, "R1----Here\r\n"},
        {"PhotoList", [] { return qzone::fetchPhotoUrls("10001", "V1a"); }, "r1\r\n"},
    };
    for (const Case& c : cases) {
        const std::size_t before = listHost.requests().size();
        EXPECT_EQ(c.fetch(), c.result) << c.name;
        std::vector<RecordedRequest> requests = listHost.requests();
        ASSERT_EQ(requests.size(), before + 1) << c.name;
        EXPECT_EQ(requests.back().headerCount("Cookie"), 0) << c.name;
    }
}

TEST_F(AlbumServiceTest, PhotoListProcessesPendingEventsPerUrl) {
    struct Case {
        const char* album;
        int handlerRuns;
    };
    const Case cases[] = {{"V1a", 1}, {"V2b", 0}};
    int argc = 1;
    char name[] = "qzone_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    for (const Case& c : cases) {
        int runs = 0;
        QMetaObject::invokeMethod(
            &app, [&runs] { ++runs; }, Qt::QueuedConnection);
        qzone::fetchPhotoUrls("10001", c.album);
        EXPECT_EQ(runs, c.handlerRuns) << c.album;
        QCoreApplication::sendPostedEvents();  // what was not run inside, for the next case
    }
}

// The photos of the fake service, fetched as raw bytes (the download tests compare files with
// photoBytes()).
struct Fetched {
    CURLcode result;
    long status;
    std::string body;
};

Fetched fetchRaw(const std::string& url) {
    Fetched out{CURLE_OK, 0, ""};
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, 2000L);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &out.body);
    curl_easy_setopt(
        easy, CURLOPT_WRITEFUNCTION, +[](char* data, size_t size, size_t count, void* body) {
            static_cast<std::string*>(body)->append(data, size * count);
            return size * count;
        });
    out.result = curl_easy_perform(easy);
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &out.status);
    curl_easy_cleanup(easy);
    return out;
}

// Walks the JPEG's segments from SOI to SOS: every length must land on the next marker.
bool wellFormedJpeg(const std::string& data) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
    if (data.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8 || byte(data.size() - 2) != 0xFF ||
        byte(data.size() - 1) != 0xD9)
        return false;
    std::size_t at = 2;
    while (at + 4 <= data.size() && byte(at) == 0xFF) {
        if (byte(at + 1) == 0xDA)
            return true;
        at += 2 + (byte(at + 2) << 8 | byte(at + 3));
    }
    return false;
}

TEST_F(AlbumServiceTest, FakeServiceServesPhotosAndTheirFaults) {
    service.setAlbums("30003", {FakeAlbum{"F1",
                                          "faults",
                                          4,
                                          300 * 1024,
                                          {{2, PhotoFault::notFound},
                                           {3, PhotoFault::resetMidBody},
                                           {4, PhotoFault::noAnswer}}}});
    Fetched good = fetchRaw(service.photoUrl("F1", 1));
    EXPECT_EQ(good.status, 200);
    EXPECT_EQ(good.body, service.photoBytes("F1", 1));
    EXPECT_EQ(good.body.size(), 300u * 1024);
    EXPECT_TRUE(wellFormedJpeg(good.body));
    EXPECT_NE(good.body.find("album F1 photo 1"), std::string::npos);
    EXPECT_NE(good.body, service.photoBytes("F1", 2).substr(0, good.body.size()));

    EXPECT_EQ(fetchRaw(service.photoUrl("F1", 2)).status, 404);
    EXPECT_NE(fetchRaw(service.photoUrl("F1", 3)).result, CURLE_OK);
    EXPECT_EQ(fetchRaw(service.photoUrl("F1", 4)).result, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(fetchRaw(service.photoUrl("F1", 5)).status, 404);
}

TEST(SampleJpeg, HasTheAskedSizeAndStaysWellFormed) {
    // Base image and the comment "album A photo 7" take 320 bytes; padding needs 4 at least.
    struct Case {
        std::size_t asked;
        std::size_t size;
    };
    const Case cases[] = {
        {0, 320},
        {323, 320},
        {324, 324},
        {4096, 4096},
        {65537 + 320, 65537 + 320},
        {65539 + 320, 65539 + 320},
        {65541 + 320, 65541 + 320},
        {8u << 20, 8u << 20},
    };
    for (const Case& c : cases) {
        std::string jpeg = fixtures::sampleJpeg("A", 7, c.asked);
        EXPECT_EQ(jpeg.size(), c.size) << c.asked;
        EXPECT_TRUE(wellFormedJpeg(jpeg)) << c.asked;
    }
}

}  // namespace
