// QTVUtils framework layer: CString, the counted 8-bit text every text
// argument and result of the library uses.
//
// Errors: exhausted memory inside CString throws std::bad_alloc (the
// framework's way); nothing else is reported.
#pragma once

#include "qtvutils/api.h"

#include <cstdarg>

// ---------------------------------------------------------------------------
// CString: counted 8-bit text. The length may count zero bytes inside the
// text; one zero byte always follows the last character, so the data can be
// read as NUL-terminated text. Comparisons are counted (embedded zeros take
// part); a `const char*` operand counts up to its first NUL. Case mapping is
// ASCII only. A null `const char*` is taken as empty text.
// ---------------------------------------------------------------------------
class QTVUTILS_API CString {
public:
    CString();
    CString(const CString& src);
    CString(const char* psz);
    CString(const char* pch, int nLength);
    ~CString();

    int GetLength() const;
    BOOL IsEmpty() const;
    void Empty();

    // An index outside 0 .. length - 1 reads 0 and writes nothing.
    char GetAt(int nIndex) const;
    char operator[](int nIndex) const;
    void SetAt(int nIndex, char ch);
    operator const char*() const { return m_pchData; }

    const CString& operator=(const CString& src);
    const CString& operator=(const char* psz);
    const CString& operator=(char ch);
    const CString& operator+=(const CString& src);
    const CString& operator+=(const char* psz);
    const CString& operator+=(char ch);

    friend QTVUTILS_API CString operator+(const CString& a, const CString& b);
    friend QTVUTILS_API CString operator+(const CString& a, const char* b);
    friend QTVUTILS_API CString operator+(const char* a, const CString& b);
    friend QTVUTILS_API CString operator+(const CString& a, char b);

    // <0, 0, >0 as memcmp over the counted bytes, shorter first on a tie.
    int Compare(const CString& s) const;
    int Compare(const char* psz) const;
    int CompareNoCase(const char* psz) const;

    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;
    // Index of the first match at or after nStart, or -1.
    int Find(char ch, int nStart = 0) const;
    int Find(const char* pszSub, int nStart = 0) const;

    void Format(const char* pszFormat, ...) QTVUTILS_PRINTF_FORMAT(2, 3);
    void FormatV(const char* pszFormat, va_list args);
    void MakeUpper();
    void MakeLower();

    // Writable storage of at least nMinBufLength characters plus the zero
    // byte; ReleaseBuffer(-1) takes the length up to the first NUL.
    char* GetBuffer(int nMinBufLength);
    void ReleaseBuffer(int nNewLength = -1);

    // Loads string resource nID from the executable's module, else from the
    // first registered extension module that has it. Non-zero when found;
    // the string is empty otherwise.
    BOOL LoadString(UINT nID);

private:
    struct Header;
    Header* GetHeader() const;
    void AllocBuffer(int nLength);
    void Release();
    void Assign(const char* pch, int nLength);
    void Append(const char* pch, int nLength);

    char* m_pchData;
};

QTVUTILS_API bool operator==(const CString& a, const CString& b);
QTVUTILS_API bool operator==(const CString& a, const char* b);
QTVUTILS_API bool operator==(const char* a, const CString& b);
QTVUTILS_API bool operator!=(const CString& a, const CString& b);
QTVUTILS_API bool operator!=(const CString& a, const char* b);
QTVUTILS_API bool operator!=(const char* a, const CString& b);
QTVUTILS_API bool operator<(const CString& a, const CString& b);
QTVUTILS_API bool operator<(const CString& a, const char* b);
QTVUTILS_API bool operator<(const char* a, const CString& b);
