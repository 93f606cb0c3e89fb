// The one way the album and photo lists are fetched: a fresh client that neither follows
// redirects nor handles cookies, a GET of the URL, and the reply body as text.
#pragma once

#include "text/types.h"

namespace qzone {

// The reply body up to its first zero byte; "" when the request fails.
Text fetchListReply(const Text& url);

}  // namespace qzone
