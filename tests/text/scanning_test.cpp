// Scanning helpers: markers, their case flags and defaults, the quote word, walking a reply with
// textBetweenAt, and lines separated by CR LF.
#include "text/scanning.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "text/gbk_literal.h"

namespace {

const Text kTrailBackslash = "\xD5\x5C";

TEST(TextBetween, MarkersDefaultsAndQuoteWord) {
    struct Case {
        const char* name;
        Text text;
        Text startMarker;
        Text endMarker;
        Pos start;
        bool caseSensitive;
        Text expected;
    };
    const Text quote = "#引号"_gbk;
    const std::vector<Case> cases = {
        {"ignores case by default and keeps the value's case", "Host: A.b.c\r\n", "host: ", "\r\n",
         1, false, "A.b.c"},
        {"case-sensitive misses", "Host: A.b.c\r\n", "host: ", "\r\n", 1, true, ""},
        {"end marker must follow the start marker", "x=1;y=2", "y=", ";", 1, false, ""},
        {"quote word in both markers", "a\"bc\"d", quote, quote, 1, false, "bc"},
        {"quote word inside a longer marker", "k=\"v\";", "k=" + quote, quote + ";", 1, false, "v"},
        {"empty end marker", "abc", "a", "", 1, false, ""},
        {"end marker directly after the start marker", "a=;", "a=", ";", 1, false, ""},
        {"start marker at the very end", "abc=", "=", ";", 1, false, ""},
        {"start position skips an earlier marker", "a=1;a=2;", "a=", ";", 3, false, "2"},
        {"start below 1 counts as 1", "a=1;", "a=", ";", -7, false, "1"},
        {"start past the end", "a=1;", "a=", ";", 99, false, ""},
        {"missing start marker", "abc", "x", "c", 1, false, ""},
        {"trail backslash is no end marker", "=" + kTrailBackslash + "x\\", "=", "\\", 1, false,
         kTrailBackslash + "x"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textBetween(c.text, c.startMarker, c.endMarker, c.start, c.caseSensitive),
                  c.expected);
    }
    EXPECT_EQ(textBetween("Host: A.b.c\r\n", "HOST: ", "\r\n"), "A.b.c");
}

TEST(ValueAfterColon, TrimsOnlySpaces) {
    struct Case {
        const char* name;
        Text text;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"header value", "Content-Type:  text/html ", "text/html"},
        {"only the first colon", "a:b:c", "b:c"},
        {"no colon", "none", ""},
        {"colon at the end", "a:", ""},
        {"tab and CR stay", "Key:\tv\r", "\tv\r"},
        {"full-width space is trimmed", "k:\xA1\xA1v", "v"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(valueAfterColon(c.text), c.expected);
    }
}

TEST(TextBetweenAt, WalksAReplyValueByValue) {
    const Text reply = R"("url" : "u1","url" : "u2")";
    Pos pos = 0;
    std::vector<Text> values;
    for (Text v = textBetweenAt(reply, "\"url\" : \"", "\"", pos, pos); !v.empty();
         v = textBetweenAt(reply, "\"url\" : \"", "\"", pos, pos)) {
        values.push_back(v);
    }
    EXPECT_EQ(values, (std::vector<Text>{"u1", "u2"}));
    EXPECT_EQ(pos, 25);  // the quote after u2
}

TEST(TextBetweenAt, EndPositionRules) {
    struct Case {
        const char* name;
        Text text;
        Text startMarker;
        Text endMarker;
        Pos start;
        bool ignoreCase;
        Text expected;
        Pos expectedEnd;  // kUntouched when the variable must keep its value
    };
    constexpr Pos kUntouched = -1234;
    const std::vector<Case> cases = {
        {"empty start marker disregards the start", "abc", "", "b", 5, false, "a", 2},
        {"empty end marker runs to the end", "abc", "a", "", 1, false, "bc", 4},
        {"both markers empty", "abc", "", "", 1, false, "abc", 4},
        {"exact by default", R"("id":"V1")", R"("ID")", ",", 1, false, "", kUntouched},
        {"ignoring case", R"("id":"V1",)", R"("ID":)", ",", 1, true, R"("V1")", 10},
        {"missing end marker", "a=1", "a=", ";", 1, false, "", kUntouched},
        {"empty value still moves the end", "a=;", "a=", ";", 1, false, "", 3},
        {"start below 1 counts as 1", "a=1;", "a=", ";", -3, false, "1", 4},
        {"quote word is not expanded here", "a\"b\"", "#引号"_gbk, "#引号"_gbk, 1, false, "",
         kUntouched},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Pos end = kUntouched;
        EXPECT_EQ(textBetweenAt(c.text, c.startMarker, c.endMarker, c.start, end, c.ignoreCase),
                  c.expected);
        EXPECT_EQ(end, c.expectedEnd);
    }
}

TEST(TextBefore, AlwaysStartsAtTheFirstByte) {
    struct Case {
        const char* name;
        Text text;
        Text marker;
        Pos start;
        bool ignoreCase;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"first marker", "a=1; b=2", ";", 1, false, "a=1"},
        {"marker at or after the start", "a;b;c", ";", 3, false, "a;b"},
        {"missing marker", "abc", ";", 1, false, ""},
        {"start below 1 counts as 1", "a;b", ";", -9, false, "a"},
        {"exact by default", "aXb", "x", 1, false, ""},
        {"ignoring case", "aXb", "x", 1, true, "a"},
        {"marker at the first byte", ";a", ";", 1, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(textBefore(c.text, c.marker, c.start, c.ignoreCase), c.expected);
    }
}

TEST(Lines, FindLineContainingAndLineAt) {
    struct FindCase {
        const char* name;
        Text text;
        Text needle;
        bool caseSensitive;
        int expected;
    };
    const std::vector<FindCase> finds = {
        {"ignores case by default", "x\r\nA_BAK y\r\n", "a_bak", false, 2},
        {"case-sensitive", "x\r\nA_BAK y\r\n", "a_bak", true, 0},
        {"lone LF joins lines", "a\nb\r\nc", "b", false, 1},
        {"needle across a line break", "ab\r\ncd", "b\r\nc", false, 0},
        {"empty text", "", "a", false, 0},
    };
    for (const auto& c : finds) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(findLineContaining(c.text, c.needle, c.caseSensitive), c.expected);
    }
    EXPECT_EQ(findLineContaining("x\r\nA_BAK y\r\n", "a_bak"), 2);

    struct LineCase {
        const char* name;
        Text text;
        int n;
        Text expected;
    };
    const std::vector<LineCase> lines = {
        {"empty line", "a\r\n\r\nb", 2, ""},
        {"last line", "a\r\n\r\nb", 3, "b"},
        {"no line after a final CR LF", "a\r\nb\r\n", 3, ""},
        {"line 0", "a", 0, ""},
        {"negative", "a", -1, ""},
        {"largest", "a", INT_MAX, ""},
        {"first", "a\r\nb", 1, "a"},
    };
    for (const auto& c : lines) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lineAt(c.text, c.n), c.expected);
    }
}

}  // namespace
