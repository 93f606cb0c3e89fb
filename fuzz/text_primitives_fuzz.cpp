// Fuzzes the primitive text operations and checks what must hold for every input: searches agree
// with a plain character-by-character walk, splitting and joining give the text back, cutting
// never returns more than asked for, and nothing reads out of bounds or overflows.
//
// Input: 16 bytes giving two 64-bit integers (start or count arguments, extremes included), one
// flag byte, then text, needle and replacement separated by zero bytes (a Text holds no zero).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "text/primitives.h"

namespace {

using fuzz_support::check;
using fuzz_support::isLead;
using fuzz_support::readInt64;

unsigned char fold(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
}

bool matchesAt(const Text& text, std::size_t i, const Text& needle, bool ignoreCase) {
    if (text.size() - i < needle.size()) {
        return false;
    }
    for (std::size_t j = 0; j < needle.size(); ++j) {
        const bool same =
            ignoreCase ? fold(text[i + j]) == fold(needle[j]) : text[i + j] == needle[j];
        if (!same) {
            return false;
        }
    }
    return true;
}

// Every match position (0-based) met when walking characters from `from`, one character at a
// time after each candidate, matches included.
std::vector<std::size_t> walkMatches(const Text& text, const Text& needle, std::size_t from,
                                     bool ignoreCase) {
    std::vector<std::size_t> found;
    for (std::size_t i = from; i < text.size(); i += isLead(text[i]) ? 2 : 1) {
        if (matchesAt(text, i, needle, ignoreCase)) {
            found.push_back(i);
        }
    }
    return found;
}

Text join(const TextArray& pieces, const Text& delimiter) {
    Text joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        joined += (i == 0 ? "" : delimiter) + pieces[i];
    }
    return joined;
}

bool hasSpaceAtCharacterStart(const Text& text) {
    for (std::size_t i = 0; i < text.size(); i += isLead(text[i]) ? 2 : 1) {
        if (text[i] == ' ' || (i + 1 < text.size() && text.compare(i, 2, "\xA1\xA1") == 0)) {
            return true;
        }
    }
    return false;
}

void checkSearches(const Text& text, const Text& needle, Pos start, bool ignoreCase) {
    const Pos found = findText(text, needle, start, ignoreCase);
    const Pos from = start < 1 ? 1 : start;
    if (from > textLength(text)) {
        check(found == -1);
    } else if (needle.empty()) {
        check(found == 1);
    } else {
        const auto all = walkMatches(text, needle, static_cast<std::size_t>(from - 1), ignoreCase);
        check(found == (all.empty() ? -1 : static_cast<Pos>(all.front()) + 1));
    }
    const Pos last = findTextReverse(text, needle, ignoreCase);
    if (text.empty()) {
        check(last == -1);
    } else if (needle.empty()) {
        check(last == 1);
    } else {
        const auto all = walkMatches(text, needle, 0, ignoreCase);
        check(last == (all.empty() ? -1 : static_cast<Pos>(all.back()) + 1));
    }
}

void checkReplaceAndSplit(const Text& text, const Text& needle, const Text& replacement,
                          std::int64_t count) {
    check(replaceSubtext(text, needle, needle, std::nullopt, true) == text);
    const Text removed = replaceSubtext(text, needle, "", std::nullopt, true);
    check(removed.size() <= text.size());
    const int limit = static_cast<int>(count % 8);
    const Text some = replaceSubtext(text, needle, replacement, limit, count % 2 == 0);
    if (limit == 0 || needle.empty()) {
        check(some == text);
    }

    const TextArray pieces = splitText(text, needle);
    if (text.empty()) {
        check(pieces.empty());
    } else if (needle.empty()) {
        check(pieces.size() == 1 && pieces[0] == text);
    } else {
        const Text joined = join(pieces, needle);
        check(joined == text || joined + needle == text);
        // Splitting and replacing the delimiter find the same matches.
        check(join(pieces, "\x01") == replaceSubtext(text, needle, "\x01", std::nullopt, true) ||
              join(pieces, "\x01") + "\x01" ==
                  replaceSubtext(text, needle, "\x01", std::nullopt, true));
    }
}

void checkSpacesAndCase(const Text& text, const Text& other) {
    const Text trimmed = trimSpaces(text);
    check(trimmed.size() <= text.size());
    check(text.find(trimmed) != Text::npos);
    check(trimSpaces(trimmed) == trimmed);
    const Text compact = removeAllSpaces(text);
    check(compact.size() <= text.size());
    check(!hasSpaceAtCharacterStart(compact));

    const Text lower = toLowerText(text);
    check(lower.size() == text.size());
    check(toLowerText(lower) == lower);
    check(compareText(text, lower, false) == 0);
    check(compareText(text, text, true) == 0);
    const int ab = compareText(text, other, true);
    const int ba = compareText(other, text, true);
    check((ab > 0) == (ba < 0) && (ab == 0) == (ba == 0));
    check((ab == 0) == (text == other));
}

void checkCutting(const Text& text, Pos a, Pos b) {
    const Pos length = textLength(text);
    const auto within = [&](const Text& piece, Pos limit) {
        return textLength(piece) <= (limit < 0 ? 0 : limit) && textLength(piece) <= length &&
               text.find(piece) != Text::npos;
    };
    check(within(leftText(text, a), a));
    check(within(rightText(text, a), a));
    check(within(midText(text, a, b), b));
    const Text rest = replaceRange(text, a, b);
    check(rest.size() <= text.size());
    if (b <= 0 || a > length) {
        check(rest == text);
    }
    check(bytesToText(text).size() <= text.size());
    check(leftBytes(text, a).size() <= text.size());
}

void checkNumbers(const Text& text, std::int64_t n) {
    (void)textToInt(text);
    (void)textToNumber(text);
    const auto v = static_cast<std::int32_t>(n);
    check(textToInt(intToText(v)) == v);
    check(textToNumber(intToText(v)) == static_cast<double>(v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kHeader = 17;
    if (size < kHeader) {
        return 0;
    }
    const std::int64_t a = readInt64(data);
    const std::int64_t b = readInt64(data + 8);
    const bool ignoreCase = (data[16] & 1) != 0;
    const std::vector<Text> fields = fuzz_support::zeroSeparatedFields(
        std::string_view(reinterpret_cast<const char*>(data + kHeader), size - kHeader), 3);
    const Text& text = fields[0];
    const Text& needle = fields[1];
    const Text& replacement = fields[2];

    checkSearches(text, needle, a, ignoreCase);
    checkReplaceAndSplit(text, needle, replacement, b < 0 ? -(b / 2) : b);
    checkSpacesAndCase(text, needle);
    checkCutting(text, a, b);
    checkNumbers(text, a);
    return 0;
}
