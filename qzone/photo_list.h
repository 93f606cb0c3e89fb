// The download URLs of an album's photos, one per line, from the photo-list service.
#pragma once

#include <functional>

#include "text/types.h"

namespace qzone {

// "http://" + photo-list host + path and query with account and album ID as given; the fixed
// query values are sent on every request.
Text photoListUrl(const Text& account, const Text& albumId);

// Every value after "\"url\" : \"" up to the next quote, in reply order, each with its backslash
// characters removed and ended by CRLF. The list ends at the first empty or unterminated value.
// `afterEachUrl` runs once after each URL is collected.
Text photoUrlsFromReply(const Text& reply, const std::function<void()>& afterEachUrl);

// Fetches the photo list of one album; pending window events are processed once per URL.
Text fetchPhotoUrls(const Text& account, const Text& albumId);

}  // namespace qzone
