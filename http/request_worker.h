// The worker-thread half of a timed request: it takes the request out of its record, performs
// one HTTP exchange and writes the body, the raw response headers and the cookies that the
// response set back into the same record.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

#include "platform/memory_file.h"
#include "text/types.h"

// Seven members that carry a timed request to the worker and its results back. Text members
// hold the text's bytes without a terminator. Booleans are the texts "真" and "假".
using TimedRequestRecord = BytesArray;

namespace timed_record {

inline constexpr std::size_t kMemberCount = 7;

// Indexes into the record. Three members are overwritten with results: the URL with the body,
// the method with the cookies the response set, the cookie text with the raw headers.
inline constexpr std::size_t kUrl = 0;              // in: the URL, with its scheme
inline constexpr std::size_t kBody = 0;             // out: every body byte read
inline constexpr std::size_t kMethod = 1;           // in: "GET" or "POST"
inline constexpr std::size_t kNewCookies = 1;       // out: name=value; for each cookie set
inline constexpr std::size_t kProxy = 2;            // in: HTTP proxy host:port, "" = direct
inline constexpr std::size_t kHeaders = 3;          // in: extra header lines, each with CRLF
inline constexpr std::size_t kPostBody = 4;         // in: body of a POST
inline constexpr std::size_t kCookies = 5;          // in: text for the Cookie line
inline constexpr std::size_t kRawHeaders = 5;       // out: status line and header lines
inline constexpr std::size_t kFollowRedirects = 6;  // in: "真" follows redirects

}  // namespace timed_record

// The worker thread's routine. Reads the record at the start of `file`; when it cannot be read
// the worker ends without writing anything. Otherwise it always writes the seven-member record
// back at the start of the file. A failed exchange leaves the body, the cookies and the raw
// headers empty. `cancel`, when given, aborts the exchange soon after it is set (an abandoned
// worker); it must outlive the call.
void requestWorker(const std::shared_ptr<platform::MemoryFile>& file,
                   const std::atomic<bool>* cancel = nullptr);
