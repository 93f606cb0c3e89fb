// Code-page conversion: UTF-8, Big5 and GBK through UTF-16, traditional to simplified Chinese,
// and the "..."_gbk literals built on it.
#include "text/codepage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/codepage.h"
#include "text/gbk_literal.h"

namespace {

namespace cp = platform::codepage;
using namespace std::string_literals;

// Byte strings in the tests are written with explicit escapes ("\xD6\xD0" is GBK 中) so that
// each case shows the bytes that go in and come out; zero bytes need the ""s suffix.

struct ConversionCase {
    const char* name;
    Text (*convert)(const Text&);
    Text input;
    Text expected;
};

class Conversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(Conversion, GivesExpectedBytes) {
    const ConversionCase& c = GetParam();
    EXPECT_EQ(c.convert(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Utf8ToGbk, Conversion,
    testing::Values(
        ConversionCase{"two_chinese_characters", utf8ToGbk, "\xE4\xB8\xAD\xE6\x96\x87",
                       "\xD6\xD0\xCE\xC4"},
        ConversionCase{"ascii_unchanged", utf8ToGbk, "GET /a?b=1&c=d\r\n", "GET /a?b=1&c=d\r\n"},
        ConversionCase{"empty", utf8ToGbk, "", ""},
        ConversionCase{"emoji_gbk_lacks_is_one_question_mark", utf8ToGbk,
                       "a\xF0\x9F\x98\x80"
                       "b\xE4\xB8\xAD",
                       "a?b\xD6\xD0"},
        ConversionCase{"hangul_gbk_lacks", utf8ToGbk, "\xED\x95\x9C\xE4\xB8\xAD", "?\xD6\xD0"},
        ConversionCase{"invalid_byte_mid_text_keeps_rest", utf8ToGbk,
                       "a\xFF"
                       "b\xE4\xB8\xAD",
                       "a?b\xD6\xD0"},
        ConversionCase{"truncated_sequence_mid_text_keeps_next_character", utf8ToGbk,
                       "\xE4\xB8x\xE6\x96\x87", "?x\xCE\xC4"},
        ConversionCase{"truncated_sequence_at_end", utf8ToGbk, "\xE4\xB8\xAD\xE6\x96", "\xD6\xD0?"},
        ConversionCase{"encoded_surrogate_is_invalid", utf8ToGbk, "\xED\xA0\x80z", "???z"},
        ConversionCase{"read_up_to_zero_byte", utf8ToGbk, "ab\0\xE4\xB8\xAD"s, "ab"},
        ConversionCase{"euro_sign_as_windows_code_page_936", utf8ToGbk, "\xE2\x82\xAC", "\x80"},
        // Invisible characters (byte order mark, zero-width space) that GBK lacks still take
        // the default character, like every other character it lacks.
        ConversionCase{"byte_order_mark_gbk_lacks", utf8ToGbk,
                       "\xEF\xBB\xBF"
                       "a",
                       "?a"},
        ConversionCase{"zero_width_space_gbk_lacks", utf8ToGbk,
                       "a\xE2\x80\x8B"
                       "b",
                       "a?b"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Big5, Conversion,
    testing::Values(
        // 中國: 國 has a simplified form (国), and GBK holds both.
        ConversionCase{"to_gbk_keeps_traditional", big5ToGbk, "\xA4\xA4\xB0\xEA",
                       "\xD6\xD0\x87\xF8"},
        ConversionCase{"simplified", big5ToSimplifiedGbk, "\xA4\xA4\xB0\xEA", "\xD6\xD0\xB9\xFA"},
        ConversionCase{"ascii_unchanged", big5ToSimplifiedGbk, "album_1 ok", "album_1 ok"},
        ConversionCase{"empty", big5ToSimplifiedGbk, "", ""},
        // Big5 A1 45 (U+2027 hyphenation point) has no GBK form: it is dropped, and the text
        // after it must survive.
        ConversionCase{"character_gbk_lacks_dropped_rest_kept", big5ToGbk,
                       "\xA4\xA4\xA1\x45\xB0\xEA"
                       "end",
                       "\xD6\xD0\x87\xF8"
                       "end"},
        ConversionCase{"character_gbk_lacks_dropped_rest_simplified", big5ToSimplifiedGbk,
                       "\xA1\x45\xB0\xEA", "\xB9\xFA"},
        ConversionCase{"user_defined_area_dropped", big5ToGbk,
                       "a\x81\x40"
                       "b",
                       "ab"},
        ConversionCase{"invalid_bytes_dropped", big5ToGbk,
                       "a\xFF"
                       "b\xA4",
                       "ab"},
        ConversionCase{"read_up_to_zero_byte", big5ToSimplifiedGbk, "\xB0\xEA\0\xB0\xEA"s,
                       "\xB9\xFA"},
        // Big5 A3 E1 is the euro sign, one byte (0x80) in GBK: the characters after it must
        // still be read in step.
        ConversionCase{"euro_sign_then_traditional", big5ToSimplifiedGbk,
                       "\xA3\xE1\xA4\xA4\xB0\xEA", "\x80\xD6\xD0\xB9\xFA"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ToSimplifiedChinese, Conversion,
    testing::Values(ConversionCase{"traditional_replaced", toSimplifiedChinese, "\x87\xF8",
                                   "\xB9\xFA"},
                    // 後 -> 后 and 國 -> 国 between ASCII; 中 is the same in both scripts.
                    ConversionCase{"mixed_text", toSimplifiedChinese,
                                   "a\xE1\xE1"
                                   "b\x87\xF8\xD6\xD0",
                                   "a\xBA\xF3"
                                   "b\xB9\xFA\xD6\xD0"},
                    ConversionCase{"empty", toSimplifiedChinese, "", ""},
                    ConversionCase{"lone_lead_byte_at_end_kept", toSimplifiedChinese,
                                   "\x87\xF8\x87", "\xB9\xFA\x87"},
                    ConversionCase{"invalid_pair_kept", toSimplifiedChinese, "\x81\x20\x87\xF8",
                                   "\x81\x20\xB9\xFA"},
                    ConversionCase{"pair_with_line_feed_trail_kept", toSimplifiedChinese,
                                   "\x87\n\x87\xF8\x87\n", "\x87\n\xB9\xFA\x87\n"},
                    // Read by characters, the text is 87 87 (噰, no simplified form) and a lone F8;
                    // the bytes 87 F8 in the middle are not a character of it.
                    ConversionCase{"walks_characters_not_bytes", toSimplifiedChinese,
                                   "\x87\x87\xF8", "\x87\x87\xF8"},
                    // In code page 936, 0x80 (the euro sign) and 0xFF are one-byte characters.
                    ConversionCase{"euro_sign_0x80_is_one_byte", toSimplifiedChinese,
                                   "\x80\x87\xF8", "\x80\xB9\xFA"},
                    ConversionCase{"byte_0xFF_is_one_byte", toSimplifiedChinese, "\xFF\x87\xF8",
                                   "\xFF\xB9\xFA"},
                    // 儸 simplifies to U+3469, which GBK lacks.
                    ConversionCase{"simplified_form_outside_gbk_kept", toSimplifiedChinese,
                                   "\x83\xAC\x87\xF8", "\x83\xAC\xB9\xFA"},
                    ConversionCase{"read_up_to_zero_byte", toSimplifiedChinese,
                                   "\x87\xF8\0\x87\xF8"s, "\xB9\xFA"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    GbkToUtf8, Conversion,
    testing::Values(ConversionCase{"two_chinese_characters", gbkToUtf8, "\xD6\xD0\xCE\xC4",
                                   "\xE4\xB8\xAD\xE6\x96\x87"},
                    ConversionCase{"ascii_unchanged", gbkToUtf8, "12345.jpg", "12345.jpg"},
                    ConversionCase{"lone_lead_byte_becomes_replacement_character", gbkToUtf8,
                                   "a\x81", "a\xEF\xBF\xBD"},
                    ConversionCase{"invalid_pair_keeps_its_ascii_byte", gbkToUtf8, "\x81 b",
                                   "\xEF\xBF\xBD b"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every two-byte character of code page 936, in lead-byte order.
Text allGbkCharacters() {
    Text text;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            text.push_back(static_cast<char>(lead));
            text.push_back(static_cast<char>(trail));
        }
    }
    return text;
}

TEST(GbkToUtf8, EveryGbkCharacterRoundTrips) {
    const Text all = allGbkCharacters();
    const std::string utf8 = gbkToUtf8(all);
    EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(utf8ToGbk(utf8), all);
}

TEST(ToSimplifiedChinese, WholeCodePageKeepsLengthAndCharacterBoundaries) {
    const Text all = allGbkCharacters();
    const Text simplified = toSimplifiedChinese(all);
    ASSERT_EQ(simplified.size(), all.size());
    // Each character is replaced in place by a two-byte character or left alone, so every
    // position still holds a lead byte followed by a trail byte.
    Text changedAt;
    int changed = 0;
    for (std::size_t i = 0; i < all.size(); i += 2) {
        if (simplified.compare(i, 2, all, i, 2) == 0)
            continue;
        ++changed;
        EXPECT_GE(static_cast<unsigned char>(simplified[i]), 0x81) << "at " << i;
        EXPECT_GE(static_cast<unsigned char>(simplified[i + 1]), 0x40) << "at " << i;
    }
    // Thousands of traditional characters exist in GBK; a mapping that changed none (or a
    // run that silently kept the text) would pass the checks above.
    EXPECT_GT(changed, 2000);
}

// --- UTF-16 building blocks ---

struct ToWideCase {
    const char* name;
    Text input;
    int codePage;
    Bytes expected;
};

class TextToWide : public testing::TestWithParam<ToWideCase> {};

TEST_P(TextToWide, GivesLittleEndianUnitsWithTerminator) {
    const ToWideCase& c = GetParam();
    EXPECT_EQ(textToWide(c.input, c.codePage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToWide,
    testing::Values(ToWideCase{"utf8",
                               "\xE4\xB8\xAD"
                               "a",
                               CP_UTF8,
                               "\x2D\x4E"
                               "a\0\0\0"s},
                    ToWideCase{"empty_is_terminator_only", "", CP_UTF8, "\0\0"s},
                    ToWideCase{"gbk", "\xD6\xD0", kCodePageGbk, "\x2D\x4E\0\0"s},
                    ToWideCase{"ansi_code_page_is_gbk", "\xD6\xD0", CP_ACP, "\x2D\x4E\0\0"s},
                    ToWideCase{"big5", "\xA4\xA4", kCodePageBig5, "\x2D\x4E\0\0"s},
                    ToWideCase{"read_up_to_zero_byte", "a\0b"s, CP_UTF8, "a\0\0\0"s},
                    ToWideCase{"invalid_utf8_is_replacement_character",
                               "\xFF"
                               "a",
                               CP_UTF8,
                               "\xFD\xFF"
                               "a\0\0\0"s}),
    [](const auto& info) { return std::string(info.param.name); });

struct FromWideCase {
    const char* name;
    Bytes wide;
    int codePage;
    Text expected;
};

class WideToText : public testing::TestWithParam<FromWideCase> {};

TEST_P(WideToText, EncodesUpToFirstZeroUnit) {
    const FromWideCase& c = GetParam();
    EXPECT_EQ(wideToText(c.wide, c.codePage), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WideToText,
    testing::Values(FromWideCase{"ansi_code_page_is_gbk",
                                 "\x2D\x4E"
                                 "a\0\0\0"s,
                                 CP_ACP,
                                 "\xD6\xD0"
                                 "a"},
                    FromWideCase{"big5", "\x2D\x4E\0\0"s, kCodePageBig5, "\xA4\xA4"},
                    FromWideCase{"utf8", "\x2D\x4E\0\0"s, CP_UTF8, "\xE4\xB8\xAD"},
                    FromWideCase{"stops_at_zero_unit", "a\0\0\0b\0"s, CP_ACP, "a"},
                    // A zero byte that is half of a unit is not a terminator.
                    FromWideCase{"zero_high_byte_is_not_terminator", "a\0b\0"s, CP_ACP, "ab"},
                    FromWideCase{"no_terminator", "a\0b\0"s, kCodePageGbk, "ab"},
                    FromWideCase{"odd_last_byte_ignored", "a\0b"s, CP_ACP, "a"},
                    FromWideCase{"empty", "", CP_ACP, ""},
                    FromWideCase{"unpaired_surrogate_is_default_character",
                                 "\x00\xD8"
                                 "a\0"s,
                                 CP_ACP, "?a"},
                    FromWideCase{"character_gbk_lacks_is_default_character",
                                 "\x5C\xD5"
                                 "a\0"s,
                                 CP_ACP, "?a"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WideRoundTrip, Utf8ThroughWideIsUtf8ToGbk) {
    const Text utf8 = "\xE4\xB8\xAD\xE6\x96\x87 ok \xF0\x9F\x98\x80";
    EXPECT_EQ(wideToText(textToWide(utf8), kCodePageGbk), utf8ToGbk(utf8));
}

// --- literals ---

TEST(GbkLiteral, HoldsGbkBytes) {
    EXPECT_EQ("中文"_gbk, "\xD6\xD0\xCE\xC4");
    EXPECT_EQ("下载完成"_gbk, "\xCF\xC2\xD4\xD8\xCD\xEA\xB3\xC9");
    EXPECT_EQ("----"_gbk, "----");
}

TEST(GbkLiteral, IsConvertedOnceAndShared) {
    const auto literal = []() -> const Text& { return "相册"_gbk; };
    EXPECT_EQ(&literal(), &literal());
}

// --- the ICU layer underneath ---

TEST(PlatformDecode, KeepsZeroBytesAndWhatFollowsThem) {
    EXPECT_EQ(cp::decode("a\0\xE4\xB8\xAD"s, 65001), u"a\0\u4E2D"s);
    EXPECT_EQ(cp::decode("a\0\xD6\xD0"s, 936), u"a\0\u4E2D"s);
}

TEST(PlatformDecode, UnknownCodePageGivesEmptyText) {
    EXPECT_EQ(cp::decode("abc", 12345), u"");
    EXPECT_EQ(cp::encode(u"abc", 12345, cp::Unmappable::DefaultChar), "");
}

struct EncodeCase {
    const char* name;
    std::u16string text;
    int codePage;
    std::string defaultChar;  // the result with Unmappable::DefaultChar
    std::string dropped;      // the result with Unmappable::Drop
};

class PlatformEncode : public testing::TestWithParam<EncodeCase> {};

TEST_P(PlatformEncode, ReplacesOrDropsWhatTheCodePageLacks) {
    const EncodeCase& c = GetParam();
    EXPECT_EQ(cp::encode(c.text, c.codePage, cp::Unmappable::DefaultChar), c.defaultChar);
    EXPECT_EQ(cp::encode(c.text, c.codePage, cp::Unmappable::Drop), c.dropped);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlatformEncode,
    testing::Values(
        EncodeCase{"gbk_all_mappable", u"a\u4E2D", 936, "a\xD6\xD0", "a\xD6\xD0"},
        EncodeCase{"gbk_supplementary_character_counts_once", u"a\U0001F600b", 936, "a?b", "ab"},
        EncodeCase{"gbk_latin_letter_it_lacks", u"\u00E4x", 936, "?x", "x"},
        EncodeCase{"gbk_invisible_character_it_lacks", u"\uFEFFx\u200B", 936, "?x?", "x"},
        EncodeCase{"big5_lacks_simplified_character", u"\u56FDx", 950, "?x", "x"},
        EncodeCase{"ansi_code_page", u"\u4E2D", 0, "\xD6\xD0", "\xD6\xD0"},
        EncodeCase{"gbk_unpaired_surrogate", u"a"s + char16_t{0xDC00} + u"b", 936, "a?b", "ab"},
        EncodeCase{"utf8_unpaired_surrogate", u"a"s + char16_t{0xD800} + u"b", 65001,
                   "a\xEF\xBF\xBD"
                   "b",
                   "ab"},
        EncodeCase{"keeps_zero_units", u"a\0b"s, 936, "a\0b"s, "a\0b"s}),
    [](const auto& info) { return std::string(info.param.name); });

// Texts longer than the converters' internal rounds, with characters that straddle round
// borders in the input and in the output.
TEST(PlatformConversion, LongTextsConvertWhole) {
    std::string utf8 = "a";
    std::u16string units = u"a";
    std::string gbk = "a";
    for (int i = 0; i < 10000; ++i) {
        utf8 += "\xE4\xB8\xAD";
        units += u'\u4E2D';
        gbk += "\xD6\xD0";
    }
    EXPECT_EQ(cp::decode(utf8, 65001), units);
    EXPECT_EQ(cp::decode(gbk, 936), units);
    EXPECT_EQ(cp::encode(units, 936, cp::Unmappable::DefaultChar), gbk);
    EXPECT_EQ(cp::encode(units, 65001, cp::Unmappable::Drop), utf8);
}

TEST(PlatformToSimplified, MapsTraditionalCharacters) {
    EXPECT_EQ(cp::toSimplified(u"\u4E2D\u570B\u767C\u5C55 ok"), u"\u4E2D\u56FD\u53D1\u5C55 ok");
    EXPECT_EQ(cp::toSimplified(u""), u"");
}

}  // namespace
