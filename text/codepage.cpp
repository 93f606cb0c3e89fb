#include "text/codepage.h"

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "text/gbk_literal.h"

namespace {

namespace cp = platform::codepage;

// Inputs are read, and results returned, up to their first zero byte.
std::string_view upToZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

Text encodeText(std::u16string_view units, int codePage, cp::Unmappable mode) {
    return Text(upToZero(cp::encode(units, codePage, mode)));
}

Text recode(std::string_view text, int from, int to, cp::Unmappable mode) {
    return encodeText(cp::decode(upToZero(text), from), to, mode);
}

}  // namespace

Text utf8ToGbk(const Text& text) {
    return gbk_detail::fromUtf8(text);
}

Text big5ToSimplifiedGbk(const Text& text) {
    return toSimplifiedChinese(big5ToGbk(text));
}

Bytes textToWide(const Text& text, int codePage) {
    const std::u16string units = cp::decode(upToZero(text), codePage);
    Bytes wide;
    wide.reserve(2 * units.size() + 2);
    for (const char16_t unit : units) {
        wide.push_back(static_cast<char>(unit & 0xFF));
        wide.push_back(static_cast<char>(unit >> 8));
    }
    wide.append(2, '\0');
    return wide;
}

Text wideToText(const Bytes& wide, int codePage) {
    std::u16string units;
    units.reserve(wide.size() / 2);
    for (std::size_t i = 0; i + 1 < wide.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(wide[i]) |
                                                static_cast<unsigned char>(wide[i + 1]) << 8);
        if (unit == u'\0')
            break;
        units.push_back(unit);
    }
    return encodeText(units, codePage, cp::Unmappable::DefaultChar);
}

// A Big5 character that GBK lacks is dropped. (Handing the converter an empty default character
// would put a zero byte in its place and cut the text off there.)
Text big5ToGbk(const Text& text) {
    return recode(text, kCodePageBig5, kCodePageGbk, cp::Unmappable::Drop);
}

namespace {

// toSimplifiedChinese converts each distinct two-byte character of a text once, all of them in
// one call per step: each character is followed by a line feed, which no step merges into a
// neighbour (0x0A is never a GBK trail byte and the mapping leaves it alone), so the pieces
// between the line feeds stay aligned with the characters. A step whose pieces do not line up
// changes nothing.
constexpr char16_t kSeparatorUnit = u'\n';
constexpr char kSeparatorByte = '\n';

template <typename String>
std::vector<String> piecesEndingWith(const String& joined, typename String::value_type separator) {
    std::vector<String> pieces;
    std::size_t start = 0;
    for (std::size_t end = joined.find(separator); end != String::npos;
         end = joined.find(separator, start)) {
        pieces.push_back(joined.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

bool isGbkLead(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}
bool isGbkTrail(unsigned char byte) {
    return byte >= 0x40 && byte <= 0xFE && byte != 0x7F;
}

// Calls visit(offset, code) for each two-byte character of the text, walking it character by
// character as code page 936 defines them, whose bytes lie in GBK's ranges; code is
// lead * 256 + trail. Only 0x81..0xFE lead a two-byte character there: 0x80 (the euro sign)
// and 0xFF are one byte each, and taking them as lead bytes would read every character after
// them out of step. Broken pairs and a lone lead byte at the end are skipped.
template <typename Visit>
void forEachGbkPair(std::string_view text, Visit visit) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (!isGbkLead(lead))
            continue;
        const auto trail = static_cast<unsigned char>(text[i + 1]);
        if (isGbkTrail(trail))
            visit(i, static_cast<std::uint16_t>(lead << 8 | trail));
        ++i;
    }
}

std::vector<std::uint16_t> distinctPairs(std::string_view text) {
    std::vector<std::uint16_t> codes;
    forEachGbkPair(text, [&](std::size_t, std::uint16_t code) { codes.push_back(code); });
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    return codes;
}

// One character on its way through the steps below: decoded, then simplified, then encoded.
struct Replacement {
    std::uint16_t code;  // the character in the text (lead * 256 + trail)
    char16_t unit;       // its UTF-16 unit, and after simplify() its simplified form
    std::string gbk;     // the simplified form in GBK, set by encodeInGbk()
};

std::u16string joinUnits(const std::vector<Replacement>& replacements) {
    std::u16string joined;
    joined.reserve(2 * replacements.size());
    for (const Replacement& replacement : replacements) {
        joined.push_back(replacement.unit);
        joined.push_back(kSeparatorUnit);
    }
    return joined;
}

// The characters (sorted codes) that decode to exactly one UTF-16 unit, holding that unit.
std::vector<Replacement> decodePairs(const std::vector<std::uint16_t>& codes) {
    std::string joined;
    joined.reserve(3 * codes.size());
    for (const std::uint16_t code : codes) {
        joined.push_back(static_cast<char>(code >> 8));
        joined.push_back(static_cast<char>(code & 0xFF));
        joined.push_back(kSeparatorByte);
    }
    const auto decoded = piecesEndingWith(cp::decode(joined, kCodePageGbk), kSeparatorUnit);
    std::vector<Replacement> characters;
    if (decoded.size() != codes.size())
        return characters;
    for (std::size_t k = 0; k < codes.size(); ++k) {
        if (decoded[k].size() == 1 && decoded[k][0] != u'\uFFFD')
            characters.push_back({codes[k], decoded[k][0], {}});
    }
    return characters;
}

// Keeps the characters whose simplified form is another single unit, now holding that form.
std::vector<Replacement> simplify(const std::vector<Replacement>& characters) {
    const auto simplified =
        piecesEndingWith(cp::toSimplified(joinUnits(characters)), kSeparatorUnit);
    std::vector<Replacement> changed;
    if (simplified.size() != characters.size())
        return changed;
    for (std::size_t k = 0; k < characters.size(); ++k) {
        if (simplified[k].size() == 1 && simplified[k][0] != characters[k].unit)
            changed.push_back({characters[k].code, simplified[k][0], {}});
    }
    return changed;
}

// Keeps the simplified forms that are exactly one two-byte GBK character; a form GBK lacks is
// dropped by the encoder, so its character stays as it was.
std::vector<Replacement> encodeInGbk(const std::vector<Replacement>& changed) {
    const auto encoded = piecesEndingWith(
        cp::encode(joinUnits(changed), kCodePageGbk, cp::Unmappable::Drop), kSeparatorByte);
    std::vector<Replacement> replacements;
    if (encoded.size() != changed.size())
        return replacements;
    for (std::size_t k = 0; k < changed.size(); ++k) {
        if (encoded[k].size() == 2)
            replacements.push_back({changed[k].code, changed[k].unit, encoded[k]});
    }
    return replacements;
}

}  // namespace

// The byte length never changes: only a two-byte character whose simplified form is again one
// two-byte GBK character is replaced, everything else stays as it was.
Text toSimplifiedChinese(const Text& text) {
    Text result(upToZero(text));
    const std::vector<std::uint16_t> codes = distinctPairs(result);
    if (codes.empty())
        return result;
    // Sorted by code, as the codes are.
    const std::vector<Replacement> replacements = encodeInGbk(simplify(decodePairs(codes)));
    if (replacements.empty())
        return result;
    forEachGbkPair(result, [&](std::size_t offset, std::uint16_t code) {
        const auto found = std::lower_bound(replacements.begin(), replacements.end(), code,
                                            [](const Replacement& replacement, std::uint16_t key) {
                                                return replacement.code < key;
                                            });
        if (found != replacements.end() && found->code == code)
            result.replace(offset, 2, found->gbk);
    });
    return result;
}

std::string gbkToUtf8(const Text& text) {
    return recode(text, kCodePageGbk, CP_UTF8, cp::Unmappable::DefaultChar);
}

namespace gbk_detail {

Text fromUtf8(std::string_view utf8) {
    return recode(utf8, CP_UTF8, kCodePageGbk, cp::Unmappable::DefaultChar);
}

}  // namespace gbk_detail
