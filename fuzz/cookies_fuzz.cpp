// Fuzzes cookie merging and checks the merged text: the new cookies lead in their order, every
// cookie comes from one of the two inputs, none carries the deletion mark, spaces are left only
// in the "; " separators, and both variables are written as promised.
//
// Input: the older cookie text and the new cookie text, separated by a zero byte.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "http/cookies.h"
#include "text/primitives.h"

namespace {

using fuzz_support::check;
using fuzz_support::isLead;

// Whether walking the text character by character ends inside a two-byte character. A cookie
// that ends so swallows the ";" written after it, and then the pieces of the result no longer
// line up with the cookies; the checks on pieces skip such inputs.
bool endsInLoneLead(const Text& text) {
    std::size_t i = 0;
    while (i < text.size()) {
        i += isLead(text[i]) ? 2 : 1;
    }
    return i > text.size();
}

bool isDeleted(const Text& cookie) {
    return rightText(cookie, 8) == "=deleted";
}

TextArray nonEmpty(const TextArray& pieces) {
    TextArray kept;
    for (const Text& piece : pieces) {
        if (!piece.empty()) {
            kept.push_back(piece);
        }
    }
    return kept;
}

// Every space that starts a character follows a ";" that starts one, and no full-width space
// is left.
bool spacesOnlyInSeparators(const Text& text) {
    std::size_t previous = Text::npos;
    for (std::size_t i = 0; i < text.size(); i += isLead(text[i]) ? 2 : 1) {
        if (text[i] == ' ' && (previous == Text::npos || text[previous] != ';')) {
            return false;
        }
        if (text.compare(i, 2, "\xA1\xA1") == 0) {
            return false;
        }
        previous = i;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<Text> fields = fuzz_support::zeroSeparatedFields(
        std::string_view(reinterpret_cast<const char*>(data), size), 2);
    const Text& olderBefore = fields[0];
    const Text& newerBefore = fields[1];

    Text cookies = olderBefore;
    Text newer = newerBefore;
    const Text merged = mergeCookies(cookies, newer);
    check(merged == cookies);
    check(newer == removeAllSpaces(newerBefore));

    const Text older = removeAllSpaces(olderBefore);
    if (endsInLoneLead(older) || endsInLoneLead(newer)) {
        return 0;
    }
    const TextArray olderPieces = splitText(older, ";");
    const TextArray newPieces = splitText(newer, ";");
    std::unordered_set<Text> known(olderPieces.begin(), olderPieces.end());
    known.insert(newPieces.begin(), newPieces.end());

    // Empty cookies are left out of the comparison: an empty last cookie leaves only a trailing
    // separator behind, which splitting does not turn into a piece.
    const TextArray result = nonEmpty(splitText(merged, "; "));
    std::size_t leading = 0;
    for (const Text& piece : nonEmpty(newPieces)) {
        if (isDeleted(piece)) {
            continue;
        }
        check(leading < result.size() && result[leading] == piece);
        ++leading;
    }
    for (const Text& piece : result) {
        check(known.count(piece) == 1);
        check(!isDeleted(piece));
    }
    check(spacesOnlyInSeparators(merged));
    return 0;
}
