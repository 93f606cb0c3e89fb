#include "qzone/storage_route.h"

#include "http/timed_request.h"
#include "qzone/service_hosts.h"
#include "text/primitives.h"
#include "text/scanning.h"

namespace qzone {

Text storageRouteUrl(const Text& account) {
    return "http://" + Text(kStorageRouteHost) + "/GetRoute?UIN=" + account +
           "&type=json&version=2&json_esc=1";
}

Text routeHostFromReply(const Text& reply) {
    // Every {"r": becomes a line break, so a line runs from one entry's members to the name of
    // the next entry: the line that names key + "_bak" carries the default key's own "p".
    Text lines = replaceSubtext(reply, "{\"r\":", "\r\n", std::nullopt, true);
    Text key = textBetween(lines, "default\":\"", "\"");
    Text line = lineAt(lines, findLineContaining(lines, key + "_bak"));
    return textBetween(line, "p\":\"", "\"");
}

Text lookupStorageRoute(const std::function<Text()>& accountText) {
    Text url = storageRouteUrl(accountText());
    return routeHostFromReply(bytesToText(timedHttpRequest(url)));
}

}  // namespace qzone
