#include "http/direct_request.h"

#include <array>
#include <cstdint>
#include <memory>

#include "http/cookies.h"
#include "http/header_value.h"
#include "platform/inet.h"
#include "text/direct_url.h"
#include "text/primitives.h"
#include "text/scanning.h"

namespace inet = platform::inet;

namespace {

const Text kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Qelt; .NET CLR 2.0.50727; .NET CLR "
    "3.0.04506.648; .NET CLR 3.5.21022)";
const Text kHttpVersion = "HTTP/1.1";
const Text kUserAgentName = "User-Agent:";
const Text kProxyListPrefix = "http=";
const Text kCrLf = "\r\n";

// Default header lines and the names whose presence keeps each of them out.
const Text kRefererName = "Referer:";
const Text kRefererLine = "Referer: ";
const Text kAcceptName = "Accept:";
const Text kAcceptLine = "\r\nAccept: */*";
const Text kAcceptLanguageName = "Accept-Language:";
const Text kAcceptLanguageLine = "\r\nAccept-Language: zh-cn";
const Text kContentTypeName = "Content-Type:";
const Text kContentTypeLine = "\r\nContent-Type: application/x-www-form-urlencoded";
const Text kCookieLine = "\r\nCookie: ";

// Response header markers.
const Text kLocationMarker = "Location:";
const Text kSetCookieMarker = "Set-Cookie";
const Text kSetCookieName = "Set-Cookie:";
const Text kCookieEnd = ";";
const Text kCookieSeparator = "; ";

constexpr std::size_t kReadChunk = 1024;
constexpr std::uint32_t kRawHeaderBuffer = 5000;

// The agent named in the caller's header text, else the default one. The name is found in any
// letter case; a User-Agent line with no "\r\n" after it yields the value after the text's
// first colon.
Text userAgentFor(const Text& headers) {
    if (findText(headers, kUserAgentName, 1, true) == -1)
        return kDefaultUserAgent;
    Text agent = trimSpaces(textBetween(headers, kUserAgentName, kCrLf));
    if (agent.empty())
        agent = valueAfterColon(headers);
    return agent;
}

std::uint32_t requestFlags(const Text& url, bool noRedirect) {
    std::uint32_t flags =
        inet::INTERNET_FLAG_RELOAD | inet::INTERNET_FLAG_NEED_FILE | inet::INTERNET_FLAG_NO_COOKIES;
    if (noRedirect)
        flags |= inet::INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (leftText(toLowerText(url), 5) == "https")
        flags |= inet::INTERNET_FLAG_SECURE;
    else
        flags |= inet::INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    return flags;
}

// Adds the default lines the caller's text lacks (case-sensitive tests on the whole text), and
// the Cookie line whenever there are cookies.
void completeHeaders(Text& headers, const Text& url, const Text& cookies) {
    if (findText(headers, kRefererName) == -1) {
        const Text referer = kRefererLine + headerSafeValue(url);
        if (headers.empty())
            headers = referer;
        else
            headers += kCrLf + referer;
    }
    if (findText(headers, kAcceptName) == -1)
        headers += kAcceptLine;
    if (findText(headers, kAcceptLanguageName) == -1)
        headers += kAcceptLanguageLine;
    if (findText(headers, kContentTypeName) == -1)
        headers += kContentTypeLine;
    if (!cookies.empty())
        headers += kCookieLine + headerSafeValue(cookies);
}

Bytes readBody(inet::Request& request) {
    Bytes body;
    body.reserve(request.bytesAvailable());
    std::array<char, kReadChunk> chunk{};
    for (;;) {
        std::size_t count = request.read(chunk.data(), chunk.size());
        if (count == 0)
            break;
        body.append(chunk.data(), count);
    }
    return body;
}

// The header block in a buffer of prepared spaces, up to its first NUL: the spaces stay when
// the block is missing or does not fit together with its NUL.
Text queryRawHeaders(const inet::Request& request) {
    Text buffer = blankText(kRawHeaderBuffer);
    std::uint32_t length = kRawHeaderBuffer;
    request.queryRawHeaders(buffer.data(), length);
    return bytesToText(buffer);
}

// Takes the redirect target and the cookies the response set out of its header lines. Every
// line containing "Location:" overwrites the target (Content-Location included); every line
// containing "Set-Cookie" adds its name=value up to the first ";" (empty without one).
void scanResponseHeaders(const Text& rawHeaders, Text& redirectTarget, Text& newCookies) {
    newCookies.clear();
    for (const Text& line : splitText(rawHeaders, kCrLf)) {
        if (findText(line, kLocationMarker) != -1)
            redirectTarget = valueAfterColon(line);
        if (findText(line, kSetCookieMarker) != -1)
            newCookies +=
                trimSpaces(textBetween(line, kSetCookieName, kCookieEnd)) + kCookieSeparator;
    }
    newCookies = leftText(newCookies, textLength(newCookies) - 2);
}

}  // namespace

Bytes httpRequest(const Text& urlArgument, int method, const Text& postText, Text* cookies,
                  Text* newCookies, Text* headers, Text* redirectTarget, bool noRedirect,
                  Bytes* postBytes, const std::optional<Text>& proxy, Text* rawHeaders) {
    // The URL is copied because an in/out parameter may be the caller's URL variable. Absent
    // in/out parameters get stand-ins whose results are dropped.
    const Text url = urlArgument;
    Text cookiesStandIn, newCookiesStandIn, headersStandIn, targetStandIn, rawStandIn;
    Bytes postBytesStandIn;
    Text& cookieText = cookies != nullptr ? *cookies : cookiesStandIn;
    Text& newCookieText = newCookies != nullptr ? *newCookies : newCookiesStandIn;
    Text& headerText = headers != nullptr ? *headers : headersStandIn;
    Text& target = redirectTarget != nullptr ? *redirectTarget : targetStandIn;
    Text& rawHeaderText = rawHeaders != nullptr ? *rawHeaders : rawStandIn;
    Bytes& body = postBytes != nullptr ? *postBytes : postBytesStandIn;

    const Text verb = method == 1 ? "POST" : "GET";
    const Text agent = userAgentFor(headerText);
    std::unique_ptr<inet::Session> session;
    if (proxy)
        session = inet::Session::open(agent, inet::INTERNET_OPEN_TYPE_PROXY,
                                      kProxyListPrefix + *proxy, Text());
    else
        session =
            inet::Session::open(agent, inet::INTERNET_OPEN_TYPE_DIRECT, std::nullopt, std::nullopt);
    if (!session)
        return {};
    auto connection = inet::Connection::open(*session, directUrlHost(url), directUrlPort(url));
    if (!connection)
        return {};
    auto request = inet::Request::open(*connection, verb, directUrlPath(url), kHttpVersion,
                                       requestFlags(url, noRedirect));
    if (!request)
        return {};

    completeHeaders(headerText, url, cookieText);
    if (method != 0) {
        if (bytesLength(body) == 0)
            body = textToBytes(postText);
        request->send(headerText, body);
    } else {
        request->send(headerText, {});
    }
    Bytes received = readBody(*request);
    rawHeaderText = queryRawHeaders(*request);
    request.reset();
    connection.reset();
    session.reset();

    scanResponseHeaders(rawHeaderText, target, newCookieText);
    if (target.empty())
        target = rawHeaderText;
    mergeCookies(cookieText, newCookieText);
    return received;
}
