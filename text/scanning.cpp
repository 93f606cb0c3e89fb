// Cutting replies between markers and picking lines, built from the primitives alone.
#include "text/scanning.h"

#include <algorithm>
#include <limits>

#include "text/gbk_literal.h"
#include "text/primitives.h"

namespace {

constexpr char kLineBreak[] = "\r\n";

// Callers may write a double quote in a marker as the word "#引号", which is easier to put into
// a quoted literal; both spellings search for the same text.
Text expandQuoteWord(const Text& marker) {
    return replaceSubtext(marker, "#引号"_gbk, "\"", std::nullopt, true);
}

}  // namespace

Text textBetween(const Text& text, const Text& startMarker, const Text& endMarker, Pos start,
                 bool caseSensitive) {
    const Text startWord = expandQuoteWord(startMarker);
    const Text endWord = expandQuoteWord(endMarker);
    const bool ignoreCase = !caseSensitive;
    const Pos p = findText(text, startWord, start, ignoreCase);
    const Pos q = p == -1 ? -1 : p + textLength(startWord);
    const Pos e = findText(text, endWord, q, ignoreCase);
    if (p == -1 || e == -1) {
        return {};
    }
    // An empty end marker is "found" at position 1, before q: the result is then "".
    return midText(text, q, e - q);
}

Text valueAfterColon(const Text& text) {
    const Pos p = findText(text, ":");
    if (p == -1) {
        return {};
    }
    return trimSpaces(rightText(text, textLength(text) - p));
}

Text textBetweenAt(const Text& text, const Text& startMarker, const Text& endMarker, Pos start,
                   Pos& endPosition, bool ignoreCase) {
    Pos p = 1;
    if (!startMarker.empty()) {
        p = findText(text, startMarker, start, ignoreCase);
        if (p == -1) {
            return {};
        }
    }
    const Pos q = p + textLength(startMarker);
    Pos e = textLength(text) + 1;
    if (!endMarker.empty()) {
        e = findText(text, endMarker, q, ignoreCase);
        if (e == -1) {
            return {};
        }
    }
    endPosition = e;
    return midText(text, q, e - q);
}

Text textBefore(const Text& text, const Text& marker, Pos start, bool ignoreCase) {
    const Pos p = findText(text, marker, std::max<Pos>(start, 1), ignoreCase);
    if (p == -1) {
        return {};
    }
    return leftText(text, p - 1);
}

int findLineContaining(const Text& text, const Text& needle, bool caseSensitive) {
    const TextArray lines = splitText(text, kLineBreak);
    // Line numbers beyond int cannot occur in a text that fits in memory of this size class, but
    // the count is bounded anyway so that the conversion below is always exact.
    const std::size_t limit = std::min<std::size_t>(lines.size(), std::numeric_limits<int>::max());
    for (std::size_t i = 0; i < limit; ++i) {
        if (findText(lines[i], needle, 1, !caseSensitive) != -1) {
            return static_cast<int>(i + 1);
        }
    }
    return 0;
}

Text lineAt(const Text& text, int n) {
    if (n < 1) {
        return {};
    }
    const TextArray lines = splitText(text, kLineBreak);
    if (static_cast<std::size_t>(n) > lines.size()) {
        return {};
    }
    return lines[static_cast<std::size_t>(n) - 1];
}
