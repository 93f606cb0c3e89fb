#include "download/photo_response.h"

#include <cctype>
#include <optional>

#include "text/primitives.h"
#include "text/scanning.h"

namespace {

constexpr Pos kStatusCodeLength = 3;

bool isDigits(const Text& text) {
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return false;
    }
    return !text.empty();
}

// The status code of "HTTP/1.1 200 OK"; nothing when the first line is not a status line.
std::optional<int> statusCode(const Text& rawHeaders) {
    if (leftText(rawHeaders, 5) != "HTTP/")
        return std::nullopt;
    const Pos space = findText(rawHeaders, " ");
    const Text code = midText(rawHeaders, space + 1, kStatusCodeLength);
    if (space == -1 || !isDigits(code))
        return std::nullopt;
    return textToInt(code);
}

Text withoutLeadingZeros(const Text& digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == Text::npos ? Text("0") : digits.substr(first);
}

// The value of the first header line with this name (lower case, colon included), in any
// letter case.
std::optional<Text> headerValue(const Text& rawHeaders, const Text& name) {
    for (const Text& line : splitText(rawHeaders, "\r\n")) {
        if (toLowerText(leftText(line, textLength(name))) == name)
            return valueAfterColon(line);
    }
    return std::nullopt;
}

// The length the body must have: the first Content-Length value without leading zeros, when it
// is made of digits only. A body sent with a Transfer-Encoding ends where its encoding says, and
// a Content-Length beside it does not count.
std::optional<Text> contentLength(const Text& rawHeaders) {
    if (headerValue(rawHeaders, "transfer-encoding:"))
        return std::nullopt;
    const std::optional<Text> value = headerValue(rawHeaders, "content-length:");
    if (!value || !isDigits(*value))
        return std::nullopt;
    return withoutLeadingZeros(*value);
}

}  // namespace

bool isPhotoResponse(const Bytes& body, const Text& rawHeaders) {
    if (body.empty())
        return false;
    if (trimSpaces(rawHeaders).empty())
        return true;
    const std::optional<int> status = statusCode(rawHeaders);
    if (status && (*status < 200 || *status > 299))
        return false;
    const std::optional<Text> length = contentLength(rawHeaders);
    return !length || *length == intToText(static_cast<std::int64_t>(body.size()));
}
