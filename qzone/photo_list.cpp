#include "qzone/photo_list.h"

#include "platform/events.h"
#include "qzone/list_request.h"
#include "qzone/service_hosts.h"
#include "text/primitives.h"
#include "text/scanning.h"

namespace qzone {
namespace {

constexpr char kPhotoListPath[] =
    "/fcgi-bin/fcg_list_photo_v2?inCharset=gbk&outCharset=gbk&hostUin=";
constexpr char kPhotoListQueryMiddle[] =
    "&notice=0&callbackFun=&format=jsonp&plat=qzone&source=qzone&appid=4&uin=0&albumid=";
constexpr char kPhotoListQueryTail[] = "&t=0.1300872806915424&g_tk=6827";

}  // namespace

Text photoListUrl(const Text& account, const Text& albumId) {
    return "http://" + Text(kPhotoListHost) + kPhotoListPath + account + kPhotoListQueryMiddle +
           albumId + kPhotoListQueryTail;
}

Text photoUrlsFromReply(const Text& reply, const std::function<void()>& afterEachUrl) {
    Text result;
    Pos pos = 0;
    for (;;) {
        Text url = textBetweenAt(reply, "\"url\" : \"", "\"", pos, pos);
        if (url.empty())
            return result;
        // replaceSubtext walks characters, so a backslash that is the trail byte of a GBK
        // character stays.
        result += replaceSubtext(url, "\\", "", std::nullopt, true);
        result += "\r\n";
        if (afterEachUrl)
            afterEachUrl();
    }
}

Text fetchPhotoUrls(const Text& account, const Text& albumId) {
    return photoUrlsFromReply(fetchListReply(photoListUrl(account, albumId)),
                              &platform::processPendingEvents);
}

}  // namespace qzone
