// Merging a response's cookies into the caller's cookie text.
#include "http/cookies.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MergeCookies, NewerReplaceOlderAndDeletedDisappear) {
    struct Case {
        const char* name;
        Text older;
        Text fresh;
        Text expected;
        Text freshAfter;
    };
    const std::vector<Case> cases = {
        {"both empty", "", "", "", ""},
        {"older only, separators rebuilt", "a=1; b=2", "", "a=1; b=2", ""},
        {"newer replaces older", "a=1; b=2", "a=3", "a=3; b=2", "a=3"},
        {"deleted hides the older one and goes itself", "a=1; b=2", "a=deleted", "b=2",
         "a=deleted"},
        {"first of several older with one name", "a=1;a=2", "", "a=1", ""},
        {"several new with one name all stay", "", "a=1;a=2", "a=1; a=2", "a=1;a=2"},
        {"spaces removed from values", "", "x=a b c", "x=abc", "x=abc"},
        {"names are case-sensitive", "A=1", "a=2", "a=2; A=1", "a=2"},
        {"empty member survives", "", "a=1;;b=2", "a=1; ; b=2", "a=1;;b=2"},
        {"deleted older cookie dropped", "a=deleted; b=1", "", "b=1", ""},
        {"trailing separators", "a=1;", "b=2;", "b=2; a=1", "b=2;"},
        {"full-width spaces removed", "a=1\xA1\xA1", "", "a=1", ""},
        {"cookie without a value is its own name", "flag; a=1", "flag", "flag; a=1", "flag"},
        {"spaces around a name", " a = 2", "a=1", "a=1", "a=1"},
        {"deletion mark is case-sensitive", "", "a=Deleted", "a=Deleted", "a=Deleted"},
        {"everything deleted", "a=1", "a=deleted;b=deleted", "", "a=deleted;b=deleted"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text cookies = c.older;
        Text fresh = c.fresh;
        EXPECT_EQ(mergeCookies(cookies, fresh), c.expected);
        EXPECT_EQ(cookies, c.expected);
        EXPECT_EQ(fresh, c.freshAfter);
    }
}

TEST(MergeCookies, CarriesCookiesAcrossResponses) {
    Text jar;
    Text first = "uin=o123; skey=@abc";
    mergeCookies(jar, first);
    Text second = "skey=@def; p_skey=x";
    mergeCookies(jar, second);
    Text third = "uin=deleted";
    mergeCookies(jar, third);
    EXPECT_EQ(jar, "skey=@def; p_skey=x");
}

TEST(CookieNames, NameAndLookup) {
    struct Case {
        const char* name;
        Text cookie;
        Text expected;
    };
    const std::vector<Case> cases = {
        {"name before the first equals sign", "a=b=c", "a"},
        {"trimmed", "  a  =1", "a"},
        {"no equals sign", " flag ", "flag"},
        {"empty name", "=x", ""},
        {"empty cookie", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cookieName(c.cookie), c.expected);
    }
    const TextArray jar = {"a=1", " B =2", "flag"};
    EXPECT_TRUE(containsCookieName(jar, "B"));
    EXPECT_TRUE(containsCookieName(jar, "flag"));
    EXPECT_FALSE(containsCookieName(jar, "b"));
    EXPECT_FALSE(containsCookieName({}, ""));
}

}  // namespace
