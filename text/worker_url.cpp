// Host, port and object name of a URL as the request worker uses them.
//
// Only the lower-case schemes are removed from the host, while the port test ignores case; a URL
// with a capitalised scheme therefore gets the scheme word as its host. The worker relies on
// these exact results, so keep the steps as they are.
#include "text/worker_url.h"

#include <cmath>
#include <limits>

#include "text/primitives.h"

namespace {

constexpr char kHttpsPrefix[] = "https://";
constexpr char kHttpPrefix[] = "http://";
constexpr char kSlash[] = "/";
constexpr char kColon[] = ":";
constexpr char kDefaultPortText[] = "80";
constexpr Pos kHttpPrefixLength = 7;

// The host and port part of the URL ("a.example:81"): what lies between the scheme (when the URL
// starts with "http://" in any case) and the first "/".
Text hostAndPort(const Text& url) {
    if (compareText(leftText(url, kHttpPrefixLength), kHttpPrefix, false) == 0) {
        const Pos slash = findText(url, kSlash, kHttpPrefixLength + 1, true);
        if (slash == -1) {
            return replaceRange(url, 1, kHttpPrefixLength);
        }
        return midText(url, kHttpPrefixLength + 1, slash - kHttpPrefixLength - 1);
    }
    const Pos slash = findText(url, kSlash, 1, true);
    return slash == -1 ? url : leftText(url, slash - 1);
}

// Truncates toward zero into the 32-bit range; NaN gives 0 and values beyond the range stop at
// its ends (a plain conversion would be undefined there).
std::int32_t truncateToInt32(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    if (value <= kMin) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (value >= kMax) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace

Text workerUrlHost(const Text& url) {
    Text s = replaceSubtext(url, kHttpsPrefix, "", std::nullopt, true);
    s = replaceSubtext(s, kHttpPrefix, "", std::nullopt, true);
    const Pos slash = findText(s, kSlash);
    if (slash != -1) {
        s = leftText(s, slash - 1);
    }
    const Pos colon = findText(s, kColon);
    if (colon != -1) {
        s = leftText(s, colon - 1);
    }
    return toLowerText(s);
}

Text workerUrlPath(const Text& url) {
    const Text host = workerUrlHost(url);
    const Pos hostAt = findText(url, host, 1, true);
    const Pos slash = findText(url, kSlash, hostAt, true);
    if (slash == -1) {
        return kSlash;
    }
    return rightText(url, textLength(url) - slash + 1);
}

std::int32_t workerUrlPort(const Text& url) {
    const Text hp = hostAndPort(url);
    const Pos colon = findText(hp, kColon, 1, true);
    const Text portText = colon == -1 ? kDefaultPortText : rightText(hp, textLength(hp) - colon);
    return truncateToInt32(textToNumber(portText));
}
