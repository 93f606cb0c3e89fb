// A small run-time HTTP client object for the album and photo list requests: open a method and
// an absolute URL, send, read the body as text. Built on libcurl with the program's shared
// transfer options (http/https only, bounded time-outs, no environment proxies).
#pragma once

#include <string>

namespace platform {

class HttpClient {
  public:
    // Redirect following and automatic cookie handling start switched on.
    HttpClient() = default;
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Off: a redirect reply is what the client reads.
    void setFollowRedirects(bool follow) { followRedirects_ = follow; }
    // Off: requests carry no stored cookies and replies' cookies are not kept. On: the client
    // keeps the cookies its replies set and sends them back on later requests (this client
    // only).
    void setAutoCookies(bool enabled) { autoCookies_ = enabled; }

    // Takes the method and the absolute URL ("http://host[:port]/path?query") of the next
    // request and discards the earlier reply. Returns false for a URL without an http or https
    // scheme or without a host; send() then fails.
    bool open(const std::string& method, const std::string& url);

    // Sends the request as HTTP/1.1 with only the headers Host, User-Agent (the client's default)
    // and "Accept: */*", and reads the whole body whatever the status. Returns false when the
    // request could not be made; the body is then empty. Bytes of the path and query below 0x21
    // and 0x7F are percent-encoded; every other byte of the query (GBK included) goes as it
    // stands, while libcurl itself percent-encodes bytes above 0x7F in the path.
    bool send();

    // The reply body up to its first zero byte; "" when there is none.
    std::string responseText() const;

    // The User-Agent every request carries.
    static const std::string& defaultUserAgent();

  private:
    bool followRedirects_ = true;
    bool autoCookies_ = true;
    std::string method_;
    std::string url_;  // as libcurl gets it: scheme://authority + encoded target; "" if unusable
    std::string body_;
    std::string cookies_;  // the kept cookies, one libcurl cookie-list line each
};

}  // namespace platform
