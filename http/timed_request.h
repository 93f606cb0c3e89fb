// One HTTP request on a worker thread under a time limit: the window thread waits for it while
// it keeps serving window events, and gets a fixed message instead of a body when time runs out.
#pragma once

#include <optional>

#include "text/types.h"

// What timedHttpRequest returns in place of a body when its time limit ran out.
const Text& timedRequestTimeoutMessage();

inline constexpr int kTimedRequestPost = 1;  // method: any other value is GET
inline constexpr int kConvertFromUtf8 = 1;   // outputConversion: utf8ToGbk
inline constexpr int kConvertFromBig5 = 2;   // outputConversion: big5ToSimplifiedGbk
inline constexpr int kDefaultTimeoutSeconds = 60;

// url (in/out): gets "http://" in front when it starts with neither "http://" nor "https://"
// (exact case). A blank url returns empty Bytes at once. Time limit: timeoutSeconds (60 when
// absent; 0 or less always times out). rawHeaders and newCookies are written only when given
// and only when the worker ended in time. allowRedirect defaults to true. A failed request
// returns empty Bytes.
Bytes timedHttpRequest(Text& url, std::optional<int> method = {},
                       const std::optional<Text>& proxy = {},
                       const std::optional<Text>& headers = {},
                       const std::optional<Bytes>& postBytes = {},
                       const std::optional<Text>& cookies = {},
                       std::optional<int> timeoutSeconds = {}, Text* rawHeaders = nullptr,
                       std::optional<int> outputConversion = {}, Text* newCookies = nullptr,
                       std::optional<bool> allowRedirect = {});
