// The photo-list reply parser and the photo-list URL.
#include <gtest/gtest.h>

#include <algorithm>

#include "qzone/photo_list.h"

namespace {

struct PhotoCase {
    const char* name;
    Text reply;
    Text urls;
};

class PhotoReply : public testing::TestWithParam<PhotoCase> {};

TEST_P(PhotoReply, YieldsOneUrlPerLineAndOneCallbackPerUrl) {
    int callbacks = 0;
    EXPECT_EQ(qzone::photoUrlsFromReply(GetParam().reply, [&] { ++callbacks; }), GetParam().urls);
    const Text& urls = GetParam().urls;
    int lines = 0;
    for (std::size_t at = urls.find("\r\n"); at != Text::npos; at = urls.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(callbacks, lines);
}

// 乗 is 0x81 0x5C in GBK: its trail byte is the code of a backslash.
const Text kTrailBackslash = "\x81\x5C";

INSTANTIATE_TEST_SUITE_P(
    Replies, PhotoReply,
    testing::Values(
        PhotoCase{"EscapedSlashesRemoved", R"(x "url" : "p\/1.jpg", y "url" : "p\/2.jpg" z)",
                  "p/1.jpg\r\np/2.jpg\r\n"},
        PhotoCase{"ServiceShape",
                  "_Callback(\r\n{\"data\":{\"photoList\":[\r\n\t{\r\n\t\t\"pre\" : "
                  "\"http:\\/\\/t\\/1s.jpg\",\r\n\t\t\"url\" : \"http:\\/\\/h\\/1.jpg\",\r\n\t\t"
                  "\"width\" : 16\r\n\t},\r\n\t{\r\n\t\t\"url\" : \"http:\\/\\/h\\/2.jpg\"\r\n\t}"
                  "\r\n]}}\r\n);",
                  "http://h/1.jpg\r\nhttp://h/2.jpg\r\n"},
        // Only a backslash that stands as a character of its own is removed.
        PhotoCase{"GbkTrailBackslashKept",
                  R"("url" : "http:\/\/h\/)" + kTrailBackslash + R"(\/1.jpg")",
                  "http://h/" + kTrailBackslash + "/1.jpg\r\n"},
        PhotoCase{"MarkerWithoutSpaces", R"("url":"p/1.jpg")", ""},
        PhotoCase{"MarkerInCapitals", R"("URL" : "p/1.jpg")", ""},
        PhotoCase{"EmptyValueEndsTheList", R"("url" : "a", "url" : "", "url" : "b")", "a\r\n"},
        PhotoCase{"UnterminatedLastValue", R"("url" : "a", "url" : "b)", "a\r\n"},
        PhotoCase{"NoMarker", R"({"code":0,"data":{"photoList":[]}})", ""},
        PhotoCase{"EmptyReply", "", ""}),
    [](const testing::TestParamInfo<PhotoCase>& info) { return info.param.name; });

TEST(PhotoListUrl, CarriesAccountAlbumAndFixedQuery) {
    EXPECT_EQ(qzone::photoListUrl("10001", "V1 a"),
              "http://plist.photo.qq.com/fcgi-bin/fcg_list_photo_v2?inCharset=gbk&outCharset=gbk"
              "&hostUin=10001&notice=0&callbackFun=&format=jsonp&plat=qzone&source=qzone&appid=4"
              "&uin=0&albumid=V1 a&t=0.1300872806915424&g_tk=6827");
}

}  // namespace
