#include "platform/http_client.h"

#include "platform/curl_common.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace platform {
namespace {

constexpr char kUserAgent[] =
    "Mozilla/5.0 (Windows; U; Windows NT 6.1; en-US) AppleWebKit/534.10 (KHTML, like Gecko) "
    "Chrome/7.0.536.2 Safari/534.10";
constexpr long kMaxRedirects = 10;

// A method must be a plain token: it goes into the request line as it stands.
bool isToken(std::string_view method) {
    return !method.empty() && std::all_of(method.begin(), method.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
}

// Splits "scheme://authority/target" and rebuilds it for libcurl with the target encoded, so
// that no space or control byte reaches the request line. libcurl itself reads "http:///x" as
// the host "x", so a missing host is refused here. Returns "" for an unusable URL.
std::string urlForCurl(std::string_view url) {
    std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos)
        return "";
    std::string_view scheme = url.substr(0, schemeEnd);
    if (!curl::equalsIgnoreCase(scheme, "http") && !curl::equalsIgnoreCase(scheme, "https"))
        return "";
    std::string_view rest = url.substr(schemeEnd + 3);
    std::size_t authorityEnd = rest.find_first_of("/?#");
    std::string_view authority = rest.substr(0, authorityEnd);
    if (authority.empty())
        return "";
    std::string_view target =
        authorityEnd == std::string_view::npos ? std::string_view() : rest.substr(authorityEnd);
    std::string out(scheme);
    out += "://";
    out += authority;
    if (!target.empty() && target.front() != '/')
        out += '/';
    out += curl::encodeRequestTarget(target);
    return out;
}

size_t appendBody(char* data, size_t size, size_t count, void* userdata) {
    static_cast<std::string*>(userdata)->append(data, size * count);
    return size * count;
}

void applyMethod(CURL* easy, const std::string& method) {
    if (method == "GET")
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    else if (method == "HEAD")
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    else
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, method.c_str());
}

// Hands the kept cookies to a fresh handle; its cookie engine is on from then.
void loadCookies(CURL* easy, const std::string& cookies) {
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, "");
    std::string_view rest = cookies;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string line(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty())
            curl_easy_setopt(easy, CURLOPT_COOKIELIST, line.c_str());
    }
}

std::string savedCookies(CURL* easy) {
    curl_slist* list = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_COOKIELIST, &list) != CURLE_OK)
        return "";
    curl::Slist owned(list);
    std::string out;
    for (const curl_slist* item = list; item != nullptr; item = item->next) {
        out += item->data;
        out += '\n';
    }
    return out;
}

}  // namespace

const std::string& HttpClient::defaultUserAgent() {
    static const std::string agent = kUserAgent;
    return agent;
}

bool HttpClient::open(const std::string& method, const std::string& url) {
    body_.clear();
    url_.clear();
    method_.clear();
    if (!isToken(method))
        return false;
    url_ = urlForCurl(url);
    if (url_.empty())
        return false;
    method_ = method;
    return true;
}

bool HttpClient::send() {
    body_.clear();
    if (url_.empty())
        return false;
    curl::EasyHandle easy(curl_easy_init());
    if (!easy)
        return false;
    curl::TransferWatch watch;
    curl::Slist connectTo;
    curl::applyCommonOptions(easy.get(), watch, connectTo);
    curl_easy_setopt(easy.get(), CURLOPT_URL, url_.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(easy.get(), CURLOPT_FOLLOWLOCATION, followRedirects_ ? 1L : 0L);
    curl_easy_setopt(easy.get(), CURLOPT_MAXREDIRS, kMaxRedirects);
    applyMethod(easy.get(), method_);
    if (autoCookies_)
        loadCookies(easy.get(), cookies_);
    std::string received;
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &received);

    CURLcode result = curl_easy_perform(easy.get());
    if (autoCookies_)
        cookies_ = savedCookies(easy.get());
    if (result != CURLE_OK)
        return false;
    body_ = std::move(received);
    return true;
}

std::string HttpClient::responseText() const {
    return body_.substr(0, body_.find('\0'));
}

}  // namespace platform
