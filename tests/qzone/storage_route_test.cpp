// The route reply parser and the route URL.
#include <gtest/gtest.h>

#include "http/timed_request.h"
#include "qzone/storage_route.h"

namespace {

struct RouteCase {
    const char* name;
    Text reply;
    Text host;
};

class RouteReply : public testing::TestWithParam<RouteCase> {};

TEST_P(RouteReply, YieldsTheDefaultKeysHost) {
    EXPECT_EQ(qzone::routeHostFromReply(GetParam().reply), GetParam().host);
}

const Text kExample = R"({"default":"k1","k1":{"r":1,"p":"hostA"},"k1_bak":{"r":2,"p":"hostB"}})";

INSTANTIATE_TEST_SUITE_P(
    Replies, RouteReply,
    testing::Values(
        RouteCase{"WorkedExample", kExample, "hostA"},
        RouteCase{"CapitalMarkersStillMatch",
                  R"({"DEFAULT":"k1","k1":{"r":1,"p":"hostA"},"K1_BAK":{"r":2,"p":"hostB"}})",
                  "hostA"},
        RouteCase{"DefaultKeyAmongOthers",
                  R"({"default":"gz","sz":{"r":1,"p":"s1"},"sz_bak":{"r":2,"p":"s2"},)"
                  R"("gz":{"r":3,"p":"g1"},"gz_bak":{"r":4,"p":"g2"}})",
                  "g1"},
        RouteCase{"HostWithPortKeptWhole",
                  R"({"default":"k1","k1":{"r":1,"p":"127.0.0.1:8080"},"k1_bak":{"r":2,"p":"x"}})",
                  "127.0.0.1:8080"},
        // The host comes from the line that holds key + "_bak": with the backup entry first,
        // that line is the one with the default key and no "p".
        RouteCase{"BackupEntryFirst",
                  R"({"default":"k1","k1_bak":{"r":2,"p":"hostB"},"k1":{"r":1,"p":"hostA"}})", ""},
        RouteCase{"NoBackupForTheKey",
                  R"({"default":"k1","k1":{"r":1,"p":"hostA"},"k2_bak":{"r":2,"p":"hostB"}})", ""},
        RouteCase{"BackupLineWithoutHost",
                  R"({"default":"k1","k1":{"r":1,"q":"hostA"},"k1_bak":{"r":2,"p":"hostB"}})", ""},
        // Without the exact marker the key is "", so the first line holding any "_bak" wins.
        RouteCase{"SpacesAroundTheColon",
                  R"({"default" : "gz","sz":{"r":1,"p":"s1"},"sz_bak":{"r":2,"p":"s2"},)"
                  R"("gz":{"r":3,"p":"g1"},"gz_bak":{"r":4,"p":"g2"}})",
                  "s1"},
        RouteCase{"TimeOutMessage", timedRequestTimeoutMessage(), ""},
        RouteCase{"EmptyReply", "", ""},
        RouteCase{"ErrorPage", "<html><body>502 Bad Gateway</body></html>", ""}),
    [](const testing::TestParamInfo<RouteCase>& info) { return info.param.name; });

TEST(StorageRouteUrl, CarriesTheAccountAsGiven) {
    struct Case {
        Text account;
        Text url;
    };
    const Case cases[] = {
        {"10001", "http://route.store.qq.com/GetRoute?UIN=10001&type=json&version=2&json_esc=1"},
        {"", "http://route.store.qq.com/GetRoute?UIN=&type=json&version=2&json_esc=1"},
        {" 1 2", "http://route.store.qq.com/GetRoute?UIN= 1 2&type=json&version=2&json_esc=1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(qzone::storageRouteUrl(c.account), c.url) << c.account;
}

}  // namespace
