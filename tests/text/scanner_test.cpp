#include "qtvutils/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Exposes the protected set test.
struct ScannerProbe : CScanner {
    using CScanner::charInStr;
};

// Positions reached by repeated steps, as offsets from the text.
std::string Walk(CScanner& scanner, const char* text, char step, int count) {
    std::string offsets;
    for (int i = 0; i < count; ++i) {
        const char* p = step == '+' ? scanner++ : scanner--;
        offsets += std::to_string(p - text) + " ";
    }
    return offsets;
}

TEST(ScannerTest, StepsStopAtTheEndAtStopCharactersAndAtTheStart) {
    struct Row {
        const char* text;
        const char* stop;
        const char* forward;   // offsets returned by 6 forward steps
        const char* backward;  // then by 6 backward steps
    } rows[] = {
        {"abc", nullptr, "0 1 2 3 3 3 ", "3 2 1 0 0 0 "},
        {"abc", "", "0 1 2 3 3 3 ", "3 2 1 0 0 0 "},
        {"ab;c", ";", "0 1 2 2 2 2 ", "2 1 0 0 0 0 "},
        {";x", ";", "0 0 0 0 0 0 ", "0 0 0 0 0 0 "},
        {"a\xff" "b", "\xff", "0 1 1 1 1 1 ", "1 0 0 0 0 0 "},  // bytes above 0x7F
        {"a\x80" "b", "\xff", "0 1 2 3 3 3 ", "3 2 1 0 0 0 "},
        {"", ";", "0 0 0 0 0 0 ", "0 0 0 0 0 0 "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("text [") + r.text + "] stop [" + (r.stop ? r.stop : "null") + "]");
        CScanner scanner;
        scanner.restart(r.text, r.stop);
        EXPECT_EQ(r.forward, Walk(scanner, r.text, '+', 6));
        EXPECT_EQ(r.backward, Walk(scanner, r.text, '-', 6));
    }
}

TEST(ScannerTest, NullAndDefaultTextsAreTheSharedEmptyText) {
    CScanner byDefault;
    CScanner restarted;
    restarted.restart(nullptr, nullptr);
    CScanner assigned;
    assigned.restart("abc", nullptr);
    assigned = nullptr;
    for (CScanner* s : {&byDefault, &restarted, &assigned}) {
        EXPECT_EQ(QtvEmptyText, (*s)++);
        EXPECT_EQ(QtvEmptyText, (*s)--);
    }
}

TEST(ScannerTest, AssigningATextKeepsTheStopSet) {
    const char first[] = "x;y";
    const char second[] = "pq;r";
    CScanner scanner;
    scanner.restart(first, ";");
    scanner++;
    scanner = second;
    EXPECT_EQ("0 1 2 2 ", Walk(scanner, second, '+', 4));
    EXPECT_EQ("2 1 0 0 ", Walk(scanner, second, '-', 4));  // the new start bounds the way back
}

TEST(ScannerTest, CharInStrMatchesSetMembersOnly) {
    struct Row {
        char c;
        const char* set;
        BOOL expected;
    } rows[] = {
        {'a', "abc", 1},   {'c', "abc", 1},      {'d', "abc", 0},        {'\0', "abc", 0},
        {'\0', "", 0},     {'a', nullptr, 0},    {'\0', nullptr, 0},     {'a', "", 0},
        {'\xff', "\xff", 1}, {'\x80', "\xff", 0}, {'\x7f', "\xff\x7f", 1},
    };
    ScannerProbe probe;
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string("char ") + std::to_string(static_cast<unsigned char>(r.c)) + " set [" +
                     (r.set ? r.set : "null") + "]");
        EXPECT_EQ(r.expected, probe.charInStr(r.c, r.set));
    }
}

}  // namespace
