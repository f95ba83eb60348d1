// A set of 8-bit characters as a 256-bit table, for the tokenizer's loops:
// membership costs one load and a bit test whatever the set's length, where
// searching the set's text for every character of the input would cost a
// loop per character.
#pragma once

#include <cstdint>

namespace qtv {

class CharClass {
public:
    CharClass() : m_bits{} {}

    // Adds the characters of a NUL-terminated set (null: none). The
    // terminating NUL is not added.
    void Add(const char* pszSet) {
        if (!pszSet) return;
        for (; *pszSet; ++pszSet) {
            unsigned char c = static_cast<unsigned char>(*pszSet);
            m_bits[c >> 6] |= uint64_t(1) << (c & 63);
        }
    }
    void AddNul() { m_bits[0] |= 1; }

    bool Has(char ch) const {
        unsigned char c = static_cast<unsigned char>(ch);
        return (m_bits[c >> 6] >> (c & 63)) & 1;
    }

    // The first position at or after p whose character is not in the set.
    // Stops at the text's NUL unless NUL was added.
    const char* SkipFrom(const char* p) const {
        while (Has(*p)) ++p;
        return p;
    }
    // The first position at or after p whose character is in the set; the
    // set must hold NUL so that the text's end stops the scan.
    const char* FindFrom(const char* p) const {
        while (!Has(*p)) ++p;
        return p;
    }

private:
    uint64_t m_bits[4];
};

}  // namespace qtv
