// Which host serves an account's album list: asked of the storage-route service through a timed
// request, so the window keeps processing events while the lookup waits.
#pragma once

#include <functional>

#include "text/types.h"

namespace qzone {

// "http://" + route host + "/GetRoute?UIN=" + account + the fixed query; the account as given.
Text storageRouteUrl(const Text& account);

// The host named by a route reply: the "p" value in the segment (split at {"r":) that holds the
// default key + "_bak"; "" when the reply does not yield one. Marker searches ignore ASCII case.
Text routeHostFromReply(const Text& reply);

// Reads the account through `accountText` (the window's account box), asks the route service
// and returns the host, or "" on time-out, failure or an unexpected reply.
Text lookupStorageRoute(const std::function<Text()>& accountText);

}  // namespace qzone
