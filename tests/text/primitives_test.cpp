// Primitive text operations: byte positions, two-byte GBK characters, and the edges (positions
// below 1, counts past the end, 64-bit extremes, a lone lead byte at the end).
#include "text/primitives.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr Pos kMaxPos = std::numeric_limits<Pos>::max();
constexpr Pos kMinPos = std::numeric_limits<Pos>::min();

// GBK samples. 0xD5 0x5C is a two-byte character whose trail byte is an ASCII backslash;
// 0xA1 0xA1 is the full-width space; 0xA3 0xC1 is the full-width capital A.
const Text kTrailBackslash = "\xD5\x5C";
const Text kFullWidthSpace = "\xA1\xA1";

struct CutCase {
    const char* name;
    Text text;
    Pos a;
    Pos b;  // unused by leftText/rightText
    Text expected;
};

TEST(Cutting, LeftAndRightText) {
    const std::vector<CutCase> left = {
        {"zero gives empty", "abc", 0, 0, ""},
        {"negative gives empty", "abc", -1, 0, ""},
        {"beyond the end gives all", "abc", 10, 0, "abc"},
        {"largest count gives all", "abc", kMaxPos, 0, "abc"},
        {"smallest count gives empty", "abc", kMinPos, 0, ""},
        {"cuts a two-byte character", "\xB0\xA1x", 1, 0, "\xB0"},
        {"empty text", "", 3, 0, ""},
    };
    for (const auto& c : left) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(leftText(c.text, c.a), c.expected);
    }
    const std::vector<CutCase> right = {
        {"negative gives empty", "abc", -1, 0, ""},
        {"two bytes", "abc", 2, 0, "bc"},
        {"beyond the end gives all", "abc", 4, 0, "abc"},
        {"largest count gives all", "abc", kMaxPos, 0, "abc"},
        {"smallest count gives empty", "abc", kMinPos, 0, ""},
        {"cuts a two-byte character", "x\xB0\xA1", 1, 0, "\xA1"},
    };
    for (const auto& c : right) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(rightText(c.text, c.a), c.expected);
    }
}

TEST(Cutting, MidText) {
    const std::vector<CutCase> cases = {
        {"start 0 is not moved up", "abcdef", 0, 3, ""},
        {"stops at the end", "abcdef", 5, 10, "ef"},
        {"start past the end", "abc", 4, 1, ""},
        {"zero count", "abc", 1, 0, ""},
        {"negative count", "abc", 1, -2, ""},
        {"middle", "abcdef", 2, 3, "bcd"},
        {"largest count", "abc", 2, kMaxPos, "bc"},
        {"largest start", "abc", kMaxPos, kMaxPos, ""},
        {"smallest start", "abc", kMinPos, 2, ""},
        {"smallest count", "abc", 1, kMinPos, ""},
        {"cuts a two-byte character", "\xB0\xA1x", 2, 1, "\xA1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(midText(c.text, c.a, c.b), c.expected);
    }
}

TEST(Cutting, ReplaceRange) {
    const std::vector<CutCase> cases = {
        {"header name removed", "Set-Cookie: a=1", 1, 12, "a=1"},
        {"length past the end removes the rest", "abc", 2, 10, "a"},
        {"start 0 counts as 1", "abc", 0, 1, "bc"},
        {"smallest start counts as 1", "abc", kMinPos, 1, "bc"},
        {"start past the end removes nothing", "abc", 4, 1, "abc"},
        {"zero length removes nothing", "abc", 2, 0, "abc"},
        {"negative length removes nothing", "abc", 2, -1, "abc"},
        {"largest length", "abc", 2, kMaxPos, "a"},
        {"largest start and length", "abc", kMaxPos, kMaxPos, "abc"},
        {"whole text", "abc", 1, 3, ""},
        {"empty text", "", 1, 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replaceRange(c.text, c.a, c.b), c.expected);
    }
}

struct FindCase {
    const char* name;
    Text text;
    Text needle;
    Pos start;
    bool ignoreCase;
    Pos expected;
};

TEST(FindText, PositionsAndCharacterBoundaries) {
    const std::vector<FindCase> cases = {
        {"start 0 searches from the first byte", "abc", "b", 0, false, 2},
        {"negative start searches from the first byte", "abc", "b", -5, false, 2},
        {"smallest start", "abc", "b", kMinPos, false, 2},
        {"start past the end", "abc", "c", 4, false, -1},
        {"largest start", "abc", "c", kMaxPos, false, -1},
        {"start on the match", "abcabc", "abc", 2, false, 4},
        {"empty needle gives 1, not the start", "abc", "", 2, false, 1},
        {"empty needle in empty text", "", "", 1, false, -1},
        {"empty needle past the end", "abc", "", 4, false, -1},
        {"needle longer than text", "ab", "abc", 1, false, -1},
        {"match at the very end", "abc", "bc", 1, false, 2},
        {"trail backslash is not a backslash", kTrailBackslash + "\\", "\\", 1, false, 3},
        {"start on a trail byte makes it a character start", kTrailBackslash + "\\", "\\", 2, false,
         2},
        {"needle across a character boundary", "\xB0\xA1\xB0\xA1", "\xA1\xB0", 1, false, -1},
        {"needle at a character start after two-byte ones", "\xB0\xA1\xA1\xB0", "\xA1\xB0", 1,
         false, 3},
        {"ASCII trail byte after a run of lead bytes",
         "\xB0\xB0\xB0"
         "b",
         "b", 1, false, -1},
        {"even run of high bytes before the match",
         "a\xB0\xB0\xB0\xB0"
         "b",
         "b", 1, false, 6},
        {"odd run makes the candidate a trail byte",
         "a\xB0\xB0\xB0\xB0"
         "b",
         "\xB0"
         "b",
         1, false, -1},
        {"later match after a trail candidate",
         "\xC1\xB0"
         "X\xB0"
         "X",
         "\xB0"
         "X",
         1, false, 4},
        {"lone lead byte at the end matches itself", "ab\xD5", "\xD5", 1, false, 3},
        {"match ending in a lone lead byte", "ab\xD5", "b\xD5", 1, false, 2},
        {"lone lead byte cannot start a longer match", "ab\xD5", "\xD5x", 1, false, -1},
        {"ignoring case", "xAbc", "aB", 1, true, 2},
        {"exact by default", "xAbc", "aB", 1, false, -1},
        {"ignoring case, needle without letters", "x-Y", "-", 1, true, 2},
        {"ignoring case, first byte not a letter", "x-Y", "-y", 1, true, 2},
        {"ignoring case skips near misses", "aAaAb", "AB", 1, true, 4},
        {"ignoring case from a start", "Xyz xyZ", "xyz", 2, true, 5},
        {"ignoring case, letter trail byte is skipped",
         "\xB0"
         "Aa",
         "a", 1, true, 3},
        {"ignoring case leaves other bytes exact", "\xC1\xC1", "\xE1\xE1", 1, true, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findText(c.text, c.needle, c.start, c.ignoreCase), c.expected);
    }
}

TEST(FindText, ReverseFindsTheLastMatchAtACharacterStart) {
    const std::vector<FindCase> cases = {
        {"last colon", "a:b:c", ":", 1, false, 4},
        {"none", "abc", ":", 1, false, -1},
        {"empty needle", "abc", "", 1, false, 1},
        {"empty text", "", "", 1, false, -1},
        {"overlapping matches", "aaa", "aa", 1, false, 2},
        {"trail backslash is not reported", "\\" + kTrailBackslash, "\\", 1, false, 1},
        {"ignoring case", "AbaB", "ab", 1, true, 3},
        {"exact", "AbaB", "ab", 1, false, -1},
        {"lone lead byte at the end",
         "\xD5"
         "a\xD5",
         "\xD5", 1, false, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findTextReverse(c.text, c.needle, c.ignoreCase), c.expected);
    }
}

// The character walk done plainly, one candidate after another: what findText must agree with.
Pos walkFind(const Text& text, const Text& needle, Pos start, bool ignoreCase) {
    const auto fold = [](unsigned char b) {
        return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b;
    };
    std::size_t i = static_cast<std::size_t>(std::max<Pos>(start, 1) - 1);
    if (i >= text.size()) {
        return -1;
    }
    if (needle.empty()) {
        return 1;
    }
    while (i < text.size() && text.size() - i >= needle.size()) {
        bool same = true;
        for (std::size_t j = 0; j < needle.size() && same; ++j) {
            const auto x = static_cast<unsigned char>(text[i + j]);
            const auto y = static_cast<unsigned char>(needle[j]);
            same = ignoreCase ? fold(x) == fold(y) : x == y;
        }
        if (same) {
            return static_cast<Pos>(i) + 1;
        }
        i += static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
    }
    return -1;
}

// Replacing every match the plain way: copy one character at a time, or the replacement at a
// match, and go on after the matched bytes.
Text walkReplaceAll(const Text& text, const Text& sub, const Text& replacement, bool ignoreCase) {
    Text out;
    std::size_t i = 0;
    while (i < text.size()) {
        if (walkFind(text.substr(i, sub.size()), sub, 1, ignoreCase) == 1 &&
            text.size() - i >= sub.size()) {
            out += replacement;
            i += sub.size();
            continue;
        }
        const std::size_t width = static_cast<unsigned char>(text[i]) >= 0x80 ? 2 : 1;
        out += text.substr(i, width);
        i += width;
    }
    return out;
}

// Random texts over a small alphabet of ASCII letters, lead bytes and ASCII-valued trail bytes,
// so that matches at trail bytes and across boundaries are frequent.
TEST(FindAndReplace, AgreeWithThePlainCharacterWalk) {
    const std::string alphabet = "aAb\\\xB0\xA1\xD5";
    std::mt19937 random(12345);
    const auto randomText = [&](std::size_t maxLength) {
        std::uniform_int_distribution<std::size_t> length(0, maxLength);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        Text t(length(random), ' ');
        for (char& c : t) {
            c = alphabet[pick(random)];
        }
        return t;
    };
    for (int round = 0; round < 20000; ++round) {
        const Text text = randomText(24);
        const Text needle = randomText(3);
        const Pos start = std::uniform_int_distribution<Pos>(-1, 26)(random);
        const bool ignoreCase = (round % 2) == 1;
        ASSERT_EQ(findText(text, needle, start, ignoreCase),
                  walkFind(text, needle, start, ignoreCase))
            << "round " << round;
        if (!text.empty() && !needle.empty()) {
            ASSERT_EQ(replaceSubtext(text, needle, "#", std::nullopt, !ignoreCase),
                      walkReplaceAll(text, needle, "#", ignoreCase))
                << "round " << round;
        }
    }
}

struct ReplaceCase {
    const char* name;
    Text text;
    Text subtext;
    Text replacement;
    std::optional<int> count;
    bool caseSensitive;
    Text expected;
};

TEST(ReplaceSubtext, WalksCharactersAndReplacesWithoutOverlap) {
    const std::vector<ReplaceCase> cases = {
        {"every backslash", "a\\b\\c", "\\", "", std::nullopt, true, "abc"},
        {"first backslash only", "a\\b\\c", "\\", "", 1, true, "ab\\c"},
        {"negative count means every one", "a\\b\\c", "\\", "", -1, true, "abc"},
        {"zero count", "a\\b\\c", "\\", "", 0, true, "a\\b\\c"},
        {"trail backslash stays", kTrailBackslash + "\\", "\\", "", std::nullopt, true,
         kTrailBackslash},
        {"empty text", "", "a", "b", std::nullopt, true, ""},
        {"empty subtext", "abc", "", "x", std::nullopt, true, "abc"},
        {"no overlap", "aaaa", "aa", "b", std::nullopt, true, "bb"},
        {"leftover byte", "aaa", "aa", "b", std::nullopt, true, "ba"},
        {"replacement is not searched again", "ab", "a", "aa", std::nullopt, true, "aab"},
        {"longer replacement", "a-b-c", "-", "--", std::nullopt, true, "a--b--c"},
        {"case-insensitive", "AbAB", "ab", "x", std::nullopt, false, "xx"},
        {"case-sensitive", "AbAB", "ab", "x", std::nullopt, true, "AbAB"},
        {"walk resumes right after a match ending in a lead byte",
         "a\xB0"
         "a\xB0",
         "a\xB0", "-", std::nullopt, true, "--"},
        {"subtext at a trail position is kept",
         "\xB0"
         "ab",
         "ab", "x", std::nullopt, true,
         "\xB0"
         "ab"},
        {"lone lead byte at the end", "ab\xD5", "\xD5", "!", std::nullopt, true, "ab!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(replaceSubtext(c.text, c.subtext, c.replacement, c.count, c.caseSensitive),
                  c.expected);
    }
}

struct SplitCase {
    const char* name;
    Text text;
    Text delimiter;
    TextArray expected;
};

TEST(SplitText, PiecesAndEmptyPieces) {
    const std::vector<SplitCase> cases = {
        {"empty line in the middle", "a\r\n\r\nb", "\r\n", {"a", "", "b"}},
        {"trailing delimiter adds nothing", "a\r\nb\r\n", "\r\n", {"a", "b"}},
        {"leading delimiter", "\r\nx", "\r\n", {"", "x"}},
        {"delimiter only", "\r\n", "\r\n", {""}},
        {"two delimiters only", "\r\n\r\n", "\r\n", {"", ""}},
        {"empty text", "", "\r\n", {}},
        {"empty delimiter", "abc", "", {"abc"}},
        {"no delimiter", "abc", ";", {"abc"}},
        {"lone LF does not split", "a\nb", "\r\n", {"a\nb"}},
        {"case-sensitive", "aXbxc", "x", {"aXb", "c"}},
        {"trail backslash", kTrailBackslash, "\\", {kTrailBackslash}},
        {"trail backslash among real ones",
         "a\\" + kTrailBackslash + "\\b",
         "\\",
         {"a", kTrailBackslash, "b"}},
        {"lone lead byte at the end", "a;\xD5", ";", {"a", "\xD5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(splitText(c.text, c.delimiter), c.expected);
    }
}

struct TransformCase {
    const char* name;
    Text text;
    Text expected;
};

TEST(Spaces, TrimSpaces) {
    const std::vector<TransformCase> cases = {
        {"leading tab stays", "\tab ", "\tab"},
        {"full-width spaces at both ends", kFullWidthSpace + "ab" + kFullWidthSpace, "ab"},
        {"mixed runs", " " + kFullWidthSpace + " a b " + kFullWidthSpace + " ", "a b"},
        {"spaces only", "  " + kFullWidthSpace, ""},
        {"empty", "", ""},
        {"CR and LF stay", "\r\na\r\n", "\r\na\r\n"},
        {"space as a trail byte stays", "\xB0 ", "\xB0 "},
        {"0xA1 0xA1 straddling two characters stays", "x\xB0\xA1\xA1", "x\xB0\xA1\xA1"},
        {"full-width space after a two-byte character", "\xB0\xA1" + kFullWidthSpace, "\xB0\xA1"},
        {"lone 0xA1 at the end stays", "a\xA1", "a\xA1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(trimSpaces(c.text), c.expected);
    }
}

TEST(Spaces, RemoveAllSpaces) {
    const std::vector<TransformCase> cases = {
        {"both kinds", " a b" + kFullWidthSpace + "c ", "abc"},
        {"tabs stay", "a\tb", "a\tb"},
        {"space as a trail byte stays", "\xB0 x", "\xB0 x"},
        {"lone lead byte at the end", "a \xB0", "a\xB0"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(removeAllSpaces(c.text), c.expected);
    }
}

TEST(Case, ToLowerText) {
    const std::vector<TransformCase> cases = {
        {"ASCII capitals", "AbC-Z", "abc-z"},
        {"full-width capital A unchanged", "\xA3\xC1", "\xA3\xC1"},
        {"letter trail byte unchanged",
         "X\xB0"
         "AY",
         "x\xB0"
         "Ay"},
        {"lone lead byte at the end", "A\xC1", "a\xC1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(toLowerText(c.text), c.expected);
    }
}

TEST(Case, CompareText) {
    struct Case {
        const char* name;
        Text a;
        Text b;
        bool caseSensitive;
        int expectedSign;
    };
    const std::vector<Case> cases = {
        {"equal ignoring case", "http://", "HTTP://", false, 0},
        {"different with case", "http://", "HTTP://", true, 1},
        {"both empty", "", "", true, 0},
        {"prefix sorts first", "ab", "abc", false, -1},
        {"longer sorts after", "abc", "ab", false, 1},
        {"plain order", "a", "b", true, -1},
        {"letter trail bytes are compared exactly",
         "\xB0"
         "A",
         "\xB0"
         "a",
         false, -1},
        {"same two-byte characters", "\xB0\xA1x", "\xB0\xA1X", false, 0},
        {"truncated character sorts first", "\xB0", "\xB0\xA1", false, -1},
    };
    const auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sign(compareText(c.a, c.b, c.caseSensitive)), c.expectedSign);
    }
}

TEST(Numbers, TextToInt) {
    struct Case {
        const char* name;
        Text text;
        std::int32_t expected;
    };
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    const std::vector<Case> cases = {
        {"full-width digits", "\xA3\xB8\xA3\xB0", 80},
        {"leading space and trailing letters", " 81abc", 81},
        {"empty", "", 0},
        {"no number", "abc", 0},
        {"negative", "-12", -12},
        {"plus sign", "+7", 7},
        {"C white space", "\t\n\v\f\r 5", 5},
        {"sign then space", "- 5", 0},
        {"stops at a space", "1 2", 1},
        {"full-width minus",
         "\xA3\xAD"
         "5",
         -5},
        {"full-width space", kFullWidthSpace + "42", 42},
        {"largest", "2147483647", kMax},
        {"smallest", "-2147483648", kMin},
        {"too large is clamped", "2147483648", kMax},
        {"far too large is clamped", "99999999999999999999999", kMax},
        {"too small is clamped", "-99999999999999999999999", kMin},
        {"many leading zeros", "0000000000000000000000012", 12},
        {"0xA3 as a trail byte is not a full-width form", "\xB0\xA3\xB1", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textToInt(c.text), c.expected);
    }
}

TEST(Numbers, TextToNumber) {
    struct Case {
        const char* name;
        Text text;
        double expected;
    };
    const std::vector<Case> cases = {
        {"decimal", "3.5", 3.5},
        {"full-width digits and point", "\xA3\xB8\xA3\xB0\xA3\xAE\xA3\xB5", 80.5},
        {"exponent with trailing text", " -1e2x", -100.0},
        {"empty", "", 0.0},
        {"no number", "abc", 0.0},
        {"leading point", ".5", 0.5},
        {"hexadecimal as atof reads it", "0x10", 16.0},
        {"comma is not a decimal separator", "1,5", 1.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(textToNumber(c.text), c.expected);
    }
}

TEST(Numbers, IntToTextAndSmallConstructors) {
    EXPECT_EQ(intToText(0), "0");
    EXPECT_EQ(intToText(-5), "-5");
    EXPECT_EQ(intToText(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(intToText(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");

    EXPECT_EQ(boolToText(true), "\xD5\xE6");   // GBK 真
    EXPECT_EQ(boolToText(false), "\xBC\xD9");  // GBK 假

    EXPECT_EQ(charFromCode(0), "");
    EXPECT_EQ(charFromCode(65), "A");
    EXPECT_EQ(charFromCode(255), "\xFF");
    EXPECT_EQ(charFromCode(256), "");
    EXPECT_EQ(charFromCode(-1), "");

    EXPECT_EQ(blankText(0), "");
    EXPECT_EQ(blankText(-1), "");
    EXPECT_EQ(blankText(kMinPos), "");
    EXPECT_EQ(blankText(3), "   ");
}

TEST(Bytes, ConversionsKeepOrCutAtZeroBytes) {
    const Bytes withZero("a\0bc", 4);
    EXPECT_EQ(bytesToText(withZero), "a");
    EXPECT_EQ(bytesToText(Bytes("\0a", 2)), "");
    EXPECT_EQ(bytesToText(""), "");
    EXPECT_EQ(bytesToText("abc"), "abc");
    EXPECT_EQ(bytesLength(withZero), 4);
    EXPECT_EQ(textToBytes("ab"), Bytes("ab"));
    EXPECT_EQ(textToBytes(""), Bytes());

    EXPECT_EQ(leftBytes(withZero, 2), Bytes("a\0", 2));
    EXPECT_EQ(leftBytes(withZero, -1), Bytes());
    EXPECT_EQ(leftBytes(withZero, kMaxPos), withZero);

    EXPECT_EQ(blankBytes(3), Bytes(3, '\0'));
    EXPECT_EQ(blankBytes(0), Bytes());
    EXPECT_EQ(blankBytes(-1), Bytes());
}

}  // namespace
