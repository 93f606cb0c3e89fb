#include "qzone/album_list.h"

#include "qzone/list_request.h"
#include "qzone/storage_route.h"
#include "text/scanning.h"

namespace qzone {
namespace {

constexpr char kAlbumListPath[] =
    "/fcgi-bin/fcg_list_album_v2?inCharset=gbk&outCharset=gbk&hostUin=";
constexpr char kAlbumListQueryTail[] =
    "&notice=0&callbackFun=&format=jsonp&plat=qzone&source=qzone&appid=4&uin=0"
    "&t=0.4698627623492742&g_tk=6827";
constexpr char kSeparator[] = "----";

Text quotedValue(const Text& field) {
    Pos unused = 0;
    return textBetweenAt(field, "\"", "\"", 1, unused);
}

}  // namespace

Text albumListUrl(const Text& host, const Text& account) {
    return "http://" + host + kAlbumListPath + account + kAlbumListQueryTail;
}

Text albumLinesFromReply(const Text& reply) {
    Pos unused = 0;
    const Text section = textBetweenAt(reply, "album", "]", 1, unused);
    Text result;
    Pos pos = 0;
    for (;;) {
        Text id = quotedValue(textBetweenAt(section, "\"id\"", ",", pos, pos));
        if (id.empty())
            return result;
        // The name is searched from the comma after the ID, not within the album's own entry:
        // an album without a name takes the next one's, and that album's ID is passed over.
        Text name = quotedValue(textBetweenAt(section, "\"name\"", ",", pos, pos));
        result += id;
        result += kSeparator;
        result += name;
        result += "\r\n";
    }
}

Text fetchAlbumList(const Text& account, const std::function<Text()>& accountText) {
    Text host = lookupStorageRoute(accountText);
    return albumLinesFromReply(fetchListReply(albumListUrl(host, account)));
}

}  // namespace qzone
