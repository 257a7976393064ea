// Like patterns: wildcards, escapes, letter case and whole code points.
#include <gtest/gtest.h>

#include "core/like_pattern.h"

namespace tabel::core {
namespace {

TEST(LikePatternTest, MatchesWholeText) {
    const struct {
        const char* pattern;
        const char* text;
        bool expected;
    } cases[] = {
        {"", "", true},
        {"", "a", false},
        {"%", "", true},
        {"%%", "abc", true},
        {"_", "", false},
        {"_", "я", true},
        {"_", "\U0001F600", true},  // one character, two UTF-16 units
        {"\U0001F600%", "\U0001F600x", true},
        {"a_c", "abc", true},
        {"a_c", "abbc", false},
        {"%a%b%", "xxaYYbzz", true},
        {"%a%b", "xxaYYbzz", false},
        {"%ab", "aab", true},  // needs backtracking past the first 'a'
        {"%aab%", "abaaab", true},
        {"Ив%", "ИВАНОВ", true},
        {"иванов", "ИВАНОВ", true},
        {"ЁЖ%", "ёжик", true},
        {"е%", "ёжик", false},  // ё is its own letter here
        {"ABC", "abc", true},
        {"50\\%", "50%", true},
        {"50\\%", "500", false},
        {"a\\_b", "a_b", true},
        {"a\\_b", "axb", false},
        {"a\\\\b", "a\\b", true},
        {"a\\b", "ab", true},  // a backslash before an ordinary character just drops
        {"a\\", "a\\", true},  // a backslash at the end is literal
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pattern << " ~ " << c.text);
        EXPECT_EQ(LikePattern(QString::fromUtf8(c.pattern)).matches(QString::fromUtf8(c.text)),
                  c.expected);
    }
}

TEST(LikePatternTest, EscapedTextMatchesOnlyItself) {
    const struct {
        const char* text;
        const char* other;  // what the text would match were it not escaped
    } cases[] = {
        {"50%", "500"},
        {"a_b", "axb"},
        {"C:\\dir", "C:dir"},
        {"%_\\", "xy\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromUtf8(c.text);
        const LikePattern pattern(escapeLikePattern(text));
        EXPECT_TRUE(pattern.matches(text));
        EXPECT_FALSE(pattern.matches(QString::fromUtf8(c.other)));
    }
}

}  // namespace
}  // namespace tabel::core
