// Character sets for the tokenizer's loops. A set of one character (the usual
// "," or " ") is tested by a comparison and needs no set-up; a larger one goes
// through a 256-bit table, where membership costs one load and a bit test
// whatever the set's length, instead of a search of the set's text per
// character of the input.
#pragma once

#include <cstdint>

namespace qtv {

struct NoChars {
    bool Has(char) const { return false; }
};

struct OneChar {
    char m_c;  // not NUL
    bool Has(char c) const { return c == m_c; }
};

// One character and the text's NUL: what ends a token for a one-character
// delimiter set without stop characters.
struct OneCharOrNul {
    char m_c;
    bool Has(char c) const { return c == m_c || c == '\0'; }
};

class CharClass {
public:
    CharClass() : m_bits{} {}

    // Adds the characters of a NUL-terminated set (null: none). The
    // terminating NUL is not added.
    void Add(const char* pszSet) {
        if (!pszSet) return;
        for (; *pszSet; ++pszSet) {
            unsigned c = static_cast<unsigned char>(*pszSet);
            m_bits[c / 64] |= uint64_t(1) << (c % 64);
        }
    }
    void AddNul() { m_bits[0] |= 1; }

    bool Has(char ch) const {
        unsigned c = static_cast<unsigned char>(ch);
        return (m_bits[c / 64] >> (c % 64)) & 1;
    }

private:
    uint64_t m_bits[4];
};

// The first position at or after p whose character is not in the set; stops
// at the text's NUL unless the set holds NUL.
template <class Set>
const char* SkipFrom(const char* p, const Set& set) {
    while (set.Has(*p)) ++p;
    return p;
}

// The first position at or after p whose character is in the set; the set
// must hold NUL so that the text's end stops the scan.
template <class Set>
const char* FindFrom(const char* p, const Set& set) {
    while (!set.Has(*p)) ++p;
    return p;
}

}  // namespace qtv
