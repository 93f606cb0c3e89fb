// Primitive operations on GBK Text and on Bytes.
//
// Searches jump to candidates with memmem/memchr and then decide whether the candidate starts a
// character. That decision uses one fact about GBK: a byte below 0x80 always ends a character
// (it is either an ASCII character or a trail byte), so the byte after it always starts one.
// Between such a byte (or a known character start) and the candidate only bytes >= 0x80 remain,
// and they pair up lead/trail, so the parity of their count tells the answer. The backward look
// never goes past the last known character start, which keeps every search linear.
#include "text/primitives.h"

#include <locale.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>

#include "text/gbk_literal.h"

namespace {

constexpr unsigned char kFirstLeadByte = 0x80;
constexpr unsigned char kFullWidthLead = 0xA3;       // lead byte of the full-width ASCII forms
constexpr unsigned char kFullWidthSpaceByte = 0xA1;  // 0xA1 0xA1 is the full-width space

// Buffers made by blankText/blankBytes are capped here: a larger request cannot be a real
// buffer size, and honouring it would throw (length_error or bad_alloc) instead of returning.
constexpr Pos kMaxBlankBytes = Pos{1} << 30;

unsigned char byteAt(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]);
}

bool isLeadByte(unsigned char b) {
    return b >= kFirstLeadByte;
}

std::size_t charWidthAt(std::string_view s, std::size_t i) {
    return isLeadByte(byteAt(s, i)) ? 2 : 1;
}

unsigned char foldAscii(unsigned char b) {
    return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

bool isAsciiLetter(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}

bool equalFolded(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (foldAscii(static_cast<unsigned char>(a[i])) !=
            foldAscii(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool isFullWidthSpace(std::string_view s, std::size_t i) {
    return i + 1 < s.size() && byteAt(s, i) == kFullWidthSpaceByte &&
           byteAt(s, i + 1) == kFullWidthSpaceByte;
}

// Width of the space character at i (1 or 2), or 0 when the character at i is no space.
std::size_t spaceWidthAt(std::string_view s, std::size_t i) {
    if (s[i] == ' ') {
        return 1;
    }
    return isFullWidthSpace(s, i) ? 2 : 0;
}

// Finds the first occurrence of a needle that begins at a character start, walking characters
// from a position that is taken to be a character start (the region start of a search, or the
// position after a previous match).
class CharSearch {
  public:
    CharSearch(std::string_view text, std::string_view needle, bool ignoreCase)
        : text_(text), needle_(needle), ignoreCase_(ignoreCase && hasLetter(needle)) {}

    // 0-based position of the first match at or after `from` (a character start), or npos.
    // The needle must not be empty.
    std::size_t next(std::size_t from) {
        std::size_t boundary = from;
        std::size_t at = from;
        while (true) {
            const std::size_t k = candidate(at);
            if (k == npos) {
                return npos;
            }
            if (startsCharacter(boundary, k)) {
                return k;
            }
            boundary = k + 1;  // k is a trail byte, so the next byte starts a character
            at = k + 1;
        }
    }

    static constexpr std::size_t npos = std::string_view::npos;

  private:
    static bool hasLetter(std::string_view s) {
        return std::any_of(s.begin(), s.end(),
                           [](char c) { return isAsciiLetter(static_cast<unsigned char>(c)); });
    }

    // Whether k starts a character when characters are walked from `boundary` (<= k).
    bool startsCharacter(std::size_t boundary, std::size_t k) const {
        std::size_t base = boundary;
        for (std::size_t i = k; i > boundary; --i) {
            if (!isLeadByte(byteAt(text_, i - 1))) {
                base = i;
                break;
            }
        }
        return (k - base) % 2 == 0;
    }

    // Next position at or after `at` where the needle's bytes stand (any alignment), or npos.
    std::size_t candidate(std::size_t at) {
        if (at > text_.size() || text_.size() - at < needle_.size()) {
            return npos;
        }
        if (ignoreCase_) {
            return foldedCandidate(at);
        }
        if (needle_.size() <= kShortNeedle) {
            return shortCandidate(at);
        }
        const void* hit =
            memmem(text_.data() + at, text_.size() - at, needle_.data(), needle_.size());
        return hit == nullptr ? npos : static_cast<const char*>(hit) - text_.data();
    }

    // Delimiters such as "\r\n", ";" or "/" are found faster by memchr on their first byte than
    // by memmem, whose set-up cost dominates when matches are a line apart.
    std::size_t shortCandidate(std::size_t at) const {
        const char* const begin = text_.data();
        const char* const last = begin + (text_.size() - needle_.size());  // last possible start
        const char* p = begin + at;
        while (p <= last) {
            const void* hit = std::memchr(p, needle_[0], static_cast<std::size_t>(last - p) + 1);
            if (hit == nullptr) {
                return npos;
            }
            p = static_cast<const char*>(hit);
            if (std::memcmp(p + 1, needle_.data() + 1, needle_.size() - 1) == 0) {
                return static_cast<std::size_t>(p - begin);
            }
            ++p;
        }
        return npos;
    }

    // Case-insensitive candidates: jump with memchr on both cases of the needle's first byte
    // (remembering each case's next hit, so that a rare case is not searched again over the same
    // stretch), then compare the rest with ASCII folding.
    std::size_t foldedCandidate(std::size_t at) {
        const unsigned char first = foldAscii(static_cast<unsigned char>(needle_[0]));
        const bool letter = isAsciiLetter(first);
        const std::size_t last = text_.size() - needle_.size();  // last possible start
        while (at <= last) {
            const std::size_t lower = nextByte(first, at, lowerHit_);
            const std::size_t upper =
                letter ? nextByte(static_cast<unsigned char>(first - 'a' + 'A'), at, upperHit_)
                       : npos;
            const std::size_t k = std::min(lower, upper);
            if (k == npos || k > last) {
                return npos;
            }
            if (equalFolded(text_.data() + k, needle_.data(), needle_.size())) {
                return k;
            }
            at = k + 1;
        }
        return npos;
    }

    // memchr from `at` for byte b, reusing a cached hit that is still ahead of `at`. Valid
    // because every user of one CharSearch asks for candidates at positions that never decrease.
    std::size_t nextByte(unsigned char b, std::size_t at, std::size_t& cache) const {
        if (cache != kUnknown && (cache == npos || cache >= at)) {
            return cache;
        }
        const void* hit = std::memchr(text_.data() + at, b, text_.size() - at);
        cache = hit == nullptr ? npos : static_cast<const char*>(hit) - text_.data();
        return cache;
    }

    static constexpr std::size_t kUnknown = npos - 1;
    static constexpr std::size_t kShortNeedle = 2;

    std::string_view text_;
    std::string_view needle_;
    bool ignoreCase_;
    std::size_t lowerHit_ = kUnknown;
    std::size_t upperHit_ = kUnknown;
};

// Replaces every full-width form of printable ASCII by its ASCII byte and the full-width space by
// a space, character by character, so that numbers can be read with the C library's rules.
std::string fullWidthToAscii(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = byteAt(s, i);
        if (!isLeadByte(b) || i + 1 >= s.size()) {
            out.push_back(static_cast<char>(b));
            ++i;
            continue;
        }
        const unsigned char trail = byteAt(s, i + 1);
        if (b == kFullWidthLead && trail >= 0xA1 && trail <= 0xFE) {
            out.push_back(static_cast<char>(trail - 0xA1 + 0x21));
        } else if (b == kFullWidthSpaceByte && trail == kFullWidthSpaceByte) {
            out.push_back(' ');
        } else {
            out.append(s.substr(i, 2));
        }
        i += 2;
    }
    return out;
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A "C" locale of its own, so that reading a number never depends on the process locale (a Qt
// application sets the user's locale, whose decimal separator may be a comma).
locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale != static_cast<locale_t>(nullptr) ? locale : LC_GLOBAL_LOCALE;
}

}  // namespace

// --- cutting ---

Pos textLength(const Text& text) {
    return static_cast<Pos>(text.size());
}

Text leftText(const Text& text, Pos n) {
    if (n <= 0) {
        return {};
    }
    return n >= textLength(text) ? text : text.substr(0, static_cast<std::size_t>(n));
}

Text rightText(const Text& text, Pos n) {
    if (n <= 0) {
        return {};
    }
    const Pos length = textLength(text);
    return n >= length ? text : text.substr(static_cast<std::size_t>(length - n));
}

Text midText(const Text& text, Pos start, Pos n) {
    const Pos length = textLength(text);
    if (start < 1 || start > length || n <= 0) {
        return {};
    }
    const Pos available = length - start + 1;
    return text.substr(static_cast<std::size_t>(start - 1),
                       static_cast<std::size_t>(std::min(n, available)));
}

Text replaceRange(const Text& text, Pos start, Pos length) {
    const Pos size = textLength(text);
    start = std::max<Pos>(start, 1);
    if (start > size || length <= 0) {
        return text;
    }
    const Pos removed = std::min(length, size - start + 1);
    Text result = text;
    result.erase(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(removed));
    return result;
}

// --- searching ---

Pos findText(const Text& text, const Text& needle, Pos start, bool ignoreCase) {
    const Pos from = std::max<Pos>(start, 1);
    if (from > textLength(text)) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    CharSearch search(text, needle, ignoreCase);
    const std::size_t k = search.next(static_cast<std::size_t>(from - 1));
    return k == CharSearch::npos ? -1 : static_cast<Pos>(k) + 1;
}

Pos findTextReverse(const Text& text, const Text& needle, bool ignoreCase) {
    if (text.empty()) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    CharSearch search(text, needle, ignoreCase);
    Pos last = -1;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t k = search.next(from);
        if (k == CharSearch::npos) {
            break;
        }
        last = static_cast<Pos>(k) + 1;
        from = k + charWidthAt(text, k);  // matches may overlap; the walk goes on by one character
    }
    return last;
}

Text replaceSubtext(const Text& text, const Text& subtext, const Text& replacement,
                    std::optional<int> count, bool caseSensitive) {
    const bool every = !count.has_value() || *count < 0;
    if (text.empty() || subtext.empty() || (!every && *count == 0)) {
        return text;
    }
    CharSearch search(text, subtext, !caseSensitive);
    Text result;
    result.reserve(text.size());
    std::size_t copied = 0;
    long long done = 0;
    while (every || done < *count) {
        const std::size_t k = search.next(copied);
        if (k == CharSearch::npos) {
            break;
        }
        result.append(text, copied, k - copied);
        result.append(replacement);
        copied = k + subtext.size();
        ++done;
    }
    result.append(text, copied, Text::npos);
    return result;
}

TextArray splitText(const Text& text, const Text& delimiter) {
    if (text.empty()) {
        return {};
    }
    if (delimiter.empty()) {
        return {text};
    }
    CharSearch search(text, delimiter, false);
    TextArray pieces;
    std::size_t cut = 0;
    while (true) {
        const std::size_t k = search.next(cut);
        if (k == CharSearch::npos) {
            break;
        }
        pieces.emplace_back(text, cut, k - cut);
        cut = k + delimiter.size();
    }
    if (cut < text.size()) {
        pieces.emplace_back(text, cut, Text::npos);
    }
    return pieces;
}

// --- spaces and case ---

Text trimSpaces(const Text& text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t width = spaceWidthAt(text, begin);
        if (width == 0) {
            break;
        }
        begin += width;
    }
    // The end of the last character that is not a space; found walking forward, since a
    // trailing 0xA1 0xA1 may be the second half of one character and the first half of the next.
    std::size_t end = begin;
    std::size_t i = begin;
    while (i < text.size()) {
        const std::size_t width = spaceWidthAt(text, i);
        if (width != 0) {
            i += width;
            continue;
        }
        i = std::min(i + charWidthAt(text, i), text.size());
        end = i;
    }
    return text.substr(begin, end - begin);
}

Text removeAllSpaces(const Text& text) {
    Text result;
    result.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t space = spaceWidthAt(text, i);
        if (space != 0) {
            i += space;
            continue;
        }
        const std::size_t width = std::min(charWidthAt(text, i), text.size() - i);
        result.append(text, i, width);
        i += width;
    }
    return result;
}

Text toLowerText(const Text& text) {
    Text result = text;
    std::size_t i = 0;
    while (i < result.size()) {
        const unsigned char b = byteAt(result, i);
        if (isLeadByte(b)) {
            i += 2;  // the trail byte is never lowered
            continue;
        }
        result[i] = static_cast<char>(foldAscii(b));
        ++i;
    }
    return result;
}

int compareText(const Text& a, const Text& b, bool caseSensitive) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size()) {
        unsigned char x = byteAt(a, i);
        unsigned char y = byteAt(b, i);
        if (!caseSensitive) {
            x = foldAscii(x);
            y = foldAscii(y);
        }
        if (x != y) {
            return x < y ? -1 : 1;
        }
        if (isLeadByte(x)) {
            // Same lead byte: the trail bytes decide, compared exactly; a truncated character
            // (no trail byte) sorts first.
            if (i + 1 >= a.size() || i + 1 >= b.size()) {
                break;
            }
            if (a[i + 1] != b[i + 1]) {
                return byteAt(a, i + 1) < byteAt(b, i + 1) ? -1 : 1;
            }
            i += 2;
            continue;
        }
        ++i;
    }
    const std::size_t restA = a.size() - std::min(i, a.size());
    const std::size_t restB = b.size() - std::min(i, b.size());
    return restA == restB ? 0 : (restA < restB ? -1 : 1);
}

// --- numbers ---

std::int32_t textToInt(const Text& text) {
    const std::string s = fullWidthToAscii(text);
    std::size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) {
        ++i;
    }
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    // A number outside the 32-bit range is clamped to its nearest end (atoi leaves that case
    // undefined; a clamped port still fails to connect instead of wrapping to a valid one).
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMagnitudeLimit = kMax + 1;
    std::int64_t magnitude = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (s[i] - '0'), kMagnitudeLimit);
    }
    if (negative) {
        return static_cast<std::int32_t>(-magnitude);
    }
    return static_cast<std::int32_t>(std::min(magnitude, kMax));
}

double textToNumber(const Text& text) {
    const std::string s = fullWidthToAscii(text);
    // strtod_l reads exactly what atof reads (white space, sign, decimal, hexadecimal, inf, nan)
    // and stops at the first zero byte, as atof does on a C string.
    return strtod_l(s.c_str(), nullptr, cLocale());
}

Text intToText(std::int64_t n) {
    return std::to_string(n);
}

Text boolToText(bool value) {
    return value ? "真"_gbk : "假"_gbk;
}

Text charFromCode(int code) {
    // Only the codes 1..255 name a byte a text can hold; 0 and anything else give "".
    if (code < 1 || code > 255) {
        return {};
    }
    return Text(1, static_cast<char>(code));
}

Text blankText(Pos n) {
    if (n < 1) {
        return {};
    }
    return Text(static_cast<std::size_t>(std::min(n, kMaxBlankBytes)), ' ');
}

// --- bytes ---

Bytes textToBytes(const Text& text) {
    return text;
}

Text bytesToText(const Bytes& bytes) {
    const std::size_t zero = bytes.find('\0');
    return zero == Bytes::npos ? bytes : bytes.substr(0, zero);
}

Pos bytesLength(const Bytes& bytes) {
    return static_cast<Pos>(bytes.size());
}

Bytes leftBytes(const Bytes& bytes, Pos n) {
    return leftText(bytes, n);
}

Bytes blankBytes(Pos n) {
    if (n <= 0) {
        return {};
    }
    return Bytes(static_cast<std::size_t>(std::min(n, kMaxBlankBytes)), '\0');
}
