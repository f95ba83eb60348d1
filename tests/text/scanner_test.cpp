#include "qtvutils/text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The offsets six steps forward return, then six steps back.
std::string Walk(CScanner& s, const char* text) {
    std::string offsets;
    for (int i = 0; i < 12; ++i) offsets += std::to_string((i < 6 ? s++ : s--) - text) + (i == 5 ? " / " : " ");
    return offsets;
}

TEST(ScannerTest, StepsStopAtTheEndAtStopCharactersAndAtTheStart) {
    struct Row {
        const char *text, *stop, *offsets;
    } rows[] = {
        {"abc", nullptr, "0 1 2 3 3 3 / 3 2 1 0 0 0 "},  {"abc", "", "0 1 2 3 3 3 / 3 2 1 0 0 0 "},
        {"ab;c", ";", "0 1 2 2 2 2 / 2 1 0 0 0 0 "},     {";x", ";", "0 0 0 0 0 0 / 0 0 0 0 0 0 "},
        {"a\xff" "b", "\xff", "0 1 1 1 1 1 / 1 0 0 0 0 0 "}, {"a\x80" "b", "\xff", "0 1 2 3 3 3 / 3 2 1 0 0 0 "},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " stop " + (r.stop ? r.stop : "null"));
        CScanner s;
        s.restart(r.text, r.stop);
        EXPECT_EQ(r.offsets, Walk(s, r.text));
    }
    CScanner s;
    s.restart("x;y", ";");
    const char* text = "pq;r";
    s = text;  // keeps the stop set
    EXPECT_EQ("0 1 2 2 2 2 / 2 1 0 0 0 0 ", Walk(s, text));
    s = nullptr;
    EXPECT_EQ("0 0 0 0 0 0 / 0 0 0 0 0 0 ", Walk(s, QtvEmptyText));
    CScanner byDefault;
    EXPECT_EQ("0 0 0 0 0 0 / 0 0 0 0 0 0 ", Walk(byDefault, QtvEmptyText));
}

}  // namespace
