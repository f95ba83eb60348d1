#include "qtvutils/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// A writable copy of a text followed by guard bytes that no operation may
// touch: the tokenizer writes only at token ends inside the text.
class Buffer {
public:
    explicit Buffer(const std::string& text) : m_text(text), m_bytes(text.begin(), text.end()) {
        m_bytes.push_back('\0');
        m_bytes.insert(m_bytes.end(), kGuard, kGuard + sizeof kGuard);
    }
    char* Data() { return m_bytes.data(); }
    const char* End() const { return m_bytes.data() + m_text.size(); }
    bool Contains(const char* p) const { return p >= m_bytes.data() && p <= End(); }
    // Intact: the text, its NUL and the guard bytes exactly as they were.
    bool Intact() const { return Differences() == 0; }
    int Differences() const {
        Buffer original(m_text);
        int n = 0;
        for (size_t i = 0; i < m_bytes.size(); ++i) n += m_bytes[i] != original.m_bytes[i];
        return n;
    }

private:
    static constexpr char kGuard[4] = {'\x5a', '\xa5', '\x5a', '\xa5'};
    std::string m_text;
    std::vector<char> m_bytes;
};

// One call: 'n' for next, 'b' for nextBetween, with its delimiter set, and
// the token and m_cDelimiter expected.
struct Step {
    char op;
    const char* delimiters;
    const char* token;
    char delimiter;
};

struct Case {
    const char* what;
    const char* text;
    const char* skip;
    const char* stop;
    std::vector<Step> steps;
};

std::string Show(char c) { return std::to_string(static_cast<unsigned char>(c)); }

const Case kCases[] = {
    {"adjacent delimiters give empty tokens", "a,,b", nullptr, nullptr,
     {{'n', ",", "a", ','}, {'n', ",", "", ','}, {'n', ",", "b", 0}, {'n', ",", "", 0}, {'n', ",", "", 0}}},
    {"delimiters only", ",,,", nullptr, nullptr,
     {{'n', ",", "", ','}, {'n', ",", "", ','}, {'n', ",", "", ','}, {'n', ",", "", 0}}},
    {"a trailing delimiter", "a,", nullptr, nullptr, {{'n', ",", "a", ','}, {'n', ",", "", 0}}},
    {"a delimiter that is skipped too counts once per run", "a  b", " ", nullptr,
     {{'n', " ", "a", ' '}, {'n', " ", "b", 0}, {'n', " ", "", 0}}},
    {"tokens trimmed on both sides", " a , b ", " ", nullptr, {{'n', ",", "a", ','}, {'n', ",", "b", 0}}},
    {"skip characters inside a token stay", "  a b\t ,c", " \t", nullptr,
     {{'n', ",", "a b", ','}, {'n', ",", "c", 0}}},
    {"a token of skip characters is empty", "a,   ,b", " ", nullptr,
     {{'n', ",", "a", ','}, {'n', ",", "", ','}, {'n', ",", "b", 0}}},
    {"no delimiters: the whole text", "a;b c", nullptr, nullptr, {{'n', "", "a;b c", 0}, {'n', nullptr, "", 0}}},
    {"several delimiters", "k=v;w", nullptr, nullptr,
     {{'n', "=;", "k", '='}, {'n', "=;", "v", ';'}, {'n', "=;", "w", 0}}},
    {"bytes above 0x7F", "\xe9\xff\x80\xff", nullptr, "\x81",
     {{'n', "\xff", "\xe9", '\xff'}, {'n', "\xff", "\x80", '\xff'}, {'n', "\xff", "", 0}}},
    {"bytes above 0x7F in a larger set", "\xe9\xff\x80\xfe", nullptr, nullptr,
     {{'n', "\xfe\xff", "\xe9", '\xff'}, {'n', "\xfe\xff", "\x80", '\xfe'}, {'n', "\xfe\xff", "", 0}}},
    {"a quoted pair, then the rest", "\"x y\" z", " ", nullptr,
     {{'b', "\"", "x y", '"'}, {'n', " ", "z", 0}}},
    {"an unterminated pair runs to the end", "\"abc", nullptr, nullptr,
     {{'b', "\"", "abc", 0}, {'b', "\"", "", 0}}},
    {"a pair without its opening delimiter", "abc\"def", nullptr, nullptr,
     {{'b', "\"", "abc", '"'}, {'b', "\"", "def", 0}}},
    {"pairs are not trimmed; skips before the opening one are", "  ' a b ' 'c'", " ", nullptr,
     {{'b', "'", " a b ", '\''}, {'b', "'", "c", '\''}, {'b', "'", "", 0}}},
    {"an empty pair", "\"\"x", nullptr, nullptr, {{'b', "\"", "", '"'}, {'n', ",", "x", 0}}},
    {"next and nextBetween mixed", "k=\"v 1\",z", nullptr, nullptr,
     {{'n', "=", "k", '='}, {'b', "\"", "v 1", '"'}, {'n', ",", "", ','}, {'n', ",", "z", 0}}},
    {"a stop character is never consumed", "a,b;c", nullptr, ";",
     {{'n', ",", "a", ','}, {'n', ",", "b", ';'}, {'n', ",", "", ';'}, {'b', ",", "", ';'}, {'n', ",", "", ';'}}},
    {"a stop character ends a pair", "\"ab;c\"", nullptr, ";", {{'b', "\"", "ab", ';'}, {'b', "\"", "", ';'}}},
    {"a stop character that is a delimiter is stepped over", "a;b", nullptr, ";",
     {{'n', ";", "a", ';'}, {'n', ";", "b", 0}}},
    {"a stop character that is a skip character is skipped", "a; b", "; ", ";",
     {{'n', ",", "a", ';'}, {'n', ",", "b", 0}}},
};

TEST(TokenizerTest, TokensFollowTheWalkAndTheTextIsRestored) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        Buffer buffer(c.text);
        CTokenizer tokenizer(buffer.Data(), c.skip, c.stop);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            SCOPED_TRACE("step " + std::to_string(i));
            const char* token = s.op == 'n' ? tokenizer.next(s.delimiters) : tokenizer.nextBetween(s.delimiters);
            ASSERT_TRUE(buffer.Contains(token));
            EXPECT_STREQ(s.token, token);
            EXPECT_EQ(Show(s.delimiter), Show(tokenizer.m_cDelimiter));
            EXPECT_LE(buffer.Differences(), 1);  // at most the token's NUL
        }
        tokenizer.terminate();
        EXPECT_TRUE(buffer.Intact());
    }
}

TEST(TokenizerTest, DestructorAndRestartPutTheTextBack) {
    Buffer first("alpha beta");
    Buffer second("gamma");
    {
        CTokenizer tokenizer(first.Data(), nullptr, nullptr);
        EXPECT_STREQ("alpha", tokenizer.next(" "));
        EXPECT_EQ(1, first.Differences());
        tokenizer.restart(second.Data(), nullptr, nullptr);
        EXPECT_TRUE(first.Intact());
        EXPECT_STREQ("ga", tokenizer.next("m"));
        EXPECT_FALSE(second.Intact());
    }
    EXPECT_TRUE(second.Intact());
}

TEST(TokenizerTest, NullAndDefaultTextsGiveEmptyTokensWithoutWriting) {
    // QtvEmptyText lies in read-only memory: a write would end the process.
    CTokenizer byDefault;
    CTokenizer fromNull(nullptr, nullptr, nullptr);
    CTokenizer withSets(nullptr, " ", ";");
    for (CTokenizer* t : {&byDefault, &fromNull, &withSets}) {
        for (int i = 0; i < 3; ++i) {
            EXPECT_STREQ("", t->next(","));
            EXPECT_STREQ("", t->nextBetween("\""));
            EXPECT_EQ(0, t->m_cDelimiter);
        }
        t->terminate();
    }
    Buffer empty("");
    CTokenizer tokenizer(empty.Data(), " ", ",");
    EXPECT_EQ(empty.Data(), tokenizer.next(","));
    EXPECT_TRUE(empty.Intact());
}

TEST(TokenizerTest, ConstructionPositionsPastBlanksButTheFirstSearchStartsAtTheText) {
    Buffer buffer("  ab");
    CTokenizer tokenizer(buffer.Data(), QtvWhiteSpaceChars, nullptr);
    EXPECT_EQ(buffer.Data() + 2, tokenizer++);
    tokenizer.changeSkipChars(nullptr);
    EXPECT_STREQ("  ab", tokenizer.next(","));  // from the start, no longer skipping

    Buffer tabs("\t \tx");
    tokenizer.restart(tabs.Data(), QtvWhiteSpaceChars, nullptr);
    EXPECT_EQ(tabs.Data() + 3, tokenizer++);
    EXPECT_STREQ("x", tokenizer.next(","));
}

TEST(TokenizerTest, ChangedSkipSetAppliesFromTheNextCall) {
    Buffer buffer(" a , b ");
    CTokenizer tokenizer(buffer.Data(), nullptr, nullptr);
    EXPECT_STREQ(" a ", tokenizer.next(","));
    tokenizer.changeSkipChars(" ");
    EXPECT_STREQ("b", tokenizer.next(","));
}

TEST(TokenizerTest, LongTextsAreCutAndRestoredInPlace) {
    std::string words;
    for (int i = 0; i < 5000; ++i) words += "xy,";
    Buffer buffer(words);
    CTokenizer tokenizer(buffer.Data(), nullptr, nullptr);
    int count = 0;
    while (*tokenizer.next(",")) {
        ++count;
        ASSERT_EQ(',', tokenizer.m_cDelimiter);
    }
    EXPECT_EQ(5000, count);
    tokenizer.terminate();
    EXPECT_TRUE(buffer.Intact());

    Buffer one(std::string(10000, 'q'));
    tokenizer.restart(one.Data(), nullptr, nullptr);
    EXPECT_EQ(10000u, strlen(tokenizer.next(",")));
    EXPECT_EQ(0, tokenizer.m_cDelimiter);
}

// Random texts over every byte value, random sets and random calls: each
// token lies in the text, the text differs from the original in at most the
// token's NUL, what ended a token belongs to the sets, the end is reached
// within one call per character, and terminate restores everything.
TEST(TokenizerTest, ArbitraryBytesKeepTheInvariants) {
    std::mt19937 rng(20240517);
    auto byteFrom = [&](const char* alphabet) {
        return alphabet[std::uniform_int_distribution<size_t>(0, strlen(alphabet) - 1)(rng)];
    };
    auto randomText = [&](size_t maxLength, const char* alphabet) {
        std::string s(std::uniform_int_distribution<size_t>(0, maxLength)(rng), 'a');
        for (char& ch : s) ch = alphabet ? byteFrom(alphabet) : static_cast<char>(1 + rng() % 255);
        return s;
    };
    const char* kAlphabet = "ab ,;\"\t\x80\xff";  // few symbols, so sets hit often
    for (int round = 0; round < 2000; ++round) {
        std::string text = rng() % 4 ? randomText(40, kAlphabet) : randomText(40, nullptr);
        std::string skip = randomText(2, kAlphabet), stop = randomText(1, kAlphabet);
        std::string delimiters = randomText(3, kAlphabet);
        SCOPED_TRACE("round " + std::to_string(round));
        Buffer buffer(text);
        CTokenizer tokenizer(buffer.Data(), skip.c_str(), stop.empty() ? nullptr : stop.c_str());
        for (size_t call = 0; call <= text.size() + 1; ++call) {
            const char* token = rng() % 3 ? tokenizer.next(delimiters.c_str())
                                          : tokenizer.nextBetween(delimiters.c_str());
            ASSERT_TRUE(buffer.Contains(token));
            ASSERT_LE(buffer.Differences(), 1);
            ASSERT_EQ(nullptr, strpbrk(token, (delimiters + stop).c_str()));
            char d = tokenizer.m_cDelimiter;
            ASSERT_TRUE(d == 0 || delimiters.find(d) != std::string::npos || stop.find(d) != std::string::npos)
                << "delimiter " << Show(d);
        }
        if (stop.empty() && !delimiters.empty()) {
            // Every call moves on, so by now the end has been reached.
            EXPECT_STREQ("", tokenizer.next(delimiters.c_str()));
            EXPECT_EQ(0, tokenizer.m_cDelimiter);
        }
        tokenizer.terminate();
        ASSERT_TRUE(buffer.Intact());
    }
}

}  // namespace
