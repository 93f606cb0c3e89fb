#include "qzone/list_request.h"

#include "platform/http_client.h"

namespace qzone {

Text fetchListReply(const Text& url) {
    platform::HttpClient client;
    client.setFollowRedirects(false);
    client.setAutoCookies(false);
    client.open("GET", url);
    client.send();
    return client.responseText();
}

}  // namespace qzone
