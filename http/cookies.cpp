// Merging the cookies a response set into the caller's cookie text.
//
// The result lists the response's cookies first, in the order it set them, then every older
// cookie whose name the response did not set (the first of several with one name), leaving out
// every cookie whose value is the deletion mark.
#include "http/cookies.h"

#include <algorithm>
#include <unordered_set>

#include "text/primitives.h"

namespace {

constexpr char kCookieSeparator[] = ";";
constexpr char kMergedSeparator[] = "; ";
constexpr char kDeletedMark[] = "=deleted";

bool isDeleted(const Text& cookie) {
    return rightText(cookie, textLength(kDeletedMark)) == kDeletedMark;
}

}  // namespace

Text cookieName(const Text& cookie) {
    const Pos equals = findText(cookie, "=");
    return trimSpaces(equals == -1 ? cookie : leftText(cookie, equals - 1));
}

bool containsCookieName(const TextArray& cookies, const Text& name) {
    return std::any_of(cookies.begin(), cookies.end(),
                       [&name](const Text& cookie) { return cookieName(cookie) == name; });
}

Text mergeCookies(Text& cookies, Text& newCookies) {
    cookies = removeAllSpaces(cookies);
    newCookies = removeAllSpaces(newCookies);
    const TextArray older = splitText(cookies, kCookieSeparator);
    TextArray merged = splitText(newCookies, kCookieSeparator);

    // The names present in `merged` as it grows; the same answer as containsCookieName on it,
    // without rescanning the list for every older cookie.
    std::unordered_set<Text> names;
    for (const Text& cookie : merged) {
        names.insert(cookieName(cookie));
    }
    for (const Text& cookie : older) {
        if (names.insert(cookieName(cookie)).second) {
            merged.push_back(cookie);
        }
    }

    Text result;
    for (const Text& cookie : merged) {
        if (isDeleted(cookie)) {
            continue;
        }
        result += cookie;
        result += kMergedSeparator;
    }
    // No separator after the last cookie.
    result = leftText(result, textLength(result) - textLength(kMergedSeparator));
    cookies = result;
    return result;
}
