#include "qtvutils/framework.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>

namespace {

std::string Bytes(const CString& s) { return std::string(static_cast<const char*>(s), s.GetLength()); }

TEST(CStringTest, HoldsZeroBytesInsideItsLengthAndOneAfter) {
    const char raw[] = {'O', 'n', 0, 0, 0};
    CString s(raw, 5);
    EXPECT_EQ(5, s.GetLength());
    EXPECT_EQ(std::string(raw, 5), Bytes(s));
    EXPECT_EQ('\0', static_cast<const char*>(s)[5]);

    CString copy(s);
    CString assigned;
    assigned = s;
    EXPECT_EQ(Bytes(s), Bytes(copy));
    EXPECT_EQ(Bytes(s), Bytes(assigned));
    EXPECT_TRUE(copy == s);
    EXPECT_FALSE(s == "On");  // the counted zeros take part
    EXPECT_TRUE(s != CString("On"));
}

TEST(CStringTest, NullAndEmptyTextsAreEmpty) {
    CString a(nullptr), b(""), c("abc", 0), d("abc", -4);
    for (const CString* s : {&a, &b, &c, &d}) {
        EXPECT_TRUE(s->IsEmpty());
        EXPECT_STREQ("", *s);
    }
    CString e("x");
    e = static_cast<const char*>(nullptr);
    EXPECT_TRUE(e.IsEmpty());
    e = "abc";
    e.Empty();
    EXPECT_EQ(0, e.GetLength());
    EXPECT_STREQ("", e);
}

TEST(CStringTest, ConcatenationAndSelfAliasing) {
    CString s("ab");
    s += s;               // appending itself
    EXPECT_STREQ("abab", s);
    s += s.Mid(1, 2);     // a temporary made from itself
    EXPECT_STREQ("ababba", s);
    s = static_cast<const char*>(s) + 2;  // assigning from its own storage
    EXPECT_STREQ("abba", s);
    s += 'x';
    EXPECT_STREQ("abbax", CString(s));
    EXPECT_STREQ("<abbax>", "<" + s + ">");
    EXPECT_STREQ("abbax!", s + '!');

    CString grown;
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        grown += "0123456789";
        expected += "0123456789";
    }
    EXPECT_EQ(expected, Bytes(grown));
    // Format sizes its result from the arguments, however long.
    std::string big(5000, 'q');
    grown.Format("%s-%04u-[%s]", "dev", 7u, big.c_str());
    EXPECT_EQ("dev-0007-[" + big + "]", Bytes(grown));
}

TEST(CStringTest, ComparisonsOrderBytesUnsignedAndShorterFirst) {
    struct Row {
        const char* a;
        const char* b;
        int sign;
        int signNoCase;
    } rows[] = {
        {"abc", "abc", 0, 0},   {"abc", "abd", -1, -1}, {"ab", "abc", -1, -1},
        {"abc", "ab", 1, 1},    {"ABC", "abc", -1, 0},  {"\xe9", "a", 1, 1},
        {"", "", 0, 0},         {"", "a", -1, -1},      {"Zeta", "alpha", -1, 1},
    };
    auto sign = [](int v) { return (v > 0) - (v < 0); };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.a) + " vs " + r.b);
        CString a(r.a);
        EXPECT_EQ(r.sign, sign(a.Compare(r.b)));
        EXPECT_EQ(r.sign, sign(a.Compare(CString(r.b))));
        EXPECT_EQ(r.signNoCase, sign(a.CompareNoCase(r.b)));
        EXPECT_EQ(r.sign < 0, a < r.b);
        EXPECT_EQ(r.sign < 0, a < CString(r.b));
        EXPECT_EQ(r.sign > 0, r.b < a);
        EXPECT_EQ(r.sign == 0, a == r.b);
        EXPECT_EQ(r.sign == 0, r.b == a);
        EXPECT_EQ(r.sign != 0, a != r.b);
    }
}

TEST(CStringTest, ExtractionClampsToTheText) {
    CString s("Hello, world");
    struct Row {
        CString got;
        const char* expected;
    } rows[] = {
        {s.Left(5), "Hello"},  {s.Left(0), ""},        {s.Left(-1), ""},
        {s.Left(99), "Hello, world"},                  {s.Mid(7), "world"},
        {s.Mid(7, 3), "wor"},  {s.Mid(-3, 2), "He"},   {s.Mid(12), ""},
        {s.Mid(40, 2), ""},    {s.Mid(3, -1), ""},     {s.Mid(10, INT_MAX), "ld"},
        {s.Right(5), "world"}, {s.Right(0), ""},       {s.Right(99), "Hello, world"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(rows[i].expected, rows[i].got);
    }
}

TEST(CStringTest, FindSearchesTheCountedBytes) {
    const char raw[] = "ab\0cab";
    CString s(raw, 6);
    EXPECT_EQ(0, s.Find('a'));
    EXPECT_EQ(4, s.Find('a', 1));
    EXPECT_EQ(2, s.Find('\0'));
    EXPECT_EQ(-1, s.Find('z'));
    EXPECT_EQ(-1, s.Find('a', 6));
    EXPECT_EQ(3, s.Find("ca"));
    EXPECT_EQ(4, s.Find("ab", 1));
    EXPECT_EQ(-1, s.Find("abc"));
    EXPECT_EQ(0, s.Find(""));
}

TEST(CStringTest, IndexesOutsideTheTextReadZeroAndWriteNothing) {
    struct Row {
        const char* text;
        int index;
        char read;
        const char* afterSetAt;
    } rows[] = {{"abc", 2, 'c', "abX"}, {"abc", 3, 0, "abc"}, {"abc", INT_MIN, 0, "abc"}, {"", 0, 0, ""}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << '"' << r.text << "\" at " << r.index);
        CString s(r.text);
        EXPECT_EQ(r.read, s.GetAt(r.index));
        EXPECT_EQ(r.read, s[r.index]);
        s.SetAt(r.index, 'X');
        EXPECT_STREQ(r.afterSetAt, s);
        EXPECT_STREQ("", CString());  // the block every empty string shares
    }
}

TEST(CStringTest, GetBufferAndReleaseBuffer) {
    CString s("abc");
    char* p = s.GetBuffer(10);
    strcpy(p, "0123456789");
    s.ReleaseBuffer();
    EXPECT_EQ(10, s.GetLength());
    EXPECT_STREQ("0123456789", s);

    p = s.GetBuffer(0);  // never smaller than the text
    EXPECT_STREQ("0123456789", p);
    s.ReleaseBuffer(4);
    EXPECT_STREQ("0123", s);

    CString e;
    p = e.GetBuffer(0);  // even an empty string gets storage of its own
    p[0] = '\0';
    e.ReleaseBuffer();
    EXPECT_TRUE(e.IsEmpty());
    EXPECT_STREQ("", CString());  // the shared empty text is untouched
}

TEST(CStringTest, ExhaustedMemoryThrowsBadAlloc) {
    CString s("x");
    EXPECT_THROW(s.GetBuffer(INT_MAX), std::bad_alloc);
    EXPECT_STREQ("x", s);  // unchanged after the failure
}

}  // namespace
