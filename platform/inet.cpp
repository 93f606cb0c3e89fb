#include "platform/inet.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include <malloc.h>
#include <sys/mman.h>

#include "platform/curl_common.h"

namespace platform::inet {
namespace {

// A chain of redirects longer than this is treated as a loop and fails the request.
constexpr long kMaxRedirects = 20;
// Body bytes are kept in blocks, so that reading hands memory back as it goes: the first
// kSmallBodyBlocks blocks of a body (1 MiB, a photo) are small, the rest huge-page sized.
constexpr std::size_t kBodyBlockSize = 64 * 1024;
constexpr std::size_t kSmallBodyBlocks = 16;
constexpr std::size_t kLargeBodyBlockSize = 2 * 1024 * 1024;
// libcurl's receive buffer, as large as the curl tool's: fewer, larger reads from the socket.
constexpr long kReceiveBufferSize = 100 * 1024;

constexpr std::string_view kProxyListHttpEntry = "http=";

bool startsWithIgnoreCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           curl::equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Downloads allocate and free a body-sized buffer or two per request. With the allocator's
// defaults, every photo of a few hundred KiB grows the heap and trims it again (or maps fresh
// pages), so each request pays a page fault per 4 KiB twice over. Memory below 1 MiB is kept in
// the heap and reused instead; larger buffers still get pages of their own, which go back to
// the system the moment they are freed. Set once per process, before the first request.
void tuneAllocatorForBodies() {
    static std::once_flag once;
    std::call_once(once, [] {
        ::mallopt(M_MMAP_THRESHOLD, 1024 * 1024);
        ::mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    });
}

// One piece of a response body. The first pieces of a body (a photo) come from the heap and are
// reused from one request to the next; the pieces of a large body have pages of their own that
// go back to the system the moment the piece is read, so a large body is never held twice while
// the caller copies it out. Large pieces ask for huge pages, which fault in a few steps.
class BodyBlock {
  public:
    explicit BodyBlock(bool large) : capacity_(large ? kLargeBodyBlockSize : kBodyBlockSize) {
        if (!large) {
            data_ = static_cast<char*>(std::malloc(capacity_));
            return;
        }
        void* pages =
            ::mmap(nullptr, capacity_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            return;
        data_ = static_cast<char*>(pages);
        ::madvise(data_, capacity_, MADV_HUGEPAGE);  // a hint: small pages work as well
    }
    ~BodyBlock() {
        if (data_ == nullptr)
            return;
        if (capacity_ == kLargeBodyBlockSize)
            ::munmap(data_, capacity_);
        else
            std::free(data_);
    }
    BodyBlock(BodyBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(other.capacity_) {}
    BodyBlock& operator=(BodyBlock&&) = delete;
    BodyBlock(const BodyBlock&) = delete;

    bool usable() const { return data_ != nullptr; }
    std::size_t size() const { return size_; }
    std::size_t room() const { return capacity_ - size_; }
    const char* data() const { return data_; }
    void append(const char* bytes, std::size_t count) {
        std::memcpy(data_ + size_, bytes, count);
        size_ += count;
    }

  private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_;
};

// --- the process-wide cookie store ---

struct ShareDeleter {
    void operator()(CURLSH* share) const { curl_share_cleanup(share); }
};

// Stands for the system cookie store: one libcurl share holding cookies, used by every thread.
// It lives until the process ends; if an abandoned request still uses it then, libcurl refuses
// the clean-up and the memory goes with the process.
class CookieStore {
  public:
    static CURLSH* share() {
        static CookieStore store;
        return store.share_.get();
    }

  private:
    CookieStore() : share_(curl_share_init()) {
        if (!share_)
            return;
        curl_share_setopt(share_.get(), CURLSHOPT_LOCKFUNC, &CookieStore::lock);
        curl_share_setopt(share_.get(), CURLSHOPT_UNLOCKFUNC, &CookieStore::unlock);
        curl_share_setopt(share_.get(), CURLSHOPT_USERDATA, this);
        curl_share_setopt(share_.get(), CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    }

    static void lock(CURL*, curl_lock_data data, curl_lock_access, void* self) {
        static_cast<CookieStore*>(self)->mutexFor(data).lock();
    }
    static void unlock(CURL*, curl_lock_data data, void* self) {
        static_cast<CookieStore*>(self)->mutexFor(data).unlock();
    }
    std::mutex& mutexFor(curl_lock_data data) {
        auto index = static_cast<std::size_t>(data);
        return mutexes_[index < mutexes_.size() ? index : 0];
    }

    std::array<std::mutex, CURL_LOCK_DATA_LAST> mutexes_;
    std::unique_ptr<CURLSH, ShareDeleter> share_;
};

// --- proxy list and URL pieces ---

// The server for http requests out of a proxy list in the system's format: entries separated
// by spaces or ";", each "scheme=server" or a bare "server" that serves every scheme; an http
// entry wins over a bare one. A "http://" in front of the server is allowed.
std::string httpProxyServer(std::string_view list) {
    std::string bare;
    std::string http;
    bool haveHttp = false;
    while (!list.empty()) {
        std::size_t end = list.find_first_of(" ;");
        std::string_view entry = list.substr(0, end);
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
        if (entry.empty())
            continue;
        std::size_t equals = entry.find('=');
        if (equals == std::string_view::npos) {
            if (bare.empty())
                bare = entry;
        } else if (!haveHttp && startsWithIgnoreCase(entry, kProxyListHttpEntry)) {
            http = entry.substr(kProxyListHttpEntry.size());
            haveHttp = true;
        }
    }
    std::string server = haveHttp ? http : bare;
    if (startsWithIgnoreCase(server, "http://"))
        server.erase(0, 7);
    return server;
}

// Host names and IPv4 addresses, or an IPv6 address in brackets. Anything else (a "?" or "@",
// a space, GBK bytes) would make libcurl read the URL differently from what was asked for, so
// such a host fails the send as a name that does not resolve would.
bool isUsableHost(std::string_view host) {
    if (host.empty())
        return false;
    if (host.front() == '[')
        return host.size() > 2 && host.back() == ']' &&
               std::all_of(host.begin() + 1, host.end() - 1, [](char c) {
                   return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
               });
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
    });
}

// A verb goes into the request line as it stands, so it must be a plain token.
bool isToken(std::string_view verb) {
    return !verb.empty() && std::all_of(verb.begin(), verb.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
}

// Where one request goes. `target` is the request line's target exactly as it is sent: spaces
// and control bytes percent-encoded, every other byte (GBK included) as it stands, and no
// fragment, which never goes to a server.
struct Destination {
    std::string url;  // scheme://host[:port] + target; "" when the host cannot be used
    std::string target;
};

Destination destinationOf(bool secure, const std::string& host, int port, std::string_view object) {
    if (!isUsableHost(host))
        return {};
    object = object.substr(0, object.find('#'));
    Destination out;
    out.target = curl::encodeRequestTarget(object);
    if (out.target.empty() || out.target.front() != '/')
        out.target.insert(0, 1, '/');
    int defaultPort = secure ? 443 : 80;
    out.url = secure ? "https://" : "http://";
    out.url += host;
    // Port 0 stands for the scheme's default port, as an unset port does for the system's API.
    if (port != 0 && port != defaultPort)
        out.url += ":" + std::to_string(port);
    out.url += out.target;
    return out;
}

// Lines that belong to the first server alone: a redirect to another server does not carry them.
bool isOriginBoundLine(std::string_view line) {
    for (std::string_view name : {"Cookie:", "Authorization:", "Host:"})
        if (startsWithIgnoreCase(line, name))
            return true;
    return false;
}

// The caller's header text as libcurl's header list. Lines are cut at "\r\n"; a CR or LF left
// inside a line becomes a space, so no value ever makes a line of its own. A line without a
// name is not a header and is left out. libcurl drops a line whose value is blank, so such a
// line is handed over in its "Name;" form, which libcurl sends as "Name:".
curl::Slist headerList(std::string_view headerText, bool toFirstServer) {
    curl::Slist list;
    while (!headerText.empty()) {
        std::size_t end = headerText.find("\r\n");
        std::string_view raw = headerText.substr(0, end);
        headerText.remove_prefix(end == std::string_view::npos ? headerText.size() : end + 2);
        if (raw.empty())
            continue;
        std::string line = curl::singleHeaderLine(raw);
        std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            continue;
        if (!toFirstServer && isOriginBoundLine(line))
            continue;
        if (trimBlanks(std::string_view(line).substr(colon + 1)).empty())
            line = line.substr(0, colon) + ";";
        curl::appendLine(list, line);
    }
    // Lines libcurl would add of its own accord: the request carries only what the caller
    // composed (plus request line, Host, User-Agent and Content-Length).
    for (const char* suppressed : {"Accept:", "Expect:", "Content-Type:", "Proxy-Connection:"})
        curl::appendLine(list, suppressed);
    return list;
}

}  // namespace

// --- Session ---

// Access types other than direct and proxy are refused. With INTERNET_OPEN_TYPE_PROXY a proxy
// list is required; a list that names no server for http ("http=" with nothing after it) leaves
// no usable proxy, so http requests then go direct rather than fail. https requests never use
// the http proxy. The bypass list is not consulted: callers pass an empty one.
std::unique_ptr<Session> Session::open(std::string_view agent, int accessType,
                                       std::optional<std::string_view> proxyList,
                                       std::optional<std::string_view>) {
    if (accessType != INTERNET_OPEN_TYPE_DIRECT && accessType != INTERNET_OPEN_TYPE_PROXY)
        return nullptr;
    if (accessType == INTERNET_OPEN_TYPE_PROXY && !proxyList)
        return nullptr;
    tuneAllocatorForBodies();
    auto session = std::make_unique<Session>(HandleKey());
    // The agent goes out as a header line of its own; a line break in it must not start another.
    session->agent_ = curl::singleHeaderLine(agent);
    if (accessType == INTERNET_OPEN_TYPE_PROXY) {
        session->httpProxy_ = httpProxyServer(*proxyList);
        session->useProxy_ = !session->httpProxy_.empty();
    }
    return session;
}

Session::~Session() = default;

// --- Connection ---

// Nothing goes on the wire here. An empty host name or a port outside 0..65535 cannot name a
// server at all and fails at once; a host that merely cannot be reached fails at send().
std::unique_ptr<Connection> Connection::open(Session& session, std::string_view host, int port,
                                             int service) {
    if (service != INTERNET_SERVICE_HTTP || host.empty() || port < 0 || port > 65535)
        return nullptr;
    auto connection = std::make_unique<Connection>(HandleKey(), session);
    connection->host_ = host;
    connection->port_ = port;
    return connection;
}

Connection::~Connection() = default;

// --- Request ---

struct Request::State {
    // Fixed at open(): the request as it will be sent.
    Destination destination;
    std::string verb;
    std::string agent;
    std::string proxyUrl;  // "" for direct access
    bool http10 = false;
    bool secure = false;
    std::uint32_t flags = 0;
    const std::atomic<bool>* cancel = nullptr;

    // The response of the last send().
    std::deque<BodyBlock> bodyBlocks;
    std::size_t frontOffset = 0;  // bytes of bodyBlocks.front() already read
    std::size_t blocksMade = 0;   // for this body, read or not
    std::size_t available = 0;
    std::string headerBlock;  // the last complete header block received
    std::string incomingBlock;
    bool inHeaderBlock = false;
    bool responded = false;

    void clearResponse() {
        clearBody();
        headerBlock.clear();
        incomingBlock.clear();
        inHeaderBlock = false;
        responded = false;
    }

    void clearBody() {
        bodyBlocks.clear();
        blocksMade = 0;
        frontOffset = 0;
        available = 0;
    }

    // False when no memory is left for the body: the transfer is then abandoned.
    bool appendBody(const char* data, std::size_t size) {
        while (size > 0) {
            if (bodyBlocks.empty() || bodyBlocks.back().room() == 0) {
                bodyBlocks.emplace_back(blocksMade++ >= kSmallBodyBlocks);
                if (!bodyBlocks.back().usable())
                    return false;
            }
            BodyBlock& block = bodyBlocks.back();
            std::size_t take = std::min(size, block.room());
            block.append(data, take);
            data += take;
            size -= take;
            available += take;
        }
        return true;
    }

    // libcurl hands over every header line of every response: interim (1xx) responses, the
    // responses of redirects, the final response and, after a chunked body, trailer lines. A
    // block starts at a status line and ends at the empty line; the last complete block is the
    // final response's. The body belongs to the final response alone, so a new status line
    // also drops what an earlier response's body left.
    void onHeaderLine(std::string_view line) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        if (!inHeaderBlock) {
            if (!line.starts_with("HTTP/"))
                return;
            inHeaderBlock = true;
            incomingBlock.clear();
            clearBody();
        }
        incomingBlock.append(line);
        incomingBlock.append("\r\n");
        if (line.empty()) {
            headerBlock = std::move(incomingBlock);
            incomingBlock.clear();
            inHeaderBlock = false;
        }
    }
};

namespace {

size_t onBody(char* data, size_t size, size_t count, void* state) {
    return static_cast<Request::State*>(state)->appendBody(data, size * count) ? size * count : 0;
}

size_t onHeader(char* data, size_t size, size_t count, void* state) {
    static_cast<Request::State*>(state)->onHeaderLine(std::string_view(data, size * count));
    return size * count;
}

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

// Scheme, host and port of an absolute http or https URL; std::nullopt for anything else.
struct Origin {
    std::string scheme;
    std::string host;
    std::string port;
    bool operator==(const Origin&) const = default;
};

std::optional<Origin> originOf(const std::string& url) {
    UrlHandle parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    Origin origin;
    for (auto [part, field] :
         {std::pair{CURLUPART_SCHEME, &origin.scheme}, std::pair{CURLUPART_HOST, &origin.host},
          std::pair{CURLUPART_PORT, &origin.port}}) {
        char* text = nullptr;
        if (curl_url_get(parsed.get(), part, &text, CURLU_DEFAULT_PORT) != CURLUE_OK)
            return std::nullopt;
        *field = lowerCase(text);
        curl_free(text);
    }
    if (origin.scheme != "http" && origin.scheme != "https")
        return std::nullopt;
    return origin;
}

// One exchange of a request's redirect chain.
struct Hop {
    std::string url;
    std::string target;  // "" after a redirect: libcurl then takes the target from the URL
    std::string verb;
    std::string_view body;
    bool withBody = false;
    bool toFirstServer = true;
};

// The verb and body as libcurl expresses them, resetting whatever an earlier hop set. POST with
// a body goes as libcurl's own POST; every other verb with a body, GET included, goes as a
// custom verb carrying the body.
void applyVerbAndBody(CURL* easy, const Hop& hop) {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, static_cast<const char*>(nullptr));
    if (hop.withBody) {
        // A null body pointer would make libcurl read the body from its default reader (stdin).
        static constexpr char kNoBody[] = "";
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, hop.body.empty() ? kNoBody : hop.body.data());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                         static_cast<curl_off_t>(hop.body.size()));
        if (hop.verb != "POST")
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, hop.verb.c_str());
    } else if (hop.verb == "HEAD") {
        curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
    } else if (hop.verb != "GET") {
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, hop.verb.c_str());
    }
}

// The next hop when the response just received is a redirect to follow. Only http and https
// are followed, from http to https only with INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS (or from
// an https request); a redirect that is not followed leaves its response as the final one.
// 301 and 302 turn a POST into a GET and 303 turns everything but HEAD into a GET, without
// the body, as browsers do; 307 and 308 repeat the request as it was.
std::optional<Hop> redirectFrom(CURL* easy, const Hop& current, const Origin& first,
                                std::uint32_t flags, bool secure) {
    if ((flags & INTERNET_FLAG_NO_AUTO_REDIRECT) != 0)
        return std::nullopt;
    long status = 0;
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return std::nullopt;
    if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location) != CURLE_OK ||
        location == nullptr)
        return std::nullopt;
    Hop next;
    next.url = location;
    std::optional<Origin> origin = originOf(next.url);
    if (!origin)
        return std::nullopt;
    bool httpsAllowed = secure || (flags & INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS) != 0;
    if (origin->scheme == "https" && !httpsAllowed)
        return std::nullopt;
    next.toFirstServer = current.toFirstServer && *origin == first;
    bool becomesGet = (status == 303 && current.verb != "HEAD") ||
                      ((status == 301 || status == 302) && current.verb == "POST");
    next.verb = becomesGet ? "GET" : current.verb;
    next.withBody = !becomesGet && current.withBody;
    next.body = next.withBody ? current.body : std::string_view();
    return next;
}

}  // namespace

Request::Request(HandleKey, std::unique_ptr<State> state) : state_(std::move(state)) {}
Request::~Request() = default;

// The verb must be a token and the version HTTP/1.1 or HTTP/1.0 (empty means HTTP/1.1); an
// empty verb means GET. INTERNET_FLAG_SECURE makes it an https request. Nothing is checked
// against the network yet.
std::unique_ptr<Request> Request::open(Connection& connection, std::string_view verb,
                                       std::string_view objectName, std::string_view version,
                                       std::uint32_t flags) {
    if (verb.empty())
        verb = "GET";
    if (!isToken(verb))
        return nullptr;
    if (!version.empty() && version != "HTTP/1.1" && version != "HTTP/1.0")
        return nullptr;
    auto state = std::make_unique<State>();
    state->verb = verb;
    state->http10 = version == "HTTP/1.0";
    state->flags = flags;
    state->secure = (flags & INTERNET_FLAG_SECURE) != 0;
    state->destination =
        destinationOf(state->secure, connection.host_, connection.port_, objectName);
    const Session& session = connection.session_;
    state->agent = session.agent_;
    if (session.useProxy_)
        state->proxyUrl = "http://" + session.httpProxy_;
    return std::make_unique<Request>(HandleKey(), std::move(state));
}

void Request::setCancelFlag(const std::atomic<bool>* flag) {
    state_->cancel = flag;
}

// The transfer happens here, redirects included; libcurl follows none itself, so that every
// hop's request target, verb, body and header lines are exactly the ones chosen here.
bool Request::send(std::string_view headerText, std::string_view body) {
    State& s = *state_;
    s.clearResponse();
    if (s.destination.url.empty() || (s.cancel != nullptr && s.cancel->load()))
        return false;
    std::optional<Origin> first = originOf(s.destination.url);
    curl::EasyHandle easy(curl_easy_init());
    if (!first || !easy)
        return false;
    CURL* e = easy.get();
    curl::TransferWatch watch;
    watch.cancel = s.cancel;
    curl::Slist connectTo;
    curl::applyCommonOptions(e, watch, connectTo);

    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    // The target goes out as composed: no removal of "." and ".." segments.
    curl_easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION,
                     static_cast<long>(s.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
    // An empty agent sends no User-Agent line at all.
    if (!s.agent.empty())
        curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str());
    curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if ((s.flags & INTERNET_FLAG_NO_COOKIES) == 0) {
        curl_easy_setopt(e, CURLOPT_SHARE, CookieStore::share());
        curl_easy_setopt(e, CURLOPT_COOKIEFILE, "");  // switches the cookie engine on
    }
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &s);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &s);

    Hop hop{s.destination.url,
            s.destination.target,
            s.verb,
            body,
            !body.empty() || s.verb == "POST",
            true};
    for (long redirects = 0;; ++redirects) {
        // Only http requests use the http proxy; through it the target is the absolute URL.
        bool viaProxy = !s.proxyUrl.empty() && hop.url.starts_with("http:");
        std::string target = viaProxy && !hop.target.empty() ? hop.url : hop.target;
        curl_easy_setopt(e, CURLOPT_URL, hop.url.c_str());
        curl_easy_setopt(e, CURLOPT_REQUEST_TARGET, target.empty() ? nullptr : target.c_str());
        curl_easy_setopt(e, CURLOPT_PROXY, viaProxy ? s.proxyUrl.c_str() : "");
        curl::Slist headers = headerList(headerText, hop.toFirstServer);
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get());
        applyVerbAndBody(e, hop);
        watch.lastActivity = std::chrono::steady_clock::now();
        watch.lastDown = watch.lastUp = -1;

        CURLcode result = curl_easy_perform(e);
        // A transfer cut short (time-out, cancel, dropped connection) keeps nothing: a partial
        // body must never pass for a whole one.
        if (result != CURLE_OK || s.headerBlock.empty()) {
            s.clearResponse();
            return false;
        }
        std::optional<Hop> next = redirectFrom(e, hop, *first, s.flags, s.secure);
        if (!next)
            break;
        if (redirects == kMaxRedirects) {
            s.clearResponse();
            return false;
        }
        hop = std::move(*next);
    }
    s.incomingBlock.clear();
    s.responded = true;
    return true;
}

std::size_t Request::read(char* buffer, std::size_t size) {
    State& s = *state_;
    std::size_t copied = 0;
    while (copied < size && !s.bodyBlocks.empty()) {
        const BodyBlock& block = s.bodyBlocks.front();
        std::size_t take = std::min(size - copied, block.size() - s.frontOffset);
        std::memcpy(buffer + copied, block.data() + s.frontOffset, take);
        copied += take;
        s.frontOffset += take;
        if (s.frontOffset == block.size()) {
            s.bodyBlocks.pop_front();
            s.frontOffset = 0;
        }
    }
    s.available -= copied;
    return copied;
}

std::size_t Request::bytesAvailable() const {
    return state_->available;
}

bool Request::queryRawHeaders(char* buffer, std::uint32_t& length) const {
    const State& s = *state_;
    if (!s.responded)
        return false;
    std::size_t needed = s.headerBlock.size() + 1;
    if (buffer == nullptr || length < needed) {
        length = static_cast<std::uint32_t>(needed);
        return false;
    }
    std::memcpy(buffer, s.headerBlock.data(), s.headerBlock.size());
    buffer[s.headerBlock.size()] = '\0';
    length = static_cast<std::uint32_t>(s.headerBlock.size());
    return true;
}

// --- setCookie ---

namespace {

struct CookieUrl {
    std::string host;  // lower case, without port
    std::string defaultPath;
};

CookieUrl cookieUrl(std::string_view url) {
    std::size_t scheme = url.find("://");
    if (scheme != std::string_view::npos)
        url.remove_prefix(scheme + 3);
    std::size_t authorityEnd = url.find_first_of("/?#");
    std::string_view authority = url.substr(0, authorityEnd);
    if (authority.empty())
        return {};
    std::string_view path = authorityEnd == std::string_view::npos || url[authorityEnd] != '/'
                                ? std::string_view()
                                : url.substr(authorityEnd);
    path = path.substr(0, path.find_first_of("?#"));
    std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    if (authority.empty())
        return {};
    std::size_t colon = authority.front() == '[' ? authority.find("]:") : authority.rfind(':');
    if (colon != std::string_view::npos)
        authority = authority.substr(0, authority.front() == '[' ? colon + 1 : colon);
    // The default path of a cookie is the directory of the URL's path.
    std::size_t lastSlash = path.rfind('/');
    std::string_view directory = lastSlash == 0 || lastSlash == std::string_view::npos
                                     ? std::string_view("/")
                                     : path.substr(0, lastSlash);
    return {lowerCase(authority), std::string(directory)};
}

bool isIpAddress(const std::string& host) {
    return host.front() == '[' || std::all_of(host.begin(), host.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) || c == '.';
           });
}

// A cookie may name the request's host or a parent domain of it, never another site's, and
// never a bare top-level name such as "com".
bool domainFitsHost(const std::string& domain, const std::string& host) {
    if (domain == host)
        return true;
    return domain.find('.') != std::string::npos && !isIpAddress(host) &&
           host.size() > domain.size() && host.ends_with("." + domain);
}

bool hasControlBytes(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return c == '\t' || c == '\r' || c == '\n' || c == '\0'; });
}

// The cookie "name=data" (data: the value, then attributes after ";") as a line of the
// Netscape cookie file format, which the store takes as it stands. std::nullopt when the
// cookie cannot be stored.
std::optional<std::string> cookieFileLine(const CookieUrl& url, std::string_view name,
                                          std::string_view data) {
    std::size_t valueEnd = data.find(';');
    std::string_view value = trimBlanks(data.substr(0, valueEnd));
    std::string_view attributes =
        valueEnd == std::string_view::npos ? std::string_view() : data.substr(valueEnd + 1);
    name = trimBlanks(name);
    if (name.empty()) {
        // A nameless call carries the whole "name=value" in the data, as a Set-Cookie line.
        std::size_t equals = value.find('=');
        if (equals == std::string_view::npos)
            return std::nullopt;
        name = trimBlanks(value.substr(0, equals));
        value = trimBlanks(value.substr(equals + 1));
    }
    if (name.empty() || name.find('=') != std::string_view::npos || hasControlBytes(name) ||
        hasControlBytes(value) || url.host.empty())
        return std::nullopt;

    std::string domain = url.host;
    bool includeSubdomains = false;
    std::string path = url.defaultPath;
    bool secure = false;
    std::optional<long long> expires;
    std::optional<long long> maxAge;
    while (!attributes.empty()) {
        std::size_t end = attributes.find(';');
        std::string_view attribute = attributes.substr(0, end);
        attributes.remove_prefix(end == std::string_view::npos ? attributes.size() : end + 1);
        std::size_t equals = attribute.find('=');
        std::string key = lowerCase(trimBlanks(attribute.substr(0, equals)));
        std::string_view argument = equals == std::string_view::npos
                                        ? std::string_view()
                                        : trimBlanks(attribute.substr(equals + 1));
        if (key == "domain" && !argument.empty()) {
            std::string wanted = lowerCase(argument);
            if (wanted.front() == '.')
                wanted.erase(0, 1);
            if (!domainFitsHost(wanted, url.host))
                return std::nullopt;
            domain = wanted;
            includeSubdomains = true;
        } else if (key == "path" && !argument.empty() && argument.front() == '/' &&
                   !hasControlBytes(argument)) {
            path = argument;
        } else if (key == "secure") {
            secure = true;
        } else if (key == "max-age") {
            maxAge = std::strtoll(std::string(argument).c_str(), nullptr, 10);
        } else if (key == "expires") {
            time_t when = curl_getdate(std::string(argument).c_str(), nullptr);
            if (when != -1)
                expires = when;
        }
    }
    // 0 marks a session cookie in the file format; a past time deletes the cookie.
    long long expiry = 0;
    long long now = static_cast<long long>(std::time(nullptr));
    if (maxAge)
        expiry = *maxAge <= 0 ? 1 : now + *maxAge;
    else if (expires)
        expiry = *expires <= 0 ? 1 : *expires;

    std::string line = domain;
    line += includeSubdomains ? "\tTRUE\t" : "\tFALSE\t";
    line += path;
    line += secure ? "\tTRUE\t" : "\tFALSE\t";
    line += std::to_string(expiry);
    line += '\t';
    line += name;
    line += '\t';
    line += value;
    return line;
}

}  // namespace

bool setCookie(std::string_view url, std::string_view name, std::string_view data) {
    CookieUrl target = cookieUrl(url);
    if (target.host.empty())
        return false;
    std::optional<std::string> line = cookieFileLine(target, name, data);
    if (!line)
        return false;
    CURLSH* share = CookieStore::share();
    curl::EasyHandle easy(curl_easy_init());
    if (share == nullptr || !easy)
        return false;
    curl_easy_setopt(easy.get(), CURLOPT_SHARE, share);
    return curl_easy_setopt(easy.get(), CURLOPT_COOKIELIST, line->c_str()) == CURLE_OK;
}

}  // namespace platform::inet
