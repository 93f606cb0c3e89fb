// What every HTTP transfer of the program shares on libcurl: RAII handles, the rule that only
// http and https reach the wire (redirects included), bounded time-outs, no proxy from the
// environment, and the QZONE_ALBUM_CONNECT_TO test seam.
#pragma once

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace platform::curl {

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
// Append with: list.reset(curl_slist_append(list.release(), "..."))  -- see appendLine().
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;
void appendLine(Slist& list, const std::string& line);

// Time limits of one transfer: connecting, and how long it may go without receiving or sending
// a byte (the wait for the first response byte included). Defaults 60 s and 30 s; the
// environment variables QZONE_ALBUM_CONNECT_TIMEOUT_MS and QZONE_ALBUM_IDLE_TIMEOUT_MS override
// them (tests use this), read at every transfer.
struct Timeouts {
    std::chrono::milliseconds connect{60000};
    std::chrono::milliseconds idle{30000};
};
Timeouts currentTimeouts();

// Watches one transfer for idleness and for cancellation. Must outlive the transfer.
struct TransferWatch {
    std::chrono::milliseconds idleLimit{30000};
    const std::atomic<bool>* cancel = nullptr;  // set to abort the transfer soon
    std::chrono::steady_clock::time_point lastActivity{};
    curl_off_t lastDown = -1;
    curl_off_t lastUp = -1;
};

// Applies the shared options to a fresh easy handle: http/https only (also for redirects),
// connect time-out, idle watch (through the progress callback), no signals, no proxy unless the
// caller sets one afterwards (environment proxy and no-proxy settings are ignored), and the
// connect-to list from QZONE_ALBUM_CONNECT_TO ("HOST1:PORT1:HOST2:PORT2[,...]"), which
// `connectTo` keeps alive.
void applyCommonOptions(CURL* easy, TransferWatch& watch, Slist& connectTo);

// A request target that can stand in a request line: bytes below 0x21 and 0x7F are
// percent-encoded; every other byte, GBK bytes included, goes as it stands.
std::string encodeRequestTarget(std::string_view target);

// Byte-wise comparison folding ASCII letters only (schemes, header names).
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// A header line that cannot split into two on the wire: every CR or LF becomes a space.
std::string singleHeaderLine(std::string_view line);

}  // namespace platform::curl
