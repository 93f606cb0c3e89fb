#include "platform/curl_common.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace platform::curl {
namespace {

std::chrono::milliseconds fromEnvironment(const char* name, std::chrono::milliseconds fallback) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0')
        return fallback;
    char* end = nullptr;
    long long ms = std::strtoll(value, &end, 10);
    if (end == value || ms <= 0)
        return fallback;
    return std::chrono::milliseconds(ms);
}

int onProgress(void* data, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow) {
    auto* watch = static_cast<TransferWatch*>(data);
    if (watch->cancel != nullptr && watch->cancel->load(std::memory_order_relaxed))
        return 1;
    auto now = std::chrono::steady_clock::now();
    if (dlnow != watch->lastDown || ulnow != watch->lastUp) {
        watch->lastDown = dlnow;
        watch->lastUp = ulnow;
        watch->lastActivity = now;
        return 0;
    }
    return now - watch->lastActivity > watch->idleLimit ? 1 : 0;
}

void addConnectTo(Slist& list) {
    const char* value = std::getenv("QZONE_ALBUM_CONNECT_TO");
    if (value == nullptr)
        return;
    std::string_view rest(value);
    while (!rest.empty()) {
        std::size_t comma = rest.find(',');
        std::string_view entry = rest.substr(0, comma);
        if (!entry.empty())
            appendLine(list, std::string(entry));
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
}

}  // namespace

void appendLine(Slist& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown != nullptr) {
        (void)list.release();
        list.reset(grown);
    }
}

Timeouts currentTimeouts() {
    Timeouts t;
    t.connect = fromEnvironment("QZONE_ALBUM_CONNECT_TIMEOUT_MS", t.connect);
    t.idle = fromEnvironment("QZONE_ALBUM_IDLE_TIMEOUT_MS", t.idle);
    return t;
}

void applyCommonOptions(CURL* easy, TransferWatch& watch, Slist& connectTo) {
    Timeouts limits = currentTimeouts();
    watch.idleLimit = limits.idle;
    watch.lastActivity = std::chrono::steady_clock::now();

    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &watch);
    // An empty proxy string turns off the proxy environment variables; an empty no-proxy list
    // keeps no_proxy / NO_PROXY from sending a request past the proxy a caller sets later.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    addConnectTo(connectTo);
    if (connectTo)
        curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo.get());
}

std::string encodeRequestTarget(std::string_view target) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(target.size());
    for (unsigned char c : target) {
        if (c <= 0x20 || c == 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string singleHeaderLine(std::string_view line) {
    std::string out(line);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

}  // namespace platform::curl
