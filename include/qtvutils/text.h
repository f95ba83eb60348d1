// QTVUtils text scanning: a cursor over 8-bit text (CScanner) and a tokenizer
// that cuts a text into tokens in place (CTokenizer).
//
// Errors: none. A null text counts as the library's empty text (QtvEmptyText),
// a null character set as an empty one, and the end of a text yields empty
// tokens. No pointer these classes hand out is ever null.
//
// Character sets (stop, skip, delimiter) are NUL-terminated 8-bit texts; a
// character belongs to a set when it equals one of its characters, so NUL
// belongs to none. Characters are compared as 8-bit values, all 255 of them.
//
// Lifetimes: nothing is copied. The text and every set must stay alive and
// unchanged while an object uses them. A CTokenizer writes into its text
// although the interface takes `const char*`: that text must be writable and
// must outlive the tokenizer. The tokenizer replaces at most one character at
// a time by NUL (the one after the current token) and puts it back before
// every move (next, nextBetween, restart), in terminate and in its destructor,
// so the text reads as before once tokenising ends. A token is valid until the
// next move. An object belongs to one thread at a time.
#pragma once

#include "qtvutils/framework.h"

// The library's shared empty text: what its text classes use in place of a
// null text.
extern QTVUTILS_API const char QtvEmptyText[1];

// A cursor over a NUL-terminated text that never steps past the text's end
// nor past a character of its stop set.
class QTVUTILS_API CScanner {
public:
    // Start, position and stop set are all the empty text.
    CScanner();

    // Start and position become the text; the stop set becomes pszStopChars
    // (null: no stop characters).
    void restart(const char* pszText, const char* pszStopChars);
    // Start and position become the text; the stop set is kept.
    CScanner& operator=(const char* pszText);

    // Steps forward and returns the position before the step. At the end of
    // the text or on a stop character it does not move.
    const char* operator++(int);
    // Steps back and returns the position before the step. At the start it
    // does not move.
    const char* operator--(int);

protected:
    // 1 when c is one of the characters of pszSet (never for NUL or a null
    // or empty set), else 0.
    BOOL charInStr(char c, const char* pszSet) const;

    const char* m_pStart;      // never null
    const char* m_pCurrent;    // between m_pStart and the terminating NUL
    const char* m_pStopChars;  // null or "": none
};

// Cuts a writable text into tokens in place. Each token is returned as a
// pointer into the text, NUL-terminated where the token ends.
//
// next(D): skips skip characters, takes the token up to the next delimiter of
// D, the end of the text or a stop character, trims trailing skip characters
// and steps over skip characters and one delimiter after it. Adjacent
// delimiters give empty tokens unless the delimiter is also a skip character.
// nextBetween(D): skips skip characters, steps over one opening delimiter of
// D and returns the text up to the closing delimiter (or the end or a stop
// character), untrimmed. The two can be mixed; each continues where the last
// one left off. A stop character that is neither a delimiter nor a skip
// character is never consumed: every later call returns an empty token at it.
class QTVUTILS_API CTokenizer : public CScanner {
public:
    // Tokenizes the empty text: every call returns an empty token.
    CTokenizer();
    // The position (operator++) is at the text's first non-skip character;
    // the first token search still begins at the start of the text.
    CTokenizer(const char* pszText, const char* pszSkipChars, const char* pszStopChars);
    // Puts the saved character back.
    ~CTokenizer();

    // Copies would each put back the same character.
    CTokenizer(const CTokenizer&) = delete;
    CTokenizer& operator=(const CTokenizer&) = delete;

    // terminate() for the current text, then as construction.
    void restart(const char* pszText, const char* pszSkipChars, const char* pszStopChars);

    const char* next(const char* pszDelimiters);
    const char* nextBetween(const char* pszDelimiters);

    // Puts back the character that the current token's NUL replaced.
    void terminate();
    // Replaces the skip set (null allowed); nothing else changes.
    void changeSkipChars(const char* pszSkipChars);

protected:
    // Exchanges m_cSaved with the character at m_pTokenEnd when they differ.
    void swapChar();

    char m_cSaved;  // the character under the token's NUL, or 0

public:
    // What ended the last token: a delimiter, a stop character, or 0 at the
    // end of the text. Public so callers can tell why a token ended.
    char m_cDelimiter;

protected:
    const char* m_pTokenEnd;    // where the token's NUL goes
    const char* m_pNext;        // where the next token search begins
    const char* m_pSkipChars;   // null or "": none

private:
    // Makes the walk's result the current token: stores the positions, ends
    // the token with NUL and returns its start.
    const char* takeToken(const char* pBegin, const char* pEnd, const char* pTokenEnd, const char* pNext);
};
