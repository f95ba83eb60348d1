#include "qtvutils/text.h"

#include <cstring>

// Read-only, so that text a class only reads can never be written through it.
const char QtvEmptyText[1] = "";

CScanner::CScanner() : m_pStart(QtvEmptyText), m_pCurrent(QtvEmptyText), m_pStopChars(QtvEmptyText) {}

void CScanner::restart(const char* pszText, const char* pszStopChars) {
    m_pStart = m_pCurrent = pszText ? pszText : QtvEmptyText;
    m_pStopChars = pszStopChars;
}

CScanner& CScanner::operator=(const char* pszText) {
    m_pStart = m_pCurrent = pszText ? pszText : QtvEmptyText;
    return *this;
}

const char* CScanner::operator++(int) {
    const char* before = m_pCurrent;
    if (*m_pCurrent && !charInStr(*m_pCurrent, m_pStopChars)) ++m_pCurrent;
    return before;
}

const char* CScanner::operator--(int) {
    const char* before = m_pCurrent;
    if (m_pCurrent > m_pStart) --m_pCurrent;
    return before;
}

BOOL CScanner::charInStr(char c, const char* pszSet) const {
    // strchr finds the set's own terminator for NUL, which belongs to no set.
    return c && pszSet && strchr(pszSet, c) ? 1 : 0;
}
