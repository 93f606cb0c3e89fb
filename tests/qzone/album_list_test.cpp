// The album-list reply parser and the album-list URL.
#include <gtest/gtest.h>

#include "qzone/album_list.h"
#include "text/gbk_literal.h"

namespace {

struct AlbumCase {
    const char* name;
    Text reply;
    Text lines;
};

class AlbumReply : public testing::TestWithParam<AlbumCase> {};

TEST_P(AlbumReply, YieldsOneLinePerAlbum) {
    EXPECT_EQ(qzone::albumLinesFromReply(GetParam().reply), GetParam().lines);
}

// 俔 is 0x82 0x5D in GBK: its trail byte is the code of "]".
const Text kTrailBracket = "\x82\x5D";

INSTANTIATE_TEST_SUITE_P(
    Replies, AlbumReply,
    testing::Values(
        AlbumCase{
            "WorkedExample",
            R"({"album":[{"id":"V1a","name":"Trip","n":3},{"id":"V2b","name":"Home","n":5}]})",
            "V1a----Trip\r\nV2b----Home\r\n"},
        AlbumCase{"ServiceShapeWithGbkNames",
                  "_Callback(\r\n{\"code\":0,\"data\":{\"albumList\":[{\"id\":\"V1a\",\"name\":\"" +
                      "旅行"_gbk + "\",\"total\":3},{\"id\":\"V2b\",\"name\":\"" + "家人"_gbk +
                      "\",\"total\":0}],\"albumsInUser\":2}}\r\n);",
                  "V1a----" + "旅行"_gbk + "\r\nV2b----" + "家人"_gbk + "\r\n"},
        AlbumCase{"SpacesAroundColons", R"({"album":[{"id" : "V1a" ,"name" : "Trip" ,"n":3}]})",
                  "V1a----Trip\r\n"},
        // A GBK trail byte that equals "]" does not end the album section.
        AlbumCase{"TrailByteLikeBracket",
                  R"({"album":[{"id":"V1a","name":")" + kTrailBracket +
                      R"(","n":1},{"id":"V2b","name":"Home","n":1}]})",
                  "V1a----" + kTrailBracket + "\r\nV2b----Home\r\n"},
        AlbumCase{"CapitalMemberNames", R"({"album":[{"ID":"V1a","Name":"Trip"}]})", ""},
        // The section starts after the first "album" wherever it stands and ends at the next "]".
        AlbumCase{"FirstAlbumWordStartsTheSection",
                  R"({"albumTip":"see [1]","albumList":[{"id":"V1a","name":"Trip"}]})", ""},
        AlbumCase{"BracketInNameLosesLaterAlbums",
                  R"({"album":[{"id":"V1a","name":"a]b","n":1},{"id":"V2b","name":"Home","n":1}]})",
                  "V1a----\r\n"},
        AlbumCase{"CommaInNameLeavesItEmpty",
                  R"({"album":[{"id":"V1a","name":"a,b","n":1},{"id":"V2b","name":"Home","n":1}]})",
                  "V1a----\r\nV2b----Home\r\n"},
        // An album without a name takes the next album's, and that album is passed over.
        AlbumCase{"NamelessAlbumBorrowsTheNextName",
                  R"({"album":[{"id":"V1a","n":1},{"id":"V2b","name":"Two","n":1},)"
                  R"({"id":"V3c","name":"Three","n":1}]})",
                  "V1a----Two\r\nV3c----Three\r\n"},
        AlbumCase{"NoNameAnywhere", R"({"album":[{"id":"V1a","n":1},{"id":"V2b","n":1}]})",
                  "V1a----\r\nV2b----\r\n"},
        AlbumCase{"BareNumberIdEndsTheList",
                  R"({"album":[{"id":"V1a","name":"One"},{"id":2,"name":"Two"},)"
                  R"({"id":"V3c","name":"Three"}]})",
                  "V1a----One\r\n"},
        AlbumCase{"EmptyIdEndsTheList",
                  R"({"album":[{"id":"","name":"One"},{"id":"V2b","name":"Two"}]})", ""},
        AlbumCase{"EmptyAlbumList", R"({"code":0,"data":{"albumList":[],"albumsInUser":0}})", ""},
        AlbumCase{"NoAlbumWord", R"({"code":-3000,"message":"login"})", ""},
        AlbumCase{"EmptyReply", "", ""}),
    [](const testing::TestParamInfo<AlbumCase>& info) { return info.param.name; });

TEST(AlbumListUrl, CarriesHostAccountAndFixedQuery) {
    const Text tail =
        "&notice=0&callbackFun=&format=jsonp&plat=qzone&source=qzone&appid=4&uin=0"
        "&t=0.4698627623492742&g_tk=6827";
    EXPECT_EQ(qzone::albumListUrl("h.example:81", "10001"),
              "http://h.example:81/fcgi-bin/fcg_list_album_v2?inCharset=gbk&outCharset=gbk"
              "&hostUin=10001" +
                  tail);
    EXPECT_EQ(qzone::albumListUrl("", "1 2"),
              "http:///fcgi-bin/fcg_list_album_v2?inCharset=gbk&outCharset=gbk&hostUin=1 2" + tail);
}

}  // namespace
