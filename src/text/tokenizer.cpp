#include "qtvutils/text.h"

#include "text/char_class.h"

#include <cstring>

namespace {

using qtv::FindFrom;
using qtv::SkipFrom;

// Where one call's walk ends up.
struct Walk {
    const char* pBegin;     // the token
    const char* pEnd;       // the character that ended it
    const char* pTokenEnd;  // where its NUL goes
    const char* pNext;      // where the next search begins
};

// `ends` holds the delimiters, the stop characters and NUL. Without stop
// characters everything else in it is a delimiter; with them the delimiter
// text decides (this is tested at most twice a call).
template <class Ends>
bool IsDelimiter(char c, const Ends& ends, const char* pszDelimiters, bool bStops) {
    return c && ends.Has(c) && (!bStops || (pszDelimiters && strchr(pszDelimiters, c)));
}

template <class Ends, class Skips>
Walk WalkNext(const char* pSearch, const Ends& ends, const Skips& skips, const char* pszDelimiters, bool bStops) {
    Walk walk;
    walk.pBegin = SkipFrom(pSearch, skips);
    walk.pEnd = FindFrom(walk.pBegin, ends);
    // Trailing skip characters are trimmed, back to where this search began
    // at most (a token of skip characters only is then empty at its start).
    const char* pTrim = walk.pEnd;
    while (pTrim > pSearch && skips.Has(pTrim[-1])) --pTrim;
    // Past the skip characters after the token and one delimiter: a run of
    // delimiters that are also skip characters counts as one separator.
    const char* pAfter = SkipFrom(walk.pEnd, skips);
    if (IsDelimiter(*pAfter, ends, pszDelimiters, bStops)) ++pAfter;
    walk.pTokenEnd = pTrim > walk.pBegin ? pTrim : walk.pBegin;
    walk.pNext = pAfter > walk.pTokenEnd ? pAfter : walk.pTokenEnd;
    return walk;
}

template <class Ends, class Skips>
Walk WalkBetween(const char* pSearch, const Ends& ends, const Skips& skips, const char* pszDelimiters, bool bStops) {
    Walk walk;
    walk.pBegin = SkipFrom(pSearch, skips);
    if (IsDelimiter(*walk.pBegin, ends, pszDelimiters, bStops)) ++walk.pBegin;  // the opening one
    walk.pEnd = FindFrom(walk.pBegin, ends);
    walk.pTokenEnd = walk.pEnd;
    // Past the closing delimiter only: skip characters after it are left for
    // the next call.
    walk.pNext = IsDelimiter(*walk.pEnd, ends, pszDelimiters, bStops) ? walk.pEnd + 1 : walk.pEnd;
    return walk;
}

// Calls walk(ends, skips, bStops) with the cheapest form of each set. The
// sets are read anew on every call, since callers may hand over the same
// buffer with other contents.
template <class WalkFn>
Walk WithSets(const char* pszDelimiters, const char* pszSkipChars, const char* pszStopChars, WalkFn walk) {
    const bool bStops = pszStopChars && *pszStopChars;
    auto withEnds = [&](const auto& ends) {
        if (!pszSkipChars || !*pszSkipChars) return walk(ends, qtv::NoChars{}, bStops);
        if (!pszSkipChars[1]) return walk(ends, qtv::OneChar{pszSkipChars[0]}, bStops);
        qtv::CharClass skips;
        skips.Add(pszSkipChars);
        return walk(ends, skips, bStops);
    };
    if (!bStops && pszDelimiters && *pszDelimiters && !pszDelimiters[1])
        return withEnds(qtv::OneCharOrNul{pszDelimiters[0]});
    qtv::CharClass ends;
    ends.Add(pszDelimiters);
    ends.Add(pszStopChars);
    ends.AddNul();
    return withEnds(ends);
}

// The walk of next (bBetween false) or nextBetween from pSearch.
template <bool bBetween>
Walk WalkFrom(const char* pSearch, const char* pszDelimiters, const char* pszSkipChars, const char* pszStopChars) {
    return WithSets(pszDelimiters, pszSkipChars, pszStopChars, [&](const auto& ends, const auto& skips, bool bStops) {
        if constexpr (bBetween) return WalkBetween(pSearch, ends, skips, pszDelimiters, bStops);
        else return WalkNext(pSearch, ends, skips, pszDelimiters, bStops);
    });
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
    const Walk walk = WalkFrom<false>(m_pNext, pszDelimiters, m_pSkipChars, m_pStopChars);
    return takeToken(walk.pBegin, walk.pEnd, walk.pTokenEnd, walk.pNext);
}

const char* CTokenizer::nextBetween(const char* pszDelimiters) {
    terminate();
    const Walk walk = WalkFrom<true>(m_pNext, pszDelimiters, m_pSkipChars, m_pStopChars);
    return takeToken(walk.pBegin, walk.pEnd, walk.pTokenEnd, walk.pNext);
}

const char* CTokenizer::takeToken(const char* pBegin, const char* pEnd, const char* pTokenEnd, const char* pNext) {
    m_cDelimiter = *pEnd;
    m_pCurrent = pBegin;
    m_pTokenEnd = pTokenEnd;
    m_pNext = pNext;
    swapChar();
    return pBegin;
}
