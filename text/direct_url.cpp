// Host, port and object name of a URL as the direct request uses them.
//
// The results for unusual URLs (a scheme-less URL with "http://" in its query, a host directly
// followed by "?", an empty URL) follow from the steps below and are relied on by the direct
// request; keep the steps as they are.
#include "text/direct_url.h"

#include "text/primitives.h"
#include "text/scanning.h"

namespace {

constexpr char kHttpsPrefix[] = "https://";
constexpr char kHttpPrefix[] = "http://";
constexpr char kHttpsWord[] = "https";
constexpr char kSlash[] = "/";
constexpr char kColon[] = ":";
constexpr char kDot[] = ".";
constexpr std::int32_t kHttpsPort = 443;
constexpr std::int32_t kHttpPort = 80;

// The last two labels of a dotted host ("x.y.example.com" -> "example.com"); a host without a
// dot stays as it is.
Text lastTwoLabels(const Text& host) {
    const TextArray labels = splitText(host, kDot);
    if (labels.size() <= 1) {
        return host;
    }
    return labels[labels.size() - 2] + kDot + labels.back();
}

}  // namespace

Text directUrlHost(const Text& url, bool reduceToDomain, bool keepPort) {
    Text s = toLowerText(url);
    if (rightText(s, 1) != kSlash) {
        s += kSlash;  // so that the host always has a "/" after it
    }
    if (leftText(s, 8) == kHttpsPrefix) {
        s = textBetween(s, kHttpsPrefix, kSlash);
    } else {
        if (findText(s, kHttpPrefix) == -1) {
            s = kHttpPrefix + s;
        }
        s = textBetween(s, kHttpPrefix, kSlash);
    }
    if (reduceToDomain) {
        s = lastTwoLabels(s);
    }
    if (!keepPort) {
        const Pos colon = findText(s, kColon);
        if (colon != -1) {
            s = leftText(s, colon - 1);
        }
    }
    return s;
}

std::int32_t directUrlPort(const Text& url) {
    const Text hostWithPort = directUrlHost(url, false, true);
    const Pos colon = findTextReverse(hostWithPort, kColon);
    if (colon == -1) {
        return leftText(toLowerText(url), 5) == kHttpsWord ? kHttpsPort : kHttpPort;
    }
    return textToInt(rightText(hostWithPort, textLength(hostWithPort) - colon));
}

Text directUrlPath(const Text& url) {
    const Text host = directUrlHost(url);
    const Pos hostAt = findText(url, host, 1, true);
    const Pos slash = findText(url, kSlash, hostAt, true);
    if (slash == -1) {
        return kSlash;
    }
    return rightText(url, textLength(url) - slash + 1);
}
