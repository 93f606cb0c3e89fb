#include "http/request_worker.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "http/header_value.h"
#include "platform/inet.h"
#include "text/primitives.h"
#include "text/scanning.h"
#include "text/worker_url.h"

namespace inet = platform::inet;

namespace {

const Text kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
const Text kDefaultAcceptLine =
    "Accept: image/gif, image/bmp, image/x-xbitmap, image/jpeg, image/pjpeg, "
    "application/x-shockwave-flash, application/vnd.ms-excel, application/vnd.ms-powerpoint, "
    "application/msword, */*\r\n";
const Text kAcceptLanguageLine = "Accept-Language: zh-cn\r\n";
const Text kFormContentTypeLine = "Content-Type: application/x-www-form-urlencoded\r\n";
// A caller writes this marker into its header text to send no Referer line at all.
const Text kNoRefererMarker = "RefererNo";
const Text kUserAgentName = "User-Agent:";
const Text kProxyListPrefix = "http=";
const Text kHttpVersion = "HTTP/1.1";
const Text kSetCookiePrefix = "Set-Cookie: ";
constexpr Pos kSetCookiePrefixLength = 12;
const Text kCrLf = "\r\n";
const Text kSecureScheme = "https://";
const Text kCookieStoreScheme = "http://";

constexpr Pos kReadChunk = 2048;
constexpr std::uint32_t kRawHeaderBuffer = 2048;
constexpr int kHttpsPort = 443;

// The request as the record describes it, plus what follows from it.
struct WorkerRequest {
    Text url;
    Text method;
    Text headerText;
    Bytes body;
    Text cookieText;
    bool followRedirects = false;
    bool https = false;
    Text host;
    Text path;
};

WorkerRequest takeRequest(const TimedRequestRecord& record) {
    using namespace timed_record;
    WorkerRequest request;
    request.url = bytesToText(record[kUrl]);
    request.method = bytesToText(record[kMethod]);
    request.headerText = bytesToText(record[kHeaders]);
    request.body = record[kPostBody];
    request.cookieText = bytesToText(record[kCookies]);
    request.followRedirects = bytesToText(record[kFollowRedirects]) == boolToText(true);
    // "https://" anywhere in the URL, in any case, makes the whole request a TLS one.
    request.https = findText(toLowerText(request.url), kSecureScheme) > 0;
    request.host = workerUrlHost(request.url);
    request.path = workerUrlPath(request.url);
    return request;
}

// Presence of a header name anywhere in the text, in any case, also inside a longer name.
bool mentions(const Text& headerText, const Text& name) {
    return findText(headerText, name, 1, true) != -1;
}

Text userAgentFor(const Text& headerText) {
    if (!mentions(headerText, kUserAgentName))
        return kDefaultUserAgent;
    return trimSpaces(textBetween(headerText, kUserAgentName, kCrLf));
}

std::uint32_t requestFlags(const WorkerRequest& request) {
    if (request.https)
        return inet::INTERNET_FLAG_SECURE;
    std::uint32_t flags = inet::INTERNET_FLAG_RELOAD | inet::INTERNET_FLAG_NEED_FILE;
    // A request that brings its own cookies must not get more from the process's store.
    if (trimSpaces(request.cookieText) != "")
        flags |= inet::INTERNET_FLAG_NO_COOKIES;
    if (!request.followRedirects)
        flags |= inet::INTERNET_FLAG_NO_AUTO_REDIRECT;
    return flags | inet::INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
}

void addDefaultHeaders(WorkerRequest& request) {
    Text& headers = request.headerText;
    if (!mentions(headers, "Accept"))
        headers += kDefaultAcceptLine;
    if (mentions(headers, kNoRefererMarker))
        headers = replaceSubtext(headers, kNoRefererMarker, "", 1, true);
    else if (!mentions(headers, "Referer"))
        headers += "Referer: " + headerSafeValue(request.url) + kCrLf;
    if (!mentions(headers, "Accept-Language"))
        headers += kAcceptLanguageLine;
}

void addCookieLine(WorkerRequest& request) {
    if (request.cookieText != "")
        request.headerText += "Cookie: " + headerSafeValue(request.cookieText) + "\r\n\r\n";
}

// Completes the headers for the method and sends. False when nothing was sent: only GET and
// POST requests go out.
bool sendRequest(inet::Request& handle, WorkerRequest& request) {
    if (request.method == "GET") {
        addCookieLine(request);
        handle.send(request.headerText, "");
        return true;
    }
    if (request.method != "POST")
        return false;
    if (!request.body.empty()) {
        if (!mentions(request.headerText, "Content-Type"))
            request.headerText += kFormContentTypeLine;
        if (!mentions(request.headerText, "Content-Length"))
            request.headerText += "Content-Length: " + intToText(bytesLength(request.body)) + kCrLf;
        addCookieLine(request);
    }
    handle.send(request.headerText, request.body);
    return true;
}

Bytes readBody(inet::Request& handle) {
    Bytes body;
    body.reserve(handle.bytesAvailable());
    Bytes buffer = blankBytes(kReadChunk);
    for (;;) {
        std::size_t count = handle.read(buffer.data(), buffer.size());
        if (count == 0)
            return body;
        body.append(buffer, 0, count);
    }
}

// The raw header block, "" when there is none. A block too long for the usual buffer is
// fetched again with a buffer of the size it needs: cutting it off would lose its cookies.
Text readRawHeaders(const inet::Request& handle) {
    Text raw = blankText(kRawHeaderBuffer);
    std::uint32_t length = kRawHeaderBuffer;
    if (handle.queryRawHeaders(raw.data(), length))
        return bytesToText(raw);
    if (length <= kRawHeaderBuffer)
        return "";
    raw = blankText(static_cast<Pos>(length) + 1);
    length = static_cast<std::uint32_t>(raw.size());
    return handle.queryRawHeaders(raw.data(), length) ? bytesToText(raw) : "";
}

// Hands every cookie that the response set to the process's cookie store (under the http
// scheme, also for an https request) and returns "name=value;" for each of them.
Text storeResponseCookies(const Text& rawHeaders, const Text& host) {
    Text collected;
    if (findText(rawHeaders, kSetCookiePrefix, 1, true) <= 0)
        return collected;
    std::string_view rest = rawHeaders;
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        Text line(rest.substr(0, end));
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (findText(line, kSetCookiePrefix, 1, true) <= 0)
            continue;
        line = replaceRange(line, 1, kSetCookiePrefixLength);
        collected += textBefore(line, ";") + ";";
        Pos equals = findText(line, "=", 1, true);
        Text name = leftText(line, equals - 1);
        Text data = rightText(line, textLength(line) - equals);
        inet::setCookie(kCookieStoreScheme + host, name, data);
    }
    return collected;
}

// The exchange itself; fills the result members of `record`. Handles are closed in the order
// request, connection, session on every path (declaration order reversed).
void exchange(TimedRequestRecord& record, const std::atomic<bool>* cancel) {
    using namespace timed_record;
    WorkerRequest request = takeRequest(record);
    record[kBody].clear();
    record[kNewCookies].clear();
    record[kRawHeaders].clear();

    Text agent = userAgentFor(request.headerText);
    std::unique_ptr<inet::Session> session;
    if (bytesLength(record[kProxy]) != 0)
        session = inet::Session::open(agent, inet::INTERNET_OPEN_TYPE_PROXY,
                                      kProxyListPrefix + bytesToText(record[kProxy]), "");
    else
        session = inet::Session::open(agent, inet::INTERNET_OPEN_TYPE_DIRECT, "", "");
    if (!session)
        return;
    int port = request.https ? kHttpsPort : workerUrlPort(request.url);
    auto connection = inet::Connection::open(*session, request.host, port);
    if (!connection)
        return;
    auto handle = inet::Request::open(*connection, request.method, request.path, kHttpVersion,
                                      requestFlags(request));
    if (!handle)
        return;
    if (cancel != nullptr)
        handle->setCancelFlag(cancel);

    addDefaultHeaders(request);
    if (!sendRequest(*handle, request))
        return;
    record[kBody] = readBody(*handle);
    Text rawHeaders = readRawHeaders(*handle);
    record[kRawHeaders] = textToBytes(rawHeaders);
    handle.reset();
    connection.reset();
    session.reset();
    record[kNewCookies] = textToBytes(storeResponseCookies(rawHeaders, request.host));
}

}  // namespace

void requestWorker(const std::shared_ptr<platform::MemoryFile>& file,
                   const std::atomic<bool>* cancel) {
    file->moveToStart();
    std::optional<TimedRequestRecord> record = file->readArray();
    if (!record)
        return;
    record->resize(timed_record::kMemberCount);
    exchange(*record, cancel);
    file->moveToStart();
    file->writeArray(*record);
}
