// An account's albums as text, one line per album: album ID + "----" + album name + CRLF.
#pragma once

#include <functional>

#include "text/types.h"

namespace qzone {

// "http://" + host + the album-list path and query with the account as given; the fixed query
// values are sent on every request.
Text albumListUrl(const Text& host, const Text& account);

// The album lines of an album-list reply. The album section runs from the first "album" to the
// next "]"; in it every "id" value (quoted, before the next comma) is paired with the next
// "name" value after it. All searches are exact. "" when no album is found.
Text albumLinesFromReply(const Text& reply);

// Looks up the album-list host (reading the account box through `accountText`), fetches the
// list of `account` from it and returns its album lines.
Text fetchAlbumList(const Text& account, const std::function<Text()>& accountText);

}  // namespace qzone
