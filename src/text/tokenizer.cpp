#include "qtvutils/text.h"

#include "text/char_class.h"

namespace {

// What ends a token: a delimiter, a stop character or the text's NUL. The
// sets are read anew on every call, since callers may hand over the same
// buffer with other contents.
qtv::CharClass TokenEnds(const char* pszDelimiters, const char* pszStopChars) {
    qtv::CharClass ends;
    ends.Add(pszDelimiters);
    ends.Add(pszStopChars);
    ends.AddNul();
    return ends;
}

qtv::CharClass SkipClass(const char* pszSkipChars) {
    qtv::CharClass skip;
    skip.Add(pszSkipChars);
    return skip;
}

}  // namespace

CTokenizer::CTokenizer()
    : m_cSaved(0), m_cDelimiter(0), m_pTokenEnd(QtvEmptyText), m_pNext(QtvEmptyText),
      m_pSkipChars(QtvEmptyText) {}

CTokenizer::CTokenizer(const char* pszText, const char* pszSkipChars, const char* pszStopChars)
    : CTokenizer() {
    restart(pszText, pszSkipChars, pszStopChars);
}

CTokenizer::~CTokenizer() { terminate(); }

void CTokenizer::restart(const char* pszText, const char* pszSkipChars, const char* pszStopChars) {
    terminate();
    CScanner::restart(pszText, pszStopChars);
    m_pNext = m_pTokenEnd = m_pStart;
    m_pSkipChars = pszSkipChars;
    m_cSaved = m_cDelimiter = 0;
    // The position shows where the text proper begins; the first token search
    // still starts at m_pNext and skips the blanks itself. Usually no or few
    // characters are skipped here, so no table is built.
    while (charInStr(*m_pCurrent, m_pSkipChars)) ++m_pCurrent;
}

void CTokenizer::terminate() {
    // The text is the caller's writable buffer (see the header); only the
    // character this tokenizer replaced is written back.
    if (*m_pTokenEnd == '\0' && m_cSaved) {
        *const_cast<char*>(m_pTokenEnd) = m_cSaved;
        m_cSaved = 0;
    }
}

void CTokenizer::swapChar() {
    // A token that ends at the text's own NUL writes nothing, so an empty or
    // null text (the read-only QtvEmptyText) is never written.
    char c = *m_pTokenEnd;
    if (c != m_cSaved) {
        *const_cast<char*>(m_pTokenEnd) = m_cSaved;
        m_cSaved = c;
    }
}

void CTokenizer::changeSkipChars(const char* pszSkipChars) { m_pSkipChars = pszSkipChars; }

const char* CTokenizer::next(const char* pszDelimiters) {
    terminate();
    const qtv::CharClass skip = SkipClass(m_pSkipChars);
    const qtv::CharClass ends = TokenEnds(pszDelimiters, m_pStopChars);

    const char* pSearch = m_pNext;
    const char* pBegin = skip.SkipFrom(pSearch);
    const char* pEnd = ends.FindFrom(pBegin);
    m_cDelimiter = *pEnd;

    // Trailing skip characters are trimmed, back to where this search began
    // at most (a token of skip characters only is then empty at its start).
    const char* pTrim = pEnd;
    while (pTrim > pSearch && skip.Has(pTrim[-1])) --pTrim;

    // Past the skip characters after the token and one delimiter: a run of
    // delimiters that are also skip characters counts as one separator.
    const char* pAfter = skip.SkipFrom(pEnd);
    if (charInStr(*pAfter, pszDelimiters)) ++pAfter;

    m_pCurrent = pBegin;
    m_pTokenEnd = pTrim > pBegin ? pTrim : pBegin;
    m_pNext = pAfter > m_pTokenEnd ? pAfter : m_pTokenEnd;
    swapChar();
    return pBegin;
}

const char* CTokenizer::nextBetween(const char* pszDelimiters) {
    terminate();
    const qtv::CharClass ends = TokenEnds(pszDelimiters, m_pStopChars);

    const char* pBegin = SkipClass(m_pSkipChars).SkipFrom(m_pNext);
    if (charInStr(*pBegin, pszDelimiters)) ++pBegin;  // the opening delimiter
    const char* pEnd = ends.FindFrom(pBegin);
    m_cDelimiter = *pEnd;
    m_pTokenEnd = pEnd;
    // Past the closing delimiter only: skip characters after it are left for
    // the next call.
    m_pNext = charInStr(*pEnd, pszDelimiters) ? pEnd + 1 : pEnd;

    m_pCurrent = pBegin;
    swapChar();
    return pBegin;
}
