#include "qtvutils/cstring.h"

#include "framework/module_chain.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// The characters live right after a small header in one heap block. Every
// empty string points at one shared, never-written empty block, so empty
// strings cost no allocation.
struct CString::Header {
    int nDataLength;
    int nAllocLength;  // 0 only for the shared empty block
};

namespace {

// Same layout as a Header followed by the characters.
struct EmptyBlock {
    int nDataLength;
    int nAllocLength;
    char chData[1];
};
EmptyBlock g_emptyBlock = {0, 0, {0}};
char* const g_pchEmpty = g_emptyBlock.chData;

int SafeLength(const char* psz) { return psz ? static_cast<int>(strlen(psz)) : 0; }

int CompareCounted(const char* a, int na, const char* b, int nb) {
    int n = na < nb ? na : nb;
    int r = n ? memcmp(a, b, n) : 0;
    if (r != 0) return r;
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

unsigned char FoldAscii(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

CString::Header* CString::GetHeader() const {
    return reinterpret_cast<Header*>(m_pchData) - 1;
}

void CString::AllocBuffer(int nLength) {
    if (nLength < 0 || nLength > INT_MAX - static_cast<int>(sizeof(Header)) - 1) throw std::bad_alloc();
    if (nLength == 0) {
        m_pchData = g_pchEmpty;
        return;
    }
    Header* h = static_cast<Header*>(::operator new(sizeof(Header) + nLength + 1));
    h->nDataLength = nLength;
    h->nAllocLength = nLength;
    m_pchData = reinterpret_cast<char*>(h + 1);
    m_pchData[nLength] = '\0';
}

void CString::Release() {
    if (m_pchData != g_pchEmpty) ::operator delete(GetHeader());
    m_pchData = g_pchEmpty;
}

void CString::Assign(const char* pch, int nLength) {
    if (nLength > 0 && GetHeader()->nAllocLength >= nLength) {
        memmove(m_pchData, pch, nLength);  // pch may point into this string
        GetHeader()->nDataLength = nLength;
        m_pchData[nLength] = '\0';
        return;
    }
    CString fresh(pch, nLength);
    Release();
    m_pchData = fresh.m_pchData;
    fresh.m_pchData = g_pchEmpty;
}

void CString::Append(const char* pch, int nLength) {
    if (nLength <= 0) return;
    int nOld = GetLength();
    if (nLength > INT_MAX - nOld) throw std::bad_alloc();
    if (GetHeader()->nAllocLength >= nOld + nLength) {
        memmove(m_pchData + nOld, pch, nLength);
        GetHeader()->nDataLength = nOld + nLength;
        m_pchData[nOld + nLength] = '\0';
        return;
    }
    // Grow geometrically so that repeated appends stay linear.
    int nAlloc = nOld + nLength;
    if (nAlloc < INT_MAX / 2) nAlloc += nAlloc / 2;
    CString grown;
    grown.AllocBuffer(nAlloc);
    memcpy(grown.m_pchData, m_pchData, nOld);
    memcpy(grown.m_pchData + nOld, pch, nLength);  // pch may point into this string
    grown.GetHeader()->nDataLength = nOld + nLength;
    grown.m_pchData[nOld + nLength] = '\0';
    Release();
    m_pchData = grown.m_pchData;
    grown.m_pchData = g_pchEmpty;
}

CString::CString() : m_pchData(g_pchEmpty) {}

CString::CString(const CString& src) : m_pchData(g_pchEmpty) {
    AllocBuffer(src.GetLength());
    memcpy(m_pchData, src.m_pchData, src.GetLength());
}

CString::CString(const char* psz) : CString(psz, SafeLength(psz)) {}

CString::CString(const char* pch, int nLength) : m_pchData(g_pchEmpty) {
    if (!pch || nLength <= 0) return;
    AllocBuffer(nLength);
    memcpy(m_pchData, pch, nLength);
}

CString::~CString() { Release(); }

int CString::GetLength() const { return GetHeader()->nDataLength; }
BOOL CString::IsEmpty() const { return GetLength() == 0; }
void CString::Empty() { Release(); }

// Only indexes inside the text reach the storage: an empty string's is the
// shared empty block, which no string may write.
char CString::GetAt(int nIndex) const { return nIndex >= 0 && nIndex < GetLength() ? m_pchData[nIndex] : '\0'; }
char CString::operator[](int nIndex) const { return GetAt(nIndex); }
void CString::SetAt(int nIndex, char ch) {
    if (nIndex >= 0 && nIndex < GetLength()) m_pchData[nIndex] = ch;
}

const CString& CString::operator=(const CString& src) {
    if (this != &src) Assign(src.m_pchData, src.GetLength());
    return *this;
}
const CString& CString::operator=(const char* psz) {
    Assign(psz, SafeLength(psz));
    return *this;
}
const CString& CString::operator=(char ch) {
    Assign(&ch, 1);
    return *this;
}
const CString& CString::operator+=(const CString& src) {
    Append(src.m_pchData, src.GetLength());
    return *this;
}
const CString& CString::operator+=(const char* psz) {
    Append(psz, SafeLength(psz));
    return *this;
}
const CString& CString::operator+=(char ch) {
    Append(&ch, 1);
    return *this;
}

CString operator+(const CString& a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, char b) {
    CString r(a);
    r += b;
    return r;
}

int CString::Compare(const CString& s) const {
    return CompareCounted(m_pchData, GetLength(), s, s.GetLength());
}
int CString::Compare(const char* psz) const {
    return CompareCounted(m_pchData, GetLength(), psz ? psz : "", SafeLength(psz));
}
int CString::CompareNoCase(const char* psz) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pchData);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(psz ? psz : "");
    int na = GetLength(), nb = SafeLength(psz);
    for (int i = 0; i < na && i < nb; ++i) {
        int d = FoldAscii(a[i]) - FoldAscii(b[i]);
        if (d != 0) return d;
    }
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }
bool operator!=(const char* a, const CString& b) { return b.Compare(a) != 0; }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }

CString CString::Mid(int nFirst, int nCount) const {
    int n = GetLength();
    if (nFirst < 0) nFirst = 0;
    if (nFirst > n) nFirst = n;
    if (nCount < 0) nCount = 0;
    if (nCount > n - nFirst) nCount = n - nFirst;
    return CString(m_pchData + nFirst, nCount);
}
CString CString::Mid(int nFirst) const { return Mid(nFirst, INT_MAX); }
CString CString::Left(int nCount) const { return Mid(0, nCount); }
CString CString::Right(int nCount) const {
    int n = GetLength();
    if (nCount < 0) nCount = 0;
    if (nCount > n) nCount = n;
    return Mid(n - nCount, nCount);
}

int CString::Find(char ch, int nStart) const {
    int n = GetLength();
    if (nStart < 0) nStart = 0;
    if (nStart >= n) return -1;
    const void* p = memchr(m_pchData + nStart, static_cast<unsigned char>(ch), n - nStart);
    return p ? static_cast<int>(static_cast<const char*>(p) - m_pchData) : -1;
}

int CString::Find(const char* pszSub, int nStart) const {
    int n = GetLength(), nSub = SafeLength(pszSub);
    if (nStart < 0) nStart = 0;
    for (int i = nStart; i + nSub <= n; ++i)
        if (memcmp(m_pchData + i, pszSub, nSub) == 0) return i;
    return -1;
}

void CString::FormatV(const char* pszFormat, va_list args) {
    va_list probe;
    va_copy(probe, args);
    int n = __mingw_vsnprintf(nullptr, 0, pszFormat ? pszFormat : "", probe);
    va_end(probe);
    if (n <= 0) {
        Empty();
        return;
    }
    CString result;
    result.AllocBuffer(n);
    __mingw_vsnprintf(result.m_pchData, n + 1, pszFormat, args);
    Release();
    m_pchData = result.m_pchData;
    result.m_pchData = g_pchEmpty;
}

void CString::Format(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::MakeUpper() {
    for (int i = 0, n = GetLength(); i < n; ++i)
        if (m_pchData[i] >= 'a' && m_pchData[i] <= 'z') m_pchData[i] -= 'a' - 'A';
}

void CString::MakeLower() {
    for (int i = 0, n = GetLength(); i < n; ++i)
        m_pchData[i] = static_cast<char>(FoldAscii(static_cast<unsigned char>(m_pchData[i])));
}

char* CString::GetBuffer(int nMinBufLength) {
    int nOld = GetLength();
    if (nMinBufLength < nOld) nMinBufLength = nOld;
    if (GetHeader()->nAllocLength == 0 || GetHeader()->nAllocLength < nMinBufLength) {
        CString grown;
        grown.AllocBuffer(nMinBufLength > 0 ? nMinBufLength : 1);
        memcpy(grown.m_pchData, m_pchData, nOld + 1);
        grown.GetHeader()->nDataLength = nOld;
        Release();
        m_pchData = grown.m_pchData;
        grown.m_pchData = g_pchEmpty;
    }
    return m_pchData;
}

void CString::ReleaseBuffer(int nNewLength) {
    if (m_pchData == g_pchEmpty) return;
    int nAlloc = GetHeader()->nAllocLength;
    if (nNewLength < 0) nNewLength = static_cast<int>(strnlen(m_pchData, nAlloc));
    if (nNewLength > nAlloc) nNewLength = nAlloc;
    GetHeader()->nDataLength = nNewLength;
    m_pchData[nNewLength] = '\0';
}

BOOL CString::LoadString(UINT nID) {
    // Resources are searched the framework's way: the executable first, then
    // every registered extension module.
    BOOL found = FALSE;
    qtv::ForEachResourceModule([&](HMODULE hModule) {
        // With a zero buffer size, LoadStringW hands out a read-only pointer
        // to the resource text and its length, so no length limit applies.
        const WCHAR* pw = nullptr;
        int nw = LoadStringW(hModule, nID, reinterpret_cast<LPWSTR>(&pw), 0);
        if (nw <= 0 || !pw) return false;
        int n = WideCharToMultiByte(CP_ACP, 0, pw, nw, nullptr, 0, nullptr, nullptr);
        CString text;
        text.AllocBuffer(n);
        WideCharToMultiByte(CP_ACP, 0, pw, nw, text.m_pchData, n, nullptr, nullptr);
        *this = text;
        found = TRUE;
        return true;
    });
    if (!found) Empty();
    return found;
}
