// The direct request: one complete HTTP exchange on the calling thread, with default request
// headers, optional body and proxy, redirect capture and the caller's cookies kept as text.
#pragma once

#include <optional>

#include "text/types.h"

// Fetches `url` and returns the response body (empty when the request cannot be set up or
// nothing was read). The status code is not examined.
//
// Every pointer parameter is optional: nullptr means absent, counted as empty on input, its
// output discarded.
//   method        0 = GET, 1 = POST; any other value sends GET with a body.
//   postText      the body when *postBytes is empty and a body is sent.
//   cookies       in/out: the cookie text to send ("a=1; b=2"); the merged text on return.
//   newCookies    out: the cookies this response set, ";"-separated, without spaces.
//   headers       in/out: extra header lines separated by "\r\n"; the header text sent.
//   redirectTarget in/out: the last "Location:" value, else (if still empty) the raw headers.
//   noRedirect    true: redirects are not followed.
//   postBytes     in/out: the body bytes; filled from postText when empty and a body is sent.
//   proxy         present (even empty): through the HTTP proxy "http=" + *proxy.
//   rawHeaders    out: the raw response header block.
// When the request cannot be set up, no in/out or out parameter is touched.
Bytes httpRequest(const Text& url, int method = 0, const Text& postText = {},
                  Text* cookies = nullptr, Text* newCookies = nullptr, Text* headers = nullptr,
                  Text* redirectTarget = nullptr, bool noRedirect = false,
                  Bytes* postBytes = nullptr, const std::optional<Text>& proxy = std::nullopt,
                  Text* rawHeaders = nullptr);
