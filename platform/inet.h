// A small WinINet-shaped HTTP layer on libcurl: a root session (agent, access type, proxy list),
// a connection (host, port) and a request (verb, object name, flags) with send, read, the raw
// header block of the final response, and a process-wide cookie store.
//
// The connection is made when the request is sent, so opening handles for an unreachable host
// succeeds and the send fails. Only http and https ever reach the wire, redirects included.
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

// The root handle. With INTERNET_OPEN_TYPE_PROXY and a proxy list "http=HOST:PORT", http
// requests go through that proxy; direct access never uses a proxy (environment variables are
// ignored). A null result (std::unique_ptr empty) means failure.
class Session {
  public:
    static std::unique_ptr<Session> open(std::string_view agent, int accessType,
                                         std::optional<std::string_view> proxyList,
                                         std::optional<std::string_view> bypassList);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const std::string& agent() const { return agent_; }
    // "" for direct access, else the proxy host:port for http requests.
    const std::string& httpProxy() const { return httpProxy_; }

  private:
    Session() = default;
    std::string agent_;
    std::string httpProxy_;
    bool useProxy_ = false;
    friend class Request;
};

class Connection {
  public:
    static std::unique_ptr<Connection> open(Session& session, std::string_view host, int port,
                                            int service = INTERNET_SERVICE_HTTP);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

  private:
    Connection(Session& session) : session_(session) {}
    Session& session_;
    std::string host_;
    int port_ = 0;
    friend class Request;
};

class Request {
  public:
    // verb: "GET", "POST", ...; objectName: path and query as the request line carries it.
    static std::unique_ptr<Request> open(Connection& connection, std::string_view verb,
                                         std::string_view objectName, std::string_view version,
                                         std::uint32_t flags);
    ~Request();
    Request(const Request&) = delete;
    Request& operator=(const Request&) = delete;

    // A flag another thread may set to abort send() soon (an abandoned worker's request). It
    // must outlive the request.
    void setCancelFlag(const std::atomic<bool>* flag);

    // Sends the request and receives the response. headerText is split into lines at "\r\n";
    // empty lines are dropped; each line is sent as one header line. Returns false on failure
    // (no connection, time-out, refused scheme ...); then reads return 0 and the header query
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
    struct State;
    explicit Request(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// Stores one cookie in the process-wide cookie store, as a response from `url` would have set
// "name=data". Requests without INTERNET_FLAG_NO_COOKIES send the store's matching cookies and
// keep what responses set.
bool setCookie(std::string_view url, std::string_view name, std::string_view data);

}  // namespace platform::inet
