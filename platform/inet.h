// A small WinINet-shaped HTTP layer on libcurl: a root session (agent, access type, proxy list),
// a connection (host, port) and a request (verb, object name, flags) with send, read, the raw
// header block of the final response, and a process-wide cookie store.
//
// The connection is made when the request is sent, so opening handles for an unreachable host
// succeeds and the send fails. Only http and https ever reach the wire, redirects included.
// Every transfer has the bounded time-outs of platform/curl_common.h.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform::inet {

// Request flags, with the values callers know them by.
inline constexpr std::uint32_t INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr std::uint32_t INTERNET_FLAG_NEED_FILE = 0x00000010;
inline constexpr std::uint32_t INTERNET_FLAG_NO_COOKIES = 0x00080000;
inline constexpr std::uint32_t INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
inline constexpr std::uint32_t INTERNET_FLAG_SECURE = 0x00800000;
inline constexpr std::uint32_t INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;

inline constexpr int INTERNET_OPEN_TYPE_DIRECT = 1;
inline constexpr int INTERNET_OPEN_TYPE_PROXY = 3;
inline constexpr int INTERNET_SERVICE_HTTP = 3;
inline constexpr int HTTP_QUERY_RAW_HEADERS_CRLF = 22;

class Connection;
class Request;

// Lets open() build the handles while nobody else can.
class HandleKey {
  private:
    HandleKey() = default;
    friend class Session;
    friend class Connection;
    friend class Request;
};

// The root handle. With INTERNET_OPEN_TYPE_PROXY and a proxy list "http=HOST:PORT", http
// requests go through that proxy with the absolute URL as their target; https requests always
// go direct. The list may hold several entries separated by spaces or ";"; a bare "HOST:PORT"
// serves http as well. A list that names no server for http ("http=" alone) leaves no usable
// proxy: requests then go direct. Direct access never uses a proxy (environment variables are
// ignored). The bypass list is not consulted. A CR or LF in the agent becomes a space, as in
// header lines. A null result means failure: an access type other than these two, or
// INTERNET_OPEN_TYPE_PROXY without a proxy list.
class Session {
  public:
    static std::unique_ptr<Session> open(std::string_view agent, int accessType,
                                         std::optional<std::string_view> proxyList,
                                         std::optional<std::string_view> bypassList);
    explicit Session(HandleKey) {}
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& agent() const { return agent_; }
    // "" for direct access, else the proxy host:port for http requests.
    const std::string& httpProxy() const { return httpProxy_; }

  private:
    std::string agent_;
    std::string httpProxy_;
    bool useProxy_ = false;
    friend class Request;
};

// Host and port of the requests made on it; port 0 means the scheme's default port (80 for
// http, 443 for https). Null for an empty host, a port outside 0..65535 or another service.
class Connection {
  public:
    static std::unique_ptr<Connection> open(Session& session, std::string_view host, int port,
                                            int service = INTERNET_SERVICE_HTTP);
    Connection(HandleKey, Session& session) : session_(session) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

  private:
    Session& session_;
    std::string host_;
    int port_ = 0;
    friend class Request;
};

class Request {
  public:
    // verb: "GET", "POST", ... (a token; empty means GET); objectName: path and query as the
    // request line carries it (spaces and control bytes go percent-encoded, every other byte,
    // GBK included, as it stands; a "#" fragment is not sent); version "HTTP/1.1", "HTTP/1.0"
    // or empty. INTERNET_FLAG_SECURE makes it an https request. Null for a verb or version
    // that cannot go into a request line.
    static std::unique_ptr<Request> open(Connection& connection, std::string_view verb,
                                         std::string_view objectName, std::string_view version,
                                         std::uint32_t flags);
    // What one request keeps: its settings and the response of the last send().
    struct State;
    Request(HandleKey, std::unique_ptr<State> state);
    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // A flag another thread may set to abort send() soon (an abandoned worker's request). It
    // must outlive the request.
    void setCancelFlag(const std::atomic<bool>* flag);

    // Sends the request and receives the whole response. On the wire: the request line, Host,
    // User-Agent with the session's agent (no such line when the agent is empty or the header
    // text has its own), the header text's lines in order, then Content-Length when a body
    // goes (a body goes whenever one is given, and a POST always has one, maybe empty), and
    // nothing else of libcurl's own. headerText is split into lines at "\r\n"; empty lines
    // and lines without a name are dropped; a CR or LF inside a line becomes a space.
    //
    // Redirects (301, 302, 303, 307, 308) are followed, at most 20, unless
    // INTERNET_FLAG_NO_AUTO_REDIRECT is set: only to http and https, and from an http request
    // to https only with INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS. 301 and 302 turn a POST into
    // a GET, 303 anything but HEAD; then the body is not sent again. Cookie, Authorization and
    // Host lines are not carried to another server. A redirect that is not followed is the
    // final response.
    //
    // Returns false on failure (no connection, time-out, cancel, a body cut short, a redirect
    // loop ...): then nothing of the response is kept, reads return 0 and the header query
    // fails.
    bool send(std::string_view headerText, std::string_view body);
    // Copies up to `size` body bytes; 0 at the end of the body and after a failure.
    std::size_t read(char* buffer, std::size_t size);
    // Body bytes not yet read (0 after a failure); lets a caller reserve memory once.
    std::size_t bytesAvailable() const;
    // The raw header block of the final response ("\r\n" line ends, ending with the empty
    // line) followed by a NUL, if it fits into `length` bytes; `length` is set to the block's
    // length (without the NUL) on success and to the needed size on failure.
    bool queryRawHeaders(char* buffer, std::uint32_t& length) const;

  private:
    std::unique_ptr<State> state_;
};

// Stores one cookie in the process-wide cookie store, as a response from `url` would have set
// "name=data": data is the value, then attributes after ";" (path, domain, expires, max-age,
// secure). Without a domain the cookie belongs to the URL's host alone; a domain must be that
// host or a parent domain of it (not a bare top-level name). An expiry in the past deletes the
// cookie. With an empty name, data carries "name=value" itself. False, and nothing stored,
// for a URL without a host, a cookie without a name, a foreign domain, or a CR, LF, tab or NUL
// in the name or value. Requests without INTERNET_FLAG_NO_COOKIES send the store's matching
// cookies and keep what responses set; the store is shared by all threads.
bool setCookie(std::string_view url, std::string_view name, std::string_view data);

}  // namespace platform::inet
