#include "qtvutils/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace {

TEST(ScannerTest, StepsStopAtTheEndAtStopCharactersAndAtTheStart) {
    // How the scanner gets its text: 'r' restart(text, stop); '=' restart("x;y", stop), then the text
    // assigned (the stop set stays); 'd' none (default construction). offsets: six steps forward, then six back.
    const struct { char how; const char *text, *stop, *offsets; } rows[] = {
        {'r', "abc", nullptr, "0 1 2 3 3 3 / 3 2 1 0 0 0 "},     {'r', "abc", "", "0 1 2 3 3 3 / 3 2 1 0 0 0 "},
        {'r', "ab;c", ";", "0 1 2 2 2 2 / 2 1 0 0 0 0 "},        {'r', ";x", ";", "0 0 0 0 0 0 / 0 0 0 0 0 0 "},
        {'r', "a\xffx", "\xff", "0 1 1 1 1 1 / 1 0 0 0 0 0 "},  {'r', "a\x80x", "\xff", "0 1 2 3 3 3 / 3 2 1 0 0 0 "},
        {'=', "pq;r", ";", "0 1 2 2 2 2 / 2 1 0 0 0 0 "},        {'=', nullptr, ";", "0 0 0 0 0 0 / 0 0 0 0 0 0 "},
        {'r', nullptr, ";", "0 0 0 0 0 0 / 0 0 0 0 0 0 "},       {'d', nullptr, nullptr, "0 0 0 0 0 0 / 0 0 0 0 0 0 "},
    };
    for (const auto& r : rows) {
        CScanner s;
        if (r.how != 'd') s.restart(r.how == 'r' ? r.text : "x;y", r.stop);
        if (r.how == '=') s = r.text;
        const char* text = r.text ? r.text : QtvEmptyText;
        std::string offsets;
        for (int i = 0; i < 12; ++i) offsets += std::to_string((i < 6 ? s++ : s--) - text) + (i == 5 ? " / " : " ");
        EXPECT_EQ(r.offsets, offsets) << r.how << ' ' << text << ' ' << (r.stop ? r.stop : "null");
    }
}

// Makes the calls ('n': next with the set `next`, 'b': nextBetween with the
// set `between`) and shows each token followed by what ended it ('$' for 0)
// and by '|'.
std::string Tokens(CTokenizer& t, const char* calls, const char* next, const char* between) {
    std::ostringstream out;
    for (const char* c = calls; *c; ++c)  // each << is sequenced after the call before it
        out << (*c == 'n' ? t.next(next) : t.nextBetween(between)) << (t.m_cDelimiter ? t.m_cDelimiter : '$') << '|';
    return out.str();
}

// After the calls, restart and then the destructor put each text back.
TEST(TokenizerTest, TokensFollowTheWalkAndTheTextIsPutBack) {
    // {} is no set at all (a null pointer).
    const struct { const char *text, *skip, *stop, *nextSet, *betweenSet, *calls, *expected; } cases[] = {
        // adjacent delimiters; skipped delimiters: one per run, with skip characters before one
        {"a,,b", {}, {}, ",", {}, "nnnnn", "a,|,|b$|$|$|"},     {",,,", {}, {}, ",", {}, "nnnn", ",|,|,|$|"},
        {"a  b", " ", {}, " ", {}, "nnn", "a |b$|$|"},          {"a  ,b", " ", {}, " ,", {}, "nn", "a |b$|"},
        // trimmed on both sides, inner skip characters stay, skip characters only give an empty token
        {" a , b ", " ", {}, ",", {}, "nn", "a,|b$|"},          {"  a b\t ,c", " \t", {}, ",", {}, "nn", "a b,|c$|"},
        {"a,   ,b", " ", {}, ",", {}, "nnn", "a,|,|b$|"},       {"k=v;w", {}, {}, "=;", {}, "nnn", "k=|v;|w$|"},
        {"\xe9\xff\x80\xfe", {}, {}, "\xfe\xff", {}, "nnn", "\xe9\xff|\x80\xfe|$|"},
        // pairs: quoted then the rest, unterminated, no opening delimiter, empty, untrimmed, mixed with next
        {"\"x y\" z", " ", {}, " ", "\"", "bn", "x y\"|z$|"},   {"\"abc", {}, {}, {}, "\"", "bb", "abc$|$|"},
        {"abc\"def", {}, {}, {}, "\"", "bb", "abc\"|def$|"},    {"\"\"x", {}, {}, ",", "\"", "bn", "\"|x$|"},
        {"  ' a b ' 'c'", " ", {}, {}, "'", "bbb", " a b '|c'|$|"},
        {"k=\"v 1\",z", {}, {}, "=,", "\"", "nbnn", "k=|v 1\"|,|z$|"},
        // a stop character is never consumed, unless it is a delimiter
        {"a,b;c", {}, ";", ",", ",", "nnnbn", "a,|b;|;|;|;|"},  {"a;b", {}, ";", ";", {}, "nn", "a;|b$|"},
    };
    const std::string guard("\0\x5a\xa5", 3);  // the NUL and bytes behind it, which nothing may touch
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string original = c.text + guard, otherOriginal = "x y" + guard;
        std::string text = original, other = otherOriginal;
        {
            CTokenizer t(&text[0], c.skip, c.stop);
            EXPECT_EQ(&text[strspn(c.text, c.skip ? c.skip : "")], t++);  // past the leading skip characters
            EXPECT_EQ(c.expected, Tokens(t, c.calls, c.nextSet, c.betweenSet));
            t.restart(&other[0], nullptr, nullptr);
            EXPECT_EQ(original, text);
            EXPECT_STREQ("x", t.next(" "));
        }
        EXPECT_EQ(otherOriginal, other);
    }
    // QtvEmptyText lies in read-only memory: a write would end the process.
    CTokenizer byDefault, fromNull(nullptr, " ", ";");
    for (CTokenizer* t : {&byDefault, &fromNull}) EXPECT_EQ("$|$|$|", Tokens(*t, "nbn", ",", "\""));
}

}  // namespace
