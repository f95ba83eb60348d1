#include "qtvutils/files.h"
#include "qtvutils/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A writable copy of a text, its NUL and guard bytes that nothing may touch.
struct Buffer {
    explicit Buffer(const std::string& text)
        : original(text + '\0' + "\x5a\xa5\x5a"), bytes(original.begin(), original.end()) {}
    char* Data() { return bytes.data(); }
    bool Holds(const char* p) const { return p >= bytes.data() && p <= bytes.data() + original.size() - 4; }
    int Differences() const {
        int n = 0;
        for (size_t i = 0; i < bytes.size(); ++i) n += bytes[i] != original[i];
        return n;
    }
    std::string original;
    std::vector<char> bytes;
};

// Makes the calls ('n': next with nextSet, 'b': nextBetween with betweenSet)
// and shows each token followed by what ended it ('$' for 0), separated by
// '|'. Between calls at most the token's NUL differs from the original text.
std::string Tokens(CTokenizer& t, const Buffer* b, const char* calls, const char* nextSet, const char* betweenSet) {
    std::string shown;
    for (const char* c = calls; *c; ++c) {
        const char* token = *c == 'n' ? t.next(nextSet) : t.nextBetween(betweenSet);
        if (b) {
            EXPECT_TRUE(b->Holds(token));
            EXPECT_LE(b->Differences(), 1);
        }
        shown += std::string(token) + (t.m_cDelimiter ? t.m_cDelimiter : '$') + (c[1] ? "|" : "");
    }
    return shown;
}

TEST(TokenizerTest, TokensFollowTheWalkAndTerminateRestoresTheText) {
    const struct Case {
        const char *text, *skip, *stop, *nextSet, *betweenSet, *calls, *expected;
    } cases[] = {
        {"a,,b", nullptr, nullptr, ",", nullptr, "nnnnn", "a,|,|b$|$|$"},  // adjacent delimiters
        {",,,", nullptr, nullptr, ",", nullptr, "nnnn", ",|,|,|$"},
        {"a,", nullptr, nullptr, ",", nullptr, "nn", "a,|$"},
        {"a  b", " ", nullptr, " ", nullptr, "nnn", "a |b$|$"},          // skipped delimiters: one per run
        {" a , b ", " ", nullptr, ",", nullptr, "nn", "a,|b$"},          // trimmed on both sides
        {"  a b\t ,c", " \t", nullptr, ",", nullptr, "nn", "a b,|c$"},   // inner skip characters stay
        {"a,   ,b", " ", nullptr, ",", nullptr, "nnn", "a,|,|b$"},       // skip characters only: empty
        {"k=v;w", nullptr, nullptr, "=;", nullptr, "nnn", "k=|v;|w$"},
        {"a;b c", nullptr, nullptr, "", nullptr, "nn", "a;b c$|$"},
        {"\xe9\xff\x80", nullptr, nullptr, "\xff", nullptr, "nn", "\xe9\xff|\x80$"},
        {"\xe9\xff\x80\xfe", nullptr, nullptr, "\xfe\xff", nullptr, "nnn", "\xe9\xff|\x80\xfe|$"},
        {"\"x y\" z", " ", nullptr, " ", "\"", "bn", "x y\"|z$"},        // a quoted pair, then the rest
        {"\"abc", nullptr, nullptr, nullptr, "\"", "bb", "abc$|$"},      // unterminated
        {"abc\"def", nullptr, nullptr, nullptr, "\"", "bb", "abc\"|def$"},
        {"  ' a b ' 'c'", " ", nullptr, nullptr, "'", "bbb", " a b '|c'|$"},  // pairs are not trimmed
        {"\"\"x", nullptr, nullptr, ",", "\"", "bn", "\"|x$"},
        {"k=\"v 1\",z", nullptr, nullptr, "=,", "\"", "nbnn", "k=|v 1\"|,|z$"},  // next and nextBetween mixed
        {"a,b;c", nullptr, ";", ",", ",", "nnnbn", "a,|b;|;|;|;"},      // a stop character is never consumed
        {"\"ab;c\"", nullptr, ";", nullptr, "\"", "bb", "ab;|;"},
        {"a;b", nullptr, ";", ";", nullptr, "nn", "a;|b$"},               // ... unless it is a delimiter
        {"a; b", "; ", ";", ",", nullptr, "nn", "a;|b$"},                 // ... or a skip character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Buffer buffer(c.text);
        CTokenizer t(buffer.Data(), c.skip, c.stop);
        EXPECT_EQ(c.expected, Tokens(t, &buffer, c.calls, c.nextSet, c.betweenSet));
        t.terminate();
        EXPECT_EQ(0, buffer.Differences());
    }
}

TEST(TokenizerTest, NullTextsGiveEmptyTokensWithoutWriting) {
    // QtvEmptyText lies in read-only memory: a write would end the process.
    CTokenizer byDefault, fromNull(nullptr, " ", ";");
    EXPECT_EQ("$|$|$", Tokens(byDefault, nullptr, "nbn", ",", "\""));
    EXPECT_EQ("$|$|$", Tokens(fromNull, nullptr, "nbn", ",", "\""));
}

TEST(TokenizerTest, RestartAndDestructorPutTheTextBack) {
    Buffer first("alpha beta"), second("gamma");
    {
        CTokenizer t(first.Data(), nullptr, nullptr);
        EXPECT_STREQ("alpha", t.next(" "));
        t.restart(second.Data(), nullptr, nullptr);
        EXPECT_EQ(0, first.Differences());
        EXPECT_STREQ("ga", t.next("m"));
        EXPECT_EQ(1, second.Differences());
    }
    EXPECT_EQ(0, second.Differences());
}

TEST(TokenizerTest, ConstructionSkipsBlanksForThePositionOnly) {
    Buffer buffer(" \t ab");
    CTokenizer t(buffer.Data(), QtvWhiteSpaceChars, nullptr);
    EXPECT_EQ(buffer.Data() + 3, t++);
    t.changeSkipChars(nullptr);
    EXPECT_STREQ(" \t ab", t.next(","));  // the first search starts at the text
}

// Random texts over every byte value, random sets and calls: tokens lie in
// the text and hold no delimiter or stop character, at most the token's NUL
// is written, every call moves on, and terminate restores the text.
TEST(TokenizerTest, ArbitraryBytesKeepTheInvariants) {
    std::mt19937 rng(20240517);
    const std::string alphabet = "ab ,;\"\t\x80\xff";  // few symbols, so the sets hit often
    auto randomText = [&](size_t maxLength, bool anyByte) {
        std::string s(rng() % (maxLength + 1), 'a');
        for (char& ch : s) ch = anyByte ? static_cast<char>(1 + rng() % 255) : alphabet[rng() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 2000; ++round) {
        SCOPED_TRACE(round);
        std::string text = randomText(40, round % 4 == 0), skip = randomText(2, false);
        std::string stop = randomText(1, false), delimiters = randomText(3, false);
        Buffer buffer(text);
        CTokenizer t(buffer.Data(), skip.c_str(), stop.empty() ? nullptr : stop.c_str());
        for (size_t call = 0; call <= text.size(); ++call) {
            const char* token = rng() % 3 ? t.next(delimiters.c_str()) : t.nextBetween(delimiters.c_str());
            ASSERT_TRUE(buffer.Holds(token));
            ASSERT_LE(buffer.Differences(), 1);
            ASSERT_EQ(nullptr, strpbrk(token, (delimiters + stop).c_str()));
            ASSERT_TRUE(!t.m_cDelimiter || (delimiters + stop).find(t.m_cDelimiter) != std::string::npos);
        }
        if (stop.empty() && !delimiters.empty()) {
            EXPECT_EQ("$", Tokens(t, &buffer, "n", delimiters.c_str(), ""));  // the end is reached
        }
        t.terminate();
        ASSERT_EQ(0, buffer.Differences());
    }
}

}  // namespace
